#include <gtest/gtest.h>

#include "device/device_connection.h"
#include "sim/in_process_backend.h"
#include "support/fake_clock.h"

namespace vantora {
namespace {

class DeviceConnectionTest : public ::testing::Test {
protected:
    DeviceConnectionTest()
        : backend(clock),
          manager(backend, clock),
          connection(manager,
                     DeviceConnection::Hooks{[this] { ++homePageShown; }, [this] { ++arrivalsQueued; },
                                             [this] { ++listenerRestarts; }}) {}

    DeviceChange Change(DeviceChange::Kind kind, const std::string& path, std::uint16_t vid,
                        std::uint16_t pid, int number) {
        DeviceChange change;
        change.kind = kind;
        change.path = path;
        change.vendorId = vid;
        change.productId = pid;
        change.interfaceNumber = number;
        return change;
    }

    DeviceChange KeyboardArrival(int keyboard = 0) {
        return Change(DeviceChange::Kind::Arrival, sim::InProcessHidBackend::CommandPath(keyboard), 0x1209,
                      0x0001, 2);
    }

    test::FakeClock clock;
    sim::InProcessHidBackend backend;
    HidDeviceManager manager;
    int homePageShown = 0;
    int arrivalsQueued = 0;
    int listenerRestarts = 0;
    DeviceConnection connection;
};

TEST_F(DeviceConnectionTest, SetUpConnectsAKeyboardThatIsPresent) {
    backend.AddKeyboard();
    connection.SetUpDeviceWith("1209", "0001", nullptr);
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(connection.DeviceIndex(), 0);
    EXPECT_TRUE(manager.IsOpen());
    ASSERT_EQ(connection.Identities().size(), 1u);
    EXPECT_EQ(connection.Identities()[0].makerName, "Quorel");
    EXPECT_EQ(connection.Identities()[0].vendorId, 0x1209);
    EXPECT_EQ(homePageShown, 0);
}

TEST_F(DeviceConnectionTest, AbsentKeyboardLeavesTheProgramNotConnected) {
    connection.SetUpDeviceWith("1209", "0001", nullptr);
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.DeviceIndex(), -1);
    EXPECT_TRUE(manager.IsOpen());  // the flag is set even without a keyboard
    EXPECT_EQ(homePageShown, 0);    // it was never connected
}

TEST_F(DeviceConnectionTest, EmptyIdsMatchNothing) {
    backend.AddKeyboard();
    connection.SetUpDeviceWith("", "", nullptr);
    EXPECT_FALSE(connection.Connected());
}

TEST_F(DeviceConnectionTest, LowerCaseIdsConnectAndAreRecognisedOnArrival) {
    auto keyboard = backend.AddKeyboard({.vendorId = 0xABCD, .productId = 0x00EF});
    connection.SetUpDeviceWith("abcd", "00ef", nullptr);
    EXPECT_TRUE(connection.Connected());
    connection.OnDeviceChange(
        Change(DeviceChange::Kind::Arrival, sim::InProcessHidBackend::CommandPath(0), 0xABCD, 0x00EF, 2));
    EXPECT_EQ(arrivalsQueued, 1);
}

TEST_F(DeviceConnectionTest, ArrivalQueuesTheJobAndRestartsTheListenerOnce) {
    connection.SetUpDeviceWith("1209", "0001", nullptr);
    backend.AddKeyboard();
    connection.OnDeviceChange(KeyboardArrival());
    EXPECT_EQ(arrivalsQueued, 1);
    EXPECT_EQ(listenerRestarts, 1);
    // The arrival itself does not connect: the worker reconnects later.
    EXPECT_FALSE(connection.Connected());
    connection.Reconnect();
    EXPECT_TRUE(connection.Connected());
}

TEST_F(DeviceConnectionTest, ArrivalOfAnotherInterfaceOrDeviceDoesNothing) {
    connection.SetUpDeviceWith("1209", "0001", nullptr);
    backend.AddKeyboard();
    connection.OnDeviceChange(
        Change(DeviceChange::Kind::Arrival, sim::InProcessHidBackend::EventPath(0), 0x1209, 0x0001, 1));
    connection.OnDeviceChange(Change(DeviceChange::Kind::Arrival, "/dev/hidraw9", 0x046D, 0xC52B, 2));
    EXPECT_EQ(arrivalsQueued, 0);
    EXPECT_EQ(listenerRestarts, 0);
}

TEST_F(DeviceConnectionTest, ArrivalThatFailsTheInterfaceCheckChangesNothing) {
    connection.SetUpDeviceWith("1209", "0001", nullptr);
    HidDeviceInfo small;
    small.path = "inproc:small#2";
    small.vendorId = 0x1209;
    small.productId = 0x0001;
    small.interfaceNumber = 2;
    backend.AddOtherInterface(small);  // 8-byte reports
    connection.OnDeviceChange(Change(DeviceChange::Kind::Arrival, "inproc:small#2", 0x1209, 0x0001, 2));
    // And an interface that is gone again before it could be checked.
    connection.OnDeviceChange(Change(DeviceChange::Kind::Arrival, "inproc:gone#2", 0x1209, 0x0001, 2));
    EXPECT_EQ(arrivalsQueued, 0);
    EXPECT_EQ(listenerRestarts, 0);
}

// The start writes only to an interface that passes the check an arrival
// gets: one with the keyboard's ids but other reports is passed over.
TEST_F(DeviceConnectionTest, TheStartChecksTheInterfaceAsAnArrivalDoes) {
    HidDeviceInfo small;
    small.path = "inproc:small#2";
    small.vendorId = 0x1209;
    small.productId = 0x0001;
    small.interfaceNumber = 2;
    backend.AddOtherInterface(small);  // 8-byte reports, listed first
    connection.SetUpDeviceWith("1209", "0001", nullptr);
    EXPECT_FALSE(connection.CheckInterface(small.path));
    EXPECT_FALSE(connection.Connected());
    backend.AddKeyboard();
    connection.Reconnect();
    ASSERT_TRUE(connection.Connected());
    EXPECT_EQ(manager.Records()[0].path, sim::InProcessHidBackend::CommandPath(0));
}

TEST_F(DeviceConnectionTest, RemovalOfTheKeyboardReconnectsAndReturnsHome) {
    auto keyboard = backend.AddKeyboard();
    connection.SetUpDeviceWith("1209", "0001", nullptr);
    ASSERT_TRUE(connection.Connected());
    keyboard->Unplug();
    // Any interface of the keyboard counts.
    connection.OnDeviceChange(Change(DeviceChange::Kind::Removal, "whatever", 0x1209, 0x0001, 0));
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.DeviceIndex(), -1);
    EXPECT_EQ(homePageShown, 1);
    EXPECT_EQ(listenerRestarts, 1);
    // A second removal while not connected does nothing.
    connection.OnDeviceChange(Change(DeviceChange::Kind::Removal, "whatever", 0x1209, 0x0001, 2));
    EXPECT_EQ(homePageShown, 1);
    EXPECT_EQ(listenerRestarts, 1);
}

