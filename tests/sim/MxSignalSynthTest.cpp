#include "sim/synth/MxSignalSynth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "marlixmfc/spectrum/MxSpectrumEngine.h"
#include "output/TestVectorCatalog.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Samples {
    std::vector<std::int16_t> i, q;
};

Samples Make(const MxSignalSynth& s, std::uint64_t first, int n) {
    Samples out{std::vector<std::int16_t>(n), std::vector<std::int16_t>(n)};
    s.Generate(first, n, out.i.data(), out.q.data());
    return out;
}

double CountsToDbm(double meanSquare, double fullScaleDbm = kMxSynthFullScaleDbm) {
    return 10.0 * std::log10(meanSquare / (32767.0 * 32767.0)) + fullScaleDbm;
}

double TotalDbm(const Samples& s) {
    double sum = 0.0;
    for (std::size_t k = 0; k < s.i.size(); ++k)
        sum += double(s.i[k]) * s.i[k] + double(s.q[k]) * s.q[k];
    return CountsToDbm(sum / s.i.size());
}

// Power (dBm) of the component at `hz`, by correlation with a Hann-weighted tone.
double ToneDbm(const Samples& s, double fs, double hz) {
    std::complex<double> acc;
    double wsum = 0.0;
    const std::size_t n = s.i.size();
    for (std::size_t k = 0; k < n; ++k) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * k / n);
        acc += w * std::complex<double>(s.i[k], s.q[k]) * std::polar(1.0, -2.0 * kPi * hz * k / fs);
        wsum += w;
    }
    return CountsToDbm(std::norm(acc / wsum));
}

} // namespace

