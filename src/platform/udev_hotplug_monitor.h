#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "device/device_change.h"

struct udev;
struct udev_device;
struct udev_monitor;

namespace vantora {

// Arrivals and removals of hidraw nodes, from the udev monitor, or from the
// kernel's events where no udevd runs. Paths are the device nodes
// ("/dev/hidraw3") as hidapi names them.
class UdevHotplugMonitor : public HotplugSource {
public:
    UdevHotplugMonitor() = default;
    ~UdevHotplugMonitor() override;
    UdevHotplugMonitor(const UdevHotplugMonitor&) = delete;
    UdevHotplugMonitor& operator=(const UdevHotplugMonitor&) = delete;

    bool Start(DeviceChangeCallback callback) override;
    void Stop() override;

    // Whether udevd runs here; when not, the kernel's events are watched.
    static bool UdevdRunning();

private:
    void Run(DeviceChangeCallback callback);
    // Fills vendor, product and interface of a hidraw device from its
    // parents; false when they are unknown.
    static bool Describe(udev_device* device, DeviceChange& change);

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    int wakeFd_ = -1;
    std::thread thread_;
    // Nodes seen so far: a removed node's parents are gone, so its ids come
    // from here.
    std::map<std::string, DeviceChange> known_;
};

// "0003:00001209:00000001" (bus, vendor, product in hexadecimal) -> ids.
bool ParseHidId(const std::string& text, std::uint16_t& vendorId, std::uint16_t& productId);

}  // namespace vantora
