// The simulated keyboard's window on the full keyboard, offscreen, with its
// own timers: the processor time of the whole process (window, keyboard
// thread) over 10 s of real time, idle and animating, as a share of one
// core. Targets: idle under 1 %, animating under 5 %.
// VANTORA_BENCH_SCREENSHOT=FILE.png also saves the animated window.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPixmap>
#include <QTimer>
#include <array>
#include <filesystem>

#include "device/protocol.h"
#include "layouts/keyboard_layout.h"
#include "sim/window/sim_window.h"

namespace vantora::sim {
namespace {

constexpr int kSeconds = 10;

double ProcessCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A plugged keyboard in a private folder and its window, shown.
struct Scene {
    Scene()
        : server(Options()),
          window((server.Plug(), server), LoadKeyboardLayoutFile(VANTORA_LAYOUT_FILE),
                 SystemClock::Instance()) {
        window.resize(window.sizeHint());
        window.show();
    }
    ~Scene() {
        server.Unplug();
        std::filesystem::remove_all(folder);
    }
    SimKeyboardServer::Options Options() {
        folder = std::filesystem::temp_directory_path() / ("vantora-sim-bench-" + std::to_string(::getpid()));
        SimKeyboardServer::Options options;
        options.folder = folder.string();
        return options;
    }
    // The light mode (colourful, brightness 100, the stored speed 3).
    void SetMode(int mode) {
        std::array<std::uint8_t, protocol::kReportSize> report{};
        report[protocol::kMarker] = protocol::kRequestMarker;
        report[protocol::kCommand] = protocol::CMD_WRITE_SETTINGS;
        report[protocol::kLength] = 5;
        report[protocol::kOffsetLow] = 2;
        report[protocol::kData] = static_cast<std::uint8_t>(mode);
        report[protocol::kData + 1] = 100;
        report[protocol::kData + 2] = 1;
        report[protocol::kData + 4] = 1;
        report[protocol::kChecksum] = protocol::Checksum(report.data(), 4, 63);
        server.WithFirmware([&](KeyboardFirmware& firmware) { firmware.HandleReport(report); });
    }
    // Runs the window's own timers for kSeconds; the process's share of one core.
    double CpuShare() {
        const double before = ProcessCpuSeconds();
        QElapsedTimer elapsed;
        elapsed.start();
        QEventLoop loop;
        QTimer::singleShot(kSeconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        return (ProcessCpuSeconds() - before) / (static_cast<double>(elapsed.elapsed()) / 1000.0) * 100.0;
    }

    std::filesystem::path folder;
    SimKeyboardServer server;
    SimWindow window;
};

void Run(benchmark::State& state, int mode) {
    Scene scene;
    scene.SetMode(mode);
    for (auto _ : state) {
        state.counters["cpu_percent"] = scene.CpuShare();
        state.counters["animating"] = scene.window.Animating();
    }
    if (const char* file = std::getenv("VANTORA_BENCH_SCREENSHOT");
        file != nullptr && scene.window.Animating()) {
        scene.window.grab().save(QString::fromLocal8Bit(file));
    }
}

void BM_WindowIdle(benchmark::State& state) {
    Run(state, 2);  // Fixed: nothing moves
}
BENCHMARK(BM_WindowIdle)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WindowAnimating(benchmark::State& state) {
    Run(state, 6);  // Rainbow
}
BENCHMARK(BM_WindowAnimating)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vantora::sim

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
