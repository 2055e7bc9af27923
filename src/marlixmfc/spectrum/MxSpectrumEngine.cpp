#include "marlixmfc/spectrum/MxSpectrumEngine.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <kiss_fft.h>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFloorMw = 1e-20; // 10^(kMxFloorDbm / 10)
static_assert(kMxFloorDbm == -200.0, "keep the floor constants in step");

// Power response of the Hann window at whole-bin offsets 0 and +-1 (peak 1).
constexpr double kHannSide = 0.25;
constexpr double kHannEnbwBins = 1.5;
// -3 dB width of the Hann window's power response, in bins.
constexpr double kHannRbwBins = 1.44;

constexpr std::uint32_t kFrequencyStepMHz[] = {1, 8, 10, 20, 24, 30, 40, 48, 50, 60, 70, 80, 90, 100};
constexpr int kFrequencyStepCount =
    static_cast<int>(sizeof(kFrequencyStepMHz) / sizeof(kFrequencyStepMHz[0]));

bool ValidPoints(int n) {
    return n >= 16 && n <= kMxMaxSpectrumPoints && n % 2 == 0;
}

// Box widths (odd) of a three-pass cascade whose variance is close to sigma^2.
std::vector<int> BoxWidths(double sigma) {
    std::vector<int> widths;
    if (!(sigma > 0.3))
        return widths;
    const int m = 3;
    const double ideal = std::sqrt(12.0 * sigma * sigma / m + 1.0);
    int wl = static_cast<int>(std::floor(ideal));
    if (wl % 2 == 0)
        --wl;
    wl = std::max(wl, 1);
    const int wu = wl + 2;
    const double mIdeal = (12.0 * sigma * sigma - m * wl * wl - 4.0 * m * wl - 3.0 * m) / (-4.0 * wl - 4.0);
    const int mLow = std::clamp(static_cast<int>(std::lround(mIdeal)), 0, m);
    for (int k = 0; k < m; ++k)
        widths.push_back(k < mLow ? wl : wu);
    return widths;
}

// Circular running mean of odd width w, in double so that a strong carrier
// leaves no residue in the bins the window has moved past.
void BoxCircular(const double* in, double* out, int n, int w) {
    const int h = w / 2;
    auto wrap = [n](long i) { return static_cast<int>(((i % n) + n) % n); };
    double sum = 0.0;
    for (int j = -h; j <= h; ++j)
        sum += in[wrap(j)];
    const double scale = 1.0 / w;
    int add = wrap(h + 1), drop = wrap(-h);
    for (int i = 0; i < n; ++i) {
        out[i] = sum * scale;
        sum += in[add] - in[drop];
        if (++add == n)
            add = 0;
        if (++drop == n)
            drop = 0;
    }
}

// The resolution filter for one set-up: box widths, display gain (peak of the
// whole filter = 1, so a carrier reads its power) and noise bandwidth in bins.
struct Filter {
    std::vector<int> widths;
    double gain = 1.0;
    double enbwBins = kHannEnbwBins;
};

Filter MakeFilter(double sampleClock, double rbwHz, int n) {
    Filter f;
    const double binHz = sampleClock / n;
    // A filter wider than half the span shows nothing more; the bound also keeps
    // an absurd sample clock from asking for a kernel of millions of bins.
    const double rbwBins = std::clamp(rbwHz / binHz, kMxMinRbwBins, std::max(kMxMinRbwBins, n / 2.0));
    const double kernelBins = std::sqrt(std::max(0.0, rbwBins * rbwBins - kHannRbwBins * kHannRbwBins));
    f.widths = BoxWidths(kernelBins / 2.3548200450309493);

    // Kernel taps around 0 from the cascade applied to a unit impulse.
    int reach = 1;
    for (int w : f.widths)
        reach += w / 2;
    const int len = 2 * reach + 3;
    std::vector<double> a(len, 0.0), b(len, 0.0);
    a[len / 2] = 1.0;
    for (int w : f.widths) {
        BoxCircular(a.data(), b.data(), len, w);
        a.swap(b);
    }
    const double k0 = a[len / 2], k1 = a[len / 2 - 1], k1p = a[len / 2 + 1];
    double sum = 0.0;
    for (double v : a)
        sum += v;
    const double peak = k0 + kHannSide * (k1 + k1p);
    f.gain = 1.0 / peak;
    f.enbwBins = sum * kHannEnbwBins / peak;
    return f;
}

