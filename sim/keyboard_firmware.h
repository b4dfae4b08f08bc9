#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "device/protocol.h"

namespace vantora::sim {

// Faults a test can switch on.
struct FirmwareFaults {
    bool refuseAll = false;       // answer every request with a refusal
    int answerDelayMs = 0;        // answers become readable this much later
    bool neverAnswer = false;     // take every request, answer none
    int vanishAfterReports = -1;  // disappear on receiving report N + 1 (-1: never)
    // Every answer comes garbled: a marker that is neither acceptance nor
    // refusal, the header of another block (offset + 56) over data that is
    // not the table's, or only the first 8 bytes.
    enum class Garbage { kNone, kWrongMarker, kWrongEcho, kShort };
    Garbage garbage = Garbage::kNone;
};

// What the keyboard does with one received report.
struct FirmwareReply {
    std::optional<std::array<std::uint8_t, protocol::kReportSize>> answer;
    int delayMs = 0;
    std::size_t answerSize = protocol::kReportSize;  // bytes of the answer the host reads
    bool vanished = false;                           // the keyboard went away on this report
};

using EventReport = std::array<std::uint8_t, protocol::kEventReportSize>;

// Our model of the keyboard's firmware: its tables and its side of the
// configuration protocol. Deterministic and single-threaded; callers that
// share it between threads lock around it.
//
// Answers: byte 0 is 0xAA (accepted) or 0x00 (refused); bytes 1 to 7 repeat
// the request's header (command, reserved, checksum, length, offset) with
// byte 2 carrying the refusal reason; read commands carry 56 table bytes
// from the requested offset at bytes 8 to 63.
class KeyboardFirmware {
public:
    enum RefusalReason : std::uint8_t {
        kBadMarker = 1,
        kBadChecksum = 2,
        kUnknownCommand = 3,
        kOutOfRange = 4,
        kFaultRefuse = 5,
        kBadLength = 6,  // the report was not 64 bytes
    };

    KeyboardFirmware();

    // One report as the keyboard receives it; anything but 64 bytes is
    // refused, as the keyboard's endpoint takes only whole reports.
    FirmwareReply HandleReport(std::span<const std::uint8_t> report);

    // A key press on the standard (fn false) or FN layer: the event report
    // to send on the vendor collection when the key's function class is
    // 0x50 or 0x60; nothing otherwise or for an index outside 0 to 127.
    std::optional<EventReport> PressKey(int index, bool fn) const;

    void FactoryReset();
    void SetFaults(const FirmwareFaults& faults) { faults_ = faults; }

    const std::array<std::uint8_t, protocol::kSettingsSize>& Settings() const { return settings_; }
    const std::array<std::uint8_t, protocol::kKeyTableSize>& KeyTable() const { return keys_; }
    const std::array<std::uint8_t, protocol::kKeyTableSize>& DefaultKeyTable() const { return defaultKeys_; }
    const std::array<std::uint8_t, protocol::kKeyColoursSize>& KeyColours() const { return keyColours_; }
    const std::array<std::uint8_t, protocol::kMacroMemorySize>& MacroMemory() const { return macros_; }
    const std::array<std::uint8_t, protocol::kMusicFrameSize>& MusicFrame() const { return musicFrame_; }
    bool InTransaction() const { return inTransaction_; }
    int ReportsReceived() const { return reportsReceived_; }
    // Music frame blocks taken so far: tells a viewer that frames stream.
    int StreamBlocksReceived() const { return streamBlocksReceived_; }
    // The keys show the last music frame streamed, for as long as no
    // settings block is written (the keyboard keeps a frame, as a real one).
    bool ShowsMusicFrame() const { return showsMusicFrame_; }
    bool Vanished() const { return vanished_; }
    // Plugging in: the keyboard has just been powered. It answers again
    // (after a vanish) and is out of any transaction; its tables stay.
    void PowerUp() {
        vanished_ = false;
        inTransaction_ = false;
    }

    // The factory tables, for tests and for the keyboard itself.
    static std::array<std::uint8_t, protocol::kKeyTableSize> FactoryKeyTable();
    static std::array<std::uint8_t, protocol::kSettingsSize> FactorySettings();

private:
    void Garble(FirmwareReply& reply) const;

    std::array<std::uint8_t, protocol::kSettingsSize> settings_{};
    std::array<std::uint8_t, protocol::kKeyTableSize> defaultKeys_{};
    std::array<std::uint8_t, protocol::kKeyTableSize> keys_{};
    std::array<std::uint8_t, protocol::kKeyColoursSize> keyColours_{};
    std::array<std::uint8_t, protocol::kMacroMemorySize> macros_{};
    std::array<std::uint8_t, protocol::kMusicFrameSize> musicFrame_{};
    FirmwareFaults faults_;
    bool inTransaction_ = false;
    int reportsReceived_ = 0;
    int streamBlocksReceived_ = 0;
    bool showsMusicFrame_ = false;
    bool vanished_ = false;
};

}  // namespace vantora::sim
