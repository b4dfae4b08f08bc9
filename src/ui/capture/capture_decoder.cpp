#include "ui/capture/capture_decoder.h"

#include <Qt>
#include <iterator>

#include "keys/virtual_key_names.h"
#include "platform/native_keys.h"

namespace vantora {
namespace {

struct QtKeyPair {
    int qtKey;
    unsigned virtualKey;
};

// Qt keys with a key of their own (letters, digits and F-keys by code).
// Shifted symbols name the key they are on in the US layout.
constexpr QtKeyPair kQtKeys[] = {
    {Qt::Key_Backspace, 8},     {Qt::Key_Tab, 9},           {Qt::Key_Backtab, 9},
    {Qt::Key_Return, 13},       {Qt::Key_Enter, 108},       {Qt::Key_Pause, 19},
    {Qt::Key_CapsLock, 20},     {Qt::Key_Escape, 27},       {Qt::Key_Space, 32},
    {Qt::Key_PageUp, 33},       {Qt::Key_PageDown, 34},     {Qt::Key_End, 35},
    {Qt::Key_Home, 36},         {Qt::Key_Left, 37},         {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},        {Qt::Key_Down, 40},         {Qt::Key_Print, 44},
    {Qt::Key_SysReq, 44},       {Qt::Key_Insert, 45},       {Qt::Key_Delete, 46},
    {Qt::Key_Meta, 91},         {Qt::Key_Super_L, 91},      {Qt::Key_Super_R, 92},
    {Qt::Key_Menu, 93},         {Qt::Key_NumLock, 144},     {Qt::Key_ScrollLock, 145},
    {Qt::Key_Shift, 160},       {Qt::Key_Control, 162},     {Qt::Key_Alt, 164},
    {Qt::Key_AltGr, 164},       {Qt::Key_Exclam, '1'},      {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},  {Qt::Key_Dollar, '4'},      {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'},   {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},   {Qt::Key_ParenRight, '0'},  {Qt::Key_Semicolon, 186},
    {Qt::Key_Colon, 186},       {Qt::Key_Equal, 187},       {Qt::Key_Plus, 187},
    {Qt::Key_Comma, 188},       {Qt::Key_Less, 188},        {Qt::Key_Minus, 189},
    {Qt::Key_Underscore, 189},  {Qt::Key_Period, 190},      {Qt::Key_Greater, 190},
    {Qt::Key_Slash, 191},       {Qt::Key_Question, 191},    {Qt::Key_QuoteLeft, 192},
    {Qt::Key_AsciiTilde, 192},  {Qt::Key_BracketLeft, 219}, {Qt::Key_BraceLeft, 219},
    {Qt::Key_Backslash, 220},   {Qt::Key_Bar, 220},         {Qt::Key_BracketRight, 221},
    {Qt::Key_BraceRight, 221},  {Qt::Key_Apostrophe, 222},  {Qt::Key_QuoteDbl, 222},
};

// Keys reported with Qt::KeypadModifier: the keypad's own codes, with Num
// Lock on or off (as DecodeX11Key does).
constexpr QtKeyPair kKeypadKeys[] = {
    {Qt::Key_Insert, 96}, {Qt::Key_End, 97},     {Qt::Key_Down, 98},      {Qt::Key_PageDown, 99},
    {Qt::Key_Left, 100},  {Qt::Key_Clear, 101},  {Qt::Key_Right, 102},    {Qt::Key_Home, 103},
    {Qt::Key_Up, 104},    {Qt::Key_PageUp, 105}, {Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 107},
    {Qt::Key_Enter, 108}, {Qt::Key_Return, 108}, {Qt::Key_Minus, 109},    {Qt::Key_Period, 110},
    {Qt::Key_Comma, 110}, {Qt::Key_Delete, 110}, {Qt::Key_Slash, 111},
};

template <typename Table>
unsigned Find(const Table& table, int qtKey) {
    for (const QtKeyPair& pair : table) {
        if (pair.qtKey == qtKey) {
            return pair.virtualKey;
        }
    }
    return 0;
}

unsigned VirtualKeyOfQtKey(int qtKey, bool keypad) {
    if (keypad) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
            return 96 + static_cast<unsigned>(qtKey - Qt::Key_0);
        }
        if (const unsigned virtualKey = Find(kKeypadKeys, qtKey); virtualKey != 0) {
            return virtualKey;
        }
    }
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return static_cast<unsigned>(qtKey);
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return 112 + static_cast<unsigned>(qtKey - Qt::Key_F1);
    }
    return Find(kQtKeys, qtKey);
}

}  // namespace

bool DecodeCaptureKey(const CaptureKey& key, int& code, std::string& name) {
    if (key.nativeVirtualKey != 0 || key.nativeScanCode != 0) {
        if (const auto decoded = DecodeX11Key(key.nativeVirtualKey, key.nativeScanCode)) {
            code = static_cast<int>(decoded->virtualKey);
            name = decoded->name;
            return true;
        }
    }
    const unsigned virtualKey = VirtualKeyOfQtKey(key.qtKey, key.keypad);
    if (virtualKey == 0) {
        return false;
    }
    code = static_cast<int>(virtualKey);
    name = std::string(VirtualKeyName(virtualKey));
    return true;
}

}  // namespace vantora
