#include "recording_dialog.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QMenu>
#include <QTest>

namespace vantora {
namespace {

using test::RecordingDialog;

class ListBoxesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dlg.Create(nullptr, "lists", CRect(0, 0, 600, 400));
        dlg.show();
    }
    // The middle of a row, left of its button.
    static QPoint RowPoint(const RowList* list, int row) {
        return QPoint(20, row * list->RowHeight() + list->RowHeight() / 2);
    }
    RecordingDialog dlg;
};

TEST_F(ListBoxesTest, MacroListReportsSelectionAndItemMenu) {
    auto* list = dlg.Make<MacroListBox>(131, CRect(0, 0, 200, 300));
    list->AddItem("Macro", 0, 11);
    list->AddItem("Macro", 2, 12);
    QTest::mouseClick(list, Qt::LeftButton, {}, RowPoint(list, 1));
    EXPECT_EQ(list->GetCurSel(), 1);
    EXPECT_EQ(list->GetCurData(), 12);
    ASSERT_EQ(dlg.CodesOf(131), std::vector<int>{kNotifySelChanged});
    EXPECT_EQ(dlg.notes.back().wparam, 1u);
    // Clicking the selected row again changes nothing.
    QTest::mouseClick(list, Qt::LeftButton, {}, RowPoint(list, 1));
    EXPECT_EQ(dlg.CodesOf(131).size(), 1u);
    QTest::mouseClick(list, Qt::LeftButton, {}, list->ItemButtonRect(0).center());
    EXPECT_EQ(dlg.CodesOf(131), (std::vector<int>{kNotifySelChanged, kNotifySelChanged, kNotifyItemMenu}));
    EXPECT_EQ(list->GetCurSel(), 0);
    QTest::mouseClick(list, Qt::RightButton, {}, RowPoint(list, 0));
    EXPECT_EQ(dlg.CodesOf(131).back(), kNotifyItemMenu);
    // Below the last row there is nothing to click.
    const std::size_t before = dlg.notes.size();
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(20, 250));
    EXPECT_EQ(dlg.notes.size(), before);
}

TEST_F(ListBoxesTest, MacroListKeepsSelectionInStepWithDeletes) {
    auto* list = dlg.Make<MacroListBox>(131, CRect(0, 0, 200, 300));
    for (int i = 0; i < 4; ++i) {
        list->AddItem("M" + std::to_string(i), 0, 100 + i);
    }
    list->SetCurSel(2);
    EXPECT_TRUE(list->DeleteItem(0));
    EXPECT_EQ(list->GetCurSel(), 1);
    EXPECT_EQ(list->GetCurData(), 102);
    EXPECT_TRUE(list->DeleteItem(1));
    EXPECT_EQ(list->GetCurSel(), -1);
    EXPECT_EQ(list->GetCurData(), -1);
    EXPECT_FALSE(list->DeleteItem(7));
    EXPECT_TRUE(list->SetCurSel(-1));
    EXPECT_FALSE(list->SetCurSel(10));
    EXPECT_TRUE(dlg.notes.empty());
    list->SetCurSel(0, true);
    EXPECT_EQ(dlg.CodesOf(131), std::vector<int>{kNotifySelChanged});
    list->InsertItem(0, "first", 0, 1);
    EXPECT_EQ(list->GetCurSel(), 1);  // the selected macro stays selected
    EXPECT_EQ(list->GetItemText(0), "first");
}

TEST_F(ListBoxesTest, MacroListShowsLinkCountsByMacroId) {
    auto* list = dlg.Make<MacroListBox>(131, CRect(0, 0, 200, 300));
    list->AddItem("A", 3, 1);
    list->AddItem("B", 5, 2);
    EXPECT_TRUE(list->SetLinkCount(2, 7));
    EXPECT_FALSE(list->SetLinkCount(9, 1));
    EXPECT_EQ(list->GetLinkCount(0), 3);
    EXPECT_EQ(list->GetLinkCount(1), 7);
    list->ResetLinkCount();
    EXPECT_EQ(list->GetLinkCount(0), 0);
    EXPECT_EQ(list->GetLinkCount(1), 0);
    EXPECT_TRUE(list->SetItemText(1, "Renamed"));
    EXPECT_EQ(list->GetItemText(1), "Renamed");
    EXPECT_EQ(list->FindData(2), 1);
}

