#pragma once

#include "session/keyboard_work.h"

namespace vantora::cli {

// How vantoractl reaches the keyboard: through its own device session, or
// through the running program, which then does the work (one writer).
class KeyboardAccess {
public:
    virtual ~KeyboardAccess() = default;
    virtual KeyboardStatus Status() = 0;
    // Queues the work and waits until it has run.
    virtual JobOutcome Perform(const WorkRequest& request) = 0;
    // True when the running program does the work.
    virtual bool ViaProgram() const = 0;
};

}  // namespace vantora::cli