TEST(MxSignalSynth, DescribesFilesFromNameAndCatalog) {
    struct Case {
        const char* name;
        bool fm;
        MxSignalKind kind;
        std::vector<double> carriers;
        const char* mode;
        double noiseLow, noiseHigh;
    };
    const Case cases[] = {
        {"IB_FMr001_e1_cw_0_m200.bin", true, MxSignalKind::Carriers, {0.0, -200000.0}, "", 0, 0},
        {"IB_AMr001_e1_cw_m10_10.bin", false, MxSignalKind::Carriers, {-10000.0, 10000.0}, "", 0, 0},
        {"IB_AM_e1a_CW_dc.bin", false, MxSignalKind::Carriers, {0.0}, "", 0, 0},
        {"IB_FM_e1_CW_m100.bin", true, MxSignalKind::Carriers, {-100000.0}, "", 0, 0},
        {"IB_AM_e1_awgn.bin", false, MxSignalKind::Noise, {}, "", -23000.0, 23000.0},
        {"IB_FM_e1_awgn.bin", true, MxSignalKind::Noise, {}, "", -372000.0, 372000.0},
        {"IB_FMr208c_e1wfc548.bin", true, MxSignalKind::Hybrid, {}, "MP5", 0, 0},
        {"IB_AMr208_e1awfa05.bin", false, MxSignalKind::Hybrid, {}, "MA1", 0, 0},
        {"CC_TTN_FMr440a_e1wfr001.bin", true, MxSignalKind::Hybrid, {}, "MP1", 0, 0}, // "No Description"
        {"mpl_vector_02_MP3_clean.bin", true, MxSignalKind::Hybrid, {}, "MP3", 0, 0},
        {"IB_FMr001_e1_cw_0_m900.bin", true, MxSignalKind::Carriers, {0.0, -372093.75}, "", 0, 0}, // kept in
                                                                                                   // span
        {"unknown.bin", true, MxSignalKind::Hybrid, {}, "MP1", 0, 0},
        {"", true, MxSignalKind::Hybrid, {}, "MP1", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MxSignalSpec s = MxDescribeSignal(c.name);
        EXPECT_EQ(s.fm, c.fm);
        EXPECT_EQ(s.sampleClock, c.fm ? 744187.5 : 46511.71875);
        EXPECT_EQ(s.kind, c.kind);
        EXPECT_EQ(s.carrierOffsetsHz, c.carriers);
        if (c.kind == MxSignalKind::Hybrid) {
            EXPECT_EQ(s.serviceMode, c.mode);
        }
        if (c.kind == MxSignalKind::Noise) {
            EXPECT_EQ(s.noiseLowHz, c.noiseLow);
            EXPECT_EQ(s.noiseHighHz, c.noiseHigh);
        }
    }
    // Names renamed to nonsense on the instrument: offsets stay in the span, no throw.
    const std::string digits(400, '9');
    const MxSignalSpec huge = MxDescribeSignal("IB_FMr001_e1_cw_" + digits + "_m" + digits + ".bin", "");
    ASSERT_EQ(huge.carrierOffsetsHz.size(), 2u);
    EXPECT_EQ(huge.carrierOffsetsHz[0], 744187.5 / 2);
    EXPECT_EQ(huge.carrierOffsetsHz[1], -744187.5 / 2);
    const MxSignalSpec band =
        MxDescribeSignal("x_awgn.bin", "White Gaussian noise; Flat spectrum from 900 kHz to -900 kHz");
    EXPECT_EQ(band.noiseLowHz, -744187.5 / 2);
    EXPECT_EQ(band.noiseHighHz, 744187.5 / 2);

    // A service mode of the other band is not taken.
    EXPECT_EQ(MxDescribeSignal("IB_AMr302_e1wfa600.bin", "MP3, audio mix").serviceMode, "MA1");

    // Every catalog file gives a signal with power.
    for (std::size_t r = 0; r < kTestVectorCount; r += 37) {
        const std::string name = TestVectorFileNameUtf8(r);
        const MxSignalSynth s = MxSignalSynth::ForFile(name, -20.0, false);
        EXPECT_NEAR(TotalDbm(Make(s, 0, 4096)), -20.0, 0.5) << name;
    }
}

TEST(MxSignalSynth, CarriersLandAtTheOffsetsInTheName) {
    const int n = 16384;
    struct Case {
        const char* name;
        double hz1, hz2, absent;
    };
    const Case cases[] = {
        {"IB_FMr001_e1_cw_0_m200.bin", 0.0, -200000.0, 200000.0},
        {"IB_FMr001_e1_cw_m150_150.bin", -150000.0, 150000.0, 0.0},
        {"IB_AMr001_e1_cw_0_10.bin", 0.0, 10000.0, -10000.0},
    };
    for (const Case& c : cases) {
        for (bool inv : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.name << " inv=" << inv);
            const MxSignalSynth s = MxSignalSynth::ForFile(c.name, -20.0, inv);
            const Samples x = Make(s, 12345, n);
            const double sign = inv ? -1.0 : 1.0; // inversion mirrors
            EXPECT_NEAR(ToneDbm(x, s.SampleClock(), sign * c.hz1), -23.01, 0.2);
            EXPECT_NEAR(ToneDbm(x, s.SampleClock(), sign * c.hz2), -23.01, 0.2);
            EXPECT_LT(ToneDbm(x, s.SampleClock(), sign * c.absent), -80.0);
        }
    }
}

TEST(MxSignalSynth, DeterministicAndPositionIndependent) {
    for (const char* name :
         {"IB_FM_e1_awgn.bin", "IB_FMr208c_e1wfc548.bin", "IB_AMr208_e1awfa05.bin", "IB_FM_e1_CW_p100.bin"}) {
        SCOPED_TRACE(name);
        const MxSignalSynth a = MxSignalSynth::ForFile(name, -20.0, false, 42);
        const MxSignalSynth b = MxSignalSynth::ForFile(name, -20.0, false, 42);
        const Samples whole = Make(a, 0, 9000);
        const Samples again = Make(b, 0, 9000);
        EXPECT_EQ(whole.i, again.i);
        EXPECT_EQ(whole.q, again.q);
        // A block cut from the middle (across OFDM symbol edges) is the same samples.
        const Samples part = Make(b, 2222, 4321);
        EXPECT_TRUE(std::equal(part.i.begin(), part.i.end(), whole.i.begin() + 2222));
        EXPECT_TRUE(std::equal(part.q.begin(), part.q.end(), whole.q.begin() + 2222));
        // Another seed, another signal.
        const Samples other = Make(MxSignalSynth::ForFile(name, -20.0, false, 43), 0, 9000);
        EXPECT_NE(whole.i, other.i);
    }
}

