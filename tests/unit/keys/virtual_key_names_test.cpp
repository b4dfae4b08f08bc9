#include "keys/virtual_key_names.h"

#include <gtest/gtest.h>

#include "device/virtual_keys.h"

namespace vantora {
namespace {

TEST(VirtualKeyNames, EveryNamedKeyWithAUsageReadsBackToItself) {
    for (const VirtualKeyUsage& entry : VirtualKeyTable()) {
        const std::string_view name = VirtualKeyName(entry.virtualKey);
        if (name.empty()) {
            continue;
        }
        EXPECT_EQ(VirtualKeyFromName(name), entry.virtualKey) << name;
    }
}

TEST(VirtualKeyNames, PlainModifiersNameAsTheLeftKeysAndNamesIgnoreCaseAndBlanks) {
    EXPECT_EQ(VirtualKeyName(16), "Shift");
    EXPECT_EQ(VirtualKeyName(17), "Ctrl");
    EXPECT_EQ(VirtualKeyFromName("shift"), 160u);
    EXPECT_EQ(VirtualKeyFromName(" ctrl "), 162u);
    EXPECT_EQ(VirtualKeyFromName("ralt"), 165u);
    EXPECT_EQ(VirtualKeyFromName("page up"), 33u);
    EXPECT_EQ(VirtualKeyFromName("a"), unsigned{'A'});
    EXPECT_EQ(VirtualKeyFromName("7"), unsigned{'7'});
    EXPECT_EQ(VirtualKeyFromName("num 7"), 103u);
}

TEST(VirtualKeyNames, UnknownCodesAndNamesGiveNothing) {
    EXPECT_TRUE(VirtualKeyName(0).empty());
    EXPECT_TRUE(VirtualKeyName(0xE7).empty());
    EXPECT_EQ(VirtualKeyFromName(""), 0u);
    EXPECT_EQ(VirtualKeyFromName("Shift + A"), 0u);
    EXPECT_EQ(VirtualKeyFromName("AA"), 0u);
}

}  // namespace
}  // namespace vantora