double MaskLimitAt(const std::vector<MxMaskPoint>& mask, double offsetHz) {
    const double x = std::fabs(offsetHz);
    if (mask.empty())
        return std::numeric_limits<double>::infinity();
    if (x <= mask.front().offsetHz)
        return mask.front().limitDbc;
    for (std::size_t k = 1; k < mask.size(); ++k) {
        const MxMaskPoint& p = mask[k - 1];
        const MxMaskPoint& q = mask[k];
        if (x <= q.offsetHz) {
            if (q.offsetHz <= p.offsetHz)
                return std::min(p.limitDbc, q.limitDbc);
            const double t = (x - p.offsetHz) / (q.offsetHz - p.offsetHz);
            return p.limitDbc + t * (q.limitDbc - p.limitDbc);
        }
    }
    return mask.back().limitDbc;
}

std::vector<MxMaskPoint> DefaultMask(double sampleClock) {
    if (sampleClock < 100000.0) {
        // AM: hybrid sidebands reach 14.7 kHz.
        return {{0.0, 0.0}, {15000.0, 0.0}, {16000.0, -40.0}, {20000.0, -40.0}, {20500.0, -55.0}};
    }
    // FM: hybrid sidebands reach 198.4 kHz.
    return {{0.0, 0.0}, {200000.0, 0.0}, {210000.0, -40.0}, {240000.0, -40.0}, {250000.0, -60.0}};
}

} // namespace

struct MxSpectrumEngine::Work {
    int n = 0;
    kiss_fft_cfg plan = nullptr;
    std::vector<kiss_fft_cpx> in, out;
    std::vector<float> window;
    double windowSum = 0.0;

    double filterClock = 0.0;
    int filterType = -1;
    Filter filter;

    std::vector<double> power, scratch;

    std::vector<double> average;
    int averaged = 0;
    std::uint64_t averageEpoch = ~0ull;
    int averageInv = -1;
    double averageClock = 0.0;
    int averageType = -1;

    ~Work() { kiss_fft_free(plan); }

    void Prepare(int points) {
        if (points == n)
            return;
        kiss_fft_free(plan);
        plan = kiss_fft_alloc(points, 0, nullptr, nullptr);
        n = points;
        in.assign(n, kiss_fft_cpx{});
        out.assign(n, kiss_fft_cpx{});
        window.resize(n);
        windowSum = 0.0;
        for (int k = 0; k < n; ++k) {
            // Periodic Hann: whole-bin responses are exactly 1 and 1/4.
            const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * k / n);
            window[k] = static_cast<float>(w);
            windowSum += window[k];
        }
        power.assign(n, 0.0);
        scratch.assign(n, 0.0);
        average.clear();
        filterType = -1;
    }
};

MxSpectrumEngine::MxSpectrumEngine() : m_work(std::make_unique<Work>()) {}
MxSpectrumEngine::~MxSpectrumEngine() = default;

MxSpectrumEngine::Settings MxSpectrumEngine::Snapshot() const {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    return m_settings;
}

double MxSpectrumEngine::ResBWHz(int type) {
    switch (type) {
    case 0:
        return 200.0;
    case 1:
        return 300.0;
    case 2:
        return 400.0;
    case 3:
        return 500.0;
    default:
        return 0.0;
    }
}

bool MxSpectrumEngine::Zephyra_UI_MFC_ResBW(int type) {
    if (ResBWHz(type) <= 0.0)
        return false;
    std::lock_guard<std::mutex> lock(m_settingsLock);
    if (m_settings.resBWType != type) {
        m_settings.resBWType = type;
        ++m_settings.averageEpoch;
    }
    return true;
}

int MxSpectrumEngine::GetResBWType() const {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    return m_settings.resBWType;
}

double MxSpectrumEngine::GetEffectiveRbwHz(int points) const {
    const Settings s = Snapshot();
    if (points <= 0)
        return 0.0;
    const double binHz = s.sampleClock / points;
    return std::clamp(ResBWHz(s.resBWType), kMxMinRbwBins * binHz,
                      std::max(kMxMinRbwBins, points / 2.0) * binHz);
}