TEST_F(ListBoxesTest, RecordListEditsRowsAndReportsItemEvents) {
    auto* list = dlg.Make<CRecordList>(138, CRect(0, 0, 400, 300));
    list->UpdateDelayTime(5);  // an empty list has no record to take it
    EXPECT_EQ(list->GetCount(), 0);
    list->AddString("A", 2, 65, 0);
    list->UpdateDelayTime(120);
    list->AddString("A", 3, 65, 0);
    list->InsertString(1, "B", 2, 66, 10);
    list->InsertString(99, "B", 3, 66, 10);
    const std::vector<RecordItem> expected = {
        {"A", 2, 65, 120}, {"B", 2, 66, 10}, {"A", 3, 65, 0}, {"B", 3, 66, 10}};
    EXPECT_EQ(list->GetRecordItems(), expected);
    EXPECT_TRUE(list->ModifyString(2, "C", 3, 67, 5));
    RecordItem item;
    ASSERT_TRUE(list->GetRecordItem(2, item));
    EXPECT_EQ(item, (RecordItem{"C", 3, 67, 5}));
    EXPECT_FALSE(list->GetRecordItem(4, item));
    EXPECT_FALSE(list->ModifyString(-1, "x", 2, 1, 1));
    list->SetCurSel(3);
    EXPECT_TRUE(list->DeleteString(3));
    EXPECT_EQ(list->GetCurSel(), -1);
    EXPECT_FALSE(list->DeleteString(3));

    QTest::mouseDClick(list, Qt::LeftButton, {}, RowPoint(list, 1));
    EXPECT_EQ(list->GetCurSel(), 1);
    EXPECT_EQ(dlg.CodesOf(138).back(), kNotifyItemEvent);
    EXPECT_EQ(dlg.notes.back().wparam, 1u);
    QTest::mouseClick(list, Qt::LeftButton, {}, list->ItemButtonRect(0).center());
    EXPECT_EQ(dlg.CodesOf(138).back(), kNotifyItemEvent);
    EXPECT_EQ(list->GetCurSel(), 0);
    list->DelAllItems();
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_EQ(list->GetCurSel(), -1);
}

TEST_F(ListBoxesTest, RecordListScrollsToTheRowJustRecorded) {
    auto* list = dlg.Make<CRecordList>(138, CRect(0, 0, 400, 100));
    for (int i = 0; i < 30; ++i) {
        list->AddString("K", 2 + i % 2, 75, 1);
    }
    // The last row is the one under the bottom of the control.
    EXPECT_EQ(list->RowAt(QPoint(20, 99)), 29);
}

TEST_F(ListBoxesTest, MenuPostsTheChosenIdToItsOwner) {
    MenuWnd menu;
    ASSERT_TRUE(menu.Create(&dlg, 0x69C, "img_menubkg.png", 30, 150, 1));
    menu.AddMenu("Rename", 605);
    menu.AddMenu("DEL", 608);
    QMenu* shown = menu.TrackPopup(QPoint(10, 10));
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(shown->actions().size(), 2);
    shown->actions()[1]->trigger();
    QCoreApplication::processEvents();
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].message, 0x69Cu);
    EXPECT_EQ(dlg.messages[0].wparam, 608u);
    EXPECT_EQ(dlg.messages[0].lparam, 608);
    MenuWnd empty;
    EXPECT_EQ(empty.TrackPopup(), nullptr);
    EXPECT_FALSE(empty.Create(nullptr, 1));
}

TEST_F(ListBoxesTest, MenuClosedWithoutChoicePostsNothing) {
    MenuWnd menu;
    menu.Create(&dlg, 1691);
    menu.AddMenu("Exit", 610);
    QPointer<QMenu> shown = menu.TrackPopup(QPoint(5, 5));
    ASSERT_TRUE(shown);
    shown->hide();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dlg.messages.empty());
    EXPECT_TRUE(shown.isNull());  // the menu removed itself
}

}  // namespace
}  // namespace vantora
