#pragma once

#include <mutex>
#include <string>
#include <thread>

#include "platform/active_window_source.h"

namespace vantora::platform {

// The application in front on X11: the window manager names the active
// window in the root window's _NET_ACTIVE_WINDOW; its WM_CLASS (the class
// part) is the application and _NET_WM_NAME (else WM_NAME) the title. The
// source has its own X connection (xcb: a window that vanishes while it is
// read gives an error reply, never a process-wide handler) and its own
// thread, which sleeps in poll() until the server sends a property change
// of the root window or of the active window. A report is made only when
// the application or the title changed.
class X11ActiveWindowSource : public ActiveWindowSource {
public:
    // `displayName` empty: $DISPLAY.
    explicit X11ActiveWindowSource(std::string displayName = {});
    ~X11ActiveWindowSource() override;
    X11ActiveWindowSource(const X11ActiveWindowSource&) = delete;
    X11ActiveWindowSource& operator=(const X11ActiveWindowSource&) = delete;

    // False when there is no X display, or its window manager does not
    // announce _NET_ACTIVE_WINDOW in _NET_SUPPORTED. Starting a running
    // source fails too.
    bool Start(Callback onChange, std::string& error) override;
    void Stop() override;

private:
    struct Connection;
    void Run();

    std::string displayName_;
    std::mutex mutex_;  // Start and Stop
    Connection* connection_ = nullptr;
    int wakeFd_ = -1;
    Callback callback_;
    std::thread thread_;
};

}  // namespace vantora::platform
