#include "platform/evdev_keys.h"

#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>

namespace vantora {
namespace {

// X keycodes are the evdev codes shifted by 8.
constexpr unsigned kX11KeycodeOffset = 8;

// A sysfs id file: four hexadecimal digits and a line break.
std::optional<std::uint16_t> ReadHexId(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string text;
    if (!(in >> text)) {
        return std::nullopt;
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size() || value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace

std::optional<DecodedKey> DecodeEvdevKey(std::uint16_t code) {
    // No keysym: the key is named by its place.
    return DecodeX11Key(0, code + kX11KeycodeOffset);
}

std::optional<EvdevKeyEvent> ParseInputEvent(const input_event& event) {
    if (event.type != EV_KEY || event.value < 0 || event.value > 2) {
        return std::nullopt;
    }
    return EvdevKeyEvent{event.code, event.value == 0};
}

std::vector<std::string> FindKeyboardEventNodes(std::uint16_t vendorId, std::uint16_t productId,
                                                const std::string& sysRoot, const std::string& devRoot) {
    std::vector<std::string> nodes;
    std::error_code error;
    const std::filesystem::path classDir = std::filesystem::path(sysRoot) / "class" / "input";
    for (const auto& entry : std::filesystem::directory_iterator(classDir, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("event", 0) != 0) {
            continue;
        }
        const std::filesystem::path id = entry.path() / "device" / "id";
        if (ReadHexId(id / "vendor") == vendorId && ReadHexId(id / "product") == productId) {
            nodes.push_back(devRoot + "/input/" + name);
        }
    }
    std::sort(nodes.begin(), nodes.end());
    return nodes;
}

EvdevKeyReader::~EvdevKeyReader() {
    Stop();
}

EvdevKeyReader::Status EvdevKeyReader::Probe(std::uint16_t vendorId, std::uint16_t productId,
                                             const std::string& sysRoot, const std::string& devRoot) {
    const std::vector<std::string> nodes = FindKeyboardEventNodes(vendorId, productId, sysRoot, devRoot);
    if (nodes.empty()) {
        return Status::kNoNodes;
    }
    bool denied = false;
    for (const std::string& node : nodes) {
        if (::access(node.c_str(), R_OK) == 0) {
            return Status::kReading;
        }
        denied = denied || errno == EACCES || errno == EPERM;
    }
    return denied ? Status::kNoPermission : Status::kFailed;
}

EvdevKeyReader::Status EvdevKeyReader::Start(Callback callback, std::uint16_t vendorId,
                                             std::uint16_t productId, const std::string& sysRoot,
                                             const std::string& devRoot) {
    if (IsRunning()) {
        return Status::kReading;
    }
    const std::vector<std::string> nodes = FindKeyboardEventNodes(vendorId, productId, sysRoot, devRoot);
    if (nodes.empty()) {
        return Status::kNoNodes;
    }
    std::vector<int> fds;
    bool denied = false;
    for (const std::string& node : nodes) {
        const int fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            fds.push_back(fd);
        } else if (errno == EACCES || errno == EPERM) {
            denied = true;
        }
    }
    if (fds.empty()) {
        return denied ? Status::kNoPermission : Status::kFailed;
    }
    return StartOn(std::move(callback), std::move(fds));
}

EvdevKeyReader::Status EvdevKeyReader::StartOn(Callback callback, std::vector<int> fds) {
    std::lock_guard lock(mutex_);
    if (running_) {
        for (int fd : fds) {
            ::close(fd);
        }
        return Status::kReading;
    }
    CloseLocked();  // a reader that ended by itself
    if (fds.empty()) {
        return Status::kNoNodes;
    }
    const int wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) {
        for (int fd : fds) {
            ::close(fd);
        }
        return Status::kFailed;
    }
    fds_ = std::move(fds);
    wakeFd_ = wakeFd;
    callback_ = std::move(callback);
    running_ = true;
    thread_ = std::thread(&EvdevKeyReader::Run, this);
    return Status::kReading;
}

void EvdevKeyReader::Stop() {
    std::lock_guard lock(mutex_);
    CloseLocked();
}

void EvdevKeyReader::CloseLocked() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] auto written = ::write(wakeFd_, &one, sizeof one);
        thread_.join();
    }
    running_ = false;
    for (int fd : fds_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    fds_.clear();
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
        wakeFd_ = -1;
    }
    callback_ = nullptr;
}

void EvdevKeyReader::Run() {
    // The bytes of an event that arrived in parts (pipes may split them;
    // event nodes never do), one buffer per node.
    std::vector<std::vector<unsigned char>> partial(fds_.size());
    std::vector<pollfd> fds;
    for (int fd : fds_) {
        fds.push_back({fd, POLLIN, 0});
    }
    fds.push_back({wakeFd_, POLLIN, 0});
    std::size_t open = fds_.size();
    while (open > 0) {
        for (pollfd& p : fds) {
            p.revents = 0;
        }
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds.back().revents != 0) {
            break;  // Stop
        }
        for (std::size_t i = 0; i + 1 < fds.size(); ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            unsigned char buffer[64 * sizeof(input_event)];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
            if (n <= 0) {
                // Gone (ENODEV when unplugged) or closed: no more from it.
                fds[i].fd = -1;  // poll skips it; Stop closes fds_[i]
                --open;
                continue;
            }
            std::vector<unsigned char>& bytes = partial[i];
            bytes.insert(bytes.end(), buffer, buffer + n);
            std::size_t used = 0;
            for (; used + sizeof(input_event) <= bytes.size(); used += sizeof(input_event)) {
                input_event event;
                std::copy_n(bytes.data() + used, sizeof event, reinterpret_cast<unsigned char*>(&event));
                const auto key = ParseInputEvent(event);
                if (!key) {
                    continue;
                }
                if (const auto decoded = DecodeEvdevKey(key->code); decoded && callback_) {
                    callback_(*decoded, key->isUp);
                }
            }
            bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(used));
        }
    }
    running_ = false;
}

}  // namespace vantora
