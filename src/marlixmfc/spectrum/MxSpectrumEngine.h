// Spectrum computation of the device library: window, FFT and resolution
// bandwidth filter over one block of I/Q samples, averaging, power units, edge
// exclusion, band power, mask and band-power limit tests, frequency step.
// Pure C++; the method names follow the CMarlixMFC entry points that forward to
// them. See docs/spectrum.md for the maths and the calibration.
//
// Threads: setters and getters may be called from any thread (the GUI thread)
// while ComputeSpectrum runs on the link thread; the settings are copied under
// a lock at the start of each block, so a block is computed with one coherent
// set of settings.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// Default calibration of the I/Q samples: a complex tone of amplitude 32767
// counts (full scale) is this many dBm into 50 ohm. An instrument that ranges
// its samples to the output level says so with SetFullScaleDbm.
constexpr double kMxFullScaleDbm = 30.0;
// Bins with no power at all read this (dBm) instead of minus infinity.
constexpr double kMxFloorDbm = -200.0;
// Largest block the engine takes (points = bins = I samples = Q samples).
constexpr int kMxMaxSpectrumPoints = 30720;
// Narrowest filter, in bins: keeps the scalloping of a carrier between two
// bins below 0.2 dB (an analyser couples its narrowest RBW to span / points).
constexpr double kMxMinRbwBins = 4.0;

// One corner of the mask: at |offset from the centre| the trace may reach
// limitDbc relative to its highest shown bin; limits are interpolated linearly
// between corners and held beyond the last one.
struct MxMaskPoint {
    double offsetHz;
    double limitDbc;
};

// The resolution filter for one set-up: three running means of boxBins (with
// fractional ends) over the Hann periodogram, whose whole response is rbwBins
// wide at -3 dB; gain brings its peak to 1, enbwBins is its noise bandwidth.
struct MxRbwFilter {
    double rbwBins = 0.0;
    double boxBins = 1.0;
    double gain = 1.0;
    double enbwBins = 1.5;
};

class MxSpectrumEngine {
public:
    MxSpectrumEngine();
    ~MxSpectrumEngine();
    MxSpectrumEngine(const MxSpectrumEngine&) = delete;
    MxSpectrumEngine& operator=(const MxSpectrumEngine&) = delete;

    // --- settings (any thread) ---

    // _MxResBWType_e 0..3 = 200, 300, 400, 500 Hz. Returns false and keeps the
    // current bandwidth for any other value.
    bool Zephyra_UI_MFC_ResBW(int type);
    int GetResBWType() const;
    static double ResBWHz(int type); // 0 for an unknown type
    // The filter actually used for n points at the current sample clock.
    double GetEffectiveRbwHz(int points) const;
    // The filter for a resolution bandwidth at this clock and block size.
    static MxRbwFilter DesignRbwFilter(double sampleClock, double rbwHz, int points);

    // _MxAverageType_e 0 Off, 1 Exponential (other values: Off); count clamped
    // into 1..100. Restarts the average.
    void SetAverageType(int type, int count);
    int GetAverageType() const;
    int GetAverageCount() const;
    void ResetAverage();

    // Power_Unit_dB_e 0 dBm, 1 dBmV, any other value dBuV (stored as 2).
    // Returns true when the unit changed.
    bool SetPowerUnitdBType(int unit);
    int GetPowerUnitdBType() const;
    // Offset of a unit from dBm, 50 ohm: 0, 46.99, 106.99 dB.
    static double UnitOffsetDb(int unit);
    // Integer dB shift from one unit to the other: dBm -> dBmV 47, dBm -> dBuV 107.
    static int GetAverageRelativePowerdB(int fromUnit, int toUnit);

    // MarkerCountsType_t 0..3 (markers = value + 1); clamped.
    void SetMarkerCounts(int value);
    int GetMarkerCounts() const;

