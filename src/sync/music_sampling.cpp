#include "sync/music_sampling.h"

namespace vantora {

const std::array<std::array<int, kMusicGridColumns>, kMusicGridRows> kMusicGrid = {{
    {0, 41, 0, 58, 59, 60, 61, 0, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 209, 210, 211, 212},
    {0, 53, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 45, 46, 0, 42, 73, 74, 75, 83, 84, 85, 86},
    {0, 43, 20, 26, 8, 21, 23, 28, 24, 12, 18, 19, 47, 48, 0, 49, 76, 77, 78, 95, 96, 97, 87},
    {0, 57, 4, 22, 7, 9, 10, 11, 13, 14, 15, 51, 52, 50, 40, 0, 0, 0, 0, 92, 93, 94, 0},
    {0, 225, 100, 29, 27, 6, 25, 5, 17, 16, 54, 55, 56, 135, 229, 0, 0, 82, 0, 89, 90, 91, 88},
    {0, 224, 227, 226, 0, 0, 44, 0, 0, 0, 0, 230, 255, 101, 254, 228, 80, 81, 79, 98, 0, 99, 0},
}};

MusicSamples SampleMusicImage(const MusicImage& image) {
    MusicSamples samples;
    for (int row = 0; row < kMusicGridRows; ++row) {
        for (int column = 0; column < kMusicGridColumns; ++column) {
            const int code = kMusicGrid[row][column];
            if (code == 0) {
                continue;
            }
            const std::uint32_t pixel = image[MusicSampleY(row) * kMusicImageWidth + MusicSampleX(column)];
            samples.keys.push_back({code, pixel});
            if (pixel > 1) {
                samples.audible = true;
            }
        }
    }
    return samples;
}

}  // namespace vantora
