// The program's simulator back end against a simulated keyboard served on
// its socket, all in this process. Every step waits for a definite event
// (an answer, a frame, a folder change), never for time.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <thread>

#include "device/device_event_listener.h"
#include "device/hid_device_manager.h"
#include "device/protocol.h"
#include "device/sim_folder_monitor.h"
#include "device/sim_hid_backend.h"
#include "device/sim_link.h"
#include "sim/sim_keyboard_server.h"
#include "support/env_guard.h"
#include "support/other_user.h"
#include "support/temp_dir.h"
#include "unit/sim/flat_json.h"

namespace vantora::sim {
namespace {

using Request = std::array<std::uint8_t, protocol::kRequestSize>;

Request MakeRequest(std::uint8_t command, std::uint8_t length = 0) {
    Request request{};
    request[protocol::kHostMarker] = protocol::kRequestMarker;
    request[protocol::kHostCommand] = command;
    request[protocol::kHostLength] = length;
    return request;
}

// A connection of the test's own to a socket; closed with the object.
struct RawClient {
    explicit RawClient(const std::string& path) : fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawClient() { ::close(fd); }
    int fd;
    bool connected = false;
};

// Collects device changes from the folder monitor's thread.
class ChangeLog {
public:
    void Add(const DeviceChange& change) {
        std::lock_guard lock(mutex_);
        changes_.push_back(change);
        changed_.notify_all();
    }
    std::vector<DeviceChange> WaitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        bool reached =
            changed_.wait_for(lock, std::chrono::seconds(20), [&] { return changes_.size() >= count; });
        EXPECT_TRUE(reached) << "only " << changes_.size() << " of " << count << " changes";
        return changes_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<DeviceChange> changes_;
};

class SimKeyboardServerTest : public ::testing::Test {
protected:
    SimKeyboardServerTest() {
        folder = temp.path() + "sim";
        env.Set("VANTORA_SIM_DIR", folder);
    }

    SimKeyboardServer::Options ServerOptions() {
        SimKeyboardServer::Options options;
        options.folder = folder;
        return options;
    }

    // A server keeping its state file alone in a folder of its own.
    SimKeyboardServer::Options StateOptions() {
        SimKeyboardServer::Options options = ServerOptions();
        std::filesystem::create_directory(temp.path() + "state");
        options.stateFile = temp.path() + "state/state.json";
        return options;
    }

