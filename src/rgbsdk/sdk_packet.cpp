#include "rgbsdk/sdk_packet.h"

#include <algorithm>

#include "rgbsdk/byte_codec.h"

namespace vantora::rgbsdk {

std::vector<std::uint8_t> EncodePacket(std::uint32_t device, std::uint32_t id,
                                       std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out(kMagic.begin(), kMagic.end());
    out.reserve(kHeaderSize + data.size());
    ByteWriter writer(out);
    writer.U32(device);
    writer.U32(id);
    writer.U32(static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

bool PacketParser::Feed(std::span<const std::uint8_t> bytes, std::vector<Packet>& packets) {
    std::size_t at = 0;
    while (!bad_ && at < bytes.size()) {
        if (headerFill_ < kHeaderSize) {
            const std::uint8_t byte = bytes[at++];
            if (headerFill_ < kMagic.size() && byte != kMagic[headerFill_]) {
                bad_ = true;
                break;
            }
            header_[headerFill_++] = byte;
            if (headerFill_ < kHeaderSize) {
                continue;
            }
            ByteReader reader(std::span<const std::uint8_t>(header_).subspan(kMagic.size()));
            current_.device = reader.U32();
            current_.id = reader.U32();
            dataSize_ = reader.U32();
            if (dataSize_ > kMaxPacketData) {
                bad_ = true;
                break;
            }
            current_.data.clear();
            current_.data.reserve(dataSize_);
        } else {
            const std::size_t wanted = dataSize_ - current_.data.size();
            const std::size_t taken = std::min(wanted, bytes.size() - at);
            current_.data.insert(current_.data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                 bytes.begin() + static_cast<std::ptrdiff_t>(at + taken));
            at += taken;
        }
        if (headerFill_ == kHeaderSize && current_.data.size() == dataSize_) {
            packets.push_back(std::move(current_));
            current_ = Packet{};
            headerFill_ = 0;
            dataSize_ = 0;
        }
    }
    if (bad_) {
        current_ = Packet{};
        headerFill_ = 0;
    }
    return !bad_;
}

}  // namespace vantora::rgbsdk
