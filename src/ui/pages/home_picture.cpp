#include "ui/pages/home_picture.h"

#include "ui/toolkit/skin.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace vantora {

HomeKeyboardPicture::HomeKeyboardPicture(MDialog* dialog, int id) : MPicture(dialog, id) {}

void HomeKeyboardPicture::SetKeys(const QSize& board, std::vector<QRect> keys) {
    board_ = board;
    keys_ = std::move(keys);
    update();
}

QSize HomeKeyboardPicture::OwnSize(const QSize& limit) const {
    if (!skin::LoadImage(GetImageName()).isNull()) {
        return GetImageSize();
    }
    if (board_.isEmpty()) {
        return QSize(0, 0);
    }
    return board_.scaled(limit.boundedTo(board_), Qt::KeepAspectRatio);
}

void HomeKeyboardPicture::paintEvent(QPaintEvent* event) {
    if (!skin::LoadImage(GetImageName()).isNull() || board_.isEmpty()) {
        MPicture::paintEvent(event);
        return;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QSizeF shown = QSizeF(board_).scaled(QSizeF(size()), Qt::KeepAspectRatio);
    const qreal scale = shown.width() / board_.width();
    const QPointF origin((width() - shown.width()) / 2.0, (height() - shown.height()) / 2.0);

    // The board with a soft glow beneath.
    const QRectF boardRect(origin, shown);
    QColor glow = skin::Accent();
    for (int i = 6; i >= 1; --i) {
        glow.setAlpha(10 + 4 * (6 - i));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawRoundedRect(boardRect.adjusted(-i * 2, -i * 2 + 4, i * 2, i * 2 + 4), 14, 14);
    }
    QLinearGradient body(boardRect.topLeft(), boardRect.bottomLeft());
    body.setColorAt(0, QColor(0x34, 0x38, 0x40));
    body.setColorAt(1, QColor(0x1C, 0x1E, 0x24));
    p.setBrush(body);
    p.setPen(QPen(QColor(0x50, 0x56, 0x60), 1.5));
    p.drawRoundedRect(boardRect, 12, 12);

    // Keys: dark caps whose rim takes a colour along the board (a rainbow).
    for (const QRect& key : keys_) {
        const QRectF r(origin.x() + key.x() * scale + 1.5, origin.y() + key.y() * scale + 1.5,
                       key.width() * scale - 3, key.height() * scale - 3);
        const qreal t = (r.center().x() - boardRect.left()) / std::max<qreal>(1.0, boardRect.width());
        QColor rim = QColor::fromHsvF(std::clamp(0.5 + 0.45 * t, 0.0, 1.0), 0.75, 1.0);
        p.setPen(QPen(rim, 1.2));
        p.setBrush(QColor(0x22, 0x25, 0x2B));
        p.drawRoundedRect(r, 3, 3);
    }
}

}  // namespace vantora
