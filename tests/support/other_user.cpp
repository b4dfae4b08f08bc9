#include "support/other_user.h"

#include <grp.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vantora::test {

bool CanActAsOtherUser() {
    return ::geteuid() == 0;
}

bool AsOtherUser(const std::string& folder, const std::function<bool()>& step) {
    const pid_t child = ::fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        const bool became = ::chdir(folder.c_str()) == 0 && ::setgroups(0, nullptr) == 0 &&
                            ::setgid(kOtherGid) == 0 && ::setuid(kOtherUid) == 0;
        ::_exit(became && step() ? 0 : 1);
    }
    int status = 0;
    pid_t waited = -1;
    do {
        waited = ::waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    return waited == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int ListenAsOtherUser(const std::string& folder, const std::string& name) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.size() >= sizeof address.sun_path) {
        return -1;
    }
    std::memcpy(address.sun_path, name.c_str(), name.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    // The kernel records the listener's user at listen(), in the child.
    if (!AsOtherUser(folder, [fd, &address] {
            return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                   ::listen(fd, 16) == 0;
        })) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace vantora::test
