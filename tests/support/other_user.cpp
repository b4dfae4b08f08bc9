#include "support/other_user.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

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

}  // namespace vantora::test
