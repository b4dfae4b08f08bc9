#pragma once

#include <string>

namespace vantora {

// What an attempt to take a lock came to.
struct LockResult {
    enum class Status {
        kHeld,    // the lock is ours
        kBusy,    // another process kept it for the whole wait
        kFailed,  // the lock file cannot be used: see `error`
    };
    Status status = Status::kFailed;
    // kFailed: what is wrong, e.g. "cannot open the lock file /run/user/1000/x.lock:
    // Permission denied".
    std::string error;

    bool Held() const { return status == Status::kHeld; }
};

// An exclusive advisory lock on a file (flock), held until Release or the
// end of the object or the process. Serialises processes that would talk to
// the keyboard at the same time, and starts of the program.
//
// The lock file is never followed through a symbolic link and must be a
// regular file of this (effective) user: a file another user planted is
// not taken to mean that another program runs.
class ProcessLock {
public:
    ProcessLock() = default;
    ~ProcessLock();
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;

    // Creates the file (mode 0600) when missing and waits up to `timeoutMs`
    // while another process holds the lock (0: try once).
    LockResult Acquire(const std::string& path, int timeoutMs);
    void Release();
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace vantora
