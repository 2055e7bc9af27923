// The measurement windows' rules without a window: shown bins, peak search, axes,
// read-out texts, level ranges, bounds and gain, typed numbers, the key tables and
// the value editor's texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "views/GraphKeyRules.h"
#include "views/MeasureRules.h"

using namespace MeasureRules;
using namespace GraphKeyRules;

namespace {

TEST(MeasureRules, ShownBinsCutHalfTheExclusionBelowAndTheRestAbove) {
    const struct {
        int n, e;
        bool shown;
        int first, count;
    } cases[] = {
        {8192, 1638, true, 819, 6554}, {8192, 5, true, 2, 8187}, // odd: 3 cut at the top
        {8192, 8192, false, 0, 0},     {8192, 9000, false, 0, 0},        {30721, 0, false, 0, 0},
        {0, 0, false, 0, 0},           {30720, 6144, true, 3072, 24576},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.n << " " << c.e);
        const auto s = SpectrumShownBins(c.n, c.e, 30720);
        ASSERT_EQ(s.has_value(), c.shown);
        if (s) {
            EXPECT_EQ(s->first, c.first);
            EXPECT_EQ(s->count, c.count);
            EXPECT_EQ(c.n - (s->first + s->count), c.e - c.e / 2);
        }
    }
    EXPECT_EQ(IQPointCount(40000, 30720), 30720);
    EXPECT_EQ(IQPointCount(-5, 30720), 0);
}

TEST(MeasureRules, PeakIsTheFirstOfEqualMaximaAndNothingAtTheFloor) {
    const double two[] = {-90, -10, -50, -10, -70};
    EXPECT_EQ(PeakIndex(two, 5), 1);
    const double floor[] = {-200, -200.0, -250};
    EXPECT_EQ(PeakIndex(floor, 3), -1);
    EXPECT_EQ(PeakIndex(two, 0), -1);
    const double nan[] = {std::nan(""), -30};
    EXPECT_EQ(PeakIndex(nan, 2), 1);
}

TEST(MeasureRules, FrequencyAxisIsTheCentrePlusMinusFourTenthsOfTheClock) {
    const XRange fm = SpectrumXRange(87900000u, 744187.5, 1.0);
    EXPECT_DOUBLE_EQ(fm.min, 87900000.0 - 297675.0);
    EXPECT_DOUBLE_EQ(fm.max, 87900000.0 + 297675.0);
    const XRange am = SpectrumXRange(1000000u, 46511.71875, 1000.0);
    EXPECT_DOUBLE_EQ(am.min, (1000000.0 - 18604.6875) / 1000.0);
    // A scale the graph did not give is taken as 1, never a division by zero.
    EXPECT_DOUBLE_EQ(SpectrumXRange(100u, 10.0, 0.0).max, 104.0);
    EXPECT_DOUBLE_EQ(SpectrumXRange(100u, 10.0, std::nan("")).min, 96.0);
    // The centre is unsigned: above 2^31 Hz it stays positive.
    EXPECT_GT(SpectrumXRange(3000000000u, 10.0, 1.0).min, 0.0);
}

TEST(MeasureRules, MarkerTexts) {
    const float freq[4] = {88000000.0f, 87900000.0f, 0, 0};
    const float level[4] = {-10.04f, -60.0f, 0, 0};
    EXPECT_EQ(MarkerText(0, 0, freq, level, 0), "M1: Click Mouse");
    EXPECT_EQ(MarkerText(0, 2, freq, level, 0), "M1: 88.000MHz, -10.0dBm");
    EXPECT_EQ(MarkerText(0, 2, freq, level, 1), "M1: 88.000MHz, -10.0dBmV");
    EXPECT_EQ(MarkerText(0, 2, freq, level, 2), "M1: 88.000MHz, -10.0dBuV");
    EXPECT_EQ(MarkerText(0, 2, freq, level, 7), "M1: 88.000MHz, -10.0dBuV");
    EXPECT_EQ(MarkerText(1, 2, freq, level, 0), "M1-M2: 0.100MHz, 50.0dB");
    // Markers 1 and 2 set: 3 and 4 ask for a click whether or not 4 is set.
    EXPECT_EQ(MarkerText(2, 2, freq, level, 0), "M1-M3: Click Mouse");
    EXPECT_EQ(MarkerText(3, 2, freq, level, 0), "M1-M4: Click Mouse");
    // An absurd level stays inside the 200-byte read-out.
    const float huge[4] = {3e38f, 0, 0, 0};
    EXPECT_LT(MarkerText(0, 1, huge, huge, 0).size(), 200u);
}

