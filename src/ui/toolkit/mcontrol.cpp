#include "ui/toolkit/mcontrol.h"

#include "ui/toolkit/areas.h"
#include "ui/toolkit/mdialog.h"
#include "ui/toolkit/skin.h"

#include <QEnterEvent>
#include <QEvent>
#include <QPainter>

namespace vantora {

MControl::MControl(MDialog* dialog, int id) : QWidget(dialog), dialog_(dialog), id_(id) {
    setGeometry(0, 0, 0, 0);
    setAttribute(Qt::WA_Hover, true);
}

MControl::~MControl() {
    if (container_) {
        container_->RemoveChild(this);
    }
}

void MControl::SetRect(const CRect& rect) {
    rect_ = rect;
    setGeometry(rect.ToQRect());
}

void MControl::SetVisible(bool on) {
    ownVisible_ = on;
    ApplyVisibility();
}

bool MControl::IsShownInTree() const {
    if (!ownVisible_) {
        return false;
    }
    return container_ == nullptr || container_->IsShownInTree();
}

void MControl::ApplyVisibility() {
    setVisible(IsShownInTree());
}

void MControl::SetContainer(MTabLayout* container) {
    if (container_ == container) {
        return;
    }
    if (container_) {
        container_->RemoveChild(this);
    }
    container_ = container;
    if (container_) {
        container_->AddChild(this);
    }
    ApplyVisibility();
}

void MControl::SetEnabled(bool on) {
    setEnabled(on);
    update();
}

void MControl::SetTooltip(const std::string& text) {
    setToolTip(QString::fromStdString(text));
}
std::string MControl::GetTooltip() const {
    return toolTip().toStdString();
}

void MControl::SetNormalImage(const std::string& name) {
    normalImage_ = name;
    update();
}
void MControl::SetHoverImage(const std::string& name) {
    hoverImage_ = name;
}
void MControl::SetDownImage(const std::string& name) {
    downImage_ = name;
}
void MControl::SetDisableImage(const std::string& name) {
    disableImage_ = name;
}

void MControl::SetStateImages(const std::string& normalName) {
    SetNormalImage(normalName);
    SetHoverImage(skin::StateImageName(normalName, 'h'));
    SetDownImage(skin::StateImageName(normalName, 'p'));
    SetDisableImage(skin::StateImageName(normalName, 'd'));
}

void MControl::SetImage(const std::string& name, int mode) {
    imageMode_ = mode;
    SetNormalImage(name);
}

void MControl::SetTitle(const std::string& text) {
    title_ = QString::fromStdString(text);
    update();
}

std::string MControl::GetTitle() const {
    return title_.toStdString();
}

void MControl::SetAlignment(int align) {
    align_ = align;
    update();
}

void MControl::SetVAlignment(int valign) {
    valign_ = valign;
    update();
}

void MControl::SetTextColor(std::uint32_t argb) {
    textColor_ = argb;
    ownTextColor_ = true;
    update();
}

void MControl::SetTextSize(int pixels) {
    textSize_ = pixels > 0 ? pixels : 0;
    update();
}

int MControl::Notify(int code, std::uintptr_t wparam, std::intptr_t lparam) {
    return dialog_ ? dialog_->DispatchNotify(this, code, wparam, lparam) : 0;
}

MControl::State MControl::VisualState() const {
    if (!isEnabled()) {
        return State::Disabled;
    }
    if (pressed_) {
        return State::Pressed;
    }
    if (hovered_) {
        return State::Hover;
    }
    return State::Normal;
}

QPixmap MControl::StateImage(State state) const {
    const std::string* name = &normalImage_;
    switch (state) {
        case State::Hover:
            name = &hoverImage_;
            break;
        case State::Pressed:
            name = &downImage_;
            break;
        case State::Disabled:
            name = &disableImage_;
            break;
        case State::Normal:
            break;
    }
    QPixmap image = skin::LoadImage(*name);
    if (image.isNull() && state != State::Normal) {
        image = skin::LoadImage(normalImage_);
    }
    return image;
}

QFont MControl::TitleFont() const {
    QFont f = font();
    f.setPixelSize(textSize_ > 0 ? textSize_ : 13);
    return f;
}

Qt::Alignment MControl::QtAlignment() const {
    Qt::Alignment a;
    a |= align_ == kAlignLeft ? Qt::AlignLeft : (align_ == kAlignRight ? Qt::AlignRight : Qt::AlignHCenter);
    a |= valign_ == kVAlignTop ? Qt::AlignTop
                               : (valign_ == kVAlignBottom ? Qt::AlignBottom : Qt::AlignVCenter);
    return a;
}

QColor MControl::TitleColor() const {
    if (!isEnabled()) {
        return skin::DisabledText();
    }
    return ownTextColor_ ? ColorFromArgb(textColor_) : skin::Text();
}

void MControl::DrawTitle(QPainter& painter, const QRect& box, const QColor& color) const {
    if (title_.isEmpty()) {
        return;
    }
    painter.save();
    painter.setFont(TitleFont());
    painter.setPen(color);
    painter.drawText(box, static_cast<int>(QtAlignment()) | Qt::TextWordWrap, title_);
    painter.restore();
}

void MControl::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QWidget::enterEvent(event);
}

void MControl::leaveEvent(QEvent* event) {
    hovered_ = false;
    pressed_ = false;
    update();
    QWidget::leaveEvent(event);
}

void MControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        pressed_ = false;
        update();
    }
    QWidget::changeEvent(event);
}

bool DrawSkinImage(QPainter& painter, const QRect& box, const QPixmap& image, int mode) {
    if (image.isNull()) {
        return false;
    }
    if (mode == kImageStretch) {
        painter.drawPixmap(box, image);
    } else if (mode == kImageCenter) {
        const QSize s = image.size();
        painter.drawPixmap(box.x() + (box.width() - s.width()) / 2, box.y() + (box.height() - s.height()) / 2,
                           image);
    } else {
        painter.drawPixmap(box.topLeft(), image);
    }
    return true;
}

}  // namespace vantora
