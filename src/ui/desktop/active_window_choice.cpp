#include "ui/desktop/active_window_choice.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "platform/wlroots_active_window.h"
#include "platform/x11_active_window.h"
#include "ui/desktop/kwin_script_source.h"

namespace vantora::ui {

const char* ActiveWindowDesktopName(ActiveWindowDesktop desktop) {
    switch (desktop) {
        case ActiveWindowDesktop::kX11:
            return "x11";
        case ActiveWindowDesktop::kWlroots:
            return "wlroots";
        case ActiveWindowDesktop::kKWin:
            return "kwin";
        case ActiveWindowDesktop::kGnome:
            return "gnome";
        case ActiveWindowDesktop::kNone:
            break;
    }
    return "";
}

namespace {

// Whether the colon-separated XDG_CURRENT_DESKTOP names `desktop`, in any case.
bool Names(const std::string& currentDesktops, const std::string& desktop) {
    std::istringstream list(currentDesktops);
    std::string item;
    while (std::getline(list, item, ':')) {
        std::transform(item.begin(), item.end(), item.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (item == desktop) {
            return true;
        }
    }
    return false;
}

}  // namespace

ActiveWindowDesktop ChooseActiveWindowDesktop(const std::function<std::string(const char*)>& env,
                                              const std::function<bool()>& offersWlrootsToplevels) {
    const std::string session = env("XDG_SESSION_TYPE");
    const bool wayland = session == "wayland" || (session != "x11" && !env("WAYLAND_DISPLAY").empty());
    if (!wayland) {
        return env("DISPLAY").empty() ? ActiveWindowDesktop::kNone : ActiveWindowDesktop::kX11;
    }
    if (!env("WAYLAND_DISPLAY").empty() && offersWlrootsToplevels()) {
        return ActiveWindowDesktop::kWlroots;
    }
    const std::string desktops = env("XDG_CURRENT_DESKTOP");
    if (Names(desktops, "KDE")) {
        return ActiveWindowDesktop::kKWin;
    }
    if (Names(desktops, "GNOME")) {
        return ActiveWindowDesktop::kGnome;
    }
    return ActiveWindowDesktop::kNone;
}

ActiveWindowChoice ChooseActiveWindowSource() {
    ActiveWindowChoice choice;
    choice.desktop = ChooseActiveWindowDesktop(
        [](const char* name) {
            const char* value = std::getenv(name);
            return std::string(value != nullptr ? value : "");
        },
        [] { return platform::WaylandOffersForeignToplevels(); });
    switch (choice.desktop) {
        case ActiveWindowDesktop::kX11:
            choice.source = std::make_unique<platform::X11ActiveWindowSource>();
            break;
        case ActiveWindowDesktop::kWlroots:
            choice.source = std::make_unique<platform::WlrootsActiveWindowSource>();
            break;
        case ActiveWindowDesktop::kKWin:
            choice.source = std::make_unique<KWinScriptSource>();
            break;
        case ActiveWindowDesktop::kGnome:
        case ActiveWindowDesktop::kNone:
            break;
    }
    return choice;
}

}  // namespace vantora::ui
