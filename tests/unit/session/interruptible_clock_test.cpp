#include "session/interruptible_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace vantora {
namespace {

using Steady = std::chrono::steady_clock;

// A download's precise waits last their full time until the session stops,
// and then end at once.
TEST(InterruptibleClockTest, PreciseWaitsLastTheirTimeUntilInterrupted) {
    InterruptibleClock clock;
    const PreciseWaitScope precise;
    auto start = Steady::now();
    clock.SleepMs(20);
    EXPECT_GE(Steady::now() - start, std::chrono::milliseconds(20));
    clock.Interrupt();
    start = Steady::now();
    clock.SleepMs(5000);
    EXPECT_LT(Steady::now() - start, std::chrono::seconds(1));
}

// New work ends the worker's pause between passes (one pause per call,
// also when it came before the pause), never a protocol wait.
TEST(InterruptibleClockTest, WorkEndsAPauseButNoWait) {
    InterruptibleClock clock;
    clock.EndPause();
    clock.EndPause();
    auto start = Steady::now();
    clock.SleepMs(20);
    EXPECT_GE(Steady::now() - start, std::chrono::milliseconds(20));
    clock.PauseMs(5000);
    clock.PauseMs(5000);
    EXPECT_LT(Steady::now() - start, std::chrono::seconds(1));
    std::thread worker([&clock] { clock.PauseMs(5000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    clock.EndPause();
    worker.join();
    EXPECT_LT(Steady::now() - start, std::chrono::seconds(2));
}

}  // namespace
}  // namespace vantora
