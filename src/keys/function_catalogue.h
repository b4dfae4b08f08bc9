#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vantora {

// What a key can be made to do: the function type codes stored in `macro_type` of a key assignment.
// Code 4 is not used.
enum FunctionType : int {
    kFunctionDefault = 0,
    kFunctionDisableKey = 1,
    kFunctionKeyboard = 2,
    kFunctionMacro = 3,
    kFunctionMouse = 5,
    kFunctionMultimedia = 6,
    kFunctionWindowsShortcut = 7,
    kFunctionApplication = 8,
    kFunctionWebsite = 9,
    kFunctionSendText = 10,
};

// Who carries a function out when the key is pressed.
enum class FunctionRunner {
    kNothing,   // Default: nothing is stored, the keyboard's own default applies
    kKeyboard,  // the keyboard itself
    kComputer,  // the keyboard reports the key and the program acts (application, web site, text)
};

struct FunctionTypeEntry {
    int code;
    int stringId;
    FunctionRunner runner;
};

// The function-type list in the order the editor shows it.
inline constexpr FunctionTypeEntry kFunctionTypes[] = {
    {kFunctionDefault, 112, FunctionRunner::kNothing},
    {kFunctionKeyboard, 116, FunctionRunner::kKeyboard},
    {kFunctionMacro, 117, FunctionRunner::kKeyboard},
    {kFunctionMouse, 118, FunctionRunner::kKeyboard},
    {kFunctionMultimedia, 119, FunctionRunner::kKeyboard},
    {kFunctionWindowsShortcut, 120, FunctionRunner::kKeyboard},
    {kFunctionApplication, 121, FunctionRunner::kComputer},
    {kFunctionWebsite, 122, FunctionRunner::kComputer},
    {kFunctionSendText, 123, FunctionRunner::kComputer},
    {kFunctionDisableKey, 124, FunctionRunner::kKeyboard},
};

// Function classes: byte 0 of a key function in the keyboard's key table.
inline constexpr std::uint8_t kClassKeyboardKey = 0x10;  // byte 1 modifier bits, byte 2 key usage
inline constexpr std::uint8_t kClassMouseButton = 0x20;  // byte 1 button bits
inline constexpr std::uint8_t kClassMouseWheel = 0x21;   // byte 2 signed wheel step
inline constexpr std::uint8_t kClassConsumer = 0x30;     // consumer usage, little-endian in bytes 1 and 2
inline constexpr std::uint8_t kClassApplication = 0x50;  // host-side: byte 1 is the function id
inline constexpr std::uint8_t kClassHostText = 0x60;     // host-side web site or text: byte 1 is the id
inline constexpr std::uint8_t kClassMacro = 0x70;        // byte 1 macro position, byte 2 0x01
inline constexpr std::uint8_t kClassInternal = 0xF0;     // a keyboard-internal function in byte 1

// The three bytes of one layer of a key-table slot.
struct KeyFunctionBytes {
    std::uint8_t functionClass;
    std::uint8_t byte1;
    std::uint8_t byte2;

    friend constexpr bool operator==(const KeyFunctionBytes&, const KeyFunctionBytes&) = default;
};

// Mouse functions (type 5), in list order; code = `macro_value`. Code 4 is not used.
struct MouseFunction {
    int code;
    int stringId;
    KeyFunctionBytes bytes;
};

inline constexpr MouseFunction kMouseFunctions[] = {
    {1, 151, {kClassMouseButton, 0x01, 0x00}},  // Left Mouse Button: button 1
    {2, 152, {kClassMouseButton, 0x04, 0x00}},  // Middle Mouse Button: button 3
    {3, 153, {kClassMouseButton, 0x02, 0x00}},  // Right Mouse Button: button 2
    {5, 154, {kClassMouseWheel, 0x00, 0x01}},   // Scroll Up: one step up
    {6, 155, {kClassMouseWheel, 0x00, 0xFF}},   // Scroll Down: one step down
    {7, 156, {kClassMouseButton, 0x08, 0x00}},  // Button 4
    {8, 157, {kClassMouseButton, 0x10, 0x00}},  // Button 5
};
// What the keyboard receives for a mouse code not in the list.
inline constexpr KeyFunctionBytes kUnknownMouseBytes = {kClassMouseButton, 0x00, 0x00};

