#pragma once

#include <array>
#include <cstdint>

#include "sync/music_sampling.h"

namespace vantora {

// Colours are packed 0x00BBGGRR (red in the low byte).
constexpr std::uint32_t PackRgb(int red, int green, int blue) {
    return static_cast<std::uint32_t>(red) | static_cast<std::uint32_t>(green) << 8 |
           static_cast<std::uint32_t>(blue) << 16;
}

// The scale factor of a brightness in percent: (int)(percent * 2.55).
int BrightnessFactor(int percent);

// Each colour byte multiplied by factor and divided by 256, truncated.
std::uint32_t ScaleColour(std::uint32_t colour, int factor);

// Integer HSV: hue in degrees (any integer, taken modulo 360), saturation
// and value 0..255.
std::uint32_t HsvToColour(int hue, int saturation, int value);

// The colour scheme codes of the music foreground and background.
enum MusicScheme : int {
    kSchemeOff = 0,
    kSchemeWhite = 1,
    kSchemeRed = 2,
    kSchemeOrange = 3,
    kSchemeYellow = 4,
    kSchemeGreen = 5,
    kSchemeCyan = 6,
    kSchemeBlue = 7,
    kSchemeBlueViolet = 8,
    kSchemeBandsFirst = 9,  // 9..14 are bands
    kSchemeRainbowBands = 13,
    kSchemeBandsLast = 14,
    kSchemeSineRainbow = 15,
    kSchemeHueGradient = 16,
    kSchemeWheelHigh = 17,  // centred on (128, 32)
    kSchemeWheelLow = 18,   // centred on (128, 64)
    kSchemeSpectrumCycle = 19,
    kSchemeSineColour = 20,
    kSchemeMixedBands = 21,
};

// Whether a scheme's colours move with the colour phase (15..20).
constexpr bool SchemeFollowsHue(int scheme) {
    return scheme >= kSchemeSineRainbow && scheme <= kSchemeSineColour;
}

// Paints 256 x 64 scheme images. The tables that do not depend on the hue
// or the brightness (the wheels' angles, the sine rainbow's levels) are
// computed once.
class SchemePainter {
public:
    SchemePainter();

    // Paints image with scheme at brightness percent and the colour phase
    // hue (degrees). Returns false, leaving the image as it was, for an
    // unknown scheme.
    bool Paint(MusicImage& image, int scheme, int brightnessPercent, float hue) const;

private:
    static constexpr int kSinePhases = 719;  // phase -359..359

    void PaintBands(MusicImage& image, const std::uint32_t* colours, int count, int factor) const;
    void PaintWheel(MusicImage& image, const std::array<short, kMusicImageWidth * kMusicImageHeight>& angles,
                    int factor, float hue) const;
    std::uint32_t SineColour(int x, int factor, float hue) const;

    // Hue of each pixel around (128, 32) and (128, 64), 0..359.
    std::array<short, kMusicImageWidth * kMusicImageHeight> wheelHigh_{};
    std::array<short, kMusicImageWidth * kMusicImageHeight> wheelLow_{};
    // (int)((sin(a + shift) + 1) * 127) of each channel and integer phase.
    std::array<std::array<short, kSinePhases>, 3> sineLevels_{};
};

}  // namespace vantora
