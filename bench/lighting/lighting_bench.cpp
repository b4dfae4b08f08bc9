// The music analyser: our real FFT of 512 values beside FFTW's real
// transform of the same size, and one whole analyser frame (samples, FFT,
// levels, both scheme images, the composed image) for a few scheme pairs.

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#if defined(VANTORA_BENCH_FFTW_FLOAT) || defined(VANTORA_BENCH_FFTW_DOUBLE)
#include <fftw3.h>
#endif

#include "lighting/colour_schemes.h"
#include "lighting/real_fft.h"
#include "lighting/visualizer.h"

namespace vantora {
namespace {

constexpr int kSize = RealFft512::kSize;

std::array<float, kSize> Noise() {
    std::mt19937 random(1);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::array<float, kSize> values{};
    for (float& v : values) {
        v = uniform(random);
    }
    return values;
}

// Each iteration copies the same input into the work buffer and transforms it.
void BM_RealFft(benchmark::State& state) {
    const auto input = Noise();
    RealFft512 fft;
    alignas(32) std::array<float, kSize> data{};
    for (auto _ : state) {
        std::memcpy(data.data(), input.data(), sizeof(data));
        fft.Transform(data);
        benchmark::DoNotOptimize(data.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RealFft);

#if defined(VANTORA_BENCH_FFTW_FLOAT)
void BM_FftwRealTransform(benchmark::State& state) {
    const auto input = Noise();
    float* in = fftwf_alloc_real(kSize);
    fftwf_complex* out = fftwf_alloc_complex(kSize / 2 + 1);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(kSize, in, out, FFTW_MEASURE);
    for (auto _ : state) {
        std::memcpy(in, input.data(), sizeof(float) * kSize);
        fftwf_execute(plan);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    state.SetLabel("fftw3f r2c, FFTW_MEASURE");
    fftwf_destroy_plan(plan);
    fftwf_free(out);
    fftwf_free(in);
}
BENCHMARK(BM_FftwRealTransform);
#elif defined(VANTORA_BENCH_FFTW_DOUBLE)
void BM_FftwRealTransform(benchmark::State& state) {
    const auto input = Noise();
    double* in = fftw_alloc_real(kSize);
    fftw_complex* out = fftw_alloc_complex(kSize / 2 + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(kSize, in, out, FFTW_MEASURE);
    for (auto _ : state) {
        for (int i = 0; i < kSize; ++i) {
            in[i] = input[i];
        }
        fftw_execute(plan);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    state.SetLabel("fftw3 (double) r2c, FFTW_MEASURE");
    fftw_destroy_plan(plan);
    fftw_free(out);
    fftw_free(in);
}
BENCHMARK(BM_FftwRealTransform);
#endif

// One frame as the analysis thread runs it, after a 10 ms stereo packet of
// a chord at 48 kHz: args are the foreground and the background scheme.
void BM_AnalyserFrame(benchmark::State& state) {
    std::vector<float> packet(480 * 2);
    for (std::size_t i = 0; i < packet.size(); ++i) {
        const double t = static_cast<double>(i / 2) / 48000;
        packet[i] = static_cast<float>(0.3 * std::sin(2 * std::numbers::pi * 110 * t) +
                                       0.2 * std::sin(2 * std::numbers::pi * 1000 * t));
    }
    auto visualizer = std::make_unique<Visualizer>();
    visualizer->SetAmplitude(300);
    visualizer->SetForeMode(static_cast<int>(state.range(0)));
    visualizer->SetBackMode(static_cast<int>(state.range(1)));
    for (auto _ : state) {
        visualizer->PushSamples(packet, 2);
        visualizer->Step();
    }
    auto image = std::make_unique<MusicImage>();
    benchmark::DoNotOptimize(visualizer->LatestImage(*image));
}
BENCHMARK(BM_AnalyserFrame)
    ->ArgNames({"fore", "back"})
    ->Args({kSchemeRainbowBands, kSchemeOff})  // the stored default
    ->Args({kSchemeSineRainbow, kSchemeOff})   // the start values
    ->Args({kSchemeSpectrumCycle, kSchemeWhite})
    ->Args({kSchemeWheelHigh, kSchemeWheelLow})  // the costliest pair
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vantora
