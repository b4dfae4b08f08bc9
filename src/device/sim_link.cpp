#include "device/sim_link.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/folders.h"
#include "app/runtime_folder.h"

namespace vantora::simlink {

void FrameReader::Feed(const std::uint8_t* data, std::size_t size) {
    buffer_.insert(buffer_.end(), data, data + size);
}

std::optional<Frame> FrameReader::Next() {
    if (corrupt_ || buffer_.size() < 3) {
        return std::nullopt;
    }
    std::size_t length = buffer_[1] | (static_cast<std::size_t>(buffer_[2]) << 8);
    if (length > kMaxPayload) {
        corrupt_ = true;
        return std::nullopt;
    }
    if (buffer_.size() < 3 + length) {
        return std::nullopt;
    }
    Frame frame;
    frame.type = buffer_[0];
    frame.payload.assign(buffer_.begin() + 3, buffer_.begin() + 3 + static_cast<std::ptrdiff_t>(length));
    buffer_.erase(buffer_.begin(), buffer_.begin() + 3 + static_cast<std::ptrdiff_t>(length));
    return frame;
}

std::vector<std::uint8_t> EncodeFrame(std::uint8_t type, const std::uint8_t* payload, std::size_t size) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(3 + size);
    bytes.push_back(type);
    bytes.push_back(static_cast<std::uint8_t>(size & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((size >> 8) & 0xFF));
    if (size > 0) {
        bytes.insert(bytes.end(), payload, payload + size);
    }
    return bytes;
}

bool SendFrame(int fd, std::uint8_t type, const std::uint8_t* payload, std::size_t size) {
    if (fd < 0 || size > kMaxPayload) {
        return false;
    }
    auto bytes = EncodeFrame(type, payload, size);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 1000) <= 0) {
                return false;
            }
            continue;
        }
        return false;
    }
    return true;
}

bool ReceiveFrame(int fd, FrameReader& reader, int timeoutMs, Frame& frame, bool* closed) {
    if (closed != nullptr) {
        *closed = false;
    }
    auto gone = [&] {
        if (closed != nullptr) {
            *closed = true;
        }
        return false;
    };
    using Steady = std::chrono::steady_clock;
    auto deadline = Steady::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        if (auto next = reader.Next()) {
            frame = std::move(*next);
            return true;
        }
        if (reader.Corrupt() || fd < 0) {
            return gone();
        }
        int wait = -1;
        if (timeoutMs >= 0) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now()).count();
            wait = left > 0 ? static_cast<int>(left) : 0;
        }
        pollfd p{fd, POLLIN, 0};
        int ready = ::poll(&p, 1, wait);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            return gone();
        }
        if (ready == 0) {
            return false;
        }
        std::uint8_t chunk[1024];
        ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n <= 0) {
            return gone();
        }
        reader.Feed(chunk, static_cast<std::size_t>(n));
    }
}

namespace {

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutText(std::vector<std::uint8_t>& out, const std::string& text) {
    std::size_t size = std::min<std::size_t>(text.size(), 255);
    out.push_back(static_cast<std::uint8_t>(size));
    out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(size));
}

class Cursor {
public:
    explicit Cursor(const std::vector<std::uint8_t>& data) : data_(data) {}
    bool U8(std::uint8_t& value) {
        if (pos_ + 1 > data_.size()) {
            return false;
        }
        value = data_[pos_++];
        return true;
    }
    bool U16(std::uint16_t& value) {
        if (pos_ + 2 > data_.size()) {
            return false;
        }
        value = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool Bytes(std::size_t size, std::vector<std::uint8_t>& out) {
        if (pos_ + size > data_.size()) {
            return false;
        }
        out.assign(data_.begin() + static_cast<std::ptrdiff_t>(pos_),
                   data_.begin() + static_cast<std::ptrdiff_t>(pos_ + size));
        pos_ += size;
        return true;
    }
    bool Text(std::string& out) {
        std::uint8_t size = 0;
        std::vector<std::uint8_t> bytes;
        if (!U8(size) || !Bytes(size, bytes)) {
            return false;
        }
        out.assign(bytes.begin(), bytes.end());
        return true;
    }
    bool AtEnd() const { return pos_ == data_.size(); }

private:
    const std::vector<std::uint8_t>& data_;
    std::size_t pos_ = 0;
};

}  // namespace

