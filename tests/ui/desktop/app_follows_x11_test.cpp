// The profile follows the X11 window in front, end to end: openbox on a
// server of the test's own, the X11 source, the follower and the session
// writing to the in-process keyboard.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include <memory>

#include "keys/function_catalogue.h"
#include "platform/x11_active_window.h"
#include "session/app_rules.h"
#include "session/device_session.h"
#include "sim/in_process_backend.h"
#include "support/env_guard.h"
#include "support/fake_clock.h"
#include "support/manual_hotplug.h"
#include "support/openbox_desktop.h"
#include "support/temp_dir.h"
#include "sync/device_worker.h"
#include "ui/desktop/app_profile_follower.h"

namespace vantora::test {
namespace {

constexpr int kKeyB = 0x05;

TEST(AppFollowsX11Test, TheKeyboardsKeysFollowTheWindowInFront) {
    if (!OpenboxDesktop::Installed()) {
        GTEST_SKIP() << "Xvfb, openbox or xdotool is not installed";
    }
    OpenboxDesktop desktop;
    ASSERT_FALSE(desktop.Name().empty()) << "Xvfb did not come up";

    TempDir dir;
    YieldingClock clock;
    auto backend = std::make_shared<sim::InProcessHidBackend>(clock);
    std::shared_ptr<sim::InProcessKeyboard> keyboard = backend->AddKeyboard();
    SessionObserver observer;
    SessionOptions options;
    options.programFolder = VANTORA_BIN_DIR;
    options.dataFolder = dir.path() + "data/";
    options.backend = backend;
    options.clock = &clock;
    options.listenForEvents = false;
    options.hotplugSources = [] {
        std::vector<std::unique_ptr<HotplugSource>> sources;
        sources.push_back(std::make_unique<ManualHotplug>());
        return sources;
    };
    DeviceSession session(std::move(options), observer);
    ASSERT_TRUE(session.Start());
    QTRY_VERIFY_WITH_TIMEOUT(session.Worker()->InitialLoadDone(), 10000);
    const auto keyTable = [&] {
        return keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.KeyTable(); });
    };
    const auto profileOne = keyTable();

    // Profile 2 gives B a multimedia function; VantoraFirst selects it, any
    // other application profile 1.
    ProfileDatabase& db = session.Database();
    KeyAssignment row;
    row.profile = 2;
    row.key_code = kKeyB;
    row.macro_type = kFunctionMultimedia;
    row.macro_value = 5;
    row.macro_desc = "x";
    ASSERT_NE(db.SaveKeyAssignment(row), 0);
    ProfileRule rule;
    rule.app_id = "VantoraFirst";
    rule.profile = 2;
    ASSERT_NE(db.AddProfileRule(rule), 0);
    ASSERT_TRUE(StoreAppProfileDefault(db, 1));

    AppProfileFollower follower(
        session, {},
        ui::ActiveWindowChoice{ui::ActiveWindowDesktop::kX11,
                               std::make_unique<platform::X11ActiveWindowSource>(desktop.Name())});
    // The follower starts once openbox names the active window.
    platform::X11ActiveWindowSource probe(desktop.Name());
    std::string error;
    ASSERT_TRUE(desktop.StartWindowManager([&] { return probe.Start([](const auto&) {}, error); })) << error;
    probe.Stop();
    follower.Start();
    ASSERT_EQ(follower.SourceName(), "x11");
    const xcb_window_t first = desktop.OpenWindow("first", "VantoraFirst", "First window");
    const xcb_window_t second = desktop.OpenWindow("second", "VantoraSecond", "Second window");
    const auto front = [&](xcb_window_t window, int profile) {
        return desktop.Activate(window, [&](std::chrono::milliseconds timeout) {
            return QTest::qWaitFor([&] { return db.GetActiveProfile() == profile; },
                                   static_cast<int>(timeout.count()));
        });
    };
    ASSERT_TRUE(front(first, 2));
    QTRY_VERIFY_WITH_TIMEOUT(keyTable() != profileOne, 10000);
    ASSERT_TRUE(front(second, 1));
    QTRY_VERIFY_WITH_TIMEOUT(keyTable() == profileOne, 10000);
    ASSERT_TRUE(front(first, 2));
    QTRY_VERIFY_WITH_TIMEOUT(keyTable() != profileOne, 10000);
    follower.Stop();
    session.Stop();
}

}  // namespace
}  // namespace vantora::test
