#include "ui/capture/key_capture_service.h"

// Before Xlib, whose macros (None, Bool) clash with GoogleTest's and Qt's names.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <string>
#include <tuple>
#include <vector>

#include "macros/macro_recorder.h"
#include "support/xvfb_server.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace vantora {
namespace {

struct Seen {
    unsigned virtualKey;
    std::string name;
    bool isUp;
    bool operator==(const Seen&) const = default;
};

CaptureKey QtKey(int qtKey, bool isUp = false, bool autoRepeat = false) {
    CaptureKey key;
    key.qtKey = qtKey;
    key.isUp = isUp;
    key.autoRepeat = autoRepeat;
    return key;
}

class KeyCaptureServiceTest : public ::testing::Test {
protected:
    KeyCaptureService::Sink Recorder(std::vector<Seen>& into) {
        return [&into](const DecodedKey& key, bool isUp) {
            into.push_back({key.virtualKey, key.name, isUp});
        };
    }
    KeyCaptureService service;
    std::vector<Seen> seen;
};

TEST_F(KeyCaptureServiceTest, FeedsReachTheSinkOnlyWhileArmed) {
    EXPECT_FALSE(service.RawKeysServe());  // offscreen: no raw keys
    EXPECT_FALSE(service.Feed(QtKey(Qt::Key_A)));
    service.Arm(Recorder(seen));
    EXPECT_TRUE(service.IsArmed());
    EXPECT_TRUE(service.Feed(QtKey(Qt::Key_Control)));
    EXPECT_TRUE(service.Feed(QtKey(Qt::Key_C)));
    EXPECT_TRUE(service.Feed(QtKey(Qt::Key_C, false, true)));  // a repeated press
    EXPECT_FALSE(service.Feed(QtKey(Qt::Key_C, true, true)));  // Qt's made-up release between repeats
    EXPECT_TRUE(service.Feed(QtKey(Qt::Key_C, true)));
    EXPECT_FALSE(service.Feed(QtKey(Qt::Key_VolumeUp)));  // no code
    const std::vector<Seen> expected = {
        {162, "Ctrl", false}, {'C', "C", false}, {'C', "C", false}, {'C', "C", true}};
    EXPECT_EQ(seen, expected);

    // A new target replaces the old one; after Disarm nothing is delivered.
    std::vector<Seen> other;
    service.Arm(Recorder(other));
    EXPECT_TRUE(service.Feed(QtKey(Qt::Key_F5)));
    service.Disarm();
    EXPECT_FALSE(service.IsArmed());
    EXPECT_FALSE(service.Feed(QtKey(Qt::Key_F6)));
    EXPECT_EQ(seen.size(), expected.size());
    EXPECT_EQ(other, (std::vector<Seen>{{116, "F5", false}}));
}

// Keys pressed in another client's focused window are recorded: the raw keys
// of the whole server reach the sink on the UI thread.
TEST_F(KeyCaptureServiceTest, RawKeysOfTheServerAreRecordedWhileAnotherWindowHasTheFocus) {
    if (!test::XvfbServer::Installed()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    test::XvfbServer server;
    ASSERT_FALSE(server.Name().empty()) << "Xvfb did not come up";
    Display* sender = XOpenDisplay(server.Name().c_str());
    ASSERT_NE(sender, nullptr);
    const auto press = [&](unsigned keycode, bool down) {
        XTestFakeKeyEvent(sender, keycode, down ? 1 : 0, CurrentTime);
        XSync(sender, 0);
    };
    constexpr unsigned kKeyA = 38;
    const Window other = XCreateSimpleWindow(sender, DefaultRootWindow(sender), 0, 0, 40, 40, 0, 0, 0);
    XMapWindow(sender, other);
    XSync(sender, 0);
    XSetInputFocus(sender, other, RevertToParent, CurrentTime);
    XSync(sender, 0);

    std::int64_t now = 0;
    MacroRecorder recorder([&now] { return now += 15; });
    ASSERT_EQ(recorder.Begin(0), MacroRecorder::Start::kStarted);
    service.SetRawDisplay(server.Name());
    bool onUiThread = true;
    service.Arm([&](const DecodedKey& key, bool isUp) {
        onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
        seen.push_back({key.virtualKey, key.name, isUp});
        recorder.Record(static_cast<int>(key.virtualKey), key.name, isUp);
    });
    ASSERT_TRUE(service.RawKeysServe());
    EXPECT_FALSE(service.Feed(QtKey(Qt::Key_B)));  // the raw key brings it: not twice
    press(kKeyA, true);
    press(kKeyA, false);
    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), std::size_t{2}, 10000);
    EXPECT_EQ(seen, (std::vector<Seen>{{'A', "A", false}, {'A', "A", true}}));
    EXPECT_TRUE(onUiThread);
    const std::vector<MacroStep> recorded = recorder.Stop();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(std::tie(recorded[0].type, recorded[0].value, recorded[0].delay_time), std::tuple(2, 65, 15));
    EXPECT_EQ(std::tie(recorded[1].type, recorded[1].value, recorded[1].delay_time), std::tuple(3, 65, 0));

    // Keys queued before Disarm are dropped, and none arrive after it.
    press(kKeyA, true);
    service.Disarm();
    EXPECT_FALSE(service.RawKeysServe());
    press(kKeyA, false);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 200) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    EXPECT_EQ(seen.size(), 2u);
    XCloseDisplay(sender);
}

}  // namespace
}  // namespace vantora
