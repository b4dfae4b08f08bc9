#include "platform/installed_applications.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include "platform/desktop_entry.h"

namespace vantora {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> DataFolders() {
    std::vector<std::string> folders;
    const char* home = std::getenv("HOME");
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && *dataHome != '\0') {
        folders.emplace_back(dataHome);
    } else if (home != nullptr && *home != '\0') {
        folders.push_back(std::string(home) + "/.local/share");
    }
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::stringstream dirs(dataDirs != nullptr && *dataDirs != '\0' ? dataDirs
                                                                    : "/usr/local/share:/usr/share");
    for (std::string folder; std::getline(dirs, folder, ':');) {
        if (!folder.empty()) {
            folders.push_back(folder);
        }
    }
    return folders;
}

}  // namespace

std::vector<InstalledApplication> ListInstalledApplications() {
    std::vector<InstalledApplication> apps;
    std::set<std::string> seen;
    for (const std::string& folder : DataFolders()) {
        std::error_code ec;
        fs::directory_iterator it(folder + "/applications", ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            const fs::path& path = it->path();
            if (path.extension() != ".desktop" || !seen.insert(path.stem().string()).second) {
                continue;
            }
            DesktopEntry entry;
            std::string error;
            if (ReadDesktopEntry(path.string(), entry, error) && entry.type == "Application") {
                apps.push_back(
                    {path.stem().string(), entry.name.empty() ? path.stem().string() : entry.name});
            }
        }
    }
    std::sort(apps.begin(), apps.end(), [](const InstalledApplication& a, const InstalledApplication& b) {
        return a.name != b.name ? a.name < b.name : a.id < b.id;
    });
    return apps;
}

}  // namespace vantora
