// Keys read from this keyboard's own event nodes: the codes' keys, the
// events that count, the nodes found in sysfs (a fake tree in a temporary
// folder) and the reader fed through a pipe. Reading a real keyboard's node
// is the test machine's part (tests/vm), with EVDEV_TEST_VID/PID set; it is
// skipped elsewhere.
#include "platform/evdev_keys.h"

#include <gtest/gtest.h>

#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "support/other_user.h"
#include "support/temp_dir.h"

namespace vantora {
namespace {

input_event Event(std::uint16_t type, std::uint16_t code, std::int32_t value) {
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    return event;
}

// What a reader hands over, waited for from the test's thread.
struct Collected {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<std::string, bool>> keys;

    EvdevKeyReader::Callback Sink() {
        return [this](const DecodedKey& key, bool isUp) {
            std::lock_guard lock(mutex);
            keys.emplace_back(key.name, isUp);
            changed.notify_all();
        };
    }
    bool WaitFor(std::size_t count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(5), [&] { return keys.size() >= count; });
    }
};

TEST(EvdevKeysTest, CodesNameTheKeyAtTheirPlace) {
    EXPECT_EQ(DecodeEvdevKey(KEY_A)->virtualKey, 'A');
    EXPECT_EQ(DecodeEvdevKey(KEY_SEMICOLON)->virtualKey, 186u);
    EXPECT_EQ(DecodeEvdevKey(KEY_RIGHTSHIFT)->name, "Shift");
    EXPECT_EQ(DecodeEvdevKey(KEY_KP7)->virtualKey, 103u);
    EXPECT_FALSE(DecodeEvdevKey(BTN_LEFT));
    EXPECT_FALSE(DecodeEvdevKey(KEY_VOLUMEUP));
}

TEST(EvdevKeysTest, PressesRepeatsAndReleasesCountNothingElse) {
    EXPECT_FALSE(ParseInputEvent(Event(EV_KEY, KEY_A, 1))->isUp);
    EXPECT_FALSE(ParseInputEvent(Event(EV_KEY, KEY_A, 2))->isUp);
    EXPECT_TRUE(ParseInputEvent(Event(EV_KEY, KEY_A, 0))->isUp);
    EXPECT_EQ(ParseInputEvent(Event(EV_KEY, KEY_B, 1))->code, KEY_B);
    EXPECT_FALSE(ParseInputEvent(Event(EV_KEY, KEY_A, 3)));
    EXPECT_FALSE(ParseInputEvent(Event(EV_SYN, SYN_REPORT, 0)));
    EXPECT_FALSE(ParseInputEvent(Event(EV_MSC, MSC_SCAN, 0x70004)));
}

TEST(EvdevKeysTest, OnlyTheNodesOfTheKeyboardsIdsAreFound) {
    test::TempDir sys;
    const auto device = [&](const std::string& node, const std::string& vendor, const std::string& product) {
        sys.WriteFile("class/input/" + node + "/device/id/vendor", vendor);
        sys.WriteFile("class/input/" + node + "/device/id/product", product);
    };
    device("event7", "1209\n", "0001\n");
    device("event3", "1209\n", "0001\n");
    device("event4", "1209\n", "0002\n");  // another product
    device("event5", "046d\n", "0001\n");  // another vendor
    device("event6", "garbage\n", "0001\n");
    device("input3", "1209\n", "0001\n");  // not an event node
    EXPECT_EQ(FindKeyboardEventNodes(0x1209, 0x0001, sys.path(), "/dev"),
              (std::vector<std::string>{"/dev/input/event3", "/dev/input/event7"}));
    EXPECT_TRUE(FindKeyboardEventNodes(0x1209, 0x0001, sys.path() + "missing").empty());

    // Nodes that this user may not read are told apart from missing ones
    // (as root: told to the other user).
    EXPECT_EQ(EvdevKeyReader::Probe(0x1209, 0x0003, sys.path()), EvdevKeyReader::Status::kNoNodes);
    const std::string node = sys.WriteFile("dev/input/event3", "");
    ::chmod(node.c_str(), 0);
    const auto refused = [](const std::string& sysRoot, const std::string& devRoot) {
        EvdevKeyReader reader;
        return EvdevKeyReader::Probe(0x1209, 0x0001, sysRoot, devRoot) ==
                   EvdevKeyReader::Status::kNoPermission &&
               reader.Start(nullptr, 0x1209, 0x0001, sysRoot, devRoot) ==
                   EvdevKeyReader::Status::kNoPermission &&
               !reader.IsRunning();
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(refused(sys.path(), sys.path() + "dev"));
    } else if (test::CanActAsOtherUser()) {
        ::chmod(sys.path().c_str(), 0755);
        EXPECT_TRUE(test::AsOtherUser(sys.path(), [&] { return refused(".", "dev"); }));
    }
    ::chmod(node.c_str(), 0600);
    EXPECT_EQ(EvdevKeyReader::Probe(0x1209, 0x0001, sys.path(), sys.path() + "dev"),
              EvdevKeyReader::Status::kReading);
}

TEST(EvdevKeysTest, TheReaderDeliversKeysEvenSplitAndStopsAtOnce) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    Collected collected;
    EvdevKeyReader reader;
    ASSERT_EQ(reader.StartOn(collected.Sink(), {ends[0]}), EvdevKeyReader::Status::kReading);
    const input_event events[] = {Event(EV_MSC, MSC_SCAN, 4),    Event(EV_KEY, KEY_A, 1),
                                  Event(EV_SYN, 0, 0),           Event(EV_KEY, KEY_A, 2),
                                  Event(EV_KEY, BTN_LEFT, 1),    Event(EV_KEY, KEY_A, 0),
                                  Event(EV_KEY, KEY_LEFTCTRL, 1)};
    const auto* bytes = reinterpret_cast<const char*>(events);
    // The last event arrives in two parts.
    const std::size_t split = sizeof events - sizeof(input_event) / 2;
    ASSERT_EQ(::write(ends[1], bytes, split), static_cast<ssize_t>(split));
    ASSERT_TRUE(collected.WaitFor(3));
    ASSERT_EQ(::write(ends[1], bytes + split, sizeof events - split),
              static_cast<ssize_t>(sizeof events - split));
    ASSERT_TRUE(collected.WaitFor(4));
    reader.Stop();
    EXPECT_FALSE(reader.IsRunning());
    EXPECT_EQ(collected.keys, (std::vector<std::pair<std::string, bool>>{
                                  {"A", false}, {"A", false}, {"A", true}, {"Ctrl", false}}));
    ::close(ends[1]);
}

