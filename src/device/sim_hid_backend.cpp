#include "device/sim_hid_backend.h"

#include <dirent.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <iterator>
#include <mutex>

#include "device/sim_link.h"

namespace vantora {

namespace {

using simlink::Frame;
using simlink::FrameReader;

int ConnectSocket(const std::string& socketPath) {
    sockaddr_un address{};
    if (socketPath.size() >= sizeof address.sun_path) {
        return -1;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Asks a keyboard socket for its description.
bool QueryInfo(const std::string& socketPath, int timeoutMs, simlink::SimKeyboardInfo& info) {
    int fd = ConnectSocket(socketPath);
    if (fd < 0) {
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

class SimHidHandle : public HidHandle {
public:
    SimHidHandle(int fd, FrameReader reader, simlink::SimKeyboardInfo info, simlink::SimInterface interface,
                 int readTimeoutOverrideMs, int handshakeTimeoutMs)
        : fd_(fd),
          reader_(std::move(reader)),
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
        if (gone_) {
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
            gone_ = true;
            return -1;
        }
        for (;;) {
            Frame frame;
            if (!simlink::ReceiveFrame(fd_, reader_, handshakeTimeoutMs_, frame)) {
                gone_ = true;
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
            if (gone_ || cancelled_.load()) {
                return gone_ ? -1 : 0;
            }
            Frame frame;
            bool closed = false;
            if (!simlink::ReceiveFrame(fd_, reader_, milliseconds, frame, &closed)) {
                if (closed && !cancelled_.load()) {
                    gone_ = true;  // the keyboard went away
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
    int fd_;
    std::mutex mutex_;
    FrameReader reader_;
    std::deque<std::vector<std::uint8_t>> inbox_;
    bool gone_ = false;
    std::atomic<bool> cancelled_{false};
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
    int fd = ConnectSocket(socketPath);
    if (fd < 0) {
        return nullptr;
    }
    std::uint8_t which = static_cast<std::uint8_t>(number);
    FrameReader reader;
    Frame frame;
    if (!simlink::SendFrame(fd, simlink::kOpen, &which, 1) ||
        !simlink::ReceiveFrame(fd, reader, options_.handshakeTimeoutMs, frame) ||
        frame.type != simlink::kOpened || frame.payload.size() != 1 || frame.payload[0] != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<SimHidHandle>(fd, std::move(reader), std::move(info), *interface,
                                          options_.readTimeoutOverrideMs, options_.handshakeTimeoutMs);
}

}  // namespace vantora
