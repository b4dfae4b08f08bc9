#include "rgbsdk/light_mode_offer.h"

#include <algorithm>

namespace vantora::rgbsdk {

namespace {

constexpr std::uint32_t kSlowest = 0;
constexpr std::uint32_t kFastest = 4;
constexpr std::uint32_t kBrightest = 100;

}  // namespace

SdkMode DescribeLightMode(const LightModeOffer& offer) {
    SdkMode mode;
    mode.name = offer.name;
    mode.value = offer.number;
    mode.flags = kModeAutomaticSave;
    if (offer.hasSpeed) {
        mode.flags |= kModeSpeed;
        mode.speedMin = kSlowest;
        mode.speedMax = kFastest;
        mode.speed = std::min(offer.speed, kFastest);
    }
    if (offer.hasBrightness) {
        mode.flags |= kModeBrightness;
        mode.brightnessMax = kBrightest;
        mode.brightness = std::min(offer.brightness, kBrightest);
    }
    if (offer.hasLeftRight) {
        mode.flags |= kModeDirectionLeftRight;
        mode.direction = offer.directionFirst ? kDirectionLeft : kDirectionRight;
    } else if (offer.hasUpDown) {
        mode.flags |= kModeDirectionUpDown;
        mode.direction = offer.directionFirst ? kDirectionUp : kDirectionDown;
    }
    if (offer.hasColour) {
        mode.flags |= kModeSpecificColour;
        mode.coloursMin = 1;
        mode.coloursMax = 1;
        mode.colours = {offer.colour & 0x00FFFFFF};
        mode.colourMode = kColourModeSpecific;
    }
    if (offer.hasColourful) {
        mode.flags |= kModeRandomColour;
        if (offer.colourful) {
            mode.colourMode = kColourRandom;
        }
    }
    return mode;
}

LightModeSettings SettingsOf(const SdkMode& mode) {
    LightModeSettings settings;
    settings.speed = mode.speed;
    settings.brightness = mode.brightness;
    if (mode.flags & kModeDirectionLeftRight) {
        settings.directionFirst = mode.direction == kDirectionLeft;
    } else if (mode.flags & kModeDirectionUpDown) {
        settings.directionFirst = mode.direction == kDirectionUp;
    }
    settings.colourful = mode.colourMode == kColourRandom;
    settings.colour = mode.colours.empty() ? 0 : mode.colours.front();
    return settings;
}

}  // namespace vantora::rgbsdk
