#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "cli/keyboard_access.h"

namespace vantora::cli {

// The keyboard of a session that another thread drives: Perform hands the
// work to `start` (which runs it on that thread, say the window's) and waits
// for its outcome on the calling thread. Cancel ends every wait, present and
// future, with kCancelled: for the owner going away while work is pending.
class RelayedKeyboard : public KeyboardAccess {
public:
    using Start = std::function<void(const WorkRequest& request, JobDone done)>;
    RelayedKeyboard(std::function<KeyboardStatus()> status, Start start);
    KeyboardStatus Status() override { return status_(); }
    JobOutcome Perform(const WorkRequest& request) override;
    bool ViaProgram() const override { return true; }
    // Any thread.
    void Cancel();

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        bool cancelled = false;
    };
    std::function<KeyboardStatus()> status_;
    Start start_;
    // Shared with the `done` callbacks, which may outlive this object.
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};

}  // namespace vantora::cli
