#include "sync/sync_task.h"

#include <utility>

namespace vantora {

void SyncTaskQueue::Push(int task, JobDone done) {
    std::lock_guard lock(mutex_);
    tasks_.push_back({task, std::move(done)});
}

std::optional<QueuedJob> SyncTaskQueue::TryPop() {
    std::lock_guard lock(mutex_);
    if (tasks_.empty()) {
        return std::nullopt;
    }
    QueuedJob job = std::move(tasks_.front());
    tasks_.pop_front();
    return job;
}

bool SyncTaskQueue::Empty() const {
    std::lock_guard lock(mutex_);
    return tasks_.empty();
}

std::size_t SyncTaskQueue::Size() const {
    std::lock_guard lock(mutex_);
    return tasks_.size();
}

std::deque<QueuedJob> SyncTaskQueue::TakeAll() {
    std::lock_guard lock(mutex_);
    return std::exchange(tasks_, {});
}

}  // namespace vantora
