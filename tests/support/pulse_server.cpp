#include "support/pulse_server.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <numbers>
#include <thread>

extern char** environ;

#if defined(__SANITIZE_THREAD__)
// libpulse (not built for ThreadSanitizer) hands its packet buffers from one
// connection's thread to another's through lock-free lists, and publishes
// mutexes it creates on first use through atomics, none of which the
// sanitizer sees. Only libpulse's own frames that touch those are named here
// (our code never runs beneath them), so a race in our code still shows.
// Every test that talks to a PulseServer links this file.
extern "C" const char* __tsan_default_suppressions() {
    return "race:pa_srbchannel_read\n"
           "race:pa_iochannel_read_with_ancil_data\n"
           "race:pa_packet_new_data\n"
           "race:pa_mutex_lock\n";
}
#endif

namespace vantora::test {
namespace {

// The installed program's path; empty when it is not installed.
std::string Program(const char* name) {
    for (const char* folder : {"/usr/bin/", "/usr/local/bin/"}) {
        std::string path = std::string(folder) + name;
        if (::access(path.c_str(), X_OK) == 0) {
            return path;
        }
    }
    return {};
}

void EndChild(pid_t& pid) {
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
    }
}

}  // namespace

PulseServer::PulseServer(bool withSink) : withSink_(withSink) {
    ::mkdir(HomeDir().c_str(), 0700);
    ::mkdir(RuntimeDir().c_str(), 0700);
    socket_ = RuntimeDir() + "/native";
    address_ = "unix:" + socket_;
    Launch();
}

PulseServer::~PulseServer() {
    StopTone();
    Kill();
}

bool PulseServer::Installed() {
    return !Program("pulseaudio").empty() && !Program("pactl").empty() && !Program("pacat").empty();
}

// Runs `args` (args[0] a path) with no input or output, in this process's environment without
// anything that could lead to another server, with our private folders.
pid_t PulseServer::Spawn(std::vector<std::string> args) const {
    std::vector<std::string> envText;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        if (name != "HOME" && name != "XDG_RUNTIME_DIR" && name != "XDG_CONFIG_HOME" &&
            name != "PULSE_SERVER" && name != "DISPLAY" && name != "DBUS_SESSION_BUS_ADDRESS") {
            envText.push_back(text);
        }
    }
    envText.push_back("HOME=" + HomeDir());
    envText.push_back("XDG_RUNTIME_DIR=" + RuntimeDir());
    envText.push_back("XDG_CONFIG_HOME=" + HomeDir() + "/.config");
    envText.push_back("PULSE_SERVER=" + address_);
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& text : envText) {
        envp.push_back(text.data());
    }
    envp.push_back(nullptr);

    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0) {
        return -1;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Ends with this test process, should it die before it kills the child.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(null);
    return pid;
}

bool PulseServer::Launch() {
    running_ = false;
    std::vector<std::string> args = {
        Program("pulseaudio"), "-n",
        "--daemonize=no",      "--exit-idle-time=-1",
        "--use-pid-file=no",   "--realtime=no",
        "--high-priority=no",  "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket_};
    if (withSink_) {
        args.push_back(std::string("--load=module-null-sink sink_name=") + kSink +
                       " format=float32le rate=48000 channels=2");
    }
    pid_ = Spawn(std::move(args));
    if (pid_ < 0) {
        return false;
    }
    // Up once it answers on our socket and names that socket as its own.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return false;  // it ended
        }
        if (::access(socket_.c_str(), F_OK) == 0) {
            const auto info = Pactl({"info"});
            if (info.exitCode == 0) {
                running_ = info.out.find("Server String: " + address_) != std::string::npos ||
                           info.out.find("Server String: " + socket_) != std::string::npos;
                return running_;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void PulseServer::Kill() {
    EndChild(pid_);
    running_ = false;
    ::unlink(socket_.c_str());
}

bool PulseServer::Restart() {
    Kill();
    return Launch();
}

ProcessResult PulseServer::Pactl(const std::vector<std::string>& args) const {
    std::vector<std::string> all = {"--server=" + address_};
    all.insert(all.end(), args.begin(), args.end());
    return RunProgram(Program("pactl"), all,
                      {{"HOME", HomeDir()}, {"XDG_RUNTIME_DIR", RuntimeDir()}, {"PULSE_SERVER", address_}},
                      20000);
}

bool PulseServer::RestartSinkClock(const std::string& sink) const {
    return Pactl({"suspend-sink", sink, "1"}).exitCode == 0 &&
           Pactl({"suspend-sink", sink, "0"}).exitCode == 0;
}

bool PulseServer::StartTone(const std::string& sink) {
    StopTone();
    const std::string file = dir_.path() + "tone.raw";
    if (::access(file.c_str(), R_OK) != 0) {
        constexpr int kRate = 48000;
        constexpr int kFrames = 10 * kRate;
        std::vector<float> samples(2 * static_cast<std::size_t>(kFrames));
        for (std::size_t i = 0; i < static_cast<std::size_t>(kFrames); ++i) {
            const double t = static_cast<double>(i) / kRate;
            samples[2 * i] = samples[2 * i + 1] =
                static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * 1000.0 * t));
        }
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(samples.data()),
                  static_cast<std::streamsize>(samples.size() * sizeof(float)));
        if (!out.flush()) {
            return false;
        }
    }
    tonePid_ = Spawn({Program("pacat"), "--playback", "--server=" + address_, "--device=" + sink, "--raw",
                      "--format=float32le", "--rate=48000", "--channels=2", "--latency-msec=20", file});
    return tonePid_ > 0;
}

void PulseServer::StopTone() {
    EndChild(tonePid_);
}

}  // namespace vantora::test