void MxSpectrumEngine::SetAverageType(int type, int count) {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    m_settings.averageType = type == 1 ? 1 : 0;
    m_settings.averageCount = std::clamp(count, 1, 100);
    ++m_settings.averageEpoch;
}

int MxSpectrumEngine::GetAverageType() const {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    return m_settings.averageType;
}

int MxSpectrumEngine::GetAverageCount() const {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    return m_settings.averageCount;
}

void MxSpectrumEngine::ResetAverage() {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    ++m_settings.averageEpoch;
}

bool MxSpectrumEngine::SetPowerUnitdBType(int unit) {
    const int u = (unit == 0 || unit == 1) ? unit : 2;
    std::lock_guard<std::mutex> lock(m_settingsLock);
    const bool changed = m_settings.powerUnit != u;
    m_settings.powerUnit = u;
    return changed;
}

int MxSpectrumEngine::GetPowerUnitdBType() const {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    return m_settings.powerUnit;
}

double MxSpectrumEngine::UnitOffsetDb(int unit) {
    // dBmV = dBm + 10 log10(50 ohm * 1 mW / (1 mV)^2); dBuV 60 dB above that.
    const double dBmV = 10.0 * std::log10(50.0 * 1e-3 / 1e-6);
    switch (unit) {
    case 0:
        return 0.0;
    case 1:
        return dBmV;
    default:
        return dBmV + 60.0;
    }
}

int MxSpectrumEngine::GetAverageRelativePowerdB(int fromUnit, int toUnit) {
    return static_cast<int>(std::lround(UnitOffsetDb(toUnit) - UnitOffsetDb(fromUnit)));
}

void MxSpectrumEngine::SetMarkerCounts(int value) {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    m_settings.markerCounts = std::clamp(value, 0, 3);
}

int MxSpectrumEngine::GetMarkerCounts() const {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    return m_settings.markerCounts;
}

void MxSpectrumEngine::SetFrequencyStepHz(int step) {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    m_settings.frequencyStep = (step >= 0 && step < kFrequencyStepCount) ? step : 0;
}

int MxSpectrumEngine::GetFrequencyStep() const {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    return m_settings.frequencyStep;
}

std::uint32_t MxSpectrumEngine::GetFrequencyStepHz() const {
    return kFrequencyStepMHz[GetFrequencyStep()] * 1000000u;
}

void MxSpectrumEngine::SetSpectralInv(int inv) {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    const int v = inv != 0 ? 1 : 0;
    if (m_settings.spectralInv != v) {
        m_settings.spectralInv = v;
        ++m_settings.averageEpoch;
    }
}

int MxSpectrumEngine::GetSpectralInv() const {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    return m_settings.spectralInv;
}

void MxSpectrumEngine::SetSampleClock(double clock) {
    if (!(clock > 0.0) || !std::isfinite(clock))
        return;
    std::lock_guard<std::mutex> lock(m_settingsLock);
    if (m_settings.sampleClock != clock) {
        m_settings.sampleClock = clock;
        ++m_settings.averageEpoch;
    }
}

double MxSpectrumEngine::GetSampleClock() const {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    return m_settings.sampleClock;
}

void MxSpectrumEngine::SetFullScaleDbm(double dBm) {
    if (!std::isfinite(dBm))
        return;
    std::lock_guard<std::mutex> lock(m_settingsLock);
    m_settings.fullScaleDbm = dBm;
}

double MxSpectrumEngine::GetFullScaleDbm() const {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    return m_settings.fullScaleDbm;
}

bool MxSpectrumEngine::SetSpectrumPoints(int points) {
    if (points < 1 || points > kMxMaxSpectrumPoints)
        return false;
    std::lock_guard<std::mutex> lock(m_settingsLock);
    m_settings.points = points;
    return true;
}

int MxSpectrumEngine::GetSpectrumPoints() const {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    return m_settings.points;
}

void MxSpectrumEngine::CalcuExcludeCnt(double span, double excluded) {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    const int n = m_settings.points;
    int e = 0;
    if (span > 0.0 && std::isfinite(span) && excluded > 0.0 && std::isfinite(excluded)) {
        const double bins = std::min(static_cast<double>(n), n * excluded / span);
        e = static_cast<int>(std::lround(bins));
    }
    m_settings.excludeCnt = std::clamp(e, 0, std::max(0, n - 1));
}

