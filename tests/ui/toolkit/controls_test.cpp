#include "recording_dialog.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

namespace vantora {
namespace {

using test::RecordingDialog;

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dlg.Create(nullptr, "controls", CRect(0, 0, 600, 400));
        dlg.show();
        dlg.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    }
    RecordingDialog dlg;
};

TEST_F(ControlsTest, ComboBoxItemsDataAndNoSelection) {
    auto* combo = dlg.Make<MComboBox>(76, CRect(10, 10, 200, 40));
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_EQ(combo->GetCurData(), -1);
    EXPECT_EQ(combo->GetCurData(0), 0);
    EXPECT_EQ(combo->AddItem("Default", 0), 0);
    EXPECT_EQ(combo->AddItem("Keyboard", 2), 1);
    EXPECT_EQ(combo->AddItem("Disable Key", 1), 2);
    // Adding to an empty list selects nothing by itself.
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_EQ(combo->SelectData(2), 1);
    EXPECT_EQ(combo->GetCurData(), 2);
    EXPECT_EQ(combo->GetTitle(), "Keyboard");
    // Data not in the list leaves the selection as it was.
    EXPECT_EQ(combo->SelectData(42), -1);
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_TRUE(combo->SetCurSel(-1));
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_EQ(combo->GetCurData(), -1);
    EXPECT_FALSE(combo->SetCurSel(3));
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_TRUE(combo->SetItemText(0, "Standard"));
    EXPECT_EQ(combo->GetItemText(0), "Standard");
    EXPECT_EQ(combo->GetItemText(9), "");
    EXPECT_FALSE(combo->SetItemText(-1, "x"));
    EXPECT_EQ(combo->GetItemData(2), 1);
    EXPECT_EQ(combo->GetItemData(5, -7), -7);
    EXPECT_TRUE(dlg.notes.empty());  // nothing done through the API is reported
}

TEST_F(ControlsTest, ComboBoxDeletingTheSelectedItemLeavesNoSelection) {
    auto* combo = dlg.Make<MComboBox>(74, CRect(10, 10, 200, 40));
    for (int i = 1; i <= 3; ++i) {
        combo->AddItem("Profile " + std::to_string(i), i);
    }
    combo->SetCurSel(2);
    EXPECT_TRUE(combo->DeleteItem(0));
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(combo->GetCurData(), 3);
    EXPECT_TRUE(combo->DeleteItem(1));
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_FALSE(combo->DeleteItem(5));
    combo->DelAllItems();
    EXPECT_EQ(combo->GetCount(), 0);
    EXPECT_EQ(combo->GetCurData(), -1);
}

TEST_F(ControlsTest, ComboBoxReportsTheUsersChangeOnly) {
    auto* combo = dlg.Make<MComboBox2>(35, CRect(10, 10, 200, 40));
    combo->AddItem("English", 1033);
    combo->AddItem("Français", 1036);
    combo->SelectData(1033);
    combo->Widget()->setFocus();
    QTest::keyClick(combo->Widget(), Qt::Key_Down);
    EXPECT_EQ(combo->GetCurData(), 1036);
    EXPECT_EQ(dlg.CodesOf(35), std::vector<int>{kNotifyClick});
    // At the end of the list nothing changes, so nothing is reported.
    QTest::keyClick(combo->Widget(), Qt::Key_Down);
    EXPECT_EQ(dlg.CodesOf(35).size(), 1u);
}

TEST_F(ControlsTest, EditReportsTypingAndFocusButNotApiText) {
    auto* edit = dlg.Make<MEdit>(97, CRect(10, 10, 100, 40));
    auto* other = dlg.Make<MEdit>(98, CRect(10, 50, 100, 80));
    edit->SetTitle("12");
    EXPECT_TRUE(dlg.notes.empty());
    edit->SetFocus();
    QTest::keyClicks(edit->GetEditHwnd(), "3");
    other->SetFocus();
    EXPECT_EQ(edit->GetEditText(), "123");
    EXPECT_EQ(dlg.CodesOf(97), (std::vector<int>{kNotifySetFocus, kNotifyTextChanged, kNotifyKillFocus}));
}

TEST_F(ControlsTest, DigitsOnlyEditRefusesOtherCharactersAndHonoursTheLimit) {
    auto* edit = dlg.Make<MEdit>(36, CRect(10, 10, 100, 40));
    edit->SetDigitsOnly(true);
    edit->SetLimitText(5);
    edit->SetFocus();
    QTest::keyClicks(edit->GetEditHwnd(), "1a2-3 4567");
    EXPECT_EQ(edit->GetEditText(), "12345");
    // Text given by the program is shown whole, even past the limit.
    edit->SetTitle("123456");
    EXPECT_EQ(edit->GetEditText(), "123456");
}

