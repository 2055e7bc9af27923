#include "sim/synth/MxSignalSynth.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <regex>

#include "output/TestVectorCatalog.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
using cpx = std::complex<double>;

// Every signal but plain noise sits on a floor this far below its total power.
constexpr double kFloorDbc = -70.0;

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Counter-based random numbers: the value depends only on (seed, stream,
// index), so any block of samples can be made again on its own.
std::uint64_t Hash(std::uint64_t seed, std::uint64_t stream, std::uint64_t index) {
    return Mix(Mix(Mix(seed) ^ stream) ^ index);
}

double Uniform(std::uint64_t h) {
    return (static_cast<double>(h >> 11) + 0.5) * (1.0 / 9007199254740992.0);
}

// Complex Gaussian of unit power.
cpx Gauss(std::uint64_t seed, std::uint64_t stream, std::uint64_t index) {
    const double u1 = Uniform(Hash(seed, stream, 2 * index));
    const double u2 = Uniform(Hash(seed, stream, 2 * index + 1));
    const double r = std::sqrt(-std::log(u1)); // |z|^2 = -ln u1 has mean 1
    return std::polar(r, 2.0 * kPi * u2);
}

enum Stream : std::uint64_t { kWhite = 1, kBand = 2, kSymbols = 3, kPhases = 4 };

// In-place inverse DFT without scaling, size a power of two (OFDM symbols).
void InverseDft(std::vector<cpx>& a) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const cpx wl = std::polar(1.0, 2.0 * kPi / static_cast<double>(len));
        for (std::size_t i = 0; i < n; i += len) {
            cpx w(1.0, 0.0);
            for (std::size_t k = 0; k < len / 2; ++k) {
                const cpx u = a[i + k];
                const cpx v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= wl;
            }
        }
    }
}

bool IsAmName(std::string_view name) {
    static const std::regex am(R"(^(IB|CC|CC_TTN)_AM|_AM(_|r))");
    return std::regex_search(name.begin(), name.end(), am);
}

// strtod rather than stod: a name with absurdly many digits (a file renamed on
// the instrument) must not throw.
double Number(const std::string& text) {
    return std::strtod(text.c_str(), nullptr);
}

double KhzField(const std::string& field) {
    return field[0] == 'm' ? -Number(field.substr(1)) * 1000.0 : Number(field) * 1000.0;
}

} // namespace

MxSignalSpec MxDescribeSignal(std::string_view fileName) {
    return MxDescribeSignal(fileName, GetTestVectorDescriptionUtf8(fileName));
}

MxSignalSpec MxDescribeSignal(std::string_view fileName, std::string_view description) {
    MxSignalSpec s;
    const std::string name(fileName);
    const std::string desc(description);
    s.fm = !IsAmName(name);
    s.sampleClock = s.fm ? kMxFmSampleClock : kMxAmSampleClock;

    std::smatch m;
    static const std::regex twoCarriers(R"(_cw_(m?\d+(?:\.\d+)?)_(m?\d+(?:\.\d+)?)\.bin$)",
                                        std::regex::icase);
    static const std::regex oneCarrier(R"(_CW_(dc|[pm]\d+(?:\.\d+)?)(?:_|\.bin$))", std::regex::icase);
    static const std::regex describedOffset(R"(frequency offset = ([+-]?\d+(?:\.\d+)?) (k?)Hz)");
    static const std::regex band(R"(from ([+-]?\d+(?:\.\d+)?) kHz to ([+-]?\d+(?:\.\d+)?) kHz)");
    static const std::regex mode(R"(\b(MA[13]|MP[1-6])\b)");

    if (std::regex_search(name, m, twoCarriers)) {
        s.kind = MxSignalKind::Carriers;
        s.carrierOffsetsHz = {KhzField(m[1]), KhzField(m[2])};
    } else if (std::regex_search(name, m, oneCarrier)) {
        s.kind = MxSignalKind::Carriers;
        const std::string f = m[1];
        double hz = 0.0;
        if (f != "dc" && f != "DC")
            hz = (f[0] == 'm' || f[0] == 'M' ? -1.0 : 1.0) * Number(f.substr(1)) * 1000.0;
        else if (std::regex_search(desc, m, describedOffset))
            hz = Number(m[1]) * (m[2].length() ? 1000.0 : 1.0);
        s.carrierOffsetsHz = {hz};
    } else if (name.find("awgn") != std::string::npos || desc.rfind("White Gaussian noise", 0) == 0) {
        s.kind = MxSignalKind::Noise;
        s.noiseLowHz = -s.sampleClock / 2;
        s.noiseHighHz = s.sampleClock / 2;
        if (std::regex_search(desc, m, band)) {
            s.noiseLowHz = Number(m[1]) * 1000.0;
            s.noiseHighHz = Number(m[2]) * 1000.0;
        }
    } else {
        s.kind = MxSignalKind::Hybrid;
        if (std::regex_search(desc, m, mode) || std::regex_search(name, m, mode))
            s.serviceMode = m[1];
        const bool amMode = s.serviceMode.rfind("MA", 0) == 0;
        if (s.serviceMode.empty() || amMode == s.fm)
            s.serviceMode = s.fm ? "MP1" : "MA1";
    }

    // Offsets beyond the span would alias; keep them inside it.
    const double nyquist = s.sampleClock / 2;
    for (double& hz : s.carrierOffsetsHz)
        hz = std::clamp(hz, -nyquist, nyquist);
    s.noiseLowHz = std::clamp(s.noiseLowHz, -nyquist, nyquist);
    s.noiseHighHz = std::clamp(s.noiseHighHz, -nyquist, nyquist);
    if (s.noiseLowHz > s.noiseHighHz)
        std::swap(s.noiseLowHz, s.noiseHighHz);
    return s;
}

