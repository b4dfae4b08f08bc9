#include "sim/window/sim_window_main.h"

#include <QApplication>
#include <atomic>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <thread>

#include "app/folders.h"
#include "i18n/strings.h"
#include "layouts/keyboard_layout.h"
#include "sim/window/sim_window.h"

namespace vantora::sim {

namespace {
constexpr int kEnglishLanguage = 1033;  // LANGID of US English
}  // namespace

int RunSimWindow(SimKeyboardServer& server, int argc, char** argv,
                 const std::function<bool(const std::string&)>& runCommand) {
    QApplication app(argc, argv);
    // The program's language lives in its own database: function names on
    // the keys are in English.
    CurrentUiLanguage = kEnglishLanguage;
    SimWindow window(server, LoadKeyboardLayoutFrom(GetExeFolder()), SystemClock::Instance());
    window.setWindowTitle(QStringLiteral("VANTORA simulated keyboard"));
    window.resize(window.sizeHint());
    window.show();

    auto closing = std::make_shared<std::atomic<bool>>(false);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::thread reader([&app, &runCommand, closing, finished] {
        for (std::string line; !closing->load() && std::getline(std::cin, line);) {
            bool keepGoing = true;
            // Commands run on the window's thread, one at a time, as they
            // would on the console.
            QMetaObject::invokeMethod(
                &app, [&] { keepGoing = closing->load() || runCommand(line); }, Qt::BlockingQueuedConnection);
            if (!keepGoing) {
                break;
            }
        }
        finished->store(true);
        QMetaObject::invokeMethod(&app, &QApplication::quit, Qt::QueuedConnection);
    });
    const int status = app.exec();
    closing->store(true);
    if (!finished->load()) {
        // The window was closed while the reader waits for a line.
        server.Unplug();
        std::cout.flush();
        std::_Exit(status);
    }
    reader.join();
    return status;
}

}  // namespace vantora::sim
