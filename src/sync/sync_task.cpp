#include "sync/sync_task.h"

#include <algorithm>
#include <utility>

namespace vantora {
namespace {

// Both callers of a joined job are told how it ended.
JobDone Joined(JobDone first, JobDone second) {
    if (!first) {
        return second;
    }
    if (!second) {
        return first;
    }
    return [first = std::move(first), second = std::move(second)](JobOutcome outcome) {
        first(outcome);
        second(outcome);
    };
}

}  // namespace

bool IsCoalescedTask(int task) {
    return task == SyncSettings || task == SyncKeyColours || task == SyncMacros;
}

void SyncTaskQueue::Push(int task, JobDone done) {
    std::lock_guard lock(mutex_);
    if (IsCoalescedTask(task)) {
        const auto last = std::find_if(tasks_.rbegin(), tasks_.rend(),
                                       [task](const QueuedJob& job) { return job.task == task; });
        // Only coalesced downloads may stand behind the job joined: a request
        // made after an arrival, a reset or any other job runs after it.
        const bool joinable = last != tasks_.rend() &&
                              std::all_of(tasks_.rbegin(), last,
                                          [](const QueuedJob& job) { return IsCoalescedTask(job.task); });
        if (joinable) {
            if (!done) {
                return;  // the waiting job downloads the newest stored values
            }
            // A caller that waits for the job hears of it only once the jobs
            // queued before its request have run: the joined job moves back.
            const auto waiting = std::prev(last.base());
            QueuedJob joined{task, Joined(std::move(waiting->done), std::move(done))};
            tasks_.erase(waiting);
            tasks_.push_back(std::move(joined));
            return;
        }
    }
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
