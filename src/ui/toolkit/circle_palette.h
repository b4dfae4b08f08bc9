#pragma once

#include "ui/toolkit/mcontrol.h"

namespace vantora {

// A colour wheel: hue around the centre, saturation growing outwards, full
// brightness. A press and the end of a drag on the wheel pick a colour and
// report 27 (wparam = the colour, 0x00BBGGRR).
class CirclePalette : public MControl {
    Q_OBJECT
public:
    CirclePalette(MDialog* dialog, int id);
    const char* ClassName() const override { return "CirclePalette"; }

    std::uint32_t GetColor() const { return color_; }
    // Shows a colour and its place on the wheel; reports nothing.
    void SetColor(std::uint32_t colorRef);
    // The colour at a point of the control, false outside the wheel.
    bool ColorAt(const QPointF& point, std::uint32_t& colorRef) const;
    // A point of the wheel that shows `colorRef`'s hue and saturation.
    QPointF PointOf(std::uint32_t colorRef) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPointF Centre() const;
    qreal Radius() const;
    bool Pick(const QPointF& point);

    std::uint32_t color_ = 0xFFFFFF;
    QPointF marker_;
    bool dragging_ = false;
    QImage wheel_;
};

}  // namespace vantora
