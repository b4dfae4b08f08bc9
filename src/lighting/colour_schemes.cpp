#include "lighting/colour_schemes.h"

#include <algorithm>
#include <cmath>

namespace vantora {

namespace {

constexpr int kPixels = kMusicImageWidth * kMusicImageHeight;

constexpr std::array<std::uint32_t, 9> kUniformColours = {
    0x000000, 0xFFFFFF, 0x0000FF, 0x0040FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF0040,
};

struct Bands {
    std::array<std::uint32_t, 6> colours;
    int count;
};

// Schemes 9..14, then 21.
constexpr std::array<Bands, 7> kBands = {{
    {{0x00FF00, 0x00FFFF, 0x0000FF}, 3},
    {{0x00FF00, 0xFFFFFF, 0x0000FF}, 3},
    {{0xFF0000, 0xFFFF00, 0xFFFFFF}, 3},
    {{0x0000FF, 0xFFFFFF, 0xFF0000}, 3},
    {{0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF}, 6},
    {{0xFF00FF, 0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF}, 6},
    {{0xFFFFFF, 0xFF00FF, 0x00FFFF, 0xFF0000, 0x008000, 0x0000FF}, 6},
}};

constexpr double kDegreesPerRadian = 57.295827908797776;
// Phase shifts of the sine rainbow's red, green and blue.
constexpr std::array<double, 3> kSineShifts = {0.0, -2.0933335, 2.0933335};

void Fill(MusicImage& image, std::uint32_t colour) {
    std::fill(image.begin(), image.end(), colour);
}

// Copies row 0 to every other row.
void RepeatFirstRow(MusicImage& image) {
    for (int y = 1; y < kMusicImageHeight; ++y) {
        std::copy_n(image.begin(), kMusicImageWidth, image.begin() + y * kMusicImageWidth);
    }
}

}  // namespace

int BrightnessFactor(int percent) {
    return static_cast<int>(percent * 2.55);
}

std::uint32_t ScaleColour(std::uint32_t colour, int factor) {
    const auto scale = [factor](std::uint32_t byte) { return static_cast<int>(byte & 0xFF) * factor / 256; };
    return PackRgb(scale(colour), scale(colour >> 8), scale(colour >> 16));
}

std::uint32_t HsvToColour(int hue, int saturation, int value) {
    const int s = std::clamp(saturation, 0, 255);
    const int v = std::clamp(value, 0, 255);
    if (s == 0) {
        return PackRgb(v, v, v);
    }
    int h = hue % 360;
    if (h < 0) {
        h += 360;
    }
    const int k = h / 60;
    const int p = (256 - s) * v / 256;
    const int q = ((60 * k - h) * s + 15360) * v / 15360;        // falling, odd sectors
    const int t = ((h - 60 * (k + 1)) * s + 15360) * v / 15360;  // rising, even sectors
    switch (k) {
        case 0:
            return PackRgb(v, t, p);
        case 1:
            return PackRgb(q, v, p);
        case 2:
            return PackRgb(p, v, t);
        case 3:
            return PackRgb(p, q, v);
        case 4:
            return PackRgb(t, p, v);
        default:
            return PackRgb(v, p, q);
    }
}

SchemePainter::SchemePainter() {
    for (int y = 0; y < kMusicImageHeight; ++y) {
        for (int x = 0; x < kMusicImageWidth; ++x) {
            const auto angle = [x, y](int centreY) {
                return static_cast<short>(
                    static_cast<int>(std::atan2(y - centreY, x - 128) * kDegreesPerRadian + 180) % 360);
            };
            wheelHigh_[y * kMusicImageWidth + x] = angle(32);
            wheelLow_[y * kMusicImageWidth + x] = angle(64);
        }
    }
    for (int channel = 0; channel < 3; ++channel) {
        for (int phase = -359; phase <= 359; ++phase) {
            const double a = phase / 360.0 * 2 * 3.14;
            sineLevels_[channel][phase + 359] =
                static_cast<short>(static_cast<int>((std::sin(a + kSineShifts[channel]) + 1) * 127));
        }
    }
}

bool SchemePainter::Paint(MusicImage& image, int scheme, int brightnessPercent, float hue) const {
    const int factor = BrightnessFactor(brightnessPercent);
    if (scheme >= kSchemeOff && scheme <= kSchemeBlueViolet) {
        Fill(image, ScaleColour(kUniformColours[scheme], factor));
        return true;
    }
    if ((scheme >= kSchemeBandsFirst && scheme <= kSchemeBandsLast) || scheme == kSchemeMixedBands) {
        const Bands& bands =
            kBands[scheme == kSchemeMixedBands ? kBands.size() - 1 : scheme - kSchemeBandsFirst];
        PaintBands(image, bands.colours.data(), bands.count, factor);
        return true;
    }
    switch (scheme) {
        case kSchemeSineRainbow:
            for (int x = 0; x < kMusicImageWidth; ++x) {
                image[x] = SineColour(x, factor, hue);
            }
            RepeatFirstRow(image);
            return true;
        case kSchemeHueGradient:
            for (int x = 0; x < kMusicImageWidth; ++x) {
                image[x] = HsvToColour(static_cast<int>(256 - x + hue) % 360, 255, factor);
            }
            RepeatFirstRow(image);
            return true;
        case kSchemeWheelHigh:
            PaintWheel(image, wheelHigh_, factor, hue);
            return true;
        case kSchemeWheelLow:
            PaintWheel(image, wheelLow_, factor, hue);
            return true;
        case kSchemeSpectrumCycle:
            Fill(image, HsvToColour(static_cast<int>(hue), 255, factor));
            return true;
        case kSchemeSineColour:
            Fill(image, SineColour(1, factor, hue));
            return true;
        default:
            return false;
    }
}

void SchemePainter::PaintBands(MusicImage& image, const std::uint32_t* colours, int count, int factor) const {
    std::array<std::uint32_t, 6> scaled{};
    for (int i = 0; i < count; ++i) {
        scaled[i] = ScaleColour(colours[i], factor);
    }
    const float k = static_cast<float>(count);
    const auto limit = [count](int index) { return std::clamp(index, 0, count - 1); };
    // Row 0 runs from the top colour at both ends to the bottom one in the middle.
    for (int x = 0; x < kMusicImageWidth; ++x) {
        const int index =
            x <= 127 ? static_cast<int>(k - k * x / 128.0f) : static_cast<int>((x - 128) * k / 128.0f);
        image[x] = scaled[limit(index)];
    }
    // The other rows: the last colour at the top, the first at the bottom.
    for (int y = 1; y < kMusicImageHeight; ++y) {
        const std::uint32_t colour = scaled[limit(static_cast<int>(k - k / 63.0f * y))];
        std::fill_n(image.begin() + y * kMusicImageWidth, kMusicImageWidth, colour);
    }
}

void SchemePainter::PaintWheel(MusicImage& image,
                               const std::array<short, kMusicImageWidth * kMusicImageHeight>& angles,
                               int factor, float hue) const {
    std::array<std::uint32_t, 360> colourOfAngle{};
    for (int angle = 0; angle < 360; ++angle) {
        colourOfAngle[angle] = HsvToColour(static_cast<int>(angle + hue), 255, factor);
    }
    for (int i = 0; i < kPixels; ++i) {
        image[i] = colourOfAngle[angles[i]];
    }
}

std::uint32_t SchemePainter::SineColour(int x, int factor, float hue) const {
    const int phase = static_cast<int>(x * 1.4117647 - hue) % 360;
    const auto level = [&](int channel) { return factor * sineLevels_[channel][phase + 359] / 256; };
    return PackRgb(level(0), level(1), level(2));
}

}  // namespace vantora
