#include "marlixmfc/spectrum/MxSpectrumEngine.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include <kiss_fft.h>

#include "marlixmfc/spectrum/MxFft.h"

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

// A running mean of width w bins (w >= 1) with fractional ends: taps of 1 out
// to h bins either side and a at h + 1, all divided by w = 2h + 1 + 2a. Its
// variance grows smoothly with w, so the filter's width is not held to odd
// whole bins.
struct BoxShape {
    int h = 0;
    double a = 0.0;
    double scale = 1.0;
};

BoxShape ShapeOf(double w) {
    BoxShape b;
    w = std::max(w, 1.0);
    b.h = static_cast<int>(std::floor((w - 1.0) / 2.0));
    b.a = (w - (2.0 * b.h + 1.0)) / 2.0;
    b.scale = 1.0 / w;
    return b;
}

// p holds a trace of n bins at p + h + 1 with circular padding of h + 1 bins
// either side; out[i] gets the running mean at bin i. Four running sums over
// the four quarters keep the adds from waiting on one another. In double, so a
// strong carrier leaves no residue in the bins the window has moved past.
void BoxPass(const double* p, double* out, int n, const BoxShape& b) {
    constexpr int kChains = 4;
    const int span = 2 * b.h + 1;
    const double a = b.a, scale = b.scale;
    const int chunk = n / kChains;
    double sum[kChains];
    int start[kChains];
    for (int c = 0; c < kChains; ++c) {
        start[c] = c * chunk;
        double s0 = 0.0;
        for (int k = start[c] + 1; k <= start[c] + span; ++k)
            s0 += p[k];
        sum[c] = s0;
    }
    for (int t = 0; t < chunk; ++t) {
        for (int c = 0; c < kChains; ++c) {
            const int i = start[c] + t;
            out[i] = scale * (sum[c] + a * (p[i] + p[i + span + 1]));
            sum[c] += p[i + span + 1] - p[i + 1];
        }
    }
    for (int i = kChains * chunk; i < n; ++i) {
        out[i] = scale * (sum[kChains - 1] + a * (p[i] + p[i + span + 1]));
        sum[kChains - 1] += p[i + span + 1] - p[i + 1];
    }
}

// Fills the circular padding either side of a trace of n bins stored at p + pad.
void Pad(double* p, int n, int pad) {
    for (int j = 0; j < pad; ++j) {
        p[j] = p[pad + ((j - pad) % n + n) % n];
        p[pad + n + j] = p[pad + j % n];
    }
}

// The whole filter's response to a tone on a bin, at whole-bin offsets around
// the middle: three running means over the Hann window's 1/4, 1, 1/4.
std::vector<double> ResponseOf(double boxBins) {
    const BoxShape b = ShapeOf(boxBins);
    const int reach = 3 * (b.h + 1) + 1;
    const int len = 2 * reach + 1;
    std::vector<double> x(len + 2 * (b.h + 1), 0.0), y(len, 0.0);
    double* mid = x.data() + b.h + 1; // zero padding: the response does not wrap
    mid[reach - 1] = kHannSide;
    mid[reach] = 1.0;
    mid[reach + 1] = kHannSide;
    for (int pass = 0; pass < 3; ++pass) {
        BoxPass(x.data(), y.data(), len, b);
        std::copy(y.begin(), y.end(), mid);
    }
    return y;
}

// -3 dB width of a response in bins, between the points where it crosses that
// level, interpolated in dB between whole bins as the width is read off a trace.
double Width3dBBins(const std::vector<double>& r) {
    const int c = static_cast<int>(r.size() / 2);
    const double level = 10.0 * std::log10(r[c]) - 3.0103;
    int k = c;
    while (k + 1 < static_cast<int>(r.size()) && r[k + 1] > 0.0 && 10.0 * std::log10(r[k + 1]) > level)
        ++k;
    if (k + 1 >= static_cast<int>(r.size()) || r[k + 1] <= 0.0)
        return 2.0 * (k - c + 1);
    const double dk = 10.0 * std::log10(r[k]), dn = 10.0 * std::log10(r[k + 1]);
    return 2.0 * (k - c + (dk - level) / (dk - dn));
}

