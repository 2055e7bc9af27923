// Angle and position arithmetic of the rotary knob, kept free of any window.
#pragma once
#include <QPoint>

namespace ctl {

// Highest position the knob accepts (half a turn of a 0..2399 range).
constexpr int KNOB_POS_LIMIT = 1200;

// Degrees clockwise from the top where `pos` sits. A range with no room
// (max + 1 <= min) puts every position at the zero angle.
int KnobAngle(int pos, int min, int max, int zero, bool inverted);
// Knob centre on its circle for an angle.
QPoint KnobPoint(int angleDeg, QPoint centre, int radius, int knobRadius, bool inset);
// Degrees of a point relative to the centre, with the zero angle taken off (0..360).
double KnobAngleOfPoint(QPoint p, QPoint centre, bool inverted, int zero);
// Raw position of an angle over the range.
int KnobRawPos(double angleDeg, int min, int max);
// What a drag sets for a raw position: above the limit up to 1800 sticks at the
// limit, from 1800 on goes to 0 (the knob cannot pass the bottom of the dial).
int KnobDragPos(int raw);
// Key step with the range's wrap; returns the wrapped value (which may still lie
// outside 0..1200). A range with no room leaves `pos` as it is.
int KnobKeyStep(int pos, int step, int min, int max);

} // namespace ctl
