#include "device/sim_folder_monitor.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "device/protocol.h"
#include "device/sim_link.h"

namespace vantora {

SimFolderMonitor::SimFolderMonitor(std::string folder) : folder_(std::move(folder)) {}

SimFolderMonitor::~SimFolderMonitor() {
    Stop();
}

bool SimFolderMonitor::Start(DeviceChangeCallback callback) {
    Stop();
    if (folder_.empty()) {
        folder_ = simlink::SimulatorFolder();
    }
    if (!callback || !simlink::EnsureSimulatorFolder(folder_, nullptr)) {
        return false;
    }
    inotifyFd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (inotifyFd_ < 0 || wakeFd_ < 0 ||
        ::inotify_add_watch(inotifyFd_, folder_.c_str(),
                            IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM) < 0) {
        Stop();
        return false;
    }
    thread_ = std::thread([this, callback = std::move(callback)] { Run(callback); });
    return true;
}

void SimFolderMonitor::Stop() {
    if (thread_.joinable()) {
        std::uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
        thread_.join();
    }
    if (inotifyFd_ >= 0) {
        ::close(inotifyFd_);
        inotifyFd_ = -1;
    }
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
        wakeFd_ = -1;
    }
}

void SimFolderMonitor::Run(DeviceChangeCallback callback) {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        pollfd fds[2] = {{inotifyFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        int ready = ::poll(fds, 2, -1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || (fds[1].revents & POLLIN)) {
            return;
        }
        ssize_t length = ::read(inotifyFd_, buffer, sizeof buffer);
        if (length <= 0) {
            continue;
        }
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= length;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            std::string name;
            if (event.len > 0 && at + static_cast<ssize_t>(sizeof event + event.len) <= length) {
                const char* start = buffer + at + sizeof event;
                name.assign(start, strnlen(start, event.len));
            }
            at += static_cast<ssize_t>(sizeof event + event.len);
            DeviceChange change;
            if (!simlink::ParseSocketName(name, change.vendorId, change.productId)) {
                continue;
            }
            change.kind = (event.mask & (IN_CREATE | IN_MOVED_TO)) ? DeviceChange::Kind::Arrival
                                                                   : DeviceChange::Kind::Removal;
            change.path = simlink::InterfacePath(folder_ + "/" + name, protocol::kCommandInterface);
            change.interfaceNumber = protocol::kCommandInterface;
            callback(change);
        }
    }
}

}  // namespace vantora
