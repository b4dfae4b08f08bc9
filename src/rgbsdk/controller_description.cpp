#include "rgbsdk/controller_description.h"

#include <algorithm>

namespace vantora::rgbsdk {

namespace {

constexpr std::uint32_t kBrightnessVersion = 3;
constexpr std::uint32_t kSegmentsVersion = 4;
constexpr std::uint32_t kFlagsVersion = 5;

SdkMode DirectMode() {
    SdkMode mode;
    mode.name = "Direct";
    mode.value = -1;
    mode.flags = kModePerLedColour;
    mode.colourMode = kColourPerLed;
    return mode;
}

SdkMode CustomMode() {
    SdkMode mode;
    mode.name = "Custom";
    mode.value = 0;
    mode.flags = kModePerLedColour | kModeBrightness | kModeManualSave;
    mode.brightnessMin = 0;
    mode.brightnessMax = 100;
    mode.brightness = 100;
    mode.colourMode = kColourPerLed;
    return mode;
}

}  // namespace

std::optional<SdkController> BuildKeyboardController(DeviceTexts texts, const std::vector<SdkKey>& keys,
                                                     std::vector<SdkMode> lightModes) {
    if (keys.empty() || keys.size() > 0xFFFF) {
        return std::nullopt;
    }
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    for (const SdkKey& key : keys) {
        width = std::max<std::uint64_t>(width, std::uint64_t{key.column} + 1);
        height = std::max<std::uint64_t>(height, std::uint64_t{key.row} + 1);
    }
    if (width * height > kMaxMatrixCells) {
        return std::nullopt;
    }
    SdkController controller;
    controller.zoneName = "Keyboard";
    controller.texts = std::move(texts);
    controller.width = static_cast<std::uint32_t>(width);
    controller.height = static_cast<std::uint32_t>(height);
    controller.matrix.assign(static_cast<std::size_t>(width * height), kNoLed);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const SdkKey& key = keys[i];
        std::uint32_t& cell = controller.matrix[key.row * controller.width + key.column];
        if (cell == kNoLed) {
            cell = static_cast<std::uint32_t>(i);
        }
        controller.ledNames.push_back("Key: " + key.legend);
        controller.ledDisplayNames.push_back(key.displayName.empty() ? key.legend : key.displayName);
        controller.ledValues.push_back(key.value);
    }
    controller.colours.assign(keys.size(), 0);
    controller.modes.push_back(DirectMode());
    controller.modes.push_back(CustomMode());
    for (SdkMode& mode : lightModes) {
        controller.modes.push_back(std::move(mode));
    }
    controller.modes.resize(std::min<std::size_t>(controller.modes.size(), 0xFFFF));
    return controller;
}

void WriteMode(ByteWriter& writer, const SdkMode& mode, std::uint32_t version) {
    const bool brightness = version >= kBrightnessVersion;
    writer.String(mode.name);
    writer.I32(mode.value);
    writer.U32(mode.flags);
    writer.U32(mode.speedMin);
    writer.U32(mode.speedMax);
    if (brightness) {
        writer.U32(mode.brightnessMin);
        writer.U32(mode.brightnessMax);
    }
    writer.U32(mode.coloursMin);
    writer.U32(mode.coloursMax);
    writer.U32(mode.speed);
    if (brightness) {
        writer.U32(mode.brightness);
    }
    writer.U32(mode.direction);
    writer.U32(mode.colourMode);
    const std::size_t count = std::min<std::size_t>(mode.colours.size(), 0xFFFF);
    writer.U16(static_cast<std::uint16_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        writer.U32(mode.colours[i]);
    }
}

SdkMode ReadMode(ByteReader& reader, std::uint32_t version) {
    const bool brightness = version >= kBrightnessVersion;
    SdkMode mode;
    mode.name = reader.String();
    mode.value = reader.I32();
    mode.flags = reader.U32();
    mode.speedMin = reader.U32();
    mode.speedMax = reader.U32();
    if (brightness) {
        mode.brightnessMin = reader.U32();
        mode.brightnessMax = reader.U32();
    }
    mode.coloursMin = reader.U32();
    mode.coloursMax = reader.U32();
    mode.speed = reader.U32();
    if (brightness) {
        mode.brightness = reader.U32();
    }
    mode.direction = reader.U32();
    mode.colourMode = reader.U32();
    const std::uint16_t count = reader.U16();
    // Checked before reserving, so that a false count costs nothing.
    if (reader.Remaining() / 4 < count) {
        reader.Fail();
        return mode;
    }
    mode.colours.reserve(count);
    for (std::uint16_t i = 0; i < count; ++i) {
        mode.colours.push_back(reader.U32());
    }
    return mode;
}

std::vector<std::uint8_t> SerializeController(const SdkController& controller, std::uint32_t version) {
    version = std::min(version, kMaxProtocolVersion);
    std::vector<std::uint8_t> out;
    ByteWriter writer(out);
    writer.U32(0);  // the block's size, known at the end
    writer.I32(kKeyboardDeviceType);
    writer.String(controller.texts.name);
    if (version >= 1) {
        writer.String(controller.texts.vendor);
    }
    writer.String(controller.texts.description);
    writer.String(controller.texts.version);
    writer.String(controller.texts.serial);
    writer.String(controller.texts.location);

    writer.U16(static_cast<std::uint16_t>(controller.modes.size()));
    writer.I32(controller.activeMode);
    for (const SdkMode& mode : controller.modes) {
        WriteMode(writer, mode, version);
    }

    const auto ledCount = static_cast<std::uint32_t>(controller.ledNames.size());
    writer.U16(1);
    writer.String(controller.zoneName);
    writer.I32(kMatrixZoneType);
    writer.U32(ledCount);  // fewest
    writer.U32(ledCount);  // most
    writer.U32(ledCount);
    writer.U16(static_cast<std::uint16_t>(8 + 4 * controller.matrix.size()));
    writer.U32(controller.height);
    writer.U32(controller.width);
    for (std::uint32_t cell : controller.matrix) {
        writer.U32(cell);
    }
    if (version >= kSegmentsVersion) {
        writer.U16(0);
    }
    if (version >= kFlagsVersion) {
        writer.U32(0);
    }

    writer.U16(static_cast<std::uint16_t>(ledCount));
    for (std::uint32_t i = 0; i < ledCount; ++i) {
        writer.String(controller.ledNames[i]);
        writer.U32(controller.ledValues[i]);
    }
    writer.U16(static_cast<std::uint16_t>(controller.colours.size()));
    for (std::uint32_t colour : controller.colours) {
        writer.U32(colour);
    }
    if (version >= kFlagsVersion) {
        writer.U16(static_cast<std::uint16_t>(controller.ledDisplayNames.size()));
        for (const std::string& name : controller.ledDisplayNames) {
            writer.String(name);
        }
        writer.U32(0);  // controller flags
    }
    writer.PatchU32(0, static_cast<std::uint32_t>(out.size()));
    return out;
}

}  // namespace vantora::rgbsdk
