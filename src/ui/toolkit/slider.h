#pragma once

#include "ui/toolkit/mcontrol.h"

namespace vantora {

// A horizontal slider over [min, max]. The user's change reports 2 once it
// is made: at the release of a drag, or at each arrow / page key and wheel
// step. SetProgress reports nothing.
class MSlider : public MControl {
    Q_OBJECT
public:
    MSlider(MDialog* dialog, int id);
    const char* ClassName() const override { return "MSlider"; }

    // An inverted range is put in order; the position is clamped into it.
    void SetRange(int minimum, int maximum);
    int GetMin() const { return min_; }
    int GetMax() const { return max_; }
    void SetProgress(int value);
    int GetProgress() const { return value_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int ValueAt(int x) const;
    QRectF Track() const;
    void UserSet(int value, bool report);

    int min_ = 0;
    int max_ = 100;
    int value_ = 0;
    int valueAtPress_ = 0;
    bool dragging_ = false;
};

}  // namespace vantora
