// The setters and getters whose behaviour the program relies on.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "LinkTestSupport.h"

namespace {

TEST(EntryPointTest, SetAverageTypeKeepsTheStateFieldsEqualToItsArguments) {
    CMarlixMFC lib;
    lib.SetAverageType(MX_AVERAGE_EXPONENTIAL, 37);
    EXPECT_EQ(lib.DeviceState.m_nAverageType, 1);
    EXPECT_EQ(lib.DeviceState.m_nAverageCount, 37);
    lib.SetAverageType(MX_AVERAGE_OFF, 100);
    EXPECT_EQ(lib.DeviceState.m_nAverageType, 0);
    EXPECT_EQ(lib.DeviceState.m_nAverageCount, 100);
}

TEST(EntryPointTest, PowerUnitsAndTheirShift) {
    CMarlixMFC lib;
    QueueSink sink;
    lib.SetPostSink(&sink);
    lib.m_hNotifyWnd = FakeHwnd(9);
    EXPECT_EQ(lib.GetPowerUnitdBType(), POWER_UNIT_DBM);
    lib.SetPowerUnitdBType(POWER_UNIT_DBM);
    EXPECT_EQ(sink.posted, 0u); // unchanged: no notice
    lib.SetPowerUnitdBType(POWER_UNIT_DBUV);
    EXPECT_EQ(lib.GetPowerUnitdBType(), POWER_UNIT_DBUV);
    EXPECT_EQ(lib.DeviceState.m_nPowerUnitTo, 2);
    sink.PumpFor(0);
    ASSERT_EQ(sink.Count(WM_POWER_UNIT_CHANGED), 1u);
    EXPECT_EQ(sink.Last(WM_POWER_UNIT_CHANGED)->hwnd, FakeHwnd(9));
    EXPECT_EQ(lib.GetAverageRelativePowerdB(0, 1), 47);
    EXPECT_EQ(lib.GetAverageRelativePowerdB(0, 2), 107);
    EXPECT_EQ(lib.GetAverageRelativePowerdB(2, 1), -60);
    EXPECT_EQ(lib.GetAverageRelativePowerdB(1, 1), 0);
}

// Each notice names the unit shown before it and the one after, also when the
// changes come faster than the notices are handled.
TEST(EntryPointTest, EachUnitNoticeShiftsFromTheUnitBeforeIt) {
    CMarlixMFC lib;
    QueueSink sink;
    lib.SetPostSink(&sink);
    lib.m_hNotifyWnd = FakeHwnd(9);
    std::vector<std::pair<int, int>> shifts;
    auto record = [&](const SeenMessage& m) {
        if (m.msg == WM_POWER_UNIT_CHANGED)
            shifts.emplace_back(lib.DeviceState.m_nPowerUnitFrom, lib.DeviceState.m_nPowerUnitTo);
    };
    for (Power_Unit_dB_e u : {POWER_UNIT_DBMV, POWER_UNIT_DBM, POWER_UNIT_DBUV}) {
        lib.SetPowerUnitdBType(u);
        sink.PumpUntil([] { return false; }, 0, record);
    }
    // Two changes before either notice is handled.
    lib.SetPowerUnitdBType(POWER_UNIT_DBMV);
    lib.SetPowerUnitdBType(POWER_UNIT_DBM);
    sink.PumpUntil([] { return false; }, 0, record);
    const std::vector<std::pair<int, int>> want{{0, 1}, {1, 0}, {0, 2}, {2, 1}, {1, 0}};
    EXPECT_EQ(shifts, want);
    int shown = 0; // the level axis's total shift, in dB from dBm
    for (auto [from, to] : shifts)
        shown += lib.GetAverageRelativePowerdB(from, to);
    EXPECT_EQ(shown, 0);
}

TEST(EntryPointTest, MarkersExclusionAndBandPower) {
    CMarlixMFC lib;
    lib.SetMarkerCounts(2);
    EXPECT_EQ(lib.GetMarkerCounts(), 2);
    lib.SetMarkerCounts(9);
    EXPECT_EQ(lib.GetMarkerCounts(), 3);
    lib.DeviceState.m_nSpectrumPoints = 8192;
    lib.CalcuExcludeCnt(46511.7188, 0.2 * 46511.7188);
    EXPECT_EQ(lib.GetExcludeCnt(), 1638);
    lib.CalcuExcludeCnt(0.0, 0.0);
    EXPECT_EQ(lib.GetExcludeCnt(), 0);
    for (int i = 0; i < 8192; ++i)
        lib.DeviceDataStore.m_adSpectrum[i] = -60.0;
    // Channel power: ten equal bins are 10 dB above one (either order, clamped to the trace).
    const double one = lib.CalcuBandPower(0, 0);
    EXPECT_LT(one, -60.0); // one bin is a fraction of the filter's noise bandwidth
    EXPECT_NEAR(lib.CalcuBandPower(10, 19) - one, 10.0, 1e-9);
    EXPECT_NEAR(lib.CalcuBandPower(19, 10) - one, 10.0, 1e-9);
    EXPECT_NEAR(lib.CalcuBandPower(-5, 0), one, 1e-9);
    EXPECT_EQ(lib.CheckMaskData(), 0);
    EXPECT_EQ(lib.CheckBandPower(), 0);
}

// Before the instrument reports, the family's limits stand in.
TEST(EntryPointTest, LimitsBeforeTheInstrumentReportsReplaceOldOnesAndHoldTheDefaults) {
    for (int mode : {0, 7, 9, -1}) {
        SCOPED_TRACE(mode);
        CMarlixMFC lib;
        DeviceState& s = lib.DeviceState;
        // Left over from another instrument or mode, and nonsense at that.
        s.m_nFreqMinHz = 4000000000u;
        s.m_nFreqMaxHz = 1u;
        s.m_nRateMinHz = 4000000000u;
        s.m_nRateMaxHz = 1u;
        s.m_nRangeMin = 1000;
        s.m_nRangeMax = -1000;
        s.m_nLevelMin = 1000;
        s.m_nLevelMax = -1000;
        s.m_nSpectrumPoints = 4096;
        ASSERT_TRUE(lib.Mx2InitMinMaxValueForSystemMode(mode, nullptr));
        // What the program starts with must not be cut: output and record frequency,
        // play rate, output level, record range.
        for (std::uint32_t hz : {87900000u, 474000000u}) {
            EXPECT_LE(s.m_nFreqMinHz, hz);
            EXPECT_GE(s.m_nFreqMaxHz, hz);
        }
        EXPECT_LE(s.m_nRateMinHz, 10000000u);
        EXPECT_GE(s.m_nRateMaxHz, 10000000u);
        EXPECT_LE(s.m_nLevelMin, -200);
        EXPECT_GE(s.m_nLevelMax, -200);
        EXPECT_LE(s.m_nRangeMin, 100);
        EXPECT_GE(s.m_nRangeMax, 100);
        EXPECT_EQ(s.m_nSpectrumPoints, 4096) << "a sane count is kept";
        // Nor the IQ rate: no instrument has capped it yet.
        EXPECT_EQ(lib.Mx2IQRateConfirm(s.m_nProductCatalog, 60000000u), 60000000u);
    }
}

TEST(EntryPointTest, CommandsWithoutALinkAreRefusedAndNothingIsSent) {
    CMarlixMFC lib;
    QueueSink sink;
    lib.SetPostSink(&sink);
    const std::int32_t seek = 5;
    EXPECT_EQ(lib.MxAddCmd(MX_CMD_STATUS, MX_RW_DEFAULT, 0, nullptr, FakeHwnd(1)), 0);
    EXPECT_EQ(lib.MxAddCmd(MX_CMD_PLAY_SEEK, MX_RW_DEFAULT, 4, &seek, FakeHwnd(1)), 0);
    EXPECT_EQ(lib.SendCmdData(MX_CMD_DISCONNECT, MX_RW_DEFAULT, 0, nullptr), 0);
    sink.PumpFor(50);
    EXPECT_EQ(sink.posted, 0u);
    EXPECT_EQ(lib.GetLinkCounters().txDatagrams, 0u);
}

TEST(EntryPointTest, ModeParameterBIsItsTwoHalvesLowFirst) {
    // The program writes the halves; the link sends the 32-bit value.
    CMarlixMFC lib;
    lib.DeviceState.m_awModeParamB[0] = 16384;
    lib.DeviceState.m_awModeParamB[1] = 4400;
    EXPECT_EQ(lib.DeviceState.m_nModeParamB, 0x11304000u);
    lib.DeviceState.m_nModeParamB = 0xFFFE0001u;
    EXPECT_EQ(lib.DeviceState.m_awModeParamB[0], 1);
    EXPECT_EQ(lib.DeviceState.m_awModeParamB[1], 0xFFFE);
}

} // namespace
