// The page data of the initial load and of the factory reset, read from the
// database on the UI thread, and the selection they set. The device session
// is to read the same data on its own thread and hand it to the pages.
#include "keys/profile_names.h"
#include "ui/main_window/main_window.h"

namespace vantora {

// The stored profiles (the three first-run profiles created on an empty
// database); the active one becomes the profile being edited, on the
// standard layer.
ProfileListData DeviceMainDlg::ReadProfileListNow() {
    ProfileListData data;
    db_.ListProfilesCreatingDefaults(data.profiles, DefaultProfileWord());
    data.activeProfile = db_.GetActiveProfile();
    selection_.profile = data.activeProfile;
    selection_.layer = 0;
    return data;
}

KeyAssignmentData DeviceMainDlg::ReadKeyAssignmentsNow() {
    KeyAssignmentData data;
    data.profile = selection_.profile.load();
    data.layer = selection_.layer.load();
    db_.ListKeyAssignments(data.profile, data.layer, data.assignments);
    return data;
}

MacroListData DeviceMainDlg::ReadMacroListNow() {
    MacroListData data;
    db_.ListMacros(data.macros);
    if (!data.macros.empty()) {
        db_.ListMacroSteps(data.macros.front().macro_id, data.firstMacroSteps);
    }
    return data;
}

// A switch is on only when stored as exactly "1".
SwitchData DeviceMainDlg::ReadSwitchesNow() {
    auto on = [this](const char* key) {
        std::string value;
        db_.GetConfig(key, value);
        return value == "1";
    };
    SwitchData data;
    data.disableWin = on("disable_win");
    data.disableAltTab = on("disable_alttab");
    data.disableAltF4 = on("disable_altf4");
    return data;
}

}  // namespace vantora
