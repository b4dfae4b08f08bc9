// The compositor's keymap where there is none to be had; with a compositor
// (headless sway) it is checked by tests/desktop/wayland_keymap.sh.
#include "platform/wayland_keymap.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace vantora {
namespace {

TEST(WaylandKeymapTest, NoCompositorOrASilentOneGivesNoKeymapInTime) {
    test::TempDir dir;
    test::EnvGuard env;
    env.Set("XDG_RUNTIME_DIR", dir.path());
    env.Set("WAYLAND_DISPLAY", "wayland-none");
    std::string error;
    EXPECT_EQ(ReadWaylandKeymap(error), std::nullopt);
    EXPECT_EQ(error, "no Wayland compositor to connect to");

    // A socket that takes the connection and never answers.
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = dir.path() + "wayland-silent";
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    env.Set("WAYLAND_DISPLAY", "wayland-silent");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadWaylandKeymap(error, std::chrono::milliseconds(200)), std::nullopt);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(error, "the Wayland compositor did not answer in time");
    EXPECT_GE(waited, std::chrono::milliseconds(150));
    EXPECT_LT(waited, std::chrono::seconds(2));
    close(listener);
}

}  // namespace
}  // namespace vantora
