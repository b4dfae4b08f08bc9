#include "cli/relayed_keyboard.h"

#include <optional>
#include <utility>

namespace vantora::cli {

RelayedKeyboard::RelayedKeyboard(std::function<KeyboardStatus()> status, Start start)
    : status_(std::move(status)), start_(std::move(start)) {}

JobOutcome RelayedKeyboard::Perform(const WorkRequest& request) {
    auto outcome = std::make_shared<std::optional<JobOutcome>>();
    auto shared = shared_;
    start_(request, [shared, outcome](JobOutcome result) {
        std::lock_guard lock(shared->mutex);
        *outcome = result;
        shared->changed.notify_all();
    });
    std::unique_lock lock(shared->mutex);
    shared->changed.wait(lock, [&] { return outcome->has_value() || shared->cancelled; });
    return outcome->value_or(JobOutcome::kCancelled);
}

void RelayedKeyboard::Cancel() {
    std::lock_guard lock(shared_->mutex);
    shared_->cancelled = true;
    shared_->changed.notify_all();
}

}  // namespace vantora::cli
