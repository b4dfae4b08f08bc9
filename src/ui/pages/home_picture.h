#pragma once

#include "ui/toolkit/areas.h"

#include <QRect>
#include <vector>

namespace vantora {

// The HOME page's keyboard picture ("device_kb.png"). Without that image in
// the skin folder it draws the model's keyboard from its layout: the keys'
// outlines on a dark board with the accent glow of the lit keyboard.
class HomeKeyboardPicture : public MPicture {
    Q_OBJECT
public:
    HomeKeyboardPicture(MDialog* dialog, int id);
    // The layout's picture size and key rectangles (relative to the picture).
    void SetKeys(const QSize& board, std::vector<QRect> keys);
    // The size the picture takes: the image's own, else the board's scaled
    // to fit `limit`.
    QSize OwnSize(const QSize& limit) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize board_;
    std::vector<QRect> keys_;
};

}  // namespace vantora
