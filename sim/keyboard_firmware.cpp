#include "sim/keyboard_firmware.h"

#include <algorithm>
#include <cstring>

#include "device/key_index.h"

namespace vantora::sim {

namespace {

using Report = std::array<std::uint8_t, protocol::kReportSize>;

// Consumer usages the FN layer puts on F1 to F7: play/pause, next, previous,
// stop, volume up, volume down, mute.
constexpr std::uint8_t kFnMediaUsages[7] = {0xCD, 0xB5, 0xB6, 0xB7, 0xE9, 0xEA, 0xE2};
constexpr int kFirstFunctionKeyCode = 58;  // F1

Report AnswerHeader(const Report& request, std::uint8_t marker) {
    Report answer{};
    answer[0] = marker;
    for (std::size_t i = 1; i < protocol::kData; ++i) {
        answer[i] = request[i];
    }
    return answer;
}

void SetAnswerChecksum(Report& answer) {
    answer[protocol::kChecksum] = protocol::Checksum(answer.data(), 4, 63);
}

template <std::size_t N>
bool ReadBlock(const std::array<std::uint8_t, N>& table, std::size_t offset, Report& answer) {
    if (offset >= N) {
        return false;
    }
    std::size_t size = std::min(protocol::kBlockDataSize, N - offset);
    std::memcpy(answer.data() + protocol::kData, table.data() + offset, size);
    return true;
}

template <std::size_t N>
bool WriteBlock(std::array<std::uint8_t, N>& table, std::size_t offset, std::size_t length,
                const Report& request) {
    if (length > protocol::kBlockDataSize || offset + length > N) {
        return false;  // never past the table
    }
    std::memcpy(table.data() + offset, request.data() + protocol::kData, length);
    return true;
}

}  // namespace

KeyboardFirmware::KeyboardFirmware() {
    FactoryReset();
}

std::array<std::uint8_t, protocol::kKeyTableSize> KeyboardFirmware::FactoryKeyTable() {
    std::array<std::uint8_t, protocol::kKeyTableSize> table{};
    for (const auto& key : BuiltInKeyMatrix()) {
        std::uint8_t* slot = table.data() + protocol::kKeySlotSize * static_cast<std::size_t>(key.index);
        std::uint8_t layer[3];
        if (key.index == kFnKeyIndex) {
            // The Fn key switches layers inside the keyboard.
            layer[0] = protocol::kClassInternal;
            layer[1] = 0x01;
            layer[2] = 0x00;
        } else if (key.code >= 224 && key.code <= 231) {
            // A lone modifier: its bit, as the program encodes one.
            layer[0] = protocol::kClassKey;
            layer[1] = 0x00;
            layer[2] = static_cast<std::uint8_t>(ModifierBit(static_cast<unsigned>(key.code)));
        } else {
            layer[0] = protocol::kClassKey;
            layer[1] = 0x00;
            layer[2] = static_cast<std::uint8_t>(key.code);
        }
        std::memcpy(slot, layer, 3);
        std::memcpy(slot + 3, layer, 3);
        int function = key.code - kFirstFunctionKeyCode;
        if (function >= 0 && function < 7) {
            slot[3] = protocol::kClassConsumer;
            slot[4] = kFnMediaUsages[function];
            slot[5] = 0x00;
        }
    }
    return table;
}

std::array<std::uint8_t, protocol::kSettingsSize> KeyboardFirmware::FactorySettings() {
    std::array<std::uint8_t, protocol::kSettingsSize> settings{};
    settings[0] = 0x01;  // settings layout version
    settings[1] = 0x00;
    settings[2] = 0x01;   // light mode 1
    settings[3] = 100;    // brightness
    settings[4] = 2;      // speed
    settings[5] = 0;      // direction
    settings[6] = 1;      // colourful
    settings[7] = 0;      // colour index
    settings[8] = 0xFF;   // red
    settings[9] = 0xFF;   // green
    settings[10] = 0xFF;  // blue
    settings[17] = 0;     // no system keys locked
    return settings;
}

void KeyboardFirmware::FactoryReset() {
    settings_ = FactorySettings();
    defaultKeys_ = FactoryKeyTable();
    keys_ = defaultKeys_;
    keyColours_.fill(0);
    macros_.fill(0);
    musicFrame_.fill(0);
    showsMusicFrame_ = false;
    inTransaction_ = false;
}

FirmwareReply KeyboardFirmware::HandleReport(std::span<const std::uint8_t> received) {
    FirmwareReply reply;
    if (vanished_) {
        reply.vanished = true;
        return reply;
    }
    ++reportsReceived_;
    if (faults_.vanishAfterReports >= 0 && reportsReceived_ > faults_.vanishAfterReports) {
        vanished_ = true;
        reply.vanished = true;
        return reply;
    }
    Report request{};
    std::memcpy(request.data(), received.data(), std::min(received.size(), request.size()));

    auto refuse = [&](std::uint8_t reason) {
        Report answer = AnswerHeader(request, 0x00);
        answer[2] = reason;
        SetAnswerChecksum(answer);
        reply.answer = answer;
        Garble(reply);
    };
    reply.delayMs = faults_.answerDelayMs;
    if (faults_.neverAnswer) {
        return reply;
    }
    if (received.size() != protocol::kReportSize) {
        refuse(kBadLength);
        return reply;
    }
    if (request[protocol::kMarker] != protocol::kRequestMarker) {
        refuse(kBadMarker);
        return reply;
    }
    if (!protocol::IsValidRequest(request.data(), request.size())) {
        refuse(kBadChecksum);
        return reply;
    }
    if (faults_.refuseAll) {
        refuse(kFaultRefuse);
        return reply;
    }

    const std::size_t length = request[protocol::kLength];
    const std::size_t offset =
        request[protocol::kOffsetLow] | (std::size_t{request[protocol::kOffsetHigh]} << 8);
    Report answer = AnswerHeader(request, protocol::kAnswerMarker);
    bool ok = true;
    switch (request[protocol::kCommand]) {
        case protocol::CMD_BEGIN:
            inTransaction_ = true;
            break;
        case protocol::CMD_END:
            inTransaction_ = false;
            break;
        case protocol::CMD_READ_SETTINGS:
            ok = ReadBlock(settings_, offset, answer);
            break;
        case protocol::CMD_WRITE_SETTINGS:
            ok = WriteBlock(settings_, offset, length, request);
            showsMusicFrame_ = showsMusicFrame_ && !ok;  // back to the light mode
            break;
        case protocol::CMD_READ_DEFAULT_KEYS:
            ok = ReadBlock(defaultKeys_, offset, answer);
            break;
        case protocol::CMD_READ_KEYS:
            ok = ReadBlock(keys_, offset, answer);
            break;
        case protocol::CMD_WRITE_KEYS:
            ok = WriteBlock(keys_, offset, length, request);
            break;
        case protocol::CMD_WRITE_KEY_COLOURS:
            ok = WriteBlock(keyColours_, offset, length, request);
            break;
        case protocol::CMD_WRITE_MACROS:
            ok = WriteBlock(macros_, offset, length, request);
            break;
        case protocol::CMD_STREAM_COLOURS:
            ok = WriteBlock(musicFrame_, offset, length, request);
            streamBlocksReceived_ += ok ? 1 : 0;
            showsMusicFrame_ = showsMusicFrame_ || ok;
            break;
        case protocol::CMD_FACTORY_RESET:
            FactoryReset();
            break;
        default:
            refuse(kUnknownCommand);
            return reply;
    }
    if (!ok) {
        refuse(kOutOfRange);
        return reply;
    }
    SetAnswerChecksum(answer);
    reply.answer = answer;
    Garble(reply);
    return reply;
}

void KeyboardFirmware::Garble(FirmwareReply& reply) const {
    if (!reply.answer) {
        return;
    }
    Report& answer = *reply.answer;
    switch (faults_.garbage) {
        case FirmwareFaults::Garbage::kNone:
            break;
        case FirmwareFaults::Garbage::kWrongMarker:
            answer[protocol::kMarker] = 0x5A;
            break;
        case FirmwareFaults::Garbage::kWrongEcho: {
            const int offset = (answer[protocol::kOffsetLow] | (answer[protocol::kOffsetHigh] << 8)) +
                               static_cast<int>(protocol::kBlockDataSize);
            answer[protocol::kOffsetLow] = static_cast<std::uint8_t>(offset & 0xFF);
            answer[protocol::kOffsetHigh] = static_cast<std::uint8_t>(offset >> 8);
            std::fill(answer.begin() + protocol::kData, answer.end(), std::uint8_t{0xEE});
            SetAnswerChecksum(answer);
            break;
        }
        case FirmwareFaults::Garbage::kShort:
            reply.answerSize = protocol::kData;
            break;
    }
}

std::optional<EventReport> KeyboardFirmware::PressKey(int index, bool fn) const {
    if (index < 0 || index >= static_cast<int>(protocol::kKeyCount)) {
        return std::nullopt;
    }
    const std::uint8_t* layer =
        keys_.data() + protocol::kKeySlotSize * static_cast<std::size_t>(index) + (fn ? 3 : 0);
    if (layer[0] != protocol::kClassApplication && layer[0] != protocol::kClassHostFunction) {
        return std::nullopt;
    }
    EventReport event{};
    event[0] = protocol::kEventReportId;
    event[1] = layer[0];
    event[2] = layer[1];
    return event;
}

}  // namespace vantora::sim
