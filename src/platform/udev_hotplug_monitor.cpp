#include "platform/udev_hotplug_monitor.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "text/numbers.h"

namespace vantora {

bool ParseHidId(const std::string& text, std::uint16_t& vendorId, std::uint16_t& productId) {
    // bus:vendor:product, each a hexadecimal number.
    auto first = text.find(':');
    auto second = text.find(':', first == std::string::npos ? first : first + 1);
    if (first == std::string::npos || second == std::string::npos) {
        return false;
    }
    // Each part is up to eight hexadecimal digits ("0003:00001209:00000001").
    auto parse = [](const std::string& part, std::uint32_t max) {
        return part.size() <= 8 ? ParseHex(part, NumberSyntax::kWhole, max) : std::nullopt;
    };
    const auto bus = parse(text.substr(0, first), 0xFFFFFFFF);
    const auto vendor = parse(text.substr(first + 1, second - first - 1), 0xFFFF);
    const auto product = parse(text.substr(second + 1), 0xFFFF);
    if (!bus || !vendor || !product) {
        return false;
    }
    vendorId = static_cast<std::uint16_t>(*vendor);
    productId = static_cast<std::uint16_t>(*product);
    return true;
}

bool UdevHotplugMonitor::UdevdRunning() {
    return ::access("/run/udev/control", F_OK) == 0;
}

UdevHotplugMonitor::~UdevHotplugMonitor() {
    Stop();
}

bool UdevHotplugMonitor::Describe(udev_device* device, DeviceChange& change) {
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr);
    const char* hidId = hid != nullptr ? udev_device_get_property_value(hid, "HID_ID") : nullptr;
    if (hidId == nullptr || !ParseHidId(hidId, change.vendorId, change.productId)) {
        return false;
    }
    change.interfaceNumber = -1;
    udev_device* usbInterface = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_interface");
    if (usbInterface != nullptr) {
        if (const char* number = udev_device_get_sysattr_value(usbInterface, "bInterfaceNumber")) {
            change.interfaceNumber =
                static_cast<int>(ParseHex(number, NumberSyntax::kLeading, 0xFF).value_or(-1));
        }
    }
    return true;
}

bool UdevHotplugMonitor::Start(DeviceChangeCallback callback) {
    Stop();
    if (!callback) {
        return false;
    }
    udev_ = udev_new();
    if (udev_ == nullptr) {
        return false;
    }
    // Without udevd (a minimal system) nobody passes events on: the
    // kernel's own events are read instead.
    monitor_ = udev_monitor_new_from_netlink(udev_, UdevdRunning() ? "udev" : "kernel");
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (monitor_ == nullptr || wakeFd_ < 0 ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        Stop();
        return false;
    }
    // Remember the nodes already present, so that their removal can be told.
    known_.clear();
    if (udev_enumerate* enumerate = udev_enumerate_new(udev_)) {
        udev_enumerate_add_match_subsystem(enumerate, "hidraw");
        udev_enumerate_scan_devices(enumerate);
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
            udev_device* device = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
            if (device == nullptr) {
                continue;
            }
            DeviceChange change;
            const char* node = udev_device_get_devnode(device);
            if (node != nullptr && Describe(device, change)) {
                change.path = node;
                known_[node] = change;
            }
            udev_device_unref(device);
        }
        udev_enumerate_unref(enumerate);
    }
    thread_ = std::thread([this, callback = std::move(callback)] { Run(callback); });
    return true;
}

void UdevHotplugMonitor::Stop() {
    if (thread_.joinable()) {
        std::uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
        thread_.join();
    }
    if (monitor_ != nullptr) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
    if (udev_ != nullptr) {
        udev_unref(udev_);
        udev_ = nullptr;
    }
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
        wakeFd_ = -1;
    }
}

void UdevHotplugMonitor::Run(DeviceChangeCallback callback) {
    const int monitorFd = udev_monitor_get_fd(monitor_);
    for (;;) {
        pollfd fds[2] = {{monitorFd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        int ready = ::poll(fds, 2, -1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || (fds[1].revents & POLLIN)) {
            return;
        }
        udev_device* device = udev_monitor_receive_device(monitor_);
        if (device == nullptr) {
            continue;
        }
        const char* action = udev_device_get_action(device);
        const char* node = udev_device_get_devnode(device);
        if (action != nullptr && node != nullptr) {
            DeviceChange change;
            change.path = node;
            if (std::strcmp(action, "add") == 0 && Describe(device, change)) {
                change.kind = DeviceChange::Kind::Arrival;
                known_[node] = change;
                callback(change);
            } else if (std::strcmp(action, "remove") == 0) {
                auto it = known_.find(node);
                if (it != known_.end()) {
                    change = it->second;
                    known_.erase(it);
                    change.kind = DeviceChange::Kind::Removal;
                    callback(change);
                }
            }
        }
        udev_device_unref(device);
    }
}

}  // namespace vantora
