#include "app/language.h"

#include "app/config.h"
#include "app/folders.h"
#include "app/ini_reader.h"
#include "i18n/strings.h"
#include "text/regular_file.h"

#include <sys/stat.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace vantora {
namespace {

constexpr const char* kLcidKey = "LCID";
// The settings file holds one line; more than this is not read.
constexpr std::size_t kMaxSettingsBytes = 64 * 1024;

std::string SettingsFolder() {
    return GetConfigHome() + "/VANTORA";
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// The value of "key=..." in the settings text, if there is such a line.
bool FindSetting(const std::string& text, const std::string& wanted, std::string& value) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        std::string key = line.substr(0, eq);
        key.erase(0, key.find_first_not_of(" \t"));
        key.erase(key.find_last_not_of(" \t") + 1);
        if (key == wanted) {
            value = line.substr(eq + 1);
            return true;
        }
    }
    return false;
}

// The text stored under LCID is a decimal number; anything else counts as none.
int ParseStoredLanguage(const std::string& value) {
    std::size_t i = value.find_first_not_of(" \t");
    if (i == std::string::npos || value[i] < '0' || value[i] > '9') {
        return 0;
    }
    long result = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9' && result < 0x10000; ++i) {
        result = result * 10 + (value[i] - '0');
    }
    return result < 0x10000 ? static_cast<int>(result) : 0;
}

struct LocaleEntry {
    const char* name;  // "ll" or "ll_TT"
    int langId;
};

// Windows LANGIDs of common locales. Language-only rows apply to every
// territory not listed with its own row.
constexpr std::array kLocaleTable = {
    LocaleEntry{"zh_CN", 2052},  LocaleEntry{"zh_SG", 4100},  LocaleEntry{"zh_TW", 1028},
    LocaleEntry{"zh_HK", 1028},  LocaleEntry{"zh_MO", 1028},  LocaleEntry{"zh", 2052},
    LocaleEntry{"ru", 1049},     LocaleEntry{"fr_BE", 2060},  LocaleEntry{"fr_CA", 3084},
    LocaleEntry{"fr_CH", 4108},  LocaleEntry{"fr_LU", 5132},  LocaleEntry{"fr", 1036},
    LocaleEntry{"th", 1054},     LocaleEntry{"ar", 1025},     LocaleEntry{"tr", 1055},
    LocaleEntry{"it_CH", 2064},  LocaleEntry{"it", 1040},     LocaleEntry{"es_ES", 3082},
    LocaleEntry{"es_MX", 2058},  LocaleEntry{"es_AR", 11274}, LocaleEntry{"es_CO", 9226},
    LocaleEntry{"es_CL", 13322}, LocaleEntry{"es_US", 21514}, LocaleEntry{"es", 3082},
    LocaleEntry{"pt_BR", 1046},  LocaleEntry{"pt", 2070},     LocaleEntry{"en_GB", 2057},
    LocaleEntry{"en_AU", 3081},  LocaleEntry{"en_CA", 4105},  LocaleEntry{"en", 1033},
    LocaleEntry{"de", 1031},     LocaleEntry{"ja", 1041},     LocaleEntry{"ko", 1042},
    LocaleEntry{"nl", 1043},     LocaleEntry{"pl", 1045},     LocaleEntry{"uk", 1058},
    LocaleEntry{"cs", 1029},     LocaleEntry{"sv", 1053},     LocaleEntry{"vi", 1066},
};

std::string EnvOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

}  // namespace

std::string LanguageSettingsFile() {
    return SettingsFolder() + "/VANTORA.conf";
}

int ReadLanguageSetting() {
    const std::string file = LanguageSettingsFile();
    if (!FileExists(file)) {
        // No store yet: create it, as the registry key is created on first use.
        if (!EnsureDirectory(SettingsFolder())) {
            return 2052;
        }
        std::ofstream create(file, std::ios::binary | std::ios::app);
        return create ? 0 : 2052;
    }
    std::string text;
    std::string error;
    if (ReadRegularFile(file, kMaxSettingsBytes, text, error) == FileRead::kFailed) {
        return 2052;
    }
    std::string value;
    return FindSetting(text, kLcidKey, value) ? ParseStoredLanguage(value) : 0;
}

std::string ReadStoredSetting(const std::string& key) {
    std::string text;
    std::string error;
    if (ReadRegularFile(LanguageSettingsFile(), kMaxSettingsBytes, text, error) == FileRead::kFailed) {
        return {};
    }
    std::string value;
    FindSetting(text, key, value);
    return value;
}

void WriteLanguageSetting(int language) {
    WriteStoredSetting(kLcidKey, std::to_string(language));
}

bool WriteStoredSetting(const std::string& key, const std::string& value) {
    const std::string file = LanguageSettingsFile();
    if (!EnsureDirectory(SettingsFolder())) {
        return false;
    }
    // Keep every other line of the file; replace or append the key's line.
    std::vector<std::string> lines;
    {
        std::string text;
        std::string error;
        ReadRegularFile(file, kMaxSettingsBytes, text, error);
        std::istringstream in(text);
        std::string line;
        while (std::getline(in, line)) {
            std::string ignored;
            if (!FindSetting(line, key, ignored)) {
                lines.push_back(line);
            }
        }
    }
    lines.push_back(key + "=" + value);
    std::string contents;
    for (const auto& line : lines) {
        contents += line + '\n';
    }
    std::string error;
    return ReplaceFile(file, contents, error);
}

int LangIdFromLocale(const std::string& locale) {
    // "ll_TT.codeset@modifier": keep "ll_TT".
    std::string name = locale.substr(0, locale.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX") {
        return 1033;
    }
    const std::string language = name.substr(0, name.find('_'));
    for (const auto& entry : kLocaleTable) {
        if (name == entry.name) {
            return entry.langId;
        }
    }
    for (const auto& entry : kLocaleTable) {
        if (language == entry.name) {
            return entry.langId;
        }
    }
    return 1033;
}

int UserDefaultUiLanguage() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const std::string value = EnvOrEmpty(variable);
        if (!value.empty()) {
            return LangIdFromLocale(value);
        }
    }
    return 1033;
}

int ChooseLanguage() {
    return ChooseLanguage(ConfigFilePath());
}

int ChooseLanguage(const std::string& configFile) {
    const int stored = ReadLanguageSetting();
    CurrentUiLanguage = stored;
    if (stored != 0) {
        return stored;
    }
    struct Allowed {
        int langId;
        const char* key;
    };
    static constexpr std::array kSwitches = {
        Allowed{2052, "LAN_CHINESE "},    Allowed{1049, "LAN_RUSSIAN"}, Allowed{1036, "LAN_FRENCH"},
        Allowed{1054, "LAN_THAI"},        Allowed{1025, "LAN_ARABIC"},  Allowed{1055, "LAN_TURKISH"},
        Allowed{1028, "LAN_TRADITIONAL"}, Allowed{1040, "LAN_ITALIAN"}, Allowed{3082, "LAN_SPANISH"},
        Allowed{2070, "LAN_PORTUGUESE"},
    };
    // English is the fallback whatever its switch says; it is read all the same.
    (void)ReadConfigIntFrom(configFile, "LAN_ENGLISH");
    const int user = UserDefaultUiLanguage();
    int chosen = 1033;
    for (const auto& entry : kSwitches) {
        if (entry.langId == user) {
            if (ReadConfigIntFrom(configFile, entry.key) != 0) {
                chosen = user;
            }
            break;
        }
    }
    CurrentUiLanguage = chosen;
    WriteLanguageSetting(chosen);
    return chosen;
}

}  // namespace vantora
