#pragma once

#include <string>

#include "device/hid_device_manager.h"

namespace vantora {

// The settings dialog's firmware line, "Fw Ver: %x": the version in
// lower-case hexadecimal without leading zeros (bcdDevice 0x0102 shows as
// "Fw Ver: 102").
std::string FirmwareVersionText(int version);
// The same for the open keyboard: the first record's release number while
// the manager is open, else 0.
std::string FirmwareVersionText(const HidDeviceManager& manager);

}  // namespace vantora
