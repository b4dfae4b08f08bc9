#include "app/config.h"

#include "app/folders.h"
#include "app/ini_reader.h"

namespace vantora {
namespace {
constexpr const char* kSection = "TEXT";
}

std::string ConfigFilePath() {
    return GetExeFolder() + "config.ini";
}

int ReadConfigIntFrom(const std::string& file, const std::string& key) {
    const auto value = ReadIniValue(file, kSection, key);
    return value ? ParseProfileInt(*value) : 0;
}

std::string ReadConfigStringFrom(const std::string& file, const std::string& key) {
    const auto value = ReadIniValue(file, kSection, key);
    return value ? TruncateUtf8(*value, kConfigStringMaxChars) : std::string();
}

std::string ReadConfigString(const std::string& key) {
    return ReadConfigStringFrom(ConfigFilePath(), key);
}

}  // namespace vantora
