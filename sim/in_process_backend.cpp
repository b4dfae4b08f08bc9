#include "sim/in_process_backend.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <span>

#include "device/sim_link.h"

namespace vantora::sim {

InProcessKeyboard::InProcessKeyboard(Description description, Clock& clock)
    : description_(std::move(description)), clock_(clock) {}

void InProcessKeyboard::SetFaults(const FirmwareFaults& faults) {
    std::lock_guard lock(mutex_);
    firmware_.SetFaults(faults);
}

bool InProcessKeyboard::Press(int index, bool fn) {
    std::lock_guard lock(mutex_);
    auto event = firmware_.PressKey(index, fn);
    if (!event || !present_) {
        return false;
    }
    events_.emplace_back(event->begin(), event->end());
    eventsChanged_.notify_all();
    return true;
}

void InProcessKeyboard::SendEvent(const std::vector<std::uint8_t>& report) {
    std::lock_guard lock(mutex_);
    events_.push_back(report);
    eventsChanged_.notify_all();
}

std::vector<std::array<std::uint8_t, protocol::kReportSize>> InProcessKeyboard::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<std::size_t> InProcessKeyboard::ReceivedLengths() const {
    std::lock_guard lock(mutex_);
    return receivedLengths_;
}

void InProcessKeyboard::ClearReceived() {
    std::lock_guard lock(mutex_);
    received_.clear();
    received_.shrink_to_fit();
    receivedLengths_.clear();
    receivedLengths_.shrink_to_fit();
}

int InProcessKeyboard::WriteCount() const {
    std::lock_guard lock(mutex_);
    return writeCount_;
}

int InProcessKeyboard::OpenEventHandles() const {
    std::lock_guard lock(mutex_);
    return openEventHandles_;
}

int InProcessKeyboard::MaxConcurrentEventReaders() const {
    std::lock_guard lock(mutex_);
    return maxEventReaders_;
}

void InProcessKeyboard::Unplug() {
    std::lock_guard lock(mutex_);
    present_ = false;
    answers_.clear();
    events_.clear();
    eventsChanged_.notify_all();
}

void InProcessKeyboard::Plug() {
    std::lock_guard lock(mutex_);
    present_ = true;
    firmware_.PowerUp();
}

bool InProcessKeyboard::Present() const {
    std::lock_guard lock(mutex_);
    return present_;
}

int InProcessKeyboard::HandleWrite(const std::uint8_t* data, std::size_t length) {
    std::lock_guard lock(mutex_);
    ++writeCount_;
    if (!present_ || data == nullptr || length < 1) {
        return -1;
    }
    // As hidraw does: a leading report id 0 is dropped, the rest goes to
    // the keyboard as it is.
    std::span<const std::uint8_t> report(data, length);
    if (data[0] == 0) {
        report = report.subspan(1);
    }
    std::array<std::uint8_t, protocol::kReportSize> copy{};
    std::memcpy(copy.data(), report.data(), std::min(report.size(), copy.size()));
    received_.push_back(copy);
    receivedLengths_.push_back(report.size());
    FirmwareReply reply = firmware_.HandleReport(report);
    if (reply.vanished) {
        present_ = false;
        answers_.clear();
        eventsChanged_.notify_all();
        return -1;
    }
    if (reply.answer) {
        answers_.push_back({clock_.NowMs() + static_cast<std::uint64_t>(std::max(0, reply.delayMs)),
                            *reply.answer, std::min(reply.answerSize, protocol::kReportSize)});
    }
    return static_cast<int>(length);
}

int InProcessKeyboard::HandleCommandRead(std::uint8_t* data, std::size_t length, int milliseconds) {
    std::unique_lock lock(mutex_);
    if (!present_) {
        return -1;
    }
    const std::uint64_t now = clock_.NowMs();
    const std::uint64_t limit = now + static_cast<std::uint64_t>(std::max(0, milliseconds));
    if (answers_.empty() || answers_.front().dueMs > limit) {
        lock.unlock();
        clock_.SleepMs(milliseconds);
        return 0;
    }
    PendingAnswer answer = answers_.front();
    answers_.pop_front();
    lock.unlock();
    if (answer.dueMs > now) {
        clock_.SleepMs(static_cast<int>(answer.dueMs - now));
    }
    std::size_t size = std::min(length, answer.size);
    std::memcpy(data, answer.report.data(), size);
    return static_cast<int>(size);
}

int InProcessKeyboard::HandleEventRead(std::uint8_t* data, std::size_t length, int milliseconds,
                                       const std::atomic<bool>& cancelled) {
    std::unique_lock lock(mutex_);
    ++activeEventReaders_;
    maxEventReaders_ = std::max(maxEventReaders_, activeEventReaders_);
    eventsChanged_.wait_for(lock, std::chrono::milliseconds(std::max(0, milliseconds)),
                            [&] { return !events_.empty() || !present_ || cancelled.load(); });
    --activeEventReaders_;
    if (!present_) {
        return -1;
    }
    if (events_.empty() || cancelled.load()) {
        return 0;
    }
    auto event = std::move(events_.front());
    events_.pop_front();
    std::size_t size = std::min(length, event.size());
    std::memcpy(data, event.data(), size);
    return static_cast<int>(size);
}

void InProcessKeyboard::CancelEventReads() {
    std::lock_guard lock(mutex_);  // the reader sees the flag before it waits again
    eventsChanged_.notify_all();
}

void InProcessKeyboard::EventHandleOpened(int delta) {
    std::lock_guard lock(mutex_);
    openEventHandles_ += delta;
}

namespace {

const std::vector<std::uint8_t>& DescriptorOf(int interfaceNumber) {
    static const auto interfaces = simlink::StandardInterfaces();
    for (const auto& interface : interfaces) {
        if (interface.number == interfaceNumber) {
            return interface.reportDescriptor;
        }
    }
    static const std::vector<std::uint8_t> none;
    return none;
}

class CommandHandle : public HidHandle {
public:
    explicit CommandHandle(std::shared_ptr<InProcessKeyboard> keyboard) : keyboard_(std::move(keyboard)) {}
    int Write(const std::uint8_t* data, std::size_t length) override {
        return keyboard_->HandleWrite(data, length);
    }
    int ReadTimeout(std::uint8_t* data, std::size_t length, int milliseconds) override {
        return keyboard_->HandleCommandRead(data, length, milliseconds);
    }
    std::string ManufacturerString() override { return keyboard_->Info().manufacturer; }
    std::string ProductString() override { return keyboard_->Info().product; }
    bool GetReportDescriptor(std::vector<std::uint8_t>& descriptor) override {
        descriptor = DescriptorOf(2);
        return true;
    }

private:
    std::shared_ptr<InProcessKeyboard> keyboard_;
};

class EventHandle : public HidHandle {
public:
    explicit EventHandle(std::shared_ptr<InProcessKeyboard> keyboard) : keyboard_(std::move(keyboard)) {
        keyboard_->EventHandleOpened(1);
    }
    ~EventHandle() override { keyboard_->EventHandleOpened(-1); }
    int Write(const std::uint8_t*, std::size_t) override { return -1; }
    int ReadTimeout(std::uint8_t* data, std::size_t length, int milliseconds) override {
        return keyboard_->HandleEventRead(data, length, milliseconds, cancelled_);
    }
    std::string ManufacturerString() override { return keyboard_->Info().manufacturer; }
    std::string ProductString() override { return keyboard_->Info().product; }
    bool GetReportDescriptor(std::vector<std::uint8_t>& descriptor) override {
        descriptor = DescriptorOf(simlink::kEventInterface);
        return true;
    }
    void CancelRead() override {
        cancelled_ = true;
        keyboard_->CancelEventReads();
    }

private:
    std::shared_ptr<InProcessKeyboard> keyboard_;
    std::atomic<bool> cancelled_{false};
};

class SilentHandle : public HidHandle {
public:
    SilentHandle(Clock& clock, std::string product, bool keyboardReports)
        : clock_(clock), product_(std::move(product)), keyboardReports_(keyboardReports) {}
    int Write(const std::uint8_t*, std::size_t length) override { return static_cast<int>(length); }
    int ReadTimeout(std::uint8_t*, std::size_t, int milliseconds) override {
        clock_.SleepMs(milliseconds);
        return 0;
    }
    std::string ManufacturerString() override { return ""; }
    std::string ProductString() override { return product_; }
    bool GetReportDescriptor(std::vector<std::uint8_t>& descriptor) override {
        if (keyboardReports_) {
            descriptor = DescriptorOf(2);
            return true;
        }
        descriptor = {0x06, 0x01, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08,
                      0x95, 0x08, 0x09, 0x01, 0x81, 0x02, 0x91, 0x02, 0xC0};  // 8-byte reports
        return true;
    }

private:
    Clock& clock_;
    std::string product_;
    bool keyboardReports_;
};

constexpr std::string_view kPrefix = "inproc:";

}  // namespace

InProcessHidBackend::InProcessHidBackend(Clock& clock) : clock_(clock) {}

std::shared_ptr<InProcessKeyboard> InProcessHidBackend::AddKeyboard(
    InProcessKeyboard::Description description) {
    auto keyboard = std::make_shared<InProcessKeyboard>(std::move(description), clock_);
    std::lock_guard lock(mutex_);
    keyboards_.push_back(keyboard);
    return keyboard;
}

void InProcessHidBackend::AddOtherInterface(const HidDeviceInfo& info, bool openable, bool keyboardReports) {
    std::lock_guard lock(mutex_);
    others_.push_back({info, openable, keyboardReports});
}

std::string InProcessHidBackend::CommandPath(int keyboard) {
    return std::string(kPrefix) + "kbd" + std::to_string(keyboard) + "#2";
}

std::string InProcessHidBackend::EventPath(int keyboard) {
    return std::string(kPrefix) + "kbd" + std::to_string(keyboard) + "#1";
}

std::vector<HidDeviceInfo> InProcessHidBackend::Enumerate(std::uint16_t vendorId, std::uint16_t productId) {
    std::lock_guard lock(mutex_);
    std::vector<HidDeviceInfo> found;
    auto wanted = [&](const HidDeviceInfo& info) {
        return (vendorId == 0 || info.vendorId == vendorId) &&
               (productId == 0 || info.productId == productId);
    };
    for (const auto& other : others_) {
        if (wanted(other.info)) {
            found.push_back(other.info);
        }
    }
    for (std::size_t n = 0; n < keyboards_.size(); ++n) {
        const auto& keyboard = keyboards_[n];
        if (!keyboard->Present()) {
            continue;
        }
        const auto& d = keyboard->Info();
        const simlink::SimKeyboardInfo info{d.vendorId,     d.productId, d.releaseNumber,
                                            d.manufacturer, d.product,   simlink::StandardInterfaces()};
        const int index = static_cast<int>(n);
        for (auto& entry : simlink::EnumerationEntries(
                 info, [&](int number) { return number == 2 ? CommandPath(index) : EventPath(index); })) {
            if (wanted(entry)) {
                found.push_back(std::move(entry));
            }
        }
    }
    return found;
}

bool InProcessHidBackend::OwnsPath(const std::string& path) const {
    return path.compare(0, kPrefix.size(), kPrefix) == 0;
}

std::unique_ptr<HidHandle> InProcessHidBackend::OpenPath(const std::string& path) {
    std::lock_guard lock(mutex_);
    for (const auto& other : others_) {
        if (other.info.path == path) {
            if (!other.openable) {
                return nullptr;
            }
            ++openCount_;
            return std::make_unique<SilentHandle>(clock_, other.info.productString, other.keyboardReports);
        }
    }
    for (std::size_t n = 0; n < keyboards_.size(); ++n) {
        if (!keyboards_[n]->Present()) {
            continue;
        }
        if (path == CommandPath(static_cast<int>(n))) {
            ++openCount_;
            return std::make_unique<CommandHandle>(keyboards_[n]);
        }
        if (path == EventPath(static_cast<int>(n))) {
            ++openCount_;
            return std::make_unique<EventHandle>(keyboards_[n]);
        }
    }
    return nullptr;
}

int InProcessHidBackend::OpenCount() const {
    std::lock_guard lock(mutex_);
    return openCount_;
}

}  // namespace vantora::sim
