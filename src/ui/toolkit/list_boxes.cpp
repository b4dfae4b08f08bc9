#include "ui/toolkit/list_boxes.h"

#include "ui/toolkit/skin.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

namespace vantora {

RowList::RowList(MDialog* dialog, int id) : MControl(dialog, id) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

bool RowList::SetCurSel(int index, bool notify) {
    const bool valid = index >= 0 && index < GetCount();
    const int next = valid ? index : -1;
    const bool changed = next != selected_;
    selected_ = next;
    if (valid) {
        EnsureVisible(next);
    }
    update();
    if (notify && changed) {
        Notify(kNotifySelChanged, static_cast<std::uintptr_t>(next));
    }
    return valid || index == -1;
}

void RowList::SetRowHeight(int pixels) {
    rowHeight_ = std::max(12, pixels);
    ClampScroll();
    update();
}

int RowList::RowAt(const QPoint& point) const {
    if (!rect().contains(point)) {
        return -1;
    }
    const int row = (point.y() + scroll_) / rowHeight_;
    return row < GetCount() ? row : -1;
}

QRect RowList::ItemButtonRect(int index) const {
    const int top = index * rowHeight_ - scroll_;
    const int side = std::min(rowHeight_ - 8, 26);
    return QRect(width() - side - 8, top + (rowHeight_ - side) / 2, side, side);
}

int RowList::MaxScroll() const {
    return std::max(0, GetCount() * rowHeight_ - height());
}
void RowList::ClampScroll() {
    scroll_ = std::clamp(scroll_, 0, MaxScroll());
}

void RowList::EnsureVisible(int index) {
    if (index < 0) {
        return;
    }
    const int top = index * rowHeight_;
    if (top < scroll_) {
        scroll_ = top;
    } else if (top + rowHeight_ > scroll_ + height()) {
        scroll_ = top + rowHeight_ - height();
    }
    ClampScroll();
}

void RowList::RowInserted(int index) {
    if (selected_ >= index && selected_ >= 0) {
        ++selected_;
    }
    update();
}

void RowList::RowRemoved(int index) {
    if (selected_ == index) {
        selected_ = -1;
    } else if (selected_ > index) {
        --selected_;
    }
    if (hoverRow_ >= GetCount()) {
        hoverRow_ = -1;
    }
    ClampScroll();
    update();
}

void RowList::RowsCleared() {
    selected_ = -1;
    hoverRow_ = -1;
    scroll_ = 0;
    update();
}

void RowList::DrawItemButton(QPainter& p, int index) {
    const QRect box = ItemButtonRect(index);
    State state = State::Normal;
    if (!isEnabled()) {
        state = State::Disabled;
    } else if (index == hoverRow_) {
        state = State::Hover;
    }
    std::string name = itemImage_;
    if (state == State::Hover) {
        name = skin::StateImageName(itemImage_, 'h');
    } else if (state == State::Disabled) {
        name = skin::StateImageName(itemImage_, 'd');
    }
    QPixmap image = skin::LoadImage(name);
    if (image.isNull()) {
        image = skin::LoadImage(itemImage_);
    }
    if (!DrawSkinImage(p, box, image, kImageCenter)) {
        skin::DrawGlyph(
            p, box, skin::Glyph::More,
            state == State::Hover ? skin::Accent() : (isEnabled() ? skin::DimText() : skin::DisabledText()));
    }
}

void RowList::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), skin::PanelBackground());
    const int first = scroll_ / rowHeight_;
    for (int i = first; i < GetCount(); ++i) {
        const QRect box(0, i * rowHeight_ - scroll_, width(), rowHeight_);
        if (box.top() >= height()) {
            break;
        }
        const bool selected = i == selected_;
        if (selected) {
            p.fillRect(box, skin::ControlChecked());
            p.fillRect(QRect(box.left(), box.top(), 3, box.height()), skin::Accent());
        } else if (i == hoverRow_ && isEnabled()) {
            p.fillRect(box, skin::ControlHover());
        }
        PaintRow(p, box, i, selected);
        p.setPen(skin::Border());
        p.drawLine(box.bottomLeft() + QPoint(8, 0), box.bottomRight() - QPoint(8, 0));
    }
    if (MaxScroll() > 0) {
        const double visible = double(height()) / (GetCount() * rowHeight_);
        const int barHeight = std::max(16, static_cast<int>(height() * visible));
        const int barTop = static_cast<int>((height() - barHeight) * (double(scroll_) / MaxScroll()));
        p.setPen(Qt::NoPen);
        p.setBrush(skin::Border().lighter(140));
        p.drawRoundedRect(QRect(width() - 4, barTop, 3, barHeight), 1.5, 1.5);
    }
}

