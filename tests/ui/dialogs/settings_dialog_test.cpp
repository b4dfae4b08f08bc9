#include "app/close_choice.h"
#include "app/language.h"
#include "i18n/strings.h"
#include "modal_helper.h"
#include "platform/autostart.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"
#include "ui/dialogs/device_sys_set_dlg.h"
#include "ui/dialogs/ui_message_box.h"
#include "ui/toolkit/toolkit.h"
#include "ui/window_messages.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QTest>
#include <fstream>
#include <sstream>

namespace vantora {
namespace {

class Owner : public MDialog {
public:
    std::vector<unsigned> messages;
    std::intptr_t OnWindowMessage(unsigned message, std::uintptr_t, std::intptr_t) override {
        messages.push_back(message);
        return 1;
    }
};

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        env.Set("XDG_CONFIG_HOME", dir.path() + "config");
        savedLanguage = CurrentUiLanguage.load();
        CurrentUiLanguage = 1033;
        owner.Create(nullptr, "main", CRect(0, 0, 300, 200));
    }
    void TearDown() override { CurrentUiLanguage = savedLanguage; }

    // A dialog over `owner` reading `config` (created, not run).
    std::unique_ptr<DeviceSysSetDlg> Open(const std::string& config, int firmware = 0) {
        auto dlg = std::make_unique<DeviceSysSetDlg>();
        dlg->configFile = dir.WriteFile("config.ini", "[TEXT]\n" + config);
        dlg->owner = &owner;
        dlg->firmwareVersion = firmware;
        dlg->Create(&owner, "DeviceSysSetDlg", CRect(0, 0, 600, 390));
        dlg->show();
        return dlg;
    }
    static std::vector<std::string> Items(MComboBox* combo) {
        std::vector<std::string> items;
        for (int i = 0; i < combo->GetCount(); ++i) {
            items.push_back(combo->GetItemText(i));
        }
        return items;
    }
    // Picks the item with `data` as the user does.
    static void Choose(MComboBox* combo, std::intptr_t data) {
        const int index = combo->FindData(data);
        ASSERT_GE(index, 0);
        combo->Widget()->setCurrentIndex(index);
        emit combo->Widget()->activated(index);
    }

    test::TempDir dir;
    test::EnvGuard env;
    Owner owner;
    int savedLanguage = 0;
};

TEST_F(SettingsDialogTest, LanguageListHoldsTheEnabledLanguagesInTableOrder) {
    auto only = Open("LAN_ENGLISH=1\nLAN_FRENCH=0\n");
    EXPECT_EQ(Items(only->GetControlAs<MComboBox>(35)), std::vector<std::string>{"English"});
    auto several = Open("LAN_SPANISH=1\nLAN_RUSSIAN=1\nLAN_CHINESE =1\nLAN_ENGLISH=1\nLAN_THAI=2\n");
    auto* combo = several->GetControlAs<MComboBox>(35);
    EXPECT_EQ(Items(combo), (std::vector<std::string>{"简体中文", "English", "Русский язык", "Spanish"}));
    EXPECT_EQ(combo->GetCurData(), 1033);
    EXPECT_EQ(combo->GetItemData(0), 2052);
}

TEST_F(SettingsDialogTest, ChoosingTheActiveLanguagePostsNothing) {
    auto dlg = Open("LAN_ENGLISH=1\nLAN_FRENCH=1\n");
    auto* combo = dlg->GetControlAs<MComboBox>(35);
    EXPECT_EQ(dlg->OnMessage(35, kNotifyClick, 0, 0), 1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(owner.messages.empty());
    EXPECT_EQ(CurrentUiLanguage.load(), 1033);
    EXPECT_EQ(combo->GetCurData(), 1033);
}

TEST_F(SettingsDialogTest, ChoosingAnotherLanguageAppliesStoresAndTellsTheOwner) {
    auto dlg = Open("LAN_ENGLISH=1\nLAN_FRENCH=1\n");
    const std::string englishTitle = dlg->GetControl(31)->GetTitle();
    Choose(dlg->GetControlAs<MComboBox>(35), 1036);
    EXPECT_EQ(CurrentUiLanguage.load(), 1036);
    EXPECT_EQ(ReadLanguageSetting(), 1036);
    EXPECT_EQ(dlg->GetControl(31)->GetTitle(), GetUiString(501, 1036));
    EXPECT_EQ(dlg->GetControl(37)->GetTitle(), GetUiString(502, 1036));
    EXPECT_EQ(dlg->GetControl(36)->GetTitle(), GetUiString(503, 1036));
    EXPECT_EQ(dlg->GetControl(34)->GetTitle(), GetUiString(505, 1036));
    EXPECT_EQ(dlg->GetControl(32)->GetTooltip(), GetUiString(5, 1036));
    EXPECT_EQ(englishTitle, GetUiString(501, 1033));
    EXPECT_TRUE(owner.messages.empty());  // posted, not sent
    QCoreApplication::processEvents();
    EXPECT_EQ(owner.messages, std::vector<unsigned>{MSG_LANGUAGE_CHANGED});
}

TEST_F(SettingsDialogTest, AutoRunWritesAndRemovesTheAutostartEntry) {
    auto dlg = Open("LAN_ENGLISH=1\n");
    auto* autoRun = dlg->GetControlAs<CCheckButton>(36);
    EXPECT_FALSE(autoRun->GetCheck());
    QTest::mouseClick(autoRun, Qt::LeftButton);
    EXPECT_TRUE(autoRun->GetCheck());
    ASSERT_TRUE(IsAutostartEnabled());
    std::ifstream in(AutostartEntryPath());
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("Exec=" + QuoteExecArgument(RunningExecutablePath())), std::string::npos);
    // A dialog opened now shows the box checked.
    auto again = Open("LAN_ENGLISH=1\n");
    EXPECT_TRUE(again->GetControlAs<CCheckButton>(36)->GetCheck());
    QTest::mouseClick(autoRun, Qt::LeftButton);
    EXPECT_FALSE(IsAutostartEnabled());
}