int MxSpectrumEngine::GetExcludeCnt() const {
    std::lock_guard<std::mutex> lock(m_settingsLock);
    return m_settings.excludeCnt;
}

void MxSpectrumEngine::SetMask(std::vector<MxMaskPoint> mask) {
    // Corners out of order or not finite would make the limit meaningless.
    mask.erase(std::remove_if(mask.begin(), mask.end(),
                              [](const MxMaskPoint& p) {
                                  return !std::isfinite(p.offsetHz) || !std::isfinite(p.limitDbc);
                              }),
               mask.end());
    for (MxMaskPoint& p : mask)
        p.offsetHz = std::fabs(p.offsetHz);
    std::stable_sort(mask.begin(), mask.end(),
                     [](const MxMaskPoint& a, const MxMaskPoint& b) { return a.offsetHz < b.offsetHz; });
    std::lock_guard<std::mutex> lock(m_settingsLock);
    m_settings.mask = std::move(mask);
}

std::vector<MxMaskPoint> MxSpectrumEngine::GetMask() const {
    const Settings s = Snapshot();
    return s.mask.empty() ? DefaultMask(s.sampleClock) : s.mask;
}

void MxSpectrumEngine::SetBandPowerLimits(double minDbm, double maxDbm) {
    if (std::isnan(minDbm) || std::isnan(maxDbm))
        return;
    std::lock_guard<std::mutex> lock(m_settingsLock);
    m_settings.bandPowerMinDbm = std::min(minDbm, maxDbm);
    m_settings.bandPowerMaxDbm = std::max(minDbm, maxDbm);
}

double MxSpectrumEngine::EnbwBins(double sampleClock, int resBWType, int points) {
    return MakeFilter(sampleClock, ResBWHz(resBWType), points).enbwBins;
}

bool MxSpectrumEngine::ComputeSpectrum(const std::int16_t* i, const std::int16_t* q, int n, double* out) {
    if (!i || !q || !out || !ValidPoints(n))
        return false;
    const Settings s = Snapshot();

    std::lock_guard<std::mutex> computeLock(m_computeLock);
    Work& w = *m_work;
    w.Prepare(n);
    if (!w.plan) {
        w.n = 0; // try again with the next block
        return false;
    }
    if (w.filterType != s.resBWType || w.filterClock != s.sampleClock) {
        w.filter = MakeFilter(s.sampleClock, ResBWHz(s.resBWType), n);
        w.filterType = s.resBWType;
        w.filterClock = s.sampleClock;
    }

    // Inversion conjugates the samples, which mirrors the spectrum about the centre.
    const float qSign = s.spectralInv ? -1.0f : 1.0f;
    constexpr float kScale = 1.0f / 32767.0f;
    for (int k = 0; k < n; ++k) {
        w.in[k].r = w.window[k] * (i[k] * kScale);
        w.in[k].i = w.window[k] * (q[k] * kScale * qSign);
    }
    kiss_fft(w.plan, w.in.data(), w.out.data());

    // Bin b of the trace is FFT bin b - n/2: bin 0 at -span/2, n/2 at the centre.
    // In mW before averaging: blocks of one average may come at different full scales.
    const double norm = std::pow(10.0, s.fullScaleDbm / 10.0) / (w.windowSum * w.windowSum);
    const int half = n / 2;
    for (int b = 0; b < n; ++b) {
        const kiss_fft_cpx& x = w.out[(b + half) % n];
        w.power[b] = (static_cast<double>(x.r) * x.r + static_cast<double>(x.i) * x.i) * norm;
    }
    for (int width : w.filter.widths) {
        BoxCircular(w.power.data(), w.scratch.data(), n, width);
        w.power.swap(w.scratch);
    }

    // Exponential averaging of power: a running mean until count blocks are in,
    // then each new block weighs 1/count.
    const bool restart = w.averageEpoch != s.averageEpoch || w.averageInv != s.spectralInv ||
                         w.averageClock != s.sampleClock || w.averageType != s.averageType ||
                         static_cast<int>(w.average.size()) != n;
    if (restart) {
        w.average.assign(n, 0.0);
        w.averaged = 0;
        w.averageEpoch = s.averageEpoch;
        w.averageInv = s.spectralInv;
        w.averageClock = s.sampleClock;
        w.averageType = s.averageType;
    }
    if (s.averageType == 1 && s.averageCount > 1) {
        w.averaged = std::min(w.averaged + 1, s.averageCount);
        const double a = 1.0 / w.averaged;
        for (int b = 0; b < n; ++b)
            w.average[b] += a * (w.power[b] - w.average[b]);
    } else {
        std::copy(w.power.begin(), w.power.end(), w.average.begin());
        w.averaged = 1;
    }

    const double offset = UnitOffsetDb(s.powerUnit);
    const double toMw = w.filter.gain;
    for (int b = 0; b < n; ++b)
        out[b] = 10.0 * std::log10(std::max(w.average[b] * toMw, kFloorMw)) + offset;

    std::lock_guard<std::mutex> resultLock(m_resultLock);
    m_lastTrace.assign(out, out + n);
    m_lastUnit = s.powerUnit;
    m_lastEnbwBins = w.filter.enbwBins;
    m_lastSampleClock = s.sampleClock;
    return true;
}

