#include "app/WindowPositions.h"

#include <algorithm>

#include "platform/Profile.h"

namespace WindowPositions {

namespace {
struct PosDef {
    const char* section;
    RECT rc;
};
constexpr PosDef kDefs[WINDOW_POS_COUNT] = {
    {"MxMainPos", {66, 87, 1026, 832}},    {"MxSpectrumPos", {0, 0, 474, 270}},
    {"MxMPowerPos", {474, 270, 948, 540}}, {"MxGpsPos", {474, 0, 948, 270}},
    {"MxIQPos", {0, 270, 474, 540}},       {"MxGoogleMapPos", {474, 0, 948, 270}},
};
constexpr int kMinVisible = 50;
} // namespace

QString SectionName(int id) {
    if (id < 0 || id >= WINDOW_POS_COUNT)
        return QString();
    return QString::fromLatin1(kDefs[id].section);
}

RECT DefaultRect(int id) {
    if (id < 0 || id >= WINDOW_POS_COUNT)
        return RECT{};
    return kDefs[id].rc;
}

void Load(RECT (&rects)[WINDOW_POS_COUNT]) {
    for (int i = 0; i < WINDOW_POS_COUNT; ++i) {
        const QString sec = SectionName(i);
        const RECT& def = kDefs[i].rc;
        RECT rc;
        rc.left = Profile::GetProfileInt(sec, QStringLiteral("Left"), def.left);
        rc.top = Profile::GetProfileInt(sec, QStringLiteral("Top"), def.top);
        rc.right = Profile::GetProfileInt(sec, QStringLiteral("Right"), def.right);
        rc.bottom = Profile::GetProfileInt(sec, QStringLiteral("Bottom"), def.bottom);
        if (rc.left < 0 || rc.top < 0 || rc.right < 0 || rc.bottom < 0)
            rc = def;
        rects[i] = rc;
    }
}

bool Save(const RECT (&rects)[WINDOW_POS_COUNT]) {
    for (const RECT& rc : rects)
        if (rc.left < 0 || rc.top < 0 || rc.right < 0 || rc.bottom < 0)
            return false;
    for (int i = 0; i < WINDOW_POS_COUNT; ++i) {
        const QString sec = SectionName(i);
        Profile::WriteProfileInt(sec, QStringLiteral("Left"), rects[i].left);
        Profile::WriteProfileInt(sec, QStringLiteral("Top"), rects[i].top);
        Profile::WriteProfileInt(sec, QStringLiteral("Right"), rects[i].right);
        Profile::WriteProfileInt(sec, QStringLiteral("Bottom"), rects[i].bottom);
    }
    Profile::Flush();
    return true;
}

bool IsZero(const RECT& rc) {
    return rc.left == 0 && rc.top == 0 && rc.right == 0 && rc.bottom == 0;
}

QRect ToQRect(const RECT& rc) {
    return QRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}

RECT FromQRect(const QRect& r) {
    return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

QRect BringOnScreen(const QRect& rect, const std::vector<QRect>& screens) {
    if (screens.empty())
        return rect;
    for (const QRect& s : screens) {
        const QRect seen = s.intersected(rect);
        if (seen.width() >= std::min(kMinVisible, rect.width()) &&
            seen.height() >= std::min(kMinVisible, rect.height()) && !seen.isEmpty())
            return rect;
    }
    const QRect& home = screens.front();
    const int w = std::clamp(rect.width(), 1, home.width());
    const int h = std::clamp(rect.height(), 1, home.height());
    // Keep the offset inside the screen where it fits; otherwise pin to its corner.
    int x = std::clamp(rect.left(), home.left(), home.left() + home.width() - w);
    int y = std::clamp(rect.top(), home.top(), home.top() + home.height() - h);
    return QRect(x, y, w, h);
}

} // namespace WindowPositions
