#include "platform/native_keys.h"

#include <gtest/gtest.h>

#include <X11/keysym.h>

namespace vantora {
namespace {

struct Case {
    unsigned keysym;
    unsigned x11Keycode;
    unsigned virtualKey;
    const char* name;
};

// X keycodes of a PC keyboard (evdev + 8).
constexpr unsigned kKeycodeA = 38;
constexpr unsigned kKeycodeQ = 24;
constexpr unsigned kKeycode2 = 11;
constexpr unsigned kKeycodeSemicolon = 47;
constexpr unsigned kKeycodeLess102 = 94;
constexpr unsigned kKeycodeRightCtrl = 105;

TEST(DecodeX11KeyTest, NamesKeysAsStored) {
    const Case cases[] = {
        // Both sides of Shift, Control and Alt give the left keys; Meta and AltGr are Alt.
        {XK_Shift_L, 50, 160, "Shift"},
        {XK_Shift_R, 62, 160, "Shift"},
        {XK_Control_L, 37, 162, "Ctrl"},
        {XK_Control_R, kKeycodeRightCtrl, 162, "Ctrl"},
        {XK_Alt_L, 64, 164, "Alt"},
        {XK_Alt_R, 108, 164, "Alt"},
        {XK_Meta_L, 64, 164, "Alt"},
        {XK_ISO_Level3_Shift, 108, 164, "Alt"},
        {XK_Super_L, 133, 91, "Windows"},
        {XK_Super_R, 134, 92, "RWindows"},
        {XK_Menu, 135, 93, "Application"},
        // Navigation.
        {XK_Prior, 112, 33, "Page Up"},
        {XK_Next, 117, 34, "Page Down"},
        {XK_Home, 110, 36, "Home"},
        {XK_Left, 113, 37, "Left"},
        {XK_Insert, 118, 45, "Insert"},
        {XK_Delete, 119, 46, "Delete"},
        {XK_ISO_Left_Tab, 23, 9, "Tab"},
        {XK_Print, 107, 44, "Print Screen"},
        {XK_Pause, 127, 19, "Pause"},
        {XK_Num_Lock, 77, 144, "Num Lock"},
        {XK_Scroll_Lock, 78, 145, "Scroll Lock"},
        {XK_Caps_Lock, 66, 20, "Caps Lock"},
        // Keypad, with Num Lock on and off alike.
        {XK_KP_7, 79, 103, "Num 7"},
        {XK_KP_Home, 79, 103, "Num 7"},
        {XK_KP_0, 90, 96, "Num 0"},
        {XK_KP_Insert, 90, 96, "Num 0"},
        {XK_KP_Decimal, 91, 110, "Num Del"},
        {XK_KP_Delete, 91, 110, "Num Del"},
        {XK_KP_Separator, 91, 110, "Num Del"},
        {XK_KP_Enter, 104, 108, "Num Enter"},
        {XK_KP_Multiply, 63, 106, "Num *"},
        {XK_KP_Add, 86, 107, "Num +"},
        {XK_KP_Subtract, 82, 109, "Num -"},
        {XK_KP_Divide, 106, 111, "Num /"},
        // F-keys.
        {XK_F1, 67, 112, "F1"},
        {XK_F12, 96, 123, "F12"},
        {XK_F24, 202, 135, "F24"},
        // Punctuation by the US codes.
        {XK_semicolon, kKeycodeSemicolon, 186, ";"},
        {XK_grave, 49, 192, "`"},
        {XK_bracketleft, 34, 219, "["},
        {XK_apostrophe, 48, 222, "'"},
        // Letters of either case and digits; the keysym decides, not the place.
        {XK_a, kKeycodeA, 'A', "A"},
        {XK_A, kKeycodeA, 'A', "A"},
        {XK_z, kKeycodeA, 'Z', "Z"},
        {XK_q, kKeycodeA, 'Q', "Q"},
        {XK_2, kKeycode2, '2', "2"},
        // Other scripts, accented letters, dead keys and shifted symbols: the physical key.
        {XK_Cyrillic_ef, kKeycodeA, 'A', "A"},
        {XK_Cyrillic_shorti, kKeycodeQ, 'Q', "Q"},
        {XK_eacute, kKeycode2, '2', "2"},
        {XK_dead_circumflex, 34, 219, "["},
        {XK_colon, kKeycodeSemicolon, 186, ";"},
        {XK_less, kKeycodeLess102, 226, "OEM 102"},
        {0, kKeycodeRightCtrl, 162, "Ctrl"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "keysym 0x" << std::hex << c.keysym << std::dec << " keycode " << c.x11Keycode);
        const auto decoded = DecodeX11Key(c.keysym, c.x11Keycode);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(decoded->virtualKey, c.virtualKey);
        EXPECT_EQ(decoded->name, c.name);
    }
}

TEST(DecodeX11KeyTest, UnknownKeysGiveNothing) {
    EXPECT_FALSE(DecodeX11Key(0, 0).has_value());
    EXPECT_FALSE(DecodeX11Key(XK_Cyrillic_ef, 0).has_value());         // no place to fall back to
    EXPECT_FALSE(DecodeX11Key(XK_Cyrillic_ef, 7).has_value());         // below the X keycode range
    EXPECT_FALSE(DecodeX11Key(0x1008ff11, 122).has_value());           // volume down: no virtual key here
    EXPECT_FALSE(DecodeX11Key(0xffffffffu, 0xffffffffu).has_value());  // garbage
}

}  // namespace
}  // namespace vantora
