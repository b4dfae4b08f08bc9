// The music mode end to end on the real clock: a device session streams
// frames to the in-process keyboard (no answer latency). The keyboard's side
// is watched through a back end that sees every report written: a frame ends
// with the CMD_END after its CMD_STREAM_COLOURS blocks, and is lit when the
// keyboard's music frame then holds a non-zero byte.
//
// The floors come from the waits the code itself asks for: the worker's pass
// interval (DeviceWorker::Period), the analyser's frame interval and the
// waits of one frame's reports, counted on a clock while DeviceDownloads
// sends one frame (MeasureFrameReports).

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <numbers>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "device/hid_device_manager.h"
#include "device/protocol.h"
#include "lighting/visualizer.h"
#include "session/device_session.h"
#include "sim/in_process_backend.h"
#include "support/fake_audio_capture.h"
#include "sync/device_downloads.h"
#include "sync/device_worker.h"

namespace vantora {
namespace {

using Steady = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Ms(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A capture packet: 10 ms at 48 kHz, stereo.
constexpr int kPacketMs = 10;
constexpr int kPacketFrames = kAudioCaptureRate * kPacketMs / 1000;

// ---- The keyboard's side -------------------------------------------------

// Counts the frames the keyboard receives and tells when one ends.
class FrameWatch {
public:
    void Attach(std::shared_ptr<sim::InProcessKeyboard> keyboard) { keyboard_ = std::move(keyboard); }

    // Every report written to the command interface (the writer's thread).
    void Written(std::uint8_t command) {
        std::lock_guard lock(mutex_);
        ++reports_;
        if (command == protocol::CMD_STREAM_COLOURS) {
            inFrame_ = true;
        } else if (command == protocol::CMD_END && inFrame_) {
            inFrame_ = false;
            const bool lit = keyboard_->WithFirmware([](sim::KeyboardFirmware& f) {
                const auto& frame = f.MusicFrame();
                return std::any_of(frame.begin(), frame.end(), [](std::uint8_t b) { return b != 0; });
            });
            lastFrameEnd_ = Steady::now();
            ++frames_;
            if (lit) {
                ++litFrames_;
                lastLitEnd_ = lastFrameEnd_;
            }
            changed_.notify_all();
        }
    }

    struct Counts {
        long reports = 0;
        long frames = 0;
        long litFrames = 0;
        Steady::time_point lastFrameEnd;
        Steady::time_point lastLitEnd;
    };
    Counts Now() {
        std::lock_guard lock(mutex_);
        return {reports_, frames_, litFrames_, lastFrameEnd_, lastLitEnd_};
    }
    // Waits until more than `litFrames` lit frames have ended; false after `limit`.
    bool WaitForLitFrame(long litFrames, Steady::duration limit) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return litFrames_ > litFrames; });
    }

private:
    std::shared_ptr<sim::InProcessKeyboard> keyboard_;
    std::mutex mutex_;
    std::condition_variable changed_;
    long reports_ = 0;
    long frames_ = 0;
    long litFrames_ = 0;
    bool inFrame_ = false;
    Steady::time_point lastFrameEnd_{};
    Steady::time_point lastLitEnd_{};
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

// The in-process keyboard on the real clock, its command interface watched.
class WatchedBackend : public HidBackend {
public:
    WatchedBackend() { watch.Attach(keyboard); }
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

// ---- Sources -------------------------------------------------------------

// An analyser image with every pixel lit.
class LitImage : public MusicImageSource {
public:
    LitImage() { image_.fill(0x00FFFFFF); }
    bool LatestImage(MusicImage& image) override {
        image = image_;
        return true;
    }

private:
    MusicImage image_{};
};

// Plays into the session's capture as the sound server delivers: a 10 ms
// packet at the end of each 10 ms of sound, silence or a 1 kHz sine. A tone
// starts with a packet; it is timed at the source, the start of the packet's
// 10 ms, i.e. its delivery less one packet.
class Player {
public:
    explicit Player(test::FakeAudioCapture& capture) : capture_(capture), thread_([this] { Run(); }) {}
    ~Player() {
        stop_ = true;
        thread_.join();
    }
    // The tone from the next packet on; ToneStart() then tells when it began.
    void ToneOn() {
        toneStarted_ = false;
        tone_ = true;
    }
    void ToneOff() { tone_ = false; }
    bool ToneStarted() const { return toneStarted_.load(); }
    Steady::time_point ToneStart() const { return Steady::time_point(Steady::duration(toneStart_.load())); }

private:
    void Run() {
        std::vector<float> packet(2 * kPacketFrames);
        long sample = 0;
        auto next = Steady::now() + std::chrono::milliseconds(kPacketMs);
        while (!stop_) {
            std::this_thread::sleep_until(next);
            next += std::chrono::milliseconds(kPacketMs);
            const bool tone = tone_.load();
            for (std::size_t i = 0; i < packet.size(); i += 2, ++sample) {
                const float value = tone
                                        ? 0.8f * std::sin(2 * std::numbers::pi_v<float> * 1000 *
                                                          static_cast<float>(sample % 48) / kAudioCaptureRate)
                                        : 0.0f;
                packet[i] = packet[i + 1] = value;
            }
            const auto delivered = Steady::now();
            if (tone && !toneStarted_.load()) {
                toneStart_ = (delivered - std::chrono::milliseconds(kPacketMs)).time_since_epoch().count();
                toneStarted_ = true;
            }
            capture_.Feed(packet);
        }
    }

