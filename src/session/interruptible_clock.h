#pragma once

#include "device/clock.h"

#include <condition_variable>
#include <mutex>

namespace vantora {

// The clock of the device session's protocol: real time (or a given
// clock) until Interrupt(); from then on every wait returns at once, so that
// the exchange in progress runs out quickly and the worker can be joined
// when the session stops. Thread-safe.
class InterruptibleClock : public Clock {
public:
    // `base` null: steady time and real waits.
    explicit InterruptibleClock(Clock* base = nullptr) : base_(base) {}

    void SleepMs(int ms) override;
    std::uint64_t NowMs() override;
    // In real time a pause ends early for work queued before or during it;
    // with a given clock it is that clock's.
    void PauseMs(int ms) override;
    void EndPause() override;

    void Interrupt();
    bool Interrupted() const;

private:
    Clock* base_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool interrupted_ = false;
    int pausesToEnd_ = 0;  // EndPause calls not yet met by a pause
};

}  // namespace vantora
