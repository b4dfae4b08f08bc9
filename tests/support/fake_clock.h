#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "device/clock.h"

namespace vantora::test {

// Virtual time for the device protocol: SleepMs advances the clock at once
// and records the wait, so tests assert the exact schedule of waits (and of
// reads with a time-out, which the simulated back ends spend on the clock).
// Thread-safe.
class FakeClock : public Clock {
public:
    explicit FakeClock(std::uint64_t startMs = 1000) : now_(startMs) {}

    void SleepMs(int ms) override;
    std::uint64_t NowMs() override;

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
};

}  // namespace vantora::test