TEST(EvdevKeysTest, TheReaderEndsByItselfWhenItsNodesGoAway) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    EvdevKeyReader reader;
    ASSERT_EQ(reader.StartOn(nullptr, {ends[0]}), EvdevKeyReader::Status::kReading);
    ::close(ends[1]);
    for (int i = 0; i < 500 && reader.IsRunning(); ++i) {
        ::usleep(10000);
    }
    EXPECT_FALSE(reader.IsRunning());
    EXPECT_EQ(reader.StartOn(nullptr, {}), EvdevKeyReader::Status::kNoNodes);
}

// A key of the keyboard whose ids EVDEV_TEST_VID and EVDEV_TEST_PID give
// (hexadecimal), pressed while reading: set in the test machine, where the
// USB gadget keyboard types EVDEV_TEST_KEYS after the reader has started.
TEST(EvdevKeysTest, ARealKeyboardsKeysAreRead) {
    const char* vid = std::getenv("EVDEV_TEST_VID");
    const char* pid = std::getenv("EVDEV_TEST_PID");
    const char* press = std::getenv("EVDEV_TEST_PRESS");
    if (vid == nullptr || pid == nullptr || press == nullptr) {
        GTEST_SKIP()
            << "no keyboard to read here (the test machine of tests/vm sets EVDEV_TEST_VID/PID/PRESS)";
    }
    Collected collected;
    EvdevKeyReader reader;
    ASSERT_EQ(reader.Start(collected.Sink(), static_cast<std::uint16_t>(std::strtoul(vid, nullptr, 16)),
                           static_cast<std::uint16_t>(std::strtoul(pid, nullptr, 16))),
              EvdevKeyReader::Status::kReading);
    ASSERT_EQ(std::system(press), 0) << press;
    ASSERT_TRUE(collected.WaitFor(2));
    reader.Stop();
    EXPECT_EQ(collected.keys[0], (std::pair<std::string, bool>{"A", false}));
    EXPECT_EQ(collected.keys[1], (std::pair<std::string, bool>{"A", true}));
}

}  // namespace
}  // namespace vantora
