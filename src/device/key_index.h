#pragma once

#include <array>
#include <map>
#include <span>
#include <string_view>

namespace vantora {

// The program names keys by their HID keyboard usage (the key code); the keyboard's per-key tables
// (key functions, key colours, music frames) are addressed by a key index 0..127 that follows the
// physical matrix: index = 6 * column + row, rows 0..5 from the function-key row down to the
// space-bar row, columns 0..20 from left to right.

inline constexpr int kKeyIndexCount = 128;
// The Fn key. Downloads look it up by code 255; the keyboard's key-table read-back names it 175.
inline constexpr int kFnKeyIndex = 71;
inline constexpr int kFnKeyCode = 255;
inline constexpr int kFnKeyReadBackCode = 175;

// One key of the built-in matrix, as KeyIndexToCode reads it (so the Fn key carries code 175).
// The four keys above the numeric keypad (codes 209 to 212) have no printed name.
struct KeyMatrixEntry {
    int index;
    int code;
    std::string_view name;
};

constexpr int MatrixIndex(int column, int row) {
    return 6 * column + row;
}

// The built-in pairing, sorted by key index: 109 keys. Indexes 126 and 127 are never used.
inline constexpr std::array<KeyMatrixEntry, 109> kBuiltInKeyMatrix = {{
    // Column 0
    {MatrixIndex(0, 0), 41, "Esc"},
    {MatrixIndex(0, 1), 53, "Grave"},
    {MatrixIndex(0, 2), 43, "Tab"},
    {MatrixIndex(0, 3), 57, "Caps Lock"},
    {MatrixIndex(0, 4), 225, "Left Shift"},
    {MatrixIndex(0, 5), 224, "Left Ctrl"},
    // Column 1
    {MatrixIndex(1, 1), 30, "1"},
    {MatrixIndex(1, 2), 20, "Q"},
    {MatrixIndex(1, 3), 4, "A"},
    {MatrixIndex(1, 4), 29, "Z"},
    {MatrixIndex(1, 5), 227, "Left GUI"},
    // Column 2
    {MatrixIndex(2, 0), 58, "F1"},
    {MatrixIndex(2, 1), 31, "2"},
    {MatrixIndex(2, 2), 26, "W"},
    {MatrixIndex(2, 3), 22, "S"},
    {MatrixIndex(2, 4), 27, "X"},
    {MatrixIndex(2, 5), 226, "Left Alt"},
    // Column 3
    {MatrixIndex(3, 0), 59, "F2"},
    {MatrixIndex(3, 1), 32, "3"},
    {MatrixIndex(3, 2), 8, "E"},
    {MatrixIndex(3, 3), 7, "D"},
    {MatrixIndex(3, 4), 6, "C"},
    // Column 4
    {MatrixIndex(4, 0), 60, "F3"},
    {MatrixIndex(4, 1), 33, "4"},
    {MatrixIndex(4, 2), 21, "R"},
    {MatrixIndex(4, 3), 9, "F"},
    {MatrixIndex(4, 4), 25, "V"},
    // Column 5
    {MatrixIndex(5, 0), 61, "F4"},
    {MatrixIndex(5, 1), 34, "5"},
    {MatrixIndex(5, 2), 23, "T"},
    {MatrixIndex(5, 3), 10, "G"},
    {MatrixIndex(5, 4), 5, "B"},
    {MatrixIndex(5, 5), 44, "Space"},
    // Column 6
    {MatrixIndex(6, 0), 62, "F5"},
    {MatrixIndex(6, 1), 35, "6"},
    {MatrixIndex(6, 2), 28, "Y"},
    {MatrixIndex(6, 3), 11, "H"},
    {MatrixIndex(6, 4), 17, "N"},
    // Column 7
    {MatrixIndex(7, 0), 63, "F6"},
    {MatrixIndex(7, 1), 36, "7"},
    {MatrixIndex(7, 2), 24, "U"},
    {MatrixIndex(7, 3), 13, "J"},
    {MatrixIndex(7, 4), 16, "M"},
    // Column 8
    {MatrixIndex(8, 0), 64, "F7"},
    {MatrixIndex(8, 1), 37, "8"},
    {MatrixIndex(8, 2), 12, "I"},
    {MatrixIndex(8, 3), 14, "K"},
    {MatrixIndex(8, 4), 54, "Comma"},
    // Column 9
    {MatrixIndex(9, 0), 65, "F8"},
    {MatrixIndex(9, 1), 38, "9"},
    {MatrixIndex(9, 2), 18, "O"},
    {MatrixIndex(9, 3), 15, "L"},
    {MatrixIndex(9, 4), 55, "Period"},
    // Column 10
    {MatrixIndex(10, 0), 66, "F9"},
    {MatrixIndex(10, 1), 39, "0"},
    {MatrixIndex(10, 2), 19, "P"},
    {MatrixIndex(10, 3), 51, "Semicolon"},
    {MatrixIndex(10, 4), 56, "Slash"},
    {MatrixIndex(10, 5), 230, "Right Alt"},
    // Column 11
    {MatrixIndex(11, 0), 67, "F10"},
    {MatrixIndex(11, 1), 45, "Minus"},
    {MatrixIndex(11, 2), 47, "Left Bracket"},
    {MatrixIndex(11, 3), 52, "Quote"},
    {MatrixIndex(11, 5), kFnKeyReadBackCode, "Fn"},
    // Column 12
    {MatrixIndex(12, 0), 68, "F11"},
    {MatrixIndex(12, 1), 46, "Equals"},
    {MatrixIndex(12, 2), 48, "Right Bracket"},
    {MatrixIndex(12, 3), 40, "Enter"},
    {MatrixIndex(12, 4), 229, "Right Shift"},
    {MatrixIndex(12, 5), 101, "Application"},
    // Column 13
    {MatrixIndex(13, 0), 69, "F12"},
    {MatrixIndex(13, 1), 42, "Backspace"},
    {MatrixIndex(13, 2), 49, "Backslash"},
    {MatrixIndex(13, 4), 100, "Non-US Backslash"},
    {MatrixIndex(13, 5), 228, "Right Ctrl"},
    // Column 14
    {MatrixIndex(14, 0), 70, "Print Screen"},
    {MatrixIndex(14, 1), 73, "Insert"},
    {MatrixIndex(14, 2), 76, "Delete"},
    {MatrixIndex(14, 5), 80, "Left Arrow"},
    // Column 15
    {MatrixIndex(15, 0), 71, "Scroll Lock"},
    {MatrixIndex(15, 1), 74, "Home"},
    {MatrixIndex(15, 2), 77, "End"},
    {MatrixIndex(15, 4), 82, "Up Arrow"},
    {MatrixIndex(15, 5), 81, "Down Arrow"},
    // Column 16
    {MatrixIndex(16, 0), 72, "Pause"},
    {MatrixIndex(16, 1), 75, "Page Up"},
    {MatrixIndex(16, 2), 78, "Page Down"},
    {MatrixIndex(16, 5), 79, "Right Arrow"},
    // Column 17
    {MatrixIndex(17, 0), 209, ""},
    {MatrixIndex(17, 1), 83, "Num Lock"},
    {MatrixIndex(17, 2), 95, "Keypad 7"},
    {MatrixIndex(17, 3), 92, "Keypad 4"},
    {MatrixIndex(17, 4), 89, "Keypad 1"},
    {MatrixIndex(17, 5), 98, "Keypad 0"},
    // Column 18
    {MatrixIndex(18, 0), 210, ""},
    {MatrixIndex(18, 1), 84, "Keypad Slash"},
    {MatrixIndex(18, 2), 96, "Keypad 8"},
    {MatrixIndex(18, 3), 93, "Keypad 5"},
    {MatrixIndex(18, 4), 90, "Keypad 2"},
    // Column 19
    {MatrixIndex(19, 0), 211, ""},
    {MatrixIndex(19, 1), 85, "Keypad Asterisk"},
    {MatrixIndex(19, 2), 97, "Keypad 9"},
    {MatrixIndex(19, 3), 94, "Keypad 6"},
    {MatrixIndex(19, 4), 91, "Keypad 3"},
    {MatrixIndex(19, 5), 99, "Keypad Period"},
    // Column 20
    {MatrixIndex(20, 0), 212, ""},
    {MatrixIndex(20, 1), 86, "Keypad Minus"},
    {MatrixIndex(20, 2), 87, "Keypad Plus"},
    {MatrixIndex(20, 4), 88, "Keypad Enter"},
}};

// The built-in matrix for iteration (tests, layout checks).
constexpr std::span<const KeyMatrixEntry> BuiltInKeyMatrix() {
    return kBuiltInKeyMatrix;
}

// The HID usage of a key index; 0 when no key has that index (any int is accepted).
int KeyIndexToCode(int index);
// The key index of a HID usage; -1 when the usage has no key (any int is accepted).
// Usage 255 gives the Fn key's index 71.
int KeyCodeToIndex(int code);

// The modifier byte bit of a modifier usage (224 Left Ctrl gives 0x01 ... 231 Right GUI gives 0x80);
// any other value is returned unchanged.
unsigned ModifierBit(unsigned value);

// The conversions every caller uses: the model's layout map (filled from its layout file) first,
// the built-in table second. A layout entry that the keyboard cannot address (an index outside
// 0..127, a code that is not positive) is ignored, so the built-in table answers for that key.
// LookupKeyIndex gives -1 and LookupKeyCode 0 when neither knows the key.
int LookupKeyIndex(const std::map<int, int>& layoutCodeToIndex, int code);
int LookupKeyCode(const std::map<int, int>& layoutIndexToCode, int index);

}  // namespace vantora
