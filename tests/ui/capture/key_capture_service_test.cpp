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
#include "support/temp_dir.h"
#include "support/xvfb_server.h"

#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

// Recording from the keyboard's own event node (a FIFO in a fake tree): its
// keys reach the sink on the UI thread, the field's do not, and the node is
// closed at Disarm. Without a node the service falls back to the field.
TEST_F(KeyCaptureServiceTest, TheKeyboardsOwnNodeServesRecordingUntilDisarm) {
    test::TempDir root;
    root.WriteFile("sys/class/input/event5/device/id/vendor", "1209\n");
    root.WriteFile("sys/class/input/event5/device/id/product", "0001\n");
    root.WriteFile("dev/input/.keep", "");
    const std::string node = root.path() + "dev/input/event5";
    ASSERT_EQ(::mkfifo(node.c_str(), 0600), 0);
    service.SetDeviceRoots(root.path() + "sys", root.path() + "dev");

    EXPECT_EQ(service.ArmFromKeyboard(Recorder(seen), 0x1209, 0x0002),
              KeyCaptureService::KeyboardAccess::kAbsent);
    EXPECT_EQ(service.KeySource(), KeyCaptureService::Source::kWindow);
    EXPECT_TRUE(service.Feed(QtKey(Qt::Key_B)));

    ASSERT_EQ(service.ArmFromKeyboard(Recorder(seen), 0x1209, 0x0001),
              KeyCaptureService::KeyboardAccess::kRead);
    EXPECT_EQ(service.KeySource(), KeyCaptureService::Source::kKeyboard);
    EXPECT_FALSE(service.Feed(QtKey(Qt::Key_B)));
    const int writer = ::open(node.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    input_event events[2] = {};
    events[0].type = events[1].type = EV_KEY;
    events[0].code = events[1].code = KEY_A;
    events[0].value = 1;
    ASSERT_EQ(::write(writer, events, sizeof events), static_cast<ssize_t>(sizeof events));
    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), std::size_t{3}, 5000);
    EXPECT_EQ(seen, (std::vector<Seen>{{'B', "B", false}, {'A', "A", false}, {'A', "A", true}}));
    ::close(writer);

    service.Disarm();
    EXPECT_LT(::open(node.c_str(), O_WRONLY | O_NONBLOCK), 0);  // no reader: the node is closed
    EXPECT_EQ(errno, ENXIO);
}

}  // namespace
}  // namespace vantora
