#pragma once

// Picks, at run time, how the active window is learned on the desktop the
// program runs on.
#include <memory>

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
    // (kGnome: the extension calls ReportActiveWindow).
    std::unique_ptr<platform::ActiveWindowSource> source;
};

// The short name used in vantoractl's output and on D-Bus: "x11",
// "wlroots", "kwin", "gnome", or "" for none.
const char* ActiveWindowDesktopName(ActiveWindowDesktop desktop);

ActiveWindowChoice ChooseActiveWindowSource();

}  // namespace vantora::ui
