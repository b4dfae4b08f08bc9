#pragma once

#include <array>
#include <span>

namespace vantora {

// Real FFT of 512 values, forward with the positive exponent and scaled by
// 1/512: F(k) = 1/512 * sum x(j) e^(+2 pi i j k / 512). It runs as a
// 256-point complex FFT (bit reversal, then radix-2 decimation-in-time
// butterflies) over the even/odd values as real/imaginary parts, followed by
// the step that untangles the two interleaved real transforms.
//
// The result is packed in place as (Re F0, Re F256), (Re F1, Im F1), ...,
// (Re F255, Im F255). Tables are computed once; a transform allocates nothing.
// The work areas are members: one transform at a time per object.
class RealFft512 {
public:
    static constexpr int kSize = 512;

    RealFft512();

    void Transform(std::span<float, kSize> data);

private:
    static constexpr int kComplex = kSize / 2;

    // Where the bit-reversed order puts the group of four that starts with
    // input value p (p = 0..63).
    std::array<unsigned short, kComplex / 4> groupOf_{};
    // Butterfly twiddles of every stage with half-size h at [h, 2h).
    std::array<float, kComplex> stageCos_{};
    std::array<float, kComplex> stageSin_{};
    // Untangling twiddles e^(i pi k / 256), k = 0..127.
    std::array<float, kComplex / 2> untangleCos_{};
    std::array<float, kComplex / 2> untangleSin_{};
    // Work areas: the first pass's results (8 rows of 64), then the real and
    // imaginary parts of the complex stage.
    alignas(32) std::array<float, 2 * kComplex> quads_{};
    alignas(32) std::array<float, kComplex> re_{};
    alignas(32) std::array<float, kComplex> im_{};
    // The untangled values F(k) and F(N - k), k = 0..127.
    alignas(32) std::array<float, kComplex / 2> lowRe_{};
    alignas(32) std::array<float, kComplex / 2> lowIm_{};
    alignas(32) std::array<float, kComplex / 2> highRe_{};
    alignas(32) std::array<float, kComplex / 2> highIm_{};
};

}  // namespace vantora
