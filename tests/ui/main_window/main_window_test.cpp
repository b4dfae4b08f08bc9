// The main window: tabs and pages, plugging, the language, shutting down.
#include "keys/function_catalogue.h"
#include "main_window_fixture.h"
#include "ui/dialogs/device_sys_set_dlg.h"
#include "ui/window_messages.h"

#include <QComboBox>
#include <QElapsedTimer>

#include <typeinfo>

namespace vantora::test {
namespace {

TEST_F(MainWindowTest, EveryPageHoldsItsControlsAndOnlyHomeIsShownAtStart) {
    Open();
    // Each of the five page containers has its own row of five tabs.
    for (int id = kTabHome; id <= kTabSetting; ++id) {
        EXPECT_EQ(window->GetControls(id).size(), 5u) << id;
    }
    EXPECT_TRUE(Control(kPageHome)->IsShownInTree());
    for (int page : {kPageDevice, kPageMacro, kPageMusic, kPageSetting}) {
        EXPECT_FALSE(Control(page)->IsShownInTree()) << page;
    }
    // The shipped config.ini places the MUSIC tab (MUSIC=1): every row
    // stacks the five tabs in id order.
    for (int id = kTabHome; id <= kTabSetting; ++id) {
        for (MControl* tab : window->GetControls(id)) {
            EXPECT_EQ(tab->GetRect().left, 16) << id;
            EXPECT_EQ(tab->GetRect().top, 120 + 65 * (id - kTabHome)) << id;
        }
    }
    // Four keyboard pictures, all filled from the layout file.
    const std::vector<int> pictures{kIdKeyPicture, kIdLightPicture, kIdSettingPicture};
    for (int id : pictures) {
        auto* kb = Control<KeyboardCtrl>(id);
        ASSERT_NE(kb, nullptr) << id;
        EXPECT_GT(kb->GetKeyCount(), 100) << id;
    }
    ASSERT_NE(Control<KeyboardCtrl>(kIdKeyPicture, 1), nullptr);
    EXPECT_EQ(Control<KeyboardCtrl>(kIdKeyPicture, 1)->GetKeyCount(),
              Control<KeyboardCtrl>(kIdKeyPicture)->GetKeyCount());
    EXPECT_EQ(Control<KeyboardCtrl>(kIdKeyPicture)->GetKeyboardType(), 1);
    EXPECT_EQ(Control<KeyboardCtrl>(kIdLightPicture)->GetKeyboardType(), 2);
    EXPECT_FALSE(window->LayoutCodeToIndex().empty());
    // Every control lies inside the 1200 x 720 window.
    for (int id = 30; id <= 166; ++id) {
        for (MControl* c : window->GetControls(id)) {
            const CRect r = c->GetRect();
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= 1200 && r.bottom <= 720) << id;
        }
    }
    // The function-type list in its order, "Default" selected.
    auto* types = Control<MComboBox>(kIdFunctionType);
    ASSERT_EQ(types->GetCount(), 10);
    const std::vector<std::intptr_t> data{0, 2, 3, 5, 6, 7, 8, 9, 10, 1};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(types->GetItemData(i), data[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(types->GetCurData(), 0);
    // Title from config.ini in the current language.
    EXPECT_EQ(Control(kIdTitle)->GetTitle(), "VANTORA Keyboard Driver");
    // Ids repeat only for controls of one kind (the tabs, the pictures):
    // two different controls under one id would take each other's clicks.
    for (int id = 1; id < 1000; ++id) {
        const std::vector<MControl*> same = window->GetControls(id);
        for (MControl* c : same) {
            EXPECT_EQ(typeid(*c), typeid(*same.front())) << "id " << id;
        }
    }
}

TEST_F(MainWindowTest, TabsAreRefusedWhileNoKeyboardIsConnected) {
    Open();
    ASSERT_FALSE(window->IsConnected());
    for (int id : {kTabDevice, kTabMacro, kTabSetting, kTabHome}) {
        AnswerNextBox(33);
        Click(VisibleTab(id));
        QTRY_VERIFY(boxText.has_value());
        EXPECT_EQ(*boxText, GetUiString(2));
        EXPECT_EQ(window->CurrentPageId(), kTabHome);
        EXPECT_TRUE(Control(kPageHome)->IsShownInTree());
        if (id != kTabHome) {
            EXPECT_FALSE(Control<CSelectButton>(id)->GetCheck()) << id;
        }
    }
    EXPECT_FALSE(Control(kPageDevice)->IsShownInTree());
}

TEST_F(MainWindowTest, TabsSwitchPagesOnceConnectedAndTheShownTabDoesNothing) {
    OpenConnected();
    Click(VisibleTab(kTabDevice));
    EXPECT_EQ(window->CurrentPageId(), kTabDevice);
    EXPECT_TRUE(Control(kPageDevice)->IsShownInTree());
    EXPECT_FALSE(Control(kPageHome)->IsShownInTree());
    for (MControl* tab : window->GetControls(kTabDevice)) {
        EXPECT_TRUE(qobject_cast<CSelectButton*>(tab)->GetCheck());
    }
    for (MControl* tab : window->GetControls(kTabHome)) {
        EXPECT_FALSE(qobject_cast<CSelectButton*>(tab)->GetCheck());
    }
    // The shown tab clicked again: nothing happens, no message.
    boxText.reset();
    AnswerNextBox(33);
    Click(VisibleTab(kTabDevice));
    QTest::qWait(50);
    EXPECT_FALSE(boxText.has_value());
    EXPECT_EQ(window->CurrentPageId(), kTabDevice);
    EXPECT_TRUE(VisibleTab(kTabDevice)->GetCheck());
    EXPECT_EQ(window->SwitchPage(kTabDevice), 0);

    // Sub-pages.
    Click(Control(kTabLight));
    EXPECT_TRUE(Control(kSubPageLight)->IsShownInTree());
    EXPECT_FALSE(Control(kSubPageKey)->IsShownInTree());
    EXPECT_FALSE(Control<CSelectButton>(kTabKey)->GetCheck());
    EXPECT_EQ(window->SwitchSubPage(kTabLight), 0);
    Click(Control(kTabKey));
    EXPECT_TRUE(Control(kSubPageKey)->IsShownInTree());

    Click(VisibleTab(kTabMacro));
    EXPECT_EQ(window->CurrentPageId(), kTabMacro);
    Click(VisibleTab(kTabSetting));
    EXPECT_EQ(window->CurrentPageId(), kTabSetting);
    EXPECT_TRUE(Control(kIdRestoreFactory)->IsShownInTree());
    Click(VisibleTab(kTabHome));
    EXPECT_EQ(window->CurrentPageId(), kTabHome);
}

TEST_F(MainWindowTest, MusicFlagFollowsTheMusicPageOnly) {
    OpenConnected();
    EXPECT_EQ(window->SwitchPage(kTabMusic), 1);
    EXPECT_TRUE(window->MusicActive());
    EXPECT_EQ(window->SwitchPage(kTabSetting), 1);
    EXPECT_FALSE(window->MusicActive());
    EXPECT_EQ(window->SwitchPage(kTabMacro), 1);
    EXPECT_FALSE(window->MusicActive());
}

TEST_F(MainWindowTest, InitialLoadFillsTheProfileListWithTheFirstRunDefaults) {
    OpenConnected();
    auto* profiles = Control<MComboBox>(kIdProfileList);
    ASSERT_EQ(profiles->GetCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(profiles->GetItemText(i), "Profile " + std::to_string(i + 1));
        EXPECT_EQ(profiles->GetItemData(i), i + 1);
    }
    EXPECT_EQ(profiles->GetCurData(), 1);
    EXPECT_EQ(window->CurrentSelection().profile.load(), 1);
    EXPECT_EQ(window->CurrentSelection().layer.load(), 0);
    EXPECT_TRUE(Control<LayerButton>(kIdStandardLayer)->GetCheck());
    EXPECT_FALSE(Control<LayerButton>(kIdFnLayer)->GetCheck());
}

TEST_F(MainWindowTest, UnpluggingReturnsHomeAndPluggingAgainLoadsThePagesAgain) {
    OpenConnected();
    Click(VisibleTab(kTabSetting));
    ASSERT_EQ(window->CurrentPageId(), kTabSetting);

    keyboard->Unplug();
    QTRY_VERIFY_WITH_TIMEOUT(!window->IsConnected(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(window->CurrentPageId(), static_cast<int>(kTabHome), 5000);
    EXPECT_TRUE(Control(kPageHome)->IsShownInTree());
    EXPECT_FALSE(Control(kPageSetting)->IsShownInTree());
    EXPECT_TRUE(VisibleTab(kTabHome)->GetCheck());

    // A rename behind the list's back shows that the list is loaded again
    // (the keyboard may have changed while away).
    ASSERT_TRUE(window->Database().RenameProfile(1, "Renamed"));
    PlugKeyboard();
    QTRY_VERIFY_WITH_TIMEOUT(window->IsConnected(), 10000);
    WaitForWorkerToCatchUp();
    EXPECT_EQ(Control<MComboBox>(kIdProfileList)->GetItemText(0), "Renamed");
    // The tabs work again.
    Click(VisibleTab(kTabDevice));
    EXPECT_EQ(window->CurrentPageId(), kTabDevice);
}

TEST_F(MainWindowTest, LanguageChosenInTheSettingsDialogRetitlesTheWholeWindowAtOnce) {
    OpenConnected();
    WhenShown<DeviceSysSetDlg>([](DeviceSysSetDlg* dlg) {
        auto* languages = dlg->GetControlAs<MComboBox>(35);
        const int index = languages->FindData(2052);
        ASSERT_GE(index, 0);
        languages->Widget()->setCurrentIndex(index);
        emit languages->Widget()->activated(index);
        dlg->GetControlAs<MButton>(32)->Click();
    });
    Click(Control(kIdSettings));
    QTRY_VERIFY(CurrentUiLanguage.load() == 2052);
    QTRY_COMPARE(Control(kIdTitle)->GetTitle(), std::string("VANTORA 键盘驱动"));
    for (int id = kTabHome; id <= kTabSetting; ++id) {
        for (MControl* tab : window->GetControls(id)) {
            EXPECT_EQ(tab->GetTitle(), GetUiString(30 + id - kTabHome, 2052)) << id;
        }
    }
    EXPECT_EQ(Control(kIdClose)->GetTooltip(), GetUiString(5, 2052));
    EXPECT_EQ(Control(67)->GetTooltip(), GetUiString(15, 2052));
    EXPECT_EQ(Control(kTabLight)->GetTitle(), GetUiString(102, 2052));
    EXPECT_EQ(Control(kIdDisableAltF4)->GetTitle(), GetUiString(374, 2052));
    EXPECT_EQ(Control(kIdRestoreFactory)->GetTitle(), GetUiString(370, 2052));
    auto* types = Control<MComboBox>(kIdFunctionType);
    for (const CatalogueItem& item : FunctionTypeItems()) {
        EXPECT_EQ(types->GetItemText(types->FindData(item.code)), item.text);
    }
    EXPECT_EQ(types->GetItemText(0), GetUiString(112, 2052));
    // Stored English default names are shown with the Chinese word.
    auto* profiles = Control<MComboBox>(kIdProfileList);
    EXPECT_EQ(profiles->GetItemText(1), GetUiString(110, 2052) + " 2");
    EXPECT_EQ(profiles->GetCurData(), 1);
    std::vector<ProfileItem> stored;
    window->Database().ListProfiles(stored);
    EXPECT_EQ(stored[1].name, "Profile 2");
    // The window's own caption stays as it was created.
    EXPECT_EQ(window->windowTitle().toStdString(), "VANTORA Keyboard Driver");
}

TEST_F(MainWindowTest, ShutsDownCleanlyInTheMiddleOfADownload) {
    OpenConnected();
    for (int i = 0; i < 6; ++i) {
        window->QueueTask(SyncKeys);
        window->QueueTask(SyncMacros);
    }
    QTRY_VERIFY_WITH_TIMEOUT(
        keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.InTransaction(); }), 10000);
    window->CloseDialog();
    EXPECT_TRUE(window->Worker()->IsDone());
    EXPECT_FALSE(window->Worker()->IsRunning());
    window.reset();  // destroying after the close is safe too
}

TEST_F(MainWindowTest, DestroyingTheWindowWhileTheWorkerWaitsForTheUiThreadDoesNotHang) {
    PlugKeyboard();
    Open();
    // No event processing: the initial load's first page reload waits for
    // the UI thread, which is busy destroying the window.
    window.reset();
    SUCCEED();
}

TEST_F(MainWindowTest, CloseWithoutATrayEndsTheProgram) {
    Open();
    ASSERT_FALSE(window->HasTrayIcon());
    Click(Control(kIdClose));
    ASSERT_TRUE(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0);
    EXPECT_EQ(window->ExitCode(), 0);
    EXPECT_TRUE(window->Worker()->IsDone());
}

TEST_F(MainWindowTest, CloseWithATrayHidesAndTheTrayBringsTheWindowBackOnTheSamePage) {
    trayAvailable = true;
    OpenConnected();
    ASSERT_TRUE(window->HasTrayIcon());
    Click(VisibleTab(kTabMacro));
    Click(Control(kIdClose));
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(exitCode.has_value());
    EXPECT_FALSE(window->Worker()->IsDone());
    PostWindowMessage(window.get(), MSG_TRAY, 109, kTrayLeftDown);
    QTRY_VERIFY(window->isVisible());
    EXPECT_EQ(window->CurrentPageId(), kTabMacro);
    EXPECT_TRUE(Control(kPageMacro)->IsShownInTree());
}

TEST_F(MainWindowTest, ExitCommandsEndTheProgramWithCodeZeroAndOthersDoNothing) {
    trayAvailable = true;
    Open();
    PostWindowMessage(window.get(), MSG_MENU, 0, 605);
    PostWindowMessage(window.get(), kWmCommand, 101, 0);
    QTest::qWait(30);
    EXPECT_FALSE(exitCode.has_value());
    PostWindowMessage(window.get(), MSG_MENU, 0, kMenuExitCommand);
    QTRY_VERIFY(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0);
    EXPECT_FALSE(window->HasTrayIcon());
    EXPECT_TRUE(window->Worker()->IsDone());

    exitCode.reset();
    window.reset();
    Open();
    PostWindowMessage(window.get(), kWmCommand, kTrayExitCommand, 0);
    QTRY_VERIFY(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0);
}

// Notifications nobody acts on are not taken.
TEST_F(MainWindowTest, NotificationsNobodyActsOnAreNotHandled) {
    Open();
    EXPECT_EQ(window->OnMessage(66, kNotifyClick, 0, 0), 0);  // a panel
    EXPECT_EQ(window->OnMessage(93, kNotifyClick, 0, 0), 0);
    EXPECT_EQ(window->OnMessage(999, kNotifyClick, 0, 0), 0);
    EXPECT_EQ(window->OnMessage(kTabDevice, kNotifyTextChanged, 0, 0), 0);
    EXPECT_EQ(window->OnWindowMessage(MSG_DEVICE_EVENT, 0, 7), 0);
}

}  // namespace
}  // namespace vantora::test
