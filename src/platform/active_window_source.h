#pragma once

// Where the program learns which application is in front. There is one
// source per kind of desktop; each reports the application's id (the class
// part of X11's WM_CLASS, or the Wayland app id) and the window's title
// whenever the active window changes.
#include <functional>
#include <string>

namespace vantora::platform {

struct ActiveWindow {
    std::string appId;  // empty when no window is in front
    std::string title;
};

class ActiveWindowSource {
public:
    using Callback = std::function<void(const ActiveWindow&)>;
    virtual ~ActiveWindowSource() = default;
    // Starts watching: `onChange` is called (from any thread) with the window
    // in front now and at every change after. False when this desktop cannot
    // be watched this way; `error` then says why.
    virtual bool Start(Callback onChange, std::string& error) = 0;
    // Stops watching; no call of the callback runs after this returns.
    virtual void Stop() = 0;
};

}  // namespace vantora::platform
