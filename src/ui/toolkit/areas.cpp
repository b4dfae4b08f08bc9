#include "ui/toolkit/areas.h"

#include "ui/toolkit/skin.h"

#include <QFontMetrics>
#include <QPainter>

namespace vantora {
namespace {

enum class Stand { None, Logo, Panel };

// What to draw when a picture's image is absent.
Stand StandInFor(const std::string& name) {
    if (name.find("logo") != std::string::npos) {
        return Stand::Logo;
    }
    for (const char* word : {"bkg", "area", "panel", "config", "setting"}) {
        if (name.find(word) != std::string::npos) {
            return Stand::Panel;
        }
    }
    return Stand::None;
}

constexpr QSize kLogoSize(180, 40);

}  // namespace

MPicture::MPicture(MDialog* dialog, int id) : MControl(dialog, id) {
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

void MPicture::SetImage(const std::string& name, int mode) {
    MControl::SetImage(name, mode);
}

QSize MPicture::GetImageSize() const {
    const QPixmap image = StateImage(State::Normal);
    if (!image.isNull()) {
        return image.size();
    }
    return StandInFor(GetImageName()) == Stand::Logo ? kLogoSize : QSize(0, 0);
}

void MPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (DrawSkinImage(p, rect(), StateImage(State::Normal), imageMode_)) {
        return;
    }
    p.setRenderHint(QPainter::Antialiasing);
    switch (StandInFor(GetImageName())) {
        case Stand::Logo: {
            const int side = qMin(height(), 40);
            p.drawPixmap(0, (height() - side) / 2, skin::DrawAppEmblem(side));
            QFont f = font();
            f.setPixelSize(qMax(8, side * 11 / 20));
            f.setBold(true);
            f.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
            // The product word shrinks to fit what is left beside the emblem.
            const int room = width() - side - 8;
            while (f.pixelSize() > 8 && QFontMetrics(f).horizontalAdvance(QStringLiteral("VANTORA")) > room) {
                f.setPixelSize(f.pixelSize() - 1);
            }
            p.setFont(f);
            p.setPen(skin::Accent());
            p.drawText(QRect(side + 6, 0, width() - side - 6, height()), Qt::AlignVCenter | Qt::AlignLeft,
                       QStringLiteral("VANTORA"));
            break;
        }
        case Stand::Panel:
            if (GetImageName().find("bkg.png") == 0) {
                p.fillRect(rect(), skin::WindowBackground());
            } else {
                p.setPen(skin::Border());
                p.setBrush(skin::PanelBackground());
                p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
            }
            break;
        case Stand::None:
            break;
    }
    DrawTitle(p, rect(), TitleColor());
}

MText::MText(MDialog* dialog, int id) : MControl(dialog, id) {
    align_ = kAlignLeft;
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

void MText::paintEvent(QPaintEvent*) {
    QPainter p(this);
    DrawSkinImage(p, rect(), StateImage(State::Normal), imageMode_);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawTitle(p, rect(), TitleColor());
}

MTabLayout::MTabLayout(MDialog* dialog, int id) : MControl(dialog, id) {
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

MTabLayout::~MTabLayout() {
    for (const auto& child : children_) {
        if (child) {
            child->container_ = nullptr;
        }
    }
}

void MTabLayout::ApplyVisibility() {
    MControl::ApplyVisibility();
    for (const auto& child : children_) {
        if (child) {
            child->ApplyVisibility();
        }
    }
}

void MTabLayout::AddChild(MControl* child) {
    children_.emplace_back(child);
}

void MTabLayout::RemoveChild(MControl* child) {
    std::erase_if(children_,
                  [child](const QPointer<MControl>& c) { return c.isNull() || c.data() == child; });
}

}  // namespace vantora
