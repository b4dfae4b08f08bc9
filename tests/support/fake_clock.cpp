#include "support/fake_clock.h"

namespace vantora::test {

void FakeClock::SleepMs(int ms) {
    std::lock_guard lock(mutex_);
    sleeps_.push_back(ms);
    if (ms > 0) {
        now_ += static_cast<std::uint64_t>(ms);
    }
}

std::uint64_t FakeClock::NowMs() {
    std::lock_guard lock(mutex_);
    return now_;
}

void FakeClock::EndPause() {
    std::lock_guard lock(mutex_);
    ++pauseEnds_;
}

int FakeClock::PauseEnds() const {
    std::lock_guard lock(mutex_);
    return pauseEnds_;
}

void FakeClock::Advance(std::uint64_t ms) {
    std::lock_guard lock(mutex_);
    now_ += ms;
}

std::vector<int> FakeClock::Sleeps() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
}

std::uint64_t FakeClock::TotalSleptMs() const {
    std::lock_guard lock(mutex_);
    std::uint64_t total = 0;
    for (int ms : sleeps_) {
        total += ms > 0 ? static_cast<std::uint64_t>(ms) : 0;
    }
    return total;
}

void FakeClock::ClearSleeps() {
    std::lock_guard lock(mutex_);
    sleeps_.clear();
}

}  // namespace vantora::test