// Multimedia functions (type 6), in list order; the keyboard sends the HID consumer-page usage.
struct MultimediaFunction {
    int code;
    int stringId;
    std::uint16_t consumerUsage;
};

inline constexpr MultimediaFunction kMultimediaFunctions[] = {
    {1, 160, 0xCD},  // Play/Pause
    {2, 161, 0xB7},  // Stop
    {3, 162, 0xB6},  // Previous
    {4, 163, 0xB5},  // Next
    {5, 164, 0xE9},  // Volume +
    {6, 165, 0xEA},  // Volume -
    {7, 166, 0xE2},  // Mute
};
// What the keyboard receives for a multimedia code not in the list.
inline constexpr KeyFunctionBytes kUnknownMultimediaBytes = {kClassConsumer, 0x00, 0x00};

// Windows shortcuts (type 7), in list order: a modifier plus a key (HID keyboard usages).
// "Switch Windows" is a keyboard-internal function, not a combination: its usages are 0.
struct ShortcutFunction {
    int code;
    int stringId;
    int modifierUsage;
    int keyUsage;
};

inline constexpr int kShortcutSwitchWindows = 5;

inline constexpr ShortcutFunction kShortcutFunctions[] = {
    {1, 170, 227, 7},                     // Show Desktop: Left GUI + D
    {2, 171, 227, 8},                     // My Computer: Left GUI + E
    {3, 172, 227, 15},                    // Lock Computer: Left GUI + L
    {4, 173, 224, 26},                    // Close Window: Left Control + W
    {kShortcutSwitchWindows, 174, 0, 0},  // Switch Windows
    {6, 175, 224, 6},                     // Copy: Left Control + C
    {7, 176, 224, 25},                    // Paste: Left Control + V
    {8, 177, 224, 27},                    // Cut: Left Control + X
};

// What the keyboard receives for each shortcut code it knows. Codes 10 and 11 are understood by
// the keyboard but offered by no list.
struct ShortcutEncoding {
    int code;
    KeyFunctionBytes bytes;
};

inline constexpr ShortcutEncoding kShortcutEncodings[] = {
    {1, {kClassKeyboardKey, 0x08, 0x07}},
    {2, {kClassKeyboardKey, 0x08, 0x08}},
    {3, {kClassKeyboardKey, 0x08, 0x0F}},
    {4, {kClassKeyboardKey, 0x01, 0x1A}},
    {kShortcutSwitchWindows, {kClassInternal, 0xA6, 0x00}},
    {6, {kClassKeyboardKey, 0x01, 0x06}},
    {7, {kClassKeyboardKey, 0x01, 0x19}},
    {8, {kClassKeyboardKey, 0x01, 0x1B}},
    {10, {kClassKeyboardKey, 0x02, 0x02}},
    {11, {kClassKeyboardKey, 0x02, 0x01}},
};

// Lookups by code; nullptr (or -1 for a position) when the code is not in the list.
const FunctionTypeEntry* FindFunctionType(int code);
int FunctionTypePosition(int code);
const MouseFunction* FindMouseFunction(int code);
const MultimediaFunction* FindMultimediaFunction(int code);
const ShortcutFunction* FindShortcutFunction(int code);
const ShortcutEncoding* FindShortcutEncoding(int code);

// True for the types whose function runs on the computer (8 Application, 9 Website, 10 Send Text).
bool IsHostSideFunction(int code);

// One entry of a list as the editor shows it: the text in the current language and its item data.
struct CatalogueItem {
    std::string text;
    int code;
};

// The function-type list, texts in the current user-interface language.
std::vector<CatalogueItem> FunctionTypeItems();
// The fixed sub-list of a function type (mouse, multimedia or shortcut), texts in the current
// language; empty for every other type (the macro list comes from the database).
std::vector<CatalogueItem> FunctionSubListItems(int functionType);

}  // namespace vantora
