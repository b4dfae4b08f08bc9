#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "device/clock.h"

namespace vantora::test {

// Virtual time: SleepMs advances the clock at once and records the wait.
class VirtualClock : public Clock {
public:
    void SleepMs(int ms) override {
        if (ms <= 0) {
            return;
        }
        now_ += static_cast<std::uint64_t>(ms);
        std::lock_guard lock(mutex_);
        sleeps_.push_back(ms);
    }
    std::uint64_t NowMs() override { return now_.load(); }
    std::vector<int> Sleeps() const {
        std::lock_guard lock(mutex_);
        return sleeps_;
    }
    void ClearSleeps() {
        std::lock_guard lock(mutex_);
        sleeps_.clear();
    }

private:
    std::atomic<std::uint64_t> now_{0};
    mutable std::mutex mutex_;
    std::vector<int> sleeps_;
};

// For tests of the thread itself: every wait yields for a real millisecond,
// so a loop never spins, while the time seen advances virtually.
class YieldingClock : public VirtualClock {
public:
    void SleepMs(int ms) override {
        VirtualClock::SleepMs(ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
};

}  // namespace vantora::test
