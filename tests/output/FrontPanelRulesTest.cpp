// The front panel's rules without a window.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "output/FrontPanelRules.h"

using namespace frontpanel;

TEST(FrontPanelRules, RowsReadAsDigitsWithSeparators) {
    // 0,087,900,000 Hz.
    const std::array<int, kRowCells> fm = {0, 0, 0, 8, 7, 0, 9, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(RowDigits(87900000), fm);
    // The sample clock of an AM file: 0,046,511.719.
    const std::array<int, kRowCells> am = {0, 0, 0, 4, 6, 0, 5, 1, 1, 0, 7, 1, 9};
    EXPECT_EQ(RowDigits(ClockRangeFor(46511.71875).clock), am);
    // Past ten digits the first cell shows 9, and a negative value shows zeros:
    // a cell never asks for a picture outside 0..9.
    EXPECT_EQ(RowDigits(12345678901LL)[0], 9);
    for (int d : RowDigits(-5))
        EXPECT_EQ(d, 0);
    EXPECT_EQ(RowCellKind(9, false), CellKind::Comma);
    EXPECT_EQ(RowCellKind(9, true), CellKind::Point);
    EXPECT_EQ(RowWeight(5), 0);
    EXPECT_EQ(RowWeight(13), 0);
}

TEST(FrontPanelRules, RowStepsStayInsideTheLimitsTypedDigitsDoNot) {
    const std::int64_t lo = 500000, hi = 2000000000;
    EXPECT_EQ(StepRowValue(87900000, 4, true, lo, hi), 88900000);
    EXPECT_EQ(StepRowValue(87900000, 12, false, lo, hi), 87899999);
    // Up on the 10^9 cell would pass the maximum: unchanged; the same below the minimum.
    EXPECT_EQ(StepRowValue(1500000000, 0, true, lo, hi), 1500000000);
    EXPECT_EQ(StepRowValue(550000, 6, false, lo, hi), 550000);
    // A separator steps nothing.
    EXPECT_EQ(StepRowValue(87900000, 5, true, lo, hi), 87900000);
    // Typing 9 in the 10^9 cell: no check here, the send clamps.
    EXPECT_EQ(TypeRowDigit(87900000, 0, '9'), 9087900000LL);
    EXPECT_EQ(ClampLowFirst(9087900000LL, lo, hi), hi);
    EXPECT_EQ(TypeRowDigit(87900000, 3, '1'), 17900000);
    EXPECT_EQ(TypeRowDigit(87900000, 1, '1'), 87900000);
}

TEST(FrontPanelRules, LevelDigitsAndTypedDigits) {
    const int lo = -1100, hi = 100;
    struct Case {
        int level, cell, ch, expect;
    } cases[] = {
        {-505, 2, '3', -305}, // -50.5 dBm, 3 in the tens: -30.5
        {50, 3, '3', 30},     // +5.0 dBm, 3 in the units: +3.0
        {-505, 5, '0', -500}, // the tenths
        {-5, 3, '7', -75},    // -0.5, 7 in the units: -7.5
        {-505, 1, '9', lo},   // -950.5 is below the panel's range
        {50, 2, '9', hi},     // +95.0 is above it
    };
    for (const Case& c : cases)
        EXPECT_EQ(TypeLevelDigit(c.level, c.cell, c.ch, lo, hi), c.expect) << c.level << " cell " << c.cell;
    EXPECT_EQ(StepLevelValue(95, 3, true, lo, hi), hi);
    EXPECT_EQ(StepLevelValue(-1095, 2, false, lo, hi), lo);
    EXPECT_EQ(StepLevelValue(-505, 4, true, lo, hi), -505); // the point
    const std::array<int, kLevelCells> shown = {1, 0, 5, 0, 0, 5};
    EXPECT_EQ(LevelCellValues(-505), shown);
    EXPECT_EQ(LevelCellValues(30)[0], 0);
    EXPECT_EQ(LevelCellValues(-20000)[1], 9);
}

TEST(FrontPanelRules, FocusMovesOverSeparatorsAndWraps) {
    EXPECT_EQ(NextRowCell(0, true), 2);
    EXPECT_EQ(NextRowCell(4, true), 6);
    EXPECT_EQ(NextRowCell(8, true), 10);
    EXPECT_EQ(NextRowCell(12, true), 0);
    EXPECT_EQ(NextRowCell(0, false), 12);
    EXPECT_EQ(NextRowCell(6, false), 4);
    EXPECT_EQ(NextLevelCell(3, true), 5);
    EXPECT_EQ(NextLevelCell(5, true), 1);
    EXPECT_EQ(NextLevelCell(5, false), 3);
    EXPECT_EQ(NextLevelCell(1, false), 5);
    EXPECT_EQ(NextLevelCell(1, true), 2);
}

TEST(FrontPanelRules, KnobDragSetsWholeDecibels) {
    EXPECT_EQ(LevelForKnobPos(0), 100);
    EXPECT_EQ(LevelForKnobPos(1200), -1100);
    EXPECT_EQ(LevelForKnobPos(5), 90);    // trunc(9.5)
    EXPECT_EQ(LevelForKnobPos(105), 0);   // trunc(-0.5)
    EXPECT_EQ(LevelForKnobPos(115), -10); // trunc(-1.5)
    EXPECT_EQ(KnobPosForLevel(-500), 600);
}

TEST(FrontPanelRules, SampleClockMayMoveATenthOfAPercent) {
    const ClockRange am = ClockRangeFor(46511.71875);
    EXPECT_EQ(am.clock, 46511719);
    EXPECT_EQ(am.min, 46465207);
    EXPECT_EQ(am.max, 46558230);
    const ClockRange fm = ClockRangeFor(744187.5);
    EXPECT_EQ(fm.clock, 744187500);
    EXPECT_EQ(fm.min, 743443313);
    EXPECT_EQ(fm.max, 744931688);
    // A file clock that is no number, negative or too large for the row.
    for (double bad :
         {std::numeric_limits<double>::quiet_NaN(), -1.0, std::numeric_limits<double>::infinity()})
        EXPECT_EQ(ClockRangeFor(bad).max, 0) << bad;
    EXPECT_EQ(ClockRangeFor(1e12).max, kRowMax);
    // Only a clock of 1 Hz to kRowMax Hz stands for the instrument's.
    for (double c : {46511.71875, 744187.5, 0.0005, 9999999.999})
        EXPECT_TRUE(UsableClockKHz(c)) << c;
    for (double c : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), -1.0,
                     0.0, 5e-324, 0.0004, 1e7, 1e308})
        EXPECT_FALSE(UsableClockKHz(c)) << c;
    // The applied clock has more decimals than the panel shows: an edit back to
    // what is shown is no change.
    EXPECT_TRUE(ClockUnchanged(46511719, 46511.7188));
    EXPECT_FALSE(ClockUnchanged(46511720, 46511.7188));
    EXPECT_EQ(ClockPayload(46511720), 46511.72);
}

