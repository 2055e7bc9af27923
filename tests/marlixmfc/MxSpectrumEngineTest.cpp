#include "marlixmfc/spectrum/MxSpectrumEngine.h"

#include "marlixmfc/spectrum/MxFft.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kAmClock = 46511.71875;
constexpr double kFmClock = 744187.5;

struct Block {
    std::vector<std::int16_t> i, q;
    explicit Block(int n) : i(n, 0), q(n, 0) {}
};

std::int16_t Sat(double v) {
    return static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
}

double AmplitudeFor(double dBm, double fullScaleDbm = kMxFullScaleDbm) {
    return 32767.0 * std::pow(10.0, (dBm - fullScaleDbm) / 20.0);
}

// Adds a complex tone at `hz` of total power `dBm`.
void AddTone(Block& b, double fs, double hz, double dBm, double phase = 0.3,
             double fullScaleDbm = kMxFullScaleDbm) {
    const double a = AmplitudeFor(dBm, fullScaleDbm);
    for (std::size_t k = 0; k < b.i.size(); ++k) {
        const double ph = 2.0 * kPi * hz * static_cast<double>(k) / fs + phase;
        b.i[k] = Sat(b.i[k] + a * std::cos(ph));
        b.q[k] = Sat(b.q[k] + a * std::sin(ph));
    }
}

// Adds complex white Gaussian noise of total power `dBm` (both components).
void AddNoise(Block& b, double dBm, unsigned seed) {
    std::mt19937 rng(seed);
    const double sigma = AmplitudeFor(dBm) / std::sqrt(2.0);
    std::normal_distribution<double> g(0.0, sigma);
    for (std::size_t k = 0; k < b.i.size(); ++k) {
        b.i[k] = Sat(b.i[k] + g(rng));
        b.q[k] = Sat(b.q[k] + g(rng));
    }
}

std::vector<double> Compute(MxSpectrumEngine& e, const Block& b) {
    std::vector<double> out(b.i.size(), 12345.0);
    EXPECT_TRUE(e.ComputeSpectrum(b.i.data(), b.q.data(), static_cast<int>(b.i.size()), out.data()));
    return out;
}

int PeakBin(const std::vector<double>& t) {
    return static_cast<int>(std::max_element(t.begin(), t.end()) - t.begin());
}

double ToMw(double dB) {
    return std::pow(10.0, dB / 10.0);
}

// The plain computation the engine's fast path must agree with: an FFT in
// double precision of any size, then the loops as docs/spectrum.md writes them,
// in double, with std::log10.
void PlainFft(std::vector<std::complex<double>>& x) {
    const std::size_t n = x.size();
    if (n <= 1)
        return;
    std::size_t r = 2;
    while (n % r != 0)
        ++r;
    const std::size_t m = n / r;
    std::vector<std::vector<std::complex<double>>> sub(r, std::vector<std::complex<double>>(m));
    for (std::size_t k = 0; k < m; ++k)
        for (std::size_t j = 0; j < r; ++j)
            sub[j][k] = x[k * r + j];
    for (auto& v : sub)
        PlainFft(v);
    for (std::size_t k = 0; k < n; ++k) {
        std::complex<double> sum = 0.0;
        for (std::size_t j = 0; j < r; ++j)
            sum += sub[j][k % m] * std::polar(1.0, -2.0 * kPi * double(j * k) / double(n));
        x[k] = sum;
    }
}

// The engine's single-precision FFT on x (rounded to float first), for the
// sizes it takes; false for others.
bool FloatFft(std::vector<std::complex<double>>& x) {
    MxFft fft;
    if (!fft.Plan(static_cast<int>(x.size())))
        return false;
    std::vector<float> re(x.size()), im(x.size());
    for (std::size_t k = 0; k < x.size(); ++k) {
        re[k] = static_cast<float>(x[k].real());
        im[k] = static_cast<float>(x[k].imag());
    }
    fft.Forward(re.data(), im.data());
    for (std::size_t k = 0; k < x.size(); ++k)
        x[k] = std::complex<double>(re[k], im[k]);
    return true;
}

