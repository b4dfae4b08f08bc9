#include "platform/x11_raw_keys.h"

// Before Xlib, whose macros (None, Bool) clash with GoogleTest's names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "support/env_guard.h"

extern char** environ;

namespace vantora {
namespace {

// An Xvfb server of the test's own on a display number it picks itself
// (-displayfd), so keys are never sent to a real desktop.
class OwnXvfb {
public:
    OwnXvfb() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        char* args[] = {
            const_cast<char*>("Xvfb"),      const_cast<char*>("-displayfd"), const_cast<char*>("3"),
            const_cast<char*>("-nolisten"), const_cast<char*>("tcp"),        const_cast<char*>("-screen"),
            const_cast<char*>("0"),         const_cast<char*>("640x480x24"), nullptr};
        const bool spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, args, environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (!spawned) {
            pid_ = -1;
            ::close(fds[0]);
            return;
        }
        // Xvfb writes the display number once it accepts connections.
        std::string number;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (number.find('\n') == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd fd{fds[0], POLLIN, 0};
            if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
                break;
            }
            char buffer[16];
            const auto n = ::read(fds[0], buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            number.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(fds[0]);
        if (number.find('\n') != std::string::npos) {
            name_ = ":" + number.substr(0, number.find('\n'));
        }
    }
    ~OwnXvfb() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    // ":<n>", empty when the server did not come up.
    const std::string& Name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};

bool HaveXvfb() {
    return ::access("/usr/bin/Xvfb", X_OK) == 0 || ::access("/usr/local/bin/Xvfb", X_OK) == 0;
}

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
    if (!HaveXvfb()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    OwnXvfb server;
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
