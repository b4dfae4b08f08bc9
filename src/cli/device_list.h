#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/ctl_runner.h"
#include "device/hid_backend.h"

namespace vantora::cli {

// One HID interface as "vantoractl devices" shows it.
struct ListedInterface {
    HidDeviceInfo info;
    // Whether its report descriptor passes the keyboard check; nothing when
    // the interface could not be opened (no access) or gave no descriptor.
    std::optional<bool> passesCheck;
    bool configured = false;  // the configured ids on the command interface
};

// Every interface of `backend`, each opened once to read its report
// descriptor. `vendorId` and `productId` are the configured ids (ParseHexId
// values; beyond 16 bits they match nothing).
std::vector<ListedInterface> ListInterfaces(HidBackend& backend, int vendorId, int productId);

// "VID:PID" as four hexadecimal digits at most on each side ("1209:0001",
// "1209:1"); false for anything else.
bool ParseUsbIds(const std::string& text, std::uint16_t& vendorId, std::uint16_t& productId);

// The udev rule that lets the user logged in at the seat open the hidraw
// nodes of the device with these ids (one line, no newline).
std::string UdevRuleLine(std::uint16_t vendorId, std::uint16_t productId);

// "vantoractl devices": the table (or JSON) of `interfaces` with the
// configured ids; with `rule`, only the udev rule for those ids.
CtlResult DevicesResult(const std::vector<ListedInterface>& interfaces, int vendorId, int productId,
                        bool json);
CtlResult RuleResult(std::uint16_t vendorId, std::uint16_t productId, bool json);

}  // namespace vantora::cli
