// The keyboard's host-side keys reach the window as MSG_DEVICE_EVENT and are
// carried out through the window's HostActions.
#include "keys/function_catalogue.h"
#include "keys/key_assignment_editor.h"
#include "main_window_fixture.h"
#include "ui/window_messages.h"

namespace vantora::test {
namespace {

using Call = FakeHostActions::Call;

// The keyboard reports a host-side key by the slot its key table holds. A
// database an earlier import filled with row ids past 255: A's web site is
// row 257, whose low byte is the id of Escape's program in another profile.
// Pressing A opens A's site, and slots the written table does not hold run
// nothing.
TEST_F(MainWindowTest, KeyPressesRunTheRowOfTheirOwnKey) {
    OpenConnected();
    ASSERT_NE(hostActions, nullptr);
    ProfileDatabase& db = window->Database();
    const int first = window->CurrentSelection().profile;
    const int imported = db.AddProfile("Shared");
    ASSERT_TRUE(db.PutOtherData(1, "script", "/home/user/script.sh", kFunctionApplication));
    ASSERT_TRUE(db.PutOtherData(257, "example.org", "", kFunctionWebsite));
    ASSERT_TRUE(db.PutOtherData(258, "file:///etc/passwd", "", kFunctionWebsite));
    const auto assign = [&db](int profile, int key, int type, int id) {
        KeyAssignment row;
        row.profile = profile;
        row.key_code = key;
        row.macro_type = type;
        row.macro_value = id;
        row.macro_desc = "x";
        return db.SaveKeyAssignment(row) != 0;
    };
    ASSERT_TRUE(assign(first, 0x29, kFunctionApplication, 1));   // Escape
    ASSERT_TRUE(assign(imported, 0x04, kFunctionWebsite, 257));  // A
    ASSERT_TRUE(assign(imported, 0x05, kFunctionWebsite, 258));  // B: refused at the press
    db.SetActiveProfile(imported);
    window->CurrentSelection().profile = imported;
    window->QueueTask(SyncKeys);
    const int indexA = window->LayoutCodeToIndex().at(0x04);
    const int indexB = window->LayoutCodeToIndex().at(0x05);
    QTRY_VERIFY_WITH_TIMEOUT(keyboard->WithFirmware([&](sim::KeyboardFirmware& f) {
        return f.PressKey(indexA, false).has_value() && f.PressKey(indexB, false).has_value();
    }),
                             10000);

    ASSERT_TRUE(keyboard->Press(indexA, false));
    ASSERT_TRUE(keyboard->Press(indexB, false));
    const WindowPoster post = window->MessagePoster();
    post(MSG_DEVICE_EVENT, 0, 200);  // a slot the table does not hold
    post(MSG_DEVICE_EVENT, 0, 0);
    ASSERT_TRUE(keyboard->Press(indexA, false));
    const std::vector<Call> want{{"web", "http://www.example.org"}, {"web", "http://www.example.org"}};
    QTRY_COMPARE_WITH_TIMEOUT(hostActions->calls, want, 10000);

    window->OpenOnScreenKeyboard();
    EXPECT_EQ(hostActions->calls.back(), (Call{"keyboard", ""}));
}

// A Website function saved for a key, downloaded to the simulated keyboard,
// and the key pressed there: the address is opened.
TEST_F(MainWindowTest, PressingAWebsiteKeyOnTheKeyboardOpensItsAddress) {
    OpenConnected();
    ASSERT_NE(hostActions, nullptr);
    constexpr int kKeyA = 0x04;
    const auto found = window->LayoutCodeToIndex().find(kKeyA);
    ASSERT_NE(found, window->LayoutCodeToIndex().end());
    const int index = found->second;

    window->CurrentSelection().selectedKey = kKeyA;
    KeyAssignmentEditor editor(window->Database(), window->CurrentSelection());
    KeyFunction function;
    function.type = kFunctionWebsite;
    function.text = "https://example.org/start";
    ASSERT_EQ(editor.Save(function), KeyAssignmentEditor::SaveResult::kSaved);
    window->QueueTask(SyncKeys);
    QTRY_VERIFY_WITH_TIMEOUT(keyboard->WithFirmware([&](sim::KeyboardFirmware& f) {
        return f.PressKey(index, false).has_value();
    }),
                             10000);

    ASSERT_TRUE(keyboard->Press(index, false));
    const std::vector<Call> want{{"web", "https://example.org/start"}};
    QTRY_COMPARE_WITH_TIMEOUT(hostActions->calls, want, 10000);
}

}  // namespace
}  // namespace vantora::test
