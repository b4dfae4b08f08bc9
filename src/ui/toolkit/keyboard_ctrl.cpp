#include "ui/toolkit/keyboard_ctrl.h"

#include "ui/toolkit/skin.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace vantora {

namespace {
constexpr int kBandThreshold = 4;
// Keys whose function cannot work as stored (a macro the keyboard does not hold).
const QColor kWarningColour(0xF0, 0x9A, 0x20);
}  // namespace

KeyboardCtrl::KeyboardCtrl(MDialog* dialog, int id) : MControl(dialog, id) {
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
}

void KeyboardCtrl::AddKeyItem(const std::string& name, const std::string& desc, int code, const CRect& rect) {
    Key key;
    key.name = QString::fromStdString(name);
    key.desc = QString::fromStdString(desc);
    key.code = code;
    key.rect = rect;
    keys_.push_back(std::move(key));
    update();
}

void KeyboardCtrl::ClearItem() {
    keys_.clear();
    lastClicked_ = 0;
    hoverKey_ = -1;
    update();
}

void KeyboardCtrl::SetKeyboardBkgColor(std::uint32_t colorRef, const CRect& rect) {
    bkgColor_ = colorRef & 0xFFFFFF;
    bkgRect_ = rect;
    update();
}

void KeyboardCtrl::SetKeyPosition(int x, int y) {
    keyPos_ = QPoint(x, y);
    update();
}

void KeyboardCtrl::SetKeyboardType(int type) {
    type_ = type;
    update();
}

void KeyboardCtrl::SetRGBMode(bool on) {
    rgb_ = on;
    update();
}

void KeyboardCtrl::SetLightModeColor(bool colourful, std::uint32_t colorRef) {
    colourful_ = colourful;
    lightColor_ = colorRef & 0xFFFFFF;
    update();
}

void KeyboardCtrl::SetPerKeyDisplay(bool on) {
    perKey_ = on;
    update();
}

bool KeyboardCtrl::SetKeyColor(int code, std::uint32_t colorRef) {
    bool found = false;
    bool changed = false;
    for (Key& k : keys_) {
        if (k.code == code) {
            changed = changed || k.color != (colorRef & 0xFFFFFF);
            k.color = colorRef & 0xFFFFFF;
            found = true;
        }
    }
    if (changed) {
        update();  // a stream of unchanged colours paints nothing
    }
    return found;
}

void KeyboardCtrl::SetAllKeyColors(std::uint32_t colorRef) {
    for (Key& k : keys_) {
        k.color = colorRef & 0xFFFFFF;
    }
    update();
}

bool KeyboardCtrl::GetKeyColor(int code, std::uint32_t& colorRef) const {
    for (const Key& k : keys_) {
        if (k.code == code) {
            colorRef = k.color;
            return true;
        }
    }
    return false;
}

void KeyboardCtrl::SetAllSelectColor(std::uint32_t colorRef) {
    for (Key& k : keys_) {
        if (k.selected) {
            k.color = colorRef & 0xFFFFFF;
        }
    }
    update();
}

QColor KeyboardCtrl::ShownColor(const Key& key) const {
    if (perKey_) {
        return ColorFromRef(key.color);
    }
    if (colourful_) {
        // A rainbow running across the board from left to right.
        const int span = std::max(1, bkgRect_.Width() > 0 ? bkgRect_.Width() : width());
        const double t = std::clamp((key.rect.left + key.rect.Width() / 2.0) / span, 0.0, 1.0);
        return QColor::fromHsvF(static_cast<float>(t * 0.85), 0.9f, 1.0f);
    }
    return ColorFromRef(lightColor_);
}

std::uint32_t KeyboardCtrl::DisplayedColor(int code) const {
    for (const Key& k : keys_) {
        if (k.code == code) {
            return RefFromColor(ShownColor(k));
        }
    }
    return 0;
}

void KeyboardCtrl::SetKeyCheck(int code, bool on) {
    for (Key& k : keys_) {
        if (k.code == code) {
            k.checked = on;
        }
    }
    update();
}

bool KeyboardCtrl::GetKeyCheck(int code) const {
    for (const Key& k : keys_) {
        if (k.code == code) {
            return k.checked;
        }
    }
    return false;
}

void KeyboardCtrl::SetTipKey(int code, const std::string& first, const std::string& second) {
    for (Key& k : keys_) {
        if (k.code == code) {
            k.tipFirst = QString::fromStdString(first);
            k.tipSecond = QString::fromStdString(second);
        }
    }
    update();
}

bool KeyboardCtrl::GetTipKey(int code, std::string& first, std::string& second) const {
    for (const Key& k : keys_) {
        if (k.code == code) {
            first = k.tipFirst.toStdString();
            second = k.tipSecond.toStdString();
            return true;
        }
    }
    return false;
}