TEST_F(DeviceConnectionTest, UnpluggingAnotherDeviceDoesNothing) {
    backend.AddKeyboard();
    connection.SetUpDeviceWith("1209", "0001", nullptr);
    int opensBefore = backend.OpenCount();
    connection.OnDeviceChange(Change(DeviceChange::Kind::Removal, "/dev/hidraw4", 0x046D, 0xC52B, 2));
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(backend.OpenCount(), opensBefore);
    EXPECT_EQ(homePageShown, 0);
    EXPECT_EQ(listenerRestarts, 0);
}

TEST_F(DeviceConnectionTest, UnplugAndPlugAgainReopensTheInterface) {
    auto keyboard = backend.AddKeyboard();
    connection.SetUpDeviceWith("1209", "0001", nullptr);
    keyboard->Unplug();
    connection.OnDeviceChange(Change(DeviceChange::Kind::Removal, "x", 0x1209, 0x0001, 2));
    ASSERT_FALSE(connection.Connected());
    keyboard->Plug();
    connection.OnDeviceChange(KeyboardArrival());
    EXPECT_EQ(arrivalsQueued, 1);
    connection.Reconnect();  // what the arrival job does on the worker
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(homePageShown, 1);
}

class RecordingSource : public HotplugSource {
public:
    explicit RecordingSource(DeviceChangeCallback* slot) : slot_(slot) {}
    bool Start(DeviceChangeCallback callback) override {
        *slot_ = std::move(callback);
        return true;
    }
    void Stop() override { stopped = true; }
    bool stopped = false;

private:
    DeviceChangeCallback* slot_;
};

TEST_F(DeviceConnectionTest, HotplugSourcesDeliverThroughTheGivenCallback) {
    DeviceChangeCallback started;
    connection.AddHotplugSource(std::make_unique<RecordingSource>(&started));
    std::vector<DeviceChange> delivered;
    connection.SetUpDeviceWith("1209", "0001",
                               [&](const DeviceChange& change) { delivered.push_back(change); });
    ASSERT_TRUE(started);
    started(KeyboardArrival());
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].interfaceNumber, 2);
}

}  // namespace
}  // namespace vantora
