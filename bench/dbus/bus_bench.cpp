// The D-Bus service on a private bus against the in-process simulated
// keyboard with no answer latency, on the real clock. PropertyRead is one
// Get as a client sees it. SwitchWrite is one SetSwitch, answered once the
// settings download ended; it reports `floor_ms`, the waits the protocol
// asks for during the call (every SleepMs; the device worker's pauses
// between passes are reported apart as `worker_pause_ms`), `limit_ms` =
// 1.1 x floor + 5 ms, and `ratio`, the measured time over the limit (at
// most 1 is within it).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <future>
#include <memory>
#include <mutex>
#include <string>

#include "counting_clock.h"
#include "session/device_session.h"
#include "sim/in_process_backend.h"
#include "sync/device_worker.h"
#include "ui/dbus/bus_service.h"

namespace vantora {
namespace {

struct Rig {
    Rig() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vantora-dbus-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            folder = pattern + "/";
        }
        FILE* out = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        char line[512] = {};
        if (out != nullptr && std::fgets(line, sizeof(line), out) != nullptr) {
            address = QString::fromUtf8(line).trimmed();
            if (std::fgets(line, sizeof(line), out) != nullptr) {
                busPid = std::atoi(line);
            }
        }
        if (out != nullptr) {
            pclose(out);
        }
        SessionOptions options;
        options.programFolder = VANTORA_BENCH_PROGRAM_FOLDER;
        options.dataFolder = folder;
        options.backend = backend;
        options.clock = &clock;
        options.listenForEvents = false;
        options.hotplugSources = [] { return std::vector<std::unique_ptr<HotplugSource>>{}; };
        session = std::make_unique<DeviceSession>(std::move(options), observer);
        session->Start();
        while (!session->Worker()->InitialLoadDone()) {
            SystemClock::Instance().SleepMs(5);
        }
        service = std::make_unique<BusService>(*session);
        std::string error;
        if (!service->Register(QDBusConnection::connectToBus(address, "service"), &error)) {
            std::fprintf(stderr, "dbus_bench: %s\n", error.c_str());
        }
        client = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, "client"));
    }
    ~Rig() {
        client.reset();
        service.reset();
        session->Stop();
        QDBusConnection::disconnectFromBus("service");
        QDBusConnection::disconnectFromBus("client");
        if (busPid > 0) {
            ::kill(busPid, SIGTERM);
        }
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    QDBusMessage Call(const QString& interface, const QString& method, const QVariantList& args) {
        QDBusMessage message = QDBusMessage::createMethodCall(BusService::kServiceName,
                                                              BusService::kObjectPath, interface, method);
        message.setArguments(args);
        return client->call(message, QDBus::BlockWithGui, 30000);
    }

    std::string folder;
    QString address;
    int busPid = 0;
    CountingClock clock;
    std::shared_ptr<sim::InProcessHidBackend> backend = std::make_shared<sim::InProcessHidBackend>(clock);
    std::shared_ptr<sim::InProcessKeyboard> keyboard = backend->AddKeyboard();
    SessionObserver observer;
    std::unique_ptr<DeviceSession> session;
    std::unique_ptr<BusService> service;
    std::unique_ptr<QDBusConnection> client;
};

Rig* rig = nullptr;

void BM_PropertyRead(benchmark::State& state) {
    const QVariantList args{QString(BusService::kInterface), QString("ActiveProfile")};
    for (auto _ : state) {
        const QDBusMessage reply = rig->Call("org.freedesktop.DBus.Properties", "Get", args);
        if (reply.type() != QDBusMessage::ReplyMessage) {
            state.SkipWithError("Get failed");
            break;
        }
    }
}
BENCHMARK(BM_PropertyRead)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SwitchWrite(benchmark::State& state) {
    bool on = true;
    const std::uint64_t askedBefore = rig->clock.AskedMs();
    const std::uint64_t pausedBefore = rig->clock.PausedMs();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const QDBusMessage reply = rig->Call(BusService::kInterface, "SetSwitch", {QString("win"), on});
        if (reply.type() != QDBusMessage::ReplyMessage) {
            state.SkipWithError(reply.errorMessage().toStdString().c_str());
            break;
        }
        on = !on;
    }
    const double iterations = static_cast<double>(state.iterations());
    const double elapsed =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
        iterations;
    const double floor = static_cast<double>(rig->clock.AskedMs() - askedBefore) / iterations;
    const double limit = 1.1 * floor + 5.0;
    state.counters["floor_ms"] = floor;
    state.counters["worker_pause_ms"] =
        static_cast<double>(rig->clock.PausedMs() - pausedBefore) / iterations;
    state.counters["limit_ms"] = limit;
    state.counters["ratio"] = elapsed / limit;
}
BENCHMARK(BM_SwitchWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(50);

// The same download asked of the session directly, without the bus: what
// the service adds is the difference to SwitchWrite.
void BM_SessionSettings(benchmark::State& state) {
    const std::uint64_t askedBefore = rig->clock.AskedMs();
    const std::uint64_t pausedBefore = rig->clock.PausedMs();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        std::promise<JobOutcome> done;
        std::future<JobOutcome> outcome = done.get_future();
        rig->session->Perform(KeyboardWork::kSettings,
                              [&done](JobOutcome result) { done.set_value(result); });
        if (outcome.get() != JobOutcome::kDone) {
            state.SkipWithError("the download failed");
            break;
        }
    }
    const double iterations = static_cast<double>(state.iterations());
    const double elapsed =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
        iterations;
    const double floor = static_cast<double>(rig->clock.AskedMs() - askedBefore) / iterations;
    state.counters["floor_ms"] = floor;
    state.counters["worker_pause_ms"] =
        static_cast<double>(rig->clock.PausedMs() - pausedBefore) / iterations;
    state.counters["ratio"] = elapsed / (1.1 * floor + 5.0);
}
BENCHMARK(BM_SessionSettings)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(50);

}  // namespace
}  // namespace vantora

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    vantora::Rig rig;
    vantora::rig = &rig;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    vantora::rig = nullptr;
    return 0;
}
