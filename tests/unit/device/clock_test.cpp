#include "device/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace vantora {
namespace {

using Steady = std::chrono::steady_clock;

// Outside a precise scope a wait sleeps to its end; inside one it wakes
// early and still never returns before the end.
TEST(ClockTest, WaitsNeverEndEarlyAndPreciseOnesWakeBeforeTheEnd) {
    for (const bool precise : {false, true}) {
        SCOPED_TRACE(precise ? "precise" : "plain");
        std::vector<Steady::time_point> asked;
        const Steady::time_point end = Steady::now() + std::chrono::milliseconds(5);
        auto wait = [&] {
            WaitUntil(end, [&](Steady::time_point until) {
                asked.push_back(until);
                std::this_thread::sleep_until(until);
                return true;
            });
        };
        if (precise) {
            const PreciseWaitScope outer;
            const PreciseWaitScope inner;
            wait();
        } else {
            wait();
        }
        EXPECT_GE(Steady::now(), end);
        ASSERT_EQ(asked.size(), 1u);
        if (precise) {
            EXPECT_LT(asked[0], end);
        } else {
            EXPECT_EQ(asked[0], end);
        }
    }
    const auto start = Steady::now();
    SystemClock::Instance().SleepMs(3);
    EXPECT_GE(Steady::now() - start, std::chrono::milliseconds(3));
}

// A sleep that ends the wait early (an interrupted clock) is not followed by
// the precise wait's last stretch, and the scope ends with its last guard.
TEST(ClockTest, AnEndedWaitReturnsAtOnceAndScopesEnd) {
    const auto start = Steady::now();
    {
        const PreciseWaitScope precise;
        WaitUntil(start + std::chrono::seconds(5), [](Steady::time_point) { return false; });
    }
    EXPECT_LT(Steady::now() - start, std::chrono::seconds(1));
    std::vector<Steady::time_point> asked;
    const Steady::time_point end = Steady::now() + std::chrono::milliseconds(1);
    WaitUntil(end, [&](Steady::time_point until) {
        asked.push_back(until);
        return true;
    });
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], end);
}

}  // namespace
}  // namespace vantora
