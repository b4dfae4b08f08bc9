#include "rgbsdk/request_handler.h"

#include <algorithm>

#include "rgbsdk/byte_codec.h"

namespace vantora::rgbsdk {

namespace {

constexpr std::size_t kMaxClientName = 256;
constexpr std::uint32_t kColourMask = 0x00FFFFFF;

std::uint32_t Clamp(std::uint32_t value, std::uint32_t bound1, std::uint32_t bound2) {
    // A mode's range may run downwards (a slower speed with a larger number).
    return std::clamp(value, std::min(bound1, bound2), std::max(bound1, bound2));
}

bool ColourModeOffered(const SdkMode& mode, std::uint32_t colourMode) {
    switch (colourMode) {
        case kColourNone:  // a mode that is only colourful may be switched to its plain look
            return (mode.flags & (kModePerLedColour | kModeSpecificColour)) == 0;
        case kColourPerLed:
            return (mode.flags & kModePerLedColour) != 0;
        case kColourModeSpecific:
            return (mode.flags & kModeSpecificColour) != 0;
        case kColourRandom:
            return (mode.flags & kModeRandomColour) != 0;
        default:
            return false;
    }
}

// Directions come in pairs: left and right (0, 1), up and down (2, 3),
// horizontal and vertical (4, 5).
bool DirectionOffered(const SdkMode& mode, std::uint32_t direction) {
    switch (direction / 2) {
        case 0:
            return (mode.flags & kModeDirectionLeftRight) != 0;
        case 1:
            return (mode.flags & kModeDirectionUpDown) != 0;
        case 2:
            return (mode.flags & kModeDirectionHorizontalVertical) != 0;
        default:
            return false;
    }
}

// Takes from `sent` what the mode lets a client set; everything else (name,
// flags, ranges) stays ours.
void TakeSettings(SdkMode& mode, const SdkMode& sent, std::uint32_t version) {
    if (mode.flags & kModeSpeed) {
        mode.speed = Clamp(sent.speed, mode.speedMin, mode.speedMax);
    }
    if ((mode.flags & kModeBrightness) && version >= 3) {
        mode.brightness = Clamp(sent.brightness, mode.brightnessMin, mode.brightnessMax);
    }
    if (DirectionOffered(mode, sent.direction)) {
        mode.direction = sent.direction;
    }
    if (ColourModeOffered(mode, sent.colourMode)) {
        mode.colourMode = sent.colourMode;
    }
    if (sent.colours.size() >= mode.coloursMin && sent.colours.size() <= mode.coloursMax) {
        mode.colours = sent.colours;
        for (std::uint32_t& colour : mode.colours) {
            colour &= kColourMask;
        }
    }
}

std::vector<std::uint8_t> EmptyList() {
    std::vector<std::uint8_t> data;
    ByteWriter writer(data);
    writer.U32(6);  // the block's size, counting itself
    writer.U16(0);
    return data;
}

}  // namespace

std::vector<std::uint8_t> RequestHandler::Answer(const Packet& request,
                                                 std::span<const std::uint8_t> data) const {
    return EncodePacket(request.device, request.id, data);
}

std::vector<std::vector<std::uint8_t>> RequestHandler::Handle(const Packet& packet) {
    std::vector<std::vector<std::uint8_t>> answers;
    ByteReader reader(packet.data);
    switch (packet.id) {
        case kRequestProtocolVersion: {
            const std::uint32_t client = reader.U32();  // 0 when the client sent none
            version_ = std::min(client, kMaxProtocolVersion);
            std::vector<std::uint8_t> data;
            ByteWriter(data).U32(version_);
            answers.push_back(Answer(packet, data));
            break;
        }
        case kRequestControllerCount: {
            std::vector<std::uint8_t> data;
            ByteWriter(data).U32(controller_ ? 1 : 0);
            answers.push_back(Answer(packet, data));
            break;
        }
        case kRequestControllerData:
            if (controller_ && packet.device == 0) {
                // The block is laid out for the version the request names
                // (none: version 0).
                const std::uint32_t version = reader.U32();
                answers.push_back(Answer(packet, SerializeController(*controller_, version)));
            }
            break;
        case kSetClientName: {
            const std::size_t length = std::min(packet.data.size(), kMaxClientName);
            std::string name(packet.data.begin(), packet.data.begin() + static_cast<std::ptrdiff_t>(length));
            name.resize(std::min(name.size(), name.find('\0')));
            clientName_ = std::move(name);
            break;
        }
        case kGetProfileList:
        case kGetPluginList:
            answers.push_back(Answer(packet, EmptyList()));
            break;
        case kUpdateLeds:
        case kUpdateZoneLeds:
        case kUpdateSingleLed:
            HandleLedUpdate(packet);
            break;
        case kSetCustomMode:
            if (controller_ && packet.device == 0) {
                controller_->activeMode = kDirectModeIndex;
                actions_.SetCustomMode();
            }
            break;
        case kUpdateMode:
        case kSaveMode:
            HandleMode(packet, packet.id == kSaveMode);
            break;
        default:
            break;
    }
    return answers;
}

void RequestHandler::HandleLedUpdate(const Packet& packet) {
    if (!controller_ || packet.device != 0) {
        return;
    }
    std::vector<std::uint32_t>& colours = controller_->colours;
    ByteReader reader(packet.data);
    if (packet.id == kUpdateSingleLed) {
        const std::uint32_t led = reader.U32();
        const std::uint32_t colour = reader.U32();
        if (!reader.Ok() || led >= colours.size()) {
            return;
        }
        colours[led] = colour & kColourMask;
    } else {
        reader.U32();  // the block's size; the packet's own size bounds the reading
        if (packet.id == kUpdateZoneLeds && reader.U32() != 0) {
            return;  // the keyboard has one zone
        }
        const std::uint16_t count = reader.U16();
        if (!reader.Ok() || reader.Remaining() / 4 < count) {
            return;
        }
        // Colours beyond the LEDs are left out; LEDs beyond the colours keep theirs.
        const std::size_t taken = std::min<std::size_t>(count, colours.size());
        for (std::size_t i = 0; i < taken; ++i) {
            colours[i] = reader.U32() & kColourMask;
        }
    }
    actions_.SetLedColours(colours);
}

void RequestHandler::HandleMode(const Packet& packet, bool save) {
    if (!controller_ || packet.device != 0) {
        return;
    }
    ByteReader reader(packet.data);
    reader.U32();  // the block's size
    const std::int32_t index = reader.I32();
    const SdkMode sent = ReadMode(reader, version_);
    if (!reader.Ok() || index < 0 || static_cast<std::size_t>(index) >= controller_->modes.size()) {
        return;
    }
    SdkMode& mode = controller_->modes[static_cast<std::size_t>(index)];
    TakeSettings(mode, sent, version_);
    controller_->activeMode = index;
    if (save) {
        actions_.SaveMode(index, mode);
    } else {
        actions_.UpdateMode(index, mode);
    }
}

}  // namespace vantora::rgbsdk