void RowList::mousePressEvent(QMouseEvent* event) {
    if (!isEnabled()) {
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const QPoint at = event->position().toPoint();
    const int row = RowAt(at);
    if (row < 0) {
        return;
    }
    SetCurSel(row, true);
    if (event->button() == Qt::RightButton ||
        (event->button() == Qt::LeftButton && ItemButtonRect(row).contains(at))) {
        OnItemButton(row);
    }
}

void RowList::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!isEnabled() || event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint at = event->position().toPoint();
    const int row = RowAt(at);
    if (row >= 0 && !ItemButtonRect(row).contains(at)) {
        SetCurSel(row, true);
        OnItemActivated(row);
    }
}

void RowList::mouseMoveEvent(QMouseEvent* event) {
    const int row = RowAt(event->position().toPoint());
    if (row != hoverRow_) {
        hoverRow_ = row;
        update();
    }
}

void RowList::leaveEvent(QEvent* event) {
    hoverRow_ = -1;
    MControl::leaveEvent(event);
}

void RowList::wheelEvent(QWheelEvent* event) {
    scroll_ -= event->angleDelta().y() * rowHeight_ / 120;
    ClampScroll();
    update();
    event->accept();
}

void RowList::keyPressEvent(QKeyEvent* event) {
    if (GetCount() == 0) {
        return;
    }
    if (event->key() == Qt::Key_Down) {
        SetCurSel(std::min(GetCount() - 1, GetCurSel() + 1), true);
    } else if (event->key() == Qt::Key_Up) {
        SetCurSel(std::max(0, GetCurSel() - 1), true);
    } else if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && GetCurSel() >= 0) {
        OnItemActivated(GetCurSel());
    } else {
        MControl::keyPressEvent(event);
    }
}

// ---- MacroListBox ----

MacroListBox::MacroListBox(MDialog* dialog, int id) : RowList(dialog, id) {}

int MacroListBox::AddItem(const std::string& name, int linkCount, std::intptr_t data) {
    return InsertItem(GetCount(), name, linkCount, data);
}

int MacroListBox::InsertItem(int index, const std::string& name, int linkCount, std::intptr_t data) {
    const int at = std::clamp(index, 0, GetCount());
    items_.insert(items_.begin() + at, Item{QString::fromStdString(name), linkCount, data});
    RowInserted(at);
    return at;
}

bool MacroListBox::DeleteItem(int index) {
    if (index < 0 || index >= GetCount()) {
        return false;
    }
    items_.erase(items_.begin() + index);
    RowRemoved(index);
    return true;
}

void MacroListBox::DelAllItems() {
    items_.clear();
    RowsCleared();
}

std::string MacroListBox::GetItemText(int index) const {
    return index >= 0 && index < GetCount() ? items_[index].name.toStdString() : std::string();
}

bool MacroListBox::SetItemText(int index, const std::string& name) {
    if (index < 0 || index >= GetCount()) {
        return false;
    }
    items_[index].name = QString::fromStdString(name);
    update();
    return true;
}

std::intptr_t MacroListBox::GetItemData(int index, std::intptr_t none) const {
    return index >= 0 && index < GetCount() ? items_[index].data : none;
}

int MacroListBox::FindData(std::intptr_t data) const {
    for (int i = 0; i < GetCount(); ++i) {
        if (items_[i].data == data) {
            return i;
        }
    }
    return -1;
}

int MacroListBox::GetLinkCount(int index) const {
    return index >= 0 && index < GetCount() ? items_[index].linkCount : 0;
}

bool MacroListBox::SetLinkCount(std::intptr_t data, int count) {
    bool found = false;
    for (auto& item : items_) {
        if (item.data == data) {
            item.linkCount = count;
            found = true;
        }
    }
    update();
    return found;
}

void MacroListBox::ResetLinkCount() {
    for (auto& item : items_) {
        item.linkCount = 0;
    }
    update();
}

void MacroListBox::OnItemButton(int index) {
    Notify(kNotifyItemMenu, static_cast<std::uintptr_t>(index));
}

void MacroListBox::PaintRow(QPainter& p, const QRect& box, int index, bool selected) {
    const Item& item = items_[index];
    QFont f = TitleFont();
    p.setFont(f);
    const QColor text = !isEnabled() ? skin::DisabledText() : selected ? skin::Accent() : TitleColor();
    const QRect button = ItemButtonRect(index);
    // The link count as a small badge left of the menu button.
    const QString count = QString::number(item.linkCount);
    const int badgeWidth = std::max(22, p.fontMetrics().horizontalAdvance(count) + 12);
    const QRect badge(button.left() - badgeWidth - 6, box.center().y() - 9, badgeWidth, 18);
    p.setPen(text);
    p.drawText(box.adjusted(14, 0, -(box.right() - badge.left()) - 8, 0), Qt::AlignVCenter | Qt::AlignLeft,
               p.fontMetrics().elidedText(item.name, Qt::ElideRight, std::max(0, badge.left() - 22)));
    p.setPen(Qt::NoPen);
    p.setBrush(item.linkCount > 0 ? skin::ControlChecked() : skin::ControlBackground());
    p.drawRoundedRect(badge, 9, 9);
    p.setPen(item.linkCount > 0 ? skin::Accent() : skin::DimText());
    QFont small = f;
    small.setPixelSize(11);
    p.setFont(small);
    p.drawText(badge, Qt::AlignCenter, count);
    DrawItemButton(p, index);
}

