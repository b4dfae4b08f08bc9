// The main window's pages: texts from their tables, notifications routed to
// the page whose control sent them.
#include "main_window_fixture.h"

namespace vantora::test {
namespace {

TEST_F(MainWindowTest, RefreshTextsRetitlesEachPageFromItsTable) {
    Open();
    CurrentUiLanguage = 2052;
    window->RefreshTexts();
    EXPECT_EQ(Control(73)->GetTitle(), GetUiString(110, 2052));             // KEY
    EXPECT_EQ(Control(91)->GetTitle(), GetUiString(55, 2052));              // LIGHT
    EXPECT_EQ(Control(kIdAddMacro)->GetTooltip(), GetUiString(202, 2052));  // MACRO
    EXPECT_EQ(Control(151)->GetTitle(), GetUiString(301, 2052));            // MUSIC
    EXPECT_EQ(Control(162)->GetTitle(), GetUiString(371, 2052));            // SETTING
    EXPECT_NE(GetUiString(110, 2052), GetUiString(110, 1033));
}

TEST_F(MainWindowTest, AKeyClickedOnTheKeyPictureBecomesTheSelectedKey) {
    OpenConnected();
    Click(VisibleTab(kTabDevice));
    auto* keys = Control<KeyboardCtrl>(kIdKeyPicture);
    const std::vector<KeyItemInfo> items = keys->GetKeyItems();
    ASSERT_GT(items.size(), 1u);
    QTest::mouseClick(keys, Qt::LeftButton, {}, keys->KeyRect(items[1].code).center());
    EXPECT_EQ(window->CurrentSelection().selectedKey.load(), items[1].code);
}

TEST_F(MainWindowTest, ProfileButtonsAddAndDeleteAndTheLayerButtonsSwitch) {
    OpenConnected();
    Click(VisibleTab(kTabDevice));
    auto* profiles = Control<MComboBox>(kIdProfileList);
    Click(Control(kIdAddProfile));
    EXPECT_EQ(profiles->GetCount(), 4);
    EXPECT_EQ(profiles->GetItemText(3), "Profile 4");
    EXPECT_EQ(profiles->GetCurData(), 4);
    EXPECT_EQ(window->Database().GetActiveProfile(), 4);
    EXPECT_EQ(window->CurrentSelection().profile.load(), 4);

    Click(Control(kIdDeleteProfile));
    EXPECT_EQ(profiles->GetCount(), 3);
    EXPECT_EQ(profiles->GetCurData(), 3);  // the entry before the deleted one
    EXPECT_EQ(window->Database().GetActiveProfile(), 3);

    Click(Control(kIdFnLayer));
    EXPECT_EQ(window->CurrentSelection().layer.load(), 1);
    EXPECT_TRUE(Control<CheckableButton>(kIdFnLayer)->GetCheck());
    EXPECT_FALSE(Control<CheckableButton>(kIdStandardLayer)->GetCheck());
    WaitForWorkerToCatchUp();  // the key downloads ran behind the clicks
}

}  // namespace
}  // namespace vantora::test
