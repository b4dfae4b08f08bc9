#include "ui/desktop/active_window_choice.h"

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

// No source is built yet: the feature says it is unavailable.
ActiveWindowChoice ChooseActiveWindowSource() {
    return {};
}

}  // namespace vantora::ui
