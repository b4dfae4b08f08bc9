#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QThread>
#include <QVariantMap>

#include <functional>
#include <string>
#include <vector>

#include "cli/relayed_keyboard.h"
#include "db/profile_database.h"
#include "session/keyboard_work.h"

class QJsonObject;

namespace vantora {

class AppProfileFollower;
class DeviceSession;

// The program on the session bus: io.github.vantora.Vantora1 at
// /io/github/vantora/Vantora (data/dbus/ describes it). Each call runs as
// the vantoractl verb of the same purpose, on a thread of its own with its
// own connection to the database, one call after the other; its keyboard
// work is handed to the owner's thread (see `runWork`) and the call answers
// once the work has run, so the UI thread never waits for the keyboard.
// The properties are read from a copy kept on the UI thread, which
// Refresh brings up to date and tells as PropertiesChanged.
class BusService : public QDBusVirtualObject {
    Q_OBJECT
public:
    static constexpr const char* kServiceName = "io.github.vantora.Vantora";
    static constexpr const char* kObjectPath = "/io/github/vantora/Vantora";
    static constexpr const char* kInterface = "io.github.vantora.Vantora1";

    // Runs a call's keyboard work on the UI thread, as the window runs
    // vantoractl's (the pages shown again first); `done` may be told on any
    // thread. Null: the session's own Perform, after the session took the
    // active profile and light mode from the database.
    using RunWork = std::function<void(const WorkRequest& request, JobDone done)>;

    // Made on the UI thread; `session` is started and outlives the service.
    explicit BusService(DeviceSession& session, RunWork runWork = {}, QObject* parent = nullptr);
    ~BusService() override;

    // Where the profile that follows the application in front is told about
    // it: the AutoProfileSource property, and ReportActiveWindow, which is
    // accepted only on the desktops whose script reports over D-Bus (KWin,
    // GNOME Shell). Null (the default): unavailable. Outlives the service.
    void SetFollower(AppProfileFollower* follower);

    // Serves the object on `connection` and takes the well-known name; false
    // with the reason when either failed (the name is another's).
    bool Register(const QDBusConnection& connection, std::string* error);

    // QDBusVirtualObject (the bus's thread): every call goes on to the UI thread.
    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

    // The interface's description, the <interface> elements of the XML file.
    static QString InterfaceXml();

public slots:
    // A job with the keyboard started or ended (the Busy property).
    void SetBusy(bool busy);
    // Reads the state again and tells what changed: PropertiesChanged, and
    // ProfileRulesChanged when a rule was added, removed or changed.
    void Refresh();

private:
    using Convert = std::function<QVariantList(const QJsonObject& answer)>;
    void Dispatch(const QDBusMessage& message);
    bool DispatchProperties(const QDBusMessage& message);
    // A desktop script tells the window in front (no answer values).
    void ReportActiveWindow(const QDBusMessage& message);
    // Properties.Set of one of our properties.
    void SetProperty(const QDBusMessage& message, const QString& name, const QVariant& value);
    // Runs vantoractl's arguments on the call thread and answers `message`
    // with `convert`'s values, or with the error the exit code names.
    void Run(const QDBusMessage& message, std::vector<std::string> args, Convert convert);
    void Answer(const QDBusMessage& message, int exitCode, const QString& errorText,
                const QVariantList& values);
    QVariantMap ReadProperties();
    std::string RulesSnapshot();
    // The call thread's part.
    struct CallResult;
    CallResult RunOnCallThread(const std::vector<std::string>& args);

    DeviceSession& session_;
    RunWork runWork_;
    QDBusConnection connection_{QString()};
    QVariantMap properties_;
    std::string rules_;  // RulesSnapshot when last told
    bool busy_ = false;
    AppProfileFollower* follower_ = nullptr;

    // The call thread and what only it touches.
    QThread callThread_;
    QObject* callContext_ = nullptr;  // lives on callThread_
    ProfileDatabase db_;
    bool dbOpened_ = false;
    cli::RelayedKeyboard keyboard_;
};

}  // namespace vantora
