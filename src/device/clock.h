#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

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
    // A worker's pause between passes, which EndPause cuts short: by default
    // a plain wait (virtual time in tests stays as it was).
    virtual void PauseMs(int ms) { SleepMs(ms); }
    // New work for the worker (any thread): the pause in progress, or the
    // next one, ends at once; one pause per call.
    virtual void EndPause() {}
};

// The real clock: steady time and real sleeps. Thread-safe.
class SystemClock : public Clock {
public:
    void SleepMs(int ms) override;
    std::uint64_t NowMs() override;

    // One process-wide instance for callers that have no clock of their own.
    static SystemClock& Instance();
};

// While one lives on a thread, the real waits of that thread end on time:
// they sleep until shortly before their end and yield the rest, instead of
// adding the kernel's wake-up latency (on some machines a few hundred µs) to
// each. For bursts of short protocol waits, such as the reports of a
// download; not for long-running loops, as the last stretch costs CPU.
// Scopes nest.
class PreciseWaitScope {
public:
    PreciseWaitScope();
    ~PreciseWaitScope();
    PreciseWaitScope(const PreciseWaitScope&) = delete;
    PreciseWaitScope& operator=(const PreciseWaitScope&) = delete;
};

// A real wait until `end`, for the real clocks. `sleepUntil(t)` sleeps until
// t or returns false to end the wait early (an interrupted clock). Inside a
// PreciseWaitScope, sleepUntil is asked to wake shortly before `end` and the
// rest is yielded away.
void WaitUntil(std::chrono::steady_clock::time_point end,
               const std::function<bool(std::chrono::steady_clock::time_point)>& sleepUntil);

}  // namespace vantora
