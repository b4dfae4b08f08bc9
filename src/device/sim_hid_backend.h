#pragma once

#include <string>

#include "device/hid_backend.h"

namespace vantora {

// The HID back end for simulated keyboards: every socket in the simulator
// folder is one keyboard offering its command interface and its vendor
// collection (see sim_link.h).
class SimHidBackend : public HidBackend {
public:
    struct Options {
        std::string folder;  // empty: SimulatorFolder() at each enumeration
        // Replaces every read time-out when not negative (the transport
        // benchmark sets 0 to leave only the transport's own cost).
        int readTimeoutOverrideMs = -1;
        // Real-time limit for the link's own handshakes (hello, open, write).
        int handshakeTimeoutMs = 1000;
    };

    SimHidBackend();
    explicit SimHidBackend(Options options);

    std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendorId, std::uint16_t productId) override;
    bool OwnsPath(const std::string& path) const override;
    std::unique_ptr<HidHandle> OpenPath(const std::string& path) override;

    std::string Folder() const;

private:
    Options options_;
};

}  // namespace vantora
