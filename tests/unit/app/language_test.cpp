#include "app/language.h"
#include "i18n/strings.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace vantora {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        env_.Set("HOME", dir_.path() + "home");
        env_.Set("XDG_CONFIG_HOME", dir_.path() + "config");
        env_.Unset("LC_ALL");
        env_.Unset("LC_MESSAGES");
        env_.Set("LANG", "en_US.UTF-8");
        CurrentUiLanguage = 2052;
    }
    void TearDown() override { CurrentUiLanguage = 2052; }

    std::string Config(const std::string& switches) {
        return dir_.WriteFile("config.ini", "[TEXT]\n" + switches);
    }
    std::string AllSwitches(int value) {
        std::string text;
        for (const char* key : {"LAN_CHINESE ", "LAN_ENGLISH", "LAN_RUSSIAN", "LAN_FRENCH", "LAN_THAI",
                                "LAN_ARABIC", "LAN_TURKISH", "LAN_TRADITIONAL", "LAN_ITALIAN", "LAN_SPANISH",
                                "LAN_PORTUGUESE"}) {
            text += std::string(key) + "=" + std::to_string(value) + "\n";
        }
        return Config(text);
    }
    std::string Settings() { return dir_.path() + "config/VANTORA/VANTORA.conf"; }

    test::TempDir dir_;
    test::EnvGuard env_;
};

TEST_F(LanguageTest, SettingsFileIsInTheConfigHome) {
    EXPECT_EQ(LanguageSettingsFile(), Settings());
}

TEST_F(LanguageTest, MissingStoreIsCreatedAndReadsZero) {
    EXPECT_EQ(ReadLanguageSetting(), 0);
    std::ifstream created(Settings());
    EXPECT_TRUE(created.good());
    EXPECT_EQ(ReadLanguageSetting(), 0);
}

TEST_F(LanguageTest, StoreThatCannotBeCreatedReads2052) {
    // A plain file where the settings folder should go.
    dir_.WriteFile("config/VANTORA", "not a folder");
    EXPECT_EQ(ReadLanguageSetting(), 2052);
    WriteLanguageSetting(1049);  // silently does nothing
    EXPECT_EQ(ReadLanguageSetting(), 2052);
}

TEST_F(LanguageTest, WrittenValueIsReadBackAndOtherLinesAreKept) {
    dir_.WriteFile("config/VANTORA/VANTORA.conf", "OTHER=1\nLCID=1036\n");
    WriteLanguageSetting(1049);
    EXPECT_EQ(ReadLanguageSetting(), 1049);
    EXPECT_EQ(ReadAll(Settings()), "OTHER=1\nLCID=1049\n");
}

TEST_F(LanguageTest, StoredTextThatIsNotANumberReadsZero) {
    dir_.WriteFile("config/VANTORA/VANTORA.conf", "LCID=Russian\n");
    EXPECT_EQ(ReadLanguageSetting(), 0);
    dir_.WriteFile("config/VANTORA/VANTORA.conf", "LCID=\n");
    EXPECT_EQ(ReadLanguageSetting(), 0);
    dir_.WriteFile("config/VANTORA/VANTORA.conf", "LCID=-5\n");
    EXPECT_EQ(ReadLanguageSetting(), 0);
    dir_.WriteFile("config/VANTORA/VANTORA.conf", "LCID=99999999999999999999\n");
    EXPECT_EQ(ReadLanguageSetting(), 0);
    dir_.WriteFile("config/VANTORA/VANTORA.conf", "LCID=1049\r\n");
    EXPECT_EQ(ReadLanguageSetting(), 1049);
}

TEST_F(LanguageTest, StoredChoiceWinsOverTheSwitches) {
    dir_.WriteFile("config/VANTORA/VANTORA.conf", "LCID=1049\n");
    env_.Set("LANG", "fr_FR.UTF-8");
    EXPECT_EQ(ChooseLanguage(AllSwitches(0)), 1049);
    EXPECT_EQ(CurrentUiLanguage.load(), 1049);
}

TEST_F(LanguageTest, NotANumberBehavesLikeNoValue) {
    dir_.WriteFile("config/VANTORA/VANTORA.conf", "LCID=abc\n");
    env_.Set("LANG", "ru_RU.UTF-8");
    EXPECT_EQ(ChooseLanguage(AllSwitches(1)), 1049);
    EXPECT_EQ(ReadLanguageSetting(), 1049);
}

TEST_F(LanguageTest, FirstStartKeepsAnAllowedUserLanguageAndStoresIt) {
    env_.Set("LANG", "ru_RU.UTF-8");
    EXPECT_EQ(ChooseLanguage(Config("LAN_RUSSIAN=1\n")), 1049);
    EXPECT_EQ(CurrentUiLanguage.load(), 1049);
    EXPECT_EQ(ReadAll(Settings()), "LCID=1049\n");
}

TEST_F(LanguageTest, FirstStartFallsBackToEnglishWhenTheSwitchIsOff) {
    env_.Set("LANG", "ru_RU.UTF-8");
    EXPECT_EQ(ChooseLanguage(Config("LAN_RUSSIAN=0\n")), 1033);
    EXPECT_EQ(ReadLanguageSetting(), 1033);
}

TEST_F(LanguageTest, MissingConfigFileGivesEnglish) {
    env_.Set("LANG", "fr_FR.UTF-8");
    EXPECT_EQ(ChooseLanguage(dir_.path() + "no-config.ini"), 1033);
}

