#include "device/device_event_listener.h"

#include <cstring>

#include "device/protocol.h"

namespace vantora {

namespace {

constexpr int kEventReadTimeoutMs = 1000;
constexpr int kReaderPauseMs = 10;

}  // namespace

DeviceEventListener::DeviceEventListener(HidBackend& backend, Clock& clock, PostFunction post,
                                         unsigned message)
    : backend_(backend), clock_(clock), post_(std::move(post)), message_(message) {}

DeviceEventListener::~DeviceEventListener() {
    StopListener();
}

void DeviceEventListener::SetFilter(std::uint16_t vendorId, std::uint16_t productId) {
    vendorFilter_ = vendorId;
    productFilter_ = productId;
}

void DeviceEventListener::StopListener() {
    std::lock_guard lock(lifecycleMutex_);
    StopLocked();
}

void DeviceEventListener::StopLocked() {
    running_ = false;
    if (device_) {
        device_->CancelRead();
    }
    if (reader_.joinable()) {
        reader_.join();
    }
    device_.reset();
}

void DeviceEventListener::StartListener() {
    running_ = false;
    if (restarting_.exchange(true)) {
        return;
    }
    {
        std::lock_guard lock(lifecycleMutex_);
        StopLocked();
        for (const auto& entry : backend_.Enumerate(vendorFilter_.load(), productFilter_.load())) {
            if (entry.usagePage != protocol::kVendorUsagePage || entry.usage != protocol::kVendorUsage) {
                continue;
            }
            device_ = backend_.OpenPath(entry.path);
            if (device_) {
                break;
            }
        }
        if (device_) {
            running_ = true;
            reader_ = std::thread([this, device = device_.get()] { ReaderLoop(device); });
        }
    }
    restarting_ = false;
}

void DeviceEventListener::ReaderLoop(HidHandle* device) {
    std::uint8_t report[protocol::kEventReportSize];
    while (running_.load()) {
        std::memset(report, 0, sizeof report);
        int read = device->ReadTimeout(report, sizeof report, kEventReadTimeoutMs);
        if (read > 0 && report[0] == protocol::kEventReportId &&
            (report[1] == protocol::kClassApplication || report[1] == protocol::kClassHostFunction) &&
            running_.load()) {
            post_(message_, 0, static_cast<std::intptr_t>(report[2]));
        }
        clock_.SleepMs(kReaderPauseMs);
    }
}

}  // namespace vantora
