#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vantora::rgbsdk {

// Every packet starts with "ORGB", then the device index, the packet id and
// the size of the data that follows, each a little-endian 32-bit number.
inline constexpr std::array<std::uint8_t, 4> kMagic{'O', 'R', 'G', 'B'};
inline constexpr std::size_t kHeaderSize = 16;
// The largest packet data a client may send; anything larger drops it.
inline constexpr std::uint32_t kMaxPacketData = 1u << 20;

// The packet ids of protocol versions 0 to 5 that this server knows.
enum PacketId : std::uint32_t {
    kRequestControllerCount = 0,
    kRequestControllerData = 1,
    kRequestProtocolVersion = 40,
    kSetClientName = 50,
    kDeviceListUpdated = 100,
    kRequestRescanDevices = 140,
    kGetProfileList = 150,
    kSaveProfile = 151,
    kLoadProfile = 152,
    kDeleteProfile = 153,
    kGetPluginList = 200,
    kPluginSpecific = 201,
    kResizeZone = 1000,
    kClearSegments = 1001,
    kAddSegment = 1002,
    kUpdateLeds = 1050,
    kUpdateZoneLeds = 1051,
    kUpdateSingleLed = 1052,
    kSetCustomMode = 1100,
    kUpdateMode = 1101,
    kSaveMode = 1102,
};

struct Packet {
    std::uint32_t device = 0;
    std::uint32_t id = 0;
    std::vector<std::uint8_t> data;
};

// A whole packet: header and data.
std::vector<std::uint8_t> EncodePacket(std::uint32_t device, std::uint32_t id,
                                       std::span<const std::uint8_t> data);

// Cuts the byte stream of one client into packets, whatever pieces the bytes
// arrive in. The first byte that breaks the magic, or a header announcing
// more than kMaxPacketData, makes the stream bad for good: the caller closes
// the connection. Memory held is at most one header and one packet's data.
class PacketParser {
public:
    // Appends each packet completed by `bytes` to `packets`, in order, also
    // those completed before the stream turned bad. Returns false once bad.
    bool Feed(std::span<const std::uint8_t> bytes, std::vector<Packet>& packets);
    bool Bad() const { return bad_; }
    // Bytes received of the packet not yet complete.
    std::size_t Pending() const { return headerFill_ + current_.data.size(); }

private:
    std::array<std::uint8_t, kHeaderSize> header_{};
    std::size_t headerFill_ = 0;
    std::uint32_t dataSize_ = 0;
    Packet current_;
    bool bad_ = false;
};

}  // namespace vantora::rgbsdk
