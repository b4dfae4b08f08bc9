#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sync/colour_tables.h"

namespace vantora {

// The analyser's spectrum image: 256 x 64 pixels, row by row, 0x00BBGGRR.
inline constexpr int kMusicImageWidth = 256;
inline constexpr int kMusicImageHeight = 64;
using MusicImage = std::array<std::uint32_t, kMusicImageWidth * kMusicImageHeight>;

// The sampling grid: 6 rows x 23 columns of key codes, 0 = no key. Row r,
// column c samples the pixel at x = 11*c, y = 10*r + 7.
inline constexpr int kMusicGridRows = 6;
inline constexpr int kMusicGridColumns = 23;
extern const std::array<std::array<int, kMusicGridColumns>, kMusicGridRows> kMusicGrid;

constexpr int MusicSampleX(int column) {
    return 11 * column;
}
constexpr int MusicSampleY(int row) {
    return 10 * row + 7;
}

struct MusicSamples {
    std::vector<KeyColourSample> keys;  // one per grid key, in grid order
    bool audible = false;               // some sampled value is greater than 1
};

MusicSamples SampleMusicImage(const MusicImage& image);

}  // namespace vantora
