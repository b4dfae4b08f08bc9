#include "ui/toolkit/skin.h"

#include "app/folders.h"

#include <QFileInfo>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

namespace vantora::skin {
namespace {

QString& ImageFolderOverride() {
    static QString folder;
    return folder;
}

QHash<QString, QPixmap>& ImageCache() {
    static QHash<QString, QPixmap> cache;
    return cache;
}

// Backslashes and doubled separators of the skin names become single '/'.
QString NormalisePath(const std::string& name) {
    QString path = QString::fromStdString(name);
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (path.contains(QLatin1String("//"))) {
        path.replace(QLatin1String("//"), QLatin1String("/"));
    }
    return path;
}

}  // namespace

QColor WindowBackground() {
    return QColor(0x15, 0x18, 0x1D);
}
QColor PanelBackground() {
    return QColor(0x1D, 0x22, 0x29);
}
QColor Border() {
    return QColor(0x2F, 0x37, 0x41);
}
QColor Accent() {
    return QColor(0x38, 0xE3, 0xED);
}
QColor Text() {
    return QColor(0xD8, 0xDE, 0xE6);
}
QColor DimText() {
    return QColor(0x80, 0x8A, 0x96);
}
QColor DisabledText() {
    return QColor(0x55, 0x5B, 0x63);
}
QColor ControlBackground() {
    return QColor(0x23, 0x29, 0x31);
}
QColor ControlHover() {
    return QColor(0x2C, 0x36, 0x41);
}
QColor ControlPressed() {
    return QColor(0x12, 0x3F, 0x46);
}
QColor ControlChecked() {
    return QColor(0x17, 0x4E, 0x56);
}

QString ImageFolder() {
    if (!ImageFolderOverride().isEmpty()) {
        return ImageFolderOverride();
    }
    return QString::fromStdString(GetExeFolder()) + QLatin1String("images/");
}

void SetImageFolder(const QString& folder) {
    QString f = folder;
    if (!f.isEmpty() && !f.endsWith(QLatin1Char('/'))) {
        f += QLatin1Char('/');
    }
    ImageFolderOverride() = f;
    ImageCache().clear();
}

QPixmap LoadImage(const std::string& name) {
    if (name.empty()) {
        return {};
    }
    QString path = NormalisePath(name);
    if (!path.startsWith(QLatin1Char('/'))) {
        path = ImageFolder() + path;
    }
    auto& cache = ImageCache();
    auto it = cache.constFind(path);
    if (it != cache.constEnd()) {
        return *it;
    }
    QPixmap pixmap;
    if (QFileInfo(path).isFile()) {
        pixmap.load(path);
    }
    cache.insert(path, pixmap);
    return pixmap;
}

std::string StateImageName(const std::string& normalName, char state) {
    const auto pos = normalName.rfind("_n.");
    if (pos == std::string::npos) {
        return normalName;
    }
    std::string result = normalName;
    result[pos + 1] = state;
    return result;
}

QPixmap DrawAppEmblem(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // A rounded dark keycap with a cyan rim and a "V" stroke in the accent colour.
    QRectF cap(s * 0.06, s * 0.06, s * 0.88, s * 0.88);
    QLinearGradient fill(cap.topLeft(), cap.bottomLeft());
    fill.setColorAt(0, QColor(0x2A, 0x31, 0x3B));
    fill.setColorAt(1, QColor(0x10, 0x13, 0x18));
    p.setBrush(fill);
    p.setPen(QPen(Accent(), qMax<qreal>(1.0, s * 0.05)));
    p.drawRoundedRect(cap, s * 0.18, s * 0.18);
    QPainterPath v;
    v.moveTo(s * 0.28, s * 0.30);
    v.lineTo(s * 0.50, s * 0.72);
    v.lineTo(s * 0.72, s * 0.30);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Accent(), qMax<qreal>(1.5, s * 0.11), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(v);
    return pixmap;
}

QIcon AppIcon() {
    for (const char* name : {"DeviceDriver.ico", "DeviceDriver.png"}) {
        const QPixmap file = LoadImage(name);
        if (!file.isNull()) {
            return QIcon(file);
        }
    }
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(DrawAppEmblem(size));
    }
    return icon;
}

Glyph GlyphForImage(const std::string& imageName) {
    struct Entry {
        const char* prefix;
        Glyph glyph;
    };
    static const Entry kEntries[] = {
        {"sysbtn_close", Glyph::Close},
        {"sysbtn_min", Glyph::Minimize},
        {"sysbtn_setting", Glyph::Settings},
        {"sysbtn_exit", Glyph::Exit},
        {"btn_add", Glyph::Add},
        {"btn_edit", Glyph::Edit},
        {"btn_del", Glyph::Delete},
        {"btn_import", Glyph::Import},
        {"btn_export", Glyph::Export},
        {"btn_openkb", Glyph::Keyboard},
        {"btn_openfile", Glyph::OpenFile},
        {"btn_save", Glyph::Save},
        {"btn_clear", Glyph::Clear},
        {"btn_insert", Glyph::Insert},
        {"btn_macro_more", Glyph::More},
    };
    std::string base = imageName;
    const auto slash = base.find_last_of("/\\");
    if (slash != std::string::npos) {
        base = base.substr(slash + 1);
    }
    for (const auto& e : kEntries) {
        if (base.rfind(e.prefix, 0) == 0) {
            return e.glyph;
        }
    }
    return Glyph::None;
}

