// The program's entry. Until the main window exists it settles the language,
// prepares the data folder and reports what it found.
#include "app/config.h"
#include "app/folders.h"
#include "app/language.h"
#include "i18n/strings.h"

#include <cstdio>
#include <string>

int main() {
    using namespace vantora;
    const int language = ChooseLanguage();
    const std::string dataFolder = GetDataFolder();
    const bool haveDataFolder = EnsureDirectory(dataFolder + "db");
    std::string caption = ReadConfigString(std::to_string(language));
    if (caption.empty()) {
        caption = GetUiString(1);
    }
    std::printf("%s\n", caption.c_str());
    std::printf("  language:    %d\n", language);
    std::printf("  config.ini:  %s\n", ConfigFilePath().c_str());
    std::printf("  keyboard:    VID %s, PID %s, layout %d\n", ReadConfigString("VID ").c_str(),
                ReadConfigString("PID ").c_str(), ReadConfigInt("LAYOUT"));
    std::printf("  data folder: %s%s\n", dataFolder.c_str(), haveDataFolder ? "" : " (cannot be created)");
    std::printf("  status:      %s\n", GetUiString(2).c_str());
    return 0;
}
