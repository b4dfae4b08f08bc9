#include "session/interruptible_clock.h"

#include <chrono>

namespace vantora {

void InterruptibleClock::SleepMs(int ms) {
    if (ms <= 0) {
        return;
    }
    if (base_ != nullptr) {
        if (!Interrupted()) {
            base_->SleepMs(ms);
        }
        return;
    }
    WaitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms),
              [this](std::chrono::steady_clock::time_point until) {
                  std::unique_lock lock(mutex_);
                  return !wake_.wait_until(lock, until, [this] { return interrupted_; });
              });
}

void InterruptibleClock::PauseMs(int ms) {
    if (ms <= 0) {
        return;
    }
    if (base_ != nullptr) {
        if (!Interrupted()) {
            base_->PauseMs(ms);
        }
        return;
    }
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return interrupted_ || pausesToEnd_ > 0; });
    if (pausesToEnd_ > 0) {
        --pausesToEnd_;
    }
}

void InterruptibleClock::EndPause() {
    if (base_ != nullptr) {
        base_->EndPause();
        return;
    }
    {
        std::lock_guard lock(mutex_);
        ++pausesToEnd_;
    }
    wake_.notify_all();
}

std::uint64_t InterruptibleClock::NowMs() {
    if (base_ != nullptr) {
        return base_->NowMs();
    }
    return SystemClock::Instance().NowMs();
}

void InterruptibleClock::Interrupt() {
    {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
    }
    wake_.notify_all();
}

bool InterruptibleClock::Interrupted() const {
    std::lock_guard lock(mutex_);
    return interrupted_;
}

}  // namespace vantora
