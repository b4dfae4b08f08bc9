#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vantora {

// One HID interface (top-level collection) as an enumeration lists it.
// Texts are UTF-8.
struct HidDeviceInfo {
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t releaseNumber = 0;  // USB bcdDevice
    std::string manufacturerString;
    std::string productString;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    int interfaceNumber = -1;
};

// An open HID interface. Closing is destruction. Reads and writes follow the
// hidapi conventions: Write takes the report id in byte 0 and returns the
// bytes written or -1; ReadTimeout returns the bytes read, 0 on time-out, -1
// on error, and delivers a report id only when it is not 0.
class HidHandle {
public:
    virtual ~HidHandle();
    virtual int Write(const std::uint8_t* data, std::size_t length) = 0;
    virtual int ReadTimeout(std::uint8_t* data, std::size_t length, int milliseconds) = 0;
    virtual std::string ManufacturerString() = 0;
    virtual std::string ProductString() = 0;
    // The interface's HID report descriptor; false when it cannot be read.
    virtual bool GetReportDescriptor(std::vector<std::uint8_t>& descriptor) = 0;
    // Makes a read in progress on another thread return soon. Safe to call
    // from any thread; a no-op where the transport cannot do it (the read
    // then ends at its time-out).
    virtual void CancelRead() {}
};

// A source of HID interfaces: real ones through hidapi, simulated keyboards,
// or both. Implementations are safe to use from several threads.
class HidBackend {
public:
    virtual ~HidBackend();
    // Every interface, narrowed to a vendor and product id unless they are 0.
    virtual std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendorId, std::uint16_t productId) = 0;
    // True when `path` names one of this back end's interfaces.
    virtual bool OwnsPath(const std::string& path) const = 0;
    // Opens the interface; nullptr when it cannot be opened.
    virtual std::unique_ptr<HidHandle> OpenPath(const std::string& path) = 0;
};

// Offers the interfaces of several back ends as one; opens a path through
// the back end that owns it.
class CompositeHidBackend : public HidBackend {
public:
    // Back ends are asked in the order they were added. Not thread-safe
    // while back ends are still being added.
    void Add(std::shared_ptr<HidBackend> backend);

    std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendorId, std::uint16_t productId) override;
    bool OwnsPath(const std::string& path) const override;
    std::unique_ptr<HidHandle> OpenPath(const std::string& path) override;

private:
    std::vector<std::shared_ptr<HidBackend>> backends_;
};

}  // namespace vantora
