// The KEY page's function editor with real clicks: a key is selected on the
// picture, a function chosen and saved; the label shows and the keyboard's
// key table follows.
#include "main_window_fixture.h"

#include <QLineEdit>
#include <fstream>

#include "device/key_index.h"
#include "keys/function_catalogue.h"
#include "keys/key_function_encoding.h"
#include "sim/keyboard_firmware.h"
#include "ui/dialogs/app_rules_dlg.h"

namespace vantora::test {
namespace {

class KeyPageTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        OpenConnected();
        Click(VisibleTab(kTabDevice));
        picture = Control<KeyboardCtrl>(kIdKeyPicture);
        ASSERT_NE(picture, nullptr);
    }

    // Clicks the key with HID usage `code` on the picture.
    void ClickKey(int code) {
        QTest::mouseClick(picture, Qt::LeftButton, {}, picture->KeyRect(code).center());
        ASSERT_EQ(window->CurrentSelection().selectedKey.load(), code);
    }

    void Type(int fieldId, const QString& text) {
        auto* field = Control<MEdit>(fieldId);
        ASSERT_NE(field, nullptr);
        field->GetEditHwnd()->setFocus();
        QTest::keyClicks(field->GetEditHwnd(), text);
    }

    std::string Tip(int code) {
        std::string first;
        std::string second;
        picture->GetTipKey(code, first, second);
        return second;
    }

    std::optional<KeyAssignment> Row(int code) {
        KeyAssignment row;
        if (!window->Database().GetKeyAssignment(1, 0, code, row)) {
            return std::nullopt;
        }
        return row;
    }

    // The keyboard's three bytes of `code` on the standard layer once the
    // key table holds what `values` encode.
    void ExpectKeyboardSlot(int code, const KeyFunctionValues& values) {
        const int index = LookupKeyIndex(window->LayoutCodeToIndex(), code);
        ASSERT_GE(index, 0);
        const auto slotOf = [index](const std::array<std::uint8_t, protocol::kKeyTableSize>& table) {
            std::array<std::uint8_t, 3> slot{};
            std::copy_n(table.begin() + 6 * index, 3, slot.begin());
            return slot;
        };
        auto want =
            keyboard->WithFirmware([&](sim::KeyboardFirmware& f) { return slotOf(f.DefaultKeyTable()); });
        EncodeKeyFunction(values, kNoMacroPosition, want);
        QTRY_VERIFY_WITH_TIMEOUT(
            keyboard->WithFirmware([&](sim::KeyboardFirmware& f) { return slotOf(f.KeyTable()) == want; }),
            10000);
    }

    KeyboardCtrl* picture = nullptr;
};

constexpr int kKeyA = 4;
constexpr int kKeyB = 5;

TEST_F(KeyPageTest, AWebsiteSavedOnAKeyLabelsItAndReachesTheKeyboard) {
    ClickKey(kKeyA);
    Choose(kIdFunctionType, kFunctionWebsite);
    EXPECT_TRUE(Control(kIdFunctionText)->IsShownInTree());
    EXPECT_FALSE(Control(kIdFunctionValues)->IsShownInTree());
    Type(kIdFunctionText, "example.org");
    Click(Control(kIdSaveKey));
    EXPECT_EQ(Tip(kKeyA), "example.org");
    const auto row = Row(kKeyA);
    ASSERT_TRUE(row.has_value());
    EXPECT_EQ(row->macro_type, kFunctionWebsite);
    ExpectKeyboardSlot(kKeyA, {kFunctionWebsite, row->macro_value, 0});

    // Another key without a row shows Default and empty fields; the first
    // shows its function again.
    ClickKey(kKeyB);
    EXPECT_EQ(Control<MComboBox>(kIdFunctionType)->GetCurData(), kFunctionDefault);
    EXPECT_FALSE(Control(kIdFunctionText)->IsShownInTree());
    ClickKey(kKeyA);
    EXPECT_EQ(Control<MComboBox>(kIdFunctionType)->GetCurData(), kFunctionWebsite);
    EXPECT_EQ(Control(kIdFunctionText)->GetTitle(), "example.org");

    // Default removes the row and the label.
    Choose(kIdFunctionType, kFunctionDefault);
    Click(Control(kIdSaveKey));
    EXPECT_FALSE(Row(kKeyA).has_value());
    EXPECT_EQ(Tip(kKeyA), "");
    ExpectKeyboardSlot(kKeyA, {});
}

