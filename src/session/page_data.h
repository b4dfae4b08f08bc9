#pragma once

#include <string>
#include <vector>

#include "db/records.h"

namespace vantora {

// What the device session hands its observer to show, read from the
// database on the session's thread (the initial load, a factory reset), so
// that the UI shows data rather than reading the database again.

// The profile list (names as stored: show them through DisplayProfileName)
// and the active profile, now also the current selection.
struct ProfileListData {
    std::vector<ProfileItem> profiles;
    int activeProfile = 0;
};

// The assignments of one profile and layer (the labels of the keyboard picture).
struct KeyAssignmentData {
    int profile = 0;
    int layer = 0;
    std::vector<KeyAssignment> assignments;
};

// Every macro in id order, and the records of the first one.
struct MacroListData {
    std::vector<Macro> macros;
    std::vector<MacroStep> firstMacroSteps;
};

// Every stored light mode in table order and the current one (its mode
// number; 0 is also the per-key mode, so an empty `modes` says none).
struct LightingData {
    std::vector<LightMode> modes;
    int activeMode = 0;
};

// The SETTING page's three switches as stored.
struct SwitchData {
    bool disableWin = false;
    bool disableAltTab = false;
    bool disableAltF4 = false;
};

}  // namespace vantora
