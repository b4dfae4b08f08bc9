#include "lighting/visualizer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>

namespace vantora {

namespace {

constexpr int kBands = 64;
constexpr int kForeBrightness = 100;

// One row of the composed image: the foreground where lit, else the background.
void ComposeRow(const float* __restrict levels, float threshold, const std::uint32_t* __restrict fore,
                const std::uint32_t* __restrict back, std::uint32_t* __restrict out) {
    for (int x = 0; x < kMusicImageWidth; ++x) {
        const std::uint32_t lit = 0u - static_cast<std::uint32_t>(levels[x] > threshold);
        out[x] = (fore[x] & lit) | (back[x] & ~lit);
    }
}

}  // namespace

Visualizer::Visualizer() {
    for (int i = 0; i < kLevels; ++i) {
        const double t = 2 * std::numbers::pi * i / kLevels;
        windows_[0][i] = static_cast<float>((1 - std::cos(t)) * 0.5);
        windows_[1][i] = static_cast<float>(0.54 - 0.46 * std::cos(t));
        windows_[2][i] = static_cast<float>(0.42 - 0.5 * std::cos(t) + 0.08 * std::cos(2 * t));
        tilt_[i] = 0.04f + 0.5f * static_cast<float>(i) / kLevels;
    }
}

Visualizer::~Visualizer() {
    Stop();
}

void Visualizer::PushSamples(std::span<const float> interleaved, int channels) {
    if (channels < 1) {
        return;
    }
    const std::size_t frames = interleaved.size() / static_cast<std::size_t>(channels);
    std::size_t count = (frames + kSamplesPerValue - 1) / kSamplesPerValue * kSamplesPerValue;
    count = std::min(count, interleaved.size() / kSamplesPerValue * kSamplesPerValue);
    if (count == 0) {
        return;
    }
    const float gain = 2.0f * static_cast<float>(amplitude_.load(std::memory_order_relaxed));
    std::lock_guard lock(samplesMutex_);
    for (std::size_t group = 0; group < count; group += kSamplesPerValue) {
        float sum = 0.0f;
        for (int i = 0; i < kSamplesPerValue; ++i) {
            const float sample = interleaved[group + i];
            sum += std::isfinite(sample) ? sample : 0.0f;
        }
        ring_[ringNext_] = sum / kSamplesPerValue * gain;
        ringNext_ = (ringNext_ + 1) % kWindowValues;
    }
    pushed_ = true;
}

void Visualizer::SetForeMode(int scheme) {
    foreMode_.store(scheme, std::memory_order_relaxed);
}

void Visualizer::SetBackMode(int scheme) {
    backMode_.store(scheme, std::memory_order_relaxed);
}

void Visualizer::SetAmplitude(int amplitude) {
    amplitude_.store(amplitude, std::memory_order_relaxed);
}

void Visualizer::SetBackBrightness(int percent) {
    backBrightness_.store(std::clamp(percent, 0, 100), std::memory_order_relaxed);
}

void Visualizer::SetWindowType(int window) {
    windowType_.store(window, std::memory_order_relaxed);
}

void Visualizer::SetSmoothMode(int mode) {
    smoothMode_.store(mode, std::memory_order_relaxed);
}

void Visualizer::SetActive(bool active) {
    {
        std::lock_guard lock(runMutex_);
        active_ = active;
    }
    wake_.notify_all();
}

bool Visualizer::Active() const {
    std::lock_guard lock(runMutex_);
    return active_;
}

void Visualizer::Start() {
    std::lock_guard life(lifeMutex_);
    if (thread_.joinable()) {
        return;
    }
    {
        std::lock_guard lock(runMutex_);
        stopping_ = false;
    }
    thread_ = std::thread([this] { Run(); });
}

void Visualizer::Stop() {
    std::lock_guard life(lifeMutex_);
    if (!thread_.joinable()) {
        return;
    }
    {
        std::lock_guard lock(runMutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void Visualizer::Run() {
    std::unique_lock lock(runMutex_);
    while (!stopping_) {
        if (!active_) {
            wake_.wait(lock);
            continue;
        }
        lock.unlock();
        Step();
        lock.lock();
        wake_.wait_for(lock, std::chrono::milliseconds(kFrameIntervalMs), [this] { return stopping_; });
    }
}

bool Visualizer::LatestImage(MusicImage& image) {
    std::lock_guard lock(imageMutex_);
    if (!hasImage_) {
        return false;
    }
    image = images_[latest_];
    return true;
}

void Visualizer::Step() {
    std::lock_guard lock(frameMutex_);
    Analyse();
    Render();
}

void Visualizer::AnalyseFrame() {
    std::lock_guard lock(frameMutex_);
    Analyse();
}

void Visualizer::RenderFrame() {
    std::lock_guard lock(frameMutex_);
    Render();
}

void Visualizer::SetHue(float degrees) {
    std::lock_guard lock(frameMutex_);
    hue_ = std::isfinite(degrees) ? degrees : 0.0f;
}

std::array<float, Visualizer::kWindowValues> Visualizer::SampleWindow() {
    std::array<float, kWindowValues> values;
    std::lock_guard lock(samplesMutex_);
    CopyOldestFirst(values);
    return values;
}

void Visualizer::CopyOldestFirst(std::array<float, kWindowValues>& values) const {
    std::copy(ring_.begin() + ringNext_, ring_.end(), values.begin());
    std::copy(ring_.begin(), ring_.begin() + ringNext_, values.begin() + (kWindowValues - ringNext_));
}

void Visualizer::ReadSamples(std::array<float, kWindowValues>& values) {
    std::lock_guard lock(samplesMutex_);
    if (pushed_) {
        quietFrames_ = 0;
    } else if (quietFrames_ < kQuietFramesBeforeSilence && ++quietFrames_ == kQuietFramesBeforeSilence) {
        ring_.fill(0.0f);
    }
    pushed_ = false;
    CopyOldestFirst(values);
}

void Visualizer::Analyse() {
    const float keep = static_cast<float>(decayPercent_) / 100.0f;
    for (float& s : spectrum_) {
        s *= keep;
    }

    std::array<float, kWindowValues> values;
    ReadSamples(values);
    for (int i = 0; i < kWindowValues; ++i) {
        window_[2 * i] = values[i];
        window_[2 * i + 1] = values[i];
    }
    const int windowType = windowType_.load(std::memory_order_relaxed);
    if (windowType >= kHann && windowType <= kBlackman) {
        const auto& table = windows_[windowType - kHann];
        for (int i = 0; i < kLevels; ++i) {
            window_[i] *= table[i];
        }
    }

    fft_.Transform(window_);

    float* f = window_.data();
    f[0] = f[2];
    for (int i = 0; i < kLevels; ++i) {
        f[i] *= tilt_[i];
    }
    constexpr int kSlotsPerBand = kLevels / kBands;
    for (int k = 0; k < kBands; ++k) {
        const float m = std::sqrt(f[2 * k] * f[2 * k] + f[2 * k + 1] * f[2 * k + 1]);
        float l = 0.5f * std::log10(1.1f * m) + 0.9f * m;
        l = std::min(l, 1.0f);
        float& s = spectrum_[kSlotsPerBand * k];
        if (l > s) {
            s = l;
        }
        if (s < 0.0f) {
            s = 0.0f;
        }
        std::fill_n(&s + 1, kSlotsPerBand - 1, s);
    }

    Smooth(smoothMode_.load(std::memory_order_relaxed));

    for (int i = 0; i < kLevels; ++i) {
        levels_[i] += (spectrum_[i] - levels_[i]) * followFactor_;
    }
}

void Visualizer::Smooth(int mode) {
    const int w = smoothWidth_;
    float* s = spectrum_.data();
    const auto mean = [s](int first, int count) {
        float sum = 0.0f;
        for (int j = first; j < first + count; ++j) {
            sum += s[j];
        }
        return sum / static_cast<float>(count);
    };
    if (mode == kMovingAverage) {
        // The edges average what they have: w + i + 1 values.
        for (int i = 0; i < w; ++i) {
            s[i] = mean(0, w + i + 1);
            s[kLevels - 1 - i] = mean(kLevels - 1 - w - i, w + i + 1);
        }
        // In place: the left neighbours are already averaged. A running sum
        // of the 2w + 1 values replaces the sum of each.
        double sum = 0.0;
        for (int j = 0; j <= 2 * w; ++j) {
            sum += s[j];
        }
        for (int i = w; i < kLevels - w - 1; ++i) {
            const float previous = s[i];
            s[i] = static_cast<float>(sum / (2 * w + 1));
            sum += static_cast<double>(s[i]) - previous - s[i - w] + s[i + w + 1];
        }
    } else if (mode == kBlockAverage) {
        std::fill_n(s, w, mean(0, w));
        std::fill_n(s + kLevels - w, w, mean(kLevels - w, w));
        for (int start = 0; start < kLevels - w; start += w) {
            std::fill_n(s + start, w, mean(start, w));
        }
    }
}

void Visualizer::Render() {
    if (hue_ >= 360.0f) {
        hue_ = 0.0f;
    } else if (hue_ < 0.0f) {
        hue_ = 360.0f;
    }
    Paint(back_, backPainted_, backMode_.load(std::memory_order_relaxed),
          backBrightness_.load(std::memory_order_relaxed));
    Paint(fore_, forePainted_, foreMode_.load(std::memory_order_relaxed), kForeBrightness);

    const int next = 1 - latest_;
    Compose(images_[next]);
    {
        std::lock_guard lock(imageMutex_);
        latest_ = next;
        hasImage_ = true;
    }
    hue_ += kHueStepDegrees;
}

void Visualizer::Paint(MusicImage& image, Painted& painted, int scheme, int brightness) {
    // An image that would come out the same is not painted again.
    const Painted wanted{scheme, brightness, SchemeFollowsHue(scheme) ? hue_ : 0.0f};
    if (painted.valid && painted.scheme == wanted.scheme && painted.brightness == wanted.brightness &&
        painted.hue == wanted.hue) {
        return;
    }
    painter_.Paint(image, scheme, brightness, hue_);
    painted = wanted;
    painted.valid = true;
}

void Visualizer::Compose(MusicImage& out) const {
    // Row 0: the bass bar, centred on the middle.
    const float bass = levels_[5] - 0.05f;
    for (int x = 0; x < kMusicImageWidth; ++x) {
        const float reach = x <= 127 ? (127 - x) / 128.0f : (x - 128) / 128.0f;
        out[x] = reach < bass ? fore_[x] : back_[x];
    }
    // The bars: pixel (x, y) is lit when L[x] > (64 - y) / 64.
    for (int y = 1; y < kMusicImageHeight; ++y) {
        const float threshold = static_cast<float>(kMusicImageHeight - y) / kMusicImageHeight;
        const int row = y * kMusicImageWidth;
        ComposeRow(levels_.data(), threshold, fore_.data() + row, back_.data() + row, out.data() + row);
    }
}

}  // namespace vantora
