#pragma once

#include <string>

namespace vantora {

// An exclusive advisory lock on a file (flock), held until Release or the
// end of the object or the process. Serialises processes that would talk to
// the keyboard at the same time.
class ProcessLock {
public:
    ProcessLock() = default;
    ~ProcessLock();
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;

    // Waits up to `timeoutMs` for the lock (0: try once). False when the
    // file cannot be opened or another process keeps the lock.
    bool Acquire(const std::string& path, int timeoutMs);
    void Release();
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace vantora