    test::FakeAudioCapture& capture_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> tone_{false};
    std::atomic<bool> toneStarted_{false};
    std::atomic<Steady::rep> toneStart_{0};
    std::thread thread_;
};

// ---- The session ---------------------------------------------------------

// A session in a private data folder on the real clock, connected to the
// watched keyboard, its initial load done. Without `music` it runs its own
// analyser (config.ini's MUSIC=1) fed by a fake capture.
class MusicSession {
public:
    explicit MusicSession(MusicImageSource* music) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantora-music-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            folder_ = pattern + "/";
        }
        SessionOptions options;
        options.programFolder = VANTORA_BENCH_PROGRAM_FOLDER;
        options.dataFolder = folder_;
        options.backend = backend;
        options.hotplugSources = [] { return std::vector<std::unique_ptr<HotplugSource>>{}; };
        options.music = music;
        options.musicMode = music == nullptr;
        options.audioCapture = [this] {
            auto fake = std::make_unique<test::FakeAudioCapture>();
            capture = fake.get();
            return fake;
        };
        session = std::make_unique<DeviceSession>(std::move(options), observer_);
        session->Start();
        const auto limit = Steady::now() + 10s;
        while (!session->Worker()->InitialLoadDone() && Steady::now() < limit) {
            std::this_thread::sleep_for(5ms);
        }
    }
    ~MusicSession() {
        session.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    bool Ready() const { return session->IsConnected() && session->Worker()->InitialLoadDone(); }

    std::shared_ptr<WatchedBackend> backend = std::make_shared<WatchedBackend>();
    test::FakeAudioCapture* capture = nullptr;  // the session's, while it lives
    std::unique_ptr<DeviceSession> session;

private:
    SessionObserver observer_;  // its PaintMusicKeys sends the samples as they are
    std::string folder_;
};

// The waits one lit frame's reports ask for, and their number: one frame
// sent by DeviceDownloads on a clock that sums the waits asked of it.
struct FrameReports {
    double waitsMs = 0;
    long reports = 0;
};

class CountingClock : public Clock {
public:
    void SleepMs(int ms) override {
        if (ms > 0) {
            asked_ += ms;
        }
    }
    std::uint64_t NowMs() override { return SystemClock::Instance().NowMs(); }
    long Asked() const { return asked_; }

private:
    long asked_ = 0;
};

class PlainHost : public SyncHost {
public:
    bool LoadProfileList() override { return true; }
    bool RefreshKeyTips() override { return true; }
    bool ReloadMacroList() override { return true; }
    bool RefreshLightPage() override { return true; }
    bool LoadSwitches() override { return true; }
    void LoadMusicLayer() override {}
    void Reconnect() override {}
    std::vector<KeyColourSample> PaintMusicKeys(const std::vector<KeyColourSample>& samples) override {
        return samples;
    }
};

FrameReports MeasureFrameReports() {
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
    LitImage lit;
    PlainHost host;
    const int before = keyboard->WriteCount();
    const long askedBefore = clock.Asked();
    if (downloads.MusicStreamStep(lit, host) != MusicFrameResult::kSent) {
        return {};
    }
    return {static_cast<double>(clock.Asked() - askedBefore), keyboard->WriteCount() - before};
}

// ---- Benchmarks ----------------------------------------------------------

// The worker streaming a lit image: frames reaching the keyboard per second
// against the floor of one pass's wait plus one frame's report waits per
// frame.
void BM_MusicFrameRate(benchmark::State& state) {
    const FrameReports frame = MeasureFrameReports();
    LitImage lit;
    MusicSession music(&lit);
    if (!music.Ready() || frame.reports == 0) {
        state.SkipWithError("no connected session or no frame sent");
        return;
    }
    FrameWatch& watch = music.backend->watch;
    music.session->SetStreamingWanted(true);
    for (auto _ : state) {
        // From the end of one frame to the end of the frame 40 later.
        const long start = watch.Now().litFrames;
        if (!watch.WaitForLitFrame(start, 5s)) {
            state.SkipWithError("no frame reached the keyboard");
            return;
        }
        const FrameWatch::Counts first = watch.Now();
        constexpr long kFrames = 40;
        while (watch.Now().litFrames < first.litFrames + kFrames) {
            if (!watch.WaitForLitFrame(watch.Now().litFrames, 5s)) {
                state.SkipWithError("the frames stopped");
                return;
            }
        }
        const FrameWatch::Counts last = watch.Now();
        const long frames = last.litFrames - first.litFrames;
        const double elapsed = Ms(last.lastLitEnd - first.lastLitEnd);
        const double passMs = music.session->Worker()->Period();
        const double floorFrameMs = passMs + frame.waitsMs;
        state.SetIterationTime(elapsed / 1000.0);
        state.counters["fps"] = 1000.0 * static_cast<double>(frames) / elapsed;
        state.counters["floor_fps"] = 1000.0 / floorFrameMs;
        state.counters["ratio"] = (elapsed / static_cast<double>(frames)) / floorFrameMs;
        state.counters["frame_ms"] = elapsed / static_cast<double>(frames);
        state.counters["floor_frame_ms"] = floorFrameMs;
        state.counters["pass_ms"] = passMs;
        state.counters["reports_per_frame"] =
            static_cast<double>(last.reports - first.reports) / static_cast<double>(frames);
        state.counters["report_waits_ms"] = frame.waitsMs;
    }
    music.session->SetStreamingWanted(false);
}
BENCHMARK(BM_MusicFrameRate)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

// From a tone starting (timed at the source) to the CMD_END of the keyboard's
// first lit frame, through the capture's packets, the analyser's thread and
// the worker. Each iteration starts the tone after the keys have gone dark
// and the frames stopped, at a random moment.
//
// The floor is the longest the chain may have to wait when every step is
// instant:
//   one capture packet (kPacketMs = 10 ms: the tone reaches the analyser when
//   the packet holding its start is delivered)
//   + the analyser's frame interval (Visualizer::kFrameIntervalMs = 15 ms:
//   the next frame takes the new samples)
//   + the worker's pass interval (DeviceWorker::Period() = 30 ms: the next
//   pass finds the lit image)
//   + the waits of the frame's reports (9 reports: CMD_BEGIN, 7 blocks of
//   CMD_STREAM_COLOURS and CMD_END, each after the manager's 10 ms wait:
//   90 ms, counted by MeasureFrameReports)
//   = 10 + 15 + 30 + 90 = 145 ms.
// `ratio` is the mean over the floor, `max_ratio` the slowest over it.
void BM_ToneToFirstLitFrame(benchmark::State& state) {
    const FrameReports frame = MeasureFrameReports();
    MusicSession music(nullptr);
    if (!music.Ready() || music.capture == nullptr || frame.reports == 0) {
        state.SkipWithError("no connected session with an analyser");
        return;
    }
    FrameWatch& watch = music.backend->watch;
    music.session->SetStreamingWanted(true);
    Player player(*music.capture);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> phase(0, 60);
    double sum = 0;
    double slowest = 0;
    double fastest = 1e9;
    auto toneOff = Steady::now();
    for (auto _ : state) {
        // Dark: no frame for a while, 300 ms after the tone ended at least.
        const auto limit = Steady::now() + 10s;
        while (Steady::now() - std::max(watch.Now().lastFrameEnd, toneOff) < 300ms) {
            if (Steady::now() > limit) {
                state.SkipWithError("the frames did not stop after the tone");
                return;
            }
            std::this_thread::sleep_for(10ms);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(phase(random)));
        const long lit = watch.Now().litFrames;
        player.ToneOn();
        if (!watch.WaitForLitFrame(lit, 5s) || !player.ToneStarted()) {
            state.SkipWithError("the tone lit no frame");
            return;
        }
        const double latency = Ms(watch.Now().lastLitEnd - player.ToneStart());
        player.ToneOff();
        toneOff = Steady::now();
        state.SetIterationTime(latency / 1000.0);
        sum += latency;
        slowest = std::max(slowest, latency);
        fastest = std::min(fastest, latency);
    }
    const double floor =
        kPacketMs + Visualizer::kFrameIntervalMs + music.session->Worker()->Period() + frame.waitsMs;
    const double mean = sum / static_cast<double>(state.iterations());
    state.counters["mean_ms"] = mean;
    state.counters["min_ms"] = fastest;
    state.counters["max_ms"] = slowest;
    state.counters["floor_ms"] = floor;
    state.counters["ratio"] = mean / floor;
    state.counters["max_ratio"] = slowest / floor;
    music.session->SetStreamingWanted(false);
}
BENCHMARK(BM_ToneToFirstLitFrame)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(30);

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The process's CPU use while the music mode is shown and silence plays:
// the capture's packets, the analyser's frames and the worker's passes (no
// window: the page's own painting is not counted). `cpu_percent` is of one
// core over 5 s.
void BM_SilentMusicCpu(benchmark::State& state) {
    MusicSession music(nullptr);
    if (!music.Ready() || music.capture == nullptr) {
        state.SkipWithError("no connected session with an analyser");
        return;
    }
    FrameWatch& watch = music.backend->watch;
    music.session->SetStreamingWanted(true);
    Player player(*music.capture);
    std::this_thread::sleep_for(1s);
    for (auto _ : state) {
        const long frames = watch.Now().frames;
        const double cpuBefore = CpuSeconds();
        const auto start = Steady::now();
        std::this_thread::sleep_for(5s);
        const double wall = Ms(Steady::now() - start) / 1000.0;
        const double cpu = CpuSeconds() - cpuBefore;
        state.SetIterationTime(wall);
        state.counters["cpu_percent"] = 100.0 * cpu / wall;
        state.counters["frames_sent"] = static_cast<double>(watch.Now().frames - frames);
    }
    music.session->SetStreamingWanted(false);
}
BENCHMARK(BM_SilentMusicCpu)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

// DeviceSession::Stop while a tone streams frames, at a random moment of the
// stream; a new session each time. The time is Stop's; `max_ms` the slowest.
void BM_StopWhileStreaming(benchmark::State& state) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> phase(0, 150);
    double slowest = 0;
    for (auto _ : state) {
        MusicSession music(nullptr);
        if (!music.Ready() || music.capture == nullptr) {
            state.SkipWithError("no connected session with an analyser");
            return;
        }
        FrameWatch& watch = music.backend->watch;
        music.session->SetStreamingWanted(true);
        Player player(*music.capture);
        player.ToneOn();
        for (int frames = 0; frames < 3; ++frames) {
            if (!watch.WaitForLitFrame(watch.Now().litFrames, 5s)) {
                state.SkipWithError("the tone lit no frame");
                return;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(phase(random)));
        const auto start = Steady::now();
        music.session->Stop();
        const double took = Ms(Steady::now() - start);
        state.SetIterationTime(took / 1000.0);
        slowest = std::max(slowest, took);
    }
    state.counters["max_ms"] = slowest;
}
BENCHMARK(BM_StopWhileStreaming)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

}  // namespace
}  // namespace vantora
