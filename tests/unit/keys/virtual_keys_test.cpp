#include "device/virtual_keys.h"

#include "device/key_index.h"

#include <gtest/gtest.h>

#include <set>

namespace vantora {
namespace {

TEST(VirtualKeyTest, ConvertsTheDocumentedKeys) {
    EXPECT_EQ(VirtualKeyToUsage(0x41), 4u);   // A
    EXPECT_EQ(VirtualKeyToUsage(0x5A), 29u);  // Z
    EXPECT_EQ(VirtualKeyToUsage(0x30), 39u);  // 0
    EXPECT_EQ(VirtualKeyToUsage(0x31), 30u);  // 1
    EXPECT_EQ(VirtualKeyToUsage(108), 88u);   // keypad separator
    EXPECT_EQ(VirtualKeyToUsage(666), 50u);   // our Non-US #
    EXPECT_EQ(VirtualKeyToUsage(254), 255u);  // Fn
    EXPECT_EQ(VirtualKeyToUsage(123), 69u);   // F12
    EXPECT_EQ(VirtualKeyToUsage(124), 104u);  // F13
    EXPECT_EQ(VirtualKeyToUsage(135), 115u);  // F24
    EXPECT_EQ(VirtualKeyToUsage(139), 139u);  // passed through
    EXPECT_EQ(VirtualKeyToUsage(301), 236u);
    EXPECT_EQ(VirtualKeyToUsage(302), 235u);
}

TEST(VirtualKeyTest, UnknownKeysGiveZero) {
    for (unsigned key : {0u, 0x13Cu, 0x2Fu, 0x3Au, 0x40u, 140u, 255u, 300u, 303u, 665u, 667u, 0xFFFFFFFFu,
                         static_cast<unsigned>(-1)}) {
        EXPECT_EQ(VirtualKeyToUsage(key), 0u) << key;
    }
}

TEST(VirtualKeyTest, TableIsSortedAndNoUsageComesFromTwoKeys) {
    std::set<unsigned> usages;
    unsigned previous = 0;
    for (const VirtualKeyUsage& entry : VirtualKeyTable()) {
        EXPECT_GT(entry.virtualKey, previous);
        previous = entry.virtualKey;
        EXPECT_NE(entry.usage, 0u);
        EXPECT_TRUE(usages.insert(entry.usage).second) << "usage " << entry.usage;
        EXPECT_EQ(VirtualKeyToUsage(entry.virtualKey), entry.usage);
    }
}

// A key captured from the physical keyboard must reach a key index, or the assignment is lost.
TEST(VirtualKeyTest, EveryMatrixKeyCanBeCaptured) {
    std::set<int> captured;
    for (const VirtualKeyUsage& entry : VirtualKeyTable()) {
        captured.insert(static_cast<int>(entry.usage));
    }
    for (const KeyMatrixEntry& key : BuiltInKeyMatrix()) {
        if (key.index == kFnKeyIndex || (key.code >= 209 && key.code <= 212)) {
            continue;  // Fn is captured as 255; the keys above the keypad send no virtual key
        }
        EXPECT_TRUE(captured.count(key.code)) << key.name;
    }
    EXPECT_TRUE(captured.count(kFnKeyCode));
}

}  // namespace
}  // namespace vantora
