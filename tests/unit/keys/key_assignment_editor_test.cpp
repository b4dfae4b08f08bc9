#include "keys/key_assignment_editor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "i18n/strings.h"
#include "keys/function_catalogue.h"
#include "keys/profile_exchange.h"
#include "keys_fixture.h"

namespace vantora {
namespace {

using Result = KeyAssignmentEditor::SaveResult;

constexpr unsigned kVkA = 0x41;
constexpr unsigned kVkB = 0x42;
constexpr unsigned kVkLeftShift = 160;
constexpr unsigned kVkLeftControl = 162;
constexpr unsigned kVkLeftAlt = 164;

KeyFunction Keys(unsigned modifier, const std::string& modifierName, unsigned key,
                 const std::string& keyName) {
    KeyFunction function;
    function.type = kFunctionKeyboard;
    function.modifierCode = modifier;
    function.modifierName = modifierName;
    function.keyCode = key;
    function.keyName = keyName;
    return function;
}

KeyFunction Listed(int type, int value) {
    KeyFunction function;
    function.type = type;
    function.listValue = value;
    return function;
}

KeyFunction Texted(int type, const std::string& text, const std::string& path = {}) {
    KeyFunction function;
    function.type = type;
    function.text = text;
    function.programPath = path;
    return function;
}

class KeyAssignmentEditorTest : public test::FirstStartDatabaseTest {
protected:
    void SetUp() override {
        FirstStartDatabaseTest::SetUp();
        selection.selectedKey = 4;
    }

    // The stored row of `key` in the selection's profile and layer; key_code 0 when none.
    KeyAssignment Row(int key) {
        KeyAssignment row;
        db.GetKeyAssignment(selection.profile, selection.layer, key, row);
        return row;
    }

    OtherData Other(int id) {
        OtherData data;
        db.GetOtherData(id, data.macro_desc, data.param, data.type);
        return data;
    }

    Result SaveOn(int key, const KeyFunction& function) {
        selection.selectedKey = key;
        return editor.Save(function);
    }

