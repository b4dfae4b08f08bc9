#include "lighting/visualizer.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <thread>
#include <vector>

#include "lighting/colour_schemes.h"

namespace vantora {
namespace {

using Levels = std::array<double, 256>;

// Mono samples whose groups of four hold amplitude * sin of the value index:
// 256 window values of a sine with `cycles` periods.
std::vector<float> SinePacket(int cycles, double amplitude) {
    std::vector<float> samples;
    for (int i = 0; i < 256; ++i) {
        const float v = static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * cycles * i / 256));
        samples.insert(samples.end(), 4, v);
    }
    return samples;
}

// One analysis frame worked out directly from the description of the
// analyser: decay, Hann window over the first half, the direct transform,
// tilt, 64 bands, smoothing; the levels follow the spectrum fully.
void ReferenceFrame(Levels& s, const std::array<double, 256>& values, int smoothMode) {
    for (double& v : s) {
        v *= 0.8;
    }
    std::array<double, 512> x{};
    for (int i = 0; i < 256; ++i) {
        x[2 * i] = x[2 * i + 1] = values[i];
    }
    for (int i = 0; i < 256; ++i) {
        x[i] *= (1 - std::cos(2 * std::numbers::pi * i / 256)) * 0.5;
    }
    std::array<double, 256> f{};
    for (int k = 0; k < 128; ++k) {
        double re = 0;
        double im = 0;
        for (int j = 0; j < 512; ++j) {
            re += x[j] * std::cos(2 * std::numbers::pi * j * k / 512) / 512;
            im += x[j] * std::sin(2 * std::numbers::pi * j * k / 512) / 512;
        }
        f[2 * k] = re;
        f[2 * k + 1] = im;
    }
    f[1] = 0;
    for (int j = 0; j < 512; ++j) {
        f[1] += x[j] * (j % 2 == 0 ? 1 : -1) / 512;
    }
    f[0] = f[2];
    for (int i = 0; i < 256; ++i) {
        f[i] *= 0.04 + 0.5 * i / 256;
    }
    for (int k = 0; k < 64; ++k) {
        const double m = std::hypot(f[2 * k], f[2 * k + 1]);
        const double l = std::min(0.5 * std::log10(1.1 * m) + 0.9 * m, 1.0);
        s[4 * k] = std::max({s[4 * k], l, 0.0});
        s[4 * k + 1] = s[4 * k + 2] = s[4 * k + 3] = s[4 * k];
    }
    const int w = 8;
    auto mean = [&s](int from, int to) {
        double sum = 0;
        for (int j = from; j <= to; ++j) {
            sum += s[j];
        }
        return sum / (to - from + 1);
    };
    if (smoothMode == 1) {
        for (int i = 0; i < w; ++i) {
            s[i] = mean(0, w + i);
            s[255 - i] = mean(255 - w - i, 255);
        }
        for (int i = w; i <= 255 - w - 1; ++i) {
            double sum = s[i];
            for (int j = 1; j <= w; ++j) {
                sum += s[i - j] + s[i + j];
            }
            s[i] = sum / (2 * w + 1);
        }
    } else {
        const double head = mean(0, w - 1);
        const double tail = mean(256 - w, 255);
        for (int i = 0; i < w; ++i) {
            s[i] = head;
            s[255 - i] = tail;
        }
        for (int start = 0; start < 256 - w; start += w) {
            const double block = mean(start, start + w - 1);
            for (int i = start; i < start + w; ++i) {
                s[i] = block;
            }
        }
    }
}

class VisualizerTest : public testing::Test {
protected:
    std::unique_ptr<Visualizer> visualizer = std::make_unique<Visualizer>();

    std::uint32_t Pixel(int x, int y) {
        auto image = std::make_unique<MusicImage>();
        EXPECT_TRUE(visualizer->LatestImage(*image));
        return (*image)[y * kMusicImageWidth + x];
    }
};

