#include "sync/thread_basic.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "support/fake_clock.h"

namespace vantora {
namespace {

class CountingThread : public CThreadBasic {
public:
    explicit CountingThread(Clock& clock) : CThreadBasic(clock) {}
    ~CountingThread() override { Stop(); }
    void RunStep() override {
        const int n = ++steps;
        if (stopAt > 0 && n >= stopAt) {
            Stop();  // from the thread itself: only asks to stop
        }
    }
    std::atomic<int> steps{0};
    int stopAt = 0;
};

bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(ThreadBasicTest, RunsOnceWithoutRepeat) {
    test::YieldingClock clock;
    CountingThread thread(clock);
    ASSERT_TRUE(thread.Start(30, false));
    ASSERT_TRUE(WaitFor([&] { return thread.IsDone(); }));
    thread.Stop();
    EXPECT_EQ(thread.steps.load(), 1);
    EXPECT_TRUE(clock.Sleeps().empty());
}

TEST(ThreadBasicTest, LoopsWithThePeriodUntilStopped) {
    test::YieldingClock clock;
    CountingThread thread(clock);
    ASSERT_TRUE(thread.Start(30, true));
    EXPECT_EQ(thread.Period(), 30);
    ASSERT_TRUE(WaitFor([&] { return thread.steps.load() >= 3; }));
    thread.Stop();
    EXPECT_TRUE(thread.IsDone());
    EXPECT_FALSE(thread.IsRunning());
    const int steps = thread.steps.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(thread.steps.load(), steps);  // ended: no pass after Stop returned
    for (int sleep : clock.Sleeps()) {
        EXPECT_EQ(sleep, 30);
    }
}

TEST(ThreadBasicTest, StopFromInsideTheStepAndRestart) {
    test::YieldingClock clock;
    CountingThread thread(clock);
    thread.stopAt = 2;
    ASSERT_TRUE(thread.Start(1, true));
    ASSERT_TRUE(WaitFor([&] { return thread.IsDone(); }));
    EXPECT_EQ(thread.steps.load(), 2);
    thread.stopAt = 0;
    ASSERT_TRUE(thread.Start(1, true));
    ASSERT_TRUE(WaitFor([&] { return thread.steps.load() >= 4; }));
    thread.Stop();
    EXPECT_TRUE(thread.IsDone());
}

TEST(ThreadBasicTest, StopWithoutStartAndTwice) {
    test::YieldingClock clock;
    CountingThread thread(clock);
    thread.Stop();
    thread.Stop();
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(thread.steps.load(), 0);
}

}  // namespace
}  // namespace vantora
