#include "session/profile_switcher.h"

#include <algorithm>
#include <utility>

#include "keys/profile_editor.h"
#include "session/app_rules.h"
#include "session/device_session.h"

namespace vantora {

ProfileSwitcher::ProfileSwitcher(DeviceSession& session, Clock& clock, RunWork runWork)
    : session_(session), clock_(clock), runWork_(std::move(runWork)) {
    if (!runWork_) {
        runWork_ = [this](const WorkRequest& request, JobDone done) {
            session_.LoadProfiles();
            session_.Perform(request.work, std::move(done));
        };
    }
}

void ProfileSwitcher::Report(const platform::ActiveWindow& window) {
    std::lock_guard<std::mutex> guard(mutex_);
    pending_ = window;
    pendingSinceMs_ = clock_.NowMs();
    last_ = window;
    if (!window.appId.empty() && std::find(seen_.begin(), seen_.end(), window.appId) == seen_.end()) {
        seen_.push_back(window.appId);
    }
}

std::optional<int> ProfileSwitcher::DueInMs() {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!pending_) {
        return std::nullopt;
    }
    const std::uint64_t elapsed = clock_.NowMs() - pendingSinceMs_;
    return elapsed >= kDebounceMs ? 0 : static_cast<int>(kDebounceMs - elapsed);
}

int ProfileSwitcher::Poll() {
    platform::ActiveWindow window;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (!pending_ || clock_.NowMs() - pendingSinceMs_ < kDebounceMs) {
            return 0;
        }
        window = std::move(*pending_);
        pending_.reset();
    }
    ProfileDatabase& db = session_.Database();
    if (!LoadAppProfileSettings(db).enabled) {
        return 0;
    }
    const int profile = ChooseProfile(db, window);
    if (profile == 0 || profile == db.GetActiveProfile()) {
        return 0;
    }
    ProfileEditor editor(db, session_.CurrentSelection());
    if (editor.Select(profile) != ProfileEditor::Result::kDone) {
        return 0;
    }
    WorkRequest request;
    request.work = KeyboardWork::kKeys;
    request.reloadProfiles = true;
    runWork_(request, [](JobOutcome) {});
    return profile;
}

std::vector<std::string> ProfileSwitcher::SeenApplications() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return seen_;
}

platform::ActiveWindow ProfileSwitcher::LastWindow() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return last_;
}

}  // namespace vantora
