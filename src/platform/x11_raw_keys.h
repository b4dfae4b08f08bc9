#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/native_keys.h"

typedef struct _XDisplay Display;

namespace vantora {

// Every key press and release of the X server, from XInput 2.2 raw events on
// the root window of all master devices: they arrive while our window is not
// in front and for keys the window manager grabs (Super, Print). The listener
// has its own X connection and thread; each event is decoded with the keysym
// of the key's first group and level (so Shift+1 is still "1") and its
// keycode (DecodeX11Key) and handed to the callback on the listener's
// thread. Keys that decode to nothing are dropped.
//
// Start and Stop may be called from any thread, never from the callback.
class RawKeyListener {
public:
    using Callback = std::function<void(const DecodedKey& key, bool isUp)>;

    RawKeyListener() = default;
    ~RawKeyListener();
    RawKeyListener(const RawKeyListener&) = delete;
    RawKeyListener& operator=(const RawKeyListener&) = delete;

    // Connects to `displayName` (empty: $DISPLAY) and starts listening. False,
    // with nothing running, when there is no X display or it lacks XInput 2.2
    // (Wayland without DISPLAY, offscreen). While running: true, and the
    // callback stays the first one.
    bool Start(Callback callback, const std::string& displayName = {});
    // Ends the thread (at once: it is woken) and closes the connection. No
    // callback runs once Stop returns.
    void Stop();
    // True from a successful Start until Stop, or until the X connection broke.
    bool IsRunning() const { return running_.load(); }

private:
    void Run();
    // Stop with the mutex held.
    void CloseLocked();
    void HandlePending();

    std::mutex mutex_;  // Start and Stop
    Display* display_ = nullptr;
    int xiOpcode_ = 0;
    int wakeFd_ = -1;
    Callback callback_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    bool broken_ = false;  // the connection broke; only the listener's thread touches it while running
};

}  // namespace vantora
