#include "recording_dialog.h"

#include <gtest/gtest.h>
#include <QTest>

namespace vantora {
namespace {

using test::RecordingDialog;

class KeyboardCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        dlg.Create(nullptr, "kb", CRect(0, 0, 600, 300));
        kb = dlg.Make<KeyboardCtrl>(65, CRect(10, 20, 510, 220));
        kb->SetKeyboardBkgColor(0x565656, CRect(0, 0, 500, 200));
        kb->SetKeyPosition(5, 5);
        kb->AddKeyItem("Esc", "Escape", 0x29, CRect(0, 0, 40, 40));
        kb->AddKeyItem("A", "A", 0x04, CRect(50, 0, 90, 40));
        kb->AddKeyItem("B", "B", 0x05, CRect(100, 0, 140, 40));
        kb->AddKeyItem("C", "C", 0x06, CRect(150, 0, 190, 40));
        dlg.show();
    }
    QPoint Centre(int code) const { return kb->KeyRect(code).center(); }

    RecordingDialog dlg;
    KeyboardCtrl* kb = nullptr;
};

TEST_F(KeyboardCtrlTest, KeysSitAtTheKeyPosition) {
    EXPECT_EQ(kb->KeyRect(0x29), QRect(5, 5, 40, 40));
    EXPECT_EQ(kb->KeyRect(0x04), QRect(55, 5, 40, 40));
    EXPECT_TRUE(kb->KeyRect(0x99).isEmpty());
    EXPECT_EQ(kb->GetKeyCount(), 4);
}

TEST_F(KeyboardCtrlTest, ClickReportsTheKeyCodeAndSelectsItAlone) {
    EXPECT_EQ(kb->GetClickKeyCode(), 0);
    QTest::mouseClick(kb, Qt::LeftButton, {}, Centre(0x04));
    EXPECT_EQ(kb->GetClickKeyCode(), 0x04);
    ASSERT_EQ(dlg.CodesOf(65), std::vector<int>{kNotifyKeyClicked});
    EXPECT_EQ(dlg.notes.back().wparam, 0x04u);
    QTest::mouseClick(kb, Qt::LeftButton, {}, Centre(0x05));
    EXPECT_EQ(kb->GetClickKeyCode(), 0x05);
    EXPECT_EQ(kb->GetSelectedKeys(), std::vector<int>{0x05});
    // A click beside the keys of a type 1 picture changes nothing.
    QTest::mouseClick(kb, Qt::LeftButton, {}, QPoint(400, 150));
    EXPECT_EQ(dlg.CodesOf(65).size(), 2u);
    EXPECT_EQ(kb->GetSelectedKeys(), std::vector<int>{0x05});
}

// The key assignment picture edits one key: Ctrl and dragging select no more.
TEST_F(KeyboardCtrlTest, TypeOnePictureKeepsASingleKeySelected) {
    QTest::mouseClick(kb, Qt::LeftButton, {}, Centre(0x04));
    QTest::mouseClick(kb, Qt::LeftButton, Qt::ControlModifier, Centre(0x06));
    EXPECT_EQ(kb->GetSelectedKeys(), std::vector<int>{0x06});
    EXPECT_EQ(kb->GetClickKeyCode(), 0x06);
    EXPECT_EQ(dlg.CodesOf(65), (std::vector<int>{kNotifyKeyClicked, kNotifyKeyClicked}));
    QTest::mousePress(kb, Qt::LeftButton, Qt::ControlModifier, QPoint(200, 100));
    QTest::mouseMove(kb, QPoint(10, 10));
    QTest::mouseRelease(kb, Qt::LeftButton, Qt::ControlModifier, QPoint(10, 10));
    EXPECT_EQ(kb->GetSelectedKeys(), std::vector<int>{0x06});
    EXPECT_EQ(dlg.CodesOf(65).size(), 2u);
}

TEST_F(KeyboardCtrlTest, CtrlClickExtendsTheSelectionWithCode5) {
    kb->SetKeyboardType(2);
    QTest::mouseClick(kb, Qt::LeftButton, {}, Centre(0x04));
    QTest::mouseClick(kb, Qt::LeftButton, Qt::ControlModifier, Centre(0x06));
    EXPECT_EQ(kb->GetSelectedKeys(), (std::vector<int>{0x04, 0x06}));
    EXPECT_EQ(dlg.CodesOf(65), (std::vector<int>{kNotifyKeyClicked, kNotifyKeySelectMore}));
    EXPECT_EQ(kb->GetClickKeyCode(), 0x06);
    QTest::mouseClick(kb, Qt::LeftButton, Qt::ControlModifier, Centre(0x04));
    EXPECT_EQ(kb->GetSelectedKeys(), std::vector<int>{0x06});
}

// A plain click selects the key alone, whatever was selected; only Ctrl adds.
TEST_F(KeyboardCtrlTest, LightingPictureSelectsAClickedKeyAloneAndClearsOnABackgroundClick) {
    kb->SetKeyboardType(2);
    QTest::mouseClick(kb, Qt::LeftButton, {}, Centre(0x04));
    QTest::mouseClick(kb, Qt::LeftButton, Qt::ControlModifier, Centre(0x05));
    QTest::mouseClick(kb, Qt::LeftButton, {}, Centre(0x29));
    EXPECT_EQ(kb->GetSelectedKeys(), std::vector<int>{0x29});
    QTest::mouseClick(kb, Qt::LeftButton, {}, Centre(0x29));
    EXPECT_EQ(kb->GetSelectedKeys(), std::vector<int>{0x29});  // a second click keeps it
    QTest::mouseClick(kb, Qt::LeftButton, {}, QPoint(400, 150));
    EXPECT_TRUE(kb->GetSelectedKeys().empty());
    EXPECT_EQ(dlg.CodesOf(65).back(), kNotifyClick);
}

