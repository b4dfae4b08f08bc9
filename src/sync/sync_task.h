#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

namespace vantora {

// Job codes of the device worker's queue.
enum SyncTask : int {
    SyncMusicLayer = 1,
    SyncInitialLoad = 2,
    SyncDeviceArrived = 3,
    SyncKeys = 4,
    SyncMacros = 5,
    SyncSettings = 6,
    SyncKeyColours = 7,
    SyncFactoryReset = 8,
};

// How a job ended, for callers that wait for it.
enum class JobOutcome {
    kDone,            // the keyboard acknowledged what the job sent
    kNoKeyboard,      // no keyboard was connected: the job was dropped
    kKeyboardFailed,  // the keyboard refused or did not answer
    kCancelled,       // the worker stopped before the job ran
};

using JobDone = std::function<void(JobOutcome)>;

struct QueuedJob {
    int task = 0;
    JobDone done;  // may be empty
};

// First in, first out; appended by any thread, taken by the worker. The
// same code may stand in the queue several times and every entry runs.
class SyncTaskQueue {
public:
    void Push(int task, JobDone done = {});
    std::optional<QueuedJob> TryPop();
    bool Empty() const;
    std::size_t Size() const;
    // Removes every job and returns them (their callers are told).
    std::deque<QueuedJob> TakeAll();

private:
    mutable std::mutex mutex_;
    std::deque<QueuedJob> tasks_;
};

}  // namespace vantora
