#pragma once

#include <cstdint>
#include <string>

#include "rgbsdk/controller_description.h"

namespace vantora::rgbsdk {

// Mode directions as clients number them.
enum SdkDirection : std::uint32_t {
    kDirectionLeft = 0,
    kDirectionRight = 1,
    kDirectionUp = 2,
    kDirectionDown = 3,
};

// One of the keyboard's light modes in the terms of the lighting page: the
// parameters it offers and its current values.
struct LightModeOffer {
    std::string name;
    std::int32_t number = 0;  // the light mode number, sent as the mode's value
    bool hasSpeed = false;
    bool hasBrightness = false;
    bool hasLeftRight = false;
    bool hasUpDown = false;  // only when hasLeftRight is false
    bool hasColour = false;
    bool hasColourful = false;
    std::uint32_t speed = 0;       // 0..4
    std::uint32_t brightness = 0;  // 0..100
    bool directionFirst = false;   // left or up
    bool colourful = false;
    std::uint32_t colour = 0;  // 0x00BBGGRR
};

// The mode clients see for it. The keyboard keeps a light mode once it is
// set, so light modes save automatically.
SdkMode DescribeLightMode(const LightModeOffer& offer);

// What a client set on a light mode, back in the lighting page's terms;
// directionFirst is false for a mode without directions.
struct LightModeSettings {
    std::uint32_t speed = 0;
    std::uint32_t brightness = 0;
    bool directionFirst = false;
    bool colourful = false;
    std::uint32_t colour = 0;
    bool operator==(const LightModeSettings&) const = default;
};
LightModeSettings SettingsOf(const SdkMode& mode);

}  // namespace vantora::rgbsdk
