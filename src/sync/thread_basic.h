#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "device/clock.h"

namespace vantora {

// A worker thread that runs one step, once or in a loop with a pause of
// `period` ms (the clock's PauseMs, which its EndPause cuts short) between
// passes. Derived classes implement
// RunStep() and must call Stop() in their destructor, before their own
// members die.
class CThreadBasic {
public:
    explicit CThreadBasic(Clock& clock);
    virtual ~CThreadBasic();
    CThreadBasic(const CThreadBasic&) = delete;
    CThreadBasic& operator=(const CThreadBasic&) = delete;

    // Starts the thread unless it is running: repeat 1 loops, 0 runs one
    // step. False when it was already running.
    bool Start(int periodMs = 30, bool repeat = true);
    // Asks the loop to end after the pass in progress; does not wait. Safe
    // from any thread, also from inside RunStep.
    void RequestStop();
    // RequestStop, then waits until the thread has ended (the pass in
    // progress runs to its end). From the worker thread itself it only
    // requests the stop.
    void Stop();

    bool IsRunning() const { return running_.load() != 0; }
    bool StopRequested() const { return running_.load() == 0; }
    // True once RequestStop (or Stop) was called, until the next Start; false
    // for a worker that was never started (tests drive RunStep directly).
    bool StopAsked() const { return stopAsked_.load(); }
    // Set when the thread function has returned (the done signal).
    bool IsDone() const { return done_.load(); }
    // The clock's time when the thread started.
    std::uint64_t Result() const { return result_.load(); }
    int Period() const { return period_.load(); }

    // One pass of the worker.
    virtual void RunStep() = 0;

protected:
    Clock& ThreadClock() { return clock_; }

private:
    void ThreadMain();

    Clock& clock_;
    std::atomic<int> running_{0};
    std::atomic<int> repeat_{0};
    std::atomic<int> period_{1};
    std::atomic<std::uint64_t> result_{0};
    std::atomic<bool> done_{false};
    std::atomic<bool> stopAsked_{false};
    std::mutex threadMutex_;  // guards thread_ between Start and Stop
    std::thread thread_;
};

}  // namespace vantora
