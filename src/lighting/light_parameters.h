#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "db/records.h"

namespace vantora {

// Capability bits of a light row's config_func: the parameters a mode offers.
enum LightCapability : int {
    kLightBrightness = 0x001,
    kLightSpeed = 0x002,
    kLightLeftRight = 0x004,
    kLightUpDown = 0x008,  // only when kLightLeftRight is clear
    kLightColour = 0x010,
    kLightColourful = 0x020,
    kLightPerKey = 0x100,
};

// The per-key colour mode's number.
inline constexpr int kPerKeyLightMode = 0;

inline constexpr int kMaxBrightness = 100;
inline constexpr int kMaxSpeed = 4;

// Which pair of direction buttons a mode shows.
enum class DirectionButtons { kNone, kLeftRight, kUpDown };

// The four direction buttons, in their order on the page.
enum class DirectionButton { kLeft, kRight, kUp, kDown };

// The stored direction of a button: 1 for left and up, 0 for right and down.
int DirectionValue(DirectionButton button);

// What the lighting page shows for a light row.
struct LightControls {
    bool brightnessEnabled = false;  // the slider is always visible
    int brightness = 0;              // 0 when disabled
    bool speedShown = false;
    int speed = 0;  // 0 when hidden
    DirectionButtons direction = DirectionButtons::kNone;
    // Which of the pair is checked: the first (left, up) for a stored 1,
    // the second (right, down) otherwise.
    bool directionFirst = false;
    bool colourfulShown = false;
    bool colourfulChecked = false;
    bool colourShown = false;    // wheel, R/G/B fields, presets
    bool colourEnabled = false;  // disabled while a colourful mode is colourful
    std::uint32_t colour = 0;    // the stored single colour, for the wheel and the fields
    bool perKey = false;         // the picture shows each key's own colour
    // What the picture previews: the multi-colour effect or one colour.
    bool previewColourful = false;
    std::uint32_t previewColour = 0;
};

LightControls ControlsFor(const LightMode& row);
// Whether the colour controls take input for a row with these values.
bool ColourControlsEnabled(int configFunc, int colorful);

// Colours are packed 0x00BBGGRR: red in the low byte.
constexpr std::uint32_t PackColour(int red, int green, int blue) {
    return static_cast<std::uint32_t>(red & 0xFF) | (static_cast<std::uint32_t>(green & 0xFF) << 8) |
           (static_cast<std::uint32_t>(blue & 0xFF) << 16);
}
constexpr int RedOf(std::uint32_t colour) {
    return static_cast<int>(colour & 0xFFu);
}
constexpr int GreenOf(std::uint32_t colour) {
    return static_cast<int>((colour >> 8) & 0xFFu);
}
constexpr int BlueOf(std::uint32_t colour) {
    return static_cast<int>((colour >> 16) & 0xFFu);
}

// A colour channel typed by the user: parsed as a decimal number (text that
// is not one gives 0) and clamped to 0..255; `corrected` when the clamped
// value differs from the parsed one, so the field is to show `value`.
struct ChannelInput {
    int value = 0;
    bool corrected = false;
};
ChannelInput ParseChannel(std::string_view text);

inline constexpr int kPresetColourCount = 16;
// The preset colour buttons in order, 0x00BBGGRR (red first).
inline constexpr std::array<std::uint32_t, kPresetColourCount> kPresetColours{
    0x0000FF, 0xFC00FF, 0xFF007E, 0xFF0018, 0xFD8900, 0xFFFC00, 0x90FF00, 0x00FF00,
    0x00FFB4, 0x00F6FF, 0x00A8FF, 0x1354EA, 0xFFFFFF, 0x000000, 0x0098FF, 0xC3B700};

}  // namespace vantora
