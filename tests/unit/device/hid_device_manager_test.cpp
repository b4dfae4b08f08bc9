#include <gtest/gtest.h>

#include <array>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "device/hid_device_manager.h"
#include "sim/in_process_backend.h"
#include "support/fake_clock.h"

namespace vantora {
namespace {

HidDeviceInfo Interface(const std::string& path, std::uint16_t vid, std::uint16_t pid, int number,
                        const std::string& product = "Other", std::uint16_t release = 0x0200) {
    HidDeviceInfo info;
    info.path = path;
    info.vendorId = vid;
    info.productId = pid;
    info.interfaceNumber = number;
    info.productString = product;
    info.releaseNumber = release;
    return info;
}

class HidDeviceManagerTest : public ::testing::Test {
protected:
    HidDeviceManagerTest() : backend(clock), manager(backend, clock) {}

    test::FakeClock clock;
    sim::InProcessHidBackend backend;
    HidDeviceManager manager;
};

TEST_F(HidDeviceManagerTest, OpensTheKeyboardsInterfaceTwoAndKeepsItsRecord) {
    backend.AddKeyboard({.releaseNumber = 0x0102});
    manager.AddDeviceFilter(0x1209, 0x0001, "");
    ASSERT_TRUE(manager.OpenDevices());
    manager.SetOpenFlag(true);
    auto records = manager.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].index, 0);
    EXPECT_EQ(records[0].path, sim::InProcessHidBackend::CommandPath(0));
    EXPECT_EQ(records[0].vendorId, 0x1209);
    EXPECT_EQ(records[0].manufacturer, "VANTORA");
    EXPECT_EQ(records[0].product, "VANTORA Gaming Keyboard");
    EXPECT_EQ(manager.FirmwareVersion(), 0x0102);
}

// Holds every wait until released: an exchange in progress keeps the
// manager's lock for as long as the test wants.
class GateClock : public Clock {
public:
    void SleepMs(int) override {
        std::unique_lock lock(mutex_);
        waiting_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    std::uint64_t NowMs() override { return 0; }
    void AwaitWaiter() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return waiting_; });
    }
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool waiting_ = false;
    bool open_ = false;
};

TEST(HidDeviceManagerLocking, FirmwareVersionDoesNotWaitForAnExchange) {
    GateClock gate;
    sim::InProcessHidBackend backend(gate);
    backend.AddKeyboard({.releaseNumber = 0x0305});
    HidDeviceManager manager(backend, gate);
    manager.AddDeviceFilter(0x1209, 0x0001, "");
    ASSERT_TRUE(manager.OpenDevices());
    manager.SetOpenFlag(true);
    std::thread exchange([&] {
        std::array<std::uint8_t, 65> request{0, 0x55, 0x01};
        manager.SendReport(request, 0);
    });
    gate.AwaitWaiter();  // the exchange holds the lock and waits
    auto version = std::async(std::launch::async, [&] { return manager.FirmwareVersion(); });
    const bool answered = version.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    gate.Open();
    exchange.join();
    ASSERT_TRUE(answered);
    EXPECT_EQ(version.get(), 0x0305);
}

TEST_F(HidDeviceManagerTest, NothingMatchesWithoutFiltersOrWithOtherIds) {
    backend.AddKeyboard();
    EXPECT_FALSE(manager.OpenDevices());
    manager.AddDeviceFilter(0x1209, 0x0002, "");
    EXPECT_FALSE(manager.OpenDevices());
    EXPECT_EQ(manager.DeviceCount(), 0);
    manager.SetOpenFlag(true);
    EXPECT_EQ(manager.FirmwareVersion(), 0);
}

TEST_F(HidDeviceManagerTest, OnlyInterfaceTwoIsTaken) {
    backend.AddOtherInterface(Interface("inproc:other#0", 0x1209, 0x0001, 0));
    backend.AddOtherInterface(Interface("inproc:other#3", 0x1209, 0x0001, 3));
    manager.AddDeviceFilter(0x1209, 0x0001, "");
    EXPECT_FALSE(manager.OpenDevices());
}

TEST_F(HidDeviceManagerTest, TwoMatchingKeyboardsOnlyTheFirstThatOpensIsUsed) {
    backend.AddOtherInterface(Interface("inproc:held#2", 0x1209, 0x0001, 2), /*openable=*/false);
    backend.AddKeyboard({.releaseNumber = 0x0111});
    backend.AddKeyboard({.releaseNumber = 0x0222});
    manager.AddDeviceFilter(0x1209, 0x0001, "");
    ASSERT_TRUE(manager.OpenDevices());
    auto records = manager.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].path, sim::InProcessHidBackend::CommandPath(0));
    EXPECT_EQ(records[0].releaseNumber, 0x0111);
    // A second OpenDevices never opens a second interface.
    EXPECT_TRUE(manager.OpenDevices());
    EXPECT_EQ(manager.DeviceCount(), 1);
}

TEST_F(HidDeviceManagerTest, ProductNameMustMatchExactlyWhenGiven) {
    backend.AddOtherInterface(Interface("inproc:a#2", 0x1209, 0x0001, 2, "Keyboard A"), true, true);
    backend.AddOtherInterface(Interface("inproc:b#2", 0x1209, 0x0001, 2, "Keyboard B"), true, true);
    manager.AddDeviceFilter(0x1209, 0x0001, "Keyboard B");
    ASSERT_TRUE(manager.OpenDevices());
    EXPECT_EQ(manager.Records()[0].path, "inproc:b#2");
}

TEST_F(HidDeviceManagerTest, CloseDevicesActsOnlyWhileTheOpenFlagIsSet) {
    backend.AddKeyboard();
    manager.AddDeviceFilter(0x1209, 0x0001, "");
    ASSERT_TRUE(manager.OpenDevices());
    manager.CloseDevices();  // flag clear: nothing happens
    EXPECT_EQ(manager.DeviceCount(), 1);
    manager.SetOpenFlag(true);
    manager.CloseDevices();
    EXPECT_FALSE(manager.IsOpen());
    EXPECT_EQ(manager.DeviceCount(), 0);
    EXPECT_EQ(manager.FirmwareVersion(), 0);
}

TEST_F(HidDeviceManagerTest, UnpluggedKeyboardIsNotEnumerated) {
    auto keyboard = backend.AddKeyboard();
    keyboard->Unplug();
    manager.AddDeviceFilter(0x1209, 0x0001, "");
    EXPECT_FALSE(manager.OpenDevices());
    keyboard->Plug();
    EXPECT_TRUE(manager.OpenDevices());
}

}  // namespace
}  // namespace vantora
