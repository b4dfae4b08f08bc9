#pragma once

#include "db/profile_database.h"
#include "session/page_data.h"

namespace vantora {

// The three switches the keyboard applies to its own keys: the Windows
// key, Alt+Tab and Alt+F4 locked.
enum class SystemSwitch { kDisableWin, kDisableAltTab, kDisableAltF4 };

// The t_config_data key of a switch.
const char* SystemSwitchKey(SystemSwitch which);
// Stores a switch ("1" on, "0" off); true when the update ran.
bool StoreSystemSwitch(ProfileDatabase& db, SystemSwitch which, bool on);
// The three switches as stored; only "1" is on.
SwitchData LoadSystemSwitches(ProfileDatabase& db);

}  // namespace vantora
