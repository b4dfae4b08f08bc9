#include "device/clock.h"

#include <sys/prctl.h>

#include <chrono>
#include <thread>

namespace vantora {
namespace {

// The protocol's waits are many and short (a full macro download makes 66
// of 10 ms), and with the default timer slack of 50 µs the kernel may end
// each of them up to that much late. A thread's first real sleep asks for
// the least slack, which holds for the rest of the thread's life.
void TightenTimerSlack() {
    thread_local const bool done = [] {
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        return true;
    }();
    (void)done;
}

}  // namespace

void SystemClock::SleepMs(int ms) {
    if (ms > 0) {
        TightenTimerSlack();
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
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
