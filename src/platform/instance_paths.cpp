#include "platform/instance_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace vantora {
namespace {

// $XDG_RUNTIME_DIR when it names an existing folder by an absolute path.
std::string RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (runtime != nullptr && runtime[0] == '/' && ::stat(runtime, &info) == 0 && S_ISDIR(info.st_mode)) {
        return runtime;
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

std::string UserSuffix() {
    return std::to_string(::getuid());
}

}  // namespace

std::string InstanceSocketPath() {
    const std::string runtime = RuntimeFolder();
    if (!runtime.empty()) {
        return runtime + "/VANTORA.instance";
    }
    return TemporaryFolder() + "/VANTORA-" + UserSuffix();
}

std::string KeyboardLockPath() {
    const std::string runtime = RuntimeFolder();
    if (!runtime.empty()) {
        return runtime + "/VANTORA.keyboard.lock";
    }
    return TemporaryFolder() + "/VANTORA-" + UserSuffix() + ".keyboard.lock";
}

}  // namespace vantora
