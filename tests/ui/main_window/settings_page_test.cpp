// The SETTING page: the game switches and "Restore Factory".
#include "main_window_fixture.h"

namespace vantora::test {
namespace {

class SettingsPageTest : public MainWindowTest {
protected:
    void OpenOnSettingPage() {
        OpenConnected();
        Click(VisibleTab(kTabSetting));
        ASSERT_EQ(window->CurrentPageId(), kTabSetting);
    }
    std::string Stored(const char* key) {
        std::string value;
        window->Database().GetConfig(key, value);
        return value;
    }
    int ProfileCount() {
        std::vector<ProfileItem> list;
        return window->Database().ListProfiles(list);
    }
};

TEST_F(SettingsPageTest, SwitchesAreStoredAndWrittenToOffset17) {
    OpenOnSettingPage();
    Click(Control(kIdDisableAltF4));
    EXPECT_EQ(Stored("disable_altf4"), "1");
    EXPECT_EQ(Stored("disable_win"), "0");
    QTRY_COMPARE_WITH_TIMEOUT(SwitchByte(), std::uint8_t{0x04}, 10000);
    Click(Control(kIdDisableWin));
    QTRY_COMPARE_WITH_TIMEOUT(SwitchByte(), std::uint8_t{0x05}, 10000);
    Click(Control(kIdDisableAltF4));
    EXPECT_EQ(Stored("disable_altf4"), "0");
    QTRY_COMPARE_WITH_TIMEOUT(SwitchByte(), std::uint8_t{0x01}, 10000);
}

TEST_F(SettingsPageTest, LoadSwitchesShowsOnlyExactOnesAsOn) {
    OpenOnSettingPage();
    auto& db = window->Database();
    db.SetConfig("disable_win", "1");
    db.SetConfig("disable_alttab", "01");
    db.SetConfig("disable_altf4", "yes");
    window->OnSwitchesLoaded(LoadSystemSwitches(window->Database()));
    EXPECT_TRUE(Control<CCheckButton>(kIdDisableWin)->GetCheck());
    EXPECT_FALSE(Control<CCheckButton>(kIdDisableAltTab)->GetCheck());
    EXPECT_FALSE(Control<CCheckButton>(kIdDisableAltF4)->GetCheck());
}

TEST_F(SettingsPageTest, RestoreFactoryAnsweredNoChangesNothing) {
    OpenOnSettingPage();
    Click(Control(kIdDisableWin));
    QTRY_COMPARE_WITH_TIMEOUT(SwitchByte(), std::uint8_t{0x01}, 10000);
    ASSERT_GT(window->Database().AddProfile("Work"), 0);
    window->Database().AddMacro("Macro");
    window->OnMacrosLoaded(window->Session().LoadMacros());
    Control(kIdMacroDelay)->SetTitle("25");

    AnswerNextBox(34);
    Click(Control(kIdRestoreFactory));
    QTRY_VERIFY(boxText.has_value());
    EXPECT_EQ(*boxText, GetUiString(380));
    EXPECT_EQ(ProfileCount(), 4);
    EXPECT_EQ(Stored("disable_win"), "1");
    EXPECT_EQ(Control(kIdMacroDelay)->GetTitle(), "25");
    EXPECT_TRUE(window->Worker()->InitialLoadDone());
    QTest::qWait(50);
    EXPECT_EQ(SwitchByte(), 0x01);
}

TEST_F(SettingsPageTest, RestoreFactoryAnsweredYesWipesResetsTheKeyboardAndReloads) {
    OpenOnSettingPage();
    Click(Control(kIdDisableWin));
    QTRY_COMPARE_WITH_TIMEOUT(SwitchByte(), std::uint8_t{0x01}, 10000);
    auto& db = window->Database();
    ASSERT_EQ(db.AddProfile("Work"), 4);
    db.SetActiveProfile(4);
    db.AddMacro("Macro");
    window->OnMacrosLoaded(window->Session().LoadMacros());
    window->OnProfilesLoaded(window->Session().LoadProfiles());
    ASSERT_EQ(Control<MComboBox>(kIdProfileList)->GetCount(), 4);
    Control(kIdMacroDelay)->SetTitle("25");
    Control(kIdMacroKey)->SetTitle("A");

    AnswerNextBox(33);
    Click(Control(kIdRestoreFactory));
    QTRY_VERIFY(boxText.has_value());
    // At once: the database is empty and the macro fields are cleared.
    EXPECT_EQ(Control(kIdMacroDelay)->GetTitle(), "");
    EXPECT_EQ(Control(kIdMacroKey)->GetTitle(), "");
    EXPECT_EQ(Control<MComboBox>(kIdMacroCommand)->GetCurSel(), 0);
    EXPECT_FALSE(window->Worker()->InitialLoadDone());

    // The keyboard is reset and the pages are loaded again with three
    // default profiles, the first active, the switches off.
    QTRY_COMPARE_WITH_TIMEOUT(SwitchByte(), std::uint8_t{0x00}, 15000);
    auto* profiles = Control<MComboBox>(kIdProfileList);
    QTRY_COMPARE_WITH_TIMEOUT(profiles->GetCount(), 3, 15000);
    EXPECT_EQ(profiles->GetItemText(2), "Profile 3");
    EXPECT_EQ(profiles->GetCurData(), 1);
    EXPECT_EQ(window->CurrentSelection().profile.load(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(Stored("disable_win"), std::string("0"), 5000);
    QTRY_VERIFY(!Control<CCheckButton>(kIdDisableWin)->GetCheck());
    EXPECT_EQ(Control<MacroListBox>(kIdMacroList)->GetCount(), 0);
    // The initial load may run again later (another plug).
    EXPECT_FALSE(window->Worker()->InitialLoadDone());
}

}  // namespace
}  // namespace vantora::test
