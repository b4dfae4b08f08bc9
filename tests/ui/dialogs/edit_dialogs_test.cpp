#include "modal_helper.h"
#include "ui/dialogs/name_edit_dlg.h"
#include "ui/dialogs/record_edit_dlg.h"
#include "ui/toolkit/toolkit.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QTest>

namespace vantora {
namespace {

using test::WhenShown;

TEST(NameEditDlgTest, SaveReturnsTheTypedName) {
    NameEditDlg dlg;
    dlg.title = "Edit Profile";
    dlg.name = "Profile 1";
    WhenShown<NameEditDlg>([](NameEditDlg* d) {
        auto* edit = d->GetControlAs<MEdit>(35);
        EXPECT_EQ(edit->GetEditText(), "Profile 1");
        EXPECT_EQ(d->GetControl(32)->GetTitle(), "Edit Profile");
        edit->GetEditHwnd()->selectAll();
        QTest::keyClicks(edit->GetEditHwnd(), "Gaming");
        QTest::mouseClick(d->GetControl(36), Qt::LeftButton);
    });
    EXPECT_EQ(dlg.Run(nullptr), 1);
    EXPECT_EQ(dlg.name, "Gaming");
    EXPECT_EQ(dlg.size(), QSize(330, 180));
}

TEST(NameEditDlgTest, CloseKeepsTheNameAndLongNamesAreCut) {
    NameEditDlg dlg;
    dlg.name = "old";
    WhenShown<NameEditDlg>([](NameEditDlg* d) {
        auto* edit = d->GetControlAs<MEdit>(35);
        edit->GetEditHwnd()->selectAll();
        QTest::keyClicks(edit->GetEditHwnd(), QString(40, QLatin1Char('x')));
        EXPECT_EQ(edit->GetEditText().size(), 30u);
        QTest::mouseClick(d->GetControl(33), Qt::LeftButton);
    });
    EXPECT_EQ(dlg.Run(nullptr), 2);
    EXPECT_EQ(dlg.name, "old");
}

TEST(RecordEditDlgTest, SaveReturnsTheEditedDelayAndKeepsTheKeyWhenNoneWasCaptured) {
    RecordEditDlg dlg;
    dlg.title = "Edit Record";
    dlg.desc = "A";
    dlg.type = 3;
    dlg.value = 65;
    dlg.delay = 10;
    std::string keyFieldAfterFocus = "unset";
    WhenShown<RecordEditDlg>([&](RecordEditDlg* d) {
        d->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(d));
        auto* key = d->GetControlAs<MEdit>(34);
        auto* delay = d->GetControlAs<MEdit>(36);
        EXPECT_EQ(key->GetEditText(), "A");
        EXPECT_EQ(delay->GetEditText(), "10");
        key->SetFocus();
        EXPECT_TRUE(d->IsCapturing());
        QTest::keyClick(key->GetEditHwnd(), Qt::Key_B);  // no decoder: nothing is taken
        keyFieldAfterFocus = key->GetEditText();
        delay->SetFocus();
        EXPECT_FALSE(d->IsCapturing());
        delay->GetEditHwnd()->selectAll();
        QTest::keyClicks(delay->GetEditHwnd(), "2x50");
        QTest::mouseClick(d->GetControl(37), Qt::LeftButton);
    });
    EXPECT_EQ(dlg.Run(nullptr), 1);
    EXPECT_EQ(keyFieldAfterFocus, "");
    EXPECT_EQ(dlg.delay, 250);
    EXPECT_EQ(dlg.desc, "A");
    EXPECT_EQ(dlg.type, 3);
    EXPECT_EQ(dlg.value, 65);
}

TEST(RecordEditDlgTest, CapturedKeyReplacesTheKeyAndKeepsTheDirection) {
    RecordEditDlg dlg;
    dlg.desc = "A";
    dlg.type = 3;
    dlg.value = 65;
    dlg.delay = 7;
    dlg.SetKeyDecoder([](const CaptureKey& key, int& code, std::string& name) {
        if (key.qtKey != Qt::Key_C) {
            return false;
        }
        code = 67;
        name = "C";
        return true;
    });
    std::string shown;
    WhenShown<RecordEditDlg>([&](RecordEditDlg* d) {
        d->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(d));
        auto* key = d->GetControlAs<MEdit>(34);
        key->SetFocus();
        QTest::keyClick(key->GetEditHwnd(), Qt::Key_Shift);  // names no key for this decoder
        QTest::keyClick(key->GetEditHwnd(), Qt::Key_C);
        shown = key->GetEditText();
        QTest::mouseClick(d->GetControl(37), Qt::LeftButton);
    });
    EXPECT_EQ(dlg.Run(nullptr), 1);
    EXPECT_EQ(shown, "C");
    EXPECT_EQ(dlg.desc, "C");
    EXPECT_EQ(dlg.value, 67);
    EXPECT_EQ(dlg.type, 3);
    EXPECT_EQ(dlg.delay, 7);
}

TEST(RecordEditDlgTest, CloseButtonCancels) {
    RecordEditDlg dlg;
    dlg.delay = 5;
    WhenShown<RecordEditDlg>([](RecordEditDlg* d) { QTest::mouseClick(d->GetControl(32), Qt::LeftButton); });
    EXPECT_EQ(dlg.Run(nullptr), 2);
    EXPECT_EQ(dlg.delay, 5);
}

}  // namespace
}  // namespace vantora
