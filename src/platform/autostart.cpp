#include "platform/autostart.h"

#include "app/folders.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace vantora {
namespace {

std::string AutostartFolder() {
    return GetConfigHome() + "/autostart";
}

}  // namespace

std::string AutostartEntryPath() {
    return AutostartFolder() + "/VANTORA.desktop";
}

std::string RunningExecutablePath() {
    char buffer[PATH_MAX + 1];
    const ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0) {
        return {};
    }
    return std::string(buffer, static_cast<std::size_t>(n));
}

std::string QuoteExecArgument(const std::string& executable) {
    // Inside double quotes '"', '`', '$' and '\' take a backslash; then the
    // whole value is a desktop-entry string, where '\' itself is doubled, and
    // '%' starts a field code unless doubled.
    std::string quoted = "\"";
    for (char c : executable) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (char c : quoted) {
        if (c == '\\') {
            value += "\\\\";
        } else if (c == '%') {
            value += "%%";
        } else if (c == '\n' || c == '\r') {
            value += ' ';  // a line break would end the entry
        } else {
            value += c;
        }
    }
    return value;
}

std::string AutostartEntryText(const std::string& executable) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=VANTORA\n"
           "Comment=VANTORA Keyboard Driver\n"
           "Exec=" +
           QuoteExecArgument(executable) +
           "\n"
           "Icon=vantora\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool IsAutostartEnabled() {
    struct stat info {};
    return stat(AutostartEntryPath().c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool EnableAutostart(const std::string& executable, std::string& error) {
    const std::string program = executable.empty() ? RunningExecutablePath() : executable;
    if (program.empty()) {
        error = "the program's own path is unknown";
        return false;
    }
    if (!EnsureDirectory(AutostartFolder())) {
        error = "cannot create " + AutostartFolder();
        return false;
    }
    return ReplaceFile(AutostartEntryPath(), AutostartEntryText(program), error);
}

bool DisableAutostart(std::string& error) {
    const std::string path = AutostartEntryPath();
    if (std::remove(path.c_str()) == 0 || errno == ENOENT) {
        return true;
    }
    error = "cannot remove " + path + ": " + std::strerror(errno);
    return false;
}

}  // namespace vantora
