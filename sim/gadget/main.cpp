// vantora-kbd-gadget: our keyboard model behind a Linux USB HID gadget. The
// host's output reports come from the command interface's /dev/hidgN and
// are answered there with input reports; key presses send their event
// reports on the vendor collection's /dev/hidgN. Every report received is
// logged as "<length> <hex>" per line, and the keyboard's state is written
// after each one.
//
// Control lines on the control FIFO: "press INDEX" or "press INDEX fn".
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sim/keyboard_firmware.h"
#include "sim/keyboard_state.h"

namespace {

using vantora::sim::KeyboardFirmware;

struct Options {
    std::string command = "/dev/hidg2";
    std::string events = "/dev/hidg1";
    std::string log;
    std::string state;
    std::string control;
};

bool ParseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) {
            return false;
        }
        const std::string value = argv[++i];
        if (arg == "--command") {
            options.command = value;
        } else if (arg == "--events") {
            options.events = value;
        } else if (arg == "--log") {
            options.log = value;
        } else if (arg == "--state") {
            options.state = value;
        } else if (arg == "--control") {
            options.control = value;
        } else {
            return false;
        }
    }
    return !options.log.empty() && !options.control.empty();
}

// Writes one whole report to a gadget node, waiting at most a second for
// the host to take the previous one.
bool WriteReport(int fd, const std::uint8_t* data, std::size_t size) {
    pollfd out{fd, POLLOUT, 0};
    if (::poll(&out, 1, 1000) <= 0) {
        return false;
    }
    return ::write(fd, data, size) == static_cast<ssize_t>(size);
}

std::string Hex(const std::uint8_t* data, std::size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 0x0F];
    }
    return text;
}

class Gadget {
public:
    explicit Gadget(Options options) : options_(std::move(options)) {}

    int Run() {
        log_ = std::fopen(options_.log.c_str(), "w");
        control_ = ::open(options_.control.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (log_ == nullptr || control_ < 0) {
            std::fprintf(stderr, "vantora-kbd-gadget: cannot open %s or %s\n", options_.log.c_str(),
                         options_.control.c_str());
            return 1;
        }
        SaveState();
        for (;;) {
            if (command_ < 0 && !OpenNodes()) {
                ::usleep(100 * 1000);  // the gadget is not bound (yet)
                continue;
            }
            pollfd fds[2] = {{command_, POLLIN, 0}, {control_, POLLIN, 0}};
            if (::poll(fds, 2, 1000) < 0 && errno != EINTR) {
                return 1;
            }
            if (fds[1].revents & POLLIN) {
                ReadControl();
            }
            if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
                CloseNodes();
            } else if (fds[0].revents & POLLIN) {
                ReadReport();
            }
        }
    }

private:
    bool OpenNodes() {
        command_ = ::open(options_.command.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        events_ = ::open(options_.events.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (command_ < 0 || events_ < 0) {
            CloseNodes();
            return false;
        }
        return true;
    }

    void CloseNodes() {
        if (command_ >= 0) {
            ::close(command_);
        }
        if (events_ >= 0) {
            ::close(events_);
        }
        command_ = events_ = -1;
    }

    void ReadReport() {
        std::uint8_t buffer[1024];
        const ssize_t got = ::read(command_, buffer, sizeof buffer);
        if (got < 0) {
            if (errno != EAGAIN && errno != EINTR) {
                CloseNodes();  // unbound: open again once the nodes are back
            }
            return;
        }
        const auto size = static_cast<std::size_t>(got);
        std::fprintf(log_, "%zu %s\n", size, Hex(buffer, size).c_str());
        std::fflush(log_);
        auto reply = firmware_.HandleReport(std::span<const std::uint8_t>(buffer, size));
        if (reply.answer && !WriteReport(command_, reply.answer->data(), reply.answer->size())) {
            std::fprintf(stderr, "vantora-kbd-gadget: the host took no answer\n");
        }
        SaveState();
    }

    void ReadControl() {
        char chunk[256];
        ssize_t got;
        while ((got = ::read(control_, chunk, sizeof chunk)) > 0) {
            pending_.append(chunk, static_cast<std::size_t>(got));
        }
        std::size_t end;
        while ((end = pending_.find('\n')) != std::string::npos) {
            const std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            int index = -1;
            char layer[8] = {};
            if (std::sscanf(line.c_str(), "press %d %7s", &index, layer) >= 1) {
                auto event = firmware_.PressKey(index, std::strcmp(layer, "fn") == 0);
                if (event && events_ >= 0) {
                    WriteReport(events_, event->data(), event->size());
                }
            }
        }
    }

    void SaveState() {
        if (!options_.state.empty()) {
            vantora::sim::ReplaceFile(options_.state, vantora::sim::KeyboardStateJson(firmware_, true));
        }
    }

    Options options_;
    KeyboardFirmware firmware_;
    std::FILE* log_ = nullptr;
    int control_ = -1;
    int command_ = -1;
    int events_ = -1;
    std::string pending_;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArguments(argc, argv, options)) {
        std::fputs(
            "usage: vantora-kbd-gadget --log FILE --control FIFO [--command /dev/hidg2] [--events "
            "/dev/hidg1]\n"
            "                          [--state FILE]\n",
            stderr);
        return 2;
    }
    return Gadget(std::move(options)).Run();
}