    KeyAssignmentEditor editor{db, selection};
};

TEST_F(KeyAssignmentEditorTest, EveryTypeStoresItsColumnsAndLoadsBack) {
    const int macroId = db.AddMacro("Greeting");
    struct Case {
        KeyFunction function;
        int value;  // -1: the host-side id
        int value2;
        std::string desc;
        std::string param;
    };
    const Case cases[] = {
        {Listed(kFunctionDisableKey, 0), 1, 0, GetUiString(124), ""},
        {Keys(0, "", kVkLeftShift, "Shift"), 225, 0, "Shift", ""},
        {Keys(kVkLeftControl, "Ctrl", kVkA, "A"), 4, 224, "Ctrl + A", ""},
        {Keys(kVkLeftShift, "Shift", 0, ""), 225, 0, "Shift", ""},  // a lone modifier is the key
        {Listed(kFunctionMacro, macroId), macroId, 0, "Greeting", ""},
        {Listed(kFunctionMouse, 3), 3, 0, GetUiString(153), ""},
        {Listed(kFunctionMultimedia, 7), 7, 0, GetUiString(166), ""},
        {Listed(kFunctionWindowsShortcut, 5), 5, 0, GetUiString(174), ""},
        {Texted(kFunctionApplication, "gedit", "/usr/bin/gedit"), -1, 0, "gedit", "/usr/bin/gedit"},
        {Texted(kFunctionWebsite, "example.org"), -1, 0, "example.org", ""},
        {Texted(kFunctionSendText, "Grüße"), -1, 0, "Grüße", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.desc);
        ASSERT_EQ(editor.Save(c.function), Result::kSaved);
        const KeyAssignment row = Row(4);
        EXPECT_EQ(row.macro_type, c.function.type);
        EXPECT_EQ(row.macro_value2, c.value2);
        EXPECT_EQ(row.macro_desc, c.desc);
        EXPECT_EQ(row.layout_value + row.macro_value3, 0);
        EXPECT_EQ(row.layout_desc, "");
        if (c.value == -1) {
            const OtherData other = Other(row.macro_value);
            EXPECT_EQ(other.macro_desc, c.desc);
            EXPECT_EQ(other.param, c.param);
            EXPECT_EQ(other.type, c.function.type);
        } else {
            EXPECT_EQ(row.macro_value, c.value);
        }
        // What Load gives saves the same row again.
        const KeyFunction loaded = editor.Load(4);
        EXPECT_EQ(loaded.label, c.desc);
        ASSERT_EQ(editor.Save(loaded), Result::kSaved);
        const KeyAssignment again = Row(4);
        EXPECT_EQ(again.macro_value, row.macro_value);
        EXPECT_EQ(again.macro_value2, row.macro_value2);
        EXPECT_EQ(again.macro_desc, row.macro_desc);
        EXPECT_EQ(Other(again.macro_value).param, c.param);
    }
    const Result removed = editor.Save(KeyFunction{});
    EXPECT_EQ(removed, Result::kSaved);
    EXPECT_TRUE(KeyAssignmentEditor::NeedsKeyDownload(removed));
    EXPECT_EQ(Row(4).key_code, 0);
}

TEST_F(KeyAssignmentEditorTest, KeyWithoutRowLoadsAsEmptyDefault) {
    ASSERT_EQ(editor.Save(Keys(kVkLeftControl, "Ctrl", kVkA, "A")), Result::kSaved);
    EXPECT_EQ(editor.Load(5), KeyFunction{});
    EXPECT_EQ(SaveOn(5, editor.Load(5)), Result::kSaved);
    EXPECT_EQ(Row(5).key_code, 0);
    EXPECT_EQ(Row(4).macro_desc, "Ctrl + A");
    selection.layer = 1;
    EXPECT_EQ(editor.Load(4), KeyFunction{});
}

TEST_F(KeyAssignmentEditorTest, SavingWithoutSelectedKeyStoresNothing) {
    const Result result = SaveOn(0, Listed(kFunctionDisableKey, 0));
    EXPECT_EQ(result, Result::kNoKeySelected);
    EXPECT_FALSE(KeyAssignmentEditor::NeedsKeyDownload(result));
    EXPECT_TRUE(editor.Labels().empty());
}

TEST_F(KeyAssignmentEditorTest, RefusedSavesKeepTheRowAndNeedNoDownload) {
    ASSERT_EQ(editor.Save(Texted(kFunctionWebsite, "example.org")), Result::kSaved);
    const KeyAssignment before = Row(4);
    struct Case {
        KeyFunction function;
        Result result;
    };
    const Case cases[] = {
        {Keys(0, "", 0, ""), Result::kNothingCaptured},
        {Keys(0, "", 7, "?"), Result::kNothingCaptured},  // a virtual key without a usage
        {Keys(kVkA, "A", kVkB, "B"), Result::kNothingCaptured},
        {Listed(kFunctionMouse, 4), Result::kNothingChosen},
        {Listed(kFunctionMacro, 0), Result::kNothingChosen},
        {Listed(kFunctionMacro, 99), Result::kNothingChosen},
        {Texted(kFunctionSendText, ""), Result::kEmptyText},
        {Texted(kFunctionApplication, "gedit"), Result::kNoProgram},
        {Listed(4, 1), Result::kUnknownType},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.result));
        EXPECT_EQ(editor.Save(c.function), c.result);
        EXPECT_FALSE(KeyAssignmentEditor::NeedsKeyDownload(c.result));
        EXPECT_EQ(Row(4).key_id, before.key_id);
    }
    EXPECT_EQ(Other(before.macro_value + 1).type, 0);  // no host-side row was written
}

TEST_F(KeyAssignmentEditorTest, HostSideIdsStayBelow256AndNeverShared) {
    // 300 saves over 40 keys of both layers and two profiles.
    for (int save = 0; save < 300; ++save) {
        selection.profile = 1 + save % 2;
        selection.layer = (save / 40) % 2;
        ASSERT_EQ(SaveOn(4 + save % 40, Texted(kFunctionWebsite, "site" + std::to_string(save) + ".org")),
                  Result::kSaved);
    }
    std::set<int> live;
    for (int profile : {1, 2}) {
        std::vector<KeyAssignment> rows;
        db.ListAllKeyAssignments(profile, rows);
        for (const KeyAssignment& row : rows) {
            EXPECT_LT(row.macro_value, 256);
            EXPECT_TRUE(live.insert(row.macro_value).second) << row.macro_value;
            EXPECT_EQ(Other(row.macro_value).macro_desc, row.macro_desc);
        }
    }
    EXPECT_EQ(live.size(), 80u);
}

TEST_F(KeyAssignmentEditorTest, AProfileHolds255HostSideKeysWhateverTheOtherProfilesUse) {
    for (int key = 1; key <= 255; ++key) {
        ASSERT_EQ(SaveOn(key, Texted(kFunctionSendText, "t")), Result::kSaved);
    }
    selection.layer = 1;
    EXPECT_EQ(SaveOn(9, Texted(kFunctionSendText, "full")), Result::kNoFreeId);
    EXPECT_EQ(Row(9).key_code, 0);
    selection.layer = 0;
    EXPECT_EQ(SaveOn(7, Texted(kFunctionSendText, "again")), Result::kSaved);  // replaces its own
    // Every id below 256 is in use: another profile's keys get ids beyond.
    selection.profile = 2;
    ASSERT_EQ(SaveOn(9, Texted(kFunctionSendText, "fits")), Result::kSaved);
    EXPECT_GE(Row(9).macro_value, 256);
    EXPECT_EQ(Other(Row(9).macro_value).macro_desc, "fits");
    selection.profile = 1;
    const int freed = Row(8).macro_value;
    EXPECT_EQ(SaveOn(8, Listed(kFunctionMouse, 1)), Result::kSaved);
    selection.profile = 2;
    EXPECT_EQ(SaveOn(10, Texted(kFunctionSendText, "below again")), Result::kSaved);
    EXPECT_EQ(Row(10).macro_value, freed);
}

