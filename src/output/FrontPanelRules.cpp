#include "output/FrontPanelRules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace frontpanel {

namespace {
constexpr std::int64_t kRowWeights[kRowCells] = {
    1000000000LL, 0, 100000000LL, 10000000LL, 1000000LL, 0, 100000LL, 10000LL, 1000LL, 0, 100, 10, 1};
constexpr int kLevelWeights[kLevelCells] = {0, 1000, 100, 10, 0, 1};

bool InRow(int cell) {
    return cell >= 0 && cell < kRowCells;
}
bool InLevelRow(int cell) {
    return cell >= 0 && cell < kLevelCells;
}
} // namespace

CellKind RowCellKind(int cell, bool clockRow) {
    if (cell == 1 || cell == 5)
        return CellKind::Comma;
    if (cell == 9)
        return clockRow ? CellKind::Point : CellKind::Comma;
    return CellKind::Digit;
}

std::int64_t RowWeight(int cell) {
    return InRow(cell) ? kRowWeights[cell] : 0;
}

CellKind LevelCellKind(int cell) {
    if (cell == kLevelSignCell)
        return CellKind::Sign;
    if (cell == kLevelPointCell)
        return CellKind::Point;
    return CellKind::Digit;
}

int LevelWeight(int cell) {
    return InLevelRow(cell) ? kLevelWeights[cell] : 0;
}

CellBitmaps BitmapsOf(CellKind kind) {
    switch (kind) {
    case CellKind::Comma:
        return {kCommaHighlight, kCommaNormal};
    case CellKind::Point:
        return {kPointHighlight, kPointNormal};
    case CellKind::Sign:
        return {kSignHighlight, kSignNormal};
    case CellKind::Digit:
        break;
    }
    return {kDigitHighlight, kDigitNormal};
}

std::array<int, kRowCells> RowDigits(std::int64_t value) {
    std::array<int, kRowCells> out{};
    std::int64_t rest = value;
    for (int i = 0; i < kRowCells; ++i) {
        const std::int64_t w = kRowWeights[i];
        if (w == 0)
            continue;
        const std::int64_t d = rest / w;
        out[i] = static_cast<int>(std::clamp<std::int64_t>(d, 0, 9));
        rest -= d * w;
    }
    return out;
}

std::int64_t RowDigitAt(std::int64_t value, int cell) {
    std::int64_t rest = value;
    for (int i = 0; i < kRowCells; ++i) {
        const std::int64_t w = kRowWeights[i];
        if (w == 0)
            continue;
        const std::int64_t d = rest / w;
        if (i == cell)
            return d;
        rest -= d * w;
    }
    return 0;
}

std::array<int, kLevelCells> LevelCellValues(int level) {
    std::array<int, kLevelCells> out{};
    out[kLevelSignCell] = level < 0 ? 1 : 0;
    int rest = level;
    for (int i = 1; i < kLevelCells; ++i) {
        const int w = kLevelWeights[i];
        if (w == 0)
            continue;
        const int q = rest / w;
        out[i] = std::min(std::abs(q), 9);
        rest -= q * w;
    }
    return out;
}

int LevelDigitAt(int level, int cell) {
    int rest = level;
    for (int i = 1; i < kLevelCells; ++i) {
        const int w = kLevelWeights[i];
        if (w == 0)
            continue;
        const int q = rest / w;
        if (i == cell)
            return q;
        rest -= q * w;
    }
    return 0;
}

std::int64_t ClampLowFirst(std::int64_t v, std::int64_t lo, std::int64_t hi) {
    if (v < lo)
        v = lo;
    if (v > hi)
        v = hi;
    return v;
}

int ClampHighFirst(int v, int lo, int hi) {
    if (v > hi)
        return hi;
    return v < lo ? lo : v;
}

std::int64_t StepRowValue(std::int64_t value, int cell, bool up, std::int64_t lo, std::int64_t hi) {
    const std::int64_t w = RowWeight(cell);
    if (w == 0)
        return value;
    const std::int64_t next = up ? value + w : value - w;
    return (next < lo || next > hi) ? value : next;
}

std::int64_t TypeRowDigit(std::int64_t value, int cell, int ch) {
    const std::int64_t w = RowWeight(cell);
    if (w == 0 || ch < '0' || ch > '9')
        return value;
    return value + (ch - '0' - RowDigitAt(value, cell)) * w;
}