// ---- CRecordList ----

CRecordList::CRecordList(MDialog* dialog, int id) : RowList(dialog, id) {}

int CRecordList::AddString(const std::string& desc, int type, int value, int delay) {
    const int at = InsertString(GetCount(), desc, type, value, delay);
    EnsureVisible(at);
    return at;
}

int CRecordList::InsertString(int index, const std::string& desc, int type, int value, int delay) {
    const int at = std::clamp(index, 0, GetCount());
    items_.insert(items_.begin() + at, RecordItem{desc, type, value, delay});
    RowInserted(at);
    return at;
}

bool CRecordList::ModifyString(int index, const std::string& desc, int type, int value, int delay) {
    if (index < 0 || index >= GetCount()) {
        return false;
    }
    items_[index] = RecordItem{desc, type, value, delay};
    update();
    return true;
}

bool CRecordList::DeleteString(int index) {
    if (index < 0 || index >= GetCount()) {
        return false;
    }
    items_.erase(items_.begin() + index);
    RowRemoved(index);
    return true;
}

void CRecordList::DelAllItems() {
    items_.clear();
    RowsCleared();
}

void CRecordList::UpdateDelayTime(int delay) {
    if (!items_.empty()) {
        items_.back().delay = delay;
        update();
    }
}

bool CRecordList::GetRecordItem(int index, RecordItem& item) const {
    if (index < 0 || index >= GetCount()) {
        return false;
    }
    item = items_[index];
    return true;
}

void CRecordList::SetTypeIcons(const std::array<std::string, 4>& images) {
    icons_ = images;
    update();
}

void CRecordList::OnItemButton(int index) {
    Notify(kNotifyItemEvent, static_cast<std::uintptr_t>(index));
}

void CRecordList::PaintRow(QPainter& p, const QRect& box, int index, bool selected) {
    const RecordItem& item = items_[index];
    const QRect icon(box.left() + 10, box.center().y() - 15, 30, 30);
    const int slot = item.type - 2;
    const QPixmap image = slot >= 0 && slot < 4 ? skin::LoadImage(icons_[slot]) : QPixmap();
    if (!DrawSkinImage(p, icon, image, kImageStretch)) {
        // Down records: an arrow pointing down; up records: up. Mouse records
        // are drawn in a second colour.
        const bool mouse = item.type == 4 || item.type == 5;
        const bool down = item.type == 2 || item.type == 4;
        const QColor c = mouse ? QColor(0xF0, 0xA8, 0x3A) : skin::Accent();
        p.setPen(QPen(c, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(icon).adjusted(4.5, 4.5, -4.5, -4.5), 4, 4);
        QPainterPath arrow;
        const QPointF m = QRectF(icon).center();
        const qreal d = down ? 1 : -1;
        arrow.moveTo(m.x(), m.y() - 6 * d);
        arrow.lineTo(m.x(), m.y() + 6 * d);
        arrow.moveTo(m.x() - 4, m.y() + 2 * d);
        arrow.lineTo(m.x(), m.y() + 6 * d);
        arrow.lineTo(m.x() + 4, m.y() + 2 * d);
        p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(arrow);
    }
    const QRect button = ItemButtonRect(index);
    QFont f = TitleFont();
    p.setFont(f);
    const QString delay = QStringLiteral("%1 ms").arg(item.delay);
    const int delayWidth = p.fontMetrics().horizontalAdvance(delay) + 8;
    const QRect delayBox(button.left() - delayWidth - 8, box.top(), delayWidth, box.height());
    p.setPen(!isEnabled() ? skin::DisabledText() : selected ? skin::Accent() : TitleColor());
    p.drawText(QRect(icon.right() + 10, box.top(), delayBox.left() - icon.right() - 14, box.height()),
               Qt::AlignVCenter | Qt::AlignLeft, QString::fromStdString(item.desc));
    p.setPen(isEnabled() ? skin::DimText() : skin::DisabledText());
    p.drawText(delayBox, Qt::AlignVCenter | Qt::AlignRight, delay);
    DrawItemButton(p, index);
}

}  // namespace vantora
