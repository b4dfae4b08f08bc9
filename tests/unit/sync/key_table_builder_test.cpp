#include "sync/key_table_builder.h"

#include <gtest/gtest.h>

#include <numeric>

#include "device/key_index.h"
#include "keys/key_function_encoding.h"
#include "sync/key_plan.h"

namespace vantora {
namespace {

KeyTable PatternTable() {
    KeyTable table{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return table;
}

KeyAssignment Row(int code, int type, int value, int value2 = 0) {
    KeyAssignment row;
    row.key_code = code;
    row.macro_type = type;
    row.macro_value = value;
    row.macro_value2 = value2;
    return row;
}

std::array<std::uint8_t, 3> Layer(const KeyTable& table, int index, int layer) {
    const std::size_t start = 6 * static_cast<std::size_t>(index) + 3 * static_cast<std::size_t>(layer);
    return {table[start], table[start + 1], table[start + 2]};
}

using Bytes = std::array<std::uint8_t, 3>;

const std::map<int, int> kNoLayout;

TEST(KeyTableBuilderTest, NoRowsLeavesTheDefaultTable) {
    const KeyTable defaults = PatternTable();
    EXPECT_EQ(BuildKeyTable(defaults, {}, {}, MacroPositions{}, kNoLayout), defaults);
}

TEST(KeyTableBuilderTest, KeyboardAssignmentsOnBothLayers) {
    const KeyTable defaults = PatternTable();
    // A (usage 4, index 9) with Left Shift on the FN layer; Left Shift alone
    // on Esc (index 0); B without modifier on the standard layer of A.
    const KeyTable table = BuildKeyTable(defaults, {Row(41, 2, 225), Row(4, 2, 5)}, {Row(4, 2, 4, 225)},
                                         MacroPositions{}, kNoLayout);
    EXPECT_EQ(Layer(table, 9, 1), (Bytes{0x10, 0x02, 0x04}));
    EXPECT_EQ(Layer(table, 9, 0), (Bytes{0x10, 0x00, 0x05}));
    EXPECT_EQ(Layer(table, 0, 0), (Bytes{0x10, 0x00, 0x02}));
    // Everything else keeps the default bytes.
    EXPECT_EQ(Layer(table, 0, 1), Layer(defaults, 0, 1));
    EXPECT_EQ(Layer(table, 10, 0), Layer(defaults, 10, 0));
}

TEST(KeyTableBuilderTest, EveryFunctionClassThroughTheTable) {
    const KeyTable defaults = PatternTable();
    const std::vector<KeyAssignment> rows = {
        Row(41, 1, 1),    // Esc disabled
        Row(58, 5, 5),    // F1 scroll up
        Row(59, 5, 6),    // F2 scroll down
        Row(60, 5, 2),    // F3 mouse value 2
        Row(61, 6, 7),    // F4 multimedia 7
        Row(62, 7, 5),    // F5 Switch Windows
        Row(63, 7, 10),   // F6 shortcut 10
        Row(64, 8, 300),  // F7 application row 300: the first slot left free
        Row(65, 9, 17),   // F8 website
        Row(66, 10, 18),  // F9 send text
        Row(67, 7, 9),    // F10 unknown shortcut: class only
        Row(68, 4, 1),    // F11 unused type: unchanged
    };
    const KeyTable table = BuildKeyTable(defaults, rows, {}, MacroPositions{}, kNoLayout);
    EXPECT_EQ(Layer(table, KeyCodeToIndex(41), 0), (Bytes{0x10, 0x00, 0x00}));
    EXPECT_EQ(Layer(table, KeyCodeToIndex(58), 0), (Bytes{0x21, 0x00, 0x01}));
    EXPECT_EQ(Layer(table, KeyCodeToIndex(59), 0), (Bytes{0x21, 0x00, 0xFF}));
    EXPECT_EQ(Layer(table, KeyCodeToIndex(60), 0), (Bytes{0x20, 0x04, 0x00}));
    EXPECT_EQ(Layer(table, KeyCodeToIndex(61), 0), (Bytes{0x30, 0xE2, 0x00}));
    EXPECT_EQ(Layer(table, KeyCodeToIndex(62), 0), (Bytes{0xF0, 0xA6, 0x00}));
    EXPECT_EQ(Layer(table, KeyCodeToIndex(63), 0), (Bytes{0x10, 0x02, 0x02}));
    EXPECT_EQ(Layer(table, KeyCodeToIndex(64), 0), (Bytes{0x50, 1, 0x00}));
    EXPECT_EQ(Layer(table, KeyCodeToIndex(65), 0), (Bytes{0x60, 17, 0x00}));
    EXPECT_EQ(Layer(table, KeyCodeToIndex(66), 0), (Bytes{0x60, 18, 0x00}));
    const Bytes f10 = Layer(defaults, KeyCodeToIndex(67), 0);
    EXPECT_EQ(Layer(table, KeyCodeToIndex(67), 0), (Bytes{0x10, f10[1], f10[2]}));
    EXPECT_EQ(Layer(table, KeyCodeToIndex(68), 0), Layer(defaults, KeyCodeToIndex(68), 0));
}

TEST(KeyTableBuilderTest, MacrosByListPositionOnly) {
    const KeyTable defaults = PatternTable();
    MacroPositions macros;
    macros.Set(11, 0);
    macros.Set(12, 1);
    macros.Set(13, 2);
    // Macro 99 was deleted; macro 14 is in the list but was left out of the
    // keyboard's memory (no position).
    const KeyTable table =
        BuildKeyTable(defaults, {Row(4, 3, 13), Row(5, 3, 99), Row(6, 3, 14)}, {}, macros, kNoLayout);
    EXPECT_EQ(Layer(table, KeyCodeToIndex(4), 0), (Bytes{0x70, 0x02, 0x01}));
    EXPECT_EQ(Layer(table, KeyCodeToIndex(5), 0), Layer(defaults, KeyCodeToIndex(5), 0));
    EXPECT_EQ(Layer(table, KeyCodeToIndex(6), 0), Layer(defaults, KeyCodeToIndex(6), 0));
    EXPECT_EQ(macros.Lookup(14), kNoMacroPosition);
}

TEST(KeyTableBuilderTest, UnknownKeysSkippedLaterRowsWinLayoutFirst) {
    const KeyTable defaults = PatternTable();
    const std::map<int, int> layout = {{4, 100}, {135, 101}};
    const KeyTable table = BuildKeyTable(
        defaults, {Row(4, 2, 5), Row(4, 2, 6), Row(50, 2, 7), Row(135, 1, 1)}, {}, MacroPositions{}, layout);
    EXPECT_EQ(Layer(table, 100, 0), (Bytes{0x10, 0x00, 0x06}));
    EXPECT_EQ(Layer(table, 101, 0), (Bytes{0x10, 0x00, 0x00}));
    EXPECT_EQ(Layer(table, 9, 0), Layer(defaults, 9, 0));  // A's built-in index untouched
    // Usage 50 has no index anywhere: nothing else changed.
    KeyTable expected = defaults;
    for (int i = 0; i < 3; ++i) {
        expected[600 + i] = table[600 + i];
        expected[606 + i] = table[606 + i];
    }
    EXPECT_EQ(table, expected);
}

TEST(KeyTableBuilderTest, FnKeyIsLookedUpByCode255) {
    const KeyTable table = BuildKeyTable(PatternTable(), {Row(255, 1, 1)}, {}, MacroPositions{}, kNoLayout);
    EXPECT_EQ(Layer(table, 71, 0), (Bytes{0x10, 0x00, 0x00}));
}

KeyTableRead ReadOf(const KeyTable& table) {
    KeyTableRead read;
    std::copy(table.begin(), table.end(), read.bytes.begin());
    read.blockRead.fill(true);
    return read;
}

TEST(KeysAtDefaultTest, EqualTablesListEveryKeyOnBothLayers) {
    const KeyTableRead defaults = ReadOf(PatternTable());
    const auto keys = FindKeysAtDefault(defaults, defaults, kNoLayout);
    EXPECT_EQ(keys.size(), 2u * 109u);
    // The Fn key is named by its read-back code.
    EXPECT_NE(std::find(keys.begin(), keys.end(), KeyAtDefault{0, 175}), keys.end());
    EXPECT_EQ(std::find(keys.begin(), keys.end(), KeyAtDefault{0, 255}), keys.end());
}

TEST(KeysAtDefaultTest, ARemappedKeyOnOneLayerStays) {
    const KeyTableRead defaults = ReadOf(PatternTable());
    KeyTableRead current = defaults;
    current.bytes[6 * 9 + 2] ^= 0x01;  // A's last standard-layer byte differs
    const auto keys = FindKeysAtDefault(defaults, current, kNoLayout);
    EXPECT_EQ(std::find(keys.begin(), keys.end(), KeyAtDefault{0, 4}), keys.end());
    EXPECT_NE(std::find(keys.begin(), keys.end(), KeyAtDefault{1, 4}), keys.end());
}

TEST(KeysAtDefaultTest, UnreadBlocksNeverListTheirKeys) {
    const KeyTableRead defaults = ReadOf(PatternTable());
    KeyTableRead current = defaults;
    current.blockRead[1] = false;  // bytes 56 to 111
    const auto keys = FindKeysAtDefault(defaults, current, kNoLayout);
    for (const KeyAtDefault& key : keys) {
        const int index = KeyCodeToIndex(key.keyCode == 175 ? 255 : key.keyCode);
        const int start = 6 * index + 3 * key.layer;
        EXPECT_TRUE(start + 2 < 56 || start > 111) << "key " << key.keyCode << " layer " << key.layer;
    }
    // Slot 9 (54..59) straddles blocks 0 and 1: its standard layer (54..56)
    // is partly unread, so A is kept on both layers.
    EXPECT_EQ(std::find(keys.begin(), keys.end(), KeyAtDefault{0, 4}), keys.end());
    EXPECT_EQ(std::find(keys.begin(), keys.end(), KeyAtDefault{1, 4}), keys.end());
    // An unread default table lists nothing at all.
    KeyTableRead unread;
    EXPECT_TRUE(FindKeysAtDefault(unread, current, kNoLayout).empty());
}

TEST(KeysAtDefaultTest, LayoutMapNamesTheKeys) {
    const KeyTableRead defaults = ReadOf(PatternTable());
    const std::map<int, int> layout = {{126, 135}};
    const auto keys = FindKeysAtDefault(defaults, defaults, layout);
    EXPECT_NE(std::find(keys.begin(), keys.end(), KeyAtDefault{1, 135}), keys.end());
    EXPECT_EQ(keys.size(), 2u * 110u);
}

// A profile imported beside others: rows past 255 must not reach the
// keyboard as their low byte, where they would stand for another row.
TEST(KeyTableBuilderTest, HostSideRowsGetSlotsOfTheirProfile) {
    std::vector<KeyAssignment> rows = {Row(41, 8, 1), Row(4, 9, 257), Row(5, 10, 2)};
    // Keys 6.. take ids 300.. until every slot is used; the last one finds none.
    for (int i = 0; i < 253; ++i) {
        rows.push_back(Row(6 + i % 200, 9, 300 + i));
    }
    const std::vector<KeyAssignment> fnRows = {Row(7, 9, 257), Row(8, 9, 999)};
    const HostSlots slots = PlanHostSlots(rows, fnRows);
    EXPECT_EQ(slots.SlotOf(1), 1);
    EXPECT_EQ(slots.SlotOf(2), 2);
    EXPECT_EQ(slots.SlotOf(257), 3);  // shared by two keys: one slot
    EXPECT_EQ(slots.SlotOf(300), 4);
    EXPECT_EQ(slots.SlotOf(551), 255);
    EXPECT_EQ(slots.SlotOf(552), 0);
    EXPECT_EQ(slots.SlotOf(999), 0);
    EXPECT_EQ(slots.IdOf(3), 257);
    EXPECT_EQ(slots.IdOf(0), 0);

    const KeyTable defaults = PatternTable();
    const KeyTable table =
        BuildKeyTable(defaults, {Row(41, 8, 1), Row(4, 9, 257)}, {}, MacroPositions{}, kNoLayout);
    EXPECT_EQ(Layer(table, KeyCodeToIndex(41), 0), (Bytes{0x50, 1, 0x00}));
    EXPECT_EQ(Layer(table, KeyCodeToIndex(4), 0), (Bytes{0x60, 2, 0x00}));
}

TEST(KeyTableBuilderTest, PlanListsRowsLeftAtTheirDefaultAndWhy) {
    const MacroImage memory = PlanMacroMemory({10, 11, 12}, {800, 100, 5});  // 11 does not fit
    std::vector<KeyAssignment> standard = {Row(4, 3, 10), Row(5, 3, 11), Row(6, 3, 99)};
    std::vector<KeyAssignment> fn = {Row(7, 3, 12)};
    for (int i = 0; i < 256; ++i) {
        fn.push_back(Row(8 + i % 100, 9, 1000 + i));
    }
    const KeyPlan plan = PlanKeys(standard, fn, memory);
    ASSERT_NE(plan.Find(0, 5), nullptr);
    EXPECT_EQ(plan.Find(0, 5)->reason, KeyLeftOutReason::kMacroMemoryFull);
    ASSERT_NE(plan.Find(0, 6), nullptr);
    EXPECT_EQ(plan.Find(0, 6)->reason, KeyLeftOutReason::kMacroDeleted);
    EXPECT_EQ(plan.Find(0, 4), nullptr);
    EXPECT_EQ(plan.Find(1, 7), nullptr);
    EXPECT_EQ(plan.leftOut.size(), 3u);  // and the 256th host-side row
    EXPECT_EQ(plan.leftOut.back(), (KeyLeftOut{1, 8 + 255 % 100, KeyLeftOutReason::kNoHostSlot}));
    std::vector<int> ids(33);
    std::iota(ids.begin(), ids.end(), 1);
    EXPECT_EQ(PlanKeys({Row(4, 3, 33)}, {}, PlanMacroMemory(ids, {})).leftOut,
              (std::vector<KeyLeftOut>{{0, 4, KeyLeftOutReason::kMacroDirectoryFull}}));
}

}  // namespace
}  // namespace vantora
