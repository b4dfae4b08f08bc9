#include "platform/x11_raw_keys.h"

// Before Xlib, whose macros (None, Bool) clash with GoogleTest's names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "support/env_guard.h"
#include "support/xvfb_server.h"

namespace vantora {
namespace {

struct Seen {
    unsigned virtualKey;
    std::string name;
    bool isUp;
    bool operator==(const Seen&) const = default;
};

TEST(RawKeyListenerTest, WithoutADisplayItDoesNotStart) {
    test::EnvGuard env;
    env.Unset("DISPLAY");
    RawKeyListener listener;
    EXPECT_FALSE(listener.Start([](const DecodedKey&, bool) {}));
    EXPECT_FALSE(listener.IsRunning());
    listener.Stop();  // harmless
}

TEST(RawKeyListenerTest, ReportsPressesAndReleasesOfTheServer) {
    if (!test::XvfbServer::Installed()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    test::XvfbServer server;
    ASSERT_FALSE(server.Name().empty()) << "Xvfb did not come up";
    Display* sender = XOpenDisplay(server.Name().c_str());
    ASSERT_NE(sender, nullptr);

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Seen> seen;
    RawKeyListener listener;
    const auto record = [&](const DecodedKey& key, bool isUp) {
        std::lock_guard lock(mutex);
        seen.push_back({key.virtualKey, key.name, isUp});
        changed.notify_all();
    };
    ASSERT_TRUE(listener.Start(record, server.Name()));
    EXPECT_TRUE(listener.IsRunning());
    EXPECT_TRUE(listener.Start(record, server.Name()));  // already running

    const auto press = [&](unsigned keycode, bool down) {
        XTestFakeKeyEvent(sender, keycode, down ? True : False, CurrentTime);
        XSync(sender, False);
    };
    const unsigned super = XKeysymToKeycode(sender, XK_Super_L);
    press(38, true);  // the A key
    press(38, false);
    press(super, true);
    press(super, false);
    const std::vector<Seen> expected = {
        {'A', "A", false}, {'A', "A", true}, {91, "Windows", false}, {91, "Windows", true}};
    {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, std::chrono::seconds(10), [&] { return seen.size() >= expected.size(); });
        EXPECT_EQ(seen, expected);
    }

    listener.Stop();
    EXPECT_FALSE(listener.IsRunning());
    // Started again after a stop, it listens again.
    ASSERT_TRUE(listener.Start(record, server.Name()));
    press(38, true);
    {
        std::unique_lock lock(mutex);
        EXPECT_TRUE(changed.wait_for(lock, std::chrono::seconds(10),
                                     [&] { return seen.size() == expected.size() + 1; }));
    }
    listener.Stop();
    press(38, false);
    XCloseDisplay(sender);
}

}  // namespace
}  // namespace vantora
