#pragma once

#include <map>
#include <string>
#include <vector>

namespace vantora {

// A rectangle in pixels; right and bottom are exclusive (left + width).
struct LayoutRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const LayoutRect&) const = default;
};

// One key of a layout file, as the keyboard pictures receive it.
struct LayoutKey {
    int code = 0;      // HID keyboard usage; the pictures identify the key by it
    std::string name;  // label
    std::string desc;  // descriptive second text
    int keyIndex = 0;  // the keyboard's key index; below 1: none
    std::string icon;  // read, not used
    int row = 0;       // from row_col, not used
    int column = 0;    // from row_col, not used
    LayoutRect rect;   // relative to the picture's top-left corner
};

// What a layout file gives the main window: the picture's place and size,
// the keys in file order and the two maps the downloads consult before the
// built-in key index tables. The maps hold only keys with keyIndex >= 1; for
// repeated codes or indexes the later key wins.
struct KeyboardLayout {
    bool hasPicture = false;  // a KeyboardLayout root was found
    int colCount = 0;
    int rowCount = 0;
    LayoutRect picture;  // in main-window client pixels
    std::string image;   // read, not used
    std::vector<LayoutKey> keys;
    std::map<int, int> codeToIndex;
    std::map<int, int> indexToCode;
};

// The layout name for config.ini's LAYOUT number; 0 and unknown numbers give
// "RGB-Keyboard-104K".
std::string LayoutNameForNumber(int layout);

// folder + "layouts/" + name + ".xml"; folder ends in '/'.
std::string LayoutFilePath(const std::string& folder, const std::string& name);

// Reads a layout file. A missing or unreadable file, one that is not well
// formed or whose root is not KeyboardLayout gives an empty layout; without
// KeyItems the picture is set but there are no keys. Never fails otherwise:
// absent or non-numeric numbers read as 0, absent texts as empty.
KeyboardLayout LoadKeyboardLayoutFile(const std::string& path);

// The model's layout: LAYOUT from config.ini in `folder`, the file in its
// "layouts" folder (`folder` holds both and ends in '/').
KeyboardLayout LoadKeyboardLayoutFrom(const std::string& folder);

// Lenient number readers of the file format: leading blanks, a sign, then
// digits up to the first other character; nothing readable gives 0, values
// beyond the int range saturate. The hexadecimal one also skips a "0x".
int ParseLayoutDecimal(const std::string& text);
int ParseLayoutHex(const std::string& text);

}  // namespace vantora