TEST_F(LanguageTest, StoreThatCannotBeCreatedGives2052) {
    dir_.WriteFile("config/VANTORA", "not a folder");
    env_.Set("LANG", "ru_RU.UTF-8");
    EXPECT_EQ(ChooseLanguage(AllSwitches(1)), 2052);
    EXPECT_EQ(CurrentUiLanguage.load(), 2052);
}

TEST_F(LanguageTest, EveryAllowedLanguageIsKeptOnlyWithItsSwitch) {
    struct Row {
        const char* locale;
        const char* key;
        int langId;
    };
    const Row rows[] = {
        {"zh_CN.UTF-8", "LAN_CHINESE ", 2052}, {"ru_RU.UTF-8", "LAN_RUSSIAN", 1049},
        {"fr_FR.UTF-8", "LAN_FRENCH", 1036},   {"th_TH.UTF-8", "LAN_THAI", 1054},
        {"ar_EG.UTF-8", "LAN_ARABIC", 1025},   {"tr_TR.UTF-8", "LAN_TURKISH", 1055},
        {"zh_TW.UTF-8", "LAN_TRADITIONAL", 1028}, {"it_IT.UTF-8", "LAN_ITALIAN", 1040},
        {"es_ES.UTF-8", "LAN_SPANISH", 3082},  {"pt_PT.UTF-8", "LAN_PORTUGUESE", 2070},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.locale);
        env_.Set("LANG", row.locale);
        std::remove(Settings().c_str());
        EXPECT_EQ(ChooseLanguage(Config(std::string(row.key) + "=1\n")), row.langId);
        std::remove(Settings().c_str());
        EXPECT_EQ(ChooseLanguage(Config(std::string(row.key) + "=0\n")), 1033);
        std::remove(Settings().c_str());
        // Another language's switch does not help.
        EXPECT_EQ(ChooseLanguage(Config(row.langId == 1049 ? "LAN_FRENCH=1\n" : "LAN_RUSSIAN=1\n")), 1033);
    }
}

TEST_F(LanguageTest, LanguagesWithoutATableOrOtherVariantsGiveEnglish) {
    for (const char* locale : {"pt_BR.UTF-8", "es_MX.UTF-8", "de_DE.UTF-8", "ja_JP.UTF-8", "C", "POSIX"}) {
        SCOPED_TRACE(locale);
        env_.Set("LANG", locale);
        std::remove(Settings().c_str());
        EXPECT_EQ(ChooseLanguage(AllSwitches(1)), 1033);
    }
}

TEST_F(LanguageTest, LocaleVariablesAreConsultedInOrder) {
    env_.Set("LANG", "fr_FR.UTF-8");
    env_.Set("LC_MESSAGES", "it_IT.UTF-8");
    EXPECT_EQ(UserDefaultUiLanguage(), 1040);
    env_.Set("LC_ALL", "tr_TR.UTF-8");
    EXPECT_EQ(UserDefaultUiLanguage(), 1055);
    env_.Set("LC_ALL", "");
    EXPECT_EQ(UserDefaultUiLanguage(), 1040);
    env_.Unset("LC_MESSAGES");
    env_.Unset("LANG");
    EXPECT_EQ(UserDefaultUiLanguage(), 1033);
}

TEST(LangIdFromLocale, MapsPosixLocalesToWindowsLanguageIds) {
    EXPECT_EQ(LangIdFromLocale("ru_RU"), 1049);
    EXPECT_EQ(LangIdFromLocale("zh_CN.UTF-8"), 2052);
    EXPECT_EQ(LangIdFromLocale("zh_TW.UTF-8"), 1028);
    EXPECT_EQ(LangIdFromLocale("zh_HK.UTF-8"), 1028);
    EXPECT_EQ(LangIdFromLocale("fr_FR.UTF-8"), 1036);
    EXPECT_EQ(LangIdFromLocale("fr_CA.UTF-8"), 3084);
    EXPECT_EQ(LangIdFromLocale("th_TH.UTF-8"), 1054);
    EXPECT_EQ(LangIdFromLocale("ar_SA.UTF-8"), 1025);
    EXPECT_EQ(LangIdFromLocale("ar_MA"), 1025);
    EXPECT_EQ(LangIdFromLocale("tr_TR.UTF-8"), 1055);
    EXPECT_EQ(LangIdFromLocale("it_IT.UTF-8"), 1040);
    EXPECT_EQ(LangIdFromLocale("es_ES.UTF-8@euro"), 3082);
    EXPECT_EQ(LangIdFromLocale("es_MX.UTF-8"), 2058);
    EXPECT_EQ(LangIdFromLocale("pt_PT.UTF-8"), 2070);
    EXPECT_EQ(LangIdFromLocale("pt_BR.UTF-8"), 1046);
    EXPECT_EQ(LangIdFromLocale("en_US.UTF-8"), 1033);
    EXPECT_EQ(LangIdFromLocale("C.UTF-8"), 1033);
    EXPECT_EQ(LangIdFromLocale("POSIX"), 1033);
    EXPECT_EQ(LangIdFromLocale(""), 1033);
    EXPECT_EQ(LangIdFromLocale("xx_YY"), 1033);
}

}  // namespace
}  // namespace vantora
