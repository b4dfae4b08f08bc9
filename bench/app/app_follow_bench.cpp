// The profile following the application in front, against the in-process
// simulated keyboard with no answer latency, on the real clock. FocusToKeys
// is one reported change of the window in front, alternating between an
// application with a rule (profile 2) and one without (the default profile
// 1), timed until the key download it starts has ended. It reports
// `floor_ms`, the waits the protocol asks for during that download (every
// SleepMs), `limit_ms` = the 300 ms debounce + 1.1 x floor, and `ratio`, the
// measured time over the limit (at most 1 is within it); `debounce_ms` and
// `download_ms` split the measured time at the switch.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QEventLoop>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "counting_clock.h"
#include "db/profile_database.h"
#include "keys/function_catalogue.h"
#include "session/app_rules.h"
#include "session/device_session.h"
#include "sim/in_process_backend.h"
#include "sync/device_worker.h"
#include "ui/desktop/app_profile_follower.h"

namespace vantora {
namespace {

constexpr double kDebounceMs = 300.0;

void BM_FocusToKeys(benchmark::State& state) {
    std::string folder = (std::filesystem::temp_directory_path() / "vantora-follow-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    folder += "/";
    CountingClock clock;
    auto backend = std::make_shared<sim::InProcessHidBackend>(clock);
    std::shared_ptr<sim::InProcessKeyboard> keyboard = backend->AddKeyboard();
    SessionObserver observer;
    SessionOptions options;
    options.programFolder = VANTORA_BENCH_PROGRAM_FOLDER;
    options.dataFolder = folder;
    options.backend = backend;
    options.clock = &clock;
    options.listenForEvents = false;
    options.hotplugSources = [] { return std::vector<std::unique_ptr<HotplugSource>>{}; };
    DeviceSession session(std::move(options), observer);
    session.Start();
    while (!session.Worker()->InitialLoadDone()) {
        SystemClock::Instance().SleepMs(5);
    }
    // Profile 2 gives the letters a multimedia function; "game" selects it,
    // anything else profile 1.
    ProfileDatabase& db = session.Database();
    for (int code = 4; code < 30; ++code) {
        KeyAssignment row;
        row.profile = 2;
        row.key_code = code;
        row.macro_type = kFunctionMultimedia;
        row.macro_value = 5;
        row.macro_desc = "x";
        db.SaveKeyAssignment(row);
    }
    ProfileRule rule;
    rule.app_id = "game";
    rule.profile = 2;
    db.AddProfileRule(rule);
    StoreAppProfileDefault(db, 1);

    // The window's way of running the switch, timing the download's end.
    QEventLoop loop;
    std::uint64_t askedAtStart = 0;
    double floorMs = 0;
    double downloadMs = 0;
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point switched;
    AppProfileFollower follower(
        session,
        [&](const WorkRequest& request, JobDone) {
            switched = std::chrono::steady_clock::now();
            askedAtStart = clock.AskedMs();
            session.LoadProfiles();
            session.Perform(request.work, [&](JobOutcome) {
                floorMs += static_cast<double>(clock.AskedMs() - askedAtStart);
                downloadMs +=
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - switched)
                        .count();
                QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
            });
        },
        ui::ActiveWindowChoice{});
    follower.Start();

    bool toGame = true;
    double elapsedMs = 0;
    for (auto _ : state) {
        start = std::chrono::steady_clock::now();
        follower.Report({toGame ? "game" : "editor", "a window"});
        loop.exec();
        elapsedMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        toGame = !toGame;
    }
    follower.Stop();
    session.Stop();
    const double iterations = static_cast<double>(state.iterations());
    const double floor = floorMs / iterations;
    const double limit = kDebounceMs + 1.1 * floor;
    state.counters["floor_ms"] = floor;
    state.counters["debounce_ms"] = (elapsedMs - downloadMs) / iterations;
    state.counters["download_ms"] = downloadMs / iterations;
    state.counters["limit_ms"] = limit;
    state.counters["ratio"] = elapsedMs / iterations / limit;
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
BENCHMARK(BM_FocusToKeys)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace
}  // namespace vantora

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