TEST(FrontPanelRules, FilePowerOffsetKeepsTheLevelCellsInRange) {
    EXPECT_EQ(LimitPowerOffset(-100, kDeviceLevelMin, kDeviceLevelMax), -100);
    EXPECT_EQ(LimitPowerOffset(-200, kDeviceLevelMin, kDeviceLevelMax), -200);
    // +30000 would make the shown maximum 3030.0 dB.
    const int high = LimitPowerOffset(30000, kDeviceLevelMin, kDeviceLevelMax);
    EXPECT_EQ(kDeviceLevelMax + high, kLevelShowMax);
    const int low = LimitPowerOffset(-30000, kDeviceLevelMin, kDeviceLevelMax);
    EXPECT_EQ(kDeviceLevelMin + low, -kLevelShowMax);
    // Whatever the offset, a level in the shown range fits the 16-bit payload.
    EXPECT_EQ(LevelPayload(kDeviceLevelMax + high, high), kDeviceLevelMax);
}

TEST(FrontPanelRules, ButtonsAndPayloads) {
    const int presets[] = {530000,   820000,   1120000,  1420000,   1710000,
                           87900000, 92900000, 97900000, 102900000, 107900000};
    for (UINT id = kPresetFirst; id <= kPresetLast; ++id)
        EXPECT_EQ(ButtonValue(id), presets[id - kPresetFirst]) << id;
    EXPECT_EQ(ButtonValue(1546), -50);
    EXPECT_EQ(ButtonValue(1549), 50);
    EXPECT_EQ(ButtonValue(1550), 0);
    EXPECT_EQ(FrequencyPayload(87900000), 87900000u);
    EXPECT_EQ(LevelPayload(-500, -200), -300);
    EXPECT_EQ(LevelPayload(-500, -100), -400);
}