int StepLevelValue(int level, int cell, bool up, int lo, int hi) {
    const int w = LevelWeight(cell);
    if (w == 0)
        return level;
    return ClampHighFirst(up ? level + w : level - w, lo, hi);
}

int TypeLevelDigit(int level, int cell, int ch, int lo, int hi) {
    const int w = LevelWeight(cell);
    if (w == 0 || ch < '0' || ch > '9')
        return level;
    const int base = level - LevelDigitAt(level, cell) * w;
    const int digit = (ch - '0') * w;
    // The sign cell shows minus for a negative level: the digit counts away from zero.
    return ClampHighFirst(level < 0 ? base - digit : base + digit, lo, hi);
}

int NextRowCell(int cell, bool right) {
    if (!InRow(cell))
        return cell;
    int c = cell;
    do {
        c = right ? (c + 1) % kRowCells : (c + kRowCells - 1) % kRowCells;
    } while (kRowWeights[c] == 0);
    return c;
}

int NextLevelCell(int cell, bool right) {
    if (cell < 1 || cell >= kLevelCells)
        return cell;
    int c = cell;
    do {
        // Over cells 1..5: the sign cell is no stop.
        c = right ? (c % (kLevelCells - 1)) + 1 : ((c + kLevelCells - 3) % (kLevelCells - 1)) + 1;
    } while (kLevelWeights[c] == 0);
    return c;
}

int KnobPosForLevel(int level) {
    return 100 - level;
}

int LevelForKnobPos(int pos) {
    // 10 x trunc(10 - pos / 10): integer division truncates toward zero.
    return 10 * ((100 - pos) / 10);
}

double SaneClockKHz(double kHz) {
    if (!std::isfinite(kHz) || kHz <= 0)
        return 0;
    return std::min(kHz, static_cast<double>(kRowMax) / 1000.0);
}

bool UsableClockKHz(double kHz) {
    return std::isfinite(kHz) && kHz * 1000 + 0.5 >= 1.0 && kHz * 1000 <= static_cast<double>(kRowMax);
}

ClockRange ClockRangeFor(double kHz) {
    const double v = SaneClockKHz(kHz);
    auto hz = [](double x) {
        return std::min(static_cast<std::int64_t>(std::trunc(x * 1000 + 0.5)), kRowMax);
    };
    ClockRange r;
    r.clock = hz(v);
    r.max = hz(v + v * 0.001);
    r.min = hz(v - v * 0.001);
    return r;
}

bool ClockUnchanged(std::int64_t clockHz, double appliedKHz) {
    return ClockRangeFor(appliedKHz).clock == clockHz;
}

int LimitPowerOffset(int offset, int levelMin, int levelMax) {
    const long long lo = static_cast<long long>(-kLevelShowMax) - levelMin;
    const long long hi = static_cast<long long>(kLevelShowMax) - levelMax;
    if (lo > hi)
        return 0;
    return static_cast<int>(std::clamp<long long>(offset, lo, hi));
}

const std::array<ButtonEntry, 4> kStepButtons = {{
    {1546, "\\button_-5.bmp", -50},
    {1547, "\\button_-05.bmp", -5},
    {1548, "\\button_+05.bmp", 5},
    {1549, "\\button_+5.bmp", 50},
}};

const std::array<ButtonEntry, 10> kPresetButtons = {{
    {1552, "\\am530.bmp", 530000},
    {1553, "\\am820.bmp", 820000},
    {1554, "\\am1120.bmp", 1120000},
    {1555, "\\am1420.bmp", 1420000},
    {1556, "\\am1710.bmp", 1710000},
    {1557, "\\fm87.bmp", 87900000},
    {1558, "\\fm92.bmp", 92900000},
    {1559, "\\fm97.bmp", 97900000},
    {1560, "\\fm102.bmp", 102900000},
    {1561, "\\fm107.bmp", 107900000},
}};

int ButtonValue(UINT id) {
    for (const ButtonEntry& b : kStepButtons)
        if (b.id == id)
            return b.value;
    for (const ButtonEntry& b : kPresetButtons)
        if (b.id == id)
            return b.value;
    return 0;
}

std::uint32_t FrequencyPayload(std::int64_t clampedHz) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(clampedHz) & 0xFFFFFFFFu);
}

std::int16_t LevelPayload(int shownLevel, int powerOffset) {
    return static_cast<std::int16_t>(shownLevel - powerOffset);
}

double ClockPayload(std::int64_t clockHz) {
    return static_cast<double>(clockHz) / 1000.0;
}

} // namespace frontpanel
