// The MACRO page with real clicks and keys against the simulated keyboard:
// macros are added, recorded, edited, bound to keys, deleted, exported and
// imported; the keyboard's macro memory and key table follow.
#include "main_window_fixture.h"

#include <QLineEdit>
#include <QMenu>
#include <filesystem>

#include "device/key_index.h"
#include "keys/function_catalogue.h"
#include "keys/key_function_encoding.h"
#include "sim/keyboard_firmware.h"
#include "sync/macro_image.h"
#include "ui/dialogs/record_edit_dlg.h"
#include "ui/pages/own_texts.h"

namespace vantora::test {
namespace {

constexpr int kKeyA = 4;
constexpr int kKeyB = 5;
constexpr int kKeyC = 6;
constexpr int kKeyD = 7;

using Step = std::tuple<std::string, int, int, int>;  // desc, type, value, delay

class MacroPageTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        OpenConnected();
        Click(VisibleTab(kTabMacro));
        macros = Control<MacroListBox>(kIdMacroList);
        records = Control<CRecordList>(kIdRecordList);
        ASSERT_NE(macros, nullptr);
        ASSERT_NE(records, nullptr);
    }

    ProfileDatabase& Db() { return window->Database(); }

    std::vector<Step> Stored(int macroId) {
        std::vector<MacroStep> steps;
        Db().ListMacroSteps(macroId, steps);
        std::vector<Step> out;
        for (const MacroStep& s : steps) {
            out.emplace_back(s.desc, s.type, s.value, s.delay_time);
        }
        return out;
    }

    int AddStoredMacro(const std::string& name, int records) {
        const int id = Db().AddMacro(name);
        std::vector<MacroStep> steps(static_cast<std::size_t>(records));
        for (int i = 0; i < records; ++i) {
            steps[i] = {.macro_id = id,
                        .type = 2 + i % 2,
                        .record_index = i,
                        .value = 65,
                        .delay_time = 5,
                        .desc = "A"};
        }
        Db().AddMacroSteps(steps);
        return id;
    }

    void Bind(int key, int macroId) {
        KeyAssignment row;
        row.profile = 1;
        row.key_code = key;
        row.macro_type = kFunctionMacro;
        row.macro_value = macroId;
        row.macro_desc = "macro";
        Db().SaveKeyAssignment(row);
    }

    void ReloadMacroPage() { window->OnMacrosLoaded(window->Session().LoadMacros()); }

    // Clicks row `index` of a row list.
    void ClickRow(RowList* list, int index, bool twice = false) {
        const QPoint at(20, list->RowHeight() * index + list->RowHeight() / 2);
        if (twice) {
            QTest::mouseDClick(list, Qt::LeftButton, {}, at);
        } else {
            QTest::mouseClick(list, Qt::LeftButton, {}, at);
        }
    }

    // Opens the item menu of macro row `index` and picks the entry `text`.
    void PickMenu(int index, const std::string& text) {
        QTest::mouseClick(macros, Qt::LeftButton, {}, macros->ItemButtonRect(index).center());
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
        for (QAction* action : menu->actions()) {
            if (action->text().toStdString() == text) {
                action->trigger();
                menu->close();
                QCoreApplication::processEvents();
                return;
            }
        }
        FAIL() << "no menu entry " << text;
    }

    // The keyboard holds the macro memory the stored macros make.
    void ExpectKeyboardMacros() {
        std::vector<Macro> list;
        Db().ListMacros(list);
        std::vector<MacroWithSteps> withSteps;
        for (const Macro& m : list) {
            withSteps.push_back({m.macro_id, {}});
            Db().ListMacroSteps(m.macro_id, withSteps.back().steps);
        }
        const MacroImage image = BuildMacroImage(withSteps);
        QTRY_VERIFY_WITH_TIMEOUT(keyboard->WithFirmware([&](sim::KeyboardFirmware& f) {
            return std::equal(image.bytes.begin(), image.bytes.begin() + image.end, f.MacroMemory().begin());
        }),
                                 10000);
    }

