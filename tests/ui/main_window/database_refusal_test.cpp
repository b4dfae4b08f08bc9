// A change the profile database does not take (here: another program holds
// a write transaction on the file through the whole wait, made short) is said
// where the user made it, as the database being busy, and the window goes
// on: the same click works once the file is free.
#include "main_window_fixture.h"

#include "ui/pages/own_texts.h"

#include <sqlite3.h>

#include "session/system_switches.h"
#include "ui/pages/light_page.h"
#include "ui/pages/macro_page.h"
#include "ui/pages/music_page.h"
#include "ui/pages/page_controller.h"
#include "ui/pages/setting_page.h"

namespace vantora::test {
namespace {

// The wait for a busy database, short here; the program waits seconds.
constexpr int kShortWaitMs = 200;

// Another writer on the window's database file while it lives.
class OtherWriter {
public:
    explicit OtherWriter(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
        locked_ = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~OtherWriter() {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
    }
    bool Locked() const { return locked_; }

private:
    sqlite3* db_ = nullptr;
    bool locked_ = false;
};

TEST_F(MainWindowTest, AnAddTheDatabaseRefusesIsToldAndWorksOnceTheFileIsFree) {
    OpenConnected();
    window->Database().SetBusyTimeout(kShortWaitMs);
    struct Case {
        int tab;
        int button;
        std::function<int()> count;
    };
    const Case cases[] = {
        {kTabDevice, kIdAddProfile, [this] { return Control<MComboBox>(kIdProfileList)->GetCount(); }},
        {kTabMacro, kIdAddMacro, [this] { return Control<MacroListBox>(kIdMacroList)->GetCount(); }},
    };
    for (const Case& c : cases) {
        Click(VisibleTab(c.tab));
        const int before = c.count();
        {
            OtherWriter other(window->Database().DatabasePath());
            ASSERT_TRUE(other.Locked());
            AnswerNextBox(33);
            Click(Control(c.button));
            // (QTRY_VERIFY would end the test silently: Qt's failures do not reach GoogleTest.)
            ASSERT_TRUE(QTest::qWaitFor([this] { return boxText.has_value(); }, 5000)) << c.button;
            EXPECT_EQ(*boxText, GetUiString(ui_text::kDatabaseBusy)) << c.button;
            EXPECT_EQ(c.count(), before) << c.button;
        }
        boxText.reset();
        Click(Control(c.button));
        EXPECT_EQ(c.count(), before + 1) << c.button;
        EXPECT_FALSE(boxText.has_value()) << c.button;
    }
}

// Choices on the LIGHT and MUSIC pages: told, nothing stored, and the light
// mode list goes back to the stored mode.
TEST_F(MainWindowTest, ALightOrMusicChoiceTheDatabaseRefusesIsToldAndNotStored) {
    OpenConnected();
    window->Database().SetBusyTimeout(kShortWaitMs);
    MusicLayer music;
    ASSERT_TRUE(
        QTest::qWaitFor([this, &music] { return window->Database().GetMusicLayer(1, music); }, 10000));
    const int storedMode = window->Database().GetActiveLightMode();
    struct Case {
        int tab;
        int combo;
        std::intptr_t choice;
        std::function<bool()> unchanged;
    };
    const Case cases[] = {
        {kTabLight, kIdLightMode, storedMode == 6 ? 12 : 6,
         [&] {
             return window->Database().GetActiveLightMode() == storedMode &&
                    Control<MComboBox>(kIdLightMode)->GetCurData(-1) == storedMode;
         }},
        {kTabMusic, kIdForegroundScheme, music.foremode == 17 ? 3 : 17,
         [&] {
             MusicLayer now;
             return window->Database().GetMusicLayer(1, now) && now.foremode == music.foremode;
         }},
    };
    for (const Case& c : cases) {
        if (c.tab == kTabLight) {
            Click(VisibleTab(kTabDevice));
            Click(Control(kTabLight));
        } else {
            Click(VisibleTab(c.tab));
        }
        OtherWriter other(window->Database().DatabasePath());
        ASSERT_TRUE(other.Locked());
        AnswerNextBox(33);
        Choose(c.combo, c.choice);
        ASSERT_TRUE(QTest::qWaitFor([this] { return boxText.has_value(); }, 5000)) << c.combo;
        EXPECT_EQ(*boxText, GetUiString(ui_text::kDatabaseBusy)) << c.combo;
        EXPECT_TRUE(c.unchanged()) << c.combo;
        boxText.reset();
    }
}

// A SETTING switch: told, the box shows what is stored, nothing queued.
TEST_F(MainWindowTest, ASwitchTheDatabaseRefusesIsToldAndGoesBack) {
    OpenConnected();
    window->Database().SetBusyTimeout(kShortWaitMs);
    Click(VisibleTab(kTabSetting));
    auto* box = Control<CCheckButton>(kIdDisableWin);
    const bool before = box->GetCheck();
    {
        OtherWriter other(window->Database().DatabasePath());
        ASSERT_TRUE(other.Locked());
        AnswerNextBox(33);
        Click(box);
        ASSERT_TRUE(QTest::qWaitFor([this] { return boxText.has_value(); }, 5000));
        EXPECT_EQ(*boxText, GetUiString(ui_text::kDatabaseBusy));
        EXPECT_EQ(box->GetCheck(), before);
    }
    std::string stored;
    window->Database().GetConfig(SystemSwitchKey(SystemSwitch::kDisableWin), stored);
    EXPECT_EQ(stored == "1", before);
}

// Restore Factory on a busy database: told after the question, nothing
// emptied, the keyboard not reset.
TEST_F(MainWindowTest, ARestoreFactoryTheDatabaseRefusesIsToldAndChangesNothing) {
    OpenConnected();
    window->Database().SetBusyTimeout(kShortWaitMs);
    Click(VisibleTab(kTabSetting));
    Click(Control(kIdDisableWin));
    QTRY_COMPARE_WITH_TIMEOUT(SwitchByte() & 0x01, 0x01, 10000);
    {
        OtherWriter other(window->Database().DatabasePath());
        ASSERT_TRUE(other.Locked());
        WhenShown<CUIMessageBox>([this](CUIMessageBox* question) {
            AnswerNextBox(33);  // the message that follows the Yes
            question->GetControlAs<MButton>(33)->Click();
        });
        Click(Control(kIdRestoreFactory));
        ASSERT_TRUE(QTest::qWaitFor([this] { return boxText.has_value(); }, 5000));
        EXPECT_EQ(*boxText, GetUiString(ui_text::kDatabaseBusy));
    }
    EXPECT_TRUE(window->Worker()->InitialLoadDone());
    WaitForWorkerToCatchUp();
    EXPECT_EQ(SwitchByte() & 0x01, 0x01);
    std::vector<ProfileItem> profiles;
    EXPECT_EQ(window->Database().ListProfiles(profiles), 3);
    std::string stored;
    window->Database().GetConfig("disable_win", stored);
    EXPECT_EQ(stored, "1");
}

}  // namespace
}  // namespace vantora::test
