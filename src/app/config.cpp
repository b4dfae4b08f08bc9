#include "app/config.h"

#include <filesystem>

#include "app/folders.h"
#include "app/ini_reader.h"

namespace vantora {
namespace {
constexpr const char* kSection = "TEXT";

bool IsShippedConfig(const std::string& file) {
    return std::filesystem::path(file).lexically_normal() ==
           std::filesystem::path(ConfigFilePath()).lexically_normal();
}

// The user's value first for the shipped file, then the file's own.
std::optional<std::string> ReadConfigValue(const std::string& file, const std::string& key) {
    if (IsShippedConfig(file)) {
        return ReadLayeredConfigValue(UserConfigFilePath(), file, key);
    }
    return ReadIniValue(file, kSection, key);
}

}  // namespace

std::optional<std::string> ReadLayeredConfigValue(const std::string& userFile, const std::string& shippedFile,
                                                  const std::string& key) {
    if (auto value = ReadIniValue(userFile, kSection, key)) {
        return value;
    }
    return ReadIniValue(shippedFile, kSection, key);
}

std::string ConfigFilePath() {
    return GetExeFolder() + "config.ini";
}

std::string UserConfigFilePath() {
    return GetConfigHome() + "/VANTORA/config.ini";
}

int ReadConfigIntFrom(const std::string& file, const std::string& key) {
    const auto value = ReadConfigValue(file, key);
    return value ? ParseProfileInt(*value) : 0;
}

std::string ReadConfigStringFrom(const std::string& file, const std::string& key) {
    const auto value = ReadConfigValue(file, key);
    return value ? TruncateUtf8(*value, kConfigStringMaxChars) : std::string();
}

std::string ReadConfigString(const std::string& key) {
    return ReadConfigStringFrom(ConfigFilePath(), key);
}

}  // namespace vantora
