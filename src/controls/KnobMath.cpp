#include "controls/KnobMath.h"

#include <cmath>

namespace ctl {
namespace {
constexpr double kPi = 3.141592653589793;
}

int KnobAngle(int pos, int min, int max, int zero, bool inverted) {
    const long long span = static_cast<long long>(max) + 1 - min;
    long long a = 0;
    if (span > 0)
        a = (static_cast<long long>(pos) - min) * 360 / span;
    a = (a + zero + 360) % 360;
    if (a < 0)
        a += 360;
    if (inverted)
        a = 360 - a;
    return static_cast<int>(a);
}

QPoint KnobPoint(int angleDeg, QPoint centre, int radius, int knobRadius, bool inset) {
    const double rad = angleDeg * kPi / 180.0;
    if (inset) {
        const double r = radius - knobRadius;
        return QPoint(static_cast<int>(std::sin(rad) * r + centre.x() + 0.5),
                      static_cast<int>(centre.y() - std::cos(rad) * r + 0.5));
    }
    const double r = radius;
    return QPoint(static_cast<int>(std::sin(rad) * r + centre.x()),
                  static_cast<int>(centre.y() - std::cos(rad) * r));
}

double KnobAngleOfPoint(QPoint p, QPoint centre, bool inverted, int zero) {
    double dx = p.x() - centre.x();
    const double dy = p.y() - centre.y();
    if (inverted)
        dx = -dx;
    double angle;
    if (dx != 0.0) {
        const double t = std::atan(-(dy / dx));
        angle = 90.0 - t * 180.0 / kPi;
        if (dx < 0)
            angle += 180.0;
    } else {
        angle = dy >= 0 ? 180.0 : 0.0;
    }
    angle -= zero;
    while (angle < 0)
        angle += 360.0;
    while (angle >= 360.0)
        angle -= 360.0;
    return angle;
}

int KnobRawPos(double angleDeg, int min, int max) {
    const double span = static_cast<double>(max) + 1.0 - static_cast<double>(min);
    return min + static_cast<int>(std::trunc(span * angleDeg / 360.0));
}

int KnobDragPos(int raw) {
    if (raw > KNOB_POS_LIMIT && raw < 1800)
        return KNOB_POS_LIMIT;
    if (raw >= 1800)
        return 0;
    return raw;
}

int KnobKeyStep(int pos, int step, int min, int max) {
    const long long span = static_cast<long long>(max) + 1 - min;
    if (span <= 0)
        return pos;
    long long p = static_cast<long long>(pos) + step;
    if (p < min)
        p += ((min - p + span - 1) / span) * span;
    if (p >= static_cast<long long>(max) + 1)
        p -= ((p - (static_cast<long long>(max) + 1)) / span + 1) * span;
    return static_cast<int>(p);
}

} // namespace ctl
