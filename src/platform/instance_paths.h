#pragma once

#include <string>

namespace vantora {

// Where the running program can be reached, and the lock that lets only one
// process at a time talk to the keyboard. Both live in $XDG_RUNTIME_DIR
// when it is set (the user's own folder), else in the temporary folder
// ($TMPDIR or /tmp) under a name carrying the user id.

// The program's local socket ("VANTORA.instance" / "VANTORA-<uid>").
std::string InstanceSocketPath();
// The keyboard lock file ("VANTORA.keyboard.lock" / "VANTORA-<uid>.keyboard.lock").
std::string KeyboardLockPath();

}  // namespace vantora
