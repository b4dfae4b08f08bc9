// The keyboard's host-side keys reach the window as MSG_DEVICE_EVENT and are
// carried out through the window's HostActions.
#include "keys/function_catalogue.h"
#include "keys/key_assignment_editor.h"
#include "main_window_fixture.h"
#include "ui/window_messages.h"

namespace vantora::test {
namespace {

using Call = FakeHostActions::Call;

TEST_F(MainWindowTest, DeviceEventsRunTheRowOfTheirIdByte) {
    Open();
    ASSERT_NE(hostActions, nullptr);
    const int site = window->Database().AddOtherData("example.org/news", "", kFunctionWebsite);
    const int text = window->Database().AddOtherData("Kind regards", "", kFunctionSendText);
    const int local = window->Database().AddOtherData("file:///etc/passwd", "", kFunctionWebsite);
    const WindowPoster post = window->MessagePoster();
    post(MSG_DEVICE_EVENT, 0, site);
    post(MSG_DEVICE_EVENT, 0, 200);           // no row
    post(MSG_DEVICE_EVENT, 0, 0);             // no key
    post(MSG_DEVICE_EVENT, 0, local);         // refused
    post(MSG_DEVICE_EVENT, 0, 0x100 + text);  // only the low byte is the id
    const std::vector<Call> want{{"web", "http://www.example.org/news"}, {"text", "Kind regards"}};
    QTRY_COMPARE(hostActions->calls, want);

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
