// The engine's own FFT against a plain DFT in double precision, and its
// rounding next to KissFFT's.
#include "marlixmfc/spectrum/MxFft.h"

#include <gtest/gtest.h>
#include <kiss_fft.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
using Cd = std::complex<double>;

std::vector<Cd> Dft(const std::vector<Cd>& x) {
    const std::size_t n = x.size();
    std::vector<Cd> y(n);
    for (std::size_t k = 0; k < n; ++k) {
        Cd s = 0.0;
        for (std::size_t j = 0; j < n; ++j)
            s += x[j] * std::polar(1.0, -2.0 * kPi * double((j * k) % n) / double(n));
        y[k] = s;
    }
    return y;
}

std::vector<Cd> Noise(int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<Cd> x(n);
    for (auto& v : x)
        v = Cd(u(rng), u(rng)); // values a float holds exactly
    return x;
}

// Largest error over the largest bin.
double RelativeError(const std::vector<Cd>& want, const std::vector<float>& re,
                     const std::vector<float>& im) {
    double err = 0.0, peak = 0.0;
    for (std::size_t k = 0; k < want.size(); ++k) {
        err = std::max(err, std::abs(want[k] - Cd(re[k], im[k])));
        peak = std::max(peak, std::abs(want[k]));
    }
    return err / peak;
}

TEST(MxFft, MatchesThePlainDftForProductsOfTwoThreeAndFive) {
    for (int n : {2, 3, 4, 5, 6, 8, 10, 12, 15, 16, 30, 48, 60, 64, 100, 120, 240, 750, 1024, 1536, 3000}) {
        SCOPED_TRACE(n);
        MxFft fft;
        ASSERT_TRUE(fft.Plan(n));
        EXPECT_EQ(fft.Size(), n);
        const std::vector<Cd> x = Noise(n, static_cast<unsigned>(n));
        std::vector<float> re(n), im(n);
        for (int k = 0; k < n; ++k) {
            re[k] = static_cast<float>(x[k].real());
            im[k] = static_cast<float>(x[k].imag());
        }
        fft.Forward(re.data(), im.data());
        EXPECT_LT(RelativeError(Dft(x), re, im), 1e-6);
    }
    // A shifted impulse is a plain rotation: natural order, forward sign.
    MxFft fft;
    ASSERT_TRUE(fft.Plan(30));
    std::vector<float> re(30, 0.0f), im(30, 0.0f);
    re[1] = 1.0f;
    fft.Forward(re.data(), im.data());
    for (int k = 0; k < 30; ++k) {
        EXPECT_NEAR(re[k], std::cos(2.0 * kPi * k / 30), 1e-6) << k;
        EXPECT_NEAR(im[k], -std::sin(2.0 * kPi * k / 30), 1e-6) << k;
    }
}

TEST(MxFft, RefusesOtherSizes) {
    MxFft fft;
    for (int n : {0, 1, -4, 7, 22, 4098, 30722}) {
        EXPECT_FALSE(fft.Plan(n)) << n;
        EXPECT_EQ(fft.Size(), 0) << n;
    }
}

TEST(MxFft, RoundsNoWorseThanKissFftAtTheInstrumentsSizes) {
    for (int n : {8192, 30720}) {
        SCOPED_TRACE(n);
        const std::vector<Cd> x = Noise(n, 5);
        // The exact transform: a radix-2 split down to a DFT of the odd part.
        std::vector<Cd> want(n);
        {
            const int odd = n % 3 == 0 ? 15 : 1; // 30720 = 2048 x 15
            const int pow2 = n / odd;
            for (int r = 0; r < odd; ++r) {
                std::vector<Cd> sub(pow2);
                for (int j = 0; j < pow2; ++j)
                    sub[j] = x[r + odd * j];
                // Radix 2: bit reversal, then the butterflies.
                for (int i = 1, j = 0; i < pow2; ++i) {
                    int bit = pow2 >> 1;
                    for (; j & bit; bit >>= 1)
                        j ^= bit;
                    j ^= bit;
                    if (i < j)
                        std::swap(sub[i], sub[j]);
                }
                for (int len = 2; len <= pow2; len <<= 1) {
                    for (int i = 0; i < pow2; i += len) {
                        for (int j = 0; j < len / 2; ++j) {
                            const Cd u = sub[i + j];
                            const Cd v = sub[i + j + len / 2] * std::polar(1.0, -2.0 * kPi * j / len);
                            sub[i + j] = u + v;
                            sub[i + j + len / 2] = u - v;
                        }
                    }
                }
                for (int k = 0; k < n; ++k)
                    want[k] += sub[k % pow2] * std::polar(1.0, -2.0 * kPi * double(r) * k / n);
            }
        }
        MxFft fft;
        ASSERT_TRUE(fft.Plan(n));
        std::vector<float> re(n), im(n);
        for (int k = 0; k < n; ++k) {
            re[k] = static_cast<float>(x[k].real());
            im[k] = static_cast<float>(x[k].imag());
        }
        fft.Forward(re.data(), im.data());
        const double ours = RelativeError(want, re, im);

        kiss_fft_cfg plan = kiss_fft_alloc(n, 0, nullptr, nullptr);
        std::vector<kiss_fft_cpx> in(n), out(n);
        for (int k = 0; k < n; ++k)
            in[k] = {static_cast<float>(x[k].real()), static_cast<float>(x[k].imag())};
        kiss_fft(plan, in.data(), out.data());
        kiss_fft_free(plan);
        for (int k = 0; k < n; ++k) {
            re[k] = out[k].r;
            im[k] = out[k].i;
        }
        const double kiss = RelativeError(want, re, im);
        std::printf("n=%5d: largest error over the largest bin: ours %.2e, KissFFT %.2e\n", n, ours, kiss);
        EXPECT_LT(ours, 1e-6);
        EXPECT_LT(ours, 2.0 * kiss);
    }
}

} // namespace
