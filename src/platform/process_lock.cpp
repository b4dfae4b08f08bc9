#include "platform/process_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace vantora {
namespace {

LockResult Failed(const std::string& text) {
    return LockResult{LockResult::Status::kFailed, text};
}

// Why the opened lock file is not ours to use; empty when it is.
std::string FileProblem(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return std::string("cannot be checked (") + std::strerror(errno) + ")";
    }
    if (!S_ISREG(info.st_mode)) {
        return "is not a regular file";
    }
    if (info.st_uid != ::geteuid()) {
        return "belongs to another user (uid " + std::to_string(info.st_uid) + ")";
    }
    return {};
}

}  // namespace

ProcessLock::~ProcessLock() {
    Release();
}

LockResult ProcessLock::Acquire(const std::string& path, int timeoutMs) {
    Release();
    // O_NONBLOCK: a FIFO planted at the path does not hold up the open.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        const int error = errno;
        return Failed("cannot open the lock file " + path + ": " +
                      (error == ELOOP ? std::string("it is a symbolic link") : std::strerror(error)));
    }
    if (const std::string problem = FileProblem(fd); !problem.empty()) {
        ::close(fd);
        return Failed("the lock file " + path + " " + problem);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error != EWOULDBLOCK && error != EINTR) {
            ::close(fd);
            return Failed("cannot lock the lock file " + path + ": " + std::strerror(error));
        }
        if (error == EWOULDBLOCK && std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return LockResult{LockResult::Status::kBusy, {}};
        }
        if (error == EWOULDBLOCK) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    fd_ = fd;
    return LockResult{LockResult::Status::kHeld, {}};
}

void ProcessLock::Release() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace vantora