MxSignalSynth MxSignalSynth::ForFile(std::string_view fileName, double levelDbm, bool spectralInv,
                                     std::uint64_t seed, double fullScaleDbm) {
    // The name joins the seed, so two files never play the same noise.
    std::uint64_t h = seed;
    for (char c : fileName)
        h = Mix(h ^ static_cast<unsigned char>(c));
    return MxSignalSynth(MxDescribeSignal(fileName), levelDbm, spectralInv, h, fullScaleDbm);
}

MxSignalSynth::MxSignalSynth(MxSignalSpec spec, double levelDbm, bool spectralInv, std::uint64_t seed,
                             double fullScaleDbm)
    : m_spec(std::move(spec)), m_inv(spectralInv), m_seed(seed),
      m_fullScaleDbm(std::isfinite(fullScaleDbm) ? fullScaleDbm : kMxSynthFullScaleDbm) {
    if (!(m_spec.sampleClock > 0.0) || !std::isfinite(m_spec.sampleClock))
        m_spec.sampleClock = m_spec.fm ? kMxFmSampleClock : kMxAmSampleClock;
    if (!std::isfinite(levelDbm))
        levelDbm = -200.0;
    const double fs = m_spec.sampleClock;
    m_symbolSize = m_spec.fm ? 2048 : 256;
    m_prefix = m_spec.fm ? 112 : 14;

    double total = 0.0; // relative power
    auto addCarrier = [&](double hz, double amp) {
        m_carrierHz.push_back(hz);
        m_carrierAmp.push_back(amp);
        m_carrierPhase.push_back(2.0 * kPi * Uniform(Hash(m_seed, kPhases, m_carrierHz.size())));
        total += amp * amp;
    };

    switch (m_spec.kind) {
    case MxSignalKind::Noise: {
        const double width = m_spec.noiseHighHz - m_spec.noiseLowHz;
        if (width >= 0.98 * fs) {
            m_whiteSigma = 1.0;
        } else {
            const double bin = fs / m_symbolSize;
            m_bandLow = static_cast<int>(std::ceil(m_spec.noiseLowHz / bin));
            m_bandHigh = static_cast<int>(std::floor(m_spec.noiseHighHz / bin));
            m_bandSigma = m_bandHigh >= m_bandLow ? std::sqrt(1.0 / (m_bandHigh - m_bandLow + 1)) : 0.0;
        }
        total = 1.0;
        break;
    }
    case MxSignalKind::Carriers:
        for (double hz : m_spec.carrierOffsetsHz)
            addCarrier(hz, 1.0);
        break;
    case MxSignalKind::Hybrid: {
        addCarrier(0.0, 1.0); // the analog host
        auto addRange = [&](int from, int to, double dBc) {
            const double amp = std::pow(10.0, dBc / 20.0);
            for (int k = from; k <= to; ++k) {
                m_tones.push_back({k, amp});
                total += amp * amp;
            }
        };
        const std::string& mode = m_spec.serviceMode;
        if (m_spec.fm) {
            // Primary sidebands at 129.4..198.4 kHz, about -23 dBc each side;
            // extended partitions (19 subcarriers each) reach inwards.
            int extended = 0;
            if (mode == "MP2")
                extended = 1;
            else if (mode == "MP3" || mode == "MP6")
                extended = 2;
            else if (mode == "MP4" || mode == "MP5")
                extended = 4;
            const double perSub = -23.0 - 10.0 * std::log10(191.0);
            const int inner = 356 - 19 * extended;
            addRange(inner, 546, perSub);
            addRange(-546, -inner, perSub);
        } else if (mode == "MA3") {
            // All-digital: primary beside the carrier, secondary and tertiary outside.
            addRange(2, 26, -15.0);
            addRange(-26, -2, -15.0);
            addRange(28, 52, -30.0);
            addRange(-52, -28, -30.0);
        } else {
            // Hybrid: primary at 10.4..14.7 kHz, secondary and tertiary under the analog audio.
            addRange(57, 81, -30.0);
            addRange(-81, -57, -30.0);
            addRange(28, 52, -43.0);
            addRange(-52, -28, -43.0);
        }
        break;
    }
    }
    if (m_spec.kind != MxSignalKind::Noise) {
        const double floor = total * std::pow(10.0, kFloorDbc / 10.0);
        m_whiteSigma = std::sqrt(floor);
        total += floor;
    }
    m_gain =
        total > 0.0 ? 32767.0 * std::sqrt(std::pow(10.0, (levelDbm - m_fullScaleDbm) / 10.0) / total) : 0.0;
}

