#include "platform/native_keys.h"

#include <X11/keysym.h>

#include <iterator>

#include "keys/virtual_key_names.h"

namespace vantora {
namespace {

struct KeyPair {
    unsigned from;
    unsigned virtualKey;
};

// Keysyms with a key of their own (letters and digits are handled by code).
constexpr KeyPair kKeysyms[] = {
    {XK_BackSpace, 8},
    {XK_Tab, 9},
    {XK_ISO_Left_Tab, 9},
    {XK_Return, 13},
    {XK_Pause, 19},
    {XK_Break, 19},
    {XK_Caps_Lock, 20},
    {XK_Escape, 27},
    {XK_space, 32},
    {XK_Prior, 33},
    {XK_Next, 34},
    {XK_End, 35},
    {XK_Home, 36},
    {XK_Left, 37},
    {XK_Up, 38},
    {XK_Right, 39},
    {XK_Down, 40},
    {XK_Print, 44},
    {XK_Sys_Req, 44},
    {XK_Insert, 45},
    {XK_Delete, 46},
    {XK_Super_L, 91},
    {XK_Super_R, 92},
    {XK_Menu, 93},
    {XK_KP_0, 96},
    {XK_KP_Insert, 96},
    {XK_KP_1, 97},
    {XK_KP_End, 97},
    {XK_KP_2, 98},
    {XK_KP_Down, 98},
    {XK_KP_3, 99},
    {XK_KP_Next, 99},
    {XK_KP_4, 100},
    {XK_KP_Left, 100},
    {XK_KP_5, 101},
    {XK_KP_Begin, 101},
    {XK_KP_6, 102},
    {XK_KP_Right, 102},
    {XK_KP_7, 103},
    {XK_KP_Home, 103},
    {XK_KP_8, 104},
    {XK_KP_Up, 104},
    {XK_KP_9, 105},
    {XK_KP_Prior, 105},
    {XK_KP_Multiply, 106},
    {XK_KP_Add, 107},
    {XK_KP_Enter, 108},
    {XK_KP_Subtract, 109},
    {XK_KP_Decimal, 110},
    {XK_KP_Separator, 110},
    {XK_KP_Delete, 110},
    {XK_KP_Divide, 111},
    {XK_Num_Lock, 144},
    {XK_Scroll_Lock, 145},
    {XK_Shift_L, 160},
    {XK_Shift_R, 160},
    {XK_Control_L, 162},
    {XK_Control_R, 162},
    {XK_Alt_L, 164},
    {XK_Alt_R, 164},
    {XK_Meta_L, 164},
    {XK_Meta_R, 164},
    {XK_ISO_Level3_Shift, 164},
    {XK_Mode_switch, 164},
    {XK_semicolon, 186},
    {XK_equal, 187},
    {XK_comma, 188},
    {XK_minus, 189},
    {XK_period, 190},
    {XK_slash, 191},
    {XK_grave, 192},
    {XK_bracketleft, 219},
    {XK_backslash, 220},
    {XK_bracketright, 221},
    {XK_apostrophe, 222},
};

// The keys of a US keyboard by evdev code (linux/input-event-codes.h).
constexpr KeyPair kEvdevKeys[] = {
    {1, 27},  // Esc
    {2, '1'},   {3, '2'},   {4, '3'},   {5, '4'},   {6, '5'},   {7, '6'},   {8, '7'},   {9, '8'},
    {10, '9'},  {11, '0'},  {12, 189},  {13, 187},  {14, 8},    {15, 9},    {16, 'Q'},  {17, 'W'},
    {18, 'E'},  {19, 'R'},  {20, 'T'},  {21, 'Y'},  {22, 'U'},  {23, 'I'},  {24, 'O'},  {25, 'P'},
    {26, 219},  {27, 221},  {28, 13},   {29, 162},  {30, 'A'},  {31, 'S'},  {32, 'D'},  {33, 'F'},
    {34, 'G'},  {35, 'H'},  {36, 'J'},  {37, 'K'},  {38, 'L'},  {39, 186},  {40, 222},  {41, 192},
    {42, 160},  {43, 220},  {44, 'Z'},  {45, 'X'},  {46, 'C'},  {47, 'V'},  {48, 'B'},  {49, 'N'},
    {50, 'M'},  {51, 188},  {52, 190},  {53, 191},  {54, 160},  {55, 106},  {56, 164},  {57, 32},
    {58, 20},   {59, 112},  {60, 113},  {61, 114},  {62, 115},  {63, 116},  {64, 117},  {65, 118},
    {66, 119},  {67, 120},  {68, 121},  {69, 144},  {70, 145},  {71, 103},  {72, 104},  {73, 105},
    {74, 109},  {75, 100},  {76, 101},  {77, 102},  {78, 107},  {79, 97},   {80, 98},   {81, 99},
    {82, 96},   {83, 110},  {86, 226},  {87, 122},  {88, 123},  {96, 108},  {97, 162},  {98, 111},
    {99, 44},   {100, 164}, {102, 36},  {103, 38},  {104, 33},  {105, 37},  {106, 39},  {107, 35},
    {108, 40},  {109, 34},  {110, 45},  {111, 46},  {119, 19},  {121, 110}, {125, 91},  {126, 92},
    {127, 93},  {183, 124}, {184, 125}, {185, 126}, {186, 127}, {187, 128}, {188, 129}, {189, 130},
    {190, 131}, {191, 132}, {192, 133}, {193, 134}, {194, 135},
};

// X keycodes are the evdev codes shifted by 8.
constexpr unsigned kX11KeycodeOffset = 8;

unsigned Find(const KeyPair* begin, const KeyPair* end, unsigned from) {
    for (const KeyPair* pair = begin; pair != end; ++pair) {
        if (pair->from == from) {
            return pair->virtualKey;
        }
    }
    return 0;
}

unsigned VirtualKeyOfKeysym(unsigned keysym) {
    if (keysym >= XK_A && keysym <= XK_Z) {
        return keysym;
    }
    if (keysym >= XK_a && keysym <= XK_z) {
        return keysym - (XK_a - XK_A);
    }
    if (keysym >= XK_0 && keysym <= XK_9) {
        return keysym;
    }
    if (keysym >= XK_F1 && keysym <= XK_F24) {
        return 112 + (keysym - XK_F1);
    }
    return Find(std::begin(kKeysyms), std::end(kKeysyms), keysym);
}

unsigned VirtualKeyOfKeycode(unsigned x11Keycode) {
    if (x11Keycode < kX11KeycodeOffset) {
        return 0;
    }
    return Find(std::begin(kEvdevKeys), std::end(kEvdevKeys), x11Keycode - kX11KeycodeOffset);
}

}  // namespace

std::optional<DecodedKey> DecodeX11Key(unsigned keysym, unsigned x11Keycode) {
    unsigned virtualKey = VirtualKeyOfKeysym(keysym);
    if (virtualKey == 0) {
        virtualKey = VirtualKeyOfKeycode(x11Keycode);
    }
    if (virtualKey == 0) {
        return std::nullopt;
    }
    return DecodedKey{virtualKey, std::string(VirtualKeyName(virtualKey))};
}

}  // namespace vantora
