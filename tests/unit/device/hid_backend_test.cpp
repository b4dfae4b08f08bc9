#include <gtest/gtest.h>

#include <cstdlib>

#include "device/default_hid_backend.h"
#include "device/hidapi_backend.h"
#include "device/sim_hid_backend.h"
#include "sim/in_process_backend.h"
#include "support/fake_clock.h"

namespace vantora {
namespace {

TEST(CompositeHidBackendTest, ListsEveryBackEndAndOpensThroughTheOwner) {
    test::FakeClock clock;
    auto first = std::make_shared<sim::InProcessHidBackend>(clock);
    first->AddKeyboard();
    HidDeviceInfo other;
    other.path = "inproc:other#0";
    other.vendorId = 0x046D;
    first->AddOtherInterface(other);
    CompositeHidBackend composite;
    composite.Add(first);
    composite.Add(nullptr);  // ignored
    EXPECT_EQ(composite.Enumerate(0, 0).size(), 3u);
    EXPECT_EQ(composite.Enumerate(0x1209, 0).size(), 2u);
    EXPECT_TRUE(composite.OwnsPath(sim::InProcessHidBackend::CommandPath(0)));
    EXPECT_FALSE(composite.OwnsPath("sim:/x.sock#2"));
    EXPECT_TRUE(composite.OpenPath(sim::InProcessHidBackend::CommandPath(0)));
    EXPECT_FALSE(composite.OpenPath("sim:/x.sock#2"));
}

TEST(CompositeHidBackendTest, DefaultBackEndRoutesPathsByKind) {
    auto backend = CreateDefaultHidBackend();
    EXPECT_TRUE(backend->OwnsPath("/dev/hidraw0"));
    EXPECT_TRUE(backend->OwnsPath("sim:/run/user/1/vantora-sim/1209-0001-1-0.sock#2"));
    EXPECT_FALSE(backend->OwnsPath("inproc:kbd0#2"));
    EXPECT_FALSE(backend->OpenPath("inproc:kbd0#2"));
}

TEST(HidapiBackendTest, WideTextBecomesUtf8) {
    EXPECT_EQ(WideToUtf8(nullptr), "");
    const wchar_t text[] = {L'K', static_cast<wchar_t>(0xE9), static_cast<wchar_t>(0x1F600), 0};
    EXPECT_EQ(WideToUtf8(text), "K\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(HidapiBackendDeathTest, ATestThatReachesHidapiEndsWithAMessage) {
    if (std::getenv("VANTORA_TEST_ALLOW_HARDWARE") != nullptr) {
        GTEST_SKIP() << "hardware allowed";
    }
    EXPECT_DEATH(HidapiBackend().Enumerate(0, 0), "VANTORA_TEST_ALLOW_HARDWARE=1");
    EXPECT_DEATH(HidapiBackend().OpenPath("/dev/hidraw0"), "real HID back end");
}

TEST(HidapiBackendTest, OnlyDeviceNodesBelongToIt) {
    // Never enumerates or opens anything here: no test touches real hardware.
    HidapiBackend backend;
    EXPECT_TRUE(backend.OwnsPath("/dev/hidraw3"));
    EXPECT_FALSE(backend.OwnsPath("sim:/x.sock#2"));
    EXPECT_FALSE(backend.OpenPath("sim:/x.sock#2"));
}

}  // namespace
}  // namespace vantora
