#include "ui/toolkit/buttons.h"

#include "ui/toolkit/mdialog.h"
#include "ui/toolkit/skin.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace vantora {

MButton::MButton(MDialog* dialog, int id) : MControl(dialog, id) {
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
}

void MButton::Click() {
    if (!isEnabled()) {
        return;
    }
    OnClicked();
    update();
    Notify(kNotifyClick);
}

void MButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        update();
    }
}

void MButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) {
        return;
    }
    pressed_ = false;
    update();
    if (rect().contains(event->position().toPoint())) {
        Click();
    }
}

void MButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Click();
        return;
    }
    MControl::keyPressEvent(event);
}

void MButton::PaintButtonFace(QPainter& p, bool checked) {
    p.setRenderHint(QPainter::Antialiasing);
    const State state = VisualState();
    QColor fill = skin::ControlBackground();
    QColor border = skin::Border();
    if (state == State::Disabled) {
        fill = skin::PanelBackground();
    } else if (state == State::Pressed) {
        fill = skin::ControlPressed();
        border = skin::Accent();
    } else if (checked) {
        fill = skin::ControlChecked();
        border = skin::Accent();
    } else if (state == State::Hover) {
        fill = skin::ControlHover();
        border = skin::Accent().darker(160);
    }
    p.setPen(QPen(border, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
}

void MButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!DrawSkinImage(p, rect(), StateImage(VisualState()), kImageStretch)) {
        PaintButtonFace(p, false);
    }
    QColor color = HasOwnTextColor() ? TitleColor() : skin::Text();
    if (!isEnabled()) {
        color = skin::DisabledText();
    } else if (!HasOwnTextColor() && (hovered_ || pressed_)) {
        color = skin::Accent();
    }
    DrawTitle(p, rect().adjusted(4, 0, -4, 0), color);
}

void CImageButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (DrawSkinImage(p, rect(), StateImage(VisualState()), kImageStretch)) {
        return;
    }
    p.setRenderHint(QPainter::Antialiasing);
    const State state = VisualState();
    if (state == State::Hover || state == State::Pressed) {
        p.setPen(Qt::NoPen);
        p.setBrush(state == State::Pressed ? skin::ControlPressed() : skin::ControlHover());
        p.drawRoundedRect(rect(), 4, 4);
    }
    QColor color = state == State::Disabled ? skin::DisabledText()
                   : state == State::Normal ? skin::Text()
                                            : skin::Accent();
    const skin::Glyph glyph = skin::GlyphForImage(GetImageName());
    if (glyph == skin::Glyph::None) {
        DrawTitle(p, rect(), color);
    } else {
        skin::DrawGlyph(p, rect(), glyph, color);
    }
}

void CTextButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QColor color = TitleColor();
    if (isEnabled() && hovered_) {
        color = color.lighter(125);
    }
    QFont f = TitleFont();
    f.setUnderline(hovered_);
    p.setFont(f);
    p.setPen(color);
    p.drawText(rect(), static_cast<int>(QtAlignment()), title_);
}

void CheckableButton::SetCheck(bool on) {
    if (checked_ != on) {
        checked_ = on;
        update();
    }
}

void CSelectButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const State state = checked_ && isEnabled() ? State::Pressed : VisualState();
    if (DrawSkinImage(p, rect(), StateImage(state), kImageStretch)) {
        DrawTitle(p, rect(), checked_ ? skin::Accent() : TitleColor());
        return;
    }
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = Qt::transparent;
    if (checked_) {
        fill = skin::ControlChecked();
    } else if (hovered_ && isEnabled()) {
        fill = skin::ControlHover();
    }
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
    if (checked_) {
        p.setBrush(skin::Accent());
        p.drawRoundedRect(QRectF(2, height() * 0.25, 4, height() * 0.5), 2, 2);
    }
    const QColor color = !isEnabled() ? skin::DisabledText() : checked_ ? skin::Accent() : TitleColor();
    DrawTitle(p, rect().adjusted(10, 0, -4, 0), color);
}

void LayerButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const State state = checked_ && isEnabled() ? State::Pressed : VisualState();
    const bool haveImage = DrawSkinImage(p, rect(), StateImage(state), kImageStretch);
    if (!haveImage) {
        PaintButtonFace(p, checked_);
        // Two stacked sheets stand for the layer.
        p.setRenderHint(QPainter::Antialiasing);
        const qreal s = qMin(height() * 0.5, 18.0);
        const QPointF at(10, (height() - s) / 2);
        p.setPen(QPen(checked_ ? skin::Accent() : skin::DimText(), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(at.x() + 4, at.y(), s, s * 0.7), 2, 2);
        p.setBrush(skin::ControlBackground());
        p.drawRoundedRect(QRectF(at.x(), at.y() + s * 0.3, s, s * 0.7), 2, 2);
    }
    const QColor color = !isEnabled() ? skin::DisabledText() : checked_ ? skin::Accent() : TitleColor();
    DrawTitle(p, rect().adjusted(haveImage ? 4 : 34, 0, -4, 0), color);
}

void CCheckButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int box = qMin(height() - 4, 18);
    const QRect boxRect(2, (height() - box) / 2, box, box);
    if (!DrawSkinImage(p, boxRect, StateImage(VisualState()), kImageStretch)) {
        p.setPen(QPen(hovered_ && isEnabled() ? skin::Accent() : skin::Border(), 1.2));
        p.setBrush(checked_ ? skin::ControlChecked() : skin::ControlBackground());
        p.drawRoundedRect(QRectF(boxRect).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    }
    if (checked_) {
        const QPixmap tick = skin::LoadImage(checkImage_);
        if (!DrawSkinImage(p, boxRect, tick, kImageCenter)) {
            QPainterPath path;
            path.moveTo(boxRect.left() + box * 0.22, boxRect.top() + box * 0.52);
            path.lineTo(boxRect.left() + box * 0.43, boxRect.top() + box * 0.72);
            path.lineTo(boxRect.left() + box * 0.78, boxRect.top() + box * 0.28);
            p.setPen(QPen(isEnabled() ? skin::Accent() : skin::DisabledText(), 2.0, Qt::SolidLine,
                          Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPath(path);
        }
    }
    const int saved = align_;
    align_ = kAlignLeft;
    DrawTitle(p, rect().adjusted(box + 10, 0, 0, 0), TitleColor());
    align_ = saved;
}

void GroupButton::SetCheck(bool on) {
    CheckableButton::SetCheck(on);
    if (on && GetDialog() != nullptr) {
        GetDialog()->UncheckGroup(group_, this);
    }
}

void CRadioButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int box = qMin(height() - 4, 16);
    const QRectF circle(2.5, (height() - box) / 2.0 + 0.5, box - 1, box - 1);
    if (!DrawSkinImage(p, circle.toRect(), StateImage(VisualState()), kImageStretch)) {
        p.setPen(QPen(hovered_ && isEnabled() ? skin::Accent() : skin::Border(), 1.2));
        p.setBrush(skin::ControlBackground());
        p.drawEllipse(circle);
    }
    if (checked_) {
        p.setPen(Qt::NoPen);
        p.setBrush(isEnabled() ? skin::Accent() : skin::DisabledText());
        p.drawEllipse(circle.center(), box * 0.22, box * 0.22);
    }
    const int saved = align_;
    align_ = kAlignLeft;
    DrawTitle(p, rect().adjusted(box + 8, 0, 0, 0), TitleColor());
    align_ = saved;
}

void CColorButton::SetColor(std::uint32_t colorRef) {
    color_ = colorRef & 0xFFFFFF;
    update();
}

void CColorButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer = QRectF(rect()).adjusted(1, 1, -1, -1);
    const qreal inset = checked_ ? 3.5 : (hovered_ ? 2.0 : 1.5);
    QColor swatch = ColorFromRef(color_);
    if (!isEnabled()) {
        swatch = QColor::fromHsv(swatch.hsvHue(), swatch.hsvSaturation() / 3, swatch.value() / 2);
    }
    if (checked_ || (hovered_ && isEnabled())) {
        p.setPen(QPen(checked_ ? skin::Accent() : skin::DimText(), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(outer, 4, 4);
    }
    p.setPen(QPen(skin::Border(), 1));
    p.setBrush(swatch);
    p.drawRoundedRect(outer.adjusted(inset, inset, -inset, -inset), 3, 3);
}

}  // namespace vantora
