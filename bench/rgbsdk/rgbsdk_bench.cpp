// An OpenRGB SDK client's Direct frames end to end on the real clock, two
// ways (argument "loopback"):
// 0: UpdateLEDs packets go straight to a request handler (as the server
//    hands them over once read from the socket);
// 1: a client on a TCP socket to 127.0.0.1 (TCP_NODELAY, protocol 5
//    negotiated) sends them to the program's SdkServer, which runs with its
//    event loop on a thread of its own (the program runs it on the window's
//    thread), so the loopback hop, the socket reads and the parsing count.
// Either way the program's SDK keyboard gives the latest frame to the device
// worker, which streams it to the in-process keyboard. The keyboard's side is
// watched through a back end that sees every report written: a frame ends
// with the CMD_END after its CMD_STREAM_COLOURS blocks.
//
// The floor of a frame is the waits its reports ask for (counted on a clock
// while DeviceDownloads sends one frame): reports per frame times the report
// time. A client's frame wakes the worker at once, so no pass interval adds.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <future>
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
#include "ui/sdk/sdk_server.h"

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

// The program's SDK server on 127.0.0.1 (a free port), serving `keyboard`
// with its own event loop on a thread of its own.
class ServerThread {
public:
    ServerThread(SdkKeyboard& keyboard, std::optional<rgbsdk::SdkController> controller) {
        std::promise<quint16> listening;
        std::future<quint16> port = listening.get_future();
        thread_.reset(QThread::create([this, &keyboard, &listening, controller = std::move(controller)] {
            SdkServer server(keyboard);
            server.SetController(controller);
            QEventLoop loop;
            loop_ = &loop;
            listening.set_value(server.Listen(0) ? server.Port() : 0);
            loop.exec();
        }));
        thread_->start();
        port_ = port.get();
    }
    ~ServerThread() {
        QMetaObject::invokeMethod(loop_, &QEventLoop::quit, Qt::QueuedConnection);
        thread_->wait();
    }
    quint16 Port() const { return port_; }

private:
    std::unique_ptr<QThread> thread_;
    QEventLoop* loop_ = nullptr;
    quint16 port_ = 0;
};

// A client's TCP connection to the server, blocking, with TCP_NODELAY (a
// frame is sent at once, not held back for the acknowledgement of the one
// before). Negotiates protocol 5 first: its answer shows the server took the
// connection.
class TcpClient {
public:
    explicit TcpClient(quint16 port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        const timeval patience{5, 0};  // for the version's answer
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            return;
        }
        std::vector<std::uint8_t> version;
        rgbsdk::ByteWriter(version).U32(rgbsdk::kMaxProtocolVersion);
        std::uint8_t answer[rgbsdk::kHeaderSize + 4];
        ready_ = Send(rgbsdk::EncodePacket(0, rgbsdk::kRequestProtocolVersion, version)) &&
                 ::recv(fd_, answer, sizeof answer, MSG_WAITALL) == static_cast<ssize_t>(sizeof answer);
    }
    ~TcpClient() { ::close(fd_); }
    bool Ready() const { return ready_; }
    bool Send(const std::vector<std::uint8_t>& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                return false;
            }
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int fd_ = -1;
    bool ready_ = false;
};

// A session in a private data folder, connected to the watched keyboard, its
// initial load done, with the SDK keyboard and a client: a request handler
// or, over the loopback, the server and a TCP client.
class SdkSession {
public:
    explicit SdkSession(bool loopback) {
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
        if (loopback) {
            server_ = std::make_unique<ServerThread>(*keyboard, controller);
            client_ = std::make_unique<TcpClient>(server_->Port());
        } else {
            handler = std::make_unique<rgbsdk::RequestHandler>(controller, *keyboard);
        }
    }
    ~SdkSession() {
        client_.reset();
        server_.reset();
        handler.reset();
        keyboard.reset();
        session.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    bool Ready() const {
        return controller && session->IsConnected() && session->Worker()->InitialLoadDone() &&
               (handler || (client_ && client_->Ready()));
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
        if (handler) {
            handler->Handle(packet);
        } else {
            client_->Send(rgbsdk::EncodePacket(0, packet.id, packet.data));
        }
    }

    std::shared_ptr<WatchedBackend> backend = std::make_shared<WatchedBackend>();
    std::unique_ptr<DeviceSession> session;
    std::unique_ptr<SdkKeyboard> keyboard;
    std::optional<rgbsdk::SdkController> controller;
    std::unique_ptr<rgbsdk::RequestHandler> handler;

private:
    SessionObserver observer_;
    std::string folder_;
    std::unique_ptr<ServerThread> server_;
    std::unique_ptr<TcpClient> client_;
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

// The CPU time of the process, or of the calling thread.
double CpuSeconds(int who = RUSAGE_SELF) {
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A client sending frames faster than the keyboard takes them (one every
// millisecond): frames reaching the keyboard per second against the floor.
void BM_DirectFrameRate(benchmark::State& state) {
    const FrameFloor floor = MeasureFrameFloor();
    SdkSession sdk(state.range(0) != 0);
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
BENCHMARK(BM_DirectFrameRate)
    ->ArgName("loopback")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

// From one UpdateLEDs, sent (handed over, or written to the socket) at a
// random moment while the keys are idle, to the CMD_END of the frame that
// carries it. Bound: one frame time (a frame
// being sent) plus 1.1 times the floor; idle, the floor alone.
void BM_UpdateLedsToLastReport(benchmark::State& state) {
    const FrameFloor floor = MeasureFrameFloor();
    SdkSession sdk(state.range(0) != 0);
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
BENCHMARK(BM_UpdateLedsToLastReport)
    ->ArgName("loopback")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(20);

// The program's CPU while a client sends 60 frames a second for 5 s: the
// request handling (over the loopback also the server's socket reads), the
// frames' colour tables, the worker and the in-process keyboard (which a
// real keyboard does not cost). Of one core. Over the loopback the client is
// this thread: its own time (the sends, with the kernel's loopback work they
// carry) is taken out and shown apart.
void BM_Direct60FpsCpu(benchmark::State& state) {
    SdkSession sdk(state.range(0) != 0);
    if (!sdk.Ready()) {
        state.SkipWithError("no connected session");
        return;
    }
    const bool loopback = state.range(0) != 0;
    for (auto _ : state) {
        const double cpuBefore = CpuSeconds();
        const double clientBefore = CpuSeconds(RUSAGE_THREAD);
        const auto start = Steady::now();
        auto next = start;
        for (std::uint32_t colour = 1; Steady::now() - start < 5s; ++colour) {
            next += std::chrono::microseconds(16667);
            sdk.SendFrame(colour & 0xFFFFFF);
            std::this_thread::sleep_until(next);
        }
        const double wall = Ms(Steady::now() - start) / 1000.0;
        const double client = loopback ? CpuSeconds(RUSAGE_THREAD) - clientBefore : 0.0;
        const double cpu = CpuSeconds() - cpuBefore - client;
        state.SetIterationTime(wall);
        state.counters["cpu_percent"] = 100.0 * cpu / wall;
        state.counters["client_cpu_percent"] = 100.0 * client / wall;
        state.counters["frames_sent"] = 300;
        state.counters["frames_shown"] = static_cast<double>(sdk.backend->watch.Now().frames);
    }
}
BENCHMARK(BM_Direct60FpsCpu)
    ->ArgName("loopback")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

}  // namespace
}  // namespace vantora

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
