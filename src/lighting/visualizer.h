#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>

#include "lighting/colour_schemes.h"
#include "lighting/real_fft.h"
#include "sync/music_sampling.h"
#include "sync/sync_host.h"

namespace vantora {

// The audio spectrum analyser of the music mode. The capture thread pushes
// the sound the computer plays; the analysis thread turns the newest 256
// sample values into 256 levels every frame (about 15 ms) and renders a
// 256 x 64 bar graph of them, painted with a foreground scheme over a
// background scheme. The worker reads the last complete image.
//
// Every setter may be called from any thread and takes effect from the next
// frame. The analysis thread runs frames only while active and otherwise
// waits on a condition variable, so an inactive analyser uses no CPU.
// It holds its images (about 400 KB): allocate it on the heap.
class Visualizer : public MusicImageSource {
public:
    static constexpr int kLevels = 256;
    static constexpr int kWindowValues = 256;  // the window holds each twice
    static constexpr int kSamplesPerValue = 4;
    // A frame without any new samples this many times in a row (about 100 ms)
    // zeroes the sample window, so that the keys do not stay lit with the
    // last sound of an idle or suspended output.
    static constexpr int kQuietFramesBeforeSilence = 7;
    static constexpr int kFrameIntervalMs = 15;

    static constexpr int kDefaultAmplitude = 270;
    static constexpr int kDefaultForeMode = 15;
    static constexpr int kDefaultBackMode = 0;
    static constexpr int kDefaultBackBrightness = 100;
    static constexpr float kHueStepDegrees = 5.0f;

    // Window function codes; any other code applies none.
    enum Window : int { kHann = 1, kHamming = 2, kBlackman = 3 };
    // Smoothing codes; any other code smooths nothing.
    enum Smoothing : int { kBlockAverage = 0, kMovingAverage = 1 };

    Visualizer();
    ~Visualizer() override;

    Visualizer(const Visualizer&) = delete;
    Visualizer& operator=(const Visualizer&) = delete;

    // Adds a packet of interleaved 32-bit float samples (any thread). The
    // first 4 * ceil(frames / 4) values, never more than the packet holds,
    // are taken in groups of four; each group's mean times 2 * amplitude
    // becomes the newest window value. Non-finite samples count as 0; a
    // channel count below 1 adds nothing.
    void PushSamples(std::span<const float> interleaved, int channels);

    void SetForeMode(int scheme);
    void SetBackMode(int scheme);
    void SetAmplitude(int amplitude);
    // Clamped to 0..100.
    void SetBackBrightness(int percent);
    void SetWindowType(int window);
    void SetSmoothMode(int mode);

    // Whether the music mode is shown: the analysis thread runs frames only
    // while active.
    void SetActive(bool active);
    bool Active() const;

    // Starts the analysis thread; a second call does nothing.
    void Start();
    // Ends and joins the analysis thread (also done by the destructor).
    void Stop();

    bool LatestImage(MusicImage& image) override;

    // One frame as the analysis thread runs it: AnalyseFrame, then
    // RenderFrame (which publishes the image and advances the hue).
    void Step();
    // Decay, the new samples, the FFT and the levels.
    void AnalyseFrame();
    // The scheme images, the composed frame, the swap and the hue step.
    void RenderFrame();

    // For tests: read while no frame runs.
    const std::array<float, kLevels>& Levels() const { return levels_; }
    const std::array<float, kLevels>& Spectrum() const { return spectrum_; }
    float Hue() const { return hue_; }
    // The sample window's values, oldest first (any thread).
    std::array<float, kWindowValues> SampleWindow();
    // Sets the colour phase of the next frame (a non-finite value counts as 0).
    void SetHue(float degrees);

private:
    void Analyse();
    void Render();
    void ReadSamples(std::array<float, kWindowValues>& values);
    void CopyOldestFirst(std::array<float, kWindowValues>& values) const;  // samplesMutex_ held
    void Smooth(int mode);
    struct Painted {
        int scheme = 0;
        int brightness = 0;
        float hue = 0.0f;  // 0 for schemes that do not follow the hue
        bool valid = false;
    };
    void Paint(MusicImage& image, Painted& painted, int scheme, int brightness);
    void Compose(MusicImage& out) const;
    void Run();

    // The analysis tables.
    std::array<std::array<float, kLevels>, 3> windows_{};
    std::array<float, kLevels> tilt_{};
    RealFft512 fft_;
    SchemePainter painter_;

    // Settings, any thread.
    std::atomic<int> foreMode_{kDefaultForeMode};
    std::atomic<int> backMode_{kDefaultBackMode};
    std::atomic<int> amplitude_{kDefaultAmplitude};
    std::atomic<int> backBrightness_{kDefaultBackBrightness};
    std::atomic<int> windowType_{kHann};
    std::atomic<int> smoothMode_{kMovingAverage};

    // The newest sample values, a ring (the capture thread writes it).
    std::mutex samplesMutex_;
    std::array<float, kWindowValues> ring_{};
    int ringNext_ = 0;     // where the next value goes: the oldest one
    bool pushed_ = false;  // samples arrived since the last frame

    // Frame state, owned by whoever runs the frame (frameMutex_).
    std::mutex frameMutex_;
    int quietFrames_ = 0;
    int decayPercent_ = 80;
    int smoothWidth_ = 8;
    float followFactor_ = 1.0f;
    float hue_ = 0.0f;
    alignas(32) std::array<float, RealFft512::kSize> window_{};
    std::array<float, kLevels> spectrum_{};  // S: with peak hold
    std::array<float, kLevels> levels_{};    // L: the output levels 0..1
    MusicImage fore_{};
    MusicImage back_{};
    Painted forePainted_;
    Painted backPainted_;

    // The double buffer: images_[latest_] is the last complete frame.
    std::mutex imageMutex_;
    std::array<MusicImage, 2> images_{};
    int latest_ = 0;
    bool hasImage_ = false;

    // The analysis thread.
    std::mutex lifeMutex_;  // Start and Stop
    mutable std::mutex runMutex_;
    std::condition_variable wake_;
    bool active_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace vantora
