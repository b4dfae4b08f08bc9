// The frame's keyboard status line: what the worker does with the keyboard
// while it does it, and a refused download until the next good one.
#include "main_window_fixture.h"

namespace vantora::test {
namespace {

TEST_F(MainWindowTest, StatusLineTellsDownloadsAndARefusalUntilTheNextGoodDownload) {
    OpenConnected();
    auto* line = Control<MText>(kIdKeyboardStatus);
    ASSERT_NE(line, nullptr);
    QTRY_COMPARE(line->GetTitle(), std::string());  // the initial load was taken

    // A key table download against a slow keyboard: told while it runs.
    keyboard->SetFaults({.answerDelayMs = 30});
    window->QueueTask(SyncKeys);
    QTRY_VERIFY_WITH_TIMEOUT(line->GetTitle().rfind("Writing to the keyboard", 0) == 0, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(line->GetTitle(), std::string(), 10000);

    const std::string refused = "The keyboard did not take the last change.";
    keyboard->SetFaults({.refuseAll = true});
    window->QueueTask(SyncSettings);
    QTRY_COMPARE_WITH_TIMEOUT(line->GetTitle(), refused, 15000);
    window->QueueTask(SyncMusicLayer);  // talks to no keyboard: the message stays
    QTest::qWait(100);
    EXPECT_EQ(line->GetTitle(), refused);

    keyboard->SetFaults({});
    window->QueueTask(SyncSettings);
    QTRY_COMPARE_WITH_TIMEOUT(line->GetTitle(), std::string(), 15000);
}

}  // namespace
}  // namespace vantora::test