std::vector<std::uint8_t> EncodeInfo(const SimKeyboardInfo& info) {
    std::vector<std::uint8_t> out;
    PutU16(out, info.vendorId);
    PutU16(out, info.productId);
    PutU16(out, info.releaseNumber);
    PutText(out, info.manufacturer);
    PutText(out, info.product);
    std::size_t count = std::min<std::size_t>(info.interfaces.size(), 8);
    out.push_back(static_cast<std::uint8_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const auto& interface = info.interfaces[i];
        out.push_back(static_cast<std::uint8_t>(interface.number));
        PutU16(out, interface.usagePage);
        PutU16(out, interface.usage);
        std::size_t size = std::min<std::size_t>(interface.reportDescriptor.size(), 512);
        PutU16(out, static_cast<std::uint16_t>(size));
        out.insert(out.end(), interface.reportDescriptor.begin(),
                   interface.reportDescriptor.begin() + static_cast<std::ptrdiff_t>(size));
    }
    return out;
}

bool DecodeInfo(const std::vector<std::uint8_t>& payload, SimKeyboardInfo& info) {
    Cursor in(payload);
    SimKeyboardInfo result;
    std::uint8_t count = 0;
    if (!in.U16(result.vendorId) || !in.U16(result.productId) || !in.U16(result.releaseNumber) ||
        !in.Text(result.manufacturer) || !in.Text(result.product) || !in.U8(count) || count > 8) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        SimInterface interface;
        std::uint8_t number = 0;
        std::uint16_t size = 0;
        if (!in.U8(number) || !in.U16(interface.usagePage) || !in.U16(interface.usage) || !in.U16(size) ||
            size > 512 || !in.Bytes(size, interface.reportDescriptor)) {
            return false;
        }
        interface.number = number;
        result.interfaces.push_back(std::move(interface));
    }
    if (!in.AtEnd()) {
        return false;
    }
    info = std::move(result);
    return true;
}

std::vector<HidDeviceInfo> EnumerationEntries(const SimKeyboardInfo& info,
                                              const std::function<std::string(int number)>& pathOf) {
    std::vector<HidDeviceInfo> entries;
    entries.reserve(info.interfaces.size());
    for (const auto& interface : info.interfaces) {
        HidDeviceInfo entry;
        entry.path = pathOf(interface.number);
        entry.vendorId = info.vendorId;
        entry.productId = info.productId;
        entry.releaseNumber = info.releaseNumber;
        entry.manufacturerString = info.manufacturer;
        entry.productString = info.product;
        entry.usagePage = interface.usagePage;
        entry.usage = interface.usage;
        entry.interfaceNumber = interface.number;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<SimInterface> StandardInterfaces() {
    // Interface 2: vendor usage page 0xFF1C, usage 0x92; 64-byte input and
    // output reports without a report id.
    SimInterface command;
    command.number = 2;
    command.usagePage = 0xFF1C;
    command.usage = 0x92;
    command.reportDescriptor = {
        0x06, 0x1C, 0xFF,  // Usage Page (vendor 0xFF1C)
        0x09, 0x92,        // Usage (0x92)
        0xA1, 0x01,        // Collection (Application)
        0x15, 0x00,        //   Logical Minimum (0)
        0x26, 0xFF, 0x00,  //   Logical Maximum (255)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x40,        //   Report Count (64)
        0x09, 0x01,        //   Usage (1)
        0x81, 0x02,        //   Input (Data, Var, Abs)
        0x95, 0x40,        //   Report Count (64)
        0x09, 0x02,        //   Usage (2)
        0x91, 0x02,        //   Output (Data, Var, Abs)
        0xC0,              // End Collection
    };
    // Interface 1: the vendor collection for event reports, report id 2.
    SimInterface events;
    events.number = kEventInterface;
    events.usagePage = 0xFF00;
    events.usage = 0x00;
    events.reportDescriptor = {
        0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
        0x09, 0x00,        // Usage (0)
        0xA1, 0x01,        // Collection (Application)
        0x85, 0x02,        //   Report ID (2)
        0x15, 0x00,        //   Logical Minimum (0)
        0x26, 0xFF, 0x00,  //   Logical Maximum (255)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x1F,        //   Report Count (31)
        0x09, 0x01,        //   Usage (1)
        0x81, 0x02,        //   Input (Data, Var, Abs)
        0xC0,              // End Collection
    };
    return {command, events};
}

std::string SimulatorFolder() {
    const char* explicitFolder = std::getenv("VANTORA_SIM_DIR");
    if (explicitFolder != nullptr && explicitFolder[0] != '\0') {
        return explicitFolder;
    }
    // The session's runtime folder only when it is this user's alone.
    const std::string runtime = SessionRuntimeFolder();
    if (!runtime.empty()) {
        return runtime + "/vantora-sim";
    }
    return "/tmp/vantora-sim-" + std::to_string(::getuid());
}

bool IsSafeSimulatorFolder(const std::string& folder) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        return false;
    }
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 0077) == 0;
}

