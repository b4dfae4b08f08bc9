#pragma once

#include <mutex>
#include <string>
#include <thread>

#include "platform/active_window_source.h"

namespace vantora::platform {

// Whether the Wayland compositor at `displayName` (empty: $WAYLAND_DISPLAY)
// offers zwlr_foreign_toplevel_manager_v1. False without a compositor.
bool WaylandOffersForeignToplevels(const std::string& displayName = {});

// The application in front on wlroots compositors (sway, Wayfire, labwc,
// river, Hyprland): zwlr_foreign_toplevel_manager_v1 lists every toplevel
// with its app id, title and states; the one in the `activated` state is in
// front. The source has its own Wayland connection and thread, which sleeps
// in poll() until the compositor sends something. After each batch of
// events the window in front is worked out again and reported when its app
// id or title changed (no window in front: an empty app id).
class WlrootsActiveWindowSource : public ActiveWindowSource {
public:
    explicit WlrootsActiveWindowSource(std::string displayName = {});
    ~WlrootsActiveWindowSource() override;
    WlrootsActiveWindowSource(const WlrootsActiveWindowSource&) = delete;
    WlrootsActiveWindowSource& operator=(const WlrootsActiveWindowSource&) = delete;

    // False when there is no Wayland compositor or it does not offer the
    // protocol. Starting a running source fails too.
    bool Start(Callback onChange, std::string& error) override;
    void Stop() override;

    struct State;

private:
    void Run();

    std::string displayName_;
    std::mutex mutex_;  // Start and Stop
    State* state_ = nullptr;
    int wakeFd_ = -1;
    std::thread thread_;
};

}  // namespace vantora::platform