    // The key's slot of the standard layer plays macro list position `position`.
    void ExpectKeyPlays(int code, int macroId, int position) {
        const int index = LookupKeyIndex(window->LayoutCodeToIndex(), code);
        ASSERT_GE(index, 0);
        std::array<std::uint8_t, 3> want{};
        EncodeKeyFunction({kFunctionMacro, macroId, 0}, position, want);
        QTRY_VERIFY_WITH_TIMEOUT(keyboard->WithFirmware([&](sim::KeyboardFirmware& f) {
            return std::equal(want.begin(), want.end(), f.KeyTable().begin() + 6 * index);
        }),
                                 10000);
    }

    MacroListBox* macros = nullptr;
    CRecordList* records = nullptr;
};

TEST_F(MacroPageTest, AMacroIsRecordedFromKeysBoundOnTheKeyPageAndReachesTheKeyboard) {
    Click(Control(kIdAddMacro));
    ASSERT_EQ(macros->GetCount(), 1);
    EXPECT_EQ(macros->GetItemText(0), "Macro");
    const int id = static_cast<int>(macros->GetCurData());
    auto* record = Control<MButton>(kIdRecord);
    ASSERT_TRUE(record->IsEnabled());

    Click(record);
    EXPECT_EQ(record->GetTitle(), GetUiString(206));
    // Offscreen, without the keyboard's event nodes: the window's own keys.
    EXPECT_EQ(Control(kIdRecordHint)->GetTitle(), GetUiString(ui_text::kRecordedInWindowOnly));
    EXPECT_FALSE(VisibleTab(kTabDevice)->IsEnabled());
    EXPECT_FALSE(Control(kIdAddMacro)->IsEnabled());
    QTest::keyPress(window.get(), Qt::Key_A);
    QTest::keyRelease(window.get(), Qt::Key_A);
    // Tab and Space are recorded, not used: the focus stays and Stop is not pressed.
    record->setFocus();
    QTest::keyClick(record, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : record, Qt::Key_Space);
    EXPECT_TRUE(window->Dialog().isVisible());
    ASSERT_EQ(record->GetTitle(), GetUiString(206));
    EXPECT_EQ(records->GetCount(), 6);

    Click(record);
    EXPECT_EQ(record->GetTitle(), GetUiString(205));
    EXPECT_TRUE(VisibleTab(kTabDevice)->IsEnabled());
    const std::vector<Step> stored = Stored(id);
    ASSERT_EQ(stored.size(), 6u);
    const int codes[] = {65, 65, 9, 9, 32, 32};
    for (std::size_t i = 0; i < stored.size(); ++i) {
        EXPECT_EQ(std::get<1>(stored[i]), 2 + static_cast<int>(i % 2)) << i;
        EXPECT_EQ(std::get<2>(stored[i]), codes[i]) << i;
        EXPECT_GE(std::get<3>(stored[i]), i + 1 < stored.size() ? 1 : 0) << i;
    }
    EXPECT_EQ(std::get<3>(stored.back()), 0);
    ExpectKeyboardMacros();

    // Bound to a key on the KEY page, the key plays it; the MACRO tab counts the link.
    Click(VisibleTab(kTabDevice));
    auto* picture = Control<KeyboardCtrl>(kIdKeyPicture);
    QTest::mouseClick(picture, Qt::LeftButton, {}, picture->KeyRect(kKeyB).center());
    Choose(kIdFunctionType, kFunctionMacro);
    Choose(kIdFunctionValues, id);
    Click(Control(kIdSaveKey));
    ExpectKeyPlays(kKeyB, id, 0);
    Click(VisibleTab(kTabMacro));
    EXPECT_EQ(macros->GetLinkCount(0), 1);
}

TEST_F(MacroPageTest, UnpluggingTheKeyboardEndsARecordingAndKeepsWhatWasRecorded) {
    Click(Control(kIdAddMacro));
    const int id = static_cast<int>(macros->GetCurData());
    Click(Control(kIdRecord));
    QTest::keyPress(window.get(), Qt::Key_Z);
    keyboard->Unplug();
    QTRY_COMPARE_WITH_TIMEOUT(window->CurrentPageId(), kTabHome, 10000);
    EXPECT_EQ(Control(kIdRecord)->GetTitle(), GetUiString(205));
    EXPECT_TRUE(VisibleTab(kTabMacro)->IsEnabled());
    EXPECT_EQ(Stored(id), (std::vector<Step>{{"Z", 2, 90, 0}}));
    // Keys reach the window's controls again.
    QTest::keyRelease(window.get(), Qt::Key_Z);
    EXPECT_EQ(Stored(id).size(), 1u);
}

