#include "ui/toolkit/circle_palette.h"

#include "ui/toolkit/skin.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <numbers>

namespace vantora {

CirclePalette::CirclePalette(MDialog* dialog, int id) : MControl(dialog, id) {
    setCursor(Qt::CrossCursor);
}

QPointF CirclePalette::Centre() const {
    return QPointF(width() / 2.0, height() / 2.0);
}
qreal CirclePalette::Radius() const {
    return std::max(0.0, std::min(width(), height()) / 2.0 - 2.0);
}

bool CirclePalette::ColorAt(const QPointF& point, std::uint32_t& colorRef) const {
    const qreal r = Radius();
    if (r <= 0) {
        return false;
    }
    const QPointF d = point - Centre();
    const qreal dist = std::hypot(d.x(), d.y());
    if (dist > r) {
        return false;
    }
    double angle = std::atan2(-d.y(), d.x()) * 180.0 / std::numbers::pi;
    if (angle < 0) {
        angle += 360.0;
    }
    const QColor c = QColor::fromHsvF(static_cast<float>(angle / 360.0), static_cast<float>(dist / r), 1.0f);
    colorRef = RefFromColor(c);
    return true;
}

QPointF CirclePalette::PointOf(std::uint32_t colorRef) const {
    const QColor c = ColorFromRef(colorRef);
    const double hue = c.hsvHueF() < 0 ? 0.0 : c.hsvHueF();
    const double angle = hue * 2 * std::numbers::pi;
    const double dist = c.hsvSaturationF() * Radius();
    return Centre() + QPointF(std::cos(angle) * dist, -std::sin(angle) * dist);
}

void CirclePalette::SetColor(std::uint32_t colorRef) {
    color_ = colorRef & 0xFFFFFF;
    marker_ = PointOf(color_);
    update();
}

bool CirclePalette::Pick(const QPointF& point) {
    std::uint32_t c = 0;
    if (!ColorAt(point, c)) {
        return false;
    }
    color_ = c;
    marker_ = point;
    update();
    return true;
}

void CirclePalette::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        return;
    }
    if (Pick(event->position())) {
        dragging_ = true;
        Notify(kNotifyColorPicked, color_);
    }
}

void CirclePalette::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        return;
    }
    // Outside the wheel the drag follows its rim.
    QPointF d = event->position() - Centre();
    const qreal dist = std::hypot(d.x(), d.y());
    if (dist > Radius() && dist > 0) {
        d *= (Radius() - 0.01) / dist;
    }
    Pick(Centre() + d);
}

void CirclePalette::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ && event->button() == Qt::LeftButton) {
        dragging_ = false;
        Notify(kNotifyColorPicked, color_);
    }
}

void CirclePalette::resizeEvent(QResizeEvent*) {
    wheel_ = QImage();
    marker_ = PointOf(color_);
}

void CirclePalette::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (DrawSkinImage(p, rect(), StateImage(State::Normal), kImageStretch)) {
        // The image is the wheel; the marker still shows the choice.
    } else {
        if (wheel_.size() != size()) {
            wheel_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
            wheel_.fill(Qt::transparent);
            for (int y = 0; y < height(); ++y) {
                for (int x = 0; x < width(); ++x) {
                    std::uint32_t c = 0;
                    if (ColorAt(QPointF(x + 0.5, y + 0.5), c)) {
                        wheel_.setPixelColor(x, y, ColorFromRef(c));
                    }
                }
            }
        }
        p.drawImage(0, 0, wheel_);
        p.setPen(QPen(skin::Border(), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(Centre(), Radius(), Radius());
        if (!isEnabled()) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 0, 0, 150));
            p.drawEllipse(Centre(), Radius() + 1, Radius() + 1);
        }
    }
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(marker_, 5, 5);
    p.setPen(QPen(Qt::white, 1.2));
    p.drawEllipse(marker_, 5, 5);
}

}  // namespace vantora
