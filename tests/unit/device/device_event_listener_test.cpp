#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <tuple>
#include <vector>

#include "device/device_event_listener.h"
#include "device/protocol.h"
#include "sim/in_process_backend.h"
#include "support/fake_clock.h"

namespace vantora {
namespace {

using Message = std::tuple<unsigned, std::uintptr_t, std::intptr_t>;

// Collects posted messages; tests wait for a given count, never for time.
class Mailbox {
public:
    void Post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
        std::lock_guard lock(mutex_);
        messages_.emplace_back(msg, wParam, lParam);
        changed_.notify_all();
    }
    // The messages once there are `count` of them (fails after a generous
    // limit, which only a broken listener reaches).
    std::vector<Message> WaitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        bool reached =
            changed_.wait_for(lock, std::chrono::seconds(20), [&] { return messages_.size() >= count; });
        EXPECT_TRUE(reached) << "only " << messages_.size() << " of " << count << " messages";
        return messages_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Message> messages_;
};

class DeviceEventListenerTest : public ::testing::Test {
protected:
    DeviceEventListenerTest()
        : backend(clock),
          listener(
              backend, clock,
              [this](unsigned msg, std::uintptr_t w, std::intptr_t l) { mailbox.Post(msg, w, l); },
              MSG_DEVICE_EVENT) {
        listener.SetFilter(0x1209, 0x0001);
    }

    // Gives key `index` a function of class `cls` with id `id` on the
    // standard layer, as a key download would.
    void AssignHostFunction(int index, std::uint8_t cls, std::uint8_t id) {
        keyboard->WithFirmware([&](sim::KeyboardFirmware& firmware) {
            std::array<std::uint8_t, 64> request{};
            request[0] = protocol::kRequestMarker;
            request[1] = protocol::CMD_WRITE_KEYS;
            request[4] = 3;
            std::size_t offset = protocol::kKeySlotSize * static_cast<std::size_t>(index);
            request[5] = static_cast<std::uint8_t>(offset & 0xFF);
            request[6] = static_cast<std::uint8_t>(offset >> 8);
            request[8] = cls;
            request[9] = id;
            request[10] = 0;
            request[3] = protocol::Checksum(request.data(), 4, 63);
            auto reply = firmware.HandleReport(request);
            ASSERT_TRUE(reply.answer && (*reply.answer)[0] == protocol::kAnswerMarker);
        });
    }

    test::FakeClock clock;
    sim::InProcessHidBackend backend;
    std::shared_ptr<sim::InProcessKeyboard> keyboard = backend.AddKeyboard();
    Mailbox mailbox;
    DeviceEventListener listener;
};

TEST_F(DeviceEventListenerTest, ApplicationKeyPressIsPostedWithItsId) {
    listener.StartListener();
    ASSERT_TRUE(listener.IsListening());
    AssignHostFunction(12, protocol::kClassApplication, 7);
    ASSERT_TRUE(keyboard->Press(12, false));
    auto messages = mailbox.WaitFor(1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], Message(1092u, 0u, 7));
}

TEST_F(DeviceEventListenerTest, HostFunctionIdIsPostedUnsigned) {
    listener.StartListener();
    keyboard->SendEvent({0x02, 0x60, 0xFF});
    EXPECT_EQ(mailbox.WaitFor(1)[0], Message(1092u, 0u, 255));
}

TEST_F(DeviceEventListenerTest, OtherClassesAndReportIdsAreIgnored) {
    listener.StartListener();
    keyboard->SendEvent({0x02, 0x51, 0x07});
    keyboard->SendEvent({0x03, 0x50, 0x07});
    keyboard->SendEvent({0x02, 0x50, 0x01});  // the marker that all above were read
    auto messages = mailbox.WaitFor(1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(std::get<2>(messages[0]), 1);
}

TEST_F(DeviceEventListenerTest, KeysWithoutHostFunctionsSendNothing) {
    listener.StartListener();
    EXPECT_FALSE(keyboard->Press(12, false));  // F1: a plain key
    AssignHostFunction(13, protocol::kClassHostFunction, 9);
    EXPECT_FALSE(keyboard->Press(13, true));  // its FN layer is unchanged
    ASSERT_TRUE(keyboard->Press(13, false));
    auto messages = mailbox.WaitFor(1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(std::get<2>(messages[0]), 9);
}

TEST_F(DeviceEventListenerTest, TwoPressesGiveTwoMessages) {
    listener.StartListener();
    keyboard->SendEvent({0x02, 0x50, 0x03});
    keyboard->SendEvent({0x02, 0x50, 0x03});
    EXPECT_EQ(mailbox.WaitFor(2).size(), 2u);
}

TEST_F(DeviceEventListenerTest, StartingTwiceNeverRunsTwoReaders) {
    listener.StartListener();
    listener.StartListener();
    EXPECT_TRUE(listener.IsListening());
    EXPECT_EQ(keyboard->OpenEventHandles(), 1);
    keyboard->SendEvent({0x02, 0x50, 0x05});
    EXPECT_EQ(std::get<2>(mailbox.WaitFor(1)[0]), 5);
    EXPECT_LE(keyboard->MaxConcurrentEventReaders(), 1);
}

TEST_F(DeviceEventListenerTest, StopClosesTheCollection) {
    listener.StartListener();
    listener.StopListener();
    EXPECT_FALSE(listener.IsListening());
    EXPECT_EQ(keyboard->OpenEventHandles(), 0);
    listener.StopListener();  // stopping again is harmless
}

TEST_F(DeviceEventListenerTest, NoVendorCollectionLeavesItIdle) {
    keyboard->Unplug();
    listener.StartListener();
    EXPECT_FALSE(listener.IsListening());
}

TEST_F(DeviceEventListenerTest, AnotherMakersVendorCollectionIsNotTaken) {
    HidDeviceInfo other;
    other.path = "inproc:mouse#0";
    other.vendorId = 0x046D;
    other.productId = 0xC52B;
    other.usagePage = 0xFF00;
    other.usage = 0;
    backend.AddOtherInterface(other);  // listed before the keyboard
    listener.StartListener();
    EXPECT_EQ(keyboard->OpenEventHandles(), 1);
    keyboard->SendEvent({0x02, 0x60, 0x2A});
    EXPECT_EQ(std::get<2>(mailbox.WaitFor(1)[0]), 42);
}

TEST(DeviceEventListenerUnplugTest, RestartAfterUnplugFindsNothingAndStaysIdle) {
    test::FakeClock fake;
    sim::InProcessHidBackend backend(fake);
    auto keyboard = backend.AddKeyboard();
    Mailbox mailbox;
    DeviceEventListener listener(
        backend, SystemClock::Instance(),
        [&](unsigned msg, std::uintptr_t w, std::intptr_t l) { mailbox.Post(msg, w, l); }, MSG_DEVICE_EVENT);
    listener.StartListener();
    keyboard->Unplug();  // the reader's reads now fail until the restart
    listener.StartListener();
    EXPECT_FALSE(listener.IsListening());
    EXPECT_EQ(keyboard->OpenEventHandles(), 0);
    keyboard->Plug();
    listener.StartListener();
    EXPECT_TRUE(listener.IsListening());
    keyboard->SendEvent({0x02, 0x50, 0x08});
    EXPECT_EQ(std::get<2>(mailbox.WaitFor(1)[0]), 8);
}

}  // namespace
}  // namespace vantora
