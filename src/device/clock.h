#pragma once

#include <cstdint>

namespace vantora {

// Every wait of the device protocol goes through a Clock, so that tests can
// run the retry schedules in virtual time.
class Clock {
public:
    virtual ~Clock() = default;
    // Waits `ms` milliseconds (nothing for ms <= 0).
    virtual void SleepMs(int ms) = 0;
    // Milliseconds since an arbitrary fixed point; never goes backwards.
    virtual std::uint64_t NowMs() = 0;
};

// The real clock: steady time and real sleeps. Thread-safe.
class SystemClock : public Clock {
public:
    void SleepMs(int ms) override;
    std::uint64_t NowMs() override;

    // One process-wide instance for callers that have no clock of their own.
    static SystemClock& Instance();
};

}  // namespace vantora
