#include "device/device_connection.h"

#include "device/protocol.h"

namespace vantora {

DeviceConnection::DeviceConnection(HidDeviceManager& manager, Hooks hooks)
    : manager_(manager), hooks_(std::move(hooks)) {}

DeviceConnection::~DeviceConnection() {
    StopHotplug();
}

void DeviceConnection::AddHotplugSource(std::unique_ptr<HotplugSource> source) {
    if (source) {
        sources_.push_back(std::move(source));
    }
}

void DeviceConnection::SetUpDeviceWith(const std::string& vendorText, const std::string& productText,
                                       DeviceChangeCallback deliver) {
    DeviceIdentity identity;
    identity.vendorText = vendorText;
    identity.productText = productText;
    identity.vendorId = ParseHexId(vendorText);
    identity.productId = ParseHexId(productText);
    {
        std::lock_guard lock(identitiesMutex_);
        identities_.push_back(identity);
    }
    // Ids beyond 16 bits belong to no USB device; such a filter matches nothing.
    if (identity.vendorId <= 0xFFFF && identity.productId <= 0xFFFF) {
        manager_.AddDeviceFilter(static_cast<std::uint16_t>(identity.vendorId),
                                 static_cast<std::uint16_t>(identity.productId), "",
                                 protocol::kCommandInterface);
    }
    if (deliver) {
        for (auto& source : sources_) {
            source->Start(deliver);
        }
    }
    Reconnect();
}

void DeviceConnection::StopHotplug() {
    for (auto& source : sources_) {
        source->Stop();
    }
}

void DeviceConnection::Reconnect() {
    bool lost = false;
    {
        // The UI thread (removals) and the worker (arrivals) may both reconnect.
        std::lock_guard lock(reconnectMutex_);
        manager_.CloseDevices();
        manager_.OpenDevices();
        manager_.SetOpenFlag(true);
        if (manager_.DeviceCount() > 0) {
            deviceIndex_ = 0;
            connected_ = true;
            return;
        }
        lost = connected_.load();
        deviceIndex_ = -1;
        connected_ = false;
    }
    // Outside the lock: the UI may marshal this to its own thread and wait.
    if (lost && hooks_.showHomePage) {
        hooks_.showHomePage();
    }
}

std::vector<DeviceIdentity> DeviceConnection::Identities() const {
    std::lock_guard lock(identitiesMutex_);
    return identities_;
}

bool DeviceConnection::CheckInterface(const std::string& path) {
    auto handle = manager_.Backend().OpenPath(path);
    if (!handle) {
        return false;
    }
    return PassesKeyboardCheck(*handle);
}

void DeviceConnection::OnDeviceChange(const DeviceChange& change) {
    const auto identities = Identities();
    if (change.kind == DeviceChange::Kind::Arrival) {
        for (const auto& identity : identities) {
            if (change.vendorId != identity.vendorId || change.productId != identity.productId ||
                change.interfaceNumber != identity.interfaceNumber) {
                continue;
            }
            if (CheckInterface(change.path)) {
                if (hooks_.queueDeviceArrived) {
                    hooks_.queueDeviceArrived();
                }
                if (hooks_.restartListener) {
                    hooks_.restartListener();
                }
            }
            return;  // the first identity that matches decides
        }
        return;
    }
    // Any interface of the keyboard going away counts as its removal.
    for (const auto& identity : identities) {
        if (change.vendorId == identity.vendorId && change.productId == identity.productId) {
            {
                // A reconnect in progress (the arrival job's) may have found
                // the keyboard just before it went: wait for it to say so.
                std::lock_guard lock(reconnectMutex_);
                if (!connected_.load()) {
                    return;  // not connected: nothing to lose
                }
            }
            Reconnect();
            if (hooks_.restartListener) {
                hooks_.restartListener();
            }
            return;
        }
    }
}

}  // namespace vantora
