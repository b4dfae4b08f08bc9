#include "ui/toolkit/combo_box.h"

#include "ui/toolkit/skin.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileInfo>
#include <QPainter>
#include <QResizeEvent>

namespace vantora {
namespace {

QString Css(const QColor& c) {
    return c.name(QColor::HexRgb);
}

// The Qt combo box with our own drop-down arrow (style sheets drop the
// platform's arrow unless an image is given).
class ArrowComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    bool drawArrow = true;

protected:
    void paintEvent(QPaintEvent* event) override {
        QComboBox::paintEvent(event);
        if (!drawArrow) {
            return;
        }
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c(width() - 13, height() / 2.0);
        p.setPen(QPen(isEnabled() ? skin::Accent() : skin::DisabledText(), 1.8, Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
        p.drawLine(c + QPointF(-4, -2), c + QPointF(0, 2));
        p.drawLine(c + QPointF(0, 2), c + QPointF(4, -2));
    }
};

}  // namespace

MComboBox::MComboBox(MDialog* dialog, int id) : MControl(dialog, id), combo_(new ArrowComboBox(this)) {
    combo_->setEditable(false);
    combo_->setFocusPolicy(Qt::StrongFocus);
    combo_->setMaxVisibleItems(12);
    QObject::connect(combo_, &QComboBox::activated, this, [this](int index) {
        if (index != lastIndex_) {
            lastIndex_ = index;
            Notify(kNotifyClick, static_cast<std::uintptr_t>(index));
        }
    });
    ApplyStyle();
}

void MComboBox::resizeEvent(QResizeEvent* event) {
    combo_->setGeometry(0, 0, event->size().width(), event->size().height());
}

void MComboBox::SetDropDownImage(const std::string& normalName) {
    dropImage_ = normalName;
    ApplyStyle();
}

void MComboBox::SetTextColor(std::uint32_t argb) {
    MControl::SetTextColor(argb);
    ApplyStyle();
}

void MComboBox::SetTextSize(int pixels) {
    MControl::SetTextSize(pixels);
    ApplyStyle();
}

void MComboBox::ApplyStyle() {
    const QColor text = HasOwnTextColor() ? ColorFromArgb(GetTextColor()) : skin::Text();
    const int px = textSize_ > 0 ? textSize_ : 13;
    QString arrow;
    const QString dropPath = skin::ImageFolder() + QString::fromStdString(dropImage_);
    if (!dropImage_.empty() && QFileInfo(dropPath).isFile()) {
        arrow = QStringLiteral("QComboBox::down-arrow { image: url(%1); }").arg(dropPath);
    }
    static_cast<ArrowComboBox*>(combo_)->drawArrow = arrow.isEmpty();
    combo_->setStyleSheet(
        QStringLiteral("QComboBox { background: %1; color: %2; border: 1px solid %3; border-radius: 5px;"
                       " padding: 2px 8px; font-size: %4px; }"
                       "QComboBox:hover { border-color: %5; }"
                       "QComboBox:disabled { color: %6; background: %7; }"
                       "QComboBox::drop-down { border: none; width: 22px; }"
                       "QComboBox QAbstractItemView { background: %7; color: %2; border: 1px solid %3;"
                       " selection-background-color: %8; selection-color: %5; outline: none; }")
            .arg(Css(skin::ControlBackground()), Css(text), Css(skin::Border()), QString::number(px),
                 Css(skin::Accent()), Css(skin::DisabledText()), Css(skin::PanelBackground()),
                 Css(skin::ControlChecked())) +
        arrow + ExtraStyle());
}

int MComboBox::AddItem(const std::string& text, std::intptr_t data) {
    return InsertItem(combo_->count(), text, data);
}

int MComboBox::InsertItem(int index, const std::string& text, std::intptr_t data) {
    const int at = std::clamp(index, 0, combo_->count());
    const int before = combo_->currentIndex();
    combo_->blockSignals(true);
    combo_->insertItem(at, QString::fromStdString(text), QVariant::fromValue<qlonglong>(data));
    // A list that was empty must not pick its first item by itself.
    if (before < 0) {
        combo_->setCurrentIndex(-1);
    }
    combo_->blockSignals(false);
    lastIndex_ = combo_->currentIndex();
    return at;
}

void MComboBox::DelAllItems() {
    combo_->blockSignals(true);
    combo_->clear();
    combo_->blockSignals(false);
    lastIndex_ = -1;
}

bool MComboBox::DeleteItem(int index) {
    if (index < 0 || index >= combo_->count()) {
        return false;
    }
    const int current = combo_->currentIndex();
    combo_->blockSignals(true);
    combo_->removeItem(index);
    // Removing the selected item leaves no selection; the caller chooses anew.
    if (current == index) {
        combo_->setCurrentIndex(-1);
    }
    combo_->blockSignals(false);
    lastIndex_ = combo_->currentIndex();
    return true;
}

int MComboBox::GetCount() const {
    return combo_->count();
}
int MComboBox::GetCurSel() const {
    return combo_->currentIndex();
}

bool MComboBox::SetCurSel(int index) {
    const bool valid = index >= 0 && index < combo_->count();
    combo_->blockSignals(true);
    combo_->setCurrentIndex(valid ? index : -1);
    combo_->blockSignals(false);
    lastIndex_ = combo_->currentIndex();
    return valid || index == -1;
}

std::intptr_t MComboBox::GetCurData(std::intptr_t none) const {
    return GetItemData(GetCurSel(), none);
}

int MComboBox::FindData(std::intptr_t data) const {
    for (int i = 0; i < combo_->count(); ++i) {
        if (combo_->itemData(i).toLongLong() == static_cast<qlonglong>(data)) {
            return i;
        }
    }
    return -1;
}

int MComboBox::SelectData(std::intptr_t data) {
    const int index = FindData(data);
    if (index >= 0) {
        SetCurSel(index);
    }
    return index;
}

std::string MComboBox::GetItemText(int index) const {
    if (index < 0 || index >= combo_->count()) {
        return {};
    }
    return combo_->itemText(index).toStdString();
}

bool MComboBox::SetItemText(int index, const std::string& text) {
    if (index < 0 || index >= combo_->count()) {
        return false;
    }
    combo_->setItemText(index, QString::fromStdString(text));
    return true;
}

std::intptr_t MComboBox::GetItemData(int index, std::intptr_t none) const {
    if (index < 0 || index >= combo_->count()) {
        return none;
    }
    return static_cast<std::intptr_t>(combo_->itemData(index).toLongLong());
}

bool MComboBox::SetItemData(int index, std::intptr_t data) {
    if (index < 0 || index >= combo_->count()) {
        return false;
    }
    combo_->setItemData(index, QVariant::fromValue<qlonglong>(data));
    return true;
}

std::string MComboBox::GetTitle() const {
    return GetItemText(GetCurSel());
}

MComboBox2::MComboBox2(MDialog* dialog, int id) : MComboBox(dialog, id) {
    ApplyStyle();
}

QString MComboBox2::ExtraStyle() const {
    return QStringLiteral("QComboBox { border-radius: 2px; border-width: 0 0 1px 0; background: %1; }")
        .arg(skin::PanelBackground().name());
}

}  // namespace vantora