void KeyboardCtrl::SetKeyWarning(int code, const std::string& text) {
    for (Key& k : keys_) {
        if (k.code == code) {
            k.warning = QString::fromStdString(text);
        }
    }
    update();
}

std::string KeyboardCtrl::GetKeyWarning(int code) const {
    for (const Key& k : keys_) {
        if (k.code == code) {
            return k.warning.toStdString();
        }
    }
    return {};
}

void KeyboardCtrl::ClearKeyWarnings() {
    for (Key& k : keys_) {
        k.warning.clear();
    }
    update();
}

void KeyboardCtrl::ResetTipKey() {
    for (Key& k : keys_) {
        k.tipFirst.clear();
        k.tipSecond.clear();
        k.warning.clear();
        k.checked = false;
    }
    update();
}

std::vector<KeyItemInfo> KeyboardCtrl::GetKeyItems() const {
    std::vector<KeyItemInfo> items;
    items.reserve(keys_.size());
    for (const Key& k : keys_) {
        items.push_back(KeyItemInfo{k.code, k.color, k.name.toStdString(), k.desc.toStdString(), k.rect});
    }
    return items;
}

void KeyboardCtrl::SetSelectedForCode(int code, bool on) {
    for (Key& k : keys_) {
        if (k.code == code) {
            k.selected = on;
        }
    }
}

void KeyboardCtrl::SetKeySelect(int code, bool on) {
    SetSelectedForCode(code, on);
    update();
}

void KeyboardCtrl::SelectAll(bool on) {
    for (Key& k : keys_) {
        k.selected = on;
    }
    update();
}

bool KeyboardCtrl::IsKeySelected(int code) const {
    for (const Key& k : keys_) {
        if (k.code == code) {
            return k.selected;
        }
    }
    return false;
}

std::vector<int> KeyboardCtrl::GetSelectedKeys() const {
    std::vector<int> codes;
    for (const Key& k : keys_) {
        if (k.selected && std::find(codes.begin(), codes.end(), k.code) == codes.end()) {
            codes.push_back(k.code);
        }
    }
    return codes;
}

QRect KeyboardCtrl::ItemRect(const Key& key) const {
    return key.rect.ToQRect().translated(keyPos_);
}

QRect KeyboardCtrl::KeyRect(int code) const {
    for (const Key& k : keys_) {
        if (k.code == code) {
            return ItemRect(k);
        }
    }
    return {};
}

int KeyboardCtrl::KeyIndexAt(const QPoint& point) const {
    // Later keys are drawn on top, so they win.
    for (int i = static_cast<int>(keys_.size()) - 1; i >= 0; --i) {
        if (ItemRect(keys_[i]).contains(point)) {
            return i;
        }
    }
    return -1;
}

void KeyboardCtrl::ToggleCode(int code) {
    SetSelectedForCode(code, !IsKeySelected(code));
}

void KeyboardCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        return;
    }
    const QPoint at = event->position().toPoint();
    const int index = KeyIndexAt(at);
    // The key assignment picture edits one key at a time: no Ctrl click
    // and no rubber band there.
    const bool multi = type_ == 2;
    const bool ctrl = multi && (event->modifiers() & Qt::ControlModifier);
    if (index < 0) {
        if (multi) {
            banding_ = true;
            bandStart_ = bandEnd_ = at;
        }
        return;
    }
    const int code = keys_[index].code;
    lastClicked_ = code;
    if (ctrl) {
        ToggleCode(code);
    } else {
        for (Key& k : keys_) {
            k.selected = k.code == code;
        }
    }
    update();
    Notify(ctrl ? kNotifyKeySelectMore : kNotifyKeyClicked, static_cast<std::uintptr_t>(code));
}

void KeyboardCtrl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (banding_) {
        bandEnd_ = at;
        update();
        return;
    }
    const int hover = KeyIndexAt(at);
    if (hover != hoverKey_) {
        hoverKey_ = hover;
        update();
    }
}

void KeyboardCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (!banding_ || event->button() != Qt::LeftButton) {
        return;
    }
    banding_ = false;
    bandEnd_ = event->position().toPoint();
    const QRect band = QRect(bandStart_, bandEnd_).normalized();
    update();
    if (band.width() < kBandThreshold && band.height() < kBandThreshold) {
        if (type_ == 2) {
            SelectAll(false);
            Notify(kNotifyClick);
        }
        return;
    }
    const bool add = event->modifiers() & Qt::ControlModifier;
    for (Key& k : keys_) {
        const bool inside = band.intersects(ItemRect(k));
        k.selected = add ? (k.selected || inside) : inside;
    }
    update();
    Notify(kNotifyKeySelectMore, static_cast<std::uintptr_t>(GetSelectedKeys().size()));
}

