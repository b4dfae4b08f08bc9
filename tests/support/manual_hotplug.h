#pragma once

#include <mutex>

#include "device/device_change.h"

namespace vantora::test {

// Hot-plug events the test fires itself, on the thread it calls Fire from.
class ManualHotplug : public HotplugSource {
public:
    bool Start(DeviceChangeCallback callback) override {
        std::lock_guard lock(mutex_);
        callback_ = std::move(callback);
        return true;
    }
    void Stop() override {
        std::lock_guard lock(mutex_);
        callback_ = nullptr;
    }
    void Fire(const DeviceChange& change) {
        DeviceChangeCallback callback;
        {
            std::lock_guard lock(mutex_);
            callback = callback_;
        }
        if (callback) {
            callback(change);
        }
    }

private:
    std::mutex mutex_;
    DeviceChangeCallback callback_;
};

}  // namespace vantora::test
