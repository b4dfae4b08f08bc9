#pragma once

#include <atomic>
#include <mutex>
#include <span>

#include "platform/audio_capture.h"

namespace vantora::test {

// An audio capture a test drives: Feed hands samples to the consumer as the
// capture's thread would (only while started and active), SetState reports a
// state. Both run the callbacks on the calling thread; none runs once Stop
// has returned.
class FakeAudioCapture : public AudioCapture {
public:
    void Start(Samples samples, StateChanged state) override {
        std::lock_guard lock(mutex_);
        if (started_) {
            return;
        }
        started_ = true;
        active_ = false;
        ++starts_;
        samples_ = std::move(samples);
        state_ = std::move(state);
    }
    void SetActive(bool on) override { active_ = on; }
    void Stop() override {
        std::lock_guard lock(mutex_);
        if (started_) {
            ++stops_;
        }
        started_ = false;
        active_ = false;
        samples_ = nullptr;
        state_ = nullptr;
    }

    // One packet, as given. False (nothing delivered) unless started and active.
    bool Feed(std::span<const float> interleaved, int channels = 2) {
        std::lock_guard lock(mutex_);
        if (!started_ || !active_ || !samples_) {
            return false;
        }
        samples_(interleaved, channels);
        return true;
    }
    // False unless started.
    bool SetState(AudioCaptureState state) {
        std::lock_guard lock(mutex_);
        if (!started_ || !state_) {
            return false;
        }
        state_(state);
        return true;
    }

    bool IsStarted() const {
        std::lock_guard lock(mutex_);
        return started_;
    }
    bool IsActive() const { return active_; }
    int Starts() const {
        std::lock_guard lock(mutex_);
        return starts_;
    }
    int Stops() const {
        std::lock_guard lock(mutex_);
        return stops_;
    }

private:
    mutable std::mutex mutex_;
    bool started_ = false;
    std::atomic<bool> active_{false};
    int starts_ = 0;
    int stops_ = 0;
    Samples samples_;
    StateChanged state_;
};

}  // namespace vantora::test
