// The program's entry: one instance per user, the interface language, the
// data folder, then the main window (and the service on the session bus)
// until the program ends.
#include "app/folders.h"
#include "app/language.h"
#include "device/debug_log.h"
#include "ui/dbus/window_bus.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/single_instance.h"

#include <QApplication>
#include <QDBusConnection>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    using namespace vantora;
    QApplication app(argc, argv);
    // --verbose: what is done with the keyboard on standard error (as
    // VANTORA_LOG=debug).
    if (QApplication::arguments().contains(QStringLiteral("--verbose"))) {
        debug_log::SetEnabled(true);
    }
    // The window's icon and grouping follow the desktop entry of this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.vantora.Vantora"));
    // The window lives on in the tray when it is closed.
    QApplication::setQuitOnLastWindowClosed(false);

    // The instance socket only in a folder that is this user's alone.
    std::string folderError;
    const QString socketName = SingleInstance::DefaultServerName(&folderError);
    if (socketName.isEmpty()) {
        std::fprintf(stderr, "vantora: %s\n", folderError.c_str());
        return 1;
    }
    // --background (D-Bus activation, autostart): no window until asked for
    // (the tray icon, a second start); where there is no tray, nothing shows.
    // A background start while the program runs leaves its window alone.
    const bool background = QApplication::arguments().contains(QStringLiteral("--background"));
    SingleInstance instance(socketName);
    std::string startError;
    if (!instance.Acquire(&startError, background ? SingleInstance::SecondStart::kLeaveHidden
                                                  : SingleInstance::SecondStart::kShowWindow)) {
        if (startError.empty()) {
            return 0;  // the running program was asked to show its window (or left alone)
        }
        std::fprintf(stderr, "vantora: %s\n", startError.c_str());
        return 1;
    }
    ChooseLanguage();
    EnsureDataFolder(GetDataFolder());

    MainWindowOptions options;
    options.markInstance = [&instance](DeviceMainDlg& window) {
        instance.SetActivationTarget([&window] { window.Activate(); });
    };
    DeviceMainDlg window(std::move(options));
    if (!window.CreateMainWindow()) {
        return 1;
    }
    // vantoractl asks its keyboard work of the running program.
    instance.SetRequestHandler([&window](const std::string& line, SingleInstance::Reply reply) {
        window.HandleRequest(line, std::move(reply));
    });
    // The same keyboard work on the session bus. Without a bus (or with the
    // name taken) the program runs all the same.
    std::string busError;
    const std::unique_ptr<BusService> bus =
        ServeWindowOnBus(window, QDBusConnection::sessionBus(), &busError);
    if (!bus) {
        std::fprintf(stderr, "vantora: not on the session bus: %s\n", busError.c_str());
    }
    window.ShowModal(background ? 0 : 5);
    instance.SetActivationTarget({});
    instance.SetRequestHandler({});
    return window.ExitCode();
}