class PlainSpectrum {
public:
    // exact: the FFT in double precision; otherwise the same single-precision
    // FFT as the engine's, so that only the steps around it are compared.
    PlainSpectrum(int n, double fs, int rbw, double fullScaleDbm, int unit, bool inv, int averageCount,
                  bool exact)
        : n(n), fs(fs), fullScale(fullScaleDbm), unit(unit), inv(inv), count(averageCount), exact(exact),
          filter(MxSpectrumEngine::DesignRbwFilter(fs, MxSpectrumEngine::ResBWHz(rbw), n)) {}

    std::vector<double> Next(const Block& b) {
        std::vector<std::complex<double>> x(n);
        double wsum = 0.0;
        for (int k = 0; k < n; ++k) {
            const float w = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * kPi * k / n));
            wsum += w;
            if (exact)
                x[k] = std::complex<double>(b.i[k], inv ? -b.q[k] : b.q[k]) * (w / 32767.0);
            else
                x[k] = std::complex<double>(w * (b.i[k] * (1.0f / 32767.0f)),
                                            w * (b.q[k] * ((inv ? -1.0f : 1.0f) / 32767.0f)));
        }
        if (exact || !FloatFft(x))
            PlainFft(x);
        std::vector<double> p(n);
        for (int k = 0; k < n; ++k)
            p[k] = std::norm(x[(k + n / 2) % n]) * ToMw(fullScale) / (wsum * wsum);
        // Three running means of boxBins, circular: taps of 1 out to h, a at h + 1.
        const double w = filter.boxBins;
        const int h = static_cast<int>(std::floor((w - 1.0) / 2.0));
        const double a = (w - (2.0 * h + 1.0)) / 2.0;
        for (int pass = 0; pass < 3; ++pass) {
            std::vector<double> q(n);
            for (int k = 0; k < n; ++k) {
                double sum = 0.0;
                for (int j = -h - 1; j <= h + 1; ++j)
                    sum += (std::abs(j) <= h ? 1.0 : a) * p[((k + j) % n + n) % n];
                q[k] = sum / w;
            }
            p.swap(q);
        }
        if (average.empty())
            average.assign(n, 0.0);
        averaged = std::min(averaged + 1, count);
        for (int k = 0; k < n; ++k)
            average[k] += (p[k] - average[k]) / averaged;
        std::vector<double> out(n);
        for (int k = 0; k < n; ++k)
            out[k] = 10.0 * std::log10(std::max(average[k] * filter.gain, 1e-20)) +
                     MxSpectrumEngine::UnitOffsetDb(unit);
        return out;
    }

private:
    int n;
    double fs, fullScale;
    int unit;
    bool inv;
    int count;
    bool exact;
    MxRbwFilter filter;
    std::vector<double> average;
    int averaged = 0;
};

} // namespace

TEST(MxSpectrumEngine, CarrierPeakAtItsBinAndLevelInEachUnit) {
    struct Case {
        int n;
        double fs;
        double binOffset;
        double dBm;
        int rbw;
        double fullScale = kMxFullScaleDbm;
    };
    const Case cases[] = {
        {8192, kFmClock, 0.0, -20.0, 1},           {8192, kFmClock, 1101.0, -35.5, 0},
        {8192, kFmClock, -2000.5, -20.0, 3}, // between two bins: worst scalloping
        {8192, kFmClock, 333.5, -20.0, 0},   // and with the narrowest filter
        {30720, kFmClock, 8254.0, -10.0, 1}, // +200 kHz
        {30720, kFmClock, -4127.25, 0.0, 2},       {8192, kAmClock, 1761.0, -30.0, 1}, // +10 kHz
        {30720, kAmClock, -3302.5, -20.0, 0},      {4096, kAmClock, 100.0, -45.0, 3},
        {4098, kAmClock, 100.0, -45.0, 3},         // a size with a large prime factor goes through KissFFT
        {8192, kFmClock, -700.5, -87.0, 1, -70.0}, // samples ranged to a low level
        {30720, kAmClock, 50.0, 12.0, 2, 20.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "n=" << c.n << " fs=" << c.fs << " bin=" << c.binOffset);
        const double hz = c.binOffset * c.fs / c.n;
        Block b(c.n);
        AddTone(b, c.fs, hz, c.dBm, 0.3, c.fullScale);
        for (int unit = 0; unit < 3; ++unit) {
            MxSpectrumEngine e;
            e.SetSampleClock(c.fs);
            e.SetFullScaleDbm(c.fullScale);
            ASSERT_TRUE(e.Zephyra_UI_MFC_ResBW(c.rbw));
            e.SetPowerUnitdBType(unit);
            const std::vector<double> t = Compute(e, b);
            const int peak = PeakBin(t);
            EXPECT_LE(std::fabs(peak - (c.n / 2 + c.binOffset)), 0.5 + 1e-9);
            const double expected = c.dBm + (unit == 0 ? 0.0 : unit == 1 ? 46.9897 : 106.9897);
            EXPECT_NEAR(t[peak], expected, 0.5) << "unit " << unit;
        }
    }
}

