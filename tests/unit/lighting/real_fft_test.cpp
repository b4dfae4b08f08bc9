#include "lighting/real_fft.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <random>

namespace vantora {
namespace {

using Values = std::array<float, RealFft512::kSize>;

// F(k) = 1/512 * sum x(j) e^(+2 pi i j k / 512), packed as the transform packs it.
Values NaiveTransform(const Values& x) {
    const int n = RealFft512::kSize;
    Values packed{};
    for (int k = 0; k <= n / 2; ++k) {
        double re = 0;
        double im = 0;
        for (int j = 0; j < n; ++j) {
            const double angle = 2 * std::numbers::pi * j * k / n;
            re += x[j] * std::cos(angle);
            im += x[j] * std::sin(angle);
        }
        re /= n;
        im /= n;
        if (k == 0) {
            packed[0] = static_cast<float>(re);
        } else if (k == n / 2) {
            packed[1] = static_cast<float>(re);
        } else {
            packed[2 * k] = static_cast<float>(re);
            packed[2 * k + 1] = static_cast<float>(im);
        }
    }
    return packed;
}

TEST(RealFftTest, MatchesTheDirectTransform) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    Values noise{};
    for (float& v : noise) {
        v = uniform(random);
    }
    Values impulse{};
    impulse[3] = 1.0f;
    Values constant{};
    constant.fill(0.5f);
    Values alternating{};
    for (int j = 0; j < RealFft512::kSize; ++j) {
        alternating[j] = j % 2 == 0 ? 1.0f : -1.0f;
    }
    const std::pair<const char*, Values> inputs[] = {
        {"noise", noise}, {"impulse", impulse}, {"constant", constant}, {"alternating", alternating}};
    RealFft512 fft;
    for (const auto& [name, input] : inputs) {
        SCOPED_TRACE(name);
        const Values expected = NaiveTransform(input);
        Values actual = input;
        fft.Transform(actual);
        for (int i = 0; i < RealFft512::kSize; ++i) {
            ASSERT_NEAR(actual[i], expected[i], 2e-6f) << "value " << i;
        }
    }
}

TEST(RealFftTest, ASinePeaksAtItsBinWithPositiveImaginaryPart) {
    RealFft512 fft;
    for (int bin : {1, 20, 255}) {
        SCOPED_TRACE(bin);
        Values x{};
        for (int j = 0; j < RealFft512::kSize; ++j) {
            x[j] = static_cast<float>(std::sin(2 * std::numbers::pi * bin * j / RealFft512::kSize));
        }
        fft.Transform(x);
        for (int k = 1; k < RealFft512::kSize / 2; ++k) {
            EXPECT_NEAR(x[2 * k], 0.0f, 1e-6f);
            EXPECT_NEAR(x[2 * k + 1], k == bin ? 0.5f : 0.0f, 1e-6f);
        }
        EXPECT_NEAR(x[0], 0.0f, 1e-6f);
        EXPECT_NEAR(x[1], 0.0f, 1e-6f);
    }
}

}  // namespace
}  // namespace vantora
