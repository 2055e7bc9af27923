#include "controls/SliderMath.h"

#include <climits>

namespace ctl {
namespace {
// Truncates toward zero; out-of-range values saturate instead of overflowing.
int Trunc(double v) {
    if (!(v == v))
        return 0;
    if (v >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (v <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(v);
}
} // namespace

int SliderPosToPixel(const SliderAxis& a, int pos) {
    const int half = a.thumb / 2;
    const double span = static_cast<double>(a.max) - static_cast<double>(a.min);
    if (span == 0.0)
        return half + a.marginLow;
    const double travel = static_cast<double>(a.length - a.marginHigh - a.thumb - a.marginLow);
    const double frac = (static_cast<double>(pos) - static_cast<double>(a.min)) / span;
    return half + Trunc(travel * frac) + a.marginLow;
}

int SliderPixelToPos(const SliderAxis& a, int pixel) {
    const double travel = static_cast<double>(a.length - a.marginHigh - a.marginLow - a.thumb);
    const double span = static_cast<double>(a.max) - static_cast<double>(a.min);
    if (travel == 0.0 || span == 0.0)
        return a.min;
    const double v =
        static_cast<double>(pixel - a.thumb / 2 - a.marginLow) / travel * span + static_cast<double>(a.min);
    return Trunc(v);
}

int SliderClampDragPixel(const SliderAxis& a, int pixel, bool vertical) {
    const int lo = a.marginLow + a.thumb / 2;
    const int hi = a.length - a.marginHigh - a.thumb / 2;
    int p = pixel;
    if (vertical) {
        if (p > hi)
            p = hi;
        if (p < lo)
            p = lo;
    } else {
        if (p < lo)
            p = lo;
        if (p > hi)
            p = hi;
    }
    return p;
}

int SliderNormalisePos(int pos, int min, int max, bool digitMode) {
    if (digitMode) {
        if (pos > max)
            pos = min;
        if (pos < min)
            pos = max;
    } else {
        if (pos > max)
            pos = max;
        if (pos < min)
            pos = min;
    }
    return pos;
}

} // namespace ctl
