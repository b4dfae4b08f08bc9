#pragma once

#include "app/language.h"

namespace vantora {

// What the main window's close button does, the user's choice in the
// settings: hide the window into the tray (the default, where there is a
// tray) or end the program. Stored as "CLOSE_BUTTON=quit" or "=tray".
inline constexpr const char* kCloseButtonKey = "CLOSE_BUTTON";

inline bool CloseButtonQuits() {
    return ReadStoredSetting(kCloseButtonKey) == "quit";
}

// False when the choice cannot be stored (it then holds for nothing).
inline bool SetCloseButtonQuits(bool quits) {
    return WriteStoredSetting(kCloseButtonKey, quits ? "quit" : "tray");
}

}  // namespace vantora