TEST_F(ControlsTest, CaptureFieldHandsKeysToTheDialogAndTypesNothing) {
    auto* edit = dlg.Make<MEdit>(147, CRect(10, 10, 100, 40));
    edit->SetCaptureField(true);
    EXPECT_FALSE(edit->GetEditHwnd()->testAttribute(Qt::WA_InputMethodEnabled));
    edit->SetFocus();
    QTest::keyPress(edit->GetEditHwnd(), Qt::Key_A);
    QTest::keyRelease(edit->GetEditHwnd(), Qt::Key_A);
    QTest::keyClick(edit->GetEditHwnd(), Qt::Key_Tab);
    EXPECT_EQ(edit->GetEditText(), "");
    ASSERT_EQ(dlg.keys.size(), 4u);
    EXPECT_EQ(dlg.keys[0].first, 147);
    EXPECT_EQ(dlg.keys[0].second.qtKey, Qt::Key_A);
    EXPECT_FALSE(dlg.keys[0].second.isUp);
    EXPECT_TRUE(dlg.keys[1].second.isUp);
    EXPECT_EQ(dlg.keys[2].second.qtKey, Qt::Key_Tab);
    EXPECT_TRUE(edit->GetEditHwnd()->hasFocus());  // Tab was captured, not used to move on
    EXPECT_FALSE(dlg.keys[0].second.keypad);
    QTest::keyPress(edit->GetEditHwnd(), Qt::Key_7, Qt::KeypadModifier);
    ASSERT_EQ(dlg.keys.size(), 5u);
    EXPECT_TRUE(dlg.keys[4].second.keypad);
}

TEST_F(ControlsTest, SliderReportsTheUsersChangeAndClampsTheProgramsValue) {
    auto* slider = dlg.Make<MSlider>(119, CRect(0, 100, 214, 120));
    slider->SetRange(0, 100);
    slider->SetProgress(150);
    EXPECT_EQ(slider->GetProgress(), 100);
    slider->SetProgress(-3);
    EXPECT_EQ(slider->GetProgress(), 0);
    EXPECT_TRUE(dlg.notes.empty());
    // The track runs from x = 7 to 207 for 0..100.
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(107, 10));
    EXPECT_EQ(slider->GetProgress(), 50);
    ASSERT_EQ(dlg.CodesOf(119), std::vector<int>{kNotifyClick});
    EXPECT_EQ(dlg.notes.back().wparam, 50u);
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(107, 10));
    EXPECT_EQ(dlg.CodesOf(119).size(), 1u);  // no change, no report
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(slider->GetProgress(), 51);
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(slider->GetProgress(), 100);
    EXPECT_EQ(dlg.CodesOf(119).size(), 3u);
    slider->SetRange(4, 0);
    EXPECT_EQ(slider->GetMin(), 0);
    EXPECT_EQ(slider->GetMax(), 4);
    EXPECT_EQ(slider->GetProgress(), 4);
}

TEST_F(ControlsTest, CheckButtonTogglesAndReports) {
    auto* check = dlg.Make<CCheckButton>(101, CRect(10, 10, 150, 40), "Colorful");
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_TRUE(check->GetCheck());
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_FALSE(check->GetCheck());
    EXPECT_EQ(dlg.CodesOf(101), (std::vector<int>{kNotifyClick, kNotifyClick}));
    check->SetCheck(true);
    EXPECT_EQ(dlg.CodesOf(101).size(), 2u);
}

TEST_F(ControlsTest, TabsAndLayerButtonsCheckThemselvesOnClick) {
    auto* tab = dlg.Make<CSelectButton>(44, CRect(10, 10, 150, 40), "DEVICE");
    auto* layer = dlg.Make<LayerButton>(64, CRect(10, 50, 150, 80), "FN Layer");
    QTest::mouseClick(tab, Qt::LeftButton);
    QTest::mouseClick(tab, Qt::LeftButton);
    QTest::mouseClick(layer, Qt::LeftButton);
    EXPECT_TRUE(tab->GetCheck());
    EXPECT_TRUE(layer->GetCheck());
    EXPECT_EQ(dlg.CodesOf(44), (std::vector<int>{kNotifyClick, kNotifyClick}));
    EXPECT_EQ(dlg.CodesOf(64), std::vector<int>{kNotifyClick});
    tab->SetCheck(false);
    EXPECT_FALSE(tab->GetCheck());
}