double MxSpectrumEngine::BandPowerOf(const double* spectrum, int n, int first, int last, double enbwBins) {
    double total = 0.0;
    if (spectrum && n > 0) {
        first = std::clamp(first, 0, n - 1);
        last = std::clamp(last, 0, n - 1);
        if (first > last)
            std::swap(first, last);
        for (int b = first; b <= last; ++b)
            if (std::isfinite(spectrum[b]))
                total += std::pow(10.0, spectrum[b] / 10.0);
    }
    // The trace is in one unit throughout, so the sum is in that unit too; the
    // filter's noise bandwidth turns summed bins back into power.
    return total > 0.0 ? 10.0 * std::log10(total / enbwBins) : -std::numeric_limits<double>::infinity();
}

double MxSpectrumEngine::CalcuBandPower(int first, int last) {
    std::lock_guard<std::mutex> lock(m_resultLock);
    const int n = static_cast<int>(m_lastTrace.size());
    double p = BandPowerOf(m_lastTrace.data(), n, first, last, m_lastEnbwBins);
    const double floor = kMxFloorDbm + UnitOffsetDb(m_lastUnit);
    if (!(p > floor))
        p = floor;
    m_haveBandPower = n > 0;
    m_lastBandPowerDbm = p - UnitOffsetDb(m_lastUnit);
    return p;
}

double MxSpectrumEngine::CalcuBandPower(const double* spectrum, int n, int first, int last) {
    const Settings s = Snapshot();
    const double enbw = ValidPoints(n) ? EnbwBins(s.sampleClock, s.resBWType, n) : kHannEnbwBins;
    double p = BandPowerOf(spectrum, n, first, last, enbw);
    const double floor = kMxFloorDbm + UnitOffsetDb(s.powerUnit);
    if (!(p > floor))
        p = floor;
    std::lock_guard<std::mutex> lock(m_resultLock);
    m_haveBandPower = spectrum && n > 0;
    m_lastBandPowerDbm = p - UnitOffsetDb(s.powerUnit);
    return p;
}

int MxSpectrumEngine::CheckMaskData() {
    const Settings s = Snapshot();
    const std::vector<MxMaskPoint> mask = s.mask.empty() ? DefaultMask(s.sampleClock) : s.mask;

    std::lock_guard<std::mutex> lock(m_resultLock);
    const int n = static_cast<int>(m_lastTrace.size());
    if (n == 0)
        return 0;
    const int e = std::clamp(s.excludeCnt, 0, n - 1);
    const int lo = e / 2, hi = n - (e - e / 2); // shown bins [lo, hi)
    double peak = -std::numeric_limits<double>::infinity();
    for (int b = lo; b < hi; ++b)
        peak = std::max(peak, m_lastTrace[b]);
    const double binHz = m_lastSampleClock / n;
    for (int b = lo; b < hi; ++b) {
        const double limit = MaskLimitAt(mask, (b - n / 2) * binHz);
        if (m_lastTrace[b] - peak > limit + 1e-9)
            return 1;
    }
    return 0;
}

int MxSpectrumEngine::CheckBandPower() {
    const Settings s = Snapshot();
    std::lock_guard<std::mutex> lock(m_resultLock);
    if (!m_haveBandPower)
        return 0;
    return (m_lastBandPowerDbm < s.bandPowerMinDbm || m_lastBandPowerDbm > s.bandPowerMaxDbm) ? 1 : 0;
}
