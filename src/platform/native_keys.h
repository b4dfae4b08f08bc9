#pragma once

#include <optional>
#include <string>

namespace vantora {

// A key as captured keys are stored: its Windows virtual-key code and its
// Windows-style name (VirtualKeyName).
struct DecodedKey {
    unsigned virtualKey = 0;
    std::string name;
};

// The virtual key of an X11 (or Wayland, which uses the same numbers) key
// event from its keysym and its X keycode (the evdev code + 8).
//
// The keysym decides first, so a key is named by what its label says on the
// active layout: Latin letters of either case, digits, F1-F24, the
// navigation keys, the unshifted US punctuation (the OEM codes 186-192 and
// 219-222), Tab (also Shift+Tab's ISO_Left_Tab), Print, Pause, the lock keys,
// Menu, the Windows keys (Super_L 91, Super_R 92) and the keypad.
// Shift, Control and Alt of either side give the left keys' codes 160
// "Shift", 162 "Ctrl" and 164 "Alt"; Meta and AltGr (ISO_Level3_Shift,
// Mode_switch) count as Alt.
// Keypad keys are always the keypad's own codes, whatever Num Lock says:
// KP_Home is "Num 7" (103) like KP_7, KP_Delete and KP_Separator are
// "Num Del" (110) like KP_Decimal; the keyboard knows one key there.
// Any other keysym (other scripts' letters, accented letters, dead keys,
// shifted symbols) falls back to the physical key: the key at that place on
// a US keyboard. Nothing known: nullopt.
std::optional<DecodedKey> DecodeX11Key(unsigned keysym, unsigned x11Keycode);

}  // namespace vantora
