#include "ui/toolkit/slider.h"

#include "ui/toolkit/skin.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

namespace vantora {

namespace {
constexpr qreal kHandle = 14.0;
}

MSlider::MSlider(MDialog* dialog, int id) : MControl(dialog, id) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void MSlider::SetRange(int minimum, int maximum) {
    min_ = std::min(minimum, maximum);
    max_ = std::max(minimum, maximum);
    value_ = std::clamp(value_, min_, max_);
    update();
}

void MSlider::SetProgress(int value) {
    value_ = std::clamp(value, min_, max_);
    update();
}

QRectF MSlider::Track() const {
    return QRectF(kHandle / 2, height() / 2.0 - 2, std::max(0.0, width() - kHandle), 4);
}

int MSlider::ValueAt(int x) const {
    const QRectF track = Track();
    if (track.width() <= 0 || max_ == min_) {
        return min_;
    }
    const double t = std::clamp((x - track.left()) / track.width(), 0.0, 1.0);
    return min_ + static_cast<int>(std::lround(t * (max_ - min_)));
}

void MSlider::UserSet(int value, bool report) {
    const int v = std::clamp(value, min_, max_);
    const bool changed = v != value_;
    value_ = v;
    update();
    if (report && changed) {
        Notify(kNotifyClick, static_cast<std::uintptr_t>(value_));
    }
}

void MSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        return;
    }
    dragging_ = true;
    pressed_ = true;
    valueAtPress_ = value_;
    UserSet(ValueAt(event->position().toPoint().x()), false);
}

void MSlider::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        UserSet(ValueAt(event->position().toPoint().x()), false);
    }
}

void MSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) {
        return;
    }
    dragging_ = false;
    pressed_ = false;
    UserSet(ValueAt(event->position().toPoint().x()), false);
    update();
    if (value_ != valueAtPress_) {
        Notify(kNotifyClick, static_cast<std::uintptr_t>(value_));
    }
}

void MSlider::keyPressEvent(QKeyEvent* event) {
    const int page = std::max(1, (max_ - min_) / 10);
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Down:
            UserSet(value_ - 1, true);
            break;
        case Qt::Key_Right:
        case Qt::Key_Up:
            UserSet(value_ + 1, true);
            break;
        case Qt::Key_PageDown:
            UserSet(value_ - page, true);
            break;
        case Qt::Key_PageUp:
            UserSet(value_ + page, true);
            break;
        case Qt::Key_Home:
            UserSet(min_, true);
            break;
        case Qt::Key_End:
            UserSet(max_, true);
            break;
        default:
            MControl::keyPressEvent(event);
            return;
    }
}

void MSlider::wheelEvent(QWheelEvent* event) {
    if (!isEnabled()) {
        return;
    }
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0) {
        UserSet(value_ + steps, true);
    }
    event->accept();
}

void MSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = Track();
    const double t = max_ == min_ ? 0.0 : double(value_ - min_) / (max_ - min_);
    const qreal x = track.left() + t * track.width();
    p.setPen(Qt::NoPen);
    p.setBrush(skin::ControlBackground().lighter(130));
    p.drawRoundedRect(track, 2, 2);
    p.setBrush(isEnabled() ? skin::Accent() : skin::DisabledText());
    p.drawRoundedRect(QRectF(track.left(), track.top(), x - track.left(), track.height()), 2, 2);
    const QPointF centre(x, height() / 2.0);
    p.setBrush(isEnabled() ? (pressed_ || hovered_ ? skin::Accent().lighter(120) : skin::Text())
                           : skin::DisabledText());
    p.setPen(QPen(skin::WindowBackground(), 2));
    p.drawEllipse(centre, kHandle / 2, kHandle / 2);
}

}  // namespace vantora
