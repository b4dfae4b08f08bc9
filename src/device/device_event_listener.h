#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "device/clock.h"
#include "device/hid_backend.h"

namespace vantora {

// Reads the keyboard's event reports (report id 2, class 0x50 or 0x60, id)
// on its vendor collection and posts each as a window message.
class DeviceEventListener {
public:
    // How a message reaches the main window; called on the reader thread.
    using PostFunction = std::function<void(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam)>;

    DeviceEventListener(HidBackend& backend, Clock& clock, PostFunction post, unsigned message);
    ~DeviceEventListener();
    DeviceEventListener(const DeviceEventListener&) = delete;
    DeviceEventListener& operator=(const DeviceEventListener&) = delete;

    // Narrows the search for the vendor collection to one keyboard model (0
    // = any). Set before StartListener.
    void SetFilter(std::uint16_t vendorId, std::uint16_t productId);

    // Stops a running reader, opens the first vendor collection (usage page
    // 0xFF00, usage 0) and starts a new reader when one opened. A call made
    // while another start is in progress returns at once.
    void StartListener();
    // Stops the reader and closes the collection. Waits for the reader to
    // end, so at no time do two readers run.
    void StopListener();

    bool IsListening() const { return running_.load(); }

private:
    void StopLocked();
    void ReaderLoop(HidHandle* device);

    HidBackend& backend_;
    Clock& clock_;
    PostFunction post_;
    unsigned message_;
    std::atomic<std::uint16_t> vendorFilter_{0};
    std::atomic<std::uint16_t> productFilter_{0};
    std::atomic<bool> running_{false};
    std::atomic<bool> restarting_{false};
    std::mutex lifecycleMutex_;
    std::unique_ptr<HidHandle> device_;
    std::thread reader_;
};

}  // namespace vantora
