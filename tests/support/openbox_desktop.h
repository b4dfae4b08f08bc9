#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <functional>
#include <string>

#include "support/env_guard.h"
#include "support/xvfb_server.h"

namespace vantora::test {

// An X11 desktop of the test's own: an Xvfb server (DISPLAY names it for
// the object's life), openbox managing its windows once started, and
// top-level windows of a chosen WM_CLASS that xdotool activates.
class OpenboxDesktop {
public:
    // Whether Xvfb, openbox and xdotool are installed.
    static bool Installed();

    OpenboxDesktop();
    ~OpenboxDesktop();
    OpenboxDesktop(const OpenboxDesktop&) = delete;
    OpenboxDesktop& operator=(const OpenboxDesktop&) = delete;

    // ":<n>"; empty when Xvfb did not come up.
    const std::string& Name() const { return server_.Name(); }
    // Starts openbox and waits until `ready` holds (asked every 100 ms); on
    // a busy machine openbox may come up slowly, or give up on a server
    // that has only just started: it is started again then. False when
    // `ready` still fails after 60 seconds.
    bool StartWindowManager(const std::function<bool()>& ready);

    // A mapped top-level window of the given WM_CLASS and title.
    xcb_window_t OpenWindow(const std::string& instance, const std::string& cls, const std::string& title);
    void Rename(xcb_window_t window, const std::string& title);
    void Close(xcb_window_t window);
    // Activates `window` with xdotool, again each time `reached` (which
    // waits up to the time it is given) says the change was not seen yet,
    // for up to 30 seconds (openbox may still be taking the window on).
    bool Activate(xcb_window_t window, const std::function<bool(std::chrono::milliseconds)>& reached);

private:
    XvfbServer server_;
    EnvGuard env_;
    pid_t openbox_ = -1;
    xcb_connection_t* connection_ = nullptr;
};

}  // namespace vantora::test
