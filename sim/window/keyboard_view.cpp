#include "sim/window/keyboard_view.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "device/key_index.h"

namespace vantora::sim {

namespace {

constexpr double kMargin = 12;
constexpr double kLabelShare = 0.62;  // labels use the top of a cap
constexpr int kSmallestLabelPixels = 5;
const QColor kBackground(28, 30, 34);
const QColor kCapEdge(78, 80, 86);

}  // namespace

KeyboardView::KeyboardView(const KeyboardLayout& layout, QWidget* parent) : QWidget(parent) {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    for (std::size_t i = 0; i < layout.keys.size(); ++i) {
        const LayoutRect& r = layout.keys[i].rect;
        left = i == 0 ? r.left : std::min<double>(left, r.left);
        top = i == 0 ? r.top : std::min<double>(top, r.top);
        right = i == 0 ? r.right : std::max<double>(right, r.right);
        bottom = i == 0 ? r.bottom : std::max<double>(bottom, r.bottom);
    }
    extent_ = QSizeF(std::max(1.0, right - left), std::max(1.0, bottom - top));
    for (const LayoutKey& key : layout.keys) {
        const LayoutRect& r = key.rect;
        rects_.emplace_back(r.left - left, r.top - top, r.Width(), r.Height());
        KeyPlace place;
        place.index = LookupKeyIndex(layout.codeToIndex, key.code);
        place.x = (r.left + r.Width() / 2.0 - left) / extent_.width();
        place.y = (r.top + r.Height() / 2.0 - top) / extent_.height();
        places_.push_back(place);
    }
    labels_.resize(rects_.size());
    lights_.resize(rects_.size());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 110);
}

QSize KeyboardView::sizeHint() const {
    return QSize(static_cast<int>(extent_.width() + 2 * kMargin),
                 static_cast<int>(extent_.height() + 2 * kMargin));
}

void KeyboardView::SetLabels(std::vector<std::string> labels) {
    labels.resize(rects_.size());
    if (labels != labels_) {
        labels_ = std::move(labels);
        overlayDirty_ = true;
        update();
    }
}

void KeyboardView::SetLights(std::vector<Rgb> lights) {
    lights.resize(rects_.size());
    if (lights != lights_) {
        lights_ = std::move(lights);
        update();
    }
}

QRectF KeyboardView::Cap(std::size_t key) const {
    const QRectF& r = rects_[key];
    return QRectF(origin_.x() + r.x() * scale_, origin_.y() + r.y() * scale_, r.width() * scale_,
                  r.height() * scale_)
        .adjusted(1, 1, -1, -1);
}

QRect KeyboardView::KeyRect(std::size_t key) const {
    return key < rects_.size() ? Cap(key).toRect() : QRect();
}

QPoint KeyboardView::LightPoint(std::size_t key) const {
    if (key >= rects_.size()) {
        return {};
    }
    const QRectF cap = Cap(key);
    return QPointF(cap.center().x(), cap.top() + cap.height() * 0.85).toPoint();
}

QRectF KeyboardView::LabelArea(std::size_t key) const {
    if (key >= rects_.size()) {
        return {};
    }
    const QRectF cap = Cap(key);
    return QRectF(cap.left() + 3, cap.top() + 2, cap.width() - 6, cap.height() * kLabelShare - 2);
}

QFont KeyboardView::LabelFont(std::size_t key) const {
    QFont label = font();
    int pixels = std::max(7, static_cast<int>(9.5 * scale_));
    label.setPixelSize(pixels);
    if (key >= labels_.size() || labels_[key].empty()) {
        return label;
    }
    const QRectF area = LabelArea(key);
    const QString text = QString::fromStdString(labels_[key]);
    // The largest size at which the words wrap inside the area.
    for (; pixels > kSmallestLabelPixels; --pixels) {
        label.setPixelSize(pixels);
        const QRectF needed = QFontMetricsF(label).boundingRect(area, kLabelFlags, text);
        if (needed.width() <= area.width() && needed.height() <= area.height()) {
            break;
        }
    }
    return label;
}

int KeyboardView::KeyAt(QPoint point) const {
    for (std::size_t i = 0; i < rects_.size(); ++i) {
        if (Cap(i).contains(point)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void KeyboardView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    scale_ = std::max(0.1, std::min((width() - 2 * kMargin) / extent_.width(),
                                    (height() - 2 * kMargin) / extent_.height()));
    origin_ = QPointF((width() - extent_.width() * scale_) / 2, (height() - extent_.height() * scale_) / 2);
    overlayDirty_ = true;
}

void KeyboardView::DrawOverlay() {
    const qreal ratio = devicePixelRatioF();
    overlay_ = QImage(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    overlay_.setDevicePixelRatio(ratio);
    overlay_.fill(kBackground);
    QPainter painter(&overlay_);
    painter.setRenderHint(QPainter::Antialiasing);
    const double radius = 4 * scale_;
    // Holes where the caps' light shows through, then their edges.
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (std::size_t i = 0; i < rects_.size(); ++i) {
        painter.drawRoundedRect(Cap(i), radius, radius);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(QPen(kCapEdge, 1));
    painter.setBrush(Qt::NoBrush);
    for (std::size_t i = 0; i < rects_.size(); ++i) {
        painter.drawRoundedRect(Cap(i), radius, radius);
    }
    for (std::size_t i = 0; i < rects_.size(); ++i) {
        if (labels_[i].empty()) {
            continue;
        }
        const QRectF area = LabelArea(i);
        const QString text = QString::fromStdString(labels_[i]);
        const int flags = kLabelFlags;
        painter.setFont(LabelFont(i));
        painter.save();
        painter.setClipRect(area);
        // A dark outline keeps the text readable on any light.
        painter.setPen(QColor(0, 0, 0, 200));
        for (const QPointF offset : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1)}) {
            painter.drawText(area.translated(offset), flags, text);
        }
        painter.setPen(Qt::white);
        painter.drawText(area, flags, text);
        painter.restore();
    }
    overlayDirty_ = false;
}

// Each frame fills the caps' rectangles with their light and lays the
// overlay (background, rounded edges, labels) over them.
void KeyboardView::paintEvent(QPaintEvent*) {
    if (overlayDirty_) {
        DrawOverlay();
    }
    QPainter painter(this);
    for (std::size_t i = 0; i < rects_.size(); ++i) {
        const Rgb& light = lights_[i];
        painter.fillRect(Cap(i).toAlignedRect(), QColor(light.r, light.g, light.b));
    }
    painter.drawImage(0, 0, overlay_);
}

void KeyboardView::mousePressEvent(QMouseEvent* event) {
    const int key = event->button() == Qt::LeftButton ? KeyAt(event->position().toPoint()) : -1;
    if (key >= 0 && places_[static_cast<std::size_t>(key)].index >= 0) {
        emit KeyClicked(places_[static_cast<std::size_t>(key)].index);
    }
    QWidget::mousePressEvent(event);
}

}  // namespace vantora::sim
