#pragma once

#include <QObject>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "session/profile_switcher.h"
#include "ui/desktop/active_window_choice.h"

namespace vantora {

class DeviceSession;

// The profile follows the application in front: the desktop's source of
// the active window (or the reports of a desktop script over D-Bus) feeds
// the switcher, whose debounce a timer of the UI thread ends. Lives on the
// UI thread; Report may be called from any thread.
class AppProfileFollower : public QObject {
    Q_OBJECT
public:
    AppProfileFollower(DeviceSession& session, ProfileSwitcher::RunWork runWork,
                       ui::ActiveWindowChoice choice, QObject* parent = nullptr);
    ~AppProfileFollower() override;

    // Starts the desktop's source, if it has one, and stores its name for
    // vantoractl. A source that fails to start makes the feature unavailable.
    // SettingsChanged tells the source's name.
    void Start();
    // No report is handled after this returns.
    void Stop();

    // Any thread: the window now in front.
    void Report(const platform::ActiveWindow& window);

    // "x11", "wlroots", "kwin", "gnome", or "" where the application in
    // front cannot be learned.
    std::string SourceName() const;
    // Whether this desktop's script reports the active window over D-Bus.
    bool ReportsOverBus() const;
    std::vector<std::string> SeenApplications() const { return switcher_.SeenApplications(); }
    ProfileSwitcher& Switcher() { return switcher_; }
    // The window changed the pause switch or the rules: SettingsChanged.
    void TellSettingsChanged() { emit SettingsChanged(); }

signals:
    // A profile was selected for the application in front.
    void ProfileSwitched(int profile);
    void SettingsChanged();

private:
    void Schedule();
    // The source's name in the database, for vantoractl.
    void StoreSource();

    DeviceSession& session_;
    ProfileSwitcher switcher_;
    ui::ActiveWindowChoice choice_;
    QTimer timer_;
    bool started_ = false;
    bool stopped_ = false;
};

}  // namespace vantora
