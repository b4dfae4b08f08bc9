#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/clock.h"
#include "platform/active_window_source.h"
#include "session/keyboard_work.h"

namespace vantora {

class DeviceSession;

// Selects the profile the rules pick for the application in front. Focus
// changes are reported from any thread; the owner calls Poll when DueInMs
// says, on its own thread. Changes that follow each other within
// kDebounceMs (Alt+Tab through several windows) end in one selection for
// the last window; nothing is selected or downloaded when the profile would
// not change, and nothing at all while the rules are paused.
class ProfileSwitcher {
public:
    static constexpr int kDebounceMs = 300;
    // How the selection reaches the keyboard and the pages, as vantoractl's
    // work does. Null: the session's profile list is loaded again and the
    // session downloads the key table.
    using RunWork = std::function<void(const WorkRequest& request, JobDone done)>;

    ProfileSwitcher(DeviceSession& session, Clock& clock, RunWork runWork = {});

    // Any thread: the window now in front.
    void Report(const platform::ActiveWindow& window);
    // Milliseconds until Poll has something to do (0: now); none when no
    // report waits.
    std::optional<int> DueInMs();
    // Once the last report is kDebounceMs old: selects the profile its
    // window's rules pick. The profile selected, 0 when none was.
    int Poll();

    // The application ids reported since the start, in the order first seen.
    std::vector<std::string> SeenApplications() const;
    platform::ActiveWindow LastWindow() const;

private:
    DeviceSession& session_;
    Clock& clock_;
    RunWork runWork_;
    mutable std::mutex mutex_;
    std::optional<platform::ActiveWindow> pending_;
    std::uint64_t pendingSinceMs_ = 0;
    platform::ActiveWindow last_;
    std::vector<std::string> seen_;
};

}  // namespace vantora