TEST(MxSignalSynth, OutputLevelScalesAndFullScaleClips) {
    for (double level : {-40.0, -20.0, 0.0}) {
        const MxSignalSynth s = MxSignalSynth::ForFile("IB_FM_e1_awgn.bin", level, false);
        EXPECT_NEAR(TotalDbm(Make(s, 0, 30720)), level, 0.1) << level;
    }
    // Ranged samples: the same level at another full scale.
    const MxSignalSynth ranged = MxSignalSynth::ForFile("IB_FM_e1_CW_dc.bin", -90.0, false, 1, -70.0);
    const Samples r = Make(ranged, 0, 8192);
    double ms = 0.0;
    for (std::size_t k = 0; k < r.i.size(); ++k)
        ms += double(r.i[k]) * r.i[k] + double(r.q[k]) * r.q[k];
    EXPECT_NEAR(CountsToDbm(ms / r.i.size(), -70.0), -90.0, 0.1);
    // Beyond full scale the samples saturate instead of wrapping to small values.
    const Samples hot = Make(MxSignalSynth::ForFile("IB_FM_e1_CW_dc.bin", 40.0, false), 0, 1000);
    for (std::size_t k = 0; k < hot.i.size(); ++k) {
        ASSERT_GE(double(hot.i[k]) * hot.i[k] + double(hot.q[k]) * hot.q[k], 0.4 * 32767.0 * 32767.0);
    }
}

TEST(MxSignalSynth, SpectrumOfTheSimulatedSignals) {
    // Carrier file through the library's spectrum: bin and level in each unit.
    const int n = 30720;
    const MxSignalSynth cw = MxSignalSynth::ForFile("IB_FM_e1_CW_p100.bin", -25.0, false);
    const Samples x = Make(cw, 0, n);
    for (int unit = 0; unit < 3; ++unit) {
        MxSpectrumEngine e;
        e.SetSampleClock(cw.SampleClock());
        e.SetPowerUnitdBType(unit);
        std::vector<double> t(n);
        ASSERT_TRUE(e.ComputeSpectrum(x.i.data(), x.q.data(), n, t.data()));
        const int peak = static_cast<int>(std::max_element(t.begin(), t.end()) - t.begin());
        EXPECT_EQ(peak, n / 2 + static_cast<int>(std::lround(100000.0 / (cw.SampleClock() / n))));
        EXPECT_NEAR(t[peak], -25.0 + MxSpectrumEngine::UnitOffsetDb(unit), 0.5);
    }

    // Hybrid FM: digital sidebands where the mode puts them, about -23 dBc each.
    auto bandDbc = [&](const char* name, double loHz, double hiHz) {
        const MxSignalSynth s = MxSignalSynth::ForFile(name, -20.0, false);
        MxSpectrumEngine e;
        e.SetSampleClock(s.SampleClock());
        const Samples y = Make(s, 0, n);
        std::vector<double> t(n);
        EXPECT_TRUE(e.ComputeSpectrum(y.i.data(), y.q.data(), n, t.data()));
        const double bin = s.SampleClock() / n;
        const double carrier = e.CalcuBandPower(n / 2 - 20, n / 2 + 20);
        return e.CalcuBandPower(n / 2 + int(loHz / bin), n / 2 + int(hiHz / bin)) - carrier;
    };
    EXPECT_NEAR(bandDbc("IB_FMr208b_e1wfc522.bin", 129000.0, 199000.0), -23.0, 0.7); // MP6
    EXPECT_NEAR(bandDbc("mpl_vector_01_MP1_clean.bin", -199000.0, -129000.0), -23.0, 0.7);
    EXPECT_LT(bandDbc("mpl_vector_01_MP1_clean.bin", 103000.0, 127000.0), -50.0); // no extended partitions
    EXPECT_GT(bandDbc("IB_FMr208c_e1wfc548.bin", 103000.0, 127000.0), -35.0);     // MP5 has them

    // White noise integrates to the output level over the stated band.
    const MxSignalSynth noise = MxSignalSynth::ForFile("IB_AM_e1_awgn.bin", -30.0, false);
    MxSpectrumEngine e;
    e.SetSampleClock(noise.SampleClock());
    const Samples z = Make(noise, 0, 8192);
    std::vector<double> t(8192);
    ASSERT_TRUE(e.ComputeSpectrum(z.i.data(), z.q.data(), 8192, t.data()));
    EXPECT_NEAR(e.CalcuBandPower(0, 8191), -30.0, 0.2);
}
