#include "modal_helper.h"
#include "ui/dialogs/ui_message_box.h"
#include "ui/toolkit/toolkit.h"

#include <gtest/gtest.h>
#include <QTest>

namespace vantora {
namespace {

using test::WhenShown;

void ClickControl(MDialog* dlg, int id) {
    QTest::mouseClick(dlg->GetControl(id), Qt::LeftButton);
}

TEST(MessageBoxTest, OkBoxReturnsOneAndShowsItsTexts) {
    std::string shownText;
    std::string shownCaption;
    bool noSecondButton = false;
    WhenShown<CUIMessageBox>([&](CUIMessageBox* box) {
        shownCaption = box->GetControl(31)->GetTitle();
        shownText = box->GetControl(32)->GetTitle();
        noSecondButton = box->GetControl(34) == nullptr;
        EXPECT_EQ(box->size(), QSize(380, 200));
        EXPECT_EQ(box->GetControl(33)->GetRect(), CRect((380 - 167) / 2, 140, (380 - 167) / 2 + 167, 194));
        ClickControl(box, 33);
    });
    EXPECT_EQ(ShowMessageBox(nullptr, "Please connect the device!", "Notice"), 1);
    EXPECT_EQ(shownText, "Please connect the device!");
    EXPECT_EQ(shownCaption, "Notice");
    EXPECT_TRUE(noSecondButton);
}

TEST(MessageBoxTest, YesNoBoxAnswersOneForYesAndTwoForNo) {
    WhenShown<CUIMessageBox>([](CUIMessageBox* box) { ClickControl(box, 33); });
    EXPECT_EQ(AskYesNo(nullptr, "Continue?", "Restore Factory"), 1);
    WhenShown<CUIMessageBox>([](CUIMessageBox* box) {
        EXPECT_EQ(box->GetControl(34)->GetRect(), CRect(190 + 10, 140, 190 + 177, 194));
        ClickControl(box, 34);
    });
    EXPECT_EQ(AskYesNo(nullptr, "Continue?", "Restore Factory"), 2);
}

TEST(MessageBoxTest, BoxOverAParentIsModalToIt) {
    MDialog parent;
    parent.Create(nullptr, "main", CRect(0, 0, 300, 200));
    parent.show();
    bool modal = false;
    WhenShown<CUIMessageBox>([&](CUIMessageBox* box) {
        modal = box->isModal();
        ClickControl(box, 33);
    });
    EXPECT_EQ(ShowMessageBox(&parent, "x"), 1);
    EXPECT_TRUE(modal);
}

TEST(MessageBoxTest, OtherTypesHaveNoButtons) {
    CUIMessageBox box;
    box.boxType = 2;
    box.Create(nullptr, "MessageBox", CRect(0, 0, 380, 200));
    EXPECT_EQ(box.GetControl(33), nullptr);
    EXPECT_EQ(box.GetControl(34), nullptr);
}

}  // namespace
}  // namespace vantora
