// The wlroots source without a compositor; with one (a headless sway), it
// is checked by tests/desktop/wlroots_active_window.sh.
#include "platform/wlroots_active_window.h"

#include <gtest/gtest.h>

#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace vantora::platform {
namespace {

TEST(WlrootsActiveWindowSourceTest, WithoutACompositorItDoesNotStart) {
    test::TempDir dir;
    test::EnvGuard env;
    env.Set("XDG_RUNTIME_DIR", dir.path());
    env.Set("WAYLAND_DISPLAY", "wayland-none");
    EXPECT_FALSE(WaylandOffersForeignToplevels());
    WlrootsActiveWindowSource source;
    std::string error;
    EXPECT_FALSE(source.Start([](const ActiveWindow&) {}, error));
    EXPECT_EQ(error, "no Wayland compositor to connect to");
    source.Stop();  // harmless
}

}  // namespace
}  // namespace vantora::platform
