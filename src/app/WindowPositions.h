// The six saved window rectangles and their profile sections.
#pragma once
#include <QRect>
#include <QString>
#include <vector>

#include "winbase/WinTypes.h"

enum WindowPosId : int {
    WINDOW_POS_MAIN = 0,
    WINDOW_POS_SPECTRUM = 1,
    WINDOW_POS_MPOWER = 2,
    WINDOW_POS_GPS = 3,
    WINDOW_POS_IQ = 4,
    WINDOW_POS_GOOGLEMAP = 5,
    WINDOW_POS_COUNT = 6,
};

namespace WindowPositions {

QString SectionName(int id);
RECT DefaultRect(int id);

// Any negative value read for a rectangle gives it all four defaults.
void Load(RECT (&rects)[WINDOW_POS_COUNT]);
// Writes all 24 values, or nothing when any of them is negative.
bool Save(const RECT (&rects)[WINDOW_POS_COUNT]);

bool IsZero(const RECT& rc);
QRect ToQRect(const RECT& rc);
RECT FromQRect(const QRect& r);

// A saved rectangle that shows on no screen (at least a 50 x 50 corner of it) is
// moved, and shrunk where needed, onto the first screen's available area so the
// window can be reached; one that shows keeps its place.
QRect BringOnScreen(const QRect& rect, const std::vector<QRect>& screens);

} // namespace WindowPositions