TEST_F(KeyboardCtrlTest, DraggingARectangleSelectsTheKeysItTouches) {
    kb->SetKeyboardType(2);
    QTest::mousePress(kb, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(kb, QPoint(60, 30));
    QTest::mouseRelease(kb, Qt::LeftButton, {}, QPoint(60, 30));
    // From x 60 to 100: keys A (55..95) and B (105..) -> only A and... B starts at 105.
    EXPECT_EQ(kb->GetSelectedKeys(), std::vector<int>{0x04});
    EXPECT_EQ(dlg.CodesOf(65), std::vector<int>{kNotifyKeySelectMore});
    EXPECT_EQ(dlg.notes.back().wparam, 1u);
    QTest::mousePress(kb, Qt::LeftButton, Qt::ControlModifier, QPoint(200, 100));
    QTest::mouseRelease(kb, Qt::LeftButton, Qt::ControlModifier, QPoint(110, 30));
    EXPECT_EQ(kb->GetSelectedKeys(), (std::vector<int>{0x04, 0x05, 0x06}));
}

TEST_F(KeyboardCtrlTest, ColoursFollowTheKeyCodeAndTheSelection) {
    EXPECT_TRUE(kb->SetKeyColor(0x04, 0x0000FF));
    EXPECT_FALSE(kb->SetKeyColor(0x77, 0x0000FF));
    kb->SetKeySelect(0x05, true);
    kb->SetKeySelect(0x06, true);
    kb->SetAllSelectColor(0x00FF00);
    const auto items = kb->GetKeyItems();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].code, 0x29);
    EXPECT_EQ(items[0].color, 0xFFFFFFu);  // never coloured: white
    EXPECT_EQ(items[1].color, 0x0000FFu);
    EXPECT_EQ(items[2].color, 0x00FF00u);
    EXPECT_EQ(items[3].color, 0x00FF00u);
    EXPECT_EQ(items[1].name, "A");
    EXPECT_EQ(items[0].desc, "Escape");
    EXPECT_EQ(items[1].rect, CRect(50, 0, 90, 40));
}

TEST_F(KeyboardCtrlTest, DisplayFollowsLightModeUnlessPerKey) {
    kb->SetKeyboardType(2);
    kb->SetKeyColor(0x04, 0x0000FF);
    kb->SetLightModeColor(false, 0x00FF00);
    EXPECT_EQ(kb->DisplayedColor(0x04), 0x00FF00u);
    kb->SetLightModeColor(true, 0x00FF00);
    EXPECT_NE(kb->DisplayedColor(0x29), kb->DisplayedColor(0x06));  // a rainbow across the board
    kb->SetPerKeyDisplay(true);
    EXPECT_EQ(kb->DisplayedColor(0x04), 0x0000FFu);
    EXPECT_EQ(kb->DisplayedColor(0x99), 0u);
}

TEST_F(KeyboardCtrlTest, TipsAndChecksAreKeptPerCodeUntilReset) {
    kb->SetTipKey(0x04, "Ctrl + C", "Ctrl + C");
    kb->SetKeyCheck(0x05, true);
    std::string first;
    std::string second;
    ASSERT_TRUE(kb->GetTipKey(0x04, first, second));
    EXPECT_EQ(first, "Ctrl + C");
    EXPECT_EQ(second, "Ctrl + C");
    ASSERT_TRUE(kb->GetTipKey(0x05, first, second));
    EXPECT_EQ(first, "");
    EXPECT_TRUE(kb->GetKeyCheck(0x05));
    EXPECT_FALSE(kb->GetKeyCheck(0x04));
    EXPECT_FALSE(kb->GetTipKey(0x77, first, second));
    kb->ResetTipKey();
    ASSERT_TRUE(kb->GetTipKey(0x04, first, second));
    EXPECT_EQ(first + second, "");
    EXPECT_FALSE(kb->GetKeyCheck(0x05));
}

TEST_F(KeyboardCtrlTest, RepeatedCodesAreAllDrawnAndAllFollow) {
    kb->AddKeyItem("A2", "", 0x04, CRect(200, 0, 240, 40));
    kb->SetKeyColor(0x04, 0x123456);
    const auto items = kb->GetKeyItems();
    EXPECT_EQ(items[1].color, 0x123456u);
    EXPECT_EQ(items[4].color, 0x123456u);
    QTest::mouseClick(kb, Qt::LeftButton, {}, QPoint(225, 25));
    EXPECT_EQ(kb->GetClickKeyCode(), 0x04);
}

TEST_F(KeyboardCtrlTest, ClearItemEmptiesThePicture) {
    QTest::mouseClick(kb, Qt::LeftButton, {}, Centre(0x04));
    kb->ClearItem();
    EXPECT_EQ(kb->GetKeyCount(), 0);
    EXPECT_EQ(kb->GetClickKeyCode(), 0);
    EXPECT_TRUE(kb->GetKeyItems().empty());
    QTest::mouseClick(kb, Qt::LeftButton, {}, QPoint(75, 25));
    EXPECT_EQ(dlg.CodesOf(65).size(), 1u);
}

TEST_F(KeyboardCtrlTest, DisabledPictureIgnoresClicks) {
    kb->SetEnabled(false);
    QTest::mouseClick(kb, Qt::LeftButton, {}, Centre(0x04));
    EXPECT_TRUE(dlg.notes.empty());
    EXPECT_EQ(kb->GetClickKeyCode(), 0);
}

}  // namespace
}  // namespace vantora
