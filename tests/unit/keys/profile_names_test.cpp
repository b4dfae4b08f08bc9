#include <gtest/gtest.h>

#include "i18n/strings.h"
#include "keys/profile_names.h"

namespace vantora {
namespace {

TEST(DisplayProfileName, SwapsTheDefaultWordBetweenEnglishAndChinese) {
    const std::string chineseWord = GetUiString(110, 2052);
    EXPECT_EQ(DisplayProfileName("Profile 2", 2052), chineseWord + " 2");
    EXPECT_EQ(DisplayProfileName("Profile", 2052), chineseWord);
    EXPECT_EQ(DisplayProfileName("Work", 2052), "Work");
    EXPECT_EQ(DisplayProfileName("profile 2", 2052), "profile 2");  // case-sensitive
    EXPECT_EQ(DisplayProfileName("Profil", 2052), "Profil");

    EXPECT_EQ(DisplayProfileName("配置方案 3", 1033), "Profile 3");
    EXPECT_EQ(DisplayProfileName(chineseWord + " 3", 1033), "Profile 3");
    EXPECT_EQ(DisplayProfileName("Profile 3", 1033), "Profile 3");
    EXPECT_EQ(DisplayProfileName("配置", 1033), "配置");
    EXPECT_EQ(DisplayProfileName("", 1033), "");
}

TEST(DisplayProfileName, OtherLanguagesShowTheNameAsStored) {
    EXPECT_EQ(DisplayProfileName("Profile 2", 1031), "Profile 2");
    EXPECT_EQ(DisplayProfileName("配置方案 2", 1036), "配置方案 2");
    EXPECT_EQ(DisplayProfileName("Profile 2", 0), "Profile 2");
}

TEST(DefaultProfileWord, IsStringOneHundredTenOfTheLanguage) {
    EXPECT_EQ(DefaultProfileWord(1033), "Profile");
    EXPECT_EQ(DefaultProfileWord(2052), GetUiString(110, 2052));
}

}  // namespace
}  // namespace vantora
