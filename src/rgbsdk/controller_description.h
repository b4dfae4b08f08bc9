#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "rgbsdk/byte_codec.h"

namespace vantora::rgbsdk {

// The highest protocol version this server speaks.
inline constexpr std::uint32_t kMaxProtocolVersion = 5;
// A matrix cell without an LED.
inline constexpr std::uint32_t kNoLed = 0xFFFFFFFF;
inline constexpr std::int32_t kKeyboardDeviceType = 5;
inline constexpr std::int32_t kMatrixZoneType = 2;

// What a mode offers, as bits of its flags.
enum ModeFlag : std::uint32_t {
    kModeSpeed = 1u << 0,
    kModeDirectionLeftRight = 1u << 1,
    kModeDirectionUpDown = 1u << 2,
    kModeDirectionHorizontalVertical = 1u << 3,
    kModeBrightness = 1u << 4,
    kModePerLedColour = 1u << 5,
    kModeSpecificColour = 1u << 6,
    kModeRandomColour = 1u << 7,
    kModeManualSave = 1u << 8,
    kModeAutomaticSave = 1u << 9,
};

// How a mode takes its colours.
enum ColourMode : std::uint32_t {
    kColourNone = 0,
    kColourPerLed = 1,
    kColourModeSpecific = 2,
    kColourRandom = 3,
};

// One mode as clients see it. Colours are 0x00BBGGRR.
struct SdkMode {
    std::string name;
    std::int32_t value = 0;  // ours: the light mode number; clients send it back
    std::uint32_t flags = 0;
    std::uint32_t speedMin = 0;
    std::uint32_t speedMax = 0;
    std::uint32_t brightnessMin = 0;
    std::uint32_t brightnessMax = 0;
    std::uint32_t coloursMin = 0;
    std::uint32_t coloursMax = 0;
    std::uint32_t speed = 0;
    std::uint32_t brightness = 0;
    std::uint32_t direction = 0;
    std::uint32_t colourMode = kColourNone;
    std::vector<std::uint32_t> colours;

    bool operator==(const SdkMode&) const = default;
};

// One key of the keyboard: its legend, the name shown for it (empty: the
// legend) and its cell in the grid.
struct SdkKey {
    std::string legend;
    std::string displayName;
    std::uint32_t column = 0;
    std::uint32_t row = 0;
    std::uint32_t value = 0;  // ours to use: the keyboard's key index
};

// Where the device's texts come from.
struct DeviceTexts {
    std::string name;
    std::string vendor;
    std::string description;
    std::string version;
    std::string serial;
    std::string location;
};

// The one controller this server offers: a keyboard with a single matrix
// zone holding every key. Modes 0 and 1 are always Direct and Custom.
struct SdkController {
    DeviceTexts texts;
    std::vector<SdkMode> modes;
    std::int32_t activeMode = 0;
    std::string zoneName;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> matrix;  // height rows of width LED indices or kNoLed
    std::vector<std::string> ledNames;  // "Key: <legend>"
    std::vector<std::string> ledDisplayNames;
    std::vector<std::uint32_t> ledValues;
    std::vector<std::uint32_t> colours;  // one per LED
};

inline constexpr std::int32_t kDirectModeIndex = 0;
inline constexpr std::int32_t kCustomModeIndex = 1;

// The largest grid a zone's matrix can describe (its length is 16 bits).
inline constexpr std::uint32_t kMaxMatrixCells = (0xFFFFu - 8u) / 4u;

// Builds the controller from the device's texts, its keys in LED order and
// the light modes offered after Direct and Custom. The grid is as wide and
// high as the keys' largest column and row; a cell taken by an earlier key
// keeps that key (the later one stays an LED without a cell). Nothing when
// there is no key, more keys than 65535, or a grid above kMaxMatrixCells.
std::optional<SdkController> BuildKeyboardController(DeviceTexts texts, const std::vector<SdkKey>& keys,
                                                     std::vector<SdkMode> lightModes);

// The mode block of `version`: brightness fields from version 3 on.
void WriteMode(ByteWriter& writer, const SdkMode& mode, std::uint32_t version);
// Reads a mode block of `version`; fails the reader on short or bad data.
SdkMode ReadMode(ByteReader& reader, std::uint32_t version);

// The controller data block answered to a controller data request of
// `version` (0..kMaxProtocolVersion; higher is treated as the highest),
// starting with its own total size.
std::vector<std::uint8_t> SerializeController(const SdkController& controller, std::uint32_t version);

}  // namespace vantora::rgbsdk
