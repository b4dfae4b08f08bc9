#include "platform/x11_active_window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/env_guard.h"
#include "support/openbox_desktop.h"

namespace vantora::platform {
namespace {

TEST(X11ActiveWindowSourceTest, WithoutADisplayItDoesNotStart) {
    test::EnvGuard env;
    env.Unset("DISPLAY");
    X11ActiveWindowSource source;
    std::string error;
    EXPECT_FALSE(source.Start([](const ActiveWindow&) {}, error));
    EXPECT_NE(error.find("X display"), std::string::npos);
    source.Stop();  // harmless
}

TEST(X11ActiveWindowSourceTest, FollowsTheWindowManagersActiveWindow) {
    if (!test::OpenboxDesktop::Installed()) {
        GTEST_SKIP() << "Xvfb, openbox or xdotool is not installed";
    }
    test::OpenboxDesktop desktop;
    ASSERT_FALSE(desktop.Name().empty()) << "Xvfb did not come up";
    X11ActiveWindowSource source(desktop.Name());
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<ActiveWindow> seen;
    const auto record = [&](const ActiveWindow& window) {
        std::lock_guard lock(mutex);
        seen.push_back(window);
        changed.notify_all();
    };
    // Without a window manager nobody names the active window.
    std::string error;
    EXPECT_FALSE(source.Start(record, error));
    EXPECT_NE(error.find("_NET_ACTIVE_WINDOW"), std::string::npos);
    ASSERT_TRUE(desktop.StartWindowManager([&] { return source.Start(record, error); })) << error;

    const xcb_window_t first = desktop.OpenWindow("first", "VantoraFirst", "First window");
    const xcb_window_t second = desktop.OpenWindow("second", "VantoraSecond", "Second window");
    // Activated in turn, each until its report comes.
    const auto activate = [&](xcb_window_t window, const std::string& cls) {
        desktop.Activate(window, [&](std::chrono::milliseconds timeout) {
            std::unique_lock lock(mutex);
            return changed.wait_for(lock, timeout, [&] { return !seen.empty() && seen.back().appId == cls; });
        });
    };
    activate(first, "VantoraFirst");
    activate(second, "VantoraSecond");
    // The window in front goes away: the source lives on to see the first
    // window again.
    desktop.Close(second);
    activate(first, "VantoraFirst");
    // A new title of the window in front is reported too.
    const std::string renamed = "First window, renamed";
    desktop.Rename(first, renamed);
    {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, std::chrono::seconds(10), [&] { return seen.back().title == renamed; });
    }
    source.Stop();
    {
        std::lock_guard lock(mutex);
        std::vector<std::string> order;
        for (const ActiveWindow& window : seen) {
            if (!window.appId.empty() && (order.empty() || order.back() != window.appId)) {
                order.push_back(window.appId);
            }
        }
        // Before the first activation openbox may have put either window in front.
        const std::vector<std::string> expected = {"VantoraFirst", "VantoraSecond", "VantoraFirst"};
        ASSERT_GE(order.size(), expected.size());
        EXPECT_EQ(std::vector<std::string>(order.end() - 3, order.end()), expected);
        EXPECT_EQ(seen.back().title, renamed);
        seen.clear();
    }
    // Stopped: no report however the windows change.
    desktop.Activate(first, [](std::chrono::milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return true;
    });
    std::lock_guard lock(mutex);
    EXPECT_TRUE(seen.empty());
}

}  // namespace
}  // namespace vantora::platform
