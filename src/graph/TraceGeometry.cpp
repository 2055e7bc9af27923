#include "graph/TraceGeometry.h"

#include <QImage>
#include <QRect>
#include <algorithm>
#include <climits>
#include <cmath>

namespace vg {
namespace {

// floor() as an int without a library call; the values here are pixel positions,
// and anything outside the int range is clamped first.
inline int FloorInt(double x) {
    if (std::isnan(x))
        return 0;
    x = std::clamp(x, -2.0e9, 2.0e9);
    const int t = static_cast<int>(x);
    return t - (x < double(t) ? 1 : 0);
}

inline double PixelY(const TraceMap& m, double v) {
    double y = m.yTop + (m.yMax - v) * m.ky;
    // Off-scale samples stick to the edge instead of overflowing the int conversion.
    return std::clamp(y, double(m.clipTop - 2), double(m.clipBottom + 2));
}

inline std::uint32_t ByteMul(std::uint32_t x, std::uint32_t a) {
    std::uint32_t t = (x & 0xff00ff) * a;
    t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = (x + ((x >> 8) & 0xff00ff) + 0x800080);
    x &= 0xff00ff00;
    return x | t;
}

} // namespace

bool VisibleRange(const TraceMap& m, int n, int& i0, int& i1) {
    if (n <= 0 || m.cols <= 0 || !(m.a > 0.0) || !std::isfinite(m.a) || !std::isfinite(m.b))
        return false;
    double lo = std::ceil((-0.5 - m.b) / m.a);
    double hi = std::floor((m.cols - 0.5 - m.b) / m.a);
    lo = std::clamp(lo, 0.0, double(n - 1) + 1.0);
    hi = std::clamp(hi, -1.0, double(n - 1));
    i0 = static_cast<int>(lo);
    i1 = static_cast<int>(hi);
    return i0 <= i1;
}

bool IsDense(const TraceMap& m, int n) {
    int i0 = 0, i1 = -1;
    if (!VisibleRange(m, n, i0, i1))
        return false;
    return (i1 - i0 + 1) > m.cols;
}

void ReduceToSpans(const TraceMap& m, const double* v, int n, std::vector<Span>& out,
                   std::vector<int>& scratch) {
    out.clear();
    int i0 = 0, i1 = -1;
    if (!v || !VisibleRange(m, n, i0, i1))
        return;
    (void)scratch; // kept in the signature for callers that reuse buffers
    auto colOf = [&](int i) { return FloorInt(m.a * i + m.b + 0.5); };
    auto toPixel = [&](double val) { return FloorInt(PixelY(m, val) + 0.5); };
    out.reserve(static_cast<std::size_t>(m.cols));
    const double inverseA = 1.0 / m.a;
    bool havePrev = false;
    int prevLast = 0;
    int i = i0;
    for (int c = std::max(0, colOf(i0)); c < m.cols && i <= i1; ++c) {
        // Points of this column: a run of indexes, found from the closed form and
        // nudged so that it agrees exactly with colOf at the edges.
        int end = std::clamp(-FloorInt(-((c + 0.5 - m.b) * inverseA)) - 1, i - 1, i1);
        while (end + 1 <= i1 && colOf(end + 1) <= c)
            ++end;
        while (end >= i && colOf(end) > c)
            --end;
        if (end < i)
            continue;
        // Samples are compared as values; NaN fails both tests and so is skipped.
        double lo = INFINITY, hi = -INFINITY;
        for (int j = i; j <= end; ++j) {
            const double x = v[j];
            lo = x < lo ? x : lo;
            hi = x > hi ? x : hi;
        }
        int lastIdx = end;
        while (lastIdx >= i && std::isnan(v[lastIdx]))
            --lastIdx;
        i = end + 1;
        if (!(lo <= hi)) {
            havePrev = false; // a column of gaps breaks the line
            continue;
        }
        int y0 = toPixel(hi), y1 = toPixel(lo);
        if (havePrev) {
            y0 = std::min(y0, prevLast);
            y1 = std::max(y1, prevLast);
        }
        out.push_back({m.left + c, y0, y1});
        prevLast = toPixel(v[lastIdx]);
        havePrev = true;
    }
}

void BuildSegments(const TraceMap& m, const double* v, int n, std::vector<Segment>& out) {
    out.clear();
    int i0 = 0, i1 = -1;
    if (!v || !VisibleRange(m, n, i0, i1))
        return;
    // One point beyond each side so the line runs to the plot's edge.
    i0 = std::max(0, i0 - 1);
    i1 = std::min(n - 1, i1 + 1);
    bool havePrev = false;
    double px = 0, py = 0;
    for (int i = i0; i <= i1; ++i) {
        double val = v[i];
        if (std::isnan(val)) {
            havePrev = false;
            continue;
        }
        double x = m.left + m.a * i + m.b;
        double y = PixelY(m, val);
        if (havePrev)
            out.push_back({px, py, x, y});
        else if (i0 == i1)
            out.push_back({x, y, x, y});
        px = x;
        py = y;
        havePrev = true;
    }
}

void BlendSpans(QImage& img, const QRect& clip, const std::vector<Span>& spans, std::uint32_t argb) {
    if (spans.empty() || img.format() != QImage::Format_ARGB32_Premultiplied)
        return;
    const QRect r = clip.intersected(img.rect());
    if (r.isEmpty())
        return;
    const std::uint32_t alpha = argb >> 24;
    if (alpha == 0)
        return;
    const std::uint32_t src = qPremultiply(argb);
    const std::uint32_t inv = 255 - alpha;
    const qsizetype stride = img.bytesPerLine() / 4;
    auto* bits = reinterpret_cast<std::uint32_t*>(img.bits());
    for (const Span& s : spans) {
        if (s.x < r.left() || s.x > r.right())
            continue;
        int y0 = std::max(s.y0, r.top());
        int y1 = std::min(s.y1, r.bottom());
        std::uint32_t* p = bits + qsizetype(y0) * stride + s.x;
        if (inv == 0) {
            for (int y = y0; y <= y1; ++y, p += stride)
                *p = src;
        } else {
            for (int y = y0; y <= y1; ++y, p += stride)
                *p = src + ByteMul(*p, inv);
        }
    }
}

} // namespace vg