// 10 log10(x) for a positive normal x, in plain arithmetic the compiler can run
// on several bins at once: x = z 2^k with z in [sqrt(1/2), sqrt(2)), ln z from
// its atanh series (|s| <= 0.172, error below 1e-12 dB).
inline double FastDb(double x) {
    constexpr std::uint64_t kSqrtHalf = 0x3FE6A09E667F3BCDull; // bits of sqrt(1/2)
    constexpr std::uint64_t kBias = 1023ull << 52;
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    const std::uint64_t e = (bits - kSqrtHalf + kBias) >> 52; // k + 1023
    const double z = std::bit_cast<double>(bits - (e << 52) + kBias);
    const double k = std::bit_cast<double>(0x4330000000000000ull | e) - 4503599627370496.0 - 1023.0;
    const double f = z - 1.0;
    const double s = f / (2.0 + f);
    const double s2 = s * s;
    const double series =
        s *
        (2.0 + s2 * (2.0 / 3.0 + s2 * (2.0 / 5.0 + s2 * (2.0 / 7.0 + s2 * (2.0 / 9.0 + s2 * (2.0 / 11.0))))));
    constexpr double kLn2 = 0.69314718055994530942;
    constexpr double kDbPerNeper = 4.34294481903251827651; // 10 / ln 10
    return kDbPerNeper * (k * kLn2 + series);
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
    // The block sizes of the instrument (factors 2, 3 and 5) go through our
    // own FFT; any other even size through KissFFT.
    MxFft fft;
    bool ownFft = false;
    std::vector<float> re, im;
    kiss_fft_cfg plan = nullptr;
    std::vector<kiss_fft_cpx> in, out;
    std::vector<float> window;
    double windowSum = 0.0;

    double filterClock = 0.0;
    int filterType = -1;
    MxRbwFilter filter;
    BoxShape box;

    std::vector<double> padA, padB; // the trace between filter passes, padded
    std::vector<double> power;
    std::vector<double> trace; // written beside the caller's, then swapped in as the latest

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
        plan = nullptr;
        n = points;
        ownFft = fft.Plan(n);
        if (ownFft) {
            re.assign(n, 0.0f);
            im.assign(n, 0.0f);
            in.clear();
            out.clear();
        } else {
            plan = kiss_fft_alloc(points, 0, nullptr, nullptr);
            in.assign(n, kiss_fft_cpx{});
            out.assign(n, kiss_fft_cpx{});
        }
        window.resize(n);
        windowSum = 0.0;
        for (int k = 0; k < n; ++k) {
            // Periodic Hann: whole-bin responses are exactly 1 and 1/4.
            const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * k / n);
            window[k] = static_cast<float>(w);
            windowSum += window[k];
        }
        power.assign(n, 0.0);
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
    return DesignRbwFilter(sampleClock, ResBWHz(resBWType), points).enbwBins;
}

MxRbwFilter MxSpectrumEngine::DesignRbwFilter(double sampleClock, double rbwHz, int points) {
    MxRbwFilter f;
    if (!(sampleClock > 0.0) || points < 1)
        return f;
    const double binHz = sampleClock / points;
    // A filter wider than half the span shows nothing more; the bound also keeps
    // an absurd sample clock from asking for a kernel of millions of bins.
    f.rbwBins = std::clamp(rbwHz / binHz, kMxMinRbwBins, std::max(kMxMinRbwBins, points / 2.0));
    // The width grows with the running means' width: find the one whose whole
    // response is rbwBins wide at -3 dB.
    double lo = 1.0, hi = 2.0 * f.rbwBins + 2.0;
    for (int it = 0; it < 60 && hi - lo > 1e-9 * hi; ++it) {
        const double mid = 0.5 * (lo + hi);
        (Width3dBBins(ResponseOf(mid)) < f.rbwBins ? lo : hi) = mid;
    }
    f.boxBins = 0.5 * (lo + hi);
    const std::vector<double> r = ResponseOf(f.boxBins);
    const double peak = r[r.size() / 2];
    // Peak at 1, so a carrier reads its own power; the noise bandwidth is the
    // sum of the whole response over the peak.
    f.gain = 1.0 / peak;
    f.enbwBins = kHannEnbwBins / peak;
    return f;
}

