#pragma once

#include "cli/keyboard_access.h"
#include "platform/line_socket.h"

namespace vantora {
class DeviceSession;
}

namespace vantora::cli {

// The keyboard through vantoractl's own device session.
class SessionKeyboard : public KeyboardAccess {
public:
    explicit SessionKeyboard(DeviceSession& session) : session_(session) {}
    KeyboardStatus Status() override;
    JobOutcome Perform(const WorkRequest& request) override;
    bool ViaProgram() const override { return false; }

private:
    DeviceSession& session_;
};

// The keyboard through the running program, over its local socket.
class ProgramKeyboard : public KeyboardAccess {
public:
    // `socket` is connected to the program.
    explicit ProgramKeyboard(LineSocket& socket) : socket_(socket) {}
    // Not connected when the program does not answer the status request.
    KeyboardStatus Status() override;
    // kCancelled when the program ends or answers nonsense.
    JobOutcome Perform(const WorkRequest& request) override;
    bool ViaProgram() const override { return true; }

private:
    LineSocket& socket_;
};

}  // namespace vantora::cli
