#include "session/interruptible_clock.h"

#include <gtest/gtest.h>

#include <chrono>

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

}  // namespace
}  // namespace vantora
