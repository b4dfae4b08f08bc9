#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/clock.h"
#include "device/hid_backend.h"
#include "sim/keyboard_firmware.h"

namespace vantora::sim {

// A simulated keyboard living in the test's own process, reached through
// InProcessHidBackend. Thread-safe.
//
// Answers on the command interface are timed with the back end's clock: a
// read with a time-out that finds no answer due consumes its time-out on
// the clock (with a FakeClock: virtual time, no real wait). Reads on the
// event interface wait in real time for a key press, up to their time-out or
// until CancelRead.
class InProcessKeyboard {
public:
    struct Description {
        std::uint16_t vendorId = 0x1209;
        std::uint16_t productId = 0x0001;
        std::uint16_t releaseNumber = 0x0102;
        std::string manufacturer = "VANTORA";
        std::string product = "VANTORA Gaming Keyboard";
    };

    InProcessKeyboard(Description description, Clock& clock);

    // Runs `action` on the firmware under the keyboard's lock.
    template <typename Action>
    auto WithFirmware(Action action) {
        std::lock_guard lock(mutex_);
        return action(firmware_);
    }
    void SetFaults(const FirmwareFaults& faults);

    // A key press; true when it sent an event report.
    bool Press(int index, bool fn);
    // Puts any input report on the event interface (tests of the reader).
    void SendEvent(const std::vector<std::uint8_t>& report);

    // Every report the keyboard received, in order (its first 64 bytes), and
    // how long each was.
    std::vector<std::array<std::uint8_t, protocol::kReportSize>> Received() const;
    std::vector<std::size_t> ReceivedLengths() const;
    // Forgets the reports received so far (long runs keep the record small).
    void ClearReceived();
    int WriteCount() const;
    int OpenEventHandles() const;
    int MaxConcurrentEventReaders() const;

    void Unplug();
    void Plug();
    bool Present() const;
    const Description& Info() const { return description_; }

    // Used by the back end's handles.
    int HandleWrite(const std::uint8_t* data, std::size_t length);
    int HandleCommandRead(std::uint8_t* data, std::size_t length, int milliseconds);
    int HandleEventRead(std::uint8_t* data, std::size_t length, int milliseconds,
                        const std::atomic<bool>& cancelled);
    void CancelEventReads();
    void EventHandleOpened(int delta);

private:
    struct PendingAnswer {
        std::uint64_t dueMs;
        std::array<std::uint8_t, protocol::kReportSize> report;
        std::size_t size;  // bytes the host reads (fewer for a short answer)
    };

    Description description_;
    Clock& clock_;
    mutable std::mutex mutex_;
    std::condition_variable eventsChanged_;
    KeyboardFirmware firmware_;
    std::deque<PendingAnswer> answers_;
    std::deque<std::vector<std::uint8_t>> events_;
    std::vector<std::array<std::uint8_t, protocol::kReportSize>> received_;
    std::vector<std::size_t> receivedLengths_;
    int writeCount_ = 0;
    int openEventHandles_ = 0;
    int activeEventReaders_ = 0;
    int maxEventReaders_ = 0;
    bool present_ = true;
};

// A HID back end over in-process keyboards and plain interface entries.
class InProcessHidBackend : public HidBackend {
public:
    explicit InProcessHidBackend(Clock& clock);

    // Adds a keyboard offering interface 2 and the vendor collection
    // (interface 1, usage page 0xFF00, usage 0).
    std::shared_ptr<InProcessKeyboard> AddKeyboard(InProcessKeyboard::Description description = {});
    // Adds an interface that enumerates but is no keyboard: it opens (when
    // `openable`) and never answers. Its reports are 8 bytes long, so it
    // fails the interface check, unless `keyboardReports` gives it the
    // command interface's 64-byte reports.
    void AddOtherInterface(const HidDeviceInfo& info, bool openable = true, bool keyboardReports = false);
    // Interface paths of a keyboard added as the n-th (0-based).
    static std::string CommandPath(int keyboard);
    static std::string EventPath(int keyboard);

    std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendorId, std::uint16_t productId) override;
    bool OwnsPath(const std::string& path) const override;
    std::unique_ptr<HidHandle> OpenPath(const std::string& path) override;

    int OpenCount() const;

private:
    struct Other {
        HidDeviceInfo info;
        bool openable;
        bool keyboardReports;
    };

    Clock& clock_;
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<InProcessKeyboard>> keyboards_;
    std::vector<Other> others_;
    int openCount_ = 0;
};

}  // namespace vantora::sim
