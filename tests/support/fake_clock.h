#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "device/clock.h"

namespace vantora::test {

// Virtual time for the device protocol: SleepMs advances the clock at once
// and records the wait, so tests assert the exact schedule of waits (and of
// reads with a time-out, which the simulated back ends spend on the clock).
// Starts at 1000 ms so that "no time yet" (0) is never a valid stamp.
// Thread-safe.
class FakeClock : public Clock {
public:
    explicit FakeClock(std::uint64_t startMs = 1000) : now_(startMs) {}

    void SleepMs(int ms) override;
    std::uint64_t NowMs() override;
    void EndPause() override;

    // How often new work asked to end the worker's pause.
    int PauseEnds() const;

    // Moves time on without recording a wait (time passing elsewhere).
    void Advance(std::uint64_t ms);
    // Every SleepMs so far, in order.
    std::vector<int> Sleeps() const;
    // The sum of every SleepMs so far.
    std::uint64_t TotalSleptMs() const;
    void ClearSleeps();

private:
    mutable std::mutex mutex_;
    std::uint64_t now_;
    std::vector<int> sleeps_;
    int pauseEnds_ = 0;
};

// For tests of a thread itself: every wait also yields for a real
// millisecond, so a loop never spins, while the time seen advances virtually.
class YieldingClock : public FakeClock {
public:
    void SleepMs(int ms) override {
        FakeClock::SleepMs(ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
};

}  // namespace vantora::test
