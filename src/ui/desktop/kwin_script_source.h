#pragma once

#include <QDBusConnection>
#include <QString>

#include "platform/active_window_source.h"

namespace vantora::ui {

// The application in front on KDE Plasma (5.27 and 6): KWin tells no other
// program which window is active, so a script of ours (desktop/kwin/ in the
// program's folder) runs inside KWin and calls ReportActiveWindow on our
// D-Bus service at every activation. This source loads that script over
// KWin's D-Bus scripting interface (org.kde.KWin, /Scripting) when started
// and unloads it when stopped; the reports themselves arrive through the
// service, so the callback given to Start is not called by this class.
class KWinScriptSource : public platform::ActiveWindowSource {
public:
    // The name KWin knows the script by.
    static constexpr const char* kPluginName = "vantora-focus";

    // `scriptPath` empty: desktop/kwin/vantora-focus.js in the program's folder.
    explicit KWinScriptSource(QDBusConnection bus = QDBusConnection::sessionBus(), QString scriptPath = {});
    ~KWinScriptSource() override;
    KWinScriptSource(const KWinScriptSource&) = delete;
    KWinScriptSource& operator=(const KWinScriptSource&) = delete;

    // False, with the reason, when KWin is not on the bus, the script file is
    // missing or KWin refuses the script. A script of an earlier run of the
    // program that was never unloaded is replaced.
    bool Start(Callback onChange, std::string& error) override;
    void Stop() override;

private:
    QDBusConnection bus_;
    QString scriptPath_;
    bool loaded_ = false;
};

}  // namespace vantora::ui
