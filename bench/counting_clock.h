#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "device/clock.h"

namespace vantora {

// The real clock, summing the protocol's waits and, apart, the worker's
// pauses, which new work cuts short as the program's own clock does.
class CountingClock : public Clock {
public:
    void SleepMs(int ms) override {
        if (ms > 0) {
            asked_ += static_cast<std::uint64_t>(ms);
        }
        SystemClock::Instance().SleepMs(ms);
    }
    std::uint64_t NowMs() override { return SystemClock::Instance().NowMs(); }
    void PauseMs(int ms) override {
        const auto start = std::chrono::steady_clock::now();
        {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return pausesToEnd_ > 0; });
            if (pausesToEnd_ > 0) {
                --pausesToEnd_;
            }
        }
        paused_ += static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count());
    }
    void EndPause() override {
        {
            std::lock_guard lock(mutex_);
            ++pausesToEnd_;
        }
        wake_.notify_all();
    }
    std::uint64_t AskedMs() const { return asked_.load(); }
    std::uint64_t PausedMs() const { return paused_.load(); }

private:
    std::atomic<std::uint64_t> asked_{0};
    std::atomic<std::uint64_t> paused_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    int pausesToEnd_ = 0;
};

}  // namespace vantora