TEST_F(VisualizerTest, LevelsOfASineAndTheirDecayInBothSmoothingModes) {
    const int amplitude = 50;
    const double peak = 0.2;
    std::array<double, 256> sine{};
    for (int i = 0; i < 256; ++i) {
        sine[i] = 2.0 * amplitude * static_cast<float>(peak * std::sin(2 * std::numbers::pi * 10 * i / 256));
    }
    const std::array<double, 256> silence{};
    for (int mode : {Visualizer::kMovingAverage, Visualizer::kBlockAverage}) {
        SCOPED_TRACE(mode);
        visualizer = std::make_unique<Visualizer>();
        visualizer->SetAmplitude(amplitude);
        visualizer->SetSmoothMode(mode);
        Levels expected{};
        visualizer->PushSamples(SinePacket(10, peak), 1);
        visualizer->Step();
        ReferenceFrame(expected, sine, mode);
        EXPECT_GT(expected[41], 0.1);  // the tone's band is lit
        for (int i = 0; i < 256; ++i) {
            ASSERT_NEAR(visualizer->Levels()[i], expected[i], 1e-4) << "level " << i;
        }
        // Silence: the levels only decay (and are smoothed again).
        visualizer->PushSamples(std::vector<float>(1024, 0.0f), 1);
        visualizer->Step();
        ReferenceFrame(expected, silence, mode);
        for (int i = 0; i < 256; ++i) {
            ASSERT_NEAR(visualizer->Levels()[i], expected[i], 1e-4) << "level " << i;
        }
    }
}

TEST_F(VisualizerTest, SamplesAreTakenInGroupsOfFourScaledByTheAmplitude) {
    visualizer->SetAmplitude(100);
    // 6 stereo frames: 4 * ceil(6 / 4) = 8 values taken of 12, two groups.
    visualizer->PushSamples(std::vector<float>{0.1f, 0.1f, 0.1f, 0.1f, 0.2f, 0.2f, 0.4f, 0.4f, 9, 9, 9, 9},
                            2);
    auto window = visualizer->SampleWindow();
    EXPECT_FLOAT_EQ(window[254], 2 * 100 * 0.1f);
    EXPECT_FLOAT_EQ(window[255], 2 * 100 * 0.3f);
    EXPECT_FLOAT_EQ(window[253], 0.0f);

    // Non-finite samples count as 0; a packet shorter than a group, or without
    // channels, adds nothing and never reads past its end.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    visualizer->PushSamples(std::vector<float>{nan, inf, -inf, 0.4f}, 1);
    visualizer->PushSamples(std::vector<float>{0.5f}, 1);
    visualizer->PushSamples(std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f}, 0);
    visualizer->PushSamples(std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f}, -2);
    visualizer->PushSamples({}, 2);
    window = visualizer->SampleWindow();
    EXPECT_FLOAT_EQ(window[255], 2 * 100 * 0.1f);
    EXPECT_FLOAT_EQ(window[254], 2 * 100 * 0.3f);
    visualizer->Step();
    for (float level : visualizer->Levels()) {
        EXPECT_TRUE(std::isfinite(level));
    }
}

TEST_F(VisualizerTest, AWindowWithoutNewSamplesForAboutAHundredMillisecondsIsZeroed) {
    visualizer->PushSamples(SinePacket(10, 0.5), 1);
    visualizer->Step();
    for (int quiet = 1; quiet < Visualizer::kQuietFramesBeforeSilence; ++quiet) {
        visualizer->Step();
    }
    EXPECT_NE(visualizer->SampleWindow()[100], 0.0f);
    EXPECT_GT(visualizer->Levels()[41], 0.3f);
    visualizer->Step();
    for (float v : visualizer->SampleWindow()) {
        ASSERT_EQ(v, 0.0f);
    }
    for (int frame = 0; frame < 25; ++frame) {
        visualizer->Step();
    }
    for (float level : visualizer->Levels()) {
        ASSERT_LT(level, 0.01f);
    }
}

