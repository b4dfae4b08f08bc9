// One report exchange through the simulated keyboard's socket, with the
// protocol's own waits (10 ms before each request, read time-outs) taken
// out: what is left is the transport's cost (framing, the socket round trip,
// the keyboard model).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <string>

#include "device/clock.h"
#include "device/hid_device_manager.h"
#include "device/protocol.h"
#include "device/sim_hid_backend.h"
#include "sim/sim_keyboard_server.h"

namespace {

using namespace vantora;

// A clock whose waits cost nothing.
class NoWaitClock : public Clock {
public:
    void SleepMs(int) override {}
    std::uint64_t NowMs() override { return 0; }
};

struct Rig {
    Rig() {
        char pattern[] = "/tmp/vantora-bench-XXXXXX";
        folder = ::mkdtemp(pattern) != nullptr ? pattern : "";
        sim::SimKeyboardServer::Options options;
        options.folder = folder;
        server = std::make_unique<sim::SimKeyboardServer>(options);
        server->Plug();
        backend = std::make_unique<SimHidBackend>(
            SimHidBackend::Options{.folder = folder, .readTimeoutOverrideMs = 0});
        manager = std::make_unique<HidDeviceManager>(*backend, clock);
        manager->AddDeviceFilter(0x1209, 0x0001, "");
        manager->OpenDevices();
        manager->SetOpenFlag(true);
    }
    ~Rig() {
        manager.reset();
        server.reset();
        ::rmdir(folder.c_str());
    }
    std::string folder;
    NoWaitClock clock;
    std::unique_ptr<sim::SimKeyboardServer> server;
    std::unique_ptr<SimHidBackend> backend;
    std::unique_ptr<HidDeviceManager> manager;
};

std::array<std::uint8_t, protocol::kRequestSize> Request(std::uint8_t command, std::uint8_t length) {
    std::array<std::uint8_t, protocol::kRequestSize> request{};
    request[protocol::kHostMarker] = protocol::kRequestMarker;
    request[protocol::kHostCommand] = command;
    request[protocol::kHostLength] = length;
    return request;
}

void BM_SendReportThroughSocket(benchmark::State& state) {
    Rig rig;
    for (auto _ : state) {
        auto request = Request(protocol::CMD_WRITE_KEYS, 56);
        bool ok = rig.manager->SendReport(request, 0);
        if (!ok) {
            state.SkipWithError("not acknowledged");
            break;
        }
        benchmark::DoNotOptimize(request);
    }
}
BENCHMARK(BM_SendReportThroughSocket)->Unit(benchmark::kMicrosecond);

void BM_QueryReportThroughSocket(benchmark::State& state) {
    Rig rig;
    for (auto _ : state) {
        auto request = Request(protocol::CMD_READ_KEYS, 56);
        bool ok = rig.manager->QueryReport(request, 0);
        if (!ok) {
            state.SkipWithError("not acknowledged");
            break;
        }
        benchmark::DoNotOptimize(request);
    }
}
BENCHMARK(BM_QueryReportThroughSocket)->Unit(benchmark::kMicrosecond);

// The keyboard model alone, for comparison.
void BM_FirmwareHandleReport(benchmark::State& state) {
    sim::KeyboardFirmware firmware;
    std::array<std::uint8_t, protocol::kReportSize> report{};
    report[0] = protocol::kRequestMarker;
    report[1] = protocol::CMD_WRITE_KEYS;
    report[4] = 56;
    report[3] = protocol::Checksum(report.data(), 4, 63);
    for (auto _ : state) {
        auto reply = firmware.HandleReport(report);
        benchmark::DoNotOptimize(reply);
    }
}
BENCHMARK(BM_FirmwareHandleReport);

}  // namespace
