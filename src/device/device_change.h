#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vantora {

// A HID interface that appeared or went away. Hot-plug sources (the udev
// monitor for real keyboards, the simulator folder watch for simulated
// ones) report these from their own thread.
struct DeviceChange {
    enum class Kind { Arrival, Removal };
    Kind kind = Kind::Arrival;
    std::string path;  // the interface path as the HID back ends name it
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    int interfaceNumber = -1;  // -1 when unknown
};

using DeviceChangeCallback = std::function<void(const DeviceChange&)>;

// A source of arrivals and removals with a thread of its own.
class HotplugSource {
public:
    virtual ~HotplugSource() = default;
    // Starts watching; `callback` is called on the source's thread. False
    // when the source cannot watch (it then reports nothing).
    virtual bool Start(DeviceChangeCallback callback) = 0;
    // Stops watching and waits for the thread; no callback runs afterwards.
    virtual void Stop() = 0;
};

}  // namespace vantora
