#include "rgbsdk/byte_codec.h"

#include <algorithm>

namespace vantora::rgbsdk {

void ByteWriter::U16(std::uint16_t value) {
    out_.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out_.push_back(static_cast<std::uint8_t>(value >> 8));
}

void ByteWriter::U32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out_.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
}

void ByteWriter::String(std::string_view text) {
    const std::size_t length = std::min<std::size_t>(text.size(), 0xFFFE);
    U16(static_cast<std::uint16_t>(length + 1));
    out_.insert(out_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
    out_.push_back(0);
}

void ByteWriter::PatchU32(std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out_.at(offset + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
    }
}

bool ByteReader::Take(std::size_t count) {
    if (failed_ || bytes_.size() - position_ < count) {
        failed_ = true;
        return false;
    }
    return true;
}

std::uint16_t ByteReader::U16() {
    if (!Take(2)) {
        return 0;
    }
    const auto value = static_cast<std::uint16_t>(bytes_[position_] | (bytes_[position_ + 1] << 8));
    position_ += 2;
    return value;
}

std::uint32_t ByteReader::U32() {
    if (!Take(4)) {
        return 0;
    }
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | bytes_[position_ + static_cast<std::size_t>(i)];
    }
    position_ += 4;
    return value;
}

std::string ByteReader::String() {
    const std::uint16_t length = U16();
    if (!Take(length)) {
        return {};
    }
    const auto* begin = reinterpret_cast<const char*>(bytes_.data() + position_);
    position_ += length;
    std::string text(begin, length);
    text.resize(std::min(text.size(), text.find('\0')));
    return text;
}

}  // namespace vantora::rgbsdk
