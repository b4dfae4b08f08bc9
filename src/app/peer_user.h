#pragma once

#include <string>

namespace vantora {

// Whether the process at the other end of the connected local (Unix domain)
// socket `fd` runs as this process's (effective) user. False when the
// kernel cannot say. Our local sockets serve only their own user: the
// folders they live in are the user's own, and each accepted connection is
// checked again with this.
bool PeerIsThisUser(int fd);

// The same check from the client's side, on a socket connected to `path`:
// the listener there must be this user's, else another user answers in the
// program's name. False with the reason in `error` when it is not.
bool ListenerIsThisUser(int fd, const std::string& path, std::string* error);

}  // namespace vantora
