// Test signals of the simulated instrument: deterministic I/Q int16 blocks for a
// test-vector file, built from what its name and catalog description say it
// holds (white noise over a band, one or two carriers, or a hybrid signal with
// an analog carrier and OFDM-like digital sidebands). Pure C++.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Sample clocks of the two kinds of file, in the unit of m_dSampleClockKHz
// (taken as samples per second by the spectrum).
constexpr double kMxAmSampleClock = 46511.71875;
constexpr double kMxFmSampleClock = 744187.5;
// Default calibration, the same as the library's spectrum: a full-scale complex
// tone (amplitude 32767) is +30 dBm.
constexpr double kMxSynthFullScaleDbm = 30.0;

enum class MxSignalKind {
    Noise,    // white Gaussian noise, flat from noiseLowHz to noiseHighHz
    Carriers, // unmodulated carriers at carrierOffsetsHz, equal power
    Hybrid,   // analog carrier with digital sidebands of serviceMode
};

struct MxSignalSpec {
    bool fm = true;
    double sampleClock = kMxFmSampleClock;
    MxSignalKind kind = MxSignalKind::Hybrid;
    double noiseLowHz = 0.0;
    double noiseHighHz = 0.0;
    std::vector<double> carrierOffsetsHz;
    std::string serviceMode; // "MA1", "MA3", "MP1".."MP6" for Hybrid
};

// What a file holds. The description defaults to the catalog's; names the
// catalog does not know are read from the name alone.
MxSignalSpec MxDescribeSignal(std::string_view fileName);
MxSignalSpec MxDescribeSignal(std::string_view fileName, std::string_view description);

class MxSignalSynth {
public:
    // levelDbm: total power of the signal (the output level); spectralInv
    // mirrors the spectrum; fullScaleDbm: power of a full-scale complex tone.
    MxSignalSynth(MxSignalSpec spec, double levelDbm, bool spectralInv, std::uint64_t seed = 1,
                  double fullScaleDbm = kMxSynthFullScaleDbm);
    static MxSignalSynth ForFile(std::string_view fileName, double levelDbm, bool spectralInv,
                                 std::uint64_t seed = 1, double fullScaleDbm = kMxSynthFullScaleDbm);

    const MxSignalSpec& Spec() const { return m_spec; }
    double SampleClock() const { return m_spec.sampleClock; }
    double FullScaleDbm() const { return m_fullScaleDbm; }

    // Samples firstSample .. firstSample + count - 1 of the signal; any block
    // can be made again, in any order, with the same result.
    void Generate(std::uint64_t firstSample, int count, std::int16_t* i, std::int16_t* q) const;

private:
    struct Tone {
        int k;      // subcarrier index
        double amp; // relative amplitude
    };

    void AddOfdm(std::uint64_t first, int count, std::vector<double>& re, std::vector<double>& im) const;
    void AddBandNoise(std::uint64_t first, int count, std::vector<double>& re, std::vector<double>& im) const;

    MxSignalSpec m_spec;
    bool m_inv = false;
    std::uint64_t m_seed = 1;
    double m_fullScaleDbm = kMxSynthFullScaleDbm;
    double m_gain = 0.0; // relative units -> counts

    // Carriers: offsets in Hz, amplitudes and start phases.
    std::vector<double> m_carrierHz, m_carrierAmp, m_carrierPhase;
    // OFDM symbols: size, cyclic prefix, subcarriers.
    int m_symbolSize = 0, m_prefix = 0;
    std::vector<Tone> m_tones;
    // White noise over the whole band (relative power), or band-limited noise.
    double m_whiteSigma = 0.0;
    double m_bandSigma = 0.0;
    int m_bandLow = 0, m_bandHigh = -1; // subcarrier range of band-limited noise
};
