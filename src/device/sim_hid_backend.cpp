#include "device/sim_hid_backend.h"

#include <dirent.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <deque>
#include <iterator>
#include <mutex>
#include <set>

#include "app/peer_user.h"
#include "device/sim_link.h"

namespace vantora {

namespace {

using simlink::Frame;
using simlink::FrameReader;

// Says once per text on standard error why a socket is not used.
void WarnOnce(const std::string& text) {
    static std::mutex mutex;
    static std::set<std::string> said;
    std::lock_guard lock(mutex);
    if (said.insert(text).second) {
        std::fprintf(stderr, "vantora: %s\n", text.c_str());
    }
}

enum class Connected { kYes, kNoListener, kRefused };

// Connects to a keyboard socket served by this user; `fd` is the connection.
// kNoListener when nobody listens there (the keyboard was unplugged or the
// socket is stale); kRefused when another user listens there.
Connected ConnectSocket(const std::string& socketPath, int& fd) {
    fd = -1;
    sockaddr_un address{};
    if (socketPath.size() >= sizeof address.sun_path) {
        return Connected::kNoListener;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int connection = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connection < 0) {
        return Connected::kNoListener;
    }
    if (::connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(connection);
        return Connected::kNoListener;
    }
    std::string refused;
    if (!ListenerIsThisUser(connection, socketPath, &refused)) {
        ::close(connection);
        WarnOnce("simulated keyboard: " + refused);
        return Connected::kRefused;
    }
    fd = connection;
    return Connected::kYes;
}

// Asks a keyboard socket for its description.
bool QueryInfo(const std::string& socketPath, int timeoutMs, simlink::SimKeyboardInfo& info) {
    int fd = -1;
    if (ConnectSocket(socketPath, fd) != Connected::kYes) {
        return false;
    }
    FrameReader reader;
    Frame frame;
    bool ok = simlink::SendFrame(fd, simlink::kHello, nullptr, 0) &&
              simlink::ReceiveFrame(fd, reader, timeoutMs, frame) && frame.type == simlink::kInfo &&
              simlink::DecodeInfo(frame.payload, info);
    ::close(fd);
    return ok;
}

// A new connection to interface `number` of the keyboard at `socketPath`,
// opened (kOpen answered by kOpened); -1 when it cannot be had, with `gone`
// set when nobody of this user listens there any more.
int OpenInterface(const std::string& socketPath, int number, int timeoutMs, FrameReader& reader, bool& gone) {
    int fd = -1;
    const Connected connected = ConnectSocket(socketPath, fd);
    gone = connected != Connected::kYes;
    if (gone) {
        return -1;
    }
    const std::uint8_t which = static_cast<std::uint8_t>(number);
    Frame frame;
    if (!simlink::SendFrame(fd, simlink::kOpen, &which, 1) ||
        !simlink::ReceiveFrame(fd, reader, timeoutMs, frame) || frame.type != simlink::kOpened ||
        frame.payload.size() != 1 || frame.payload[0] != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// An opened interface. When the connection breaks (the simulator did not
// confirm a write in time, or closed the connection), the next write or
// read connects again, as long as the keyboard's socket is still served:
// a simulator that was held up answers again without an unplug. A keyboard
// whose socket is gone stays gone.
class SimHidHandle : public HidHandle {
public:
    SimHidHandle(int fd, FrameReader reader, std::string socketPath, simlink::SimKeyboardInfo info,
                 simlink::SimInterface interface, int readTimeoutOverrideMs, int handshakeTimeoutMs)
        : fd_(fd),
          reader_(std::move(reader)),
          socketPath_(std::move(socketPath)),
          info_(std::move(info)),
          interface_(std::move(interface)),
          readTimeoutOverrideMs_(readTimeoutOverrideMs),
          handshakeTimeoutMs_(handshakeTimeoutMs) {}

    ~SimHidHandle() override { ::close(fd_); }

    int Write(const std::uint8_t* data, std::size_t length) override {
        if (data == nullptr || length < 1 || interface_.number != 2) {
            return -1;
        }
        std::lock_guard lock(mutex_);
        if (!Usable()) {
            return -1;
        }
        // As hidraw does: a leading report id 0 is dropped and the rest
        // reaches the keyboard as it is, without padding.
        const std::uint8_t* report = data[0] == 0 ? data + 1 : data;
        const std::size_t size = data[0] == 0 ? length - 1 : length;
        if (size > simlink::kMaxPayload) {
            return -1;
        }
        if (!simlink::SendFrame(fd_, simlink::kReport, report, size)) {
            broken_ = true;
            return -1;
        }
        for (;;) {
            Frame frame;
            if (!simlink::ReceiveFrame(fd_, reader_, handshakeTimeoutMs_, frame)) {
                broken_ = true;
                return -1;
            }
            if (frame.type == simlink::kWriteDone) {
                return static_cast<int>(length);
            }
            if (frame.type == simlink::kInput) {
                inbox_.push_back(std::move(frame.payload));
            }
        }
    }

    int ReadTimeout(std::uint8_t* data, std::size_t length, int milliseconds) override {
        if (data == nullptr) {
            return -1;
        }
        if (readTimeoutOverrideMs_ >= 0) {
            milliseconds = readTimeoutOverrideMs_;
        }
        std::lock_guard lock(mutex_);
        for (;;) {
            if (!inbox_.empty()) {
                auto report = std::move(inbox_.front());
                inbox_.pop_front();
                std::size_t size = std::min(length, report.size());
                std::memcpy(data, report.data(), size);
                return static_cast<int>(size);
            }
            if (cancelled_.load()) {
                return gone_ ? -1 : 0;
            }
            if (!Usable()) {
                return -1;
            }
            Frame frame;
            bool closed = false;
            if (!simlink::ReceiveFrame(fd_, reader_, milliseconds, frame, &closed)) {
                if (closed && !cancelled_.load()) {
                    broken_ = true;  // the keyboard went away, or dropped us
                    return -1;
                }
                return 0;
            }
            if (frame.type == simlink::kInput) {
                inbox_.push_back(std::move(frame.payload));
            }
            milliseconds = 0;  // a frame arrived; do not wait again
        }
    }

    std::string ManufacturerString() override { return info_.manufacturer; }
    std::string ProductString() override { return info_.product; }

    bool GetReportDescriptor(std::vector<std::uint8_t>& descriptor) override {
        descriptor = interface_.reportDescriptor;
        return !descriptor.empty();
    }

    void CancelRead() override {
        cancelled_ = true;
        ::shutdown(fd_, SHUT_RD);
    }

private:
    // Whether the connection can carry a report now, connecting again when
    // it broke. The caller holds mutex_.
    bool Usable() {
        if (gone_) {
            return false;
        }
        if (!broken_) {
            return true;
        }
        if (cancelled_.load()) {
            return false;
        }
        FrameReader reader;
        const int fd = OpenInterface(socketPath_, interface_.number, handshakeTimeoutMs_, reader, gone_);
        if (fd < 0) {
            return false;
        }
        // The new connection takes the old one's descriptor number, so that
        // CancelRead on another thread always shuts down a connection of ours.
        ::dup2(fd, fd_);
        ::close(fd);
        if (cancelled_.load()) {
            ::shutdown(fd_, SHUT_RD);
        }
        reader_ = std::move(reader);
        inbox_.clear();  // answers of the old connection are stale
        broken_ = false;
        return true;
    }

    int fd_;
    std::mutex mutex_;
    FrameReader reader_;
    std::deque<std::vector<std::uint8_t>> inbox_;
    bool broken_ = false;  // connect again before the next use
    bool gone_ = false;    // nobody of this user serves the socket any more
    std::atomic<bool> cancelled_{false};
    std::string socketPath_;
    simlink::SimKeyboardInfo info_;
    simlink::SimInterface interface_;
    int readTimeoutOverrideMs_;
    int handshakeTimeoutMs_;
};

}  // namespace

SimHidBackend::SimHidBackend() : SimHidBackend(Options{}) {}

SimHidBackend::SimHidBackend(Options options) : options_(std::move(options)) {}

std::string SimHidBackend::Folder() const {
    return options_.folder.empty() ? simlink::SimulatorFolder() : options_.folder;
}

std::vector<HidDeviceInfo> SimHidBackend::Enumerate(std::uint16_t vendorId, std::uint16_t productId) {
    std::vector<HidDeviceInfo> found;
    const std::string folder = Folder();
    if (!simlink::IsSafeSimulatorFolder(folder)) {
        return found;
    }
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::uint16_t vid = 0;
            std::uint16_t pid = 0;
            if (simlink::ParseSocketName(entry->d_name, vid, pid) && (vendorId == 0 || vid == vendorId) &&
                (productId == 0 || pid == productId)) {
                names.emplace_back(entry->d_name);
            }
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());  // a stable enumeration order
    for (const auto& name : names) {
        const std::string socketPath = folder + "/" + name;
        simlink::SimKeyboardInfo info;
        if (!QueryInfo(socketPath, options_.handshakeTimeoutMs, info)) {
            continue;  // a stale socket or something that is no keyboard
        }
        auto entries = simlink::EnumerationEntries(
            info, [&](int number) { return simlink::InterfacePath(socketPath, number); });
        std::move(entries.begin(), entries.end(), std::back_inserter(found));
    }
    return found;
}

bool SimHidBackend::OwnsPath(const std::string& path) const {
    return path.compare(0, simlink::kPathPrefix.size(), simlink::kPathPrefix) == 0;
}

std::unique_ptr<HidHandle> SimHidBackend::OpenPath(const std::string& path) {
    std::string socketPath;
    int number = 0;
    if (!simlink::ParseInterfacePath(path, socketPath, number)) {
        return nullptr;
    }
    simlink::SimKeyboardInfo info;
    if (!QueryInfo(socketPath, options_.handshakeTimeoutMs, info)) {
        return nullptr;
    }
    auto interface = std::find_if(info.interfaces.begin(), info.interfaces.end(),
                                  [&](const simlink::SimInterface& i) { return i.number == number; });
    if (interface == info.interfaces.end()) {
        return nullptr;
    }
    FrameReader reader;
    bool gone = false;
    const int fd = OpenInterface(socketPath, number, options_.handshakeTimeoutMs, reader, gone);
    if (fd < 0) {
        return nullptr;
    }
    return std::make_unique<SimHidHandle>(fd, std::move(reader), socketPath, std::move(info), *interface,
                                          options_.readTimeoutOverrideMs, options_.handshakeTimeoutMs);
}

}  // namespace vantora
