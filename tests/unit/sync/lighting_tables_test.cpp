#include <gtest/gtest.h>

#include "sync/colour_tables.h"
#include "sync/firmware_version.h"
#include "sync/music_sampling.h"
#include "sync/settings_block.h"

namespace vantora {
namespace {

std::array<std::uint8_t, kSettingsBytes> ReadBlock() {
    std::array<std::uint8_t, kSettingsBytes> block{};
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
    return block;
}

TEST(SettingsBlockTest, LightModeValuesAndUntouchedBytes) {
    LightMode row;
    row.brightness = 100;
    row.speed = 3;
    row.direction = 0;
    row.colorful = 1;
    row.colorindex = 0;
    row.color_value = 0xEDE338;
    auto block = ReadBlock();
    const auto read = block;
    PatchSettingsBlock(block, 5, row, 0x04);
    EXPECT_EQ(block[2], 5);
    const std::array<std::uint8_t, 8> expected = {100, 1, 0, 1, 0, 0x38, 0xE3, 0xED};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), block.begin() + 3));
    EXPECT_EQ(block[17], 0x04);
    for (std::size_t i : {0u, 1u, 11u, 16u, 18u, 55u}) {
        EXPECT_EQ(block[i], read[i]) << "offset " << i;
    }
}

TEST(SettingsBlockTest, SpeedIsReversedAndClamped) {
    auto block = ReadBlock();
    LightMode row;
    row.speed = 0;
    PatchSettingsBlock(block, 1, row, 0);
    EXPECT_EQ(block[4], 4);
    row.speed = 4;
    PatchSettingsBlock(block, 1, row, 0);
    EXPECT_EQ(block[4], 0);
    row.speed = 9;
    PatchSettingsBlock(block, 1, row, 0);
    EXPECT_EQ(block[4], 0);
}

TEST(SettingsBlockTest, MissingModeRowSendsZeros) {
    auto block = ReadBlock();
    PatchSettingsBlock(block, 0x107, std::nullopt, 0);
    EXPECT_EQ(block[2], 0x07);
    const std::array<std::uint8_t, 8> expected = {0, 4, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), block.begin() + 3));
    EXPECT_EQ(block[17], 0);
}

TEST(SettingsBlockTest, SwitchesAreOnOnlyForExactlyOne) {
    EXPECT_EQ(SwitchBits("0", "0", "1"), 0x04);
    EXPECT_EQ(SwitchBits("1", "1", "1"), 0x07);
    EXPECT_EQ(SwitchBits("1", "0", "0"), 0x01);
    EXPECT_EQ(SwitchBits("01", "yes", ""), 0x00);
    EXPECT_EQ(SwitchBits(" 1", "1 ", "true"), 0x00);
}

TEST(ColourTableTest, StoredColoursByKeyIndex) {
    const std::vector<KeyColour> none;
    EXPECT_EQ(BuildKeyColourTable(none, {}), ColourTable{});

    KeyColour fn{0, 1, 0, 255, 0x00332211};
    KeyColour esc{0, 1, 0, 41, 0x000000FF};
    KeyColour escAgain{0, 1, 0, 41, 0x00FF0000};
    KeyColour unknown{0, 1, 0, 50, 0x00FFFFFF};
    const ColourTable table = BuildKeyColourTable({fn, esc, escAgain, unknown}, {});
    EXPECT_EQ(table[213], 0x11);
    EXPECT_EQ(table[214], 0x22);
    EXPECT_EQ(table[215], 0x33);
    EXPECT_EQ(table[0], 0x00);
    EXPECT_EQ(table[2], 0xFF);
    int nonZero = 0;
    for (std::uint8_t byte : table) {
        nonZero += byte != 0 ? 1 : 0;
    }
    EXPECT_EQ(nonZero, 4);
}

TEST(ColourTableTest, LayoutMapComesFirst) {
    const ColourTable table = BuildColourTable({{135, 0x0000FF}, {41, 0x00FF00}}, {{135, 126}, {41, 2}});
    EXPECT_EQ(table[3 * 126], 0xFF);
    EXPECT_EQ(table[3 * 2 + 1], 0xFF);
    EXPECT_EQ(table[1], 0x00);
}

TEST(MusicSamplingTest, SilenceIsNotAudible) {
    MusicImage image{};
    MusicSamples samples = SampleMusicImage(image);
    EXPECT_FALSE(samples.audible);
    int keys = 0;
    for (const auto& row : kMusicGrid) {
        for (int code : row) {
            keys += code != 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(samples.keys.size(), static_cast<std::size_t>(keys));
    image.fill(1);  // 1 is still silence
    EXPECT_FALSE(SampleMusicImage(image).audible);
}

TEST(MusicSamplingTest, OnePixelAtAGridPoint) {
    MusicImage image{};
    // Row 0, column 1 (Esc) samples x 11, y 7; a pixel off the grid is ignored.
    image[7 * kMusicImageWidth + 11] = 0x0000FF;
    image[8 * kMusicImageWidth + 11] = 0xFFFFFF;
    const MusicSamples samples = SampleMusicImage(image);
    EXPECT_TRUE(samples.audible);
    ASSERT_FALSE(samples.keys.empty());
    EXPECT_EQ(samples.keys[0], (KeyColourSample{41, 0x0000FF}));
    const ColourTable frame = BuildColourTable(samples.keys, {});
    EXPECT_EQ(frame[0], 0xFF);
    EXPECT_EQ(frame[1], 0x00);
    EXPECT_EQ(frame[2], 0x00);
}

TEST(MusicSamplingTest, LastGridPointAndKeysWithoutIndex) {
    MusicImage image{};
    image.fill(0x00102030);
    const MusicSamples samples = SampleMusicImage(image);
    // Row 5 column 21 is the last key (99) at x 231, y 57.
    EXPECT_EQ(samples.keys.back(), (KeyColourSample{99, 0x00102030}));
    const ColourTable frame = BuildColourTable(samples.keys, {});
    EXPECT_EQ(frame[3 * 71], 0x30);  // Fn (255)
    EXPECT_EQ(frame[3 * 126], 0);    // 135 and 254 have no built-in index
    EXPECT_EQ(frame[3 * 127], 0);
}

TEST(FirmwareVersionTest, LowerCaseHexWithoutLeadingZeros) {
    EXPECT_EQ(FirmwareVersionText(0x0102), "Fw Ver: 102");
    EXPECT_EQ(FirmwareVersionText(0xABC), "Fw Ver: abc");
    EXPECT_EQ(FirmwareVersionText(0), "Fw Ver: 0");
}

}  // namespace
}  // namespace vantora
