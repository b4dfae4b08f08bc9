#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/device_change.h"
#include "device/hid_device_manager.h"

namespace vantora {

// One configured keyboard model.
struct DeviceIdentity {
    std::string makerName = "Quorel";
    int flag = 1;
    int vendorId = 0;
    int productId = 0;
    std::string vendorText;  // the "VID " text as written in config.ini
    std::string productText;
    int interfaceNumber = 2;
};

// The main window's connection to the keyboard: the identity list, the
// connection state and the reaction to plugging and unplugging.
//
// SetUpDeviceWith, OnDeviceChange and Reconnect for removals run on the UI
// thread; Reconnect also runs on the worker. The manager's lock keeps a
// reconnection from closing the interface under an exchange.
class DeviceConnection {
public:
    struct Hooks {
        // Reconnect lost a keyboard that was connected: the UI hides the
        // page shown and returns to the HOME page. Runs on the thread that
        // called Reconnect (the UI thread, or the worker), after
        // deviceIndex and connected were updated and with no lock held.
        std::function<void()> showHomePage;
        // An arrival of the keyboard's interface 2 passed CheckInterface:
        // queue SyncDeviceArrived. Called from OnDeviceChange.
        std::function<void()> queueDeviceArrived;
        // Restart the device event listener (after an arrival or removal).
        std::function<void()> restartListener;
    };

    DeviceConnection(HidDeviceManager& manager, Hooks hooks);
    ~DeviceConnection();
    DeviceConnection(const DeviceConnection&) = delete;
    DeviceConnection& operator=(const DeviceConnection&) = delete;

    // The hot-plug sources this connection listens to (udev, simulator
    // folder). Add them before SetUpDeviceWith.
    void AddHotplugSource(std::unique_ptr<HotplugSource> source);

    // The non-UI steps of the set-up: identity from the "VID " and "PID "
    // texts of config.ini, the filter, the hot-plug sources (their events are
    // handed to `deliver` on the source's thread; the main window marshals
    // them to its UI thread and calls OnDeviceChange there), then Reconnect.
    void SetUpDeviceWith(const std::string& vendorText, const std::string& productText,
                         DeviceChangeCallback deliver);
    // Stops the hot-plug sources (main window shutdown).
    void StopHotplug();

    // Close, reopen, set the open flag, update deviceIndex and connected.
    void Reconnect();
    // Arrivals and removals (UI thread).
    void OnDeviceChange(const DeviceChange& change);
    // True when the interface opens and passes PassesKeyboardCheck (the
    // check OpenDevices applies as well).
    bool CheckInterface(const std::string& path);

    int DeviceIndex() const { return deviceIndex_.load(); }
    // The value itself, for readers on other threads (the downloads); it is
    // written only under the reconnection lock.
    const std::atomic<int>& DeviceIndexState() const { return deviceIndex_; }
    bool Connected() const { return connected_.load(); }
    std::vector<DeviceIdentity> Identities() const;

private:
    HidDeviceManager& manager_;
    Hooks hooks_;
    mutable std::mutex identitiesMutex_;
    std::vector<DeviceIdentity> identities_;
    std::vector<std::unique_ptr<HotplugSource>> sources_;
    std::mutex reconnectMutex_;
    std::atomic<int> deviceIndex_{-1};
    std::atomic<bool> connected_{false};
};

}  // namespace vantora
