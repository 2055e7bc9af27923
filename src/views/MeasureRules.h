// The measurement windows' rules, without a window: the spectrum's shown bins and
// frequency axis, peak search, the marker and band-power read-outs, the I/Q time
// axis, the level ranges, and the steps and typed values of the graph's bounds
// and gain.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "graph/VarolGraph.h"

namespace MeasureRules {

// The bins of a spectrum block that the graph shows: e / 2 cut at the bottom and
// the rest of the e excluded ones at the top.
struct ShownBins {
    int first = 0;
    int count = 0;
};
// Nothing to show (nullopt) when n - e is not positive or n does not fit the arrays.
std::optional<ShownBins> SpectrumShownBins(int n, int e, int arraySize);
// I and Q points of a block that the sample arrays hold.
int IQPointCount(int n, int arraySize);

// Index of the highest of count bins, the first of equal maxima; -1 when none is
// above the floor (-200).
int PeakIndex(const double* bins, int count);

// Frequency axis of the spectrum: centre +- 0.4 x clock, in x units of the graph.
struct XRange {
    double min = 0.0;
    double max = 0.0;
};
XRange SpectrumXRange(std::uint32_t centreHz, double sampleClock, double xScale);

// "dBm", "dBmV" or "dBuV" (any other unit).
const char* PowerUnitText(int unit);

// Read-out of marker k (0..3) when the first m markers are set.
std::string MarkerText(int k, int m, const float freq[4], const float level[4], int unit);
std::string BandPowerText(double power, int unit);
std::string GainText(std::int16_t gainTenths);

// Time per I/Q point from the sample clock (samples per second), in the graph's x
// units (microseconds); nullopt when the clock or the point count is unusable.
std::optional<double> IQTimeScale(int n, double sampleClock);

// Level range from the stored output level (tenths of dB): the top is the level
// (100 lower for an FM file) shifted by the unit's offset, 100 dB below it the bottom.
struct YRange {
    double min = 0.0;
    double max = 0.0;
};
YRange LevelRange(int storedLevelTenths, bool fm, int unitOffsetDb);

// Gain in tenths from a typed value in dB, rounded half away from zero and clamped
// to the level limits; nullopt for NaN and infinity.
std::optional<std::int16_t> GainFromTyped(double value, int levelMin, int levelMax);
// One tenth up (direction >= 0 in its low 16 bits) or down, clamped.
std::int16_t StepGain(std::int16_t gain, int direction, int levelMin, int levelMax);

// Text numbers of graph 0 that the wheel, the arrows and the editor act on.
constexpr int kTextYMin = 2;
constexpr int kTextYMax = 3;
constexpr int kTextYCenter = 7;
constexpr int kTextGain = 9;
constexpr int kTextMarker1 = 11;

// Steps y min (2), y max (3) or both (7) by one y division; a step that would put
// y min at or above y max is not taken. False when nothing changed.
bool StepYBounds(GraphDataInfo& info, int index, int direction);
// A typed y min (2) or y max (3), taken only when the bounds stay ordered and the
// value is finite. False when nothing changed.
bool SetYBound(GraphDataInfo& info, int index, double value);

// Reads a typed number ("-12.5", " 3e1 "); nullopt for anything else, NaN and infinity included.
std::optional<double> ParseNumber(const std::string& text);

} // namespace MeasureRules
