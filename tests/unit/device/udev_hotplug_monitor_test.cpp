#include <gtest/gtest.h>

#include "platform/udev_hotplug_monitor.h"

namespace vantora {
namespace {

TEST(UdevHotplugMonitorTest, ParsesHidIds) {
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    ASSERT_TRUE(ParseHidId("0003:00001209:00000001", vid, pid));
    EXPECT_EQ(vid, 0x1209);
    EXPECT_EQ(pid, 0x0001);
    ASSERT_TRUE(ParseHidId("0003:0000ABCD:0000ef01", vid, pid));
    EXPECT_EQ(vid, 0xABCD);
    EXPECT_EQ(pid, 0xEF01);
    EXPECT_FALSE(ParseHidId("0003:00001209", vid, pid));
    EXPECT_FALSE(ParseHidId("0003:00011209:00000001", vid, pid));  // beyond 16 bits
    EXPECT_FALSE(ParseHidId("0003:zz:00000001", vid, pid));
    EXPECT_FALSE(ParseHidId("0003::00000001", vid, pid));
    EXPECT_FALSE(ParseHidId("", vid, pid));
}

TEST(UdevHotplugMonitorTest, StartsAndStopsWithoutEvents) {
    // No udev daemon is needed to open the monitor; nothing arrives here.
    UdevHotplugMonitor monitor;
    int calls = 0;
    bool started = monitor.Start([&](const DeviceChange&) { ++calls; });
    monitor.Stop();
    monitor.Stop();
    if (!started) {
        GTEST_SKIP() << "this system offers no udev monitor";
    }
    EXPECT_GE(calls, 0);
}

TEST(UdevHotplugMonitorTest, RefusesToStartWithoutACallback) {
    UdevHotplugMonitor monitor;
    EXPECT_FALSE(monitor.Start(nullptr));
}

}  // namespace
}  // namespace vantora
