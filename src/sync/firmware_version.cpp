#include "sync/firmware_version.h"

#include <cstdio>

namespace vantora {

std::string FirmwareVersionText(int version) {
    char text[32];
    std::snprintf(text, sizeof text, "Fw Ver: %x", static_cast<unsigned>(version));
    return text;
}

std::string FirmwareVersionText(const HidDeviceManager& manager) {
    return FirmwareVersionText(manager.FirmwareVersion());
}

}  // namespace vantora