void DrawGlyph(QPainter& p, const QRectF& box, Glyph glyph, const QColor& color) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(box.width(), box.height());
    const QRectF r(box.center().x() - side * 0.32, box.center().y() - side * 0.32, side * 0.64, side * 0.64);
    p.setPen(QPen(color, qMax<qreal>(1.5, side * 0.09), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QPointF c = r.center();
    switch (glyph) {
        case Glyph::Close:
            p.drawLine(r.topLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomLeft());
            break;
        case Glyph::Minimize:
            p.drawLine(QPointF(r.left(), c.y() + side * 0.12), QPointF(r.right(), c.y() + side * 0.12));
            break;
        case Glyph::Settings: {
            p.drawEllipse(c, side * 0.13, side * 0.13);
            for (int i = 0; i < 8; ++i) {
                p.save();
                p.translate(c);
                p.rotate(i * 45.0);
                p.drawLine(QPointF(0, -side * 0.22), QPointF(0, -side * 0.32));
                p.restore();
            }
            p.drawEllipse(c, side * 0.22, side * 0.22);
            break;
        }
        case Glyph::Exit:
            // The power sign: an open ring with a bar through its gap.
            p.drawArc(r.adjusted(side * 0.04, side * 0.08, -side * 0.04, 0), 60 * 16, -300 * 16);
            p.drawLine(QPointF(c.x(), r.top()), QPointF(c.x(), c.y()));
            break;
        case Glyph::Add:
        case Glyph::Insert:
            p.drawLine(QPointF(c.x(), r.top()), QPointF(c.x(), r.bottom()));
            p.drawLine(QPointF(r.left(), c.y()), QPointF(r.right(), c.y()));
            break;
        case Glyph::Edit:
            p.drawLine(QPointF(r.left() + side * 0.05, r.bottom() - side * 0.05),
                       QPointF(r.right() - side * 0.05, r.top() + side * 0.05));
            p.drawLine(QPointF(r.left(), r.bottom()), QPointF(r.left() + side * 0.22, r.bottom()));
            break;
        case Glyph::Delete:
        case Glyph::Clear: {
            QRectF bin(r.left() + side * 0.1, r.top() + side * 0.15, r.width() - side * 0.2,
                       r.height() - side * 0.15);
            p.drawRect(bin);
            p.drawLine(QPointF(r.left(), r.top() + side * 0.15), QPointF(r.right(), r.top() + side * 0.15));
            if (glyph == Glyph::Clear) {
                p.drawLine(bin.topLeft(), bin.bottomRight());
            }
            break;
        }
        case Glyph::Import:
        case Glyph::Export: {
            p.drawLine(QPointF(r.left(), r.bottom()), QPointF(r.right(), r.bottom()));
            const bool down = glyph == Glyph::Import;
            const qreal from = down ? r.top() : r.bottom() - side * 0.18;
            const qreal to = down ? r.bottom() - side * 0.18 : r.top();
            p.drawLine(QPointF(c.x(), from), QPointF(c.x(), to));
            const qreal head = down ? -side * 0.15 : side * 0.15;
            p.drawLine(QPointF(c.x(), to), QPointF(c.x() - side * 0.15, to + head));
            p.drawLine(QPointF(c.x(), to), QPointF(c.x() + side * 0.15, to + head));
            break;
        }
        case Glyph::Keyboard: {
            QRectF kb(r.left() - side * 0.05, c.y() - side * 0.2, r.width() + side * 0.1, side * 0.4);
            p.drawRoundedRect(kb, 2, 2);
            p.drawLine(QPointF(kb.left() + side * 0.15, kb.bottom() - side * 0.1),
                       QPointF(kb.right() - side * 0.15, kb.bottom() - side * 0.1));
            break;
        }
        case Glyph::OpenFile: {
            QPainterPath folder;
            folder.moveTo(r.left(), r.bottom());
            folder.lineTo(r.left(), r.top() + side * 0.1);
            folder.lineTo(c.x() - side * 0.05, r.top() + side * 0.1);
            folder.lineTo(c.x() + side * 0.05, r.top() + side * 0.2);
            folder.lineTo(r.right(), r.top() + side * 0.2);
            folder.lineTo(r.right(), r.bottom());
            folder.closeSubpath();
            p.drawPath(folder);
            break;
        }
        case Glyph::Save:
            p.drawLine(QPointF(r.left(), c.y()), QPointF(c.x() - side * 0.08, r.bottom() - side * 0.1));
            p.drawLine(QPointF(c.x() - side * 0.08, r.bottom() - side * 0.1),
                       QPointF(r.right(), r.top() + side * 0.1));
            break;
        case Glyph::More:
            p.setBrush(color);
            for (int i = -1; i <= 1; ++i) {
                p.drawEllipse(QPointF(c.x() + i * side * 0.22, c.y()), side * 0.04, side * 0.04);
            }
            break;
        case Glyph::None:
            break;
    }
    p.restore();
}

}  // namespace vantora::skin
