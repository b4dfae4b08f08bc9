// vantora-kbd-sim in its own process, driven through its standard input and
// reached through its socket like a plugged keyboard. Every step waits for
// a definite line, frame or folder change, never for time.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "device/device_connection.h"
#include "device/device_event_listener.h"
#include "device/protocol.h"
#include "device/sim_folder_monitor.h"
#include "device/sim_hid_backend.h"
#include "support/temp_dir.h"

namespace vantora {
namespace {

constexpr int kPatienceMs = 20000;  // only a hung simulator waits this long

// vantora-kbd-sim as a child process with pipes on stdin and stdout.
class SimProcess {
public:
    SimProcess(const std::string& folder, const std::vector<std::string>& args) {
        int in[2];
        int out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::close(in[0]);
            ::close(in[1]);
            ::close(out[0]);
            ::close(out[1]);
            ::setenv("VANTORA_SIM_DIR", folder.c_str(), 1);
            std::vector<char*> argv;
            std::string program = VANTORA_KBD_SIM_PATH;
            argv.push_back(program.data());
            std::vector<std::string> copies = args;
            for (auto& arg : copies) {
                argv.push_back(arg.data());
            }
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        stdout_ = out[0];
    }

    ~SimProcess() {
        if (stdin_ >= 0) {
            ::close(stdin_);
        }
        if (stdout_ >= 0) {
            ::close(stdout_);
        }
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    bool Started() const { return pid_ > 0 && stdin_ >= 0; }

    void Send(const std::string& line) {
        std::string text = line + "\n";
        ASSERT_EQ(::write(stdin_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    // The next line of output; empty when the simulator ended or hung.
    std::string ReadLine() {
        for (;;) {
            auto newline = buffer_.find('\n');
            if (newline != std::string::npos) {
                std::string line = buffer_.substr(0, newline);
                buffer_.erase(0, newline + 1);
                return line;
            }
            pollfd p{stdout_, POLLIN, 0};
            if (::poll(&p, 1, kPatienceMs) <= 0) {
                return "";
            }
            char chunk[256];
            ssize_t n = ::read(stdout_, chunk, sizeof chunk);
            if (n <= 0) {
                return "";
            }
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    int Wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    bool reaped_ = false;
    std::string buffer_;
};

// Things other threads hand to the test: device changes and posted messages.
template <typename T>
class Inbox {
public:
    void Add(T item) {
        std::lock_guard lock(mutex_);
        items_.push_back(std::move(item));
        changed_.notify_all();
    }
    std::vector<T> WaitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        bool reached = changed_.wait_for(lock, std::chrono::milliseconds(kPatienceMs),
                                         [&] { return items_.size() >= count; });
        EXPECT_TRUE(reached) << "only " << items_.size() << " of " << count;
        return items_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<T> items_;
};

using Request = std::array<std::uint8_t, protocol::kRequestSize>;

Request MakeRequest(std::uint8_t command, std::uint8_t length = 0, std::uint16_t offset = 0) {
    Request request{};
    request[protocol::kHostMarker] = protocol::kRequestMarker;
    request[protocol::kHostCommand] = command;
    request[protocol::kHostLength] = length;
    request[protocol::kHostOffsetLow] = static_cast<std::uint8_t>(offset & 0xFF);
    request[protocol::kHostOffsetHigh] = static_cast<std::uint8_t>(offset >> 8);
    return request;
}

TEST(DeviceIntegrationTest, ProgramDrivesTheSimulatorInAnotherProcess) {
    test::TempDir temp;
    const std::string folder = temp.path() + "sim";
    const std::string trace = temp.path() + "trace.txt";

    Inbox<DeviceChange> changes;
    SimFolderMonitor monitor(folder);
    ASSERT_TRUE(monitor.Start([&](const DeviceChange& change) { changes.Add(change); }));

    SimProcess sim(folder, {"--trace", trace, "--release", "0107"});
    ASSERT_TRUE(sim.Started());
    std::string plugged = sim.ReadLine();
    ASSERT_EQ(plugged.rfind("plugged " + folder + "/1209-0001-", 0), 0u) << plugged;
    auto seen = changes.WaitFor(1);
    ASSERT_EQ(seen[0].kind, DeviceChange::Kind::Arrival);

    // The program side: back end, manager, connection, listener.
    SimHidBackend backend({.folder = folder});
    HidDeviceManager manager(backend, SystemClock::Instance());
    int homePage = 0;
    int arrivals = 0;
    Inbox<std::intptr_t> posted;
    DeviceEventListener listener(
        backend, SystemClock::Instance(), [&](unsigned, std::uintptr_t, std::intptr_t id) { posted.Add(id); },
        MSG_DEVICE_EVENT);
    listener.SetFilter(0x1209, 0x0001);
    DeviceConnection connection(
        manager, {[&] { ++homePage; }, [&] { ++arrivals; }, [&] { listener.StartListener(); }});
    connection.SetUpDeviceWith("1209", "0001", nullptr);
    ASSERT_TRUE(connection.Connected());
    EXPECT_EQ(manager.FirmwareVersion(), 0x0107);
    connection.OnDeviceChange(seen[0]);  // passes the interface check
    EXPECT_EQ(arrivals, 1);
    ASSERT_TRUE(listener.IsListening());

    // A small download: key index 2 gets an application function with id 7.
    Request begin = MakeRequest(protocol::CMD_BEGIN);
    ASSERT_TRUE(manager.SendReport(begin, connection.DeviceIndex()));
    Request keys = MakeRequest(protocol::CMD_WRITE_KEYS, 3, 12);
    keys[protocol::kHostData] = protocol::kClassApplication;
    keys[protocol::kHostData + 1] = 7;
    ASSERT_TRUE(manager.SendReport(keys, 0));
    Request end = MakeRequest(protocol::CMD_END);
    ASSERT_TRUE(manager.SendReport(end, connection.DeviceIndex()));

    sim.Send("press 2");
    EXPECT_EQ(sim.ReadLine(), "pressed 2 02 50 07");
    EXPECT_EQ(posted.WaitFor(1)[0], 7);
    sim.Send("press 2 fn");
    EXPECT_EQ(sim.ReadLine(), "pressed 2 fn none");
    sim.Send("dump");  // the object first, then the acknowledgement
    EXPECT_EQ(sim.ReadLine().rfind("{\"plugged\":true,\"in_transaction\":false,\"reports_received\":3,", 0),
              0u);
    EXPECT_EQ(sim.ReadLine(), "dumped");

    // Unplug: the removal reaches the connection like a USB unplug.
    sim.Send("unplug");
    EXPECT_EQ(sim.ReadLine(), "unplugged");
    seen = changes.WaitFor(2);
    ASSERT_EQ(seen[1].kind, DeviceChange::Kind::Removal);
    connection.OnDeviceChange(seen[1]);
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(homePage, 1);
    EXPECT_FALSE(listener.IsListening());
    Request lost = MakeRequest(protocol::CMD_BEGIN);
    EXPECT_FALSE(manager.SendReport(lost, connection.DeviceIndex()));

    // Plug in again: the arrival, then the reconnection the worker makes.
    sim.Send("plug");
    EXPECT_EQ(sim.ReadLine().rfind("plugged ", 0), 0u);
    seen = changes.WaitFor(3);
    ASSERT_EQ(seen[2].kind, DeviceChange::Kind::Arrival);
    connection.OnDeviceChange(seen[2]);
    EXPECT_EQ(arrivals, 2);
    connection.Reconnect();
    ASSERT_TRUE(connection.Connected());
    Request read = MakeRequest(protocol::CMD_READ_KEYS, 56, 0);
    ASSERT_TRUE(manager.QueryReport(read, 0));
    EXPECT_EQ(read[8 + 12], protocol::kClassApplication);  // the keyboard kept its table
    EXPECT_EQ(read[8 + 13], 7);

    sim.Send("quit");
    EXPECT_EQ(sim.ReadLine(), "bye");
    EXPECT_EQ(sim.Wait(), 0);
    listener.StopListener();
    monitor.Stop();

    // The trace: one line of 128 lower-case hex digits per received report.
    std::ifstream lines(trace);
    std::vector<std::string> received;
    for (std::string line; std::getline(lines, line);) {
        received.push_back(line);
    }
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(received[0], "5501" + std::string(124, '0'));
    for (const auto& line : received) {
        EXPECT_EQ(line.size(), 128u);
        EXPECT_EQ(line.find_first_not_of("0123456789abcdef"), std::string::npos);
    }
    EXPECT_EQ(received[1].substr(0, 20),
              "5509006603"
              "0c00"
              "0050"
              "07");
}

TEST(DeviceIntegrationTest, SimulatorRejectsBadArgumentsAndUnknownCommands) {
    test::TempDir temp;
    const std::string folder = temp.path() + "sim";
    {
        SimProcess bad(folder, {"--vid", "nothex"});
        ASSERT_TRUE(bad.Started());
        EXPECT_EQ(bad.ReadLine(), "");  // nothing on stdout, a message on stderr
        EXPECT_EQ(bad.Wait(), 2);
    }
    SimProcess sim(folder, {"--vid", "abcd", "--pid", "00ef"});
    ASSERT_TRUE(sim.Started());
    EXPECT_EQ(sim.ReadLine().rfind("plugged " + folder + "/abcd-00ef-", 0), 0u);
    sim.Send("press 999");
    EXPECT_EQ(sim.ReadLine(), "error: unknown command: press 999");
    sim.Send("quit");
    EXPECT_EQ(sim.ReadLine(), "bye");
    EXPECT_EQ(sim.Wait(), 0);
}

}  // namespace
}  // namespace vantora
