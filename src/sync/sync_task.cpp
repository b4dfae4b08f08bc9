#include "sync/sync_task.h"

namespace vantora {

void SyncTaskQueue::Push(int task) {
    std::lock_guard lock(mutex_);
    tasks_.push_back(task);
}

std::optional<int> SyncTaskQueue::TryPop() {
    std::lock_guard lock(mutex_);
    if (tasks_.empty()) {
        return std::nullopt;
    }
    const int task = tasks_.front();
    tasks_.pop_front();
    return task;
}

bool SyncTaskQueue::Empty() const {
    std::lock_guard lock(mutex_);
    return tasks_.empty();
}

std::size_t SyncTaskQueue::Size() const {
    std::lock_guard lock(mutex_);
    return tasks_.size();
}

void SyncTaskQueue::Clear() {
    std::lock_guard lock(mutex_);
    tasks_.clear();
}

}  // namespace vantora
