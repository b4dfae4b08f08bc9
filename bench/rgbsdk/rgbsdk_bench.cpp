// An OpenRGB SDK client's Direct frames end to end on the real clock:
// UpdateLEDs packets go through the request handler (as the server hands
// them over once read from the socket; the loopback hop is not counted) to
// the program's SDK keyboard, which gives the latest frame to the device
// worker, which streams it to the in-process keyboard. The keyboard's side is
// watched through a back end that sees every report written: a frame ends
// with the CMD_END after its CMD_STREAM_COLOURS blocks.
//
// The floor of a frame is the waits its reports ask for (counted on a clock
// while DeviceDownloads sends one frame): reports per frame times the report
// time. A client's frame wakes the worker at once, so no pass interval adds.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <thread>

#include "device/hid_device_manager.h"
#include "device/protocol.h"
#include "rgbsdk/byte_codec.h"
#include "rgbsdk/request_handler.h"
#include "session/device_session.h"
#include "session/sdk_keyboard.h"
#include "sim/in_process_backend.h"
#include "sync/device_downloads.h"
#include "sync/device_worker.h"

namespace vantora {
namespace {

using Steady = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Ms(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Counts the frames the keyboard receives, with the time each one ended.
class FrameWatch {
public:
    void Written(std::uint8_t command) {
        std::lock_guard lock(mutex_);
        ++reports_;
        if (command == protocol::CMD_STREAM_COLOURS) {
            inFrame_ = true;
        } else if (command == protocol::CMD_END && inFrame_) {
            inFrame_ = false;
            ++frames_;
            lastEnd_ = Steady::now();
            changed_.notify_all();
        }
    }
    struct Counts {
        long reports = 0;
        long frames = 0;
        Steady::time_point lastEnd;
    };
    Counts Now() {
        std::lock_guard lock(mutex_);
        return {reports_, frames_, lastEnd_};
    }
    bool WaitForFrames(long frames, Steady::duration limit) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return frames_ >= frames; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    long reports_ = 0;
    long frames_ = 0;
    bool inFrame_ = false;
    Steady::time_point lastEnd_{};
};

class WatchedHandle : public HidHandle {
public:
    WatchedHandle(std::unique_ptr<HidHandle> inner, FrameWatch& watch)
        : inner_(std::move(inner)), watch_(watch) {}
    int Write(const std::uint8_t* data, std::size_t length) override {
        const int written = inner_->Write(data, length);
        if (written > 0 && length > protocol::kHostCommand) {
            watch_.Written(data[protocol::kHostCommand]);
        }
        return written;
    }
    int ReadTimeout(std::uint8_t* data, std::size_t length, int milliseconds) override {
        return inner_->ReadTimeout(data, length, milliseconds);
    }
    std::string ManufacturerString() override { return inner_->ManufacturerString(); }
    std::string ProductString() override { return inner_->ProductString(); }
    bool GetReportDescriptor(std::vector<std::uint8_t>& descriptor) override {
        return inner_->GetReportDescriptor(descriptor);
    }
    void CancelRead() override { inner_->CancelRead(); }

private:
    std::unique_ptr<HidHandle> inner_;
    FrameWatch& watch_;
};

class WatchedBackend : public HidBackend {
public:
    std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendorId, std::uint16_t productId) override {
        return inner_.Enumerate(vendorId, productId);
    }
    bool OwnsPath(const std::string& path) const override { return inner_.OwnsPath(path); }
    std::unique_ptr<HidHandle> OpenPath(const std::string& path) override {
        auto handle = inner_.OpenPath(path);
        if (handle && path == sim::InProcessHidBackend::CommandPath(0)) {
            return std::make_unique<WatchedHandle>(std::move(handle), watch);
        }
        return handle;
    }

private:
    sim::InProcessHidBackend inner_{SystemClock::Instance()};

public:
    std::shared_ptr<sim::InProcessKeyboard> keyboard = inner_.AddKeyboard();
    FrameWatch watch;
};

// A session in a private data folder, connected to the watched keyboard, its
// initial load done, with the SDK keyboard and a client's request handler.
class SdkSession {
public:
    SdkSession() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantora-rgbsdk-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            folder_ = pattern + "/";
        }
        SessionOptions options;
        options.programFolder = VANTORA_BENCH_PROGRAM_FOLDER;
        options.dataFolder = folder_;
        options.backend = backend;
        options.hotplugSources = [] { return std::vector<std::unique_ptr<HotplugSource>>{}; };
        session = std::make_unique<DeviceSession>(std::move(options), observer_);
        session->Start();
        const auto limit = Steady::now() + 10s;
        while (!session->Worker()->InitialLoadDone() && Steady::now() < limit) {
            std::this_thread::sleep_for(5ms);
        }
        keyboard = std::make_unique<SdkKeyboard>(*session, [] {});
        controller = keyboard->Describe();
        handler = std::make_unique<rgbsdk::RequestHandler>(controller, *keyboard);
    }
    ~SdkSession() {
        handler.reset();
        keyboard.reset();
        session.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    bool Ready() const {
        return controller && session->IsConnected() && session->Worker()->InitialLoadDone();
    }

    // One UpdateLEDs packet with every LED `colour`, handled.
    void SendFrame(std::uint32_t colour) {
        rgbsdk::Packet packet;
        packet.id = rgbsdk::kUpdateLeds;
        rgbsdk::ByteWriter writer(packet.data);
        const std::size_t leds = controller->colours.size();
        writer.U32(static_cast<std::uint32_t>(6 + 4 * leds));
        writer.U16(static_cast<std::uint16_t>(leds));
        for (std::size_t i = 0; i < leds; ++i) {
            writer.U32(colour);
        }
        handler->Handle(packet);
    }

    std::shared_ptr<WatchedBackend> backend = std::make_shared<WatchedBackend>();
    std::unique_ptr<DeviceSession> session;
    std::unique_ptr<SdkKeyboard> keyboard;
    std::optional<rgbsdk::SdkController> controller;
    std::unique_ptr<rgbsdk::RequestHandler> handler;

private:
    SessionObserver observer_;
    std::string folder_;
};

// The waits one frame's reports ask for, and their number.
struct FrameFloor {
    double waitsMs = 0;
    long reports = 0;
};

class CountingClock : public Clock {
public:
    void SleepMs(int ms) override { asked_ += ms > 0 ? ms : 0; }
    std::uint64_t NowMs() override { return SystemClock::Instance().NowMs(); }
    long Asked() const { return asked_; }

private:
    long asked_ = 0;
};

FrameFloor MeasureFrameFloor() {
    CountingClock clock;
    sim::InProcessHidBackend backend(clock);
    auto keyboard = backend.AddKeyboard();
    HidDeviceManager manager(backend, clock);
    manager.AddDeviceFilter(0x1209, 0x0001, "", 2);
    manager.OpenDevices();
    manager.SetOpenFlag(true);
    ProfileDatabase db;
    Selection selection;
    std::map<int, int> noLayout;
    std::atomic<int> deviceIndex{0};
    DeviceDownloads downloads(SyncContext{db, manager, clock, noLayout, noLayout, selection, deviceIndex});
    ColourTable frame{};
    frame.fill(0xFF);
    const int before = keyboard->WriteCount();
    if (!downloads.StreamFrame(frame)) {
        return {};
    }
    return {static_cast<double>(clock.Asked()), keyboard->WriteCount() - before};
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A client sending frames faster than the keyboard takes them (one every
// millisecond): frames reaching the keyboard per second against the floor.
void BM_DirectFrameRate(benchmark::State& state) {
    const FrameFloor floor = MeasureFrameFloor();
    SdkSession sdk;
    if (!sdk.Ready() || floor.reports == 0) {
        state.SkipWithError("no connected session or no frame sent");
        return;
    }
    FrameWatch& watch = sdk.backend->watch;
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::thread client([&] {
            for (std::uint32_t colour = 1; !stop; ++colour) {
                sdk.SendFrame(colour & 0xFFFFFF);
                std::this_thread::sleep_for(1ms);
            }
        });
        watch.WaitForFrames(watch.Now().frames + 2, 5s);
        const FrameWatch::Counts first = watch.Now();
        constexpr long kFrames = 30;
        const bool all = watch.WaitForFrames(first.frames + kFrames, 20s);
        const FrameWatch::Counts last = watch.Now();
        stop = true;
        client.join();
        if (!all) {
            state.SkipWithError("the frames stopped");
            return;
        }
        const double frameMs =
            Ms(last.lastEnd - first.lastEnd) / static_cast<double>(last.frames - first.frames);
        state.SetIterationTime(Ms(last.lastEnd - first.lastEnd) / 1000.0);
        state.counters["fps"] = 1000.0 / frameMs;
        state.counters["floor_fps"] = 1000.0 / floor.waitsMs;
        state.counters["ratio"] = frameMs / floor.waitsMs;
        state.counters["frame_ms"] = frameMs;
        state.counters["reports_per_frame"] = static_cast<double>(floor.reports);
        state.counters["floor_frame_ms"] = floor.waitsMs;
    }
}
BENCHMARK(BM_DirectFrameRate)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

// From one UpdateLEDs, sent at a random moment while the keys are idle, to
// the CMD_END of the frame that carries it. Bound: one frame time (a frame
// being sent) plus 1.1 times the floor; idle, the floor alone.
void BM_UpdateLedsToLastReport(benchmark::State& state) {
    const FrameFloor floor = MeasureFrameFloor();
    SdkSession sdk;
    if (!sdk.Ready() || floor.reports == 0) {
        state.SkipWithError("no connected session or no frame sent");
        return;
    }
    FrameWatch& watch = sdk.backend->watch;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pause(0, 40);
    double sum = 0;
    double slowest = 0;
    std::uint32_t colour = 1;
    for (auto _ : state) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + pause(random)));
        const long before = watch.Now().frames;
        const auto sent = Steady::now();
        sdk.SendFrame(colour++);
        if (!watch.WaitForFrames(before + 1, 5s)) {
            state.SkipWithError("no frame reached the keyboard");
            return;
        }
        const double ms = Ms(watch.Now().lastEnd - sent);
        sum += ms;
        slowest = std::max(slowest, ms);
        state.SetIterationTime(ms / 1000.0);
    }
    const double mean = sum / static_cast<double>(state.iterations());
    state.counters["mean_ms"] = mean;
    state.counters["max_ms"] = slowest;
    state.counters["floor_ms"] = floor.waitsMs;
    state.counters["bound_ms"] = floor.waitsMs + 1.1 * floor.waitsMs;
    state.counters["ratio"] = mean / floor.waitsMs;
}
BENCHMARK(BM_UpdateLedsToLastReport)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

// The process's CPU while a client sends 60 frames a second for 5 s: the
// request handling, the frames' colour tables, the worker and the
// in-process keyboard (which a real keyboard does not cost). Of one core.
void BM_Direct60FpsCpu(benchmark::State& state) {
    SdkSession sdk;
    if (!sdk.Ready()) {
        state.SkipWithError("no connected session");
        return;
    }
    for (auto _ : state) {
        const double cpuBefore = CpuSeconds();
        const auto start = Steady::now();
        auto next = start;
        for (std::uint32_t colour = 1; Steady::now() - start < 5s; ++colour) {
            next += std::chrono::microseconds(16667);
            sdk.SendFrame(colour & 0xFFFFFF);
            std::this_thread::sleep_until(next);
        }
        const double wall = Ms(Steady::now() - start) / 1000.0;
        const double cpu = CpuSeconds() - cpuBefore;
        state.SetIterationTime(wall);
        state.counters["cpu_percent"] = 100.0 * cpu / wall;
        state.counters["frames_sent"] = 300;
        state.counters["frames_shown"] = static_cast<double>(sdk.backend->watch.Now().frames);
    }
}
BENCHMARK(BM_Direct60FpsCpu)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

}  // namespace
}  // namespace vantora