TEST(MxSpectrumEngine, UnitShiftsAreWholeDecibels) {
    struct Case {
        int from, to, shift;
    };
    const Case cases[] = {{0, 0, 0},    {0, 1, 47},  {0, 2, 107}, {1, 2, 60},
                          {2, 0, -107}, {1, 0, -47}, {0, 7, 107}, {-1, 2, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(MxSpectrumEngine::GetAverageRelativePowerdB(c.from, c.to), c.shift)
            << c.from << "->" << c.to;

    MxSpectrumEngine e;
    EXPECT_EQ(e.GetPowerUnitdBType(), 0);
    EXPECT_TRUE(e.SetPowerUnitdBType(1));
    EXPECT_FALSE(e.SetPowerUnitdBType(1));
    EXPECT_TRUE(e.SetPowerUnitdBType(9)); // any other value is dBuV
    EXPECT_EQ(e.GetPowerUnitdBType(), 2);
    EXPECT_FALSE(e.SetPowerUnitdBType(2));
}

TEST(MxSpectrumEngine, WhiteNoiseIntegratesToItsPower) {
    struct Case {
        int n;
        double fs;
        int rbw;
        int unit;
    };
    const Case cases[] = {
        {8192, kFmClock, 0, 0}, {30720, kFmClock, 3, 1}, {8192, kAmClock, 2, 2}, {30720, kAmClock, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "n=" << c.n << " fs=" << c.fs << " rbw=" << c.rbw);
        MxSpectrumEngine e;
        e.SetSampleClock(c.fs);
        e.Zephyra_UI_MFC_ResBW(c.rbw);
        e.SetPowerUnitdBType(c.unit);
        const double offset = MxSpectrumEngine::UnitOffsetDb(c.unit);
        Block b(c.n);
        AddNoise(b, -25.0, 7);
        Compute(e, b);
        // The whole band holds all of it, half the band half of it.
        EXPECT_NEAR(e.CalcuBandPower(0, c.n - 1), -25.0 + offset, 0.2);
        EXPECT_NEAR(e.CalcuBandPower(c.n / 4, 3 * c.n / 4 - 1), -28.01 + offset, 0.3);
        // Order and range of the bounds do not matter.
        EXPECT_DOUBLE_EQ(e.CalcuBandPower(c.n + 50, -3), e.CalcuBandPower(0, c.n - 1));
    }
}

TEST(MxSpectrumEngine, CarrierBandPowerAndExternalTrace) {
    const int n = 8192;
    MxSpectrumEngine e;
    e.SetSampleClock(kFmClock);
    Block b(n);
    AddTone(b, kFmClock, 500 * kFmClock / n, -12.0);
    AddNoise(b, -80.0, 3);
    const std::vector<double> t = Compute(e, b);
    EXPECT_NEAR(e.CalcuBandPower(n / 2 + 450, n / 2 + 550), -12.0, 0.1);
    // The same over a trace handed in (as the library's copy of the spectrum).
    EXPECT_NEAR(e.CalcuBandPower(t.data(), n, n / 2 + 450, n / 2 + 550), -12.0, 0.1);
    EXPECT_DOUBLE_EQ(e.CalcuBandPower(nullptr, 0, 0, 10), kMxFloorDbm);

    MxSpectrumEngine fresh; // nothing computed yet
    EXPECT_DOUBLE_EQ(fresh.CalcuBandPower(0, 100), kMxFloorDbm);
}

TEST(MxSpectrumEngine, ResolutionBandwidthSetsTheFilterWidth) {
    // -3 dB width of a carrier's response, interpolated between bins.
    auto width3dB = [](const std::vector<double>& t, double binHz) {
        const int p = PeakBin(t);
        const double level = t[p] - 3.0103;
        auto cross = [&](int dir) {
            int k = p;
            while (t[k + dir] > level)
                k += dir;
            const double frac = (t[k] - level) / (t[k] - t[k + dir]);
            return k + dir * frac;
        };
        return (cross(1) - cross(-1)) * binHz;
    };
    for (int n : {8192, 30720}) {
        for (double fs : {kAmClock, kFmClock}) {
            for (int rbw = 0; rbw < 4; ++rbw) {
                SCOPED_TRACE(testing::Message() << "n=" << n << " fs=" << fs << " rbw=" << rbw);
                MxSpectrumEngine e;
                e.SetSampleClock(fs);
                e.Zephyra_UI_MFC_ResBW(rbw);
                // The setting, or the narrowest filter the points allow.
                const double expected = std::max(MxSpectrumEngine::ResBWHz(rbw), kMxMinRbwBins * fs / n);
                EXPECT_NEAR(e.GetEffectiveRbwHz(n), expected, 1e-6);
                for (double offset : {0.0, 0.5}) {
                    Block b(n);
                    AddTone(b, fs, offset * fs / n, -10.0);
                    const double measured = width3dB(Compute(e, b), fs / n);
                    std::printf("n=%5d clock=%9.2f set %3.0f Hz, carrier %s: -3 dB width %.1f Hz\n", n, fs,
                                MxSpectrumEngine::ResBWHz(rbw),
                                offset == 0.0 ? "on a bin" : "between two bins", measured);
                    // A carrier between two bins widens the narrowest filter a little.
                    EXPECT_NEAR(measured, expected, (offset == 0.0 ? 0.01 : 0.03) * expected);
                }
            }
        }
    }
    MxSpectrumEngine e;
    EXPECT_FALSE(e.Zephyra_UI_MFC_ResBW(4));
    EXPECT_FALSE(e.Zephyra_UI_MFC_ResBW(-1));
    EXPECT_EQ(e.GetResBWType(), 1);
}

TEST(MxSpectrumEngine, FastPathAgreesWithThePlainComputation) {
    struct Case {
        int n;
        double fs;
        int rbw, unit;
        bool inv;
        int average;
        double fullScale;
    };
    const Case cases[] = {
        {8192, kFmClock, 0, 0, false, 1, kMxFullScaleDbm}, {8192, kAmClock, 3, 1, true, 10, kMxFullScaleDbm},
        {30720, kFmClock, 1, 2, false, 4, -5.0},           {30720, kAmClock, 2, 0, true, 1, 10.0},
        {3000, kFmClock, 1, 0, false, 3, kMxFullScaleDbm}, // not a multiple of sixteen
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "n=" << c.n << " fs=" << c.fs << " rbw=" << c.rbw);
        MxSpectrumEngine e;
        e.SetSampleClock(c.fs);
        e.SetFullScaleDbm(c.fullScale);
        e.Zephyra_UI_MFC_ResBW(c.rbw);
        e.SetPowerUnitdBType(c.unit);
        e.SetSpectralInv(c.inv ? 1 : 0);
        e.SetAverageType(c.average > 1 ? 1 : 0, c.average);
        PlainSpectrum plain(c.n, c.fs, c.rbw, c.fullScale, c.unit, c.inv, c.average, false);
        PlainSpectrum exactPlain(c.n, c.fs, c.rbw, c.fullScale, c.unit, c.inv, c.average, true);
        double worst = 0.0, worstExact = 0.0;
        for (int block = 0; block < 3; ++block) {
            // As the instrument ranges a block: the signal 15 dB below full scale,
            // a weak carrier, one between bins, noise 70 dB down.
            Block b(c.n);
            AddTone(b, c.fs, (c.n / 8 + 0.5) * c.fs / c.n, c.fullScale - 15.0 - block);
            AddTone(b, c.fs, -(c.n / 5.0) * c.fs / c.n, c.fullScale - 55.0);
            AddNoise(b, c.fullScale - 85.0, 40u + static_cast<unsigned>(block));
            const std::vector<double> fast = Compute(e, b);
            const std::vector<double> want = plain.Next(b);
            const std::vector<double> exact = exactPlain.Next(b);
            for (int k = 0; k < c.n; ++k) {
                worst = std::max(worst, std::fabs(fast[k] - want[k]));
                worstExact = std::max(worstExact, std::fabs(fast[k] - exact[k]));
            }
        }
        std::printf("n=%5d rbw %d: largest difference from the plain computation %.1e dB, "
                    "from one in double precision throughout %.1e dB\n",
                    c.n, c.rbw, worst, worstExact);
        EXPECT_LT(worst, 0.01);
        // Single-precision FFTs leave their rounding 130 dB and more below the
        // carrier: bins of noise 110 dB below it move by a few hundredths.
        EXPECT_LT(worstExact, 0.05);
    }
}

TEST(MxSpectrumEngine, ExponentialAverageOfTheStatedCount) {
    const int n = 2048;
    Block low(n), high(n);
    AddTone(low, kFmClock, 0.0, -40.0);
    AddTone(high, kFmClock, 0.0, -20.0);
    const double pLow = ToMw(-40.0), pHigh = ToMw(-20.0);

    for (int count : {1, 4, 10}) {
        SCOPED_TRACE(count);
        MxSpectrumEngine e;
        e.SetSampleClock(kFmClock);
        e.SetAverageType(1, count);
        EXPECT_EQ(e.GetAverageCount(), count);
        // Running mean while fewer than count blocks are in.
        double expected = 0.0;
        for (int k = 1; k <= 2 * count + 5; ++k) {
            const std::vector<double> t = Compute(e, low);
            expected += (pLow - expected) / std::min(k, count);
            ASSERT_NEAR(ToMw(t[n / 2]) / expected, 1.0, 0.02) << "block " << k;
        }
        // Then a step: the average approaches the new level with weight 1/count.
        for (int k = 1; k <= 30; ++k) {
            const std::vector<double> t = Compute(e, high);
            const double want = pHigh + (pLow - pHigh) * std::pow(1.0 - 1.0 / count, k);
            ASSERT_NEAR(ToMw(t[n / 2]) / want, 1.0, 0.02) << "block " << k;
        }
    }

    // Off follows each block at once; counts are clamped into 1..100.
    MxSpectrumEngine e;
    e.SetSampleClock(kFmClock);
    e.SetAverageType(0, 50);
    Compute(e, low);
    EXPECT_NEAR(Compute(e, high)[n / 2], -20.0, 0.3);
    e.SetAverageType(1, 0);
    EXPECT_EQ(e.GetAverageCount(), 1);
    e.SetAverageType(1, 250);
    EXPECT_EQ(e.GetAverageCount(), 100);
    e.SetAverageType(7, 5);
    EXPECT_EQ(e.GetAverageType(), 0);

    // A settings change restarts the average.
    e.SetAverageType(1, 10);
    for (int k = 0; k < 10; ++k)
        Compute(e, low);
    e.Zephyra_UI_MFC_ResBW(2);
    EXPECT_NEAR(Compute(e, high)[n / 2], -20.0, 0.3);
}

TEST(MxSpectrumEngine, InversionMirrorsAboutTheCentre) {
    const int n = 8192;
    Block b(n);
    AddTone(b, kFmClock, 100000.0, -20.0);
    AddTone(b, kFmClock, -31000.0, -45.0);
    AddNoise(b, -70.0, 11);
    MxSpectrumEngine e;
    e.SetSampleClock(kFmClock);
    const std::vector<double> plain = Compute(e, b);
    e.SetSpectralInv(1);
    EXPECT_EQ(e.GetSpectralInv(), 1);
    const std::vector<double> inv = Compute(e, b);
    for (int k = -n / 2 + 1; k < n / 2; ++k)
        ASSERT_NEAR(inv[n / 2 + k], plain[n / 2 - k], 0.05) << k;
    EXPECT_EQ(PeakBin(plain) - n / 2, -(PeakBin(inv) - n / 2));
}

TEST(MxSpectrumEngine, ExclusionCount) {
    struct Case {
        int points;
        double span, excluded;
        int expected;
    };
    const double nan = std::nan("");
    const Case cases[] = {
        {8192, kAmClock, 0.2 * kAmClock, 1638},
        {30720, kFmClock, 0.2 * kFmClock, 6144},
        {8191, 1000.0, 200.0, 1638},
        {8192, 0.0, 0.0, 0},
        {8192, -5.0, -1.0, 0},
        {8192, nan, 1.0, 0},
        {8192, 100.0, 500.0, 8191}, // more than the span: all but one bin
        {1, 100.0, 20.0, 0},
    };
    for (const Case& c : cases) {
        MxSpectrumEngine e;
        ASSERT_TRUE(e.SetSpectrumPoints(c.points));
        e.CalcuExcludeCnt(c.span, c.excluded);
        EXPECT_EQ(e.GetExcludeCnt(), c.expected) << c.points << " " << c.span << " " << c.excluded;
    }
    MxSpectrumEngine e;
    EXPECT_FALSE(e.SetSpectrumPoints(0));
    EXPECT_FALSE(e.SetSpectrumPoints(30721));
    EXPECT_EQ(e.GetSpectrumPoints(), 8192);
}

TEST(MxSpectrumEngine, MaskCheck) {
    const int n = 8192;
    MxSpectrumEngine e;
    e.SetSampleClock(kFmClock);
    e.SetSpectrumPoints(n);
    e.CalcuExcludeCnt(kFmClock, 0.2 * kFmClock);
    EXPECT_EQ(e.CheckMaskData(), 0); // nothing computed yet

    Block cw(n);
    AddTone(cw, kFmClock, 0.0, -20.0);
    AddNoise(cw, -100.0, 5);
    Compute(e, cw);
    EXPECT_EQ(e.CheckMaskData(), 0);

    Block wide(n); // a carrier where the default mask allows -60 dBc
    AddTone(wide, kFmClock, 0.0, -20.0);
    AddTone(wide, kFmClock, 280000.0, -50.0);
    Compute(e, wide);
    EXPECT_EQ(e.CheckMaskData(), 1);

    // A carrier beyond the shown +-0.4 span is not tested.
    Block edge(n);
    AddTone(edge, kFmClock, 0.0, -20.0);
    AddTone(edge, kFmClock, 340000.0, -30.0);
    Compute(e, edge);
    EXPECT_EQ(e.CheckMaskData(), 0);

    // A mask of one's own, given out of order and with a bad corner.
    e.SetMask({{300000.0, -20.0}, {0.0, 0.0}, {std::nan(""), -1.0}, {250000.0, 0.0}});
    ASSERT_EQ(e.GetMask().size(), 3u);
    Compute(e, wide);
    EXPECT_EQ(e.CheckMaskData(), 0); // -30 dBc at 280 kHz is above the -12 dBc limit there
    e.SetMask({{0.0, -40.0}});
    EXPECT_EQ(e.CheckMaskData(), 1); // everything but the peak itself must sit 40 dB down
}

TEST(MxSpectrumEngine, BandPowerCheck) {
    const int n = 4096;
    MxSpectrumEngine e;
    e.SetSampleClock(kFmClock);
    EXPECT_EQ(e.CheckBandPower(), 0); // no band power yet
    Block b(n);
    AddTone(b, kFmClock, 0.0, -20.0);
    Compute(e, b);
    e.SetPowerUnitdBType(2); // the limits stay in dBm whatever the unit
    Compute(e, b);
    EXPECT_NEAR(e.CalcuBandPower(n / 2 - 40, n / 2 + 40), -20.0 + 106.99, 0.1);
    EXPECT_EQ(e.CheckBandPower(), 0);
    e.SetBandPowerLimits(-10.0, 0.0);
    EXPECT_EQ(e.CheckBandPower(), 1);
    e.SetBandPowerLimits(-19.0, -30.0); // given in either order
    EXPECT_EQ(e.CheckBandPower(), 0);
}

TEST(MxSpectrumEngine, SettingsKeepSafeValues) {
    MxSpectrumEngine e;
    e.SetMarkerCounts(2);
    EXPECT_EQ(e.GetMarkerCounts(), 2);
    e.SetMarkerCounts(9);
    EXPECT_EQ(e.GetMarkerCounts(), 3);
    e.SetMarkerCounts(-1);
    EXPECT_EQ(e.GetMarkerCounts(), 0);

    struct Step {
        int index;
        std::uint32_t hz;
    };
    for (const Step& s : {Step{0, 1000000u}, Step{4, 24000000u}, Step{13, 100000000u}, Step{14, 1000000u},
                          Step{-2, 1000000u}}) {
        e.SetFrequencyStepHz(s.index);
        EXPECT_EQ(e.GetFrequencyStepHz(), s.hz) << s.index;
    }

    e.SetSampleClock(kFmClock);
    e.SetSampleClock(0.0);
    e.SetSampleClock(-1.0);
    e.SetSampleClock(std::nan(""));
    e.SetSampleClock(INFINITY);
    EXPECT_EQ(e.GetSampleClock(), kFmClock);

    Block b(1024);
    std::vector<double> out(30722, 7.0);
    EXPECT_FALSE(e.ComputeSpectrum(b.i.data(), b.q.data(), 1023, out.data())); // odd
    EXPECT_FALSE(e.ComputeSpectrum(b.i.data(), b.q.data(), 8, out.data()));
    EXPECT_FALSE(e.ComputeSpectrum(b.i.data(), b.q.data(), 30722, out.data()));
    EXPECT_FALSE(e.ComputeSpectrum(nullptr, b.q.data(), 1024, out.data()));
    EXPECT_FALSE(e.ComputeSpectrum(b.i.data(), b.q.data(), 1024, nullptr));
    EXPECT_EQ(out[0], 7.0);

    // Silence reads the floor, never minus infinity; full-scale samples are fine.
    EXPECT_TRUE(e.ComputeSpectrum(b.i.data(), b.q.data(), 1024, out.data()));
    EXPECT_DOUBLE_EQ(out[512], kMxFloorDbm);
    std::fill(b.i.begin(), b.i.end(), std::int16_t(-32768));
    EXPECT_TRUE(e.ComputeSpectrum(b.i.data(), b.q.data(), 1024, out.data()));
    EXPECT_TRUE(std::isfinite(out[512]));

    // A sample clock far too low asks for a filter wider than the span: the
    // filter stops at half the span and the block is still computed.
    MxSpectrumEngine slow;
    slow.SetSampleClock(1.0);
    Block tone(30720);
    AddTone(tone, 1.0, 0.0, -20.0);
    std::vector<double> wide(30720);
    EXPECT_TRUE(slow.ComputeSpectrum(tone.i.data(), tone.q.data(), 30720, wide.data()));
    EXPECT_NEAR(wide[15360], -20.0, 0.5);

    // Points may change from block to block.
    Block big(30720);
    AddTone(big, kFmClock, 0.0, -20.0);
    std::vector<double> t = Compute(e, big);
    EXPECT_NEAR(t[15360], -20.0, 0.5);
}

TEST(MxSpectrumEngine, SettersRaceFreeWithComputation) {
    // The link thread computes while the GUI thread changes settings; run under
    // ThreadSanitizer this shows the settings are guarded.
    MxSpectrumEngine e;
    e.SetSampleClock(kFmClock);
    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    std::thread link([&] {
        Block b(2048);
        AddTone(b, kFmClock, 1000.0, -20.0);
        std::vector<double> out(2048);
        for (int k = 0; k < 200; ++k) {
            if (!e.ComputeSpectrum(b.i.data(), b.q.data(), 2048, out.data()) || !std::isfinite(out[1024]))
                ++bad;
        }
        done = true;
    });
    int k = 0;
    while (!done) {
        e.Zephyra_UI_MFC_ResBW(k % 4);
        e.SetAverageType(k % 2, 1 + k % 20);
        e.SetPowerUnitdBType(k % 3);
        e.SetSpectralInv(k % 2);
        e.SetSampleClock(k % 2 ? kFmClock : kAmClock);
        e.CalcuExcludeCnt(kFmClock, 0.2 * kFmClock);
        e.CalcuBandPower(0, 2047);
        e.CheckMaskData();
        e.CheckBandPower();
        ++k;
    }
    link.join();
    EXPECT_EQ(bad.load(), 0);
}
