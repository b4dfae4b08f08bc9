#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "device/hid_backend.h"

namespace vantora::test {

// A small keyboard for the download tests: one command interface that
// records every 64-byte report it receives, answers 0xAA (or refuses when a
// rule says so) and keeps the tables the downloads write.
class RecordingKeyboard {
public:
    static constexpr std::uint16_t kVendorId = 0x1234;
    static constexpr std::uint16_t kProductId = 0x5678;
    static constexpr std::uint16_t kRelease = 0x0102;

    RecordingKeyboard();

    struct Report {
        std::uint8_t command = 0;
        int length = 0;
        int offset = 0;
        std::array<std::uint8_t, 64> bytes{};
    };

    // Returns false to leave a report unanswered (the host sees no answer).
    using AnswerRule = std::function<bool(const Report&)>;
    void SetAnswerRule(AnswerRule rule);
    // When set, answers carry 0x00 instead of 0xAA.
    void SetRefuseAll(bool refuse);

    std::vector<Report> Reports() const;
    std::vector<std::uint8_t> Commands() const;
    void ClearReports();

    std::array<std::uint8_t, 768> defaultKeys{};
    std::array<std::uint8_t, 768> currentKeys{};
    std::array<std::uint8_t, 56> settings{};
    std::array<std::uint8_t, 3584> macros{};
    std::array<std::uint8_t, 384> colours{};
    std::array<std::uint8_t, 384> musicFrame{};
    int factoryResets = 0;

    // Handles one report as the keyboard sees it; the answer, if any.
    bool Handle(const std::uint8_t* report, std::size_t size, std::array<std::uint8_t, 64>& answer);

private:
    mutable std::mutex mutex_;
    std::vector<Report> reports_;
    AnswerRule rule_;
    bool refuse_ = false;
};

// The HID back end offering the keyboard's interface 2.
class RecordingKeyboardBackend : public HidBackend {
public:
    explicit RecordingKeyboardBackend(RecordingKeyboard& keyboard) : keyboard_(keyboard) {}
    std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendorId, std::uint16_t productId) override;
    bool OwnsPath(const std::string& path) const override { return path == "fake:kbd"; }
    std::unique_ptr<HidHandle> OpenPath(const std::string& path) override;

private:
    RecordingKeyboard& keyboard_;
};

}  // namespace vantora::test
