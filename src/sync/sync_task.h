#pragma once

#include <cstddef>
#include <deque>
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

// First in, first out; appended by the UI thread, taken by the worker. The
// same code may stand in the queue several times and every entry runs.
class SyncTaskQueue {
public:
    void Push(int task);
    std::optional<int> TryPop();
    bool Empty() const;
    std::size_t Size() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::deque<int> tasks_;
};

}  // namespace vantora