bool MxSpectrumEngine::ComputeSpectrum(const std::int16_t* i, const std::int16_t* q, int n, double* out) {
    if (!i || !q || !out || !ValidPoints(n))
        return false;
    const Settings s = Snapshot();

    std::lock_guard<std::mutex> computeLock(m_computeLock);
    Work& w = *m_work;
    w.Prepare(n);
    if (!w.ownFft && !w.plan) {
        w.n = 0; // try again with the next block
        return false;
    }
    if (w.filterType != s.resBWType || w.filterClock != s.sampleClock) {
        w.filter = DesignRbwFilter(s.sampleClock, ResBWHz(s.resBWType), n);
        w.box = ShapeOf(w.filter.boxBins);
        w.filterType = s.resBWType;
        w.filterClock = s.sampleClock;
        const std::size_t padded = static_cast<std::size_t>(n) + 2 * (w.box.h + 1);
        w.padA.assign(padded, 0.0);
        w.padB.assign(padded, 0.0);
    }

    // Inversion conjugates the samples, which mirrors the spectrum about the centre.
    constexpr float kScale = 1.0f / 32767.0f;
    const float qScale = (s.spectralInv ? -1.0f : 1.0f) * kScale;
    const float* win = w.window.data();
    // Bin b of the trace is FFT bin b - n/2: bin 0 at -span/2, n/2 at the centre.
    // In mW before averaging: blocks of one average may come at different full scales.
    const double norm = std::pow(10.0, s.fullScaleDbm / 10.0) / (w.windowSum * w.windowSum);
    const int half = n / 2;
    const int pad = w.box.h + 1;
    double* p = w.padA.data() + pad;
    if (w.ownFft) {
        float* re = w.re.data();
        float* im = w.im.data();
        for (int k = 0; k < n; ++k) {
            re[k] = win[k] * (static_cast<float>(i[k]) * kScale);
            im[k] = win[k] * (static_cast<float>(q[k]) * qScale);
        }
        w.fft.Forward(re, im);
        for (int b = 0; b < half; ++b) {
            p[b] = (static_cast<double>(re[b + half]) * re[b + half] +
                    static_cast<double>(im[b + half]) * im[b + half]) *
                   norm;
            p[b + half] = (static_cast<double>(re[b]) * re[b] + static_cast<double>(im[b]) * im[b]) * norm;
        }
    } else {
        kiss_fft_cpx* in = w.in.data();
        for (int k = 0; k < n; ++k) {
            in[k].r = win[k] * (static_cast<float>(i[k]) * kScale);
            in[k].i = win[k] * (static_cast<float>(q[k]) * qScale);
        }
        kiss_fft(w.plan, w.in.data(), w.out.data());
        const kiss_fft_cpx* x = w.out.data();
        for (int b = 0; b < half; ++b) {
            const kiss_fft_cpx lo = x[b + half], hi = x[b];
            p[b] = (static_cast<double>(lo.r) * lo.r + static_cast<double>(lo.i) * lo.i) * norm;
            p[b + half] = (static_cast<double>(hi.r) * hi.r + static_cast<double>(hi.i) * hi.i) * norm;
        }
    }
    // The resolution filter: three running means, circular over the span.
    Pad(w.padA.data(), n, pad);
    BoxPass(w.padA.data(), w.padB.data() + pad, n, w.box);
    Pad(w.padB.data(), n, pad);
    BoxPass(w.padB.data(), w.padA.data() + pad, n, w.box);
    Pad(w.padA.data(), n, pad);
    double* power = w.power.data();
    BoxPass(w.padA.data(), power, n, w.box);

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
    const double* avg = power;
    if (s.averageType == 1 && s.averageCount > 1) {
        w.averaged = std::min(w.averaged + 1, s.averageCount);
        const double a = 1.0 / w.averaged;
        double* sum = w.average.data();
        for (int b = 0; b < n; ++b)
            sum[b] += a * (power[b] - sum[b]);
        avg = sum;
    } else {
        w.averaged = 1;
    }

    const double offset = UnitOffsetDb(s.powerUnit);
    const double toMw = w.filter.gain;
    const double floorOut = kMxFloorDbm + offset;
    w.trace.resize(static_cast<std::size_t>(n));
    double* trace = w.trace.data();
    for (int b = 0; b < n; ++b) {
        // Both sides computed, then chosen: no branch, so the loop vectorises.
        const double v = avg[b] * toMw;
        const double db = FastDb(std::max(v, kFloorMw)) + offset;
        out[b] = trace[b] = v > kFloorMw ? db : floorOut;
    }

    std::lock_guard<std::mutex> resultLock(m_resultLock);
    m_lastTrace.swap(w.trace); // the older trace's buffer takes the next block
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