TEST_F(VisualizerTest, TheImageShowsBarsAndTheBassBarOverTheBackground) {
    auto image = std::make_unique<MusicImage>();
    EXPECT_FALSE(visualizer->LatestImage(*image));  // no frame yet

    const std::uint32_t fore = 0x0000FD;  // red at 100 %
    const std::uint32_t back = 0x7E0000;  // blue at 50 %
    visualizer->SetForeMode(kSchemeRed);
    visualizer->SetBackMode(kSchemeBlue);
    visualizer->SetBackBrightness(50);

    // Silence: only the background, the bass bar empty.
    visualizer->Step();
    ASSERT_TRUE(visualizer->LatestImage(*image));
    for (std::uint32_t pixel : *image) {
        ASSERT_EQ(pixel, back);
    }

    // A loud low tone: bars where L[x] > (64 - y) / 64; row 0 lit from the
    // middle outwards as far as L[5] - 0.05 reaches.
    visualizer->PushSamples(SinePacket(2, 0.5), 1);
    visualizer->Step();
    ASSERT_TRUE(visualizer->LatestImage(*image));
    const auto& levels = visualizer->Levels();
    const float bass = levels[5] - 0.05f;
    ASSERT_GT(bass, 0.2f);
    ASSERT_LT(bass, 0.99f);
    for (int y = 0; y < kMusicImageHeight; ++y) {
        for (int x = 0; x < kMusicImageWidth; ++x) {
            const bool lit = y == 0 ? (x <= 127 ? (127 - x) / 128.0f : (x - 128) / 128.0f) < bass
                                    : levels[x] > (64 - y) / 64.0f;
            ASSERT_EQ((*image)[y * kMusicImageWidth + x], lit ? fore : back) << x << "," << y;
        }
    }
    EXPECT_EQ((*image)[127], fore);
    EXPECT_EQ((*image)[128], fore);
    EXPECT_EQ((*image)[0], back);
    EXPECT_EQ((*image)[255], back);

    // Settings apply from the next frame; a background brightness beyond 100
    // counts as 100.
    visualizer->SetBackMode(kSchemeWhite);
    visualizer->SetBackBrightness(250);
    visualizer->SetForeMode(kSchemeOff);
    visualizer->Step();
    EXPECT_EQ(Pixel(200, 5), 0xFDFDFDu);
    EXPECT_EQ(Pixel(128, 0), 0u);
}

TEST_F(VisualizerTest, TheSpectrumCycleTurnsFiveDegreesPerFrame) {
    visualizer->SetForeMode(kSchemeSpectrumCycle);
    visualizer->SetBackMode(kSchemeSpectrumCycle);
    std::vector<std::uint32_t> colours;
    for (int frame = 0; frame <= 72; ++frame) {
        visualizer->Step();
        colours.push_back(Pixel(50, 50));
    }
    EXPECT_EQ(colours[0], HsvToColour(0, 255, 254));
    EXPECT_EQ(colours[24], HsvToColour(120, 255, 254));
    EXPECT_EQ(colours[71], HsvToColour(355, 255, 254));
    EXPECT_EQ(colours[72], colours[0]);  // a full turn

    visualizer->SetHue(240);
    visualizer->Step();
    EXPECT_EQ(Pixel(50, 50), HsvToColour(240, 255, 254));
    EXPECT_FLOAT_EQ(visualizer->Hue(), 245);
}

TEST_F(VisualizerTest, TheThreadRunsFramesOnlyWhileActiveAndStopsPromptly) {
    visualizer->Start();
    visualizer->Start();  // does nothing
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto image = std::make_unique<MusicImage>();
    EXPECT_FALSE(visualizer->LatestImage(*image));  // inactive: no frame

    visualizer->SetForeMode(kSchemeWhite);
    visualizer->SetActive(true);
    std::thread capture([this] {
        for (int packet = 0; packet < 20; ++packet) {
            visualizer->PushSamples(SinePacket(3, 0.5), 2);
            visualizer->SetAmplitude(200 + packet);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool lit = false;
    while (!lit && std::chrono::steady_clock::now() < deadline) {
        lit = visualizer->LatestImage(*image) && (*image)[63 * kMusicImageWidth + 12] != 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    capture.join();
    EXPECT_TRUE(lit);

    visualizer->SetActive(false);
    EXPECT_FALSE(visualizer->Active());
    const auto start = std::chrono::steady_clock::now();
    visualizer->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));

    // Restarted and destroyed while running.
    visualizer->SetActive(true);
    visualizer->Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    visualizer.reset();
}

}  // namespace
}  // namespace vantora
