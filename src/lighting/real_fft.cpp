#include "lighting/real_fft.h"

#include <cmath>
#include <numbers>

namespace vantora {

namespace {

constexpr int kComplexPoints = RealFft512::kSize / 2;

// Scaling and the radix-4 butterflies of the first two stages: for p = 0..63
// the values p, p + 128, p + 64, p + 192 of the complex input give the four
// results of a group, stored as eight rows of 64: real and imaginary part of
// result 0, then of 1, 2 and 3.
inline void FirstTwoStages(const float* __restrict in, float* __restrict out) {
    constexpr int kQuads = kComplexPoints / 4;
    constexpr float kScale = 1.0f / RealFft512::kSize;
    for (int p = 0; p < kQuads; ++p) {
        const float* x0 = in + 2 * p;
        const float* x1 = in + 2 * (p + 2 * kQuads);
        const float* x2 = in + 2 * (p + kQuads);
        const float* x3 = in + 2 * (p + 3 * kQuads);
        const float r0 = x0[0] + x1[0];
        const float i0 = x0[1] + x1[1];
        const float r1 = x0[0] - x1[0];
        const float i1 = x0[1] - x1[1];
        const float r2 = x2[0] + x3[0];
        const float i2 = x2[1] + x3[1];
        const float r3 = x2[0] - x3[0];
        const float i3 = x2[1] - x3[1];
        out[p] = (r0 + r2) * kScale;
        out[kQuads + p] = (i0 + i2) * kScale;
        // i * (r3 + i i3) = -i3 + i r3
        out[2 * kQuads + p] = (r1 - i3) * kScale;
        out[3 * kQuads + p] = (i1 + r3) * kScale;
        out[4 * kQuads + p] = (r0 - r2) * kScale;
        out[5 * kQuads + p] = (i0 - i2) * kScale;
        out[6 * kQuads + p] = (r1 + i3) * kScale;
        out[7 * kQuads + p] = (i1 - r3) * kScale;
    }
}

// Two radix-2 stages at once, half-sizes H and 2H, on split real and
// imaginary arrays: each block of 4H values runs the butterflies of H
// (twiddles w1(m) = e^(+i pi m / H)) and then those of 2H (twiddles
// w2(m) = e^(+i pi m / 2H) and w2(m + H) = i w2(m)), one pass over the data.
template <int H>
inline void TwoStages(float* __restrict re, float* __restrict im, const float* __restrict w1r,
                      const float* __restrict w1i, const float* __restrict w2r, const float* __restrict w2i) {
    for (int base = 0; base < kComplexPoints; base += 4 * H) {
        float* r = re + base;
        float* i = im + base;
        for (int m = 0; m < H; ++m) {
            const int a = m;
            const int b = m + H;
            const int c = m + 2 * H;
            const int d = m + 3 * H;
            // Half-size H: (a, b) and (c, d).
            float tr = w1r[m] * r[b] - w1i[m] * i[b];
            float ti = w1r[m] * i[b] + w1i[m] * r[b];
            const float br = r[a] - tr;
            const float bi = i[a] - ti;
            const float ar = r[a] + tr;
            const float ai = i[a] + ti;
            tr = w1r[m] * r[d] - w1i[m] * i[d];
            ti = w1r[m] * i[d] + w1i[m] * r[d];
            const float dr = r[c] - tr;
            const float di = i[c] - ti;
            const float cr = r[c] + tr;
            const float ci = i[c] + ti;
            // Half-size 2H: (a, c) with w2(m), (b, d) with i w2(m).
            tr = w2r[m] * cr - w2i[m] * ci;
            ti = w2r[m] * ci + w2i[m] * cr;
            r[a] = ar + tr;
            i[a] = ai + ti;
            r[c] = ar - tr;
            i[c] = ai - ti;
            // i (w2 d) = -Im(w2 d) + i Re(w2 d)
            tr = -(w2r[m] * di + w2i[m] * dr);
            ti = w2r[m] * dr - w2i[m] * di;
            r[b] = br + tr;
            i[b] = bi + ti;
            r[d] = br - tr;
            i[d] = bi - ti;
        }
    }
}

// The pairs (k, N - k), k = 1..N/2 - 1, of the untangling step: F(k) into
// low, F(N - k) into high, both at index k.
inline void UntanglePairs(const float* __restrict re, const float* __restrict im, const float* __restrict c,
                          const float* __restrict s, float* __restrict lowRe, float* __restrict lowIm,
                          float* __restrict highRe, float* __restrict highIm) {
    for (int k = 1; k < kComplexPoints / 2; ++k) {
        const int n = kComplexPoints - k;
        const float h1r = 0.5f * (re[k] + re[n]);
        const float h1i = 0.5f * (im[k] - im[n]);
        const float h2r = 0.5f * (im[k] + im[n]);
        const float h2i = -0.5f * (re[k] - re[n]);
        const float tr = c[k] * h2r - s[k] * h2i;
        const float ti = c[k] * h2i + s[k] * h2r;
        lowRe[k] = h1r + tr;
        lowIm[k] = h1i + ti;
        highRe[k] = h1r - tr;
        highIm[k] = ti - h1i;
    }
}

}  // namespace

RealFft512::RealFft512() {
    // Group of four of input quad p: 4 * (p with its 6 bits reversed).
    for (int p = 0; p < kComplex / 4; ++p) {
        int reversed = 0;
        for (int b = 0; b < 6; ++b) {
            if (p & (1 << b)) {
                reversed |= 1 << (5 - b);
            }
        }
        groupOf_[p] = static_cast<unsigned short>(4 * reversed);
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
    float* re = re_.data();
    float* im = im_.data();

    // Bit reversal, scaling and the first two stages (half-sizes 1 and 2,
    // twiddles 1 and i) as one radix-4 pass: the group of four at 4 * rev6(p)
    // holds the values p, p + 128, p + 64, p + 192 in bit-reversed order.
    // The arithmetic runs over p, the results are then scattered.
    float* quads = quads_.data();
    FirstTwoStages(data.data(), quads);
    constexpr int kQuads = kComplex / 4;
    for (int p = 0; p < kQuads; ++p) {
        const int g = groupOf_[p];
        re[g] = quads[p];
        im[g] = quads[kQuads + p];
        re[g + 1] = quads[2 * kQuads + p];
        im[g + 1] = quads[3 * kQuads + p];
        re[g + 2] = quads[4 * kQuads + p];
        im[g + 2] = quads[5 * kQuads + p];
        re[g + 3] = quads[6 * kQuads + p];
        im[g + 3] = quads[7 * kQuads + p];
    }

    const float* wr = stageCos_.data();
    const float* wi = stageSin_.data();
    TwoStages<4>(re, im, wr + 4, wi + 4, wr + 8, wi + 8);
    TwoStages<16>(re, im, wr + 16, wi + 16, wr + 32, wi + 32);
    TwoStages<64>(re, im, wr + 64, wi + 64, wr + 128, wi + 128);

    // Untangle the transforms of the even and odd values: with Z the complex
    // result, E(k) = (Z(k) + conj Z(N-k)) / 2, O(k) = -i (Z(k) - conj Z(N-k)) / 2
    // and F(k) = E(k) + e^(i pi k / N) O(k).
    data[0] = re[0] + im[0];
    data[1] = re[0] - im[0];
    data[kComplex] = re[kComplex / 2];
    data[kComplex + 1] = im[kComplex / 2];
    // In three loops the compiler can vectorise: the pairs (k, N - k), then
    // the two halves interleaved into the output.
    constexpr int kHalf = kComplex / 2;
    float* lowRe = lowRe_.data();
    float* lowIm = lowIm_.data();
    float* highRe = highRe_.data();
    float* highIm = highIm_.data();
    const float* c = untangleCos_.data();
    const float* s = untangleSin_.data();
    UntanglePairs(re, im, c, s, lowRe, lowIm, highRe, highIm);
    float* out = data.data();
    for (int k = 1; k < kHalf; ++k) {
        out[2 * k] = lowRe[k];
        out[2 * k + 1] = lowIm[k];
    }
    for (int j = kHalf + 1; j < kComplex; ++j) {
        out[2 * j] = highRe[kComplex - j];
        out[2 * j + 1] = highIm[kComplex - j];
    }
}

}  // namespace vantora
