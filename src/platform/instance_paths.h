#pragma once

#include <string>

namespace vantora {

// Where the running program can be reached, and the lock that lets only one
// process at a time talk to the keyboard. Both live in the user's own
// runtime folder (UserRuntimeFolder, app/runtime_folder.h): $XDG_RUNTIME_DIR
// when it is this user's alone (owner, mode 0700, not a symbolic link), else
// a private folder in the temporary folder, so that no other user can take
// the socket or the lock.
// Each answers an empty path, with the reason in `error` when given, when
// no such folder can be had.

// The runtime folder itself (no trailing '/').
std::string InstanceFolder(std::string* error = nullptr);
// The program's local socket: <folder>/VANTORA.instance.
std::string InstanceSocketPath(std::string* error = nullptr);
// The keyboard lock file: <folder>/VANTORA.keyboard.lock.
std::string KeyboardLockPath(std::string* error = nullptr);

}  // namespace vantora
