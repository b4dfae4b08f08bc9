#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "device/device_change.h"

namespace vantora {

// Watches the simulator folder (inotify): a keyboard socket that appears is
// an arrival of its interface 2, one that disappears is its removal.
class SimFolderMonitor : public HotplugSource {
public:
    // `folder` empty: SimulatorFolder(), created (mode 0700) when missing.
    explicit SimFolderMonitor(std::string folder = "");
    ~SimFolderMonitor() override;

    bool Start(DeviceChangeCallback callback) override;
    void Stop() override;

private:
    void Run(DeviceChangeCallback callback);

    std::string folder_;
    int inotifyFd_ = -1;
    int wakeFd_ = -1;
    std::thread thread_;
};

}  // namespace vantora