    std::string ReadState() {
        std::ifstream in(temp.path() + "state/state.json");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The state file once `done` holds for it: the server writes it after
    // answering, so the test waits for the write it expects.
    test::JsonFields WaitForState(const std::function<bool(const test::JsonFields&)>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        test::JsonFields fields;
        while (std::chrono::steady_clock::now() < deadline) {
            fields = test::ParseFlatJson(ReadState()).value_or(test::JsonFields{});
            if (done(fields)) {
                return fields;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ADD_FAILURE() << "the state file never reached the expected state";
        return fields;
    }

    static std::function<bool(const test::JsonFields&)> ReportsReceived(const std::string& count) {
        return [count](const test::JsonFields& fields) {
            return test::Field(fields, "reports_received") == count;
        };
    }

    test::TempDir temp;
    test::EnvGuard env;
    std::string folder;
};

TEST_F(SimKeyboardServerTest, FolderIsCreatedPrivate) {
    SimKeyboardServer server(ServerOptions());
    std::string error;
    ASSERT_TRUE(server.Plug(&error)) << error;
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(simlink::SimulatorFolder(), folder);
}

TEST_F(SimKeyboardServerTest, RefusesAFolderOthersCanEnter) {
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    SimKeyboardServer server(ServerOptions());
    std::string error;
    EXPECT_FALSE(server.Plug(&error));
    EXPECT_FALSE(error.empty());
    SimHidBackend backend({.folder = folder});
    EXPECT_TRUE(backend.Enumerate(0, 0).empty());
}

TEST_F(SimKeyboardServerTest, EnumeratesInterfaceTwoAndTheVendorCollection) {
    SimKeyboardServer::Options options = ServerOptions();
    options.releaseNumber = 0x0305;
    SimKeyboardServer server(options);
    ASSERT_TRUE(server.Plug());
    SimHidBackend backend;  // finds the folder through VANTORA_SIM_DIR
    auto entries = backend.Enumerate(0, 0);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].interfaceNumber, 2);
    EXPECT_EQ(entries[0].vendorId, 0x1209);
    EXPECT_EQ(entries[0].productId, 0x0001);
    EXPECT_EQ(entries[0].releaseNumber, 0x0305);
    EXPECT_EQ(entries[0].productString, "VANTORA Gaming Keyboard");
    EXPECT_EQ(entries[1].usagePage, 0xFF00);
    EXPECT_EQ(entries[1].usage, 0);
    EXPECT_TRUE(backend.Enumerate(0x1209, 0x0002).empty());
    EXPECT_EQ(backend.Enumerate(0x1209, 0x0001).size(), 2u);
}

TEST_F(SimKeyboardServerTest, StaleSocketFilesAreSkipped) {
    ASSERT_TRUE(simlink::EnsureSimulatorFolder(folder, nullptr));
    std::ofstream(folder + "/" + simlink::SocketName(0x1209, 0x0001, "stale")) << "not a socket";
    SimHidBackend backend({.folder = folder});
    EXPECT_TRUE(backend.Enumerate(0, 0).empty());
}

TEST_F(SimKeyboardServerTest, ExchangesReportsThroughTheSocket) {
    std::string trace = temp.path() + "trace.txt";
    SimKeyboardServer::Options options = ServerOptions();
    options.traceFile = trace;
    SimKeyboardServer server(options);
    ASSERT_TRUE(server.Plug());
    SimHidBackend backend({.folder = folder});
    HidDeviceManager manager(backend, SystemClock::Instance());
    manager.AddDeviceFilter(0x1209, 0x0001, "");
    ASSERT_TRUE(manager.OpenDevices());
    manager.SetOpenFlag(true);
    EXPECT_EQ(manager.Records()[0].manufacturer, "VANTORA");

    Request begin = MakeRequest(protocol::CMD_BEGIN);
    EXPECT_TRUE(manager.SendReport(begin, 0));
    Request settings = MakeRequest(protocol::CMD_READ_SETTINGS, 32);
    EXPECT_TRUE(manager.QueryReport(settings, 0));
    EXPECT_EQ(settings[8 + 3], 100);
    EXPECT_TRUE(server.WithFirmware([](KeyboardFirmware& f) { return f.InTransaction(); }));

    std::ifstream lines(trace);
    std::string first;
    std::string second;
    ASSERT_TRUE(std::getline(lines, first));
    ASSERT_TRUE(std::getline(lines, second));
    EXPECT_EQ(first, "5501" + std::string(124, '0'));
    EXPECT_EQ(second.substr(0, 10), "5505002020");
    EXPECT_EQ(second.size(), 128u);
}

TEST_F(SimKeyboardServerTest, RefusingKeyboardOverTheSocket) {
    SimKeyboardServer::Options options = ServerOptions();
    options.faults.refuseAll = true;
    SimKeyboardServer server(options);
    ASSERT_TRUE(server.Plug());
    SimHidBackend backend({.folder = folder, .readTimeoutOverrideMs = 0});
    HidDeviceManager manager(backend, SystemClock::Instance());
    manager.AddDeviceFilter(0x1209, 0x0001, "");
    ASSERT_TRUE(manager.OpenDevices());
    manager.SetOpenFlag(true);
    Request request = MakeRequest(protocol::CMD_READ_SETTINGS, 32);
    EXPECT_FALSE(manager.QueryReport(request, 0));
    EXPECT_EQ(server.WithFirmware([](KeyboardFirmware& f) { return f.ReportsReceived(); }), 1);
}

TEST_F(SimKeyboardServerTest, KeyboardVanishingMidTransactionFailsWrites) {
    SimKeyboardServer::Options options = ServerOptions();
    options.faults.vanishAfterReports = 1;
    SimKeyboardServer server(options);
    ASSERT_TRUE(server.Plug());
    SimHidBackend backend({.folder = folder});
    auto handle = backend.OpenPath(simlink::InterfacePath(server.SocketPath(), 2));
    ASSERT_TRUE(handle);
    Request begin = MakeRequest(protocol::CMD_BEGIN);
    EXPECT_EQ(handle->Write(begin.data(), begin.size()), 65);
    Request end = MakeRequest(protocol::CMD_END);
    EXPECT_EQ(handle->Write(end.data(), end.size()), -1);
    std::uint8_t answer[64];
    EXPECT_GT(handle->ReadTimeout(answer, sizeof answer, 0), 0);  // CMD_BEGIN's answer is still there
    EXPECT_EQ(handle->ReadTimeout(answer, sizeof answer, 1000), -1);
    EXPECT_TRUE(backend.Enumerate(0, 0).empty());
}

TEST_F(SimKeyboardServerTest, WriteWithoutTheLastByteReachesTheKeyboardShortAndIsRefused) {
    SimKeyboardServer server(ServerOptions());
    ASSERT_TRUE(server.Plug());
    SimHidBackend backend({.folder = folder});
    auto handle = backend.OpenPath(simlink::InterfacePath(server.SocketPath(), 2));
    ASSERT_TRUE(handle);
    Request begin = MakeRequest(protocol::CMD_BEGIN);
    ASSERT_EQ(handle->Write(begin.data(), protocol::kReportSize), 64);  // report id and 63 bytes
    std::uint8_t answer[64] = {};
    ASSERT_GT(handle->ReadTimeout(answer, sizeof answer, 1000), 0);
    EXPECT_EQ(answer[0], 0x00);
    EXPECT_EQ(answer[2], KeyboardFirmware::kBadLength);
    EXPECT_FALSE(server.WithFirmware([](KeyboardFirmware& f) { return f.InTransaction(); }));
}

TEST_F(SimKeyboardServerTest, InterfaceCheckAndUnknownPaths) {
    SimKeyboardServer server(ServerOptions());
    ASSERT_TRUE(server.Plug());
    SimHidBackend backend({.folder = folder});
    EXPECT_FALSE(backend.OpenPath("sim:" + server.SocketPath() + "#5"));
    EXPECT_FALSE(backend.OpenPath("sim:/nowhere/x.sock#2"));
    EXPECT_FALSE(backend.OpenPath("/dev/hidraw0"));
    auto command = backend.OpenPath(simlink::InterfacePath(server.SocketPath(), 2));
    ASSERT_TRUE(command);
    std::vector<std::uint8_t> descriptor;
    ASSERT_TRUE(command->GetReportDescriptor(descriptor));
    auto events = backend.OpenPath(simlink::InterfacePath(server.SocketPath(), 1));
    ASSERT_TRUE(events);
    std::uint8_t data[65] = {};
    EXPECT_EQ(events->Write(data, sizeof data), -1);  // the vendor collection takes no writes
}

TEST_F(SimKeyboardServerTest, KeyPressReachesTheListener) {
    SimKeyboardServer server(ServerOptions());
    ASSERT_TRUE(server.Plug());
    // Give index 9 an application function.
    server.WithFirmware([](KeyboardFirmware& firmware) {
        std::array<std::uint8_t, 64> request{};
        request[0] = protocol::kRequestMarker;
        request[1] = protocol::CMD_WRITE_KEYS;
        request[4] = 3;
        request[5] = 6 * 9;
        request[8] = protocol::kClassApplication;
        request[9] = 7;
        request[3] = protocol::Checksum(request.data(), 4, 63);
        firmware.HandleReport(request);
    });
    SimHidBackend backend({.folder = folder});
    std::mutex mutex;
    std::condition_variable posted;
    std::vector<std::intptr_t> ids;
    DeviceEventListener listener(
        backend, SystemClock::Instance(),
        [&](unsigned, std::uintptr_t, std::intptr_t id) {
            std::lock_guard lock(mutex);
            ids.push_back(id);
            posted.notify_all();
        },
        MSG_DEVICE_EVENT);
    listener.SetFilter(0x1209, 0x0001);
    listener.StartListener();
    ASSERT_TRUE(listener.IsListening());
    ASSERT_TRUE(server.Press(9, false));
    std::unique_lock lock(mutex);
    ASSERT_TRUE(posted.wait_for(lock, std::chrono::seconds(20), [&] { return !ids.empty(); }));
    EXPECT_EQ(ids[0], 7);
    lock.unlock();
    listener.StopListener();  // returns promptly: the read is cancelled
}

TEST_F(SimKeyboardServerTest, PlugAndUnplugReachTheFolderMonitor) {
    ASSERT_TRUE(simlink::EnsureSimulatorFolder(folder, nullptr));
    ChangeLog log;
    SimFolderMonitor monitor(folder);
    ASSERT_TRUE(monitor.Start([&](const DeviceChange& change) { log.Add(change); }));
    SimKeyboardServer server(ServerOptions());
    ASSERT_TRUE(server.Plug());
    std::string path = simlink::InterfacePath(server.SocketPath(), 2);
    auto changes = log.WaitFor(1);
    EXPECT_EQ(changes[0].kind, DeviceChange::Kind::Arrival);
    EXPECT_EQ(changes[0].path, path);
    EXPECT_EQ(changes[0].vendorId, 0x1209);
    EXPECT_EQ(changes[0].interfaceNumber, 2);
    server.Unplug();
    changes = log.WaitFor(2);
    EXPECT_EQ(changes[1].kind, DeviceChange::Kind::Removal);
    EXPECT_EQ(changes[1].path, path);
    ASSERT_TRUE(server.Plug());
    changes = log.WaitFor(3);
    EXPECT_EQ(changes[2].kind, DeviceChange::Kind::Arrival);
    monitor.Stop();
    EXPECT_EQ(changes.size(), 3u);  // the hidden temporary name was never reported
}

TEST_F(SimKeyboardServerTest, StateFileShowsWrittenSettings) {
    SimKeyboardServer server(StateOptions());
    ASSERT_TRUE(server.Plug());
    SimHidBackend backend({.folder = folder});
    auto handle = backend.OpenPath(simlink::InterfacePath(server.SocketPath(), 2));
    ASSERT_TRUE(handle);
    Request begin = MakeRequest(protocol::CMD_BEGIN);
    ASSERT_EQ(handle->Write(begin.data(), begin.size()), 65);
    Request brightness = MakeRequest(protocol::CMD_WRITE_SETTINGS, 1);
    brightness[protocol::kHostOffsetLow] = 3;
    brightness[protocol::kHostData] = 0x2A;
    brightness[protocol::kHostChecksum] = protocol::Checksum(brightness.data() + 1, 4, 63);
    ASSERT_EQ(handle->Write(brightness.data(), brightness.size()), 65);

    auto state = WaitForState(ReportsReceived("2"));
    EXPECT_EQ(test::Field(state, "settings").substr(6, 2), "2a");
    EXPECT_EQ(test::Field(state, "in_transaction"), "true");
    EXPECT_EQ(test::Field(state, "plugged"), "true");
}

TEST_F(SimKeyboardServerTest, StateFileIsReplacedWhole) {
    SimKeyboardServer server(StateOptions());
    ASSERT_TRUE(server.Plug());
    std::ifstream before(temp.path() + "state/state.json");  // opened before the next write
    ASSERT_TRUE(before);
    SimHidBackend backend({.folder = folder});
    auto handle = backend.OpenPath(simlink::InterfacePath(server.SocketPath(), 2));
    ASSERT_TRUE(handle);
    Request read = MakeRequest(protocol::CMD_READ_SETTINGS, 56);  // reads count too
    ASSERT_EQ(handle->Write(read.data(), read.size()), 65);
    WaitForState(ReportsReceived("1"));

    std::stringstream old;
    old << before.rdbuf();
    auto fields = test::ParseFlatJson(old.str());
    ASSERT_TRUE(fields) << "the earlier file changed under its reader";
    EXPECT_EQ(test::Field(*fields, "reports_received"), "0");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(temp.path() + "state")) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"state.json"});
}

