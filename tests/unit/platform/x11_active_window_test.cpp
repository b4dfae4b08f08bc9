#include "platform/x11_active_window.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/env_guard.h"
#include "support/xvfb_server.h"

extern char** environ;

namespace vantora::platform {
namespace {

// A top-level window of the given WM_CLASS and title, mapped.
xcb_window_t OpenWindow(xcb_connection_t* c, const std::string& instance, const std::string& cls,
                        const std::string& title) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 100, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    const std::string wmClass = instance + '\0' + cls + '\0';
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(wmClass.size()), wmClass.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(title.size()), title.data());
    xcb_map_window(c, window);
    xcb_flush(c);
    return window;
}

bool Installed(const std::string& program) {
    return ::access(program.c_str(), X_OK) == 0;
}

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
    if (!test::XvfbServer::Installed() || !Installed("/usr/bin/openbox") || !Installed("/usr/bin/xdotool")) {
        GTEST_SKIP() << "Xvfb, openbox or xdotool is not installed";
    }
    test::XvfbServer server;
    ASSERT_FALSE(server.Name().empty()) << "Xvfb did not come up";
    X11ActiveWindowSource source(server.Name());
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

    test::EnvGuard env;
    env.Set("DISPLAY", server.Name());
    pid_t openbox = -1;
    const auto startOpenbox = [&] {
        char* args[] = {const_cast<char*>("openbox"), const_cast<char*>("--sm-disable"), nullptr};
        return posix_spawn(&openbox, "/usr/bin/openbox", nullptr, nullptr, args, environ) == 0;
    };
    ASSERT_TRUE(startOpenbox());
    // On a busy machine openbox may come up slowly, or give up on a server
    // that has only just started: it is started again then.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!source.Start(record, error) && std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(openbox, nullptr, WNOHANG) == openbox) {
            ASSERT_TRUE(startOpenbox());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    xcb_connection_t* c = xcb_connect(server.Name().c_str(), nullptr);
    const xcb_window_t first = OpenWindow(c, "first", "VantoraFirst", "First window");
    const xcb_window_t second = OpenWindow(c, "second", "VantoraSecond", "Second window");
    // Activated in turn, each until its report comes (openbox may still be
    // taking the windows on at first).
    const auto activate = [&](xcb_window_t window, const std::string& cls) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < until) {
            test::RunProgram("/usr/bin/xdotool", {"windowactivate", std::to_string(window)});
            std::unique_lock lock(mutex);
            if (changed.wait_for(lock, std::chrono::milliseconds(500),
                                 [&] { return !seen.empty() && seen.back().appId == cls; })) {
                return;
            }
        }
    };
    activate(first, "VantoraFirst");
    activate(second, "VantoraSecond");
    // The window in front goes away: the source lives on to see the first
    // window again.
    xcb_destroy_window(c, second);
    xcb_flush(c);
    activate(first, "VantoraFirst");
    // A new title of the window in front is reported too.
    const std::string renamed = "First window, renamed";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, first, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(renamed.size()), renamed.data());
    xcb_flush(c);
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
    test::RunProgram("/usr/bin/xdotool", {"windowactivate", std::to_string(first)});
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(seen.empty());
    xcb_disconnect(c);
    ::kill(openbox, SIGTERM);
    ::waitpid(openbox, nullptr, 0);
}

}  // namespace
}  // namespace vantora::platform
