#pragma once

namespace vantora {

// Whether the process at the other end of the connected local (Unix domain)
// socket `fd` runs as this process's user. False when the kernel cannot say.
// Our local sockets serve only their own user: the folders they live in are
// the user's own, and each accepted connection is checked again with this.
bool PeerIsThisUser(int fd);

}  // namespace vantora
