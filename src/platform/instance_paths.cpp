#include "platform/instance_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vantora {
namespace {

// $XDG_RUNTIME_DIR when it names an existing folder by an absolute path.
std::string RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (runtime != nullptr && runtime[0] == '/' && ::stat(runtime, &info) == 0 && S_ISDIR(info.st_mode)) {
        std::string folder = runtime;
        while (folder.size() > 1 && folder.back() == '/') {
            folder.pop_back();
        }
        return folder;
    }
    return {};
}

std::string TemporaryFolder() {
    const char* temporary = std::getenv("TMPDIR");
    std::string folder = temporary != nullptr && temporary[0] == '/' ? temporary : "/tmp";
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

std::string Refuse(std::string* error, const std::string& folder, const std::string& reason) {
    if (error != nullptr) {
        *error = "The folder " + folder + " for the program's socket and lock " + reason +
                 "; remove it or set XDG_RUNTIME_DIR to a folder of your own.";
    }
    return {};
}

// The per-user folder in the temporary folder: made when missing, then
// accepted only as this user's private folder.
std::string PrivateTemporaryFolder(std::string* error) {
    const std::string folder = TemporaryFolder() + "/VANTORA-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) == 0) {
        ::chmod(folder.c_str(), 0700);  // whatever the umask
    } else if (errno != EEXIST) {
        return Refuse(error, folder, std::string("cannot be made (") + std::strerror(errno) + ")");
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        return Refuse(error, folder, std::string("cannot be checked (") + std::strerror(errno) + ")");
    }
    if (S_ISLNK(info.st_mode)) {
        return Refuse(error, folder, "is a symbolic link");
    }
    if (!S_ISDIR(info.st_mode)) {
        return Refuse(error, folder, "is not a folder");
    }
    if (info.st_uid != ::getuid()) {
        return Refuse(error, folder, "belongs to another user (uid " + std::to_string(info.st_uid) + ")");
    }
    if ((info.st_mode & 0777) != 0700) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return Refuse(error, folder, std::string("has mode ") + mode + " instead of 0700");
    }
    return folder;
}

std::string InFolder(const char* name, std::string* error) {
    const std::string folder = InstanceFolder(error);
    return folder.empty() ? std::string() : folder + "/" + name;
}

}  // namespace

std::string InstanceFolder(std::string* error) {
    std::string runtime = RuntimeFolder();
    if (!runtime.empty()) {
        return runtime;
    }
    return PrivateTemporaryFolder(error);
}

std::string InstanceSocketPath(std::string* error) {
    return InFolder("VANTORA.instance", error);
}

std::string KeyboardLockPath(std::string* error) {
    return InFolder("VANTORA.keyboard.lock", error);
}

}  // namespace vantora
