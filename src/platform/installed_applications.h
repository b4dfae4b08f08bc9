#pragma once

// The applications installed for the desktop: their .desktop entries.
#include <string>
#include <vector>

namespace vantora {

struct InstalledApplication {
    // The entry's file name without ".desktop": the app id Wayland
    // compositors give the application's windows.
    std::string id;
    std::string name;
};

// Every entry of Type=Application in the applications folders of
// $XDG_DATA_HOME and $XDG_DATA_DIRS (their defaults when unset), the first
// of an id winning, sorted by name. Unreadable files are left out.
std::vector<InstalledApplication> ListInstalledApplications();

}  // namespace vantora
