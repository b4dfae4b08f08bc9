#pragma once

#include <QImage>
#include <QWidget>
#include <span>
#include <string>
#include <vector>

#include "layouts/keyboard_layout.h"
#include "sim/window/key_lighting.h"

namespace vantora::sim {

// The simulated keyboard's picture: every key of the layout as a lit cap
// with its label. Clicking a key with an index reports it. Only draws what
// it is given; it never reads the keyboard.
class KeyboardView : public QWidget {
    Q_OBJECT
public:
    explicit KeyboardView(const KeyboardLayout& layout, QWidget* parent = nullptr);

    // One place per layout key, in the layout's order.
    std::span<const KeyPlace> Places() const { return places_; }
    void SetLabels(std::vector<std::string> labels);
    void SetLights(std::vector<Rgb> lights);
    const std::vector<std::string>& Labels() const { return labels_; }

    // The layout key at `point`, -1 for none.
    int KeyAt(QPoint point) const;
    // A layout key's cap in widget coordinates.
    QRect KeyRect(std::size_t key) const;
    // A point of the cap that shows its light (below the label).
    QPoint LightPoint(std::size_t key) const;
    // Where a key's label is written, and the font that fits the whole
    // label there (smaller for a long one, wrapped between words).
    QRectF LabelArea(std::size_t key) const;
    QFont LabelFont(std::size_t key) const;
    static constexpr int kLabelFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

    QSize sizeHint() const override;

signals:
    void KeyClicked(int keyIndex);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRectF Cap(std::size_t key) const;
    void DrawOverlay();

    std::vector<QRectF> rects_;  // relative to the keys' bounding box
    QSizeF extent_;
    std::vector<KeyPlace> places_;
    std::vector<std::string> labels_;
    std::vector<Rgb> lights_;
    // Everything but the lights, remade when labels or size change.
    QImage overlay_;
    bool overlayDirty_ = true;
    double scale_ = 1;
    QPointF origin_;
};

}  // namespace vantora::sim