    // FrequencyStep_t: index into 1, 8, 10, 20, 24, 30, 40, 48, 50, 60, 70, 80,
    // 90, 100 MHz; an index out of range selects 1 MHz (index 0).
    void SetFrequencyStepHz(int step);
    int GetFrequencyStep() const;
    std::uint32_t GetFrequencyStepHz() const;

    // _MxSpectralInv_e 0 off, 1 on (other values: on). Mirrors the spectrum.
    void SetSpectralInv(int inv);
    int GetSpectralInv() const;

    // Sample clock as DeviceState m_dSampleClockKHz holds it; the span of the
    // spectrum is that number, in Hz, as the graph axis takes it. Values that
    // are not positive and finite are ignored.
    void SetSampleClock(double clock);
    double GetSampleClock() const;

    // Power in dBm of a full-scale complex tone in the samples; non-finite
    // values are ignored.
    void SetFullScaleDbm(double dBm);
    double GetFullScaleDbm() const;

    // Bins per block (m_nSpectrumPoints), used by CalcuExcludeCnt; 1..30720.
    bool SetSpectrumPoints(int points);
    int GetSpectrumPoints() const;

    // Edge bins left out of the shown part: round(points * excluded / span),
    // kept within 0..points-1; 0 when span or excluded make no sense.
    void CalcuExcludeCnt(double span, double excluded);
    int GetExcludeCnt() const;

    // Mask used by CheckMaskData; empty = the default for the sample clock.
    void SetMask(std::vector<MxMaskPoint> mask);
    std::vector<MxMaskPoint> GetMask() const;
    // Band-power limits in dBm used by CheckBandPower (default -90 .. +30 dBm).
    void SetBandPowerLimits(double minDbm, double maxDbm);

    // --- computation ---

    // One block of n I and Q samples into n bins of the current unit, bin n/2
    // at the centre frequency, bin 0 at -span/2. n must be even and within
    // 16..30720. Returns false (out untouched) otherwise.
    bool ComputeSpectrum(const std::int16_t* i, const std::int16_t* q, int n, double* out);

    // Channel power of bins first..last (clamped, either order) of the latest
    // computed spectrum, in its unit; kMxFloorDbm (in that unit) with none.
    double CalcuBandPower(int first, int last);
    // The same over a given trace computed with the current settings.
    double CalcuBandPower(const double* spectrum, int n, int first, int last);

    // 1 when a shown bin of the latest spectrum lies above the mask, else 0
    // (also 0 before the first block).
    int CheckMaskData();
    // 1 when the latest band power lies outside the band-power limits, else 0
    // (also 0 before the first band power).
    int CheckBandPower();

private:
    struct Settings {
        int resBWType = 1;
        int averageType = 0;
        int averageCount = 10;
        int powerUnit = 0;
        int markerCounts = 0;
        int frequencyStep = 0;
        int spectralInv = 0;
        double sampleClock = 46511.71875;
        double fullScaleDbm = kMxFullScaleDbm;
        int points = 8192;
        int excludeCnt = 0;
        std::vector<MxMaskPoint> mask;
        double bandPowerMinDbm = -90.0;
        double bandPowerMaxDbm = 30.0;
        std::uint64_t averageEpoch = 0; // bumped to restart the average
    };
    struct Work;

    Settings Snapshot() const;
    static double EnbwBins(double sampleClock, int resBWType, int points);
    double BandPowerOf(const double* spectrum, int n, int first, int last, double enbwBins);

    mutable std::mutex m_settingsLock;
    Settings m_settings;

    // Buffers and plans of the computing thread.
    std::mutex m_computeLock;
    std::unique_ptr<Work> m_work;

    // Latest results, read by the GUI-thread entry points.
    mutable std::mutex m_resultLock;
    std::vector<double> m_lastTrace;
    int m_lastUnit = 0;
    double m_lastEnbwBins = 1.0;
    double m_lastSampleClock = 0.0;
    bool m_haveBandPower = false;
    double m_lastBandPowerDbm = 0.0;
};