bool EnsureSimulatorFolder(const std::string& folder, std::string* error) {
    auto fail = [&](const std::string& text) {
        if (error != nullptr) {
            *error = text;
        }
        return false;
    };
    if (folder.empty()) {
        return fail("the simulator folder is not set");
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        auto slash = folder.find_last_of('/');
        if (slash != std::string::npos && slash > 0) {
            EnsureDirectory(folder.substr(0, slash));
        }
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            return fail("cannot create " + folder);
        }
    }
    if (!IsSafeSimulatorFolder(folder)) {
        return fail(folder + " is not a folder of this user with mode 0700");
    }
    return true;
}

std::string SocketName(std::uint16_t vendorId, std::uint16_t productId, const std::string& unique) {
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04x-%04x-", vendorId, productId);
    return std::string(ids) + unique + std::string(kSocketSuffix);
}

bool ParseSocketName(const std::string& name, std::uint16_t& vendorId, std::uint16_t& productId) {
    if (name.size() < 10 + kSocketSuffix.size() || name[0] == '.' || name[4] != '-' || name[9] != '-' ||
        name.compare(name.size() - kSocketSuffix.size(), kSocketSuffix.size(), kSocketSuffix) != 0) {
        return false;
    }
    auto hex4 = [&](std::size_t at, std::uint16_t& out) {
        unsigned value = 0;
        for (std::size_t i = at; i < at + 4; ++i) {
            char c = name[i];
            int digit = (c >= '0' && c <= '9')   ? c - '0'
                        : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                        : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                 : -1;
            if (digit < 0) {
                return false;
            }
            value = value * 16 + static_cast<unsigned>(digit);
        }
        out = static_cast<std::uint16_t>(value);
        return true;
    };
    return hex4(0, vendorId) && hex4(5, productId);
}

std::string InterfacePath(const std::string& socketPath, int interfaceNumber) {
    return std::string(kPathPrefix) + socketPath + "#" + std::to_string(interfaceNumber);
}

bool ParseInterfacePath(const std::string& path, std::string& socketPath, int& interfaceNumber) {
    if (path.compare(0, kPathPrefix.size(), kPathPrefix) != 0) {
        return false;
    }
    auto hash = path.rfind('#');
    if (hash == std::string::npos || hash <= kPathPrefix.size() || hash + 1 >= path.size()) {
        return false;
    }
    int number = 0;
    for (std::size_t i = hash + 1; i < path.size(); ++i) {
        if (path[i] < '0' || path[i] > '9' || number > 1000) {
            return false;
        }
        number = number * 10 + (path[i] - '0');
    }
    socketPath = path.substr(kPathPrefix.size(), hash - kPathPrefix.size());
    interfaceNumber = number;
    return true;
}

}  // namespace vantora::simlink