bool KeyboardCtrl::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int index = KeyIndexAt(help->pos());
        if (index < 0) {
            QToolTip::hideText();
        } else {
            const Key& k = keys_[index];
            QString tip = k.desc.isEmpty() ? k.name : k.desc;
            if (!k.tipSecond.isEmpty()) {
                tip += QStringLiteral("\n") + k.tipSecond;
            }
            if (!k.warning.isEmpty()) {
                tip += QStringLiteral("\n") + k.warning;
            }
            QToolTip::showText(help->globalPos(), tip, this, ItemRect(k));
        }
        return true;
    }
    if (event->type() == QEvent::Leave) {
        hoverKey_ = -1;
        update();
    }
    return MControl::event(event);
}

void KeyboardCtrl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect board = bkgRect_.IsEmpty() ? rect() : bkgRect_.ToQRect();
    p.setPen(Qt::NoPen);
    p.setBrush(ColorFromRef(bkgColor_));
    p.drawRoundedRect(board, 10, 10);

    const bool lit = type_ == 2 && rgb_;
    QFont nameFont = font();
    QFont tipFont = font();
    for (int i = 0; i < static_cast<int>(keys_.size()); ++i) {
        const Key& k = keys_[i];
        const QRectF r = QRectF(ItemRect(k)).adjusted(1.5, 1.5, -1.5, -1.5);
        if (r.width() <= 0 || r.height() <= 0) {
            continue;
        }
        const qreal side = std::min(r.width(), r.height());
        nameFont.setPixelSize(std::clamp(static_cast<int>(side * 0.26), 7, 13));
        tipFont.setPixelSize(std::clamp(static_cast<int>(side * 0.24), 7, 12));
        QColor cap(0x24, 0x28, 0x2E);
        QColor text = skin::Text();
        QColor edge(0x16, 0x19, 0x1D);
        if (lit) {
            const QColor light = ShownColor(k);
            // A dark cap lit from below: its colour bleeds into the face and rim.
            cap = QColor((0x1C * 3 + light.red()) / 4, (0x1F * 3 + light.green()) / 4,
                         (0x24 * 3 + light.blue()) / 4);
            edge = light;
            text = light.lightness() < 60 ? skin::DimText() : light.lighter(130);
        }
        if (!isEnabled()) {
            cap = cap.darker(140);
            text = skin::DisabledText();
        } else if (i == hoverKey_) {
            cap = cap.lighter(125);
        }
        p.setPen(QPen(edge, lit ? 1.6 : 1.0));
        p.setBrush(cap);
        p.drawRoundedRect(r, 4, 4);
        if (k.selected) {
            p.setPen(QPen(skin::Accent(), 2.2));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(r.adjusted(-1, -1, 1, 1), 5, 5);
            if (lit) {
                p.setPen(QPen(Qt::white, 1, Qt::DotLine));
                p.drawRoundedRect(r.adjusted(2, 2, -2, -2), 3, 3);
            }
        }
        const bool marked = k.checked || !k.tipFirst.isEmpty() || !k.tipSecond.isEmpty();
        if (!k.tipFirst.isEmpty()) {
            // The assigned key's label in the accent colour, its own name small above.
            p.setFont(tipFont);
            p.setPen(skin::DimText());
            p.drawText(r.adjusted(3, 1, -3, 0), Qt::AlignTop | Qt::AlignLeft, k.name);
            p.setPen(isEnabled() ? skin::Accent() : skin::DisabledText());
            p.setFont(nameFont);
            p.drawText(
                r.adjusted(2, side * 0.25, -2, 0), Qt::AlignCenter | Qt::TextWordWrap,
                p.fontMetrics().elidedText(k.tipFirst, Qt::ElideRight, static_cast<int>(r.width() * 1.8)));
        } else {
            p.setFont(nameFont);
            p.setPen(text);
            p.drawText(r.adjusted(2, 0, -2, 0), Qt::AlignCenter | Qt::TextWordWrap, k.name);
            if (!k.tipSecond.isEmpty()) {
                p.setFont(tipFont);
                p.setPen(skin::Accent());
                p.drawText(
                    r.adjusted(2, 0, -2, -1), Qt::AlignBottom | Qt::AlignHCenter,
                    p.fontMetrics().elidedText(k.tipSecond, Qt::ElideRight, static_cast<int>(r.width() - 4)));
            }
        }
        if (marked && type_ == 1) {
            p.setPen(Qt::NoPen);
            p.setBrush(k.warning.isEmpty() ? skin::Accent() : kWarningColour);
            p.drawEllipse(QPointF(r.right() - 5, r.top() + 5), 2.6, 2.6);
        }
        if (!k.warning.isEmpty()) {
            p.setPen(QPen(kWarningColour, 1.6, Qt::DashLine));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 3, 3);
        }
    }
    if (banding_) {
        const QRect band = QRect(bandStart_, bandEnd_).normalized();
        p.setPen(QPen(skin::Accent(), 1, Qt::DashLine));
        QColor fill = skin::Accent();
        fill.setAlpha(40);
        p.setBrush(fill);
        p.drawRect(band);
    }
}

}  // namespace vantora