TEST(MeasureRules, BandPowerAndGainTexts) {
    EXPECT_EQ(BandPowerText(-23.45678, 0), "-23.457dBm");
    EXPECT_EQ(BandPowerText(24.0, 1), "24.000dBmV");
    EXPECT_EQ(BandPowerText(84.0, 2), "84.000dBuV");
    EXPECT_EQ(BandPowerText(1e300, 0).size(), 31u); // bounded to its 32 bytes
    EXPECT_EQ(GainText(-123), "Gain:-12.3 dB");
    EXPECT_EQ(GainText(0), "Gain:0.0 dB");
}

TEST(MeasureRules, IQTimePerPointFromTheClock) {
    const auto fm = IQTimeScale(30720, 744187.5);
    ASSERT_TRUE(fm);
    EXPECT_NEAR(*fm * 30720, 30719.0 / 744187.5 * 1e6, 1e-9); // 41.28 ms in microseconds
    EXPECT_FALSE(IQTimeScale(0, 744187.5));
    EXPECT_FALSE(IQTimeScale(8192, 0.0));
    EXPECT_FALSE(IQTimeScale(8192, -1.0));
    EXPECT_FALSE(IQTimeScale(8192, std::numeric_limits<double>::infinity()));
}

TEST(MeasureRules, LevelRangeFromTheStoredLevel) {
    const struct {
        int level;
        bool fm;
        int offset;
        double min, max;
    } cases[] = {
        {-200, false, 0, -120.0, -20.0},
        {-200, true, 0, -130.0, -30.0},
        {-200, false, 47, -73.0, 27.0},
        {-200, false, 107, -13.0, 87.0},
        {-123, false, 0, -112.3f, -12.3f},
        // Far out of range: clamped at the 16-bit end, not wrapped to the other.
        {40000, false, 0, 3276.7f - 100.0f, 3276.7f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        const YRange y = LevelRange(c.level, c.fm, c.offset);
        EXPECT_FLOAT_EQ(float(y.max), float(c.max));
        EXPECT_FLOAT_EQ(float(y.min), float(c.min));
    }
}

TEST(MeasureRules, TypedGainRoundsToTenthsAndIsClampedBeforeItsCut) {
    const struct {
        double typed;
        int want;
    } cases[] = {{-12.34, -123}, {12.35, 124},  {0.0, 0},   {-0.04, 0},   {30.0, 300},
                 {31.0, 300},    {-95.0, -900}, {1e9, 300}, {-1e9, -900}, {6553.6, 300}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const auto g = GainFromTyped(c.typed, -900, 300);
        ASSERT_TRUE(g);
        EXPECT_EQ(*g, c.want);
    }
    EXPECT_FALSE(GainFromTyped(std::nan(""), -900, 300));
    EXPECT_FALSE(GainFromTyped(-std::numeric_limits<double>::infinity(), -900, 300));
    EXPECT_EQ(StepGain(-900, -120, -900, 300), -900);
    EXPECT_EQ(StepGain(-900, 0, -900, 300), -899); // 0 is up
    EXPECT_EQ(StepGain(300, 1, -900, 300), 300);
    EXPECT_EQ(StepGain(0, 0x10000 - 1, -900, 300), -1); // the low 16 bits decide
}

TEST(MeasureRules, BoundsStepAndAreTypedOnlyInOrder) {
    GraphDataInfo info{};
    info.m_dYMin = -120.0;
    info.m_dYMax = -20.0;
    info.m_dYStep = 10.0;
    EXPECT_TRUE(StepYBounds(info, kTextYMax, -120));
    EXPECT_EQ(double(info.m_dYMax), -30.0);
    EXPECT_TRUE(StepYBounds(info, kTextYCenter, 1));
    EXPECT_EQ(double(info.m_dYMin), -110.0);
    EXPECT_EQ(double(info.m_dYMax), -20.0);
    EXPECT_FALSE(StepYBounds(info, 5, 1));
    // Stepping y min up to y max is refused.
    info.m_dYMin = -30.0;
    EXPECT_FALSE(StepYBounds(info, kTextYMin, 1));
    EXPECT_EQ(double(info.m_dYMin), -30.0);
    info.m_dYStep = 0.0;
    EXPECT_FALSE(StepYBounds(info, kTextYMax, 1));

    info.m_dYMin = -120.0;
    info.m_dYMax = -20.0;
    EXPECT_TRUE(SetYBound(info, kTextYMin, -50.0));
    EXPECT_FALSE(SetYBound(info, kTextYMin, -20.0));
    EXPECT_FALSE(SetYBound(info, kTextYMax, -50.0));
    EXPECT_TRUE(SetYBound(info, kTextYMax, 0.0));
    EXPECT_FALSE(SetYBound(info, kTextYMax, std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(SetYBound(info, kTextGain, 1.0));
    EXPECT_EQ(double(info.m_dYMin), -50.0);
    EXPECT_EQ(double(info.m_dYMax), 0.0);
}

TEST(MeasureRules, OnlyPlainNumbersAreRead) {
    for (const char* ok : {"12.5", " -3 ", "1e2", "+4", "-0.05", ".5"})
        EXPECT_TRUE(ParseNumber(ok)) << ok;
    for (const char* bad :
         {"", "  ", "abc", "nan", "inf", "-inf", "0x10", "1,5", "+-5", "1e999", "5dB", "1 2"})
        EXPECT_FALSE(ParseNumber(bad)) << bad;
    EXPECT_DOUBLE_EQ(*ParseNumber(" -12.34"), -12.34);
}

TEST(GraphKeyRules, TheViewPassesOnItsKeysAsTheMainFrameTakesThem) {
    const struct {
        int qtKey;
        bool keypad;
        int posted;
    } cases[] = {
        {Qt::Key_7, true, '7'},
        {Qt::Key_0, true, '0'},
        {Qt::Key_Plus, true, kVkReturn},
        {Qt::Key_Plus, false, -1},
        {Qt::Key_Equal, false, -1},
        {Qt::Key_Minus, true, kVkSubtract},
        {Qt::Key_Minus, false, kVkOemMinus},
        {Qt::Key_Return, false, kVkReturn},
        {Qt::Key_Enter, true, kVkReturn},
        {Qt::Key_Left, false, kVkLeft},
        {Qt::Key_Down, false, kVkDown},
        {Qt::Key_5, false, '5'},
        {Qt::Key_Z, false, -1},
        {Qt::Key_Tab, false, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.qtKey << " keypad " << c.keypad);
        EXPECT_EQ(ViewPostedKey(VirtualKey(c.qtKey, c.keypad)), c.posted);
    }
}

TEST(GraphKeyRules, KeysStepOrOpenTheEditorWithItsFirstText) {
    using K = KeyAction;
    const struct {
        int text, key;
        K::Kind kind;
        const char* start;
    } cases[] = {
        {3, '7', K::OpenEditor, "7"},
        {2, kVkOemMinus, K::OpenEditor, ""},
        {9, kVkSubtract, K::OpenEditor, "-"},
        {9, kVkReturn, K::OpenEditor, ""},
        {2, kVkOemPlus, K::OpenEditor, ""},
        {5, kVkReturn, K::Ignore, ""},
        {7, '3', K::Ignore, ""},
        {-1, '3', K::Ignore, ""},
        {5, kVkLeft, K::StepDown, ""},
        {2, kVkDown, K::StepDown, ""},
        {9, kVkUp, K::StepUp, ""},
        {0, kVkRight, K::StepUp, ""},
        {3, 'A', K::Ignore, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " " << c.key);
        const K a = GraphKeyAction(c.text, c.key);
        EXPECT_EQ(a.kind, c.kind);
        EXPECT_EQ(a.startText.toStdString(), c.start);
    }
}

TEST(GraphKeyRules, EditorTexts) {
    EXPECT_EQ(EditorMinText(-900).toStdString(), "(Min: -90.0 dB)");
    EXPECT_EQ(EditorMaxText(300).toStdString(), "(Max: 30.0 dB, Step: 0.1dB)");
    const struct {
        int kind;
        const char* label;
        const char* unit;
    } cases[] = {{-1, "Value", "Unit"},       {0, "X Min", "Hz"},          {1, "X Max", "Hz"},
                 {2, "Y Min", "dBm"},         {3, "Y Max", "dBm"},         {5, "X Gap", "Hz"},
                 {7, "Y Center", "dBm"},      {8, "Y Gap", "dBm"},         {9, "Gain", "dB"},
                 {4, "Invalide", "Invalide"}, {99, "Invalide", "Invalide"}};
    for (const auto& c : cases) {
        EXPECT_EQ(EditorLabel(c.kind).toStdString(), c.label);
        EXPECT_EQ(EditorUnit(c.kind, 0).toStdString(), c.unit);
    }
    // The levels are typed in the unit the graph shows.
    EXPECT_EQ(EditorUnit(3, 1).toStdString(), "dBmV");
    EXPECT_EQ(EditorUnit(2, 2).toStdString(), "dBuV");
    EXPECT_EQ(EditorUnit(9, 2).toStdString(), "dB");
}

} // namespace
