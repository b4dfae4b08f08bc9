#pragma once

#include <string>

namespace vantora {

// Where the running program can be reached, and the lock that lets only one
// process at a time talk to the keyboard. Both live in the user's own
// runtime folder:
//  - $XDG_RUNTIME_DIR when it is set (the session's folder of this user);
//  - else "VANTORA-<uid>" in the temporary folder ($TMPDIR or /tmp), made
//    with mode 0700 and used only when it is a real folder (not a symbolic
//    link) owned by this user with mode 0700, so that no other user can
//    take the socket or the lock.
// Each answers an empty path, with the reason in `error` when given, when
// the folder cannot be made or is not safe to use.

// The runtime folder itself (no trailing '/').
std::string InstanceFolder(std::string* error = nullptr);
// The program's local socket: <folder>/VANTORA.instance.
std::string InstanceSocketPath(std::string* error = nullptr);
// The keyboard lock file: <folder>/VANTORA.keyboard.lock.
std::string KeyboardLockPath(std::string* error = nullptr);

}  // namespace vantora
