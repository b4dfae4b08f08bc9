#include "lighting/colour_schemes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace vantora {
namespace {

TEST(HsvToColourTest, SectorsEdgesAndOutOfRangeInput) {
    struct Case {
        int hue, saturation, value;
        std::uint32_t colour;
    };
    const Case cases[] = {
        {123, 0, 200, 0xC8C8C8},                               // grey: no saturation
        {0, 255, 255, 0x0000FF},                               // red
        {360, 255, 255, 0x0000FF}, {-60, 255, 255, 0xFF00FF},  // taken as 300
        {59, 255, 255, 0x00FAFF},                              // green rising towards yellow
        {60, 255, 255, 0x00FFFF},  {330, 255, 255, 0x7F00FF},  // blue falling towards red
        {719, 255, 255, 0x0500FF},                             // 359
        {300, 128, 100, 0x643264},                             // p = (256 - s) v / 256
        {200, 255, 0, 0x000000},   {0, 255, 300, 0x0000FF},    // value and saturation limited to 255
        {0, 999, 255, 0x0000FF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hue << "/" << c.saturation << "/" << c.value);
        EXPECT_EQ(HsvToColour(c.hue, c.saturation, c.value), c.colour);
    }
}

// The level of a sine rainbow channel at column x, worked out directly.
int SineLevel(int x, float hue, double shift, int factor) {
    const int phase = static_cast<int>(x * 1.4117647 - hue) % 360;
    const double a = phase / 360.0 * 2 * 3.14;
    return factor * static_cast<int>((std::sin(a + shift) + 1) * 127) / 256;
}

std::uint32_t SineColour(int x, float hue) {
    return PackRgb(SineLevel(x, hue, 0.0, 254), SineLevel(x, hue, -2.0933335, 254),
                   SineLevel(x, hue, 2.0933335, 254));
}

TEST(SchemePainterTest, PaintsEachKindOfScheme) {
    struct Case {
        const char* name;
        int scheme, brightness;
        float hue;
        int x, y;
        std::uint32_t colour;
    };
    const Case cases[] = {
        {"red: 255 * 254 / 256", kSchemeRed, 100, 0, 10, 10, 0x0000FD},
        {"white at half brightness", kSchemeWhite, 50, 0, 200, 60, 0x7E7E7E},
        {"off", kSchemeOff, 100, 0, 0, 0, 0x000000},
        {"orange", kSchemeOrange, 100, 0, 5, 5, 0x003FFD},
        {"rainbow bands, bottom", kSchemeRainbowBands, 100, 0, 9, 63, 0x0000FD},
        {"rainbow bands, middle", kSchemeRainbowBands, 100, 0, 9, 32, 0x00FD00},
        {"rainbow bands, top", kSchemeRainbowBands, 100, 0, 9, 1, 0xFD00FD},
        {"rainbow bands, row 0 left end", kSchemeRainbowBands, 100, 0, 0, 0, 0xFD00FD},
        {"rainbow bands, row 0 middle", kSchemeRainbowBands, 100, 0, 127, 0, 0x0000FD},
        {"rainbow bands, row 0 right of middle", kSchemeRainbowBands, 100, 0, 128, 0, 0x0000FD},
        {"rainbow bands, row 0 right end", kSchemeRainbowBands, 100, 0, 255, 0, 0xFD00FD},
        {"three bands, bottom", 9, 100, 0, 40, 63, 0x00FD00},
        {"scheme 21, top", kSchemeMixedBands, 100, 0, 40, 1, 0x0000FD},
        {"spectrum cycle", kSchemeSpectrumCycle, 100, 120, 77, 44, 0x00FE00},
        {"wheel, right of the centre", kSchemeWheelHigh, 100, 0, 255, 32, 0xFEFE00},
        {"wheel, turned by 90", kSchemeWheelHigh, 100, 90, 255, 32, 0xFE007F},
        {"low wheel, above the centre: hue (int)89.9999", kSchemeWheelLow, 100, 0, 128, 0, 0x00FE83},
        {"hue gradient", kSchemeHueGradient, 100, 0, 16, 50, 0xFE0000},
        {"sine rainbow", kSchemeSineRainbow, 100, 0, 0, 30, SineColour(0, 0)},
        {"sine rainbow, moved", kSchemeSineRainbow, 100, 100, 3, 63, SineColour(3, 100)},
        {"sine colour", kSchemeSineColour, 100, 40, 250, 2, SineColour(1, 40)},
    };
    auto painter = std::make_unique<SchemePainter>();
    auto image = std::make_unique<MusicImage>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        image->fill(0x123456);
        ASSERT_TRUE(painter->Paint(*image, c.scheme, c.brightness, c.hue));
        EXPECT_EQ((*image)[c.y * kMusicImageWidth + c.x], c.colour);
    }
}

TEST(SchemePainterTest, AnUnknownSchemeLeavesTheImageAsItWas) {
    auto painter = std::make_unique<SchemePainter>();
    auto image = std::make_unique<MusicImage>();
    for (int scheme : {-1, 22, 1000}) {
        image->fill(0x123456);
        EXPECT_FALSE(painter->Paint(*image, scheme, 100, 0));
        EXPECT_EQ((*image)[1000], 0x123456u);
    }
}

}  // namespace
}  // namespace vantora