TEST_F(SimKeyboardServerTest, StateFileFollowsPlugAndUnplug) {
    SimKeyboardServer server(StateOptions());
    ASSERT_TRUE(server.Plug());
    EXPECT_EQ(test::Field(test::ParseFlatJson(ReadState()).value_or(test::JsonFields{}), "plugged"), "true");
    server.Unplug();
    EXPECT_EQ(test::Field(test::ParseFlatJson(ReadState()).value_or(test::JsonFields{}), "plugged"), "false");
}

TEST_F(SimKeyboardServerTest, PlugFailsWhenTheStateFileCannotBeWritten) {
    SimKeyboardServer::Options options = ServerOptions();
    options.stateFile = temp.path() + "missing/state.json";
    SimKeyboardServer server(options);
    std::string error;
    EXPECT_FALSE(server.Plug(&error));
    EXPECT_NE(error.find("missing"), std::string::npos);
    SimHidBackend backend({.folder = folder});
    EXPECT_TRUE(backend.Enumerate(0, 0).empty());  // no socket left behind
}

// A client that asks and never reads holds up neither the simulator nor
// its other clients; once too much waits for it, it is dropped.
TEST_F(SimKeyboardServerTest, AClientThatStopsReadingHoldsUpNobodyAndIsDropped) {
    SimKeyboardServer server(ServerOptions());
    ASSERT_TRUE(server.Plug());
    RawClient stalled(server.SocketPath());
    ASSERT_TRUE(stalled.connected);
    constexpr int kHellos = 20000;  // each answered by a description of about 100 bytes
    std::vector<std::uint8_t> hellos;
    for (int i = 0; i < kHellos; ++i) {
        const auto frame = simlink::EncodeFrame(simlink::kHello, nullptr, 0);
        hellos.insert(hellos.end(), frame.begin(), frame.end());
    }
    ASSERT_EQ(::send(stalled.fd, hellos.data(), hellos.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(hellos.size()));

    SimHidBackend backend({.folder = folder});
    auto handle = backend.OpenPath(simlink::InterfacePath(server.SocketPath(), 2));
    ASSERT_TRUE(handle);
    Request begin = MakeRequest(protocol::CMD_BEGIN);
    EXPECT_EQ(handle->Write(begin.data(), begin.size()), 65);

    // What was sent before the drop arrives, then the connection ends.
    std::size_t received = 0;
    bool ended = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        pollfd ready{stalled.fd, POLLIN, 0};
        if (::poll(&ready, 1, 100) != 1) {
            continue;
        }
        std::uint8_t chunk[65536];
        const ssize_t n = ::recv(stalled.fd, chunk, sizeof chunk, 0);
        ended = n <= 0;
        received += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    EXPECT_TRUE(ended);
    const simlink::SimKeyboardInfo info{
        0x1209, 0x0001, 0x0102, "VANTORA", "VANTORA Gaming Keyboard", simlink::StandardInterfaces()};
    EXPECT_LT(received, kHellos * (3 + simlink::EncodeInfo(info).size()));  // not all answered
}

// A simulator held up past the handshake time fails the write, but the next
// write reaches it again, without an unplug.
TEST_F(SimKeyboardServerTest, AHandleConnectsAgainOnceTheSimulatorAnswersAgain) {
    SimKeyboardServer server(ServerOptions());
    ASSERT_TRUE(server.Plug());
    SimHidBackend backend({.folder = folder, .handshakeTimeoutMs = 200});
    auto handle = backend.OpenPath(simlink::InterfacePath(server.SocketPath(), 2));
    ASSERT_TRUE(handle);
    Request begin = MakeRequest(protocol::CMD_BEGIN);
    server.WithFirmware([&](KeyboardFirmware&) {  // the keyboard is busy
        EXPECT_EQ(handle->Write(begin.data(), begin.size()), -1);
    });
    Request end = MakeRequest(protocol::CMD_END);
    ASSERT_EQ(handle->Write(end.data(), end.size()), 65);
    std::uint8_t answer[64] = {};
    ASSERT_GT(handle->ReadTimeout(answer, sizeof answer, 1000), 0);
    EXPECT_EQ(answer[protocol::kMarker], protocol::kAnswerMarker);
    EXPECT_EQ(answer[protocol::kCommand], protocol::CMD_END);  // not the held-up request's answer
}

// A keyboard just plugged in has been powered: whatever transaction ran
// before the unplug is over.
TEST_F(SimKeyboardServerTest, PluggingInEndsTheTransactionThatRan) {
    SimKeyboardServer server(StateOptions());
    ASSERT_TRUE(server.Plug());
    SimHidBackend backend({.folder = folder});
    auto handle = backend.OpenPath(simlink::InterfacePath(server.SocketPath(), 2));
    ASSERT_TRUE(handle);
    Request begin = MakeRequest(protocol::CMD_BEGIN);
    ASSERT_EQ(handle->Write(begin.data(), begin.size()), 65);
    WaitForState(ReportsReceived("1"));
    server.Unplug();
    EXPECT_EQ(test::Field(test::ParseFlatJson(ReadState()).value_or(test::JsonFields{}), "in_transaction"),
              "true");
    ASSERT_TRUE(server.Plug());
    EXPECT_FALSE(server.WithFirmware([](KeyboardFirmware& f) { return f.InTransaction(); }));
    EXPECT_EQ(test::Field(test::ParseFlatJson(ReadState()).value_or(test::JsonFields{}), "in_transaction"),
              "false");
}

// A socket in the simulator folder served by another user is no keyboard,
// even when it answers like one.
TEST_F(SimKeyboardServerTest, ASocketServedByAnotherUserIsNoKeyboard) {
    if (!test::CanActAsOtherUser()) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    const std::string shared = temp.path() + "shared";
    ::mkdir(shared.c_str(), 0700);
    ::chmod(shared.c_str(), 01777);
    ASSERT_TRUE(simlink::EnsureSimulatorFolder(folder, nullptr));
    const std::string name = simlink::SocketName(0x1209, 0x0001, "planted");
    const int listener = test::ListenAsOtherUser(shared, name);
    ASSERT_GE(listener, 0);
    const std::string path = folder + "/" + name;
    ASSERT_EQ(::rename((shared + "/" + name).c_str(), path.c_str()), 0);
    std::atomic<bool> stop{false};
    std::thread answerer([&] {
        const simlink::SimKeyboardInfo info{0x1209,    0x0001,    0x0100,
                                            "Planted", "Planted", simlink::StandardInterfaces()};
        while (!stop.load()) {
            pollfd ready{listener, POLLIN, 0};
            if (::poll(&ready, 1, 20) != 1) {
                continue;
            }
            const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            simlink::FrameReader reader;
            simlink::Frame frame;
            if (simlink::ReceiveFrame(fd, reader, 1000, frame) && frame.type == simlink::kHello) {
                const auto payload = simlink::EncodeInfo(info);
                simlink::SendFrame(fd, simlink::kInfo, payload.data(), payload.size());
            }
            ::close(fd);
        }
    });
    SimHidBackend backend({.folder = folder});
    EXPECT_TRUE(backend.Enumerate(0, 0).empty());
    EXPECT_FALSE(backend.OpenPath(simlink::InterfacePath(path, 2)));
    stop = true;
    answerer.join();
    ::close(listener);
}

}  // namespace
}  // namespace vantora::sim
