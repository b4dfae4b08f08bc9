#include "app/peer_user.h"

#include <sys/socket.h>
#include <unistd.h>

namespace vantora {
namespace {

// The peer's effective user id as the kernel recorded it at connect() or
// listen(); false when it cannot say.
bool PeerUser(int fd, uid_t& uid) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (fd < 0 || ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer) {
        return false;
    }
    uid = peer.uid;
    return true;
}

}  // namespace

bool PeerIsThisUser(int fd) {
    uid_t uid = 0;
    return PeerUser(fd, uid) && uid == ::geteuid();
}

bool ListenerIsThisUser(int fd, const std::string& path, std::string* error) {
    uid_t uid = 0;
    if (!PeerUser(fd, uid)) {
        if (error != nullptr) {
            *error = "the user listening on " + path + " cannot be told, so it is not used";
        }
        return false;
    }
    if (uid != ::geteuid()) {
        if (error != nullptr) {
            *error = "the socket " + path + " is served by another user (uid " + std::to_string(uid) +
                     "), so it is not used";
        }
        return false;
    }
    return true;
}

}  // namespace vantora