TEST_F(MacroPageTest, RecordsAreInsertedSelectedEditedAndDeleted) {
    Click(Control(kIdAddMacro));
    const int id = static_cast<int>(macros->GetCurData());
    auto* key = Control<MEdit>(kIdMacroKey);
    auto* delay = Control<MEdit>(kIdMacroDelay);
    const auto insert = [&](Qt::Key pressed) {
        key->GetEditHwnd()->setFocus();
        QTest::keyClick(key->GetEditHwnd(), pressed);
        Click(Control(kIdInsertKey));
    };
    delay->SetTitle("40");
    insert(Qt::Key_A);
    EXPECT_EQ(key->GetTitle(), "A");
    // The recipe twice: each pair goes after the selected record, and a key
    // captured after an insert does not rewrite the release it left selected.
    insert(Qt::Key_B);
    EXPECT_EQ(Stored(id),
              (std::vector<Step>{{"A", 2, 65, 40}, {"A", 3, 65, 40}, {"B", 2, 66, 40}, {"B", 3, 66, 40}}));

    // A selected record fills the fields; what is typed there afterwards is
    // for the next insert, not for the record.
    ClickRow(records, 0);
    EXPECT_EQ(delay->GetTitle(), "40");
    EXPECT_EQ(key->GetTitle(), "A");
    // The field shows at once that the keyboard holds no more than 65535.
    delay->GetEditHwnd()->setFocus();
    delay->GetEditHwnd()->selectAll();
    QTest::keyClicks(delay->GetEditHwnd(), "70000");
    EXPECT_EQ(delay->GetTitle(), "65535");
    insert(Qt::Key_C);
    EXPECT_EQ(Stored(id)[0], (Step{"A", 2, 65, 40}));
    EXPECT_EQ(Stored(id)[1], (Step{"C", 2, 67, 65535}));
    EXPECT_EQ(Stored(id)[2], (Step{"C", 3, 67, 65535}));

    // The record edit dialog keeps a release a release and limits the delay.
    WhenShown<RecordEditDlg>([](RecordEditDlg* dialog) {
        dialog->GetControlAs<MEdit>(36)->SetTitle("99999");
        dialog->GetControlAs<MButton>(37)->Click();
    });
    ClickRow(records, 3, true);
    EXPECT_EQ(Stored(id)[3], (Step{"A", 3, 65, 65535}));

    Click(Control(kIdDeleteRecord));
    EXPECT_EQ(Stored(id).size(), 5u);
    EXPECT_EQ(Stored(id)[3], (Step{"B", 2, 66, 40}));
    EXPECT_EQ(records->GetCurSel(), 2);  // the record before the deleted one
    Click(Control(kIdClearRecords));
    EXPECT_TRUE(Stored(id).empty());
    ExpectKeyboardMacros();
}

// "Import Macro" is reachable while the list is empty, and the imported
// macro is then shown with its records.
TEST_F(MacroPageTest, AMacroIsImportedIntoAnEmptyList) {
    const int id = AddStoredMacro("Copy/Paste", 2);
    chosenFile = dir.path() + "out";
    std::filesystem::create_directories(chosenFile);
    ReloadMacroPage();
    AnswerNextBox(33);
    PickMenu(0, GetUiString(209));
    QTRY_VERIFY(boxText.has_value());
    const std::vector<Step> exported = Stored(id);
    const std::string file = std::filesystem::directory_iterator(chosenFile)->path().string();
    ASSERT_TRUE(Db().DeleteMacro(id));
    ReloadMacroPage();
    ASSERT_EQ(macros->GetCount(), 0);

    chosenFile = file;
    Click(Control(kIdImportMacro));
    ASSERT_EQ(macros->GetCount(), 1);
    EXPECT_EQ(macros->GetCurSel(), 0);
    EXPECT_EQ(records->GetCount(), static_cast<int>(exported.size()));
    EXPECT_EQ(Stored(static_cast<int>(macros->GetCurData())), exported);
}

