#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantora::rgbsdk {

// Appends the SDK's little-endian fields to a byte buffer.
class ByteWriter {
public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void U16(std::uint16_t value);
    void U32(std::uint32_t value);
    void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
    // A 16-bit length counting the terminating NUL, the bytes, then the NUL.
    // Text longer than the length can say is cut to 65534 bytes.
    void String(std::string_view text);
    // Overwrites four bytes written before, at `offset` from the buffer's start.
    void PatchU32(std::size_t offset, std::uint32_t value);
    std::size_t Size() const { return out_.size(); }

private:
    std::vector<std::uint8_t>& out_;
};

// Reads the SDK's little-endian fields from received bytes. A read past the
// end fails, leaves the reader failed and yields 0 or an empty text.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint16_t U16();
    std::uint32_t U32();
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    // A length-prefixed text; the terminating NUL and anything after the
    // first NUL are left out.
    std::string String();
    std::size_t Remaining() const { return failed_ ? 0 : bytes_.size() - position_; }
    bool Ok() const { return !failed_; }
    void Fail() { failed_ = true; }

private:
    bool Take(std::size_t count);

    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

}  // namespace vantora::rgbsdk
