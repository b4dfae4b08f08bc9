#pragma once
// A session bus of the test's own, and a client's view of the service's
// change signals.
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/temp_dir.h"

namespace vantora::test {

// A dbus-daemon of our own, ended with the object; `serviceDir` holds the
// activation files it knows.
class PrivateBus {
public:
    explicit PrivateBus(const TempDir& dir, const std::string& serviceDir = {}) {
        const std::string config = dir.WriteFile(
            "bus.conf", "<busconfig><type>session</type><listen>unix:tmpdir=" + dir.path() + "</listen>" +
                            (serviceDir.empty() ? "" : "<servicedir>" + serviceDir + "</servicedir>") +
                            "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/>"
                            "<allow receive_sender=\"*\"/><allow own=\"*\"/>"
                            "</policy></busconfig>");
        FILE* out = popen(
            ("dbus-daemon --fork --print-address=1 --print-pid=1 --config-file=" + config).c_str(), "r");
        if (out == nullptr) {
            return;
        }
        char line[512] = {};
        if (std::fgets(line, sizeof(line), out) != nullptr) {
            address = QString::fromUtf8(line).trimmed();
        }
        if (std::fgets(line, sizeof(line), out) != nullptr) {
            pid = std::atoi(line);
        }
        pclose(out);
    }
    ~PrivateBus() {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
        }
    }
    QString address;
    int pid = 0;
};

// The PropertiesChanged signals a client receives.
class ChangeSpy : public QObject {
    Q_OBJECT
public slots:
    void Changed(const QString&, const QVariantMap& changed, const QStringList&) {
        for (auto it = changed.begin(); it != changed.end(); ++it) {
            seen.insert(it.key(), it.value());
        }
    }
    void Told() { ++told; }

public:
    QVariantMap seen;
    int told = 0;  // signals without values
};

}  // namespace vantora::test