TEST_F(KeyAssignmentEditorTest, AnotherProfileTakesHostSideKeysAfterAnImportUsedEveryOneByteId) {
    std::string items;
    for (int key = 1; key <= 255; ++key) {
        items += "<item fn_layer=\"0\" key_code=\"" + std::to_string(key) +
                 "\" macro_type=\"9\" macro_value=\"1\" macro_desc=\"s" + std::to_string(key) + ".org\"/>";
    }
    const ImportResult imported = ImportProfileBytes(
        db, "<profile><profileinfo name=\"Many\"/><keyitems>" + items + "</keyitems></profile>");
    ASSERT_GT(imported.profileId, 0) << imported.error;
    ASSERT_TRUE(imported.skipped.empty());
    selection.profile = 2;
    for (int key = 4; key <= 6; ++key) {
        ASSERT_EQ(SaveOn(key, Texted(kFunctionWebsite, "more" + std::to_string(key) + ".org")),
                  Result::kSaved);
        EXPECT_EQ(Other(Row(key).macro_value).macro_desc, "more" + std::to_string(key) + ".org");
    }
}

TEST_F(KeyAssignmentEditorTest, DeletedProfilesHoldNoIds) {
    selection.profile = 3;
    ASSERT_EQ(SaveOn(4, Texted(kFunctionWebsite, "old.org")), Result::kSaved);
    const int id = Row(4).macro_value;
    ASSERT_TRUE(db.DeleteProfile(3));
    selection.profile = 1;
    ASSERT_EQ(SaveOn(5, Texted(kFunctionWebsite, "new.org")), Result::kSaved);
    EXPECT_EQ(Row(5).macro_value, id);
}

TEST_F(KeyAssignmentEditorTest, LabelsShowKeyboardTextsOnTheKey) {
    ASSERT_EQ(SaveOn(4, Keys(kVkLeftControl, "Ctrl", kVkA, "A")), Result::kSaved);
    ASSERT_EQ(SaveOn(5, Listed(kFunctionMouse, 1)), Result::kSaved);
    selection.layer = 1;
    ASSERT_EQ(SaveOn(6, Texted(kFunctionSendText, "hi")), Result::kSaved);
    selection.layer = 0;
    const std::vector<KeyLabel> expected = {{4, "Ctrl + A", "Ctrl + A"}, {5, "", GetUiString(151)}};
    EXPECT_EQ(editor.Labels(), expected);
}

TEST(KeyCaptureTest, LaterKeysReplaceEarlierOnesOfTheirKind) {
    KeyFunction function;
    CaptureCombinationKey(function, kVkLeftControl, "Ctrl");
    CaptureCombinationKey(function, kVkA, "A");
    CaptureCombinationKey(function, kVkLeftAlt, "Alt");
    CaptureCombinationKey(function, kVkB, "B");
    EXPECT_EQ(CaptureText(function), "Alt + B");
    ClearCapture(function);
    CaptureSingleKey(function, kVkLeftShift, "Shift");
    EXPECT_EQ(CaptureText(function), "Shift");
    EXPECT_EQ(function.modifierCode, 0u);
}

TEST(WebAddressTest, BareDomainsGetWwwAndSchemesDoNot) {
    const std::pair<const char*, const char*> cases[] = {
        {"example.org", "www.example.org"},
        {"  example.org ", "www.example.org"},
        {"localhost:8080", "www.localhost:8080"},
        {"www.example.org", "www.example.org"},
        {"WWW.Example.org", "WWW.Example.org"},
        {"example.org/www.page", "example.org/www.page"},
        {"https://example.org", "https://example.org"},
        {"HTTP://example.org", "HTTP://example.org"},
        {"git+ssh://host/repo", "git+ssh://host/repo"},
        {"mailto:me@example.org", "mailto:me@example.org"},
        {"MailTo:me@example.org", "MailTo:me@example.org"},
        {"", ""},
        {"   ", ""},
    };
    for (const auto& [typed, opened] : cases) {
        EXPECT_EQ(WebAddressToOpen(typed), opened) << typed;
    }
}

}  // namespace
}  // namespace vantora
