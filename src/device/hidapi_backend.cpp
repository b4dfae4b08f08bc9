#include "device/hidapi_backend.h"

#include <hidapi/hidapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

#include "text/utf8.h"

// Defined only in test executables (tests/support/test_process_mark.cpp).
extern "C" {
__attribute__((weak)) extern const bool vantora_test_process_mark;
}

namespace vantora {

namespace {

// Ends a test process that is about to reach real hardware.
void RefuseHardwareInTests() {
    static const bool refuse = [] {
        const char* allow = std::getenv("VANTORA_TEST_ALLOW_HARDWARE");
        return &vantora_test_process_mark != nullptr && !(allow != nullptr && std::strcmp(allow, "1") == 0);
    }();
    if (refuse) {
        std::fputs(
            "vantora: a test reached the real HID back end (hidapi) and with it this machine's keyboards.\n"
            "Give the code under test a simulated back end, or set VANTORA_TEST_ALLOW_HARDWARE=1.\n",
            stderr);
        std::abort();
    }
}

std::mutex gInitMutex;
bool gInitialised = false;

bool EnsureInitialised() {
    std::lock_guard lock(gInitMutex);
    if (!gInitialised) {
        if (hid_init() != 0) {
            hid_exit();
            return false;
        }
        gInitialised = true;
    }
    return true;
}

std::string NodeName(const std::string& devicePath) {
    auto slash = devicePath.find_last_of('/');
    return slash == std::string::npos ? devicePath : devicePath.substr(slash + 1);
}

class HidapiHandle : public HidHandle {
public:
    HidapiHandle(hid_device* device, std::string path) : device_(device), path_(std::move(path)) {}
    ~HidapiHandle() override { hid_close(device_); }

    int Write(const std::uint8_t* data, std::size_t length) override {
        return hid_write(device_, data, length);
    }
    int ReadTimeout(std::uint8_t* data, std::size_t length, int milliseconds) override {
        return hid_read_timeout(device_, data, length, milliseconds);
    }
    std::string ManufacturerString() override {
        wchar_t text[513] = {};
        return hid_get_manufacturer_string(device_, text, 512) == 0 ? WideToUtf8(text) : std::string();
    }
    std::string ProductString() override {
        wchar_t text[513] = {};
        return hid_get_product_string(device_, text, 512) == 0 ? WideToUtf8(text) : std::string();
    }
    bool GetReportDescriptor(std::vector<std::uint8_t>& descriptor) override {
        // The hidraw node's descriptor as the kernel exposes it.
        std::ifstream file("/sys/class/hidraw/" + NodeName(path_) + "/device/report_descriptor",
                           std::ios::binary);
        if (!file) {
            return false;
        }
        descriptor.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        return !descriptor.empty();
    }

private:
    hid_device* device_;
    std::string path_;
};

}  // namespace

std::string WideToUtf8(const wchar_t* text) {
    std::string out;
    if (text == nullptr) {
        return out;
    }
    for (; *text != 0; ++text) {
        AppendUtf8(out, static_cast<char32_t>(static_cast<std::uint32_t>(*text)));
    }
    return out;
}

std::vector<HidDeviceInfo> HidapiBackend::Enumerate(std::uint16_t vendorId, std::uint16_t productId) {
    RefuseHardwareInTests();
    std::vector<HidDeviceInfo> found;
    if (!EnsureInitialised()) {
        return found;
    }
    hid_device_info* list = hid_enumerate(vendorId, productId);
    for (hid_device_info* entry = list; entry != nullptr; entry = entry->next) {
        HidDeviceInfo info;
        info.path = entry->path != nullptr ? entry->path : "";
        info.vendorId = entry->vendor_id;
        info.productId = entry->product_id;
        info.releaseNumber = entry->release_number;
        info.manufacturerString = WideToUtf8(entry->manufacturer_string);
        info.productString = WideToUtf8(entry->product_string);
        info.usagePage = entry->usage_page;
        info.usage = entry->usage;
        info.interfaceNumber = entry->interface_number;
        found.push_back(std::move(info));
    }
    hid_free_enumeration(list);
    return found;
}

bool HidapiBackend::OwnsPath(const std::string& path) const {
    return path.rfind("/dev/", 0) == 0;
}

std::unique_ptr<HidHandle> HidapiBackend::OpenPath(const std::string& path) {
    if (!OwnsPath(path)) {
        return nullptr;
    }
    RefuseHardwareInTests();
    if (!EnsureInitialised()) {
        return nullptr;
    }
    hid_device* device = hid_open_path(path.c_str());
    if (device == nullptr) {
        return nullptr;
    }
    return std::make_unique<HidapiHandle>(device, path);
}

void HidapiBackend::Shutdown() {
    std::lock_guard lock(gInitMutex);
    if (gInitialised) {
        hid_exit();
        gInitialised = false;
    }
}

}  // namespace vantora