void MxSignalSynth::AddOfdm(std::uint64_t first, int count, std::vector<double>& re,
                            std::vector<double>& im) const {
    if (m_tones.empty())
        return;
    const int n = m_symbolSize;
    const std::uint64_t period = static_cast<std::uint64_t>(n + m_prefix);
    std::vector<cpx> sym(n);
    std::uint64_t current = ~0ull;
    for (int k = 0; k < count; ++k) {
        const std::uint64_t p = first + k;
        const std::uint64_t s = p / period;
        if (s != current) {
            std::fill(sym.begin(), sym.end(), cpx());
            for (std::size_t t = 0; t < m_tones.size(); ++t) {
                const std::uint64_t bits = Hash(m_seed, kSymbols, s * 4096 + t);
                const double a = m_tones[t].amp * std::sqrt(0.5);
                sym[(m_tones[t].k + n) % n] += cpx(bits & 1 ? a : -a, bits & 2 ? a : -a);
            }
            InverseDft(sym);
            current = s;
        }
        const int u = static_cast<int>(p % period);
        const cpx& x = sym[u < m_prefix ? n - m_prefix + u : u - m_prefix];
        re[k] += x.real();
        im[k] += x.imag();
    }
}

void MxSignalSynth::AddBandNoise(std::uint64_t first, int count, std::vector<double>& re,
                                 std::vector<double>& im) const {
    if (m_bandSigma <= 0.0)
        return;
    const int n = m_symbolSize;
    std::vector<cpx> sym(n);
    std::uint64_t current = ~0ull;
    for (int k = 0; k < count; ++k) {
        const std::uint64_t p = first + k;
        const std::uint64_t s = p / n;
        if (s != current) {
            std::fill(sym.begin(), sym.end(), cpx());
            for (int b = m_bandLow; b <= m_bandHigh; ++b)
                sym[(b + n) % n] =
                    m_bandSigma * Gauss(m_seed, kBand, s * 4096 + static_cast<std::uint64_t>(b + 2048));
            InverseDft(sym);
            current = s;
        }
        const cpx& x = sym[p % n];
        re[k] += x.real();
        im[k] += x.imag();
    }
}

void MxSignalSynth::Generate(std::uint64_t firstSample, int count, std::int16_t* i, std::int16_t* q) const {
    if (count <= 0 || !i || !q)
        return;
    std::vector<double> re(count, 0.0), im(count, 0.0);
    const double fs = m_spec.sampleClock;
    for (std::size_t c = 0; c < m_carrierHz.size(); ++c) {
        // Cycles since sample 0, reduced in long double so hours of play stay exact.
        const long double cyclesPerSample = static_cast<long double>(m_carrierHz[c]) / fs;
        for (int k = 0; k < count; ++k) {
            long double cycles = cyclesPerSample * static_cast<long double>(firstSample + k);
            cycles -= std::floor(cycles);
            const double ph = 2.0 * kPi * static_cast<double>(cycles) + m_carrierPhase[c];
            re[k] += m_carrierAmp[c] * std::cos(ph);
            im[k] += m_carrierAmp[c] * std::sin(ph);
        }
    }
    AddOfdm(firstSample, count, re, im);
    AddBandNoise(firstSample, count, re, im);
    if (m_whiteSigma > 0.0) {
        for (int k = 0; k < count; ++k) {
            const cpx g = m_whiteSigma * Gauss(m_seed, kWhite, firstSample + k);
            re[k] += g.real();
            im[k] += g.imag();
        }
    }
    auto toCount = [](double v) {
        return static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
    };
    const double qSign = m_inv ? -1.0 : 1.0; // conjugate: the spectrum mirrors
    for (int k = 0; k < count; ++k) {
        i[k] = toCount(re[k] * m_gain);
        q[k] = toCount(qSign * im[k] * m_gain);
    }
}
