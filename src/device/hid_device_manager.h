#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "device/clock.h"
#include "device/hid_backend.h"

namespace vantora {

// Which interfaces OpenDevices may take.
struct DeviceFilter {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string productName;  // empty: any product string; else an exact match
    int interfaceNumber = 2;  // the interface that carries the protocol
};

// What is known about the open interface (a copy, without the handle).
struct DeviceRecordInfo {
    int index = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string path;
    std::string manufacturer;
    std::string product;
    int releaseNumber = 0;
};

// The process's HID device object: filters, the open interface (at most
// one) and the report exchange with it.
//
// Thread safety: one mutex guards the device list and the open flag, and an
// exchange holds it from its first to its last step, so CloseDevices and
// OpenDevices (and therefore a reconnection on the UI thread) wait for the
// exchange in progress and never close an interface under it.
class HidDeviceManager {
public:
    HidDeviceManager(HidBackend& backend, Clock& clock);
    ~HidDeviceManager();
    HidDeviceManager(const HidDeviceManager&) = delete;
    HidDeviceManager& operator=(const HidDeviceManager&) = delete;

    void AddDeviceFilter(std::uint16_t vendorId, std::uint16_t productId, const std::string& productName,
                         int interfaceNumber = 2);

    // Enumerates and opens the first matching interface that opens and
    // passes PassesKeyboardCheck; true when a device record exists
    // afterwards. Does not set the open flag.
    bool OpenDevices();
    // When the open flag is set: clears it, closes and forgets every record.
    void CloseDevices();
    // The open flag: exchanges refuse to work while it is clear.
    void SetOpenFlag(bool open);
    bool IsOpen() const { return open_.load(); }

    int DeviceCount() const;
    std::vector<DeviceRecordInfo> Records() const;
    // The release number of the first record while the open flag is set; 0
    // otherwise. Never waits for an exchange in progress.
    int FirmwareVersion() const;

    // The report exchange. `buffer` is the 65-byte host request (report id
    // 0, marker, command, ...), changed in place; a shorter buffer is
    // refused. True when the keyboard acknowledged with 0xAA.
    bool SendReport(std::span<std::uint8_t> buffer, int index);
    bool QueryReport(std::span<std::uint8_t> buffer, int index);

    HidBackend& Backend() { return backend_; }

private:
    struct DeviceRecord {
        DeviceRecordInfo info;
        std::unique_ptr<HidHandle> device;
    };

    // Preconditions of both exchanges; the caller holds mutex_.
    HidHandle* DeviceForExchange(int index) const;
    void CloseDevicesLocked();
    bool FilterMatches(const HidDeviceInfo& entry) const;

    HidBackend& backend_;
    Clock& clock_;
    mutable std::mutex mutex_;
    std::atomic<bool> open_{false};
    std::vector<DeviceFilter> filters_;
    std::vector<DeviceRecord> records_;
    std::atomic<int> firstReleaseNumber_{0};  // of records_.front(), 0 when none
};

// The check an interface passes before the program writes to it, at the
// start as on an arrival: its report descriptor can be read and its input
// and output reports are longer than 64 bytes (HasProtocolReportLengths).
bool PassesKeyboardCheck(HidHandle& handle);

// Hexadecimal id text as written in config.ini ("1209", "abcd", "0xABCD"):
// leading blanks, an optional "0x", the hexadecimal digits that follow in
// either letter case; 0 when there are none or the value is beyond 31 bits.
int ParseHexId(const std::string& text);

}  // namespace vantora