TEST_F(ControlsTest, RadioAndColourButtonsAreExclusiveWithinTheirGroupOnly) {
    std::vector<CRadioButton*> radios;
    for (int i = 0; i < 4; ++i) {
        radios.push_back(dlg.Make<CRadioButton>(123 + i, CRect(10, 10 + 30 * i, 100, 35 + 30 * i)));
        radios.back()->SetGroupName("GROUP_LIGHT_DIRECTION");
    }
    auto* colour = dlg.Make<CColorButton>(102, CRect(200, 10, 230, 40));
    colour->SetGroupName("IDC_LIGHT_STC_DEFAULTCOLOR");
    colour->SetColor(0x0000FF);
    auto* other = dlg.Make<CColorButton>(103, CRect(240, 10, 270, 40));
    other->SetGroupName("IDC_LIGHT_STC_DEFAULTCOLOR");
    radios[0]->SetCheck(true);
    QTest::mouseClick(radios[1], Qt::LeftButton);
    EXPECT_FALSE(radios[0]->GetCheck());
    EXPECT_TRUE(radios[1]->GetCheck());
    EXPECT_EQ(dlg.CodesOf(124), std::vector<int>{kNotifyClick});
    QTest::mouseClick(colour, Qt::LeftButton);
    EXPECT_TRUE(colour->GetCheck());
    EXPECT_TRUE(radios[1]->GetCheck());  // another group is left alone
    EXPECT_EQ(colour->GetColor(), 0x0000FFu);
    other->SetCheck(true);
    EXPECT_FALSE(colour->GetCheck());
    EXPECT_EQ(dlg.CodesOf(102), std::vector<int>{kNotifyClick});
}

TEST_F(ControlsTest, PaletteReportsTheColourUnderTheClick) {
    auto* palette = dlg.Make<CirclePalette>(93, CRect(300, 100, 500, 300));
    std::uint32_t expected = 0;
    const QPoint right(190, 100);  // on the red side of the wheel
    ASSERT_TRUE(palette->ColorAt(right, expected));
    QTest::mouseClick(palette, Qt::LeftButton, {}, right);
    EXPECT_EQ(palette->GetColor(), expected);
    EXPECT_EQ(expected & 0xFF, 0xFFu);  // red dominates at hue 0
    EXPECT_LT((expected >> 16) & 0xFF, 0x40u);
    ASSERT_FALSE(dlg.CodesOf(93).empty());
    for (int code : dlg.CodesOf(93)) {
        EXPECT_EQ(code, kNotifyColorPicked);
    }
    EXPECT_EQ(dlg.notes.back().wparam, expected);
    const std::size_t before = dlg.notes.size();
    QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(2, 2));  // a corner outside the wheel
    EXPECT_EQ(dlg.notes.size(), before);
    std::uint32_t centre = 0;
    ASSERT_TRUE(palette->ColorAt(QPointF(100, 100), centre));
    EXPECT_EQ(centre, 0xFFFFFFu);
    palette->SetColor(0x00FF00);
    EXPECT_EQ(palette->GetColor(), 0x00FF00u);
}

TEST_F(ControlsTest, TextColourAndTitlesCrossTheApiAsUtf8) {
    auto* text = dlg.Make<MText>(32, CRect(0, 0, 200, 30), "简体中文");
    text->SetTextColor(0xFF38E3ED);
    EXPECT_EQ(text->GetTitle(), "简体中文");
    EXPECT_EQ(text->GetTextColor(), 0xFF38E3EDu);
    EXPECT_TRUE(text->testAttribute(Qt::WA_TransparentForMouseEvents));
    text->SetTooltip("Русский");
    EXPECT_EQ(text->GetTooltip(), "Русский");
}

TEST_F(ControlsTest, StateImageNamesFollowTheNormalName) {
    EXPECT_EQ(skin::StateImageName("btn_add_n.png", 'h'), "btn_add_h.png");
    EXPECT_EQ(skin::StateImageName("icon\\icon_layerbutton_n.png", 'd'), "icon\\icon_layerbutton_d.png");
    EXPECT_EQ(skin::StateImageName("logo.png", 'p'), "logo.png");
    EXPECT_TRUE(skin::LoadImage("no_such_image_n.png").isNull());
    EXPECT_EQ(skin::GlyphForImage("sysbtn_close_n.png"), skin::Glyph::Close);
    EXPECT_FALSE(skin::AppIcon().isNull());
}

}  // namespace
}  // namespace vantora
