#pragma once

#include "device/protocol.h"  // MSG_DEVICE_EVENT (1092), posted by the event listener

namespace vantora {

// Window messages of the main window (OnWindowMessage), with the numbers the
// program has always used.
enum WindowMessage : unsigned {
    MSG_TRAY = 1690,              // tray icon event
    MSG_MENU = 1691,              // toolkit menu command; lParam 610 = exit
    MSG_MACRO_MENU = 1692,        // macro list item menu: lParam 605..608
    MSG_LANGUAGE_CHANGED = 2022,  // posted by the settings dialog
};

}  // namespace vantora
