#include "app/peer_user.h"

#include <sys/socket.h>
#include <unistd.h>

namespace vantora {

bool PeerIsThisUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (fd < 0 || ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer) {
        return false;
    }
    return peer.uid == ::getuid();
}

}  // namespace vantora
