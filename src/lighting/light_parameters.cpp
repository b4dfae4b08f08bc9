#include "lighting/light_parameters.h"

#include <algorithm>
#include <cctype>

namespace vantora {

int DirectionValue(DirectionButton button) {
    return button == DirectionButton::kLeft || button == DirectionButton::kUp ? 1 : 0;
}

bool ColourControlsEnabled(int configFunc, int colorful) {
    return !((configFunc & kLightColourful) != 0 && colorful == 1);
}

LightControls ControlsFor(const LightMode& row) {
    const int bits = row.config_func;
    LightControls c;
    c.brightnessEnabled = (bits & kLightBrightness) != 0;
    c.brightness = c.brightnessEnabled ? std::clamp(row.brightness, 0, kMaxBrightness) : 0;
    c.speedShown = (bits & kLightSpeed) != 0;
    c.speed = c.speedShown ? std::clamp(row.speed, 0, kMaxSpeed) : 0;
    if ((bits & kLightLeftRight) != 0) {
        c.direction = DirectionButtons::kLeftRight;
    } else if ((bits & kLightUpDown) != 0) {
        c.direction = DirectionButtons::kUpDown;
    }
    c.directionFirst = row.direction == 1;
    c.colourfulShown = (bits & kLightColourful) != 0;
    c.colourfulChecked = c.colourfulShown && row.colorful == 1;
    c.colourShown = (bits & kLightColour) != 0;
    c.colourEnabled = c.colourShown && ColourControlsEnabled(bits, row.colorful);
    c.colour = static_cast<std::uint32_t>(row.color_value) & 0xFFFFFFu;
    c.perKey = (bits & kLightPerKey) != 0;
    if (c.perKey) {
        // Each key shows its own colour over a dark board.
        c.previewColourful = false;
        c.previewColour = 0;
    } else {
        c.previewColourful = row.colorful == 1;
        c.previewColour = static_cast<std::uint32_t>(row.color_value) & 0xFFFFFFu;
    }
    return c;
}

ChannelInput ParseChannel(std::string_view text) {
    // As a C program reads a number: leading blanks, a sign, digits; the
    // rest is ignored and no digits read as 0.
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long parsed = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0; ++i) {
        parsed = std::min<long long>(parsed * 10 + (text[i] - '0'), 1'000'000'000'000LL);
    }
    if (negative) {
        parsed = -parsed;
    }
    ChannelInput input;
    input.value = static_cast<int>(std::clamp<long long>(parsed, 0, 255));
    input.corrected = input.value != parsed;
    return input;
}

}  // namespace vantora
