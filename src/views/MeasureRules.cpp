#include "views/MeasureRules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace MeasureRules {

namespace {

bool DirectionDown(int direction) {
    return std::int16_t(std::uint16_t(unsigned(direction) & 0xFFFFu)) < 0;
}

std::string Bounded(std::size_t size, const char* fmt, auto... args) {
    std::string buf(size, '\0');
    const int n = std::snprintf(buf.data(), size, fmt, args...);
    buf.resize(n < 0 ? 0 : std::min<std::size_t>(std::size_t(n), size - 1));
    return buf;
}

} // namespace

std::optional<ShownBins> SpectrumShownBins(int n, int e, int arraySize) {
    if (n <= 0 || n > arraySize || e < 0 || n - e <= 0)
        return std::nullopt;
    return ShownBins{e / 2, n - e};
}

int IQPointCount(int n, int arraySize) {
    return std::clamp(n, 0, arraySize);
}

int PeakIndex(const double* bins, int count) {
    double best = -200.0;
    int at = -1;
    for (int i = 0; i < count; ++i) {
        if (bins[i] > best) {
            best = bins[i];
            at = i;
        }
    }
    return at;
}

XRange SpectrumXRange(std::uint32_t centreHz, double sampleClock, double xScale) {
    // A scale the library did not give (0, NaN) would put the axis at infinity.
    if (!std::isfinite(xScale) || xScale == 0.0)
        xScale = 1.0;
    const double f = double(centreHz);
    return XRange{(f - 0.4 * sampleClock) / xScale, (f + 0.4 * sampleClock) / xScale};
}

const char* PowerUnitText(int unit) {
    switch (unit) {
    case 0:
        return "dBm";
    case 1:
        return "dBmV";
    default:
        return "dBuV";
    }
}

std::string MarkerText(int k, int m, const float freq[4], const float level[4], int unit) {
    constexpr std::size_t kSize = 200;
    if (k == 0) {
        if (m == 0)
            return "M1: Click Mouse";
        const double mhz = double(freq[0]) / 1000000.0;
        const double lvl = double(level[0]);
        switch (unit) {
        case 0:
            return Bounded(kSize, "M1: %.3fMHz, %.1fdBm", mhz, lvl);
        case 1:
            return Bounded(kSize, "M1: %.3fMHz, %.1fdBmV", mhz, lvl);
        default:
            return Bounded(kSize, "M1: %.3fMHz, %.1fdBuV", mhz, lvl);
        }
    }
    if (k < m) {
        const float df = (freq[0] - freq[k]) / 1000000.0f;
        const float dl = level[0] - level[k];
        return Bounded(kSize, "M1-M%d: %.3fMHz, %.1fdB", k + 1, double(df), double(dl));
    }
    return Bounded(kSize, "M1-M%d: Click Mouse", k + 1);
}

std::string BandPowerText(double power, int unit) {
    constexpr std::size_t kSize = 32;
    switch (unit) {
    case 0:
        return Bounded(kSize, "%.3fdBm", power);
    case 1:
        return Bounded(kSize, "%.3fdBmV", power);
    default:
        return Bounded(kSize, "%.3fdBuV", power);
    }
}

std::string GainText(std::int16_t gainTenths) {
    return Bounded(64, "Gain:%.1f dB", double(float(gainTenths) / 10.0f));
}

std::optional<double> IQTimeScale(int n, double sampleClock) {
    if (n <= 0 || !std::isfinite(sampleClock) || sampleClock <= 0.0)
        return std::nullopt;
    return double(n - 1) / sampleClock * 1000.0 * 1000.0 / double(n);
}

YRange LevelRange(int storedLevelTenths, bool fm, int unitOffsetDb) {
    // Held in 16 bits as the level is, but clamped rather than wrapped: a stored
    // level far out of range must not flip the graph to the other end.
    auto cut = [](long v) { return long(std::clamp<long>(v, INT16_MIN, INT16_MAX)); };
    long level = cut(storedLevelTenths);
    if (fm)
        level = cut(level - 100);
    const long top = cut(level + long(std::trunc(float(unitOffsetDb) * 10.0f)));
    const float t = float(double(top) / 10.0);
    return YRange{double(float(double(t) - 100.0)), double(t)};
}

std::optional<std::int16_t> GainFromTyped(double value, int levelMin, int levelMax) {
    if (!std::isfinite(value))
        return std::nullopt;
    const double tenths = value >= 0.0 ? (value + 0.05) * 10.0 : (value - 0.05) * 10.0;
    // Clamped before the cut to 16 bits, which would otherwise wrap a big number.
    double t = std::trunc(tenths);
    t = std::min(t, double(levelMax));
    t = std::max(t, double(levelMin));
    t = std::clamp(t, double(INT16_MIN), double(INT16_MAX));
    return std::int16_t(t);
}

std::int16_t StepGain(std::int16_t gain, int direction, int levelMin, int levelMax) {
    int g = int(gain) + (DirectionDown(direction) ? -1 : 1);
    if (g > levelMax)
        g = levelMax;
    if (g < levelMin)
        g = levelMin;
    return std::int16_t(std::clamp(g, int(INT16_MIN), int(INT16_MAX)));
}

bool StepYBounds(GraphDataInfo& info, int index, int direction) {
    const double step = info.m_dYStep;
    if (!std::isfinite(step) || step <= 0.0)
        return false;
    const double d = DirectionDown(direction) ? -step : step;
    double lo = info.m_dYMin, hi = info.m_dYMax;
    switch (index) {
    case kTextYMin:
        lo += d;
        break;
    case kTextYMax:
        hi += d;
        break;
    case kTextYCenter:
        lo += d;
        hi += d;
        break;
    default:
        return false;
    }
    if (!(lo < hi) || !std::isfinite(lo) || !std::isfinite(hi))
        return false;
    info.m_dYMin = lo;
    info.m_dYMax = hi;
    return true;
}

bool SetYBound(GraphDataInfo& info, int index, double value) {
    if (!std::isfinite(value))
        return false;
    if (index == kTextYMin && double(info.m_dYMax) > value) {
        info.m_dYMin = value;
        return true;
    }
    if (index == kTextYMax && double(info.m_dYMin) < value) {
        info.m_dYMax = value;
        return true;
    }
    return false;
}

std::optional<double> ParseNumber(const std::string& text) {
    const std::size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos)
        return std::nullopt;
    const std::size_t e = text.find_last_not_of(" \t");
    const std::string s = text.substr(b, e - b + 1);
    // Only plain decimal forms: no hex, no "inf"/"nan".
    if (s.find_first_not_of("0123456789+-.eE") != std::string::npos)
        return std::nullopt;
    // from_chars: the C locale's decimal point whatever the user's locale is.
    const char* first = s.c_str();
    if (*first == '+' && first[1] != '-' && first[1] != '+')
        ++first;
    double v = 0.0;
    const auto r = std::from_chars(first, s.c_str() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.c_str() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

} // namespace MeasureRules
