#include "sync/macro_image.h"

#include <gtest/gtest.h>

#include "keys/key_function_encoding.h"

namespace vantora {
namespace {

MacroStep Step(int type, int value, int delay) {
    MacroStep step;
    step.type = type;
    step.value = value;
    step.delay_time = delay;
    return step;
}

std::vector<std::uint8_t> Bytes(const MacroImage& image, std::size_t from, std::size_t count) {
    return {image.bytes.begin() + static_cast<std::ptrdiff_t>(from),
            image.bytes.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

MacroWithSteps Filled(int id, int records) {
    MacroWithSteps macro{id, {}};
    for (int i = 0; i < records; ++i) {
        macro.steps.push_back(Step(i % 2 == 0 ? 2 : 3, 0x41, 5));
    }
    return macro;
}

TEST(MacroImageTest, OneMacroKeyDownAndUp) {
    const MacroImage image = BuildMacroImage({{7, {Step(2, 0x41, 10), Step(3, 0x41, 10)}}});
    EXPECT_EQ(Bytes(image, 0, 2), (std::vector<std::uint8_t>{0x40, 0x00}));
    EXPECT_EQ(Bytes(image, 64, 8),
              (std::vector<std::uint8_t>{0x0A, 0x00, 0x42, 0x04, 0x0A, 0x00, 0x82, 0x04}));
    EXPECT_EQ(image.end, 72u);
    EXPECT_EQ(MacroBlockPlan(image).count, 2);
    EXPECT_EQ(MacroBlockPlan(image).lastLength, 40);
    EXPECT_EQ(image.positions.Lookup(7), 0);
    EXPECT_TRUE(image.leftOut.empty());
}

TEST(MacroImageTest, RecordEncodings) {
    // Delay 0 and negative become 1; 70000 is more than 16 bits hold: the longest, 65535.
    EXPECT_EQ(EncodeMacroRecord(Step(2, 0x41, 0), false), (std::array<std::uint8_t, 4>{1, 0, 0x42, 0x04}));
    EXPECT_EQ(EncodeMacroRecord(Step(2, 0x41, -5), false), (std::array<std::uint8_t, 4>{1, 0, 0x42, 0x04}));
    EXPECT_EQ(EncodeMacroRecord(Step(2, 0x41, 70000), false),
              (std::array<std::uint8_t, 4>{0xFF, 0xFF, 0x42, 0x04}));
    // Mouse button 2 down and up.
    EXPECT_EQ(EncodeMacroRecord(Step(4, 2, 1), false), (std::array<std::uint8_t, 4>{1, 0, 0xC2, 0x02}));
    EXPECT_EQ(EncodeMacroRecord(Step(5, 2, 1), true), (std::array<std::uint8_t, 4>{1, 0, 0x82, 0x02}));
    // The modifier test is on the stored value: 160 (Left Shift) is an
    // ordinary key, 224..231 take flag 0x01.
    EXPECT_EQ(EncodeMacroRecord(Step(2, 160, 1), false), (std::array<std::uint8_t, 4>{1, 0, 0x42, 225}));
    EXPECT_EQ(EncodeMacroRecord(Step(3, 226, 1), true)[2], 0x81);
    EXPECT_EQ(EncodeMacroRecord(Step(2, 224, 1), false)[2], 0x41);
    // Unknown types carry no event.
    EXPECT_EQ(EncodeMacroRecord(Step(9, 0x41, 3), false), (std::array<std::uint8_t, 4>{3, 0, 0, 0}));
}

TEST(MacroImageTest, NoEndFlagWhenTheLastRecordIsAKeyDown) {
    const MacroImage image = BuildMacroImage({{1, {Step(3, 0x41, 1), Step(2, 0x41, 1)}}});
    EXPECT_EQ(image.bytes[66], 0x02);
    EXPECT_EQ(image.bytes[70], 0x42);
}

TEST(MacroImageTest, DirectoryOffsetsAndEmptyMacros) {
    const MacroImage image =
        BuildMacroImage({{1, {Step(2, 0x41, 1)}}, {2, {}}, {3, {Step(2, 0x42, 1), Step(3, 0x42, 1)}}});
    EXPECT_EQ(Bytes(image, 0, 6), (std::vector<std::uint8_t>{64, 0, 68, 0, 68, 0}));
    EXPECT_EQ(image.end, 76u);
    EXPECT_EQ(image.positions.Lookup(2), 1);
    EXPECT_EQ(image.positions.Lookup(3), 2);
}

TEST(MacroImageTest, NoMacrosWritesTwoBlocks) {
    const MacroImage image = BuildMacroImage({});
    EXPECT_EQ(image.end, 64u);
    EXPECT_EQ(MacroBlockPlan(image).count, 2);
    EXPECT_EQ(MacroBlockPlan(image).lastLength, 40);
    EXPECT_EQ(image.bytes, (std::array<std::uint8_t, kMacroMemoryBytes>{}));
}

TEST(MacroImageTest, DeletingTheFirstMacroMovesTheOthersDown) {
    const MacroImage before = BuildMacroImage({{1, {Step(2, 0x41, 1)}}, {2, {Step(2, 0x42, 1)}}});
    const MacroImage after = BuildMacroImage({{2, {Step(2, 0x42, 1)}}});
    EXPECT_EQ(before.positions.Lookup(2), 1);
    EXPECT_EQ(after.positions.Lookup(2), 0);
    EXPECT_EQ(Bytes(after, 64, 4), Bytes(before, 68, 4));
}

TEST(MacroImageTest, TheThirtyThirdMacroIsLeftOut) {
    std::vector<MacroWithSteps> macros;
    for (int id = 1; id <= 34; ++id) {
        macros.push_back(Filled(id, 2));
    }
    const MacroImage image = BuildMacroImage(macros);
    EXPECT_EQ(image.positions.Lookup(32), 31);
    EXPECT_EQ(image.positions.Lookup(33), kNoMacroPosition);
    ASSERT_EQ(image.leftOut.size(), 2u);
    EXPECT_EQ(image.leftOut[0].macroId, 33);
    EXPECT_EQ(image.leftOut[0].position, 32);
    EXPECT_EQ(image.leftOut[0].reason, MacroLeftOutReason::kDirectoryFull);
    // 32 macros of 2 records: records up to 64 + 256 bytes; record bytes
    // start right after the directory, never inside it.
    EXPECT_EQ(image.end, 64u + 32u * 8u);
    EXPECT_EQ(image.bytes[64], 5);
}

TEST(MacroImageTest, MacrosBeyondTheRecordMemoryAreLeftOutWhole) {
    // 800 + 100 records do not fit in 880; the third macro's 80 still do.
    const MacroImage image = BuildMacroImage({Filled(1, 800), Filled(2, 100), Filled(3, 80)});
    EXPECT_EQ(image.positions.Lookup(1), 0);
    EXPECT_EQ(image.positions.Lookup(2), kNoMacroPosition);
    EXPECT_EQ(image.positions.Lookup(3), 2);
    ASSERT_EQ(image.leftOut.size(), 1u);
    EXPECT_EQ(image.leftOut[0].macroId, 2);
    EXPECT_EQ(image.leftOut[0].reason, MacroLeftOutReason::kMemoryFull);
    // Memory exactly full; the left-out macro is an empty entry at macro 3's start.
    EXPECT_EQ(image.end, kMacroMemoryBytes);
    const int second = image.bytes[2] | (image.bytes[3] << 8);
    const int third = image.bytes[4] | (image.bytes[5] << 8);
    EXPECT_EQ(second, 64 + 800 * 4);
    EXPECT_EQ(third, second);
    // The blocks never start past the image.
    EXPECT_EQ(MacroBlockPlan(image).count, 64);
    EXPECT_EQ(MacroBlockPlan(image).lastLength, 56);  // the last 16 bytes hold records
    // The last record of macro 3 (a key up) is the image's last 4 bytes.
    EXPECT_EQ(image.bytes[kMacroMemoryBytes - 2], 0x82);
}

TEST(MacroImageTest, OneMacroTooLargeForTheWholeMemory) {
    const MacroImage image = BuildMacroImage({Filled(1, 1000), Filled(2, 2)});
    EXPECT_EQ(image.positions.Lookup(1), kNoMacroPosition);
    EXPECT_EQ(image.positions.Lookup(2), 1);
    EXPECT_EQ(image.end, 72u);
    ASSERT_EQ(image.leftOut.size(), 1u);
}

TEST(MacroImageTest, TheLastFortyByteBlockAlwaysCoversTheRecords) {
    // Records end at 100: block 1 with 40 bytes would stop at 96, so block 1
    // goes whole and a block 2 of 40 closes the download.
    MacroImage image;
    image.end = 100;
    EXPECT_EQ(MacroBlockPlan(image).count, 3);
    EXPECT_EQ(MacroBlockPlan(image).LengthOf(1), 56);
    EXPECT_EQ(MacroBlockPlan(image).LengthOf(2), 40);
    image.end = 96;  // exactly covered
    EXPECT_EQ(MacroBlockPlan(image).count, 2);
    image.end = 3568;  // block 63 with 40 reaches the end
    EXPECT_EQ(MacroBlockPlan(image).count, 64);
    EXPECT_EQ(MacroBlockPlan(image).lastLength, 40);
    for (std::size_t end = 64; end <= kMacroMemoryBytes; end += 4) {
        image.end = end;
        const BlockPlan plan = MacroBlockPlan(image);
        ASSERT_LE(plan.count, 64);
        EXPECT_GE(kBlockBytes * static_cast<std::size_t>(plan.count - 1) +
                      static_cast<std::size_t>(plan.lastLength),
                  end);
    }
}

TEST(MacroImageTest, PlanAgreesWithTheImage) {
    const MacroImage plan = PlanMacroMemory({1, 2, 3}, {800, 100, 80});
    EXPECT_EQ(plan.positions.Lookup(2), kNoMacroPosition);
    EXPECT_EQ(plan.positions.Lookup(3), 2);
    EXPECT_EQ(plan.end, kMacroMemoryBytes);
}

}  // namespace
}  // namespace vantora
