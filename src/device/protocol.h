#pragma once

#include <cstddef>
#include <cstdint>

// The keyboard's configuration protocol, shared by the program and the
// simulated keyboard. Every request is one 64-byte output report on
// interface 2 and is answered by one 64-byte input report.
namespace vantora::protocol {

// Sizes. The host request buffer carries the report id (0) in front of the
// 64-byte report.
inline constexpr std::size_t kReportSize = 64;
inline constexpr std::size_t kRequestSize = 65;
inline constexpr std::size_t kBlockDataSize = 56;
inline constexpr std::size_t kEventReportSize = 32;

// Host request buffer layout (byte 0 is the report id).
inline constexpr std::size_t kHostMarker = 1;
inline constexpr std::size_t kHostCommand = 2;
inline constexpr std::size_t kHostChecksum = 4;
inline constexpr std::size_t kHostLength = 5;
inline constexpr std::size_t kHostOffsetLow = 6;
inline constexpr std::size_t kHostOffsetHigh = 7;
inline constexpr std::size_t kHostData = 9;

// The same fields as the keyboard sees them (report without the id byte);
// answers use the same positions, with the answer marker at byte 0.
inline constexpr std::size_t kMarker = 0;
inline constexpr std::size_t kCommand = 1;
inline constexpr std::size_t kChecksum = 3;
inline constexpr std::size_t kLength = 4;
inline constexpr std::size_t kOffsetLow = 5;
inline constexpr std::size_t kOffsetHigh = 6;
inline constexpr std::size_t kData = 8;

inline constexpr std::uint8_t kRequestMarker = 0x55;
inline constexpr std::uint8_t kAnswerMarker = 0xAA;

// Command codes.
inline constexpr std::uint8_t CMD_BEGIN = 0x01;
inline constexpr std::uint8_t CMD_END = 0x02;
inline constexpr std::uint8_t CMD_READ_SETTINGS = 0x05;
inline constexpr std::uint8_t CMD_WRITE_SETTINGS = 0x06;
inline constexpr std::uint8_t CMD_READ_DEFAULT_KEYS = 0x07;
inline constexpr std::uint8_t CMD_READ_KEYS = 0x08;
inline constexpr std::uint8_t CMD_WRITE_KEYS = 0x09;
inline constexpr std::uint8_t CMD_WRITE_KEY_COLOURS = 0x0B;
inline constexpr std::uint8_t CMD_WRITE_MACROS = 0x0D;
inline constexpr std::uint8_t CMD_STREAM_COLOURS = 0xDD;
inline constexpr std::uint8_t CMD_FACTORY_RESET = 0xEE;

// Table sizes on the keyboard.
inline constexpr std::size_t kSettingsSize = 56;
inline constexpr std::size_t kKeyTableSize = 768;  // 128 slots of 6 bytes
inline constexpr std::size_t kKeySlotSize = 6;
inline constexpr std::size_t kKeyCount = 128;
inline constexpr std::size_t kKeyColoursSize = 384;  // 3 bytes per key index
inline constexpr std::size_t kMacroMemorySize = 3584;
inline constexpr std::size_t kMusicFrameSize = 384;

// Key function classes (byte 0 of a key slot layer).
inline constexpr std::uint8_t kClassKey = 0x10;
inline constexpr std::uint8_t kClassMouse = 0x20;
inline constexpr std::uint8_t kClassWheel = 0x21;
inline constexpr std::uint8_t kClassConsumer = 0x30;
inline constexpr std::uint8_t kClassApplication = 0x50;
inline constexpr std::uint8_t kClassHostFunction = 0x60;
inline constexpr std::uint8_t kClassMacro = 0x70;
inline constexpr std::uint8_t kClassInternal = 0xF0;

// Event reports on the vendor collection: report id 2, class, function id.
inline constexpr std::uint8_t kEventReportId = 2;
inline constexpr std::uint16_t kVendorUsagePage = 0xFF00;
inline constexpr std::uint16_t kVendorUsage = 0;

// The interface that carries the configuration protocol.
inline constexpr int kCommandInterface = 2;

// Low 8 bits of the sum of bytes [first, last] of `data`.
std::uint8_t Checksum(const std::uint8_t* data, std::size_t first, std::size_t last);

// Checks a report as the keyboard receives it (64 bytes): request marker
// and checksum over bytes 4 to 63.
bool IsValidRequest(const std::uint8_t* report, std::size_t size);

}  // namespace vantora::protocol

namespace vantora {

// Posted to the main window for every device event: wParam 0, lParam the id.
inline constexpr unsigned MSG_DEVICE_EVENT = 1092;

}  // namespace vantora
