#include "platform/instance_paths.h"

#include "app/runtime_folder.h"

namespace vantora {
namespace {

std::string InFolder(const char* name, std::string* error) {
    const std::string folder = InstanceFolder(error);
    return folder.empty() ? std::string() : folder + "/" + name;
}

}  // namespace

std::string InstanceFolder(std::string* error) {
    return UserRuntimeFolder(error);
}

std::string InstanceSocketPath(std::string* error) {
    return InFolder("VANTORA.instance", error);
}

std::string KeyboardLockPath(std::string* error) {
    return InFolder("VANTORA.keyboard.lock", error);
}

}  // namespace vantora
