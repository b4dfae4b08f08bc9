#include "recording_keyboard.h"

#include <algorithm>
#include <cstring>

#include "device/protocol.h"
#include "device/sim_link.h"

namespace vantora::test {
namespace {

template <std::size_t N>
void WriteInto(std::array<std::uint8_t, N>& table, int offset, const std::uint8_t* data) {
    for (std::size_t i = 0; i < 56; ++i) {
        const std::size_t at = static_cast<std::size_t>(offset) + i;
        if (at < N) {
            table[at] = data[i];
        }
    }
}

template <std::size_t N>
void ReadFrom(const std::array<std::uint8_t, N>& table, int offset, std::uint8_t* data) {
    for (std::size_t i = 0; i < 56; ++i) {
        const std::size_t at = static_cast<std::size_t>(offset) + i;
        data[i] = at < N ? table[at] : 0;
    }
}

class Handle : public HidHandle {
public:
    explicit Handle(RecordingKeyboard& keyboard) : keyboard_(keyboard) {}
    int Write(const std::uint8_t* data, std::size_t length) override {
        if (length < 2) {
            return -1;
        }
        std::array<std::uint8_t, 64> answer{};
        if (keyboard_.Handle(data + 1, length - 1, answer)) {
            answers_.push_back(answer);
        }
        return static_cast<int>(length);
    }
    int ReadTimeout(std::uint8_t* data, std::size_t length, int) override {
        if (answers_.empty()) {
            return 0;
        }
        const std::size_t count = std::min<std::size_t>(length, 64);
        std::memcpy(data, answers_.front().data(), count);
        answers_.pop_front();
        return static_cast<int>(count);
    }
    std::string ManufacturerString() override { return "Test"; }
    std::string ProductString() override { return "Recording keyboard"; }
    bool GetReportDescriptor(std::vector<std::uint8_t>& descriptor) override {
        descriptor = simlink::StandardInterfaces().front().reportDescriptor;  // 64-byte reports
        return true;
    }

private:
    RecordingKeyboard& keyboard_;
    std::deque<std::array<std::uint8_t, 64>> answers_;
};

}  // namespace

RecordingKeyboard::RecordingKeyboard() {
    // A recognisable default table: every layer of slot i is 0x10, 0x00, i.
    for (std::size_t i = 0; i < 128; ++i) {
        for (std::size_t layer = 0; layer < 2; ++layer) {
            defaultKeys[6 * i + 3 * layer] = 0x10;
            defaultKeys[6 * i + 3 * layer + 2] = static_cast<std::uint8_t>(i);
        }
    }
    currentKeys = defaultKeys;
    for (std::size_t i = 0; i < settings.size(); ++i) {
        settings[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
}

void RecordingKeyboard::SetAnswerRule(AnswerRule rule) {
    std::lock_guard lock(mutex_);
    rule_ = std::move(rule);
}

void RecordingKeyboard::SetRefuseAll(bool refuse) {
    std::lock_guard lock(mutex_);
    refuse_ = refuse;
}

std::vector<RecordingKeyboard::Report> RecordingKeyboard::Reports() const {
    std::lock_guard lock(mutex_);
    return reports_;
}

std::vector<std::uint8_t> RecordingKeyboard::Commands() const {
    std::lock_guard lock(mutex_);
    std::vector<std::uint8_t> commands;
    for (const Report& report : reports_) {
        commands.push_back(report.command);
    }
    return commands;
}

void RecordingKeyboard::ClearReports() {
    std::lock_guard lock(mutex_);
    reports_.clear();
}

bool RecordingKeyboard::Handle(const std::uint8_t* data, std::size_t size,
                               std::array<std::uint8_t, 64>& answer) {
    using namespace protocol;
    std::lock_guard lock(mutex_);
    Report report;
    std::memcpy(report.bytes.data(), data, std::min<std::size_t>(size, 64));
    report.command = report.bytes[kCommand];
    report.length = report.bytes[kLength];
    report.offset = report.bytes[kOffsetLow] | (report.bytes[kOffsetHigh] << 8);
    reports_.push_back(report);
    if (rule_ && !rule_(report)) {
        return false;
    }
    std::memcpy(answer.data(), report.bytes.data(), 8);
    answer[kMarker] = refuse_ ? 0x00 : kAnswerMarker;
    if (refuse_) {
        return true;
    }
    const std::uint8_t* payload = report.bytes.data() + kData;
    switch (report.command) {
        case CMD_READ_DEFAULT_KEYS:
            ReadFrom(defaultKeys, report.offset, answer.data() + kData);
            break;
        case CMD_READ_KEYS:
            ReadFrom(currentKeys, report.offset, answer.data() + kData);
            break;
        case CMD_READ_SETTINGS:
            ReadFrom(settings, 0, answer.data() + kData);
            break;
        case CMD_WRITE_SETTINGS:
            WriteInto(settings, 0, payload);
            break;
        case CMD_WRITE_KEYS:
            WriteInto(currentKeys, report.offset, payload);
            break;
        case CMD_WRITE_MACROS:
            WriteInto(macros, report.offset, payload);
            break;
        case CMD_WRITE_KEY_COLOURS:
            WriteInto(colours, report.offset, payload);
            break;
        case CMD_STREAM_COLOURS:
            WriteInto(musicFrame, report.offset, payload);
            break;
        case CMD_FACTORY_RESET:
            currentKeys = defaultKeys;
            ++factoryResets;
            break;
        default:
            break;
    }
    return true;
}

std::vector<HidDeviceInfo> RecordingKeyboardBackend::Enumerate(std::uint16_t, std::uint16_t) {
    HidDeviceInfo info;
    info.path = "fake:kbd";
    info.vendorId = RecordingKeyboard::kVendorId;
    info.productId = RecordingKeyboard::kProductId;
    info.releaseNumber = RecordingKeyboard::kRelease;
    info.interfaceNumber = 2;
    return {info};
}

std::unique_ptr<HidHandle> RecordingKeyboardBackend::OpenPath(const std::string& path) {
    if (!OwnsPath(path)) {
        return nullptr;
    }
    return std::make_unique<Handle>(keyboard_);
}

}  // namespace vantora::test
