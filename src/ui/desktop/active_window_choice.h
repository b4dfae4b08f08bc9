#pragma once

// Picks, at run time, how the active window is learned on the desktop the
// program runs on.
#include <functional>
#include <memory>
#include <string>

#include "platform/active_window_source.h"

namespace vantora::ui {

enum class ActiveWindowDesktop {
    kNone,     // no way to learn the active window here
    kX11,      // _NET_ACTIVE_WINDOW and WM_CLASS on the root window
    kWlroots,  // zwlr_foreign_toplevel_manager_v1
    kKWin,     // a KWin script reports over our D-Bus service
    kGnome,    // a GNOME Shell extension reports over our D-Bus service
};

struct ActiveWindowChoice {
    ActiveWindowDesktop desktop = ActiveWindowDesktop::kNone;
    // Null for kNone, and for desktops whose reports arrive over D-Bus only
    // (kGnome: the extension calls ReportActiveWindow). kKWin's source loads
    // the KWin script at Start and unloads it at Stop; its reports too arrive
    // through ReportActiveWindow, never through the callback.
    std::unique_ptr<platform::ActiveWindowSource> source;
};

// The short name used in vantoractl's output and on D-Bus: "x11",
// "wlroots", "kwin", "gnome", or "" for none.
const char* ActiveWindowDesktopName(ActiveWindowDesktop desktop);

// The desktop from the session's environment (`env` gives "" for a variable
// that is not set) and, on Wayland only, whether the compositor offers
// zwlr_foreign_toplevel_manager_v1. An X11 session (or DISPLAY without
// WAYLAND_DISPLAY): kX11. Wayland: kWlroots when the protocol is offered,
// else kKWin for KDE and kGnome for GNOME (XDG_CURRENT_DESKTOP), else kNone
// (an X server beside the compositor sees only the X11 programs).
ActiveWindowDesktop ChooseActiveWindowDesktop(const std::function<std::string(const char*)>& env,
                                              const std::function<bool()>& offersWlrootsToplevels);

// ChooseActiveWindowDesktop for this process's environment and compositor,
// with the source it needs.
ActiveWindowChoice ChooseActiveWindowSource();

}  // namespace vantora::ui
