#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <cstdint>
#include <string>

class QPainter;
class QRectF;

namespace vantora {

// The dark look every control draws for itself, and the skin images that
// replace it when a PNG of the expected name sits in the images folder.
namespace skin {

constexpr std::uint32_t kUiTextColor = 0xFF38E3ED;  // accent: titles and most page texts

QColor WindowBackground();
QColor PanelBackground();
QColor Border();
QColor Accent();
QColor Text();
QColor DimText();
QColor DisabledText();
QColor ControlBackground();
QColor ControlHover();
QColor ControlPressed();
QColor ControlChecked();

// The folder skin images are looked up in: "images/" beside the executable
// unless a test or a tool chose another one. Ends in '/'.
QString ImageFolder();
void SetImageFolder(const QString& folder);

// The picture of a skin image name ("btn_add_n.png", "icon\\x.png",
// "icon//x.png" or a full path). A null pixmap when the file is absent or
// unreadable; results are cached per path (UI thread only).
QPixmap LoadImage(const std::string& name);
// The name of a state companion: "btn_add_n.png" with "h" gives
// "btn_add_h.png". Names without "_n." are returned unchanged.
std::string StateImageName(const std::string& normalName, char state);

// The program's icon: "DeviceDriver.ico" (or .png) from the image folder when
// present, else our own emblem drawn in code.
QIcon AppIcon();
// The emblem alone, drawn at the given size.
QPixmap DrawAppEmblem(int size);

// Simple glyphs the image buttons draw when their image is missing.
enum class Glyph {
    None,
    Close,
    Minimize,
    Settings,
    Exit,
    Add,
    Edit,
    Delete,
    Import,
    Export,
    Keyboard,
    OpenFile,
    Save,
    Clear,
    Insert,
    More
};
// The glyph an image name stands for ("sysbtn_close_n.png" -> Close).
Glyph GlyphForImage(const std::string& imageName);
void DrawGlyph(QPainter& painter, const QRectF& box, Glyph glyph, const QColor& color);

}  // namespace skin
}  // namespace vantora
