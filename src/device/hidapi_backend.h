#pragma once

#include "device/hid_backend.h"

namespace vantora {

// Real HID interfaces through hidapi (hidraw). The library is initialised on
// first use, once per process; a failed initialisation is tried again on
// the next call.
//
// Test executables never reach real keyboards: in a process marked as a test
// (every test links tests/support/test_process_mark.cpp) the first
// enumeration, or opening of a device node, ends the process with a message
// unless the environment has VANTORA_TEST_ALLOW_HARDWARE=1.
class HidapiBackend : public HidBackend {
public:
    std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendorId, std::uint16_t productId) override;
    bool OwnsPath(const std::string& path) const override;
    std::unique_ptr<HidHandle> OpenPath(const std::string& path) override;

    // Releases the library (main window shutdown).
    static void Shutdown();
};

// Converts hidapi's wide text to UTF-8.
std::string WideToUtf8(const wchar_t* text);

}  // namespace vantora
