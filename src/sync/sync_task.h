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
    // The job's database change (a factory reset's wipe) was refused, so
    // nothing was sent: the database stayed busy (another program writing)
    // through the whole wait, or refused for another reason.
    kDatabaseBusy,
    kDatabaseRefused,
};

using JobDone = std::function<void(JobOutcome)>;

struct QueuedJob {
    int task = 0;
    JobDone done;  // may be empty
};

// The downloads that read every value they send from the database when they
// run: one waiting in the queue covers any number of requests.
bool IsCoalescedTask(int task);

// First in, first out; appended by any thread, taken by the worker. The
// same code may stand in the queue several times and every entry runs,
// except the coalesced downloads (SyncSettings, SyncKeyColours, SyncMacros): a request
// for one that is already waiting joins it when only coalesced downloads
// stand behind it (checked and appended under one lock), so a drag of a
// slider queues at most one more download, and a request made after another
// job (an arrival, a reset) still runs after that job. A joining request
// with `done` moves the waiting job to the back, so that its caller hears
// of it only after everything queued before.
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