TEST_F(MacroPageTest, TheRecordSpaceStopsRecordingAndInserts) {
    Click(Control(kIdAddMacro));
    const int id = static_cast<int>(macros->GetCurData());
    AddStoredMacro("Big", 995);
    AnswerNextBox(33);
    Click(Control(kIdRecord));
    EXPECT_EQ(boxText, GetUiString(232));
    EXPECT_EQ(Control(kIdRecord)->GetTitle(), GetUiString(205));

    // Four more records fill the space: an inserted pair is refused whole.
    Db().AddMacroSteps(std::vector<MacroStep>(4));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto* key = Control<MEdit>(kIdMacroKey);
    key->GetEditHwnd()->setFocus();
    QTest::keyClick(key->GetEditHwnd(), Qt::Key_C);
    AnswerNextBox(33);
    Click(Control(kIdInsertKey));
    ASSERT_TRUE(boxText.has_value());
    EXPECT_NE(boxText->find("Not enough macro space"), std::string::npos);
    EXPECT_TRUE(Stored(id).empty());
    EXPECT_EQ(records->GetCount(), 0);
}

TEST_F(MacroPageTest, DeletingABoundMacroKeepsEveryOtherKeyOnItsOwnMacro) {
    const int first = AddStoredMacro("First", 2);
    const int second = AddStoredMacro("Second", 4);
    const int third = AddStoredMacro("Third", 6);
    const int huge = AddStoredMacro("Huge", 880);  // the memory cannot hold it
    Bind(kKeyA, first);
    Bind(kKeyB, second);
    Bind(kKeyC, third);
    Bind(kKeyD, huge);
    ReloadMacroPage();
    ASSERT_EQ(macros->GetCount(), 4);
    EXPECT_NE(Control(kIdMemoryHint)->GetTitle().find("Huge"), std::string::npos);

    PickMenu(0, GetUiString(16));  // "DEL"
    ASSERT_EQ(macros->GetCount(), 3);
    EXPECT_FALSE(Db().GetMacro(first, *std::make_unique<Macro>()));
    // Another macro edited afterwards: still every key plays its own macro.
    ClickRow(macros, 1);
    Click(Control(kIdClearRecords));
    ExpectKeyboardMacros();
    ExpectKeyPlays(kKeyB, second, 0);
    ExpectKeyPlays(kKeyC, third, 1);

    Click(VisibleTab(kTabDevice));
    auto* picture = Control<KeyboardCtrl>(kIdKeyPicture);
    EXPECT_NE(picture->GetKeyWarning(kKeyA), "");  // its macro was deleted
    EXPECT_NE(picture->GetKeyWarning(kKeyD), "");  // not on the keyboard
    EXPECT_EQ(picture->GetKeyWarning(kKeyB), "");
}

TEST_F(MacroPageTest, AMacroIsExportedAndImportedThroughItsMenu) {
    const int id = AddStoredMacro("Copy/Paste", 2);
    ReloadMacroPage();
    chosenFile = dir.path() + "out";
    std::filesystem::create_directories(chosenFile);
    AnswerNextBox(33);
    PickMenu(0, GetUiString(209));
    QTRY_VERIFY(boxText.has_value());
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(chosenFile)) {
        files.push_back(entry.path());
    }
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].filename().string().rfind("Copy_Paste-", 0), 0u);

    chosenFile = files[0].string();
    PickMenu(0, GetUiString(208));
    ASSERT_EQ(macros->GetCount(), 2);
    EXPECT_EQ(macros->GetItemText(1), "Copy/Paste");
    EXPECT_EQ(Stored(static_cast<int>(macros->GetItemData(1))), Stored(id));
    EXPECT_EQ(macros->GetCurSel(), 0);  // the import is listed, not selected
}

}  // namespace
}  // namespace vantora::test
