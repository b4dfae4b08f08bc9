#include "app/sdk_server_settings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/config.h"
#include "app/folders.h"
#include "app/ini_reader.h"

namespace vantora {
namespace {

constexpr const char* kSection = "TEXT";

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    const std::string x = Trimmed(a);
    const std::string y = Trimmed(b);
    return std::equal(x.begin(), x.end(), y.begin(), y.end(), [](char p, char q) {
        return std::tolower(static_cast<unsigned char>(p)) == std::tolower(static_cast<unsigned char>(q));
    });
}

// The section a "[name]" line opens, nothing for other lines.
bool SectionLine(const std::string& line, std::string& name) {
    const std::string text = Trimmed(line);
    if (text.size() < 2 || text.front() != '[' || text.back() != ']') {
        return false;
    }
    name = text.substr(1, text.size() - 2);
    return true;
}

}  // namespace

SdkServerSettings ReadSdkServerSettings(const std::string& configFile) {
    SdkServerSettings settings;
    // The user's config.ini is read over any program folder's (the dialog writes there).
    auto read = [&configFile](const char* key) {
        const auto value = ReadLayeredConfigValue(UserConfigFilePath(), configFile, key);
        return value ? ParseProfileInt(*value) : 0;
    };
    settings.enabled = read(kSdkServerKey) == 1;
    const int port = read(kSdkPortKey);
    settings.port = port >= 1 && port <= 65535 ? port : kDefaultSdkPort;
    return settings;
}

bool WriteSdkServerSettings(const SdkServerSettings& settings) {
    const std::string file = UserConfigFilePath();
    if (!EnsureDirectory(std::filesystem::path(file).parent_path().string())) {
        return false;
    }
    return WriteIniValue(file, kSdkServerKey, settings.enabled ? "1" : "0") &&
           WriteIniValue(file, kSdkPortKey, std::to_string(settings.port));
}

bool WriteIniValue(const std::string& file, const std::string& key, const std::string& value) {
    std::vector<std::string> lines;
    {
        std::ifstream in(file, std::ios::binary);
        std::string line;
        while (in && std::getline(in, line)) {
            lines.push_back(line);
        }
    }
    const std::string entry = key + "=" + value;
    bool inSection = false;
    std::ptrdiff_t sectionEnd = -1;  // the line after the section's last line
    bool done = false;
    for (std::size_t i = 0; i < lines.size() && !done; ++i) {
        std::string name;
        if (SectionLine(lines[i], name)) {
            if (inSection) {
                break;
            }
            inSection = SameName(name, kSection);
            if (inSection) {
                sectionEnd = static_cast<std::ptrdiff_t>(i) + 1;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        const auto equals = lines[i].find('=');
        const std::string text = Trimmed(lines[i]);
        if (equals != std::string::npos && !text.empty() && text.front() != ';' &&
            SameName(lines[i].substr(0, equals), key)) {
            lines[i] = entry;
            done = true;
        } else if (!text.empty()) {
            sectionEnd = static_cast<std::ptrdiff_t>(i) + 1;
        }
    }
    if (!done) {
        if (sectionEnd < 0) {
            lines.push_back(std::string("[") + kSection + "]");
            sectionEnd = static_cast<std::ptrdiff_t>(lines.size());
        }
        lines.insert(lines.begin() + sectionEnd, entry);
    }
    std::string contents;
    for (const std::string& line : lines) {
        contents += line + '\n';
    }
    std::string error;
    return ReplaceFile(file, contents, error);
}

}  // namespace vantora
