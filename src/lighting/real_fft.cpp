#include "lighting/real_fft.h"

#include <cmath>
#include <numbers>

namespace vantora {

namespace {

constexpr int kComplexPoints = RealFft512::kSize / 2;

// One radix-2 stage with butterflies of half-size H on split real and
// imaginary arrays; w(m) = e^(+i pi m / H).
template <int H>
inline void ButterflyStage(float* __restrict re, float* __restrict im, const float* __restrict wr,
                           const float* __restrict wi) {
    for (int base = 0; base < kComplexPoints; base += 2 * H) {
        float* ar = re + base;
        float* ai = im + base;
        float* br = re + base + H;
        float* bi = im + base + H;
        for (int m = 0; m < H; ++m) {
            const float tr = wr[m] * br[m] - wi[m] * bi[m];
            const float ti = wr[m] * bi[m] + wi[m] * br[m];
            br[m] = ar[m] - tr;
            bi[m] = ai[m] - ti;
            ar[m] += tr;
            ai[m] += ti;
        }
    }
}

}  // namespace

RealFft512::RealFft512() {
    int bits = 0;
    while ((1 << bits) < kComplex) {
        ++bits;
    }
    for (int k = 0; k < kComplex; ++k) {
        int reversed = 0;
        for (int b = 0; b < bits; ++b) {
            if (k & (1 << b)) {
                reversed |= 1 << (bits - 1 - b);
            }
        }
        bitReversed_[k] = static_cast<unsigned short>(reversed);
    }
    for (int h = 1; h < kComplex; h *= 2) {
        for (int m = 0; m < h; ++m) {
            const double angle = std::numbers::pi * m / h;
            stageCos_[h + m] = static_cast<float>(std::cos(angle));
            stageSin_[h + m] = static_cast<float>(std::sin(angle));
        }
    }
    for (int k = 0; k < kComplex / 2; ++k) {
        const double angle = std::numbers::pi * k / kComplex;
        untangleCos_[k] = static_cast<float>(std::cos(angle));
        untangleSin_[k] = static_cast<float>(std::sin(angle));
    }
}

void RealFft512::Transform(std::span<float, kSize> data) {
    constexpr float kScale = 1.0f / kSize;
    float* re = re_.data();
    float* im = im_.data();

    // Bit reversal, scaling and the first two stages (half-sizes 1 and 2,
    // twiddles 1 and i) as one radix-4 pass over groups of four.
    for (int g = 0; g < kComplex; g += 4) {
        const int s0 = 2 * bitReversed_[g];
        const int s1 = 2 * bitReversed_[g + 1];
        const int s2 = 2 * bitReversed_[g + 2];
        const int s3 = 2 * bitReversed_[g + 3];
        const float r0 = data[s0] + data[s1];
        const float i0 = data[s0 + 1] + data[s1 + 1];
        const float r1 = data[s0] - data[s1];
        const float i1 = data[s0 + 1] - data[s1 + 1];
        const float r2 = data[s2] + data[s3];
        const float i2 = data[s2 + 1] + data[s3 + 1];
        const float r3 = data[s2] - data[s3];
        const float i3 = data[s2 + 1] - data[s3 + 1];
        re[g] = (r0 + r2) * kScale;
        im[g] = (i0 + i2) * kScale;
        re[g + 2] = (r0 - r2) * kScale;
        im[g + 2] = (i0 - i2) * kScale;
        // i * (r3 + i i3) = -i3 + i r3
        re[g + 1] = (r1 - i3) * kScale;
        im[g + 1] = (i1 + r3) * kScale;
        re[g + 3] = (r1 + i3) * kScale;
        im[g + 3] = (i1 - r3) * kScale;
    }

    const float* wr = stageCos_.data();
    const float* wi = stageSin_.data();
    ButterflyStage<4>(re, im, wr + 4, wi + 4);
    ButterflyStage<8>(re, im, wr + 8, wi + 8);
    ButterflyStage<16>(re, im, wr + 16, wi + 16);
    ButterflyStage<32>(re, im, wr + 32, wi + 32);
    ButterflyStage<64>(re, im, wr + 64, wi + 64);
    ButterflyStage<128>(re, im, wr + 128, wi + 128);

    // Untangle the transforms of the even and odd values: with Z the complex
    // result, E(k) = (Z(k) + conj Z(N-k)) / 2, O(k) = -i (Z(k) - conj Z(N-k)) / 2
    // and F(k) = E(k) + e^(i pi k / N) O(k).
    data[0] = re[0] + im[0];
    data[1] = re[0] - im[0];
    data[kComplex] = re[kComplex / 2];
    data[kComplex + 1] = im[kComplex / 2];
    for (int k = 1; k < kComplex / 2; ++k) {
        const int n = kComplex - k;
        const float h1r = 0.5f * (re[k] + re[n]);
        const float h1i = 0.5f * (im[k] - im[n]);
        const float h2r = 0.5f * (im[k] + im[n]);
        const float h2i = -0.5f * (re[k] - re[n]);
        const float c = untangleCos_[k];
        const float s = untangleSin_[k];
        const float tr = c * h2r - s * h2i;
        const float ti = c * h2i + s * h2r;
        data[2 * k] = h1r + tr;
        data[2 * k + 1] = h1i + ti;
        data[2 * n] = h1r - tr;
        data[2 * n + 1] = ti - h1i;
    }
}

}  // namespace vantora