TEST_F(KeyPageTest, ListFunctionsStoreTheChosenEntryAndShowItAgain) {
    ClickKey(kKeyB);
    Choose(kIdFunctionType, kFunctionMultimedia);
    auto* values = Control<MComboBox>(kIdFunctionValues);
    EXPECT_EQ(values->GetCount(), 7);
    EXPECT_EQ(values->GetCurData(), 1);
    Choose(kIdFunctionValues, 5);
    Click(Control(kIdSaveKey));
    const auto row = Row(kKeyB);
    ASSERT_TRUE(row.has_value());
    EXPECT_EQ(row->macro_value, 5);
    EXPECT_EQ(Tip(kKeyB), "Volume +");
    ExpectKeyboardSlot(kKeyB, {kFunctionMultimedia, 5, 0});
    ClickKey(kKeyA);
    ClickKey(kKeyB);
    EXPECT_EQ(values->GetCurData(), 5);
}

TEST_F(KeyPageTest, ACombinationIsCapturedInTheComboFieldAndStoredWithTheLeftModifier) {
    ClickKey(kKeyA);
    Choose(kIdFunctionType, kFunctionKeyboard);
    auto* combo = Control<MEdit>(kIdComboKey);
    ASSERT_TRUE(combo->IsShownInTree());
    combo->GetEditHwnd()->setFocus();
    QTest::keyPress(combo->GetEditHwnd(), Qt::Key_Control);
    QTest::keyClick(combo->GetEditHwnd(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyRelease(combo->GetEditHwnd(), Qt::Key_Control);
    EXPECT_EQ(combo->GetTitle(), "Ctrl + C");
    Click(Control(kIdSaveKey));
    const auto row = Row(kKeyA);
    ASSERT_TRUE(row.has_value());
    EXPECT_EQ(row->macro_value, 6);     // C
    EXPECT_EQ(row->macro_value2, 224);  // Left Control
    EXPECT_EQ(Tip(kKeyA), "Ctrl + C");
    ExpectKeyboardSlot(kKeyA, {kFunctionKeyboard, 6, 224});
}

// Another window taking the focus and giving it back keeps the captured key.
TEST_F(KeyPageTest, ACapturedKeyStaysWhenTheWindowLosesAndRegainsTheFocus) {
    ClickKey(kKeyA);
    Choose(kIdFunctionType, kFunctionKeyboard);
    auto* combo = Control<MEdit>(kIdComboKey);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    combo->GetEditHwnd()->setFocus();
    QTest::keyClick(combo->GetEditHwnd(), Qt::Key_C, Qt::ControlModifier);
    ASSERT_EQ(combo->GetTitle(), "Ctrl + C");
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_TRUE(combo->GetEditHwnd()->hasFocus());
    EXPECT_EQ(combo->GetTitle(), "Ctrl + C");
    Click(Control(kIdSaveKey));
    EXPECT_EQ(Tip(kKeyA), "Ctrl + C");
}

TEST_F(KeyPageTest, SavesThatCannotBeMadeSayWhyAndKeepTheRow) {
    Choose(kIdFunctionType, kFunctionDisableKey);
    AnswerNextBox(33);
    Click(Control(kIdSaveKey));
    EXPECT_EQ(boxText, GetUiString(180));  // no key selected yet

    ClickKey(kKeyA);
    Choose(kIdFunctionType, kFunctionDisableKey);
    Click(Control(kIdSaveKey));
    ASSERT_TRUE(Row(kKeyA).has_value());
    Choose(kIdFunctionType, kFunctionKeyboard);
    AnswerNextBox(33);
    Click(Control(kIdSaveKey));  // nothing captured
    ASSERT_TRUE(boxText.has_value());
    ASSERT_TRUE(Row(kKeyA).has_value());
    EXPECT_EQ(Row(kKeyA)->macro_type, kFunctionDisableKey);

    // An address a press would refuse is not stored.
    Choose(kIdFunctionType, kFunctionWebsite);
    Type(kIdFunctionText, "javascript:alert(1)");
    AnswerNextBox(33);
    Click(Control(kIdSaveKey));
    ASSERT_TRUE(boxText.has_value());
    EXPECT_NE(boxText->find("is not a web address a key can open"), std::string::npos) << *boxText;
    EXPECT_EQ(Row(kKeyA)->macro_type, kFunctionDisableKey);
}

// The 33rd macro has no place in the keyboard's memory: the binding is
// stored, the page says it is not on the keyboard and marks the key.
TEST_F(KeyPageTest, ABindingTheKeyboardCannotHoldIsStoredAndSaidSo) {
    int last = 0;
    for (int i = 0; i < 33; ++i) {
        last = window->Database().AddMacro("M" + std::to_string(i + 1));
    }
    ClickKey(kKeyA);
    Choose(kIdFunctionType, kFunctionMacro);
    Choose(kIdFunctionValues, last);
    AnswerNextBox(33);
    Click(Control(kIdSaveKey));
    ASSERT_TRUE(boxText.has_value());
    EXPECT_NE(boxText->find("not on the keyboard: the keyboard holds 32 macros"), std::string::npos)
        << *boxText;
    ASSERT_TRUE(Row(kKeyA).has_value());
    EXPECT_NE(picture->GetKeyWarning(kKeyA).find("the keyboard holds 32 macros"), std::string::npos);
}

TEST_F(KeyPageTest, AProgramIsChosenInTheFileDialogAndItsFileNameLabelsTheKey) {
    const std::string program = dir.path() + "my tool.sh";
    std::ofstream(program) << "#!/bin/sh\n";
    ::chmod(program.c_str(), 0755);
    ClickKey(kKeyA);
    Choose(kIdFunctionType, kFunctionApplication);
    chosenFile = program;
    Click(Control(kIdOpenFile));
    EXPECT_EQ(Control(kIdFunctionText)->GetTitle(), "my tool.sh");
    Click(Control(kIdSaveKey));
    std::string desc;
    std::string path;
    int type = 0;
    ASSERT_TRUE(Row(kKeyA).has_value());
    ASSERT_TRUE(window->Database().GetOtherData(Row(kKeyA)->macro_value, desc, path, type));
    EXPECT_EQ(path, program);
    EXPECT_EQ(type, kFunctionApplication);
}

TEST_F(KeyPageTest, TheOnScreenKeyboardButtonAsksTheDesktopForOne) {
    Click(Control(kIdOnScreenKeyboard));
    ASSERT_NE(hostActions, nullptr);
    ASSERT_EQ(hostActions->calls.size(), 1u);
    EXPECT_EQ(hostActions->calls[0].what, "keyboard");
}

TEST_F(KeyPageTest, ExportAndImportButtonsRoundTripAProfile) {
    ClickKey(kKeyA);
    Choose(kIdFunctionType, kFunctionDisableKey);
    Click(Control(kIdSaveKey));
    const std::string folder = dir.path() + "exports";
    ::mkdir(folder.c_str(), 0700);
    chosenFile = folder;
    AnswerNextBox(33);
    Click(Control(kIdExportProfile));
    ASSERT_TRUE(boxText.has_value());
    const std::string prefix = "Exported to ";
    ASSERT_EQ(boxText->rfind(prefix, 0), 0u) << *boxText;
    chosenFile = boxText->substr(prefix.size());

    auto* profiles = Control<MComboBox>(kIdProfileList);
    const int before = profiles->GetCount();
    Click(Control(kIdImportProfile));
    ASSERT_EQ(profiles->GetCount(), before + 1);
    const int imported = static_cast<int>(profiles->GetItemData(before));
    EXPECT_EQ(window->Database().GetActiveProfile(), 1);  // not activated
    KeyAssignment row;
    ASSERT_TRUE(window->Database().GetKeyAssignment(imported, 0, kKeyA, row));
    EXPECT_EQ(row.macro_type, kFunctionDisableKey);
}

// A rule added in the rules dialog with real clicks: once its application
// is reported in front, the profile list shows the rule's profile and the
// keyboard holds that profile's keys.
TEST_F(KeyPageTest, ARuleAddedInTheDialogSelectsItsProfileForTheApplicationInFront) {
    Choose(kIdProfileList, 2);
    ClickKey(kKeyB);
    Choose(kIdFunctionType, kFunctionMultimedia);
    Choose(kIdFunctionValues, 5);
    Click(Control(kIdSaveKey));
    ExpectKeyboardSlot(kKeyB, {kFunctionMultimedia, 5, 0});
    Choose(kIdProfileList, 1);
    ExpectKeyboardSlot(kKeyB, {});

    bool added = false;
    WhenShown<AppRulesDlg>([&added](AppRulesDlg* dialog) {
        auto* app = dialog->GetControlAs<MEdit>(AppRulesDlg::kIdApp);
        app->GetEditHwnd()->setFocus();
        QTest::keyClicks(app->GetEditHwnd(), "Game");
        auto* profile = dialog->GetControlAs<MComboBox>(AppRulesDlg::kIdProfile);
        profile->Widget()->setCurrentIndex(profile->FindData(2));
        emit profile->Widget()->activated(profile->FindData(2));
        auto* add = dialog->GetControl(AppRulesDlg::kIdAdd);
        QTest::mouseClick(add, Qt::LeftButton, {}, add->rect().center());
        auto* rules = dialog->GetControlAs<MComboBox>(AppRulesDlg::kIdRules);
        added = rules->GetCount() == 1 && rules->GetItemText(0) == "Game → Profile 2";
        auto* close = dialog->GetControl(AppRulesDlg::kIdClose);
        QTest::mouseClick(close, Qt::LeftButton, {}, close->rect().center());
    });
    Click(Control(kIdAppRules));
    EXPECT_TRUE(added);

    window->Follower().Report({"game", "level 1"});
    QTRY_COMPARE_WITH_TIMEOUT(Control<MComboBox>(kIdProfileList)->GetCurData(), 2, 10000);
    ExpectKeyboardSlot(kKeyB, {kFunctionMultimedia, 5, 0});
}

}  // namespace
}  // namespace vantora::test
