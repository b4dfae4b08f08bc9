#include "device/key_index.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

namespace vantora {
namespace {

TEST(KeyIndexTest, ConvertsTheDocumentedKeys) {
    EXPECT_EQ(KeyCodeToIndex(58), 12);  // F1
    EXPECT_EQ(KeyIndexToCode(12), 58);
    EXPECT_EQ(KeyIndexToCode(1), 53);  // grave
    EXPECT_EQ(KeyIndexToCode(0), 41);  // Esc sits at index 0
    EXPECT_EQ(KeyCodeToIndex(41), 0);
    EXPECT_EQ(KeyCodeToIndex(44), MatrixIndex(5, 5));    // Space
    EXPECT_EQ(KeyCodeToIndex(88), MatrixIndex(20, 4));   // Keypad Enter, last column
    EXPECT_EQ(KeyCodeToIndex(209), MatrixIndex(17, 0));  // first key above the keypad
}

TEST(KeyIndexTest, FnKeyIsLookedUpBy255AndReadBackAs175) {
    EXPECT_EQ(KeyCodeToIndex(255), 71);
    EXPECT_EQ(KeyIndexToCode(71), 175);
    EXPECT_EQ(KeyCodeToIndex(175), -1);  // the read-back code names no key for downloads
}

TEST(KeyIndexTest, HolesAndUnusedIndexesGiveZero) {
    for (int index : {6, 23, 126, 127}) {
        EXPECT_EQ(KeyIndexToCode(index), 0) << index;
    }
}

TEST(KeyIndexTest, UnknownUsagesGiveMinusOne) {
    EXPECT_EQ(KeyCodeToIndex(50), -1);  // Non-US #
    EXPECT_EQ(KeyCodeToIndex(0), -1);
    EXPECT_EQ(KeyCodeToIndex(231), -1);  // Right GUI has no key in the matrix
}

TEST(KeyIndexTest, OutOfRangeInputsAreAnsweredWithoutReadingPastTheTables) {
    for (int value : {-1, -128, 128, 256, 511, 1000, INT_MIN, INT_MAX}) {
        EXPECT_EQ(KeyIndexToCode(value), 0) << value;
        EXPECT_EQ(KeyCodeToIndex(value), -1) << value;
    }
}

TEST(KeyIndexTest, EveryIndexRoundTripsExceptTheFnKey) {
    int keys = 0;
    for (int index = 0; index < kKeyIndexCount; ++index) {
        const int code = KeyIndexToCode(index);
        if (code == 0) {
            continue;
        }
        ++keys;
        if (index == kFnKeyIndex) {
            EXPECT_EQ(KeyCodeToIndex(kFnKeyCode), index);
        } else {
            EXPECT_EQ(KeyCodeToIndex(code), index) << "index " << index;
        }
    }
    EXPECT_EQ(keys, 109);
}

TEST(KeyIndexTest, EveryUsageRoundTrips) {
    int keys = 0;
    for (int code = 0; code < 256; ++code) {
        const int index = KeyCodeToIndex(code);
        if (index < 0) {
            continue;
        }
        ++keys;
        EXPECT_EQ(KeyIndexToCode(index), code == kFnKeyCode ? kFnKeyReadBackCode : code) << "code " << code;
    }
    EXPECT_EQ(keys, 109);
}

TEST(KeyIndexTest, PublishedMatrixAgreesWithTheConversions) {
    std::set<int> indexes;
    for (const KeyMatrixEntry& entry : BuiltInKeyMatrix()) {
        EXPECT_EQ(KeyIndexToCode(entry.index), entry.code) << entry.name;
        EXPECT_TRUE(indexes.insert(entry.index).second) << entry.index;
        EXPECT_LE(entry.index / 6, 20) << entry.name;
        if (entry.code < 209 || entry.code > 212) {
            EXPECT_FALSE(entry.name.empty()) << entry.index;
        }
    }
    EXPECT_EQ(indexes.size(), 109u);
    EXPECT_EQ(indexes.count(126) + indexes.count(127), 0u);
}

TEST(ModifierBitTest, ModifiersGiveTheirBitAndOtherValuesPassThrough) {
    EXPECT_EQ(ModifierBit(229), 0x20u);
    EXPECT_EQ(ModifierBit(4), 4u);
    unsigned bits = 0;
    for (unsigned usage = 224; usage <= 231; ++usage) {
        const unsigned bit = ModifierBit(usage);
        EXPECT_EQ(bit & (bit - 1), 0u) << usage;  // a single bit
        bits |= bit;
    }
    EXPECT_EQ(bits, 0xFFu);
    EXPECT_EQ(ModifierBit(224), 0x01u);
    EXPECT_EQ(ModifierBit(231), 0x80u);
    for (unsigned value : {0u, 223u, 232u, 255u, 0xFFFFFFFFu}) {
        EXPECT_EQ(ModifierBit(value), value);
    }
}

TEST(LookupKeyIndexTest, LayoutMapComesFirstThenTheBuiltInTable) {
    const std::map<int, int> layout = {{58, 100}, {0xF0, 120}};
    EXPECT_EQ(LookupKeyIndex(layout, 58), 100);    // the layout overrides F1
    EXPECT_EQ(LookupKeyIndex(layout, 0xF0), 120);  // a key only the layout knows
    EXPECT_EQ(LookupKeyIndex(layout, 4), KeyCodeToIndex(4));
    EXPECT_EQ(LookupKeyIndex({}, 255), 71);
    EXPECT_EQ(LookupKeyIndex(layout, 50), -1);
    EXPECT_EQ(LookupKeyIndex(layout, -5), -1);
}

TEST(LookupKeyIndexTest, LayoutIndexesTheKeyboardCannotAddressFallBack) {
    const std::map<int, int> layout = {{58, 128}, {59, -3}, {0xF0, 500}, {60, 127}};
    EXPECT_EQ(LookupKeyIndex(layout, 58), 12);
    EXPECT_EQ(LookupKeyIndex(layout, 59), KeyCodeToIndex(59));
    EXPECT_EQ(LookupKeyIndex(layout, 0xF0), -1);
    EXPECT_EQ(LookupKeyIndex(layout, 60), 127);  // the table's last slot is addressable
}

TEST(LookupKeyCodeTest, LayoutMapComesFirstThenTheBuiltInTable) {
    const std::map<int, int> layout = {{12, 0xF0}, {126, 0x68}, {71, 255}};
    EXPECT_EQ(LookupKeyCode(layout, 12), 0xF0);
    EXPECT_EQ(LookupKeyCode(layout, 126), 0x68);
    EXPECT_EQ(LookupKeyCode(layout, 71), 255);
    EXPECT_EQ(LookupKeyCode(layout, 1), 53);
    EXPECT_EQ(LookupKeyCode({}, 71), 175);
    EXPECT_EQ(LookupKeyCode(layout, 6), 0);
}

TEST(LookupKeyCodeTest, BadLayoutEntriesAndIndexesAreHandled) {
    const std::map<int, int> layout = {{12, 0}, {13, -7}, {200, 4}, {-1, 4}};
    EXPECT_EQ(LookupKeyCode(layout, 12), 58);  // an empty code does not hide the built-in key
    EXPECT_EQ(LookupKeyCode(layout, 13), KeyIndexToCode(13));
    EXPECT_EQ(LookupKeyCode(layout, 200), 0);  // no slot of the keyboard's table
    EXPECT_EQ(LookupKeyCode(layout, -1), 0);
    EXPECT_EQ(LookupKeyCode(layout, INT_MIN), 0);
    EXPECT_EQ(LookupKeyCode(layout, INT_MAX), 0);
}

}  // namespace
}  // namespace vantora
