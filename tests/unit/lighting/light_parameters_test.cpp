#include "lighting/light_parameters.h"

#include <gtest/gtest.h>

namespace vantora {
namespace {

LightMode RowWith(int configFunc, int colorful, int brightness = 80, int speed = 2) {
    LightMode row;
    row.mode = 5;
    row.config_func = configFunc;
    row.colorful = colorful;
    row.brightness = brightness;
    row.speed = speed;
    row.color_value = 0x123456;
    return row;
}

TEST(LightControlsTest, EachCapabilityShowsItsControls) {
    struct Case {
        const char* name;
        int configFunc;
        int colorful;
        bool speed;
        DirectionButtons direction;
        bool colourful;
        bool colourShown;
        bool colourEnabled;
    };
    const Case cases[] = {
        {"Spectrum", 0x03, 1, true, DirectionButtons::kNone, false, false, false},
        {"Fixed, colourful", 0x31, 1, false, DirectionButtons::kNone, true, true, false},
        {"Fixed, one colour", 0x31, 0, false, DirectionButtons::kNone, true, true, true},
        {"Rainbow", 0x37, 0, true, DirectionButtons::kLeftRight, true, true, true},
        {"Wave", 0x3B, 1, true, DirectionButtons::kUpDown, true, true, false},
        {"both direction bits", 0x0D, 1, false, DirectionButtons::kLeftRight, false, false, false},
        {"colour without Colorful", 0x11, 1, false, DirectionButtons::kNone, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LightControls shown = ControlsFor(RowWith(c.configFunc, c.colorful));
        EXPECT_TRUE(shown.brightnessEnabled);
        EXPECT_EQ(shown.brightness, 80);
        EXPECT_EQ(shown.speedShown, c.speed);
        EXPECT_EQ(shown.speed, c.speed ? 2 : 0);
        EXPECT_EQ(shown.direction, c.direction);
        EXPECT_EQ(shown.colourfulShown, c.colourful);
        EXPECT_EQ(shown.colourfulChecked, c.colourful && c.colorful == 1);
        EXPECT_EQ(shown.colourShown, c.colourShown);
        EXPECT_EQ(shown.colourEnabled, c.colourEnabled);
        EXPECT_FALSE(shown.perKey);
    }
}

TEST(LightControlsTest, BrightnessWithoutItsBitIsDisabledAtZeroAndStoredValuesAreClamped) {
    LightControls shown = ControlsFor(RowWith(0x02, 0, 80, 2));
    EXPECT_FALSE(shown.brightnessEnabled);
    EXPECT_EQ(shown.brightness, 0);
    shown = ControlsFor(RowWith(0x03, 0, 250, 9));
    EXPECT_EQ(shown.brightness, 100);
    EXPECT_EQ(shown.speed, 4);
    shown = ControlsFor(RowWith(0x03, 0, -4, -1));
    EXPECT_EQ(shown.brightness, 0);
    EXPECT_EQ(shown.speed, 0);
}

// The picture previews the row's own colourful flag, not always the
// multi-colour effect.
TEST(LightControlsTest, PreviewFollowsTheRowsColourfulFlag) {
    LightControls shown = ControlsFor(RowWith(0x31, 0));
    EXPECT_FALSE(shown.previewColourful);
    EXPECT_EQ(shown.previewColour, 0x123456u);
    shown = ControlsFor(RowWith(0x31, 1));
    EXPECT_TRUE(shown.previewColourful);
}

TEST(LightControlsTest, PerKeyRowShowsEachKeysColourWithColourControls) {
    const LightControls shown = ControlsFor(RowWith(0x111, 0));
    EXPECT_TRUE(shown.perKey);
    EXPECT_TRUE(shown.colourShown);
    EXPECT_TRUE(shown.colourEnabled);
    EXPECT_FALSE(shown.speedShown);
    EXPECT_FALSE(shown.previewColourful);
    EXPECT_EQ(shown.previewColour, 0u);
}

TEST(ChannelInputTest, TypedValuesAreParsedClampedAndCorrected) {
    struct Case {
        const char* text;
        int value;
        bool corrected;
    };
    const Case cases[] = {
        {"0", 0, false},     {"128", 128, false},
        {"255", 255, false}, {"300", 255, true},
        {"abc", 0, false},   {"", 0, false},
        {"-5", 0, true},     {"12ab", 12, false},
        {" 7", 7, false},    {"99999999999999999999", 255, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ChannelInput input = ParseChannel(c.text);
        EXPECT_EQ(input.value, c.value);
        EXPECT_EQ(input.corrected, c.corrected);
    }
}

TEST(ColourPackingTest, RedIsTheLowByte) {
    EXPECT_EQ(PackColour(255, 0, 0), 255u);
    EXPECT_EQ(PackColour(0, 0, 255), 16711680u);
    const std::uint32_t colour = PackColour(0x38, 0xE3, 0xED);
    EXPECT_EQ(colour, 0xEDE338u);
    EXPECT_EQ(RedOf(colour), 0x38);
    EXPECT_EQ(GreenOf(colour), 0xE3);
    EXPECT_EQ(BlueOf(colour), 0xED);
}

}  // namespace
}  // namespace vantora
