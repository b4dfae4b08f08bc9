// Where the keyboard focus is when each dialog opens, and what Enter does
// there: the first field (or the harmless answer) has it, close buttons
// never take it.
#include "modal_helper.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"
#include "ui/dialogs/device_sys_set_dlg.h"
#include "ui/dialogs/name_edit_dlg.h"
#include "ui/dialogs/record_edit_dlg.h"
#include "ui/dialogs/ui_message_box.h"
#include "ui/toolkit/toolkit.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

namespace vantora {
namespace {

using test::WhenShown;

// Waits until `dialog` is the active window; then the focus is settled.
QWidget* FocusIn(MDialog* dialog) {
    dialog->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
    return QApplication::focusWidget();
}

TEST(DialogFocusTest, NameEditorOpensWithTheNameSelectedAndEnterSaves) {
    NameEditDlg dlg;
    dlg.name = "Profile 1";
    WhenShown<NameEditDlg>([](NameEditDlg* d) {
        QLineEdit* field = d->GetControlAs<MEdit>(35)->GetEditHwnd();
        EXPECT_EQ(FocusIn(d), field);
        EXPECT_EQ(field->selectedText(), "Profile 1");
        EXPECT_EQ(d->GetControl(33)->focusPolicy(), Qt::NoFocus);
        QTest::keyClicks(field, "Gaming");  // replaces the selected name
        QTest::keyClick(field, Qt::Key_Return);
    });
    EXPECT_EQ(dlg.Run(nullptr), 1);
    EXPECT_EQ(dlg.name, "Gaming");
}

TEST(DialogFocusTest, RecordEditorOpensInTheDelayFieldAndEnterSavesItWithTheKeyKept) {
    RecordEditDlg dlg;
    dlg.desc = "A";
    dlg.value = 65;
    dlg.delay = 10;
    std::string keyField;
    WhenShown<RecordEditDlg>([&](RecordEditDlg* d) {
        QLineEdit* delay = d->GetControlAs<MEdit>(36)->GetEditHwnd();
        EXPECT_EQ(FocusIn(d), delay);
        EXPECT_FALSE(d->IsCapturing());
        EXPECT_EQ(d->GetControl(32)->focusPolicy(), Qt::NoFocus);
        QTest::keyClicks(delay, "25");
        keyField = d->GetControlAs<MEdit>(34)->GetEditText();
        QTest::keyClick(delay, Qt::Key_Enter);
    });
    EXPECT_EQ(dlg.Run(nullptr), 1);
    EXPECT_EQ(keyField, "A");
    EXPECT_EQ(dlg.delay, 25);
    EXPECT_EQ(dlg.value, 65);
}

// Enter right after a box opens: OK for a notice, No for a question.
TEST(DialogFocusTest, EnterAnswersOkToANoticeAndNoToAQuestion) {
    for (const auto& [type, expected] :
         {std::pair{CUIMessageBox::kTypeOk, 1}, {CUIMessageBox::kTypeYesNo, 2}}) {
        WhenShown<CUIMessageBox>([](CUIMessageBox* box) {
            QWidget* focus = FocusIn(box);
            ASSERT_NE(focus, nullptr);
            QTest::keyClick(focus, Qt::Key_Return);
        });
        CUIMessageBox box;
        box.text = "This operation will clear all saved data, do you want to continue?";
        box.boxType = type;
        EXPECT_EQ(box.Run(nullptr), expected) << type;
    }
}

TEST(DialogFocusTest, SettingsDialogOpensOnTheLanguageList) {
    test::TempDir dir;
    test::EnvGuard env;
    env.Set("XDG_CONFIG_HOME", dir.path() + "config");
    DeviceSysSetDlg dlg;
    dlg.configFile = dir.WriteFile("config.ini", "[TEXT]\nLAN_ENGLISH=1\nLAN_FRENCH=1\n");
    WhenShown<DeviceSysSetDlg>([](DeviceSysSetDlg* d) {
        EXPECT_EQ(FocusIn(d), d->GetControlAs<MComboBox>(35)->Widget());
        EXPECT_EQ(d->GetControl(32)->focusPolicy(), Qt::NoFocus);
        QTest::mouseClick(d->GetControl(32), Qt::LeftButton);
    });
    EXPECT_EQ(dlg.Run(), 2);
}

}  // namespace
}  // namespace vantora
