#include "layouts/keyboard_layout.h"

#include <array>
#include <climits>
#include <cstdint>

#include "app/config.h"
#include "xml/xml_document.h"

namespace vantora {
namespace {

constexpr const char* kDefaultLayout = "RGB-Keyboard-104K";

int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'z') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'Z') {
        value = c - 'A' + 10;
    }
    return value >= 0 && value < base ? value : -1;
}

int ParseLenient(const std::string& text, int base) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (base == 16 && i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        DigitValue(text[i + 2], 16) >= 0) {
        i += 2;
    }
    std::int64_t value = 0;
    bool overflow = false;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i], base);
        if (digit < 0) {
            break;
        }
        if (!overflow) {
            value = value * base + digit;
            overflow = value > std::int64_t{INT_MAX} + 1;
        }
    }
    if (overflow) {
        return negative ? INT_MIN : INT_MAX;
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(value < INT_MIN ? INT_MIN : value);
}

LayoutRect RectFrom(int x, int y, int width, int height) {
    // Computed in 64 bits: a hostile file must not overflow.
    const auto clamp = [](std::int64_t v) {
        return static_cast<int>(v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : v));
    };
    return LayoutRect{x, y, clamp(std::int64_t{x} + width), clamp(std::int64_t{y} + height)};
}

// row_col: the row is the first character's digit; the column the last
// character when the text has exactly three, else the last two.
void ParseRowCol(const std::string& text, int& row, int& column) {
    row = text.empty() ? 0 : ParseLayoutDecimal(text.substr(0, 1));
    if (text.size() == 3) {
        column = ParseLayoutDecimal(text.substr(2));
    } else {
        column = ParseLayoutDecimal(text.size() >= 2 ? text.substr(text.size() - 2) : text);
    }
}

}  // namespace

int ParseLayoutDecimal(const std::string& text) {
    return ParseLenient(text, 10);
}

int ParseLayoutHex(const std::string& text) {
    return ParseLenient(text, 16);
}

std::string LayoutNameForNumber(int layout) {
    static constexpr std::array<const char*, 11> kNames = {
        kDefaultLayout,      "RGB-Keyboard-61K",  "RGB-Keyboard-64K", "RGB-Keyboard-108K",
        "RGB-Keyboard-100K", "RGB-Keyboard-98K",  "RGB-Keyboard-68K", "RGB-Keyboard-82K",
        "RGB-Keyboard-104K", "RGB-Keyboard-82K2", "RGB-Keyboard-87K",
    };
    if (layout < 0 || layout >= static_cast<int>(kNames.size())) {
        return kDefaultLayout;
    }
    return kNames[static_cast<std::size_t>(layout)];
}

std::string LayoutFilePath(const std::string& folder, const std::string& name) {
    return folder + "layouts/" + name + ".xml";
}

KeyboardLayout LoadKeyboardLayoutFile(const std::string& path) {
    KeyboardLayout layout;
    XmlDocument doc;
    if (!doc.LoadFile(path) || !doc.FindElement("KeyboardLayout")) {
        return layout;
    }
    layout.hasPicture = true;
    layout.colCount = ParseLayoutDecimal(doc.GetAttribute("col_count"));
    layout.rowCount = ParseLayoutDecimal(doc.GetAttribute("row_count"));
    layout.picture = RectFrom(
        ParseLayoutDecimal(doc.GetAttribute("kb_xpos")), ParseLayoutDecimal(doc.GetAttribute("kb_ypos")),
        ParseLayoutDecimal(doc.GetAttribute("kb_width")), ParseLayoutDecimal(doc.GetAttribute("kb_height")));
    layout.image = doc.GetAttribute("image");
    doc.EnterElement();
    if (!doc.FindElement("KeyItems")) {
        return layout;
    }
    doc.EnterElement();
    while (doc.FindElement("key")) {
        LayoutKey key;
        key.code = ParseLayoutHex(doc.GetAttribute("code"));
        key.name = doc.GetAttribute("name");
        key.desc = doc.GetAttribute("desc");
        key.keyIndex = ParseLayoutDecimal(doc.GetAttribute("key_index"));
        key.icon = doc.GetAttribute("icon");
        if (key.keyIndex >= 1) {
            layout.codeToIndex[key.code] = key.keyIndex;
            layout.indexToCode[key.keyIndex] = key.code;
        }
        ParseRowCol(doc.GetAttribute("row_col"), key.row, key.column);
        key.rect = RectFrom(ParseLayoutDecimal(doc.GetAttribute("key_x")),
                            ParseLayoutDecimal(doc.GetAttribute("key_y")),
                            ParseLayoutDecimal(doc.GetAttribute("key_width")),
                            ParseLayoutDecimal(doc.GetAttribute("key_height")));
        layout.keys.push_back(std::move(key));
    }
    return layout;
}

KeyboardLayout LoadKeyboardLayoutFrom(const std::string& folder) {
    const int number = ReadConfigIntFrom(folder + "config.ini", "LAYOUT");
    return LoadKeyboardLayoutFile(LayoutFilePath(folder, LayoutNameForNumber(number)));
}

}  // namespace vantora
