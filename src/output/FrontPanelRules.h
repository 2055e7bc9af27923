// The front panel's rules without a window: control ids, the digit rows and
// their weights, stepping and typing digits, the clamps, the knob mapping, the
// sample clock window, the file power offset, the button tables and the
// command payloads.
#pragma once
#include <array>
#include <cstdint>

#include "winbase/WinTypes.h"

namespace frontpanel {

// Control ids of the panel's template.
constexpr UINT kBackgroundId = 1514;
constexpr UINT kFreqFirst = 1526, kFreqLast = 1538;
constexpr UINT kLevelFirst = 1539, kLevelLast = 1544; // 1539 sign, 1543 point
constexpr UINT kClockFirst = 1562, kClockLast = 1574;
constexpr UINT kStepFirst = 1546, kStepLast = 1549;
constexpr UINT kKnobId = 1550;
constexpr UINT kPresetFirst = 1552, kPresetLast = 1561;

// One-shot send timers of the panel, and their delay.
constexpr UINT_PTR kFreqTimer = 0, kLevelTimer = 1, kClockTimer = 2;
constexpr UINT kSendDelayMs = 300;

constexpr int kRowCells = 13;
constexpr int kLevelCells = 6;
constexpr int kLevelSignCell = 0;
constexpr int kLevelPointCell = 4;

// Bitmap bases: a cell shows base + value.
constexpr UINT kDigitHighlight = 467, kDigitNormal = 480;
constexpr UINT kCommaHighlight = 466, kCommaNormal = 465;
constexpr UINT kPointHighlight = 477, kPointNormal = 490;
constexpr UINT kSignHighlight = 478, kSignNormal = 491;

// Largest value ten digit cells show, and the largest level (tenths) three
// integer digits and a decimal show.
constexpr std::int64_t kRowMax = 9999999999LL;
constexpr int kLevelShowMax = 9999;

// Device level limits the panel works with (tenths of dB at the instrument), and
// the offset between shown and device level until a file is applied.
constexpr int kDeviceLevelMin = -900, kDeviceLevelMax = 300;
constexpr int kDefaultPowerOffset = -200;
// The shown level range with that offset: -110.0 to +10.0 dBm, the dial's scale.
constexpr int kShownLevelMin = kDeviceLevelMin + kDefaultPowerOffset;
constexpr int kShownLevelMax = kDeviceLevelMax + kDefaultPowerOffset;

enum class CellKind { Digit, Comma, Point, Sign };

// Cells 1, 5 and 9 of a 13-cell row are separators; in the sample clock row the
// last of them is the point.
CellKind RowCellKind(int cell, bool clockRow);
// Weight of a row cell in Hz; 0 for a separator or a cell outside the row.
std::int64_t RowWeight(int cell);
CellKind LevelCellKind(int cell);
// Weight of a level cell in tenths of dB; 0 for the sign, the point and outside.
int LevelWeight(int cell);
// Bitmap bases of a kind.
struct CellBitmaps {
    UINT highlight;
    UINT normal;
};
CellBitmaps BitmapsOf(CellKind kind);

// Digit of each row cell as shown, left to right (separators 0), each 0..9.
std::array<int, kRowCells> RowDigits(std::int64_t value);
// The cell's digit, found by dividing the value down the row up to the cell.
std::int64_t RowDigitAt(std::int64_t value, int cell);
// Sign (0 plus, 1 minus), digits 0..9 and the point (0) of a level.
std::array<int, kLevelCells> LevelCellValues(int level);
// The cell's signed digit, by signed division down the row.
int LevelDigitAt(int level, int cell);

// Below the minimum: the minimum; then above the maximum: the maximum.
std::int64_t ClampLowFirst(std::int64_t v, std::int64_t lo, std::int64_t hi);
// Above the maximum: the maximum; else at least the minimum.
int ClampHighFirst(int v, int lo, int hi);

// Up or down by the cell's weight; a value that would leave [lo, hi] stays.
std::int64_t StepRowValue(std::int64_t value, int cell, bool up, std::int64_t lo, std::int64_t hi);
// The cell's digit replaced by ch ('0'..'9'); no limit check (the send clamps).
std::int64_t TypeRowDigit(std::int64_t value, int cell, int ch);
// Level steps and typed digits, clamped into [lo, hi].
int StepLevelValue(int level, int cell, bool up, int lo, int hi);
int TypeLevelDigit(int level, int cell, int ch, int lo, int hi);

// Next digit cell to the right or left in a 13-cell row, over the separators,
// wrapping at the ends.
int NextRowCell(int cell, bool right);
// The same over the level row's digits (cells 1, 2, 3 and 5).
int NextLevelCell(int cell, bool right);

// Knob position for a level and the whole-dB level of a dragged position.
int KnobPosForLevel(int level);
int LevelForKnobPos(int pos);
// One knob step (key or wheel) is one whole dB.
constexpr int kKnobStep = 10;

// The clock of a file (kHz) in Hz, and the ±0.1 % it may be moved within.
struct ClockRange {
    std::int64_t clock = 0, min = 0, max = 0;
};
ClockRange ClockRangeFor(double kHz);
// A file clock the panel can show: a number, 0 or more, at most kRowMax Hz.
double SaneClockKHz(double kHz);
// A file clock that can stand for the instrument's: a number of at least 1 Hz
// and at most kRowMax Hz at the panel's resolution. Anything else is no clock,
// and the one in use stays.
bool UsableClockKHz(double kHz);
// True when clockHz is the clock already applied (kHz) at the panel's resolution.
bool ClockUnchanged(std::int64_t clockHz, double appliedKHz);

// A file power offset limited so that the shown level range stays within what
// the level cells show.
int LimitPowerOffset(int offset, int levelMin, int levelMax);

// Step and preset buttons: id, image file (appended to the image folder) and value.
struct ButtonEntry {
    UINT id;
    const char* file;
    int value; // step in tenths of dB, or frequency in Hz
};
extern const std::array<ButtonEntry, 4> kStepButtons;
extern const std::array<ButtonEntry, 10> kPresetButtons;
// Value of a button id, or 0 when the id is none of that table.
int ButtonValue(UINT id);

// Payloads of the three commands.
std::uint32_t FrequencyPayload(std::int64_t clampedHz);
std::int16_t LevelPayload(int shownLevel, int powerOffset);
double ClockPayload(std::int64_t clockHz);

} // namespace frontpanel
