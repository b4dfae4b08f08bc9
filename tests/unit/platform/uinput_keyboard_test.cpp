// The virtual keyboard: what it sends comes out of its own input device
// node as key events. Needs a writable /dev/uinput and readable input nodes
// (root, or the virtual machine of tests/vm); skipped elsewhere.
#include "platform/uinput_keyboard.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace vantora {
namespace {

// The event node of the input device called `name`, or "".
std::string EventNodeOf(const std::string& name) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/input", ec)) {
        const std::string node = entry.path().filename().string();
        std::ifstream in(entry.path() / "device" / "name");
        std::string deviceName;
        if (node.rfind("event", 0) == 0 && std::getline(in, deviceName) && deviceName == name) {
            return "/dev/input/" + node;
        }
    }
    return {};
}

TEST(UinputKeyboardTest, AMissingNodeIsToldAndRefused) {
    EXPECT_EQ(ProbeUinput("/nonexistent/uinput"), UinputAccess::kMissing);
    UinputKeyboard keyboard;
    std::string error;
    EXPECT_FALSE(keyboard.Open(error, "/nonexistent/uinput"));
    EXPECT_NE(error.find("/nonexistent/uinput"), std::string::npos) << error;
    EXPECT_FALSE(keyboard.Type({{{}, 44}}));
}

TEST(UinputKeyboardTest, StrokesComeOutAsKeyEventsWithTheirModifiersAround) {
    if (ProbeUinput() != UinputAccess::kReady) {
        GTEST_SKIP() << "no writable /dev/uinput here (no uinput module, a container, or no permission)";
    }
    UinputKeyboard keyboard;
    std::string error;
    ASSERT_TRUE(keyboard.Open(error)) << error;
    const std::string node = EventNodeOf("VANTORA text typing");
    ASSERT_FALSE(node.empty());
    const int fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        GTEST_SKIP() << node << " cannot be read here";
    }
    ASSERT_TRUE(keyboard.Type({{{42}, 3}, {{}, 44}}));
    std::vector<std::pair<int, int>> keys;
    input_event event{};
    pollfd wait{fd, POLLIN, 0};
    while (keys.size() < 6 && ::poll(&wait, 1, 1000) > 0) {
        while (::read(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event)) {
            if (event.type == EV_KEY) {
                keys.emplace_back(event.code, event.value);
            }
        }
    }
    ::close(fd);
    EXPECT_EQ(keys, (std::vector<std::pair<int, int>>{{42, 1}, {3, 1}, {3, 0}, {42, 0}, {44, 1}, {44, 0}}));
}

}  // namespace
}  // namespace vantora
