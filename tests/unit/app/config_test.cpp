#include "app/config.h"
#include "app/folders.h"
#include "app/ini_reader.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vantora {
namespace {

class ConfigTest : public ::testing::Test {
protected:
    std::string Write(const std::string& text) { return dir_.WriteFile("config.ini", text); }
    test::TempDir dir_;
};

TEST_F(ConfigTest, KeyNamesMatchWithoutRegardToBlanksOrCase) {
    const auto file = Write("[TEXT]\nVID=1209\n  pid  =  0001  \nLan_Chinese=1\n");
    EXPECT_EQ(ReadConfigStringFrom(file, "VID "), "1209");
    EXPECT_EQ(ReadConfigStringFrom(file, "PID "), "0001");
    EXPECT_EQ(ReadConfigIntFrom(file, "LAN_CHINESE "), 1);
    EXPECT_EQ(ReadConfigStringFrom(file, "vid"), "1209");
}

TEST_F(ConfigTest, SectionMatchesWithoutRegardToCaseAndOtherSectionsAreIgnored) {
    const auto file = Write("[OTHER]\nLAYOUT=7\n[ text ]\nLAYOUT=3\n[MORE]\nVERSION=x\n");
    EXPECT_EQ(ReadConfigIntFrom(file, "LAYOUT"), 3);
    EXPECT_EQ(ReadConfigStringFrom(file, "VERSION"), "");
}

TEST_F(ConfigTest, FirstSectionAndFirstKeyWin) {
    const auto file = Write("[TEXT]\nLAYOUT=1\nLAYOUT=2\n[TEXT]\nLAYOUT=3\nCOLOR=FF\n");
    EXPECT_EQ(ReadConfigIntFrom(file, "LAYOUT"), 1);
    EXPECT_EQ(ReadConfigStringFrom(file, "COLOR"), "");
}

TEST_F(ConfigTest, MissingFileOrKeyGivesZeroAndEmptyText) {
    EXPECT_EQ(ReadConfigIntFrom(dir_.path() + "absent.ini", "LAYOUT"), 0);
    EXPECT_EQ(ReadConfigStringFrom(dir_.path() + "absent.ini", "VID "), "");
    const auto file = Write("[TEXT]\nLAYOUT=5\n");
    EXPECT_EQ(ReadConfigIntFrom(file, "POLYGON"), 0);
    EXPECT_EQ(ReadConfigStringFrom(file, "VERSION"), "");
}

TEST_F(ConfigTest, IntegersTakeTheLeadingDecimalDigits) {
    const auto file = Write("[TEXT]\nA=12abc\nB=abc\nC= -42\nD=+7\nE=\nF=0x10\nG=4294967297\n");
    EXPECT_EQ(ReadConfigIntFrom(file, "A"), 12);
    EXPECT_EQ(ReadConfigIntFrom(file, "B"), 0);
    EXPECT_EQ(ReadConfigIntFrom(file, "C"), -42);
    EXPECT_EQ(ReadConfigIntFrom(file, "D"), 7);
    EXPECT_EQ(ReadConfigIntFrom(file, "E"), 0);
    EXPECT_EQ(ReadConfigIntFrom(file, "F"), 0);
    EXPECT_EQ(ReadConfigIntFrom(file, "G"), 1);  // wraps like a 32-bit reader
}

TEST_F(ConfigTest, StringsAreTrimmedUnquotedAndCutAt259Characters) {
    const std::string longText(300, 'x');
    const std::string cyrillic(300, 'a');
    std::string wide;
    for (int i = 0; i < 300; ++i) {
        wide += "\xD0\x96";  // a two-byte character
    }
    const auto file = Write("[TEXT]\nQ=\"  quoted  \"\nL=" + longText + "\nW=" + wide + "\nS=a;b\n");
    EXPECT_EQ(ReadConfigStringFrom(file, "Q"), "  quoted  ");
    EXPECT_EQ(ReadConfigStringFrom(file, "L"), std::string(259, 'x'));
    EXPECT_EQ(ReadConfigStringFrom(file, "W").size(), 259u * 2u);
    EXPECT_EQ(ReadConfigStringFrom(file, "S"), "a;b");
}

TEST_F(ConfigTest, CommentsCarriageReturnsAndByteOrderMarks) {
    const auto file = Write("\xEF\xBB\xBF[TEXT]\r\n; LAYOUT=9\r\nLAYOUT=4\r\n");
    EXPECT_EQ(ReadConfigIntFrom(file, "LAYOUT"), 4);
    // UTF-16LE with a mark, as Windows editors save it.
    const std::string ascii = "[TEXT]\r\nVERSION=2.1\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : ascii) {
        utf16 += c;
        utf16 += '\0';
    }
    const auto wide = dir_.WriteFile("wide.ini", utf16);
    EXPECT_EQ(ReadConfigStringFrom(wide, "VERSION"), "2.1");
}

