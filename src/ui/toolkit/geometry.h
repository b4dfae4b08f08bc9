#pragma once

#include <QColor>
#include <QRect>
#include <cstdint>

namespace vantora {

// A rectangle in the Windows manner: left, top, right and bottom edges, the
// right and bottom edges outside the area. Control rectangles are always in
// the client coordinates of the dialog that owns the control.
struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr CRect() = default;
    constexpr CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool IsEmpty() const { return Width() <= 0 || Height() <= 0; }
    constexpr bool operator==(const CRect&) const = default;

    // The Qt rectangle of the same area; an inverted rectangle gives an empty one.
    QRect ToQRect() const { return QRect(left, top, Width() > 0 ? Width() : 0, Height() > 0 ? Height() : 0); }
    static CRect FromQRect(const QRect& r) {
        return CRect(r.x(), r.y(), r.x() + r.width(), r.y() + r.height());
    }
};

// Colours come in two packings: text colours as 0xAARRGGBB (ARGB) and
// lighting colours as 0x00BBGGRR (the Windows colour reference, red in the
// low byte), the packing the lighting data is stored in.
inline QColor ColorFromArgb(std::uint32_t argb) {
    return QColor((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, (argb >> 24) & 0xFF);
}
inline QColor ColorFromRef(std::uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}
inline std::uint32_t RefFromColor(const QColor& c) {
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
           (static_cast<std::uint32_t>(c.blue()) << 16);
}

}  // namespace vantora
