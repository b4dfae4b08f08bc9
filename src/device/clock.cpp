#include "device/clock.h"

#include <sys/prctl.h>

#include <thread>

namespace vantora {
namespace {

// How long before its end a precise wait stops sleeping: above the usual
// wake-up latency, so that the yielded rest is short.
constexpr std::chrono::microseconds kPreciseWakeMargin{200};

thread_local int preciseScopes = 0;

// The protocol's waits are many and short (a full macro download makes 66
// of 10 ms), and with the default timer slack of 50 µs the kernel may end
// each of them up to that much late. A thread's first real wait asks for
// the least slack, which holds for the rest of the thread's life.
void TightenTimerSlack() {
    thread_local const bool done = [] {
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        return true;
    }();
    (void)done;
}

}  // namespace

PreciseWaitScope::PreciseWaitScope() {
    ++preciseScopes;
}

PreciseWaitScope::~PreciseWaitScope() {
    --preciseScopes;
}

void WaitUntil(std::chrono::steady_clock::time_point end,
               const std::function<bool(std::chrono::steady_clock::time_point)>& sleepUntil) {
    TightenTimerSlack();
    if (preciseScopes == 0) {
        sleepUntil(end);
        return;
    }
    if (!sleepUntil(end - kPreciseWakeMargin)) {
        return;
    }
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::yield();
    }
}

void SystemClock::SleepMs(int ms) {
    if (ms > 0) {
        WaitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms),
                  [](std::chrono::steady_clock::time_point until) {
                      std::this_thread::sleep_until(until);
                      return true;
                  });
    }
}

std::uint64_t SystemClock::NowMs() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

SystemClock& SystemClock::Instance() {
    static SystemClock clock;
    return clock;
}

}  // namespace vantora
