#include "app/folders.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "text/regular_file.h"

namespace vantora {
namespace {

constexpr const char* kDataFolderName = "VANTORA Files/";
// user-dirs.dirs is a few lines; more than this is not read.
constexpr std::size_t kMaxUserDirsBytes = 64 * 1024;

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string EnvOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// user-dirs.dirs holds shell assignments like XDG_DOCUMENTS_DIR="$HOME/Documents".
std::string DocumentsFromUserDirs(const std::string& home) {
    std::string text;
    std::string error;
    ReadRegularFile(GetConfigHome() + "/user-dirs.dirs", kMaxUserDirsBytes, text, error);
    std::istringstream in(text);
    std::string line;
    const std::string prefix = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, prefix.size(), prefix) != 0) {
            continue;
        }
        std::string value = line.substr(start + prefix.size());
        if (value.size() >= 2 && value.front() == '"') {
            const auto close = value.find('"', 1);
            value = value.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        }
        if (value.rfind("$HOME", 0) == 0) {
            value = home + value.substr(5);
        }
        // Only absolute results are meaningful; "$HOME/" alone means the home folder,
        // which the XDG rules treat as "not set".
        if (!value.empty() && value.front() == '/' && value != home && value != home + "/") {
            return value;
        }
        return {};
    }
    return {};
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

}  // namespace

std::string GetExecutableFolder() {
    char buffer[PATH_MAX + 1];
    const ssize_t length = readlink("/proc/self/exe", buffer, PATH_MAX);
    if (length <= 0) {
        return "./";
    }
    std::string path(buffer, static_cast<std::size_t>(length));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string ProgramFolderFor(const std::string& exeFolder) {
    const auto hasConfig = [](const std::string& folder) {
        struct stat info {};
        return stat((folder + "config.ini").c_str(), &info) == 0 && S_ISREG(info.st_mode);
    };
    if (hasConfig(exeFolder)) {
        return exeFolder;
    }
    const std::string installed =
        (std::filesystem::path(exeFolder) / "../share/vantora/").lexically_normal().string();
    return hasConfig(installed) ? installed : exeFolder;
}

std::string GetExeFolder() {
    return ProgramFolderFor(GetExecutableFolder());
}

std::string GetHomeFolder() {
    std::string home = EnvOrEmpty("HOME");
    if (home.empty()) {
        if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
            home = entry->pw_dir;
        }
    }
    return WithoutTrailingSlash(home.empty() ? std::string("/tmp") : home);
}

std::string GetConfigHome() {
    const std::string configHome = EnvOrEmpty("XDG_CONFIG_HOME");
    if (!configHome.empty() && configHome.front() == '/') {
        return WithoutTrailingSlash(configHome);
    }
    return GetHomeFolder() + "/.config";
}

std::string GetDocumentsFolder() {
    const std::string fromEnv = EnvOrEmpty("XDG_DOCUMENTS_DIR");
    if (!fromEnv.empty() && fromEnv.front() == '/') {
        return WithoutTrailingSlash(fromEnv);
    }
    const std::string home = GetHomeFolder();
    const std::string fromFile = DocumentsFromUserDirs(home);
    if (!fromFile.empty()) {
        return WithoutTrailingSlash(fromFile);
    }
    return home + "/Documents";
}

std::string GetDataFolder() {
    return GetDocumentsFolder() + "/" + kDataFolderName;
}

bool ReplaceFile(const std::string& path, const std::string& contents, std::string& error) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << contents;
        out.flush();
        if (!out) {
            error = "cannot write " + temporary;
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool EnsureDirectory(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    if (IsDirectory(path)) {
        return true;
    }
    // Create each prefix that ends before a '/', ignoring errors: existing
    // folders and the root cost nothing, real failures show at the end.
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        mkdir(path.substr(0, slash).c_str(), 0777);
    }
    if (mkdir(path.c_str(), 0777) == 0) {
        return true;
    }
    return errno == EEXIST && IsDirectory(path);
}

bool EnsurePrivateDirectory(const std::string& path) {
    const std::string folder = WithoutTrailingSlash(path);
    if (folder.empty()) {
        return false;
    }
    const auto slash = folder.rfind('/');
    if (slash != std::string::npos && slash > 0 && !EnsureDirectory(folder.substr(0, slash))) {
        return false;
    }
    if (mkdir(folder.c_str(), 0700) == 0) {
        return true;
    }
    if (errno != EEXIST) {
        return false;
    }
    // The folder as it is, never through a symbolic link: only a real
    // folder of this user loses the group's and others' permissions.
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        struct stat info {};
        if (fstat(fd, &info) == 0 && info.st_uid == geteuid() && (info.st_mode & 077) != 0) {
            fchmod(fd, info.st_mode & 0700);
        }
        close(fd);
    }
    return IsDirectory(folder);
}

bool EnsureDataFolder(const std::string& dataFolder) {
    const std::string folder = WithoutTrailingSlash(dataFolder);
    return EnsurePrivateDirectory(folder) && EnsurePrivateDirectory(folder + "/db");
}

}  // namespace vantora