TEST_F(ConfigTest, KeyWithoutEqualsSignReadsAsEmpty) {
    const auto file = Write("[TEXT]\nLAYOUT\nVERSION=1\n");
    EXPECT_EQ(ReadConfigStringFrom(file, "LAYOUT"), "");
    EXPECT_EQ(ReadConfigIntFrom(file, "LAYOUT"), 0);
    EXPECT_EQ(ReadConfigStringFrom(file, "VERSION"), "1");
}

TEST_F(ConfigTest, ReadsAfreshAtEveryCall) {
    const auto file = Write("[TEXT]\nLAYOUT=1\n");
    EXPECT_EQ(ReadConfigIntFrom(file, "LAYOUT"), 1);
    Write("[TEXT]\nLAYOUT=2\n");
    EXPECT_EQ(ReadConfigIntFrom(file, "LAYOUT"), 2);
}

TEST(ConfigFile, LivesInTheProgramFolder) {
    EXPECT_EQ(ConfigFilePath(), GetExeFolder() + "config.ini");
}

TEST_F(ConfigTest, TheUserFileOverridesTheShippedOneKeyByKey) {
    const auto shipped = Write("[TEXT]\nVID=1209\nPID=0001\nLAYOUT=3\nVERSION=1.0\n");
    const auto user = dir_.WriteFile("user/config.ini", "[TEXT]\nvid = 3233\nVERSION=\n[OTHER]\nLAYOUT=9\n");
    EXPECT_EQ(ReadLayeredConfigValue(user, shipped, "VID "), "3233");  // set there: wins
    EXPECT_EQ(ReadLayeredConfigValue(user, shipped, "VERSION"), "");   // set empty: still wins
    EXPECT_EQ(ReadLayeredConfigValue(user, shipped, "PID "), "0001");  // absent: the shipped value
    EXPECT_EQ(ReadLayeredConfigValue(user, shipped, "LAYOUT"), "3");   // other sections do not count
    EXPECT_EQ(ReadLayeredConfigValue(user, shipped, "POLYGON"), std::nullopt);
    EXPECT_EQ(ReadLayeredConfigValue(dir_.path() + "none.ini", shipped, "VID "), "1209");
}

TEST_F(ConfigTest, TheUserFileUnderXdgConfigHomeLaysOverTheShippedFileOnly) {
    test::EnvGuard env;
    env.Set("XDG_CONFIG_HOME", dir_.path() + "xdg");
    EXPECT_EQ(UserConfigFilePath(), dir_.path() + "xdg/VANTORA/config.ini");
    dir_.WriteFile("xdg/VANTORA/config.ini", "[TEXT]\nVID=3233\nLAYOUT=7\n");
    EXPECT_EQ(ReadConfigString("VID "), "3233");
    EXPECT_EQ(ReadConfigIntFrom(ConfigFilePath(), "LAYOUT"), 7);
    // Any other file (a test's program folder, say) is read alone.
    const auto other = Write("[TEXT]\nLAYOUT=2\n");
    EXPECT_EQ(ReadConfigIntFrom(other, "LAYOUT"), 2);
    EXPECT_EQ(ReadConfigStringFrom(other, "VID "), "");
    env.Set("HOME", dir_.path() + "home");
    env.Unset("XDG_CONFIG_HOME");
    EXPECT_EQ(UserConfigFilePath(), dir_.path() + "home/.config/VANTORA/config.ini");
}

TEST(TruncateUtf8, NeverSplitsACharacter) {
    EXPECT_EQ(TruncateUtf8("abc", 2), "ab");
    EXPECT_EQ(TruncateUtf8("\xE4\xB8\xAD\xE6\x96\x87", 1), "\xE4\xB8\xAD");
    EXPECT_EQ(TruncateUtf8("", 5), "");
    EXPECT_EQ(TruncateUtf8("abc", 0), "");
}

}  // namespace
}  // namespace vantora
