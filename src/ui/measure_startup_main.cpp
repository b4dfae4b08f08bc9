// Starts the program's main window as the program does and reports three
// figures on standard output: the time from the process start to the first
// painted window, the resident memory once the initial load is done, and
// the processor time used while the window idles on the HOME page.
//   vantora-measure-startup [idle seconds]
#include "app/folders.h"
#include "app/language.h"
#include "sync/device_worker.h"
#include "ui/main_window/main_window.h"

#include <sys/resource.h>
#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// Seconds since the process started (from /proc/self/stat and the uptime).
double SecondsSinceProcessStart() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray text = stat.readAll();
    const int close = text.lastIndexOf(')');
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    if (fields.size() < 20) {
        return -1;
    }
    const double startTicks = fields[19].toDouble();  // field 22: starttime
    const double now = uptime.readAll().split(' ').value(0).toDouble();
    return now - startTicks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

long ResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vantora;
    QApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    ChooseLanguage();
    EnsureDataFolder(GetDataFolder());

    DeviceMainDlg window;
    double firstPaint = -1;
    QObject::connect(&window, &DeviceMainDlg::FirstPainted, [&] { firstPaint = SecondsSinceProcessStart(); });
    window.CreateMainWindow();
    window.show();

    QElapsedTimer waited;
    waited.start();
    while ((firstPaint < 0 || !window.Worker()->InitialLoadDone()) && waited.elapsed() < 15000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    const bool loaded = window.Worker()->InitialLoadDone();
    const long rss = ResidentKiB();

    // Idle on the HOME page: the event loop runs as in the program.
    const double cpuBefore = CpuSeconds();
    QElapsedTimer idle;
    idle.start();
    QTimer::singleShot(idleSeconds * 1000, &app, [&] { QApplication::exit(0); });
    QApplication::exec();
    const double cpu = CpuSeconds() - cpuBefore;
    const double wall = static_cast<double>(idle.elapsed()) / 1000.0;

    std::printf("keyboard connected:        %s\n", window.IsConnected() ? "yes" : "no");
    std::printf("initial load done:         %s\n", loaded ? "yes" : "no");
    std::printf("start to first paint:      %.3f s\n", firstPaint);
    std::printf("resident memory (loaded):  %.1f MB\n", static_cast<double>(rss) / 1024.0);
    std::printf("idle CPU on HOME (%2.0f s):   %.2f %% of one core\n", wall, 100.0 * cpu / wall);
    window.CloseDialog();
    return 0;
}
