#include "sim/sim_keyboard_server.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "app/peer_user.h"
#include "sim/keyboard_state.h"

namespace vantora::sim {

namespace {

std::uint64_t SteadyMs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

std::atomic<int> gSocketCounter{0};

}  // namespace

SimKeyboardServer::SimKeyboardServer(Options options) : options_(std::move(options)) {
    info_.vendorId = options_.vendorId;
    info_.productId = options_.productId;
    info_.releaseNumber = options_.releaseNumber;
    info_.manufacturer = options_.manufacturer;
    info_.product = options_.product;
    info_.interfaces = simlink::StandardInterfaces();
    firmware_.SetFaults(options_.faults);
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (!options_.traceFile.empty()) {
        trace_ = std::fopen(options_.traceFile.c_str(), "a");
    }
}

SimKeyboardServer::~SimKeyboardServer() {
    Unplug();
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
    if (trace_ != nullptr) {
        std::fclose(trace_);
    }
}

std::string SimKeyboardServer::SocketPath() const {
    std::lock_guard lock(stateMutex_);
    return socketPath_;
}

std::string SimKeyboardServer::StateJson() {
    std::lock_guard lock(firmwareMutex_);
    return KeyboardStateJson(firmware_, plugged_.load());
}

bool SimKeyboardServer::WriteState(bool plugged, std::string* error) {
    if (options_.stateFile.empty()) {
        return true;
    }
    std::string json;
    {
        std::lock_guard lock(firmwareMutex_);
        json = KeyboardStateJson(firmware_, plugged);
    }
    return ReplaceFile(options_.stateFile, json + "\n", error);
}

void SimKeyboardServer::SetFaults(const FirmwareFaults& faults) {
    std::lock_guard lock(firmwareMutex_);
    firmware_.SetFaults(faults);
}

bool SimKeyboardServer::Plug(std::string* error) {
    auto fail = [&](const std::string& text) {
        if (error != nullptr) {
            *error = text;
        }
        return false;
    };
    if (plugged_.load()) {
        return true;
    }
    if (thread_.joinable()) {
        thread_.join();  // the thread of a keyboard that vanished
    }
    folder_ = options_.folder.empty() ? simlink::SimulatorFolder() : options_.folder;
    std::string folderError;
    if (!simlink::EnsureSimulatorFolder(folder_, &folderError)) {
        return fail(folderError);
    }
    const std::string unique = std::to_string(::getpid()) + "-" + std::to_string(gSocketCounter++);
    const std::string name = simlink::SocketName(options_.vendorId, options_.productId, unique);
    const std::string finalPath = folder_ + "/" + name;
    const std::string tempPath = folder_ + "/." + name;
    sockaddr_un address{};
    if (finalPath.size() >= sizeof address.sun_path || tempPath.size() >= sizeof address.sun_path) {
        return fail("the socket path is too long: " + finalPath);
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, tempPath.c_str(), tempPath.size() + 1);
    ::unlink(tempPath.c_str());
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0 || wakeFd_ < 0 ||
        ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 16) != 0 || ::rename(tempPath.c_str(), finalPath.c_str()) != 0) {
        std::string text = std::string("cannot create the socket: ") + std::strerror(errno);
        ::unlink(tempPath.c_str());
        CloseEverything();
        return fail(text);
    }
    {
        std::lock_guard lock(stateMutex_);
        socketPath_ = finalPath;
        pendingEvents_.clear();
    }
    {
        std::lock_guard lock(firmwareMutex_);
        firmware_.PowerUp();
    }
    std::string stateError;
    if (!WriteState(true, &stateError)) {
        CloseEverything();
        return fail(stateError);
    }
    stop_ = false;
    plugged_ = true;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void SimKeyboardServer::Unplug() {
    if (thread_.joinable()) {
        stop_ = true;
        Wake();
        thread_.join();
    }
}