// The close button's choice is stored with the language and shown again.
TEST_F(SettingsDialogTest, TheCloseButtonsChoiceIsStoredAndShownAgain) {
    auto dlg = Open("LAN_ENGLISH=1\n");
    auto* closeQuits = dlg->GetControlAs<CCheckButton>(44);
    ASSERT_NE(closeQuits, nullptr);
    EXPECT_FALSE(closeQuits->GetCheck());
    QTest::mouseClick(closeQuits, Qt::LeftButton);
    EXPECT_TRUE(CloseButtonQuits());
    EXPECT_TRUE(Open("LAN_ENGLISH=1\n")->GetControlAs<CCheckButton>(44)->GetCheck());
    QTest::mouseClick(closeQuits, Qt::LeftButton);
    EXPECT_FALSE(CloseButtonQuits());
}

TEST_F(SettingsDialogTest, AutoRunFailureIsSilentAndKeepsTheBoxAsClicked) {
    // A file where the folder should be makes the entry impossible to write.
    dir.WriteFile("config/autostart", "not a folder");
    auto dlg = Open("LAN_ENGLISH=1\n");
    auto* autoRun = dlg->GetControlAs<CCheckButton>(36);
    QTest::mouseClick(autoRun, Qt::LeftButton);
    EXPECT_TRUE(autoRun->GetCheck());
    EXPECT_FALSE(IsAutostartEnabled());
}

TEST_F(SettingsDialogTest, VersionLinesComeFromTheConfigurationAndTheKeyboard) {
    auto none = Open("VERSION=1.2.3\nCOPYRIGHT=(C) us\nCAPTION_Y=24\nLOGO2_Y=70\n");
    EXPECT_EQ(none->GetControl(39)->GetTitle(), "1.2.3");
    EXPECT_EQ(none->GetControl(40)->GetTitle(), "Fw Ver: 0");
    EXPECT_EQ(none->GetControl(38)->GetTitle(), "(C) us");
    EXPECT_EQ(none->GetControl(38)->GetTextColor(), 0xFF808080u);
    EXPECT_EQ(none->GetControl(31)->GetRect(), CRect(200, 24, 400, 54));
    EXPECT_EQ(none->GetControl(33)->GetRect().top, 70);
    auto open = Open("", 0x1A2);
    EXPECT_EQ(open->GetControl(40)->GetTitle(), "Fw Ver: 1a2");
}

TEST_F(SettingsDialogTest, UpgradeShowsTheUpToDateNotice) {
    auto dlg = Open("LAN_ENGLISH=1\n");
    std::string notice;
    test::WhenShown<CUIMessageBox>([&](CUIMessageBox* box) {
        notice = box->GetControl(32)->GetTitle();
        QTest::mouseClick(box->GetControl(33), Qt::LeftButton);
    });
    QTest::mouseClick(dlg->GetControl(37), Qt::LeftButton);
    EXPECT_EQ(notice, GetUiString(510));
}

TEST_F(SettingsDialogTest, CloseButtonEndsTheDialogWithCancel) {
    DeviceSysSetDlg dlg;
    dlg.configFile = dir.WriteFile("config.ini", "[TEXT]\nLAN_ENGLISH=1\n");
    dlg.owner = &owner;
    test::WhenShown<DeviceSysSetDlg>(
        [](DeviceSysSetDlg* d) { QTest::mouseClick(d->GetControl(32), Qt::LeftButton); });
    EXPECT_EQ(dlg.Run(), 2);
}

TEST(AutostartTest, ExecValueIsQuotedAndEscaped) {
    EXPECT_EQ(QuoteExecArgument("/opt/vantora/bin/vantora"), "\"/opt/vantora/bin/vantora\"");
    EXPECT_EQ(QuoteExecArgument("/home/a b/100%/x\"y$z"), "\"/home/a b/100%%/x\\\\\"y\\\\$z\"");
    EXPECT_EQ(QuoteExecArgument("/a\\b"), "\"/a\\\\\\\\b\"");
    EXPECT_EQ(QuoteExecArgument("/a\nb"), "\"/a b\"");
}

TEST(AutostartTest, EnableWritesTheEntryAndDisableRemovesIt) {
    test::TempDir dir;
    test::EnvGuard env;
    env.Set("XDG_CONFIG_HOME", dir.path() + "cfg");
    std::string error;
    EXPECT_EQ(AutostartEntryPath(), dir.path() + "cfg/autostart/VANTORA.desktop");
    EXPECT_FALSE(IsAutostartEnabled());
    EXPECT_TRUE(DisableAutostart(error));  // nothing to remove is fine
    ASSERT_TRUE(EnableAutostart("/usr/bin/vantora", error)) << error;
    EXPECT_TRUE(IsAutostartEnabled());
    std::ifstream in(AutostartEntryPath());
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), AutostartEntryText("/usr/bin/vantora"));
    EXPECT_NE(text.str().find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.str().find("Exec=\"/usr/bin/vantora\"\n"), std::string::npos);
    ASSERT_TRUE(EnableAutostart("", error));  // the running program
    EXPECT_TRUE(DisableAutostart(error));
    EXPECT_FALSE(IsAutostartEnabled());
    EXPECT_FALSE(RunningExecutablePath().empty());
}

}  // namespace
}  // namespace vantora
