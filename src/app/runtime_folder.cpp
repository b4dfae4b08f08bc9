#include "app/runtime_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vantora {
namespace {

std::string WithoutTrailingSlashes(std::string folder) {
    // "/run/user/1000/" would make lstat follow a symbolic link.
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

std::string TemporaryFolder() {
    const char* temporary = std::getenv("TMPDIR");
    return WithoutTrailingSlashes(temporary != nullptr && temporary[0] == '/' ? temporary : "/tmp");
}

// Why $XDG_RUNTIME_DIR is passed over; empty when it is used.
std::string RuntimeProblem(const std::string& runtime) {
    if (runtime[0] != '/') {
        return "is not an absolute path";
    }
    return PrivateFolderProblem(runtime);
}

// The per-user folder in `temporary`: made when missing, then accepted only
// as this user's private folder.
std::string PrivateTemporaryFolder(const std::string& temporary, std::string* error) {
    const std::string folder = temporary + "/VANTORA-" + std::to_string(::getuid());
    std::string problem;
    if (::mkdir(folder.c_str(), 0700) == 0) {
        ::chmod(folder.c_str(), 0700);  // whatever the umask
    } else if (errno != EEXIST) {
        problem = std::string("cannot be made (") + std::strerror(errno) + ")";
    }
    if (problem.empty()) {
        problem = PrivateFolderProblem(folder);
    }
    if (problem.empty()) {
        return folder;
    }
    *error = "The folder " + folder + " for the program's socket and lock " + problem +
             "; remove it or set XDG_RUNTIME_DIR to a folder of your own.";
    return {};
}

void WarnOnce(const std::string& warning) {
    static std::atomic<bool> warned{false};
    if (!warning.empty() && !warned.exchange(true)) {
        std::fprintf(stderr, "vantora: warning: %s\n", warning.c_str());
    }
}

std::string RuntimeVariable() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime != nullptr ? runtime : "";
}

}  // namespace

std::string PrivateFolderProblem(const std::string& folder) {
    struct stat info {};
    if (::lstat(WithoutTrailingSlashes(folder).c_str(), &info) != 0) {
        return std::string("cannot be checked (") + std::strerror(errno) + ")";
    }
    if (S_ISLNK(info.st_mode)) {
        return "is a symbolic link";
    }
    if (!S_ISDIR(info.st_mode)) {
        return "is not a folder";
    }
    if (info.st_uid != ::geteuid()) {
        return "belongs to another user (uid " + std::to_string(info.st_uid) + ")";
    }
    if ((info.st_mode & 0777) != 0700) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return std::string("has mode ") + mode + " instead of 0700";
    }
    return {};
}

RuntimeFolderChoice ChooseRuntimeFolder(const std::string& runtime, const std::string& temporary) {
    RuntimeFolderChoice choice;
    if (!runtime.empty()) {
        const std::string problem = RuntimeProblem(runtime);
        if (problem.empty()) {
            choice.folder = WithoutTrailingSlashes(runtime);
            return choice;
        }
        choice.warning = "XDG_RUNTIME_DIR " + runtime + " " + problem + ", so it is not used";
    }
    choice.folder = PrivateTemporaryFolder(WithoutTrailingSlashes(temporary), &choice.error);
    if (!choice.warning.empty() && !choice.folder.empty()) {
        choice.warning += "; the program's sockets and locks go to " + choice.folder;
    }
    return choice;
}

std::string SessionRuntimeFolder() {
    const std::string runtime = RuntimeVariable();
    if (runtime.empty()) {
        return {};
    }
    const std::string problem = RuntimeProblem(runtime);
    if (problem.empty()) {
        return WithoutTrailingSlashes(runtime);
    }
    WarnOnce("XDG_RUNTIME_DIR " + runtime + " " + problem + ", so it is not used");
    return {};
}

std::string UserRuntimeFolder(std::string* error) {
    RuntimeFolderChoice choice = ChooseRuntimeFolder(RuntimeVariable(), TemporaryFolder());
    WarnOnce(choice.warning);
    if (error != nullptr) {
        *error = choice.error;
    }
    return choice.folder;
}

}  // namespace vantora
