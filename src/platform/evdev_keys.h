#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/native_keys.h"

struct input_event;

namespace vantora {

// The key of a Linux input event code (<linux/input-event-codes.h>): the key
// at that place on a US keyboard, as the keyboard itself plays it back.
// Codes without a virtual key (mouse buttons, media keys): nullopt.
std::optional<DecodedKey> DecodeEvdevKey(std::uint16_t code);

// A key event of an event node: EV_KEY with value 1 (press), 2 (auto-repeat,
// a press again, as X11's raw keys deliver repeats) or 0 (release). Anything
// else (sync, scan codes, LEDs): nullopt.
struct EvdevKeyEvent {
    std::uint16_t code = 0;
    bool isUp = false;
};
std::optional<EvdevKeyEvent> ParseInputEvent(const input_event& event);

// The event nodes (/dev/input/eventN) of the USB device `vendorId`:`productId`,
// one per interface that reports input, sorted by name. `sysRoot` is where
// sysfs is mounted (class/input/eventN/device/id/{vendor,product}), `devRoot`
// where the nodes are; both are parameters for tests.
std::vector<std::string> FindKeyboardEventNodes(std::uint16_t vendorId, std::uint16_t productId,
                                                const std::string& sysRoot = "/sys",
                                                const std::string& devRoot = "/dev");

// Reads the key events of this keyboard's own event nodes on a thread of its
// own, so keys pressed in any window count, on X11 and on Wayland alike. The
// nodes are opened by Start and closed by Stop: keys are read only between
// the two. Events are decoded with DecodeEvdevKey and handed to the callback
// on the reader's thread; keys that decode to nothing are dropped. A node
// that goes away (the keyboard unplugged) is closed; with none left the
// reader ends by itself.
//
// Start and Stop may be called from any thread, never from the callback.
class EvdevKeyReader {
public:
    using Callback = std::function<void(const DecodedKey& key, bool isUp)>;

    enum class Status {
        kReading,       // at least one node is open and read
        kNoNodes,       // the keyboard has no event node (not plugged in)
        kNoPermission,  // there are nodes, and none may be read by this user
        kFailed,        // nodes that could not be opened for another reason
    };

    EvdevKeyReader() = default;
    ~EvdevKeyReader();
    EvdevKeyReader(const EvdevKeyReader&) = delete;
    EvdevKeyReader& operator=(const EvdevKeyReader&) = delete;

    // Whether Start would find nodes and may read them, without opening
    // any.
    static Status Probe(std::uint16_t vendorId, std::uint16_t productId, const std::string& sysRoot = "/sys",
                        const std::string& devRoot = "/dev");

    // Opens the keyboard's nodes and starts reading. While running: kReading,
    // and the callback stays the first one.
    Status Start(Callback callback, std::uint16_t vendorId, std::uint16_t productId,
                 const std::string& sysRoot = "/sys", const std::string& devRoot = "/dev");
    // Starts reading descriptors that are open already (taken over: Stop
    // closes them), such as one end of a pipe. kNoNodes for none.
    Status StartOn(Callback callback, std::vector<int> fds);
    // Ends the thread (at once: it is woken) and closes the nodes. No callback
    // runs once Stop returns.
    void Stop();
    bool IsRunning() const { return running_.load(); }

private:
    void Run();
    void CloseLocked();

    std::mutex mutex_;  // Start and Stop
    std::vector<int> fds_;
    int wakeFd_ = -1;
    Callback callback_;
    std::thread thread_;
    std::atomic<bool> running_{false};
};

}  // namespace vantora