void SimKeyboardServer::Wake() {
    std::uint64_t one = 1;
    if (wakeFd_ >= 0) {
        [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
    }
}

std::optional<EventReport> SimKeyboardServer::Press(int index, bool fn) {
    std::optional<EventReport> event;
    {
        std::lock_guard lock(firmwareMutex_);
        event = firmware_.PressKey(index, fn);
    }
    if (event && plugged_.load()) {
        std::lock_guard lock(stateMutex_);
        pendingEvents_.push_back(*event);
    }
    Wake();
    return event;
}

void SimKeyboardServer::Trace(std::span<const std::uint8_t> report) {
    if (trace_ == nullptr) {
        return;
    }
    static const char kDigits[] = "0123456789abcdef";
    std::string line;
    line.reserve(report.size() * 2 + 1);
    for (std::uint8_t byte : report) {
        line += kDigits[byte >> 4];
        line += kDigits[byte & 0x0F];
    }
    line += '\n';
    std::fputs(line.c_str(), trace_);
    std::fflush(trace_);
}

void SimKeyboardServer::CloseEverything() {
    for (auto& client : clients_) {
        ::close(client.fd);
    }
    clients_.clear();
    delayed_.clear();
    std::string path;
    {
        std::lock_guard lock(stateMutex_);
        path = socketPath_;
        socketPath_.clear();
    }
    // The socket goes first, so that watchers see the removal at once.
    if (!path.empty()) {
        ::unlink(path.c_str());
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        listenFd_ = -1;
    }
    plugged_ = false;
}

SimKeyboardServer::Client* SimKeyboardServer::FindClient(int fd) {
    auto client =
        std::find_if(clients_.begin(), clients_.end(), [fd](const Client& c) { return c.fd == fd; });
    return client == clients_.end() ? nullptr : &*client;
}

void SimKeyboardServer::Send(Client& client, std::uint8_t type, const std::uint8_t* payload,
                             std::size_t size) {
    if (client.dropped) {
        return;
    }
    const auto frame = simlink::EncodeFrame(type, payload, size);
    client.outgoing.insert(client.outgoing.end(), frame.begin(), frame.end());
    Flush(client);
    if (client.outgoing.size() > kMaxOutgoingBytes) {
        client.dropped = true;  // it stopped reading: it holds up nobody else
    }
}

void SimKeyboardServer::Flush(Client& client) {
    std::size_t sent = 0;
    while (sent < client.outgoing.size() && !client.dropped) {
        const ssize_t n = ::send(client.fd, client.outgoing.data() + sent, client.outgoing.size() - sent,
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;  // the rest waits for POLLOUT
        } else {
            client.dropped = true;  // the client went away
        }
    }
    client.outgoing.erase(client.outgoing.begin(),
                          client.outgoing.begin() + static_cast<std::ptrdiff_t>(sent));
}

bool SimKeyboardServer::HandleFrame(Client& client, const simlink::Frame& frame, bool& reportHandled) {
    switch (frame.type) {
        case simlink::kHello: {
            auto payload = simlink::EncodeInfo(info_);
            Send(client, simlink::kInfo, payload.data(), payload.size());
            return true;
        }
        case simlink::kOpen: {
            std::uint8_t status = 1;
            if (frame.payload.size() == 1 && client.interfaceNumber < 0) {
                for (const auto& interface : info_.interfaces) {
                    if (interface.number == frame.payload[0]) {
                        client.interfaceNumber = interface.number;
                        status = 0;
                    }
                }
            }
            Send(client, simlink::kOpened, &status, 1);
            return true;
        }
        case simlink::kReport: {
            if (client.interfaceNumber != protocol::kCommandInterface) {
                return true;  // writes go to the command interface only
            }
            const std::span<const std::uint8_t> report(frame.payload);
            Trace(report);
            FirmwareReply reply;
            {
                std::lock_guard lock(firmwareMutex_);
                reply = firmware_.HandleReport(report);
            }
            reportHandled = true;
            if (reply.vanished) {
                return false;
            }
            if (reply.answer) {
                if (reply.delayMs <= 0) {
                    Send(client, simlink::kInput, reply.answer->data(), reply.answer->size());
                } else {
                    delayed_.push_back(
                        {SteadyMs() + static_cast<std::uint64_t>(reply.delayMs), client.fd, *reply.answer});
                }
            }
            Send(client, simlink::kWriteDone, nullptr, 0);
            return true;
        }
        default:
            return true;  // unknown frames are ignored
    }
}

void SimKeyboardServer::Run() {
    bool vanished = false;
    while (!stop_.load() && !vanished) {
        std::vector<pollfd> fds;
        fds.push_back({wakeFd_, POLLIN, 0});
        fds.push_back({listenFd_, POLLIN, 0});
        for (const auto& client : clients_) {
            const short events = client.outgoing.empty() ? POLLIN : POLLIN | POLLOUT;
            fds.push_back({client.fd, events, 0});
        }
        int timeout = -1;
        if (!delayed_.empty()) {
            std::uint64_t now = SteadyMs();
            std::uint64_t due =
                std::min_element(delayed_.begin(), delayed_.end(), [](const auto& a, const auto& b) {
                    return a.dueMs < b.dueMs;
                })->dueMs;
            timeout = due > now ? static_cast<int>(due - now) : 0;
        }
        int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (fds[0].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] auto n = ::read(wakeFd_, &count, sizeof count);
        }
        // Event reports from key presses.
        std::vector<EventReport> events;
        {
            std::lock_guard lock(stateMutex_);
            events.swap(pendingEvents_);
        }
        for (const auto& event : events) {
            for (auto& client : clients_) {
                if (client.interfaceNumber == simlink::kEventInterface) {
                    Send(client, simlink::kInput, event.data(), event.size());
                }
            }
        }
        // Answers that are due.
        std::uint64_t now = SteadyMs();
        for (auto it = delayed_.begin(); it != delayed_.end();) {
            if (it->dueMs <= now) {
                if (Client* client = FindClient(it->fd)) {
                    Send(*client, simlink::kInput, it->report.data(), it->report.size());
                }
                it = delayed_.erase(it);
            } else {
                ++it;
            }
        }
        if (fds[1].revents & POLLIN) {
            int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0 && !PeerIsThisUser(fd)) {
                ::close(fd);  // only this user's programs reach the keyboard
            } else if (fd >= 0) {
                clients_.push_back(Client{fd, {}, -1, {}, false});
            }
        }
        // Client traffic (the fds polled are the first clients_ entries).
        bool reportsHandled = false;
        for (std::size_t i = 2; i < fds.size() && !vanished; ++i) {
            Client* client = FindClient(fds[i].fd);
            if (client == nullptr) {
                continue;
            }
            if (fds[i].revents & POLLOUT) {
                Flush(*client);
            }
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                continue;
            }
            std::uint8_t chunk[1024];
            ssize_t n = ::recv(client->fd, chunk, sizeof chunk, MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
            if (n <= 0) {
                client->dropped = true;
                continue;
            }
            client->reader.Feed(chunk, static_cast<std::size_t>(n));
            while (!client->dropped) {
                auto frame = client->reader.Next();
                if (!frame) {
                    break;
                }
                if (!HandleFrame(*client, *frame, reportsHandled)) {
                    vanished = true;
                    break;
                }
            }
            if (client->reader.Corrupt()) {
                client->dropped = true;
            }
        }
        std::vector<int> closed;
        for (const Client& client : clients_) {
            if (client.dropped) {
                closed.push_back(client.fd);
            }
        }
        for (int fd : closed) {
            ::close(fd);
            std::erase_if(clients_, [fd](const Client& c) { return c.fd == fd; });
            std::erase_if(delayed_, [fd](const DelayedAnswer& a) { return a.fd == fd; });
        }
        // Every report counts, reads too, so the file always shows how many
        // reports came; the answers are already on their way.
        if (reportsHandled && !vanished) {
            WriteState(true);
        }
    }
    CloseEverything();
    WriteState(false);
    if (vanished && options_.onVanish) {
        options_.onVanish();
    }
}

}  // namespace vantora::sim
