// The simulator's measurement stream on its own: schedule and block contents.
#include <gtest/gtest.h>

#include <cmath>

#include "marlixmfc/MxProtocol.h"
#include "sim/SimMeasureStream.h"

namespace {

TEST(MeasureStreamTest, RatesFollowTheUpdateSpeed) {
    const unsigned want[] = {50, 100, 200, 500, 1000};
    for (int s = 0; s < 5; ++s)
        EXPECT_EQ(SimMeasureStream::IntervalMs(s), want[s]);
    EXPECT_EQ(SimMeasureStream::IntervalMs(-3), 50u);
    EXPECT_EQ(SimMeasureStream::IntervalMs(99), 1000u);

    SimMeasureStream st;
    EXPECT_EQ(st.MsUntilDue(0), -1);
    st.Start(1000, 0); // nothing loaded: nothing to play
    EXPECT_FALSE(st.Running());
    st.Load(u"IB_FM_e1_CW_p100.bin");
    st.Start(1000, 2);
    EXPECT_EQ(st.MsUntilDue(1000), 200);
    EXPECT_TRUE(st.NextBlock(1100, 2, 64, 5, 0.0, 744187.5, -20.0, false).empty());
    EXPECT_FALSE(st.NextBlock(1200, 2, 64, 5, 0.0, 744187.5, -20.0, false).empty());
    EXPECT_EQ(st.MsUntilDue(1250), 150);
    // After a stall the stream starts afresh instead of sending a burst.
    EXPECT_FALSE(st.NextBlock(5000, 2, 64, 5, 0.0, 744187.5, -20.0, false).empty());
    EXPECT_TRUE(st.NextBlock(5001, 2, 64, 5, 0.0, 744187.5, -20.0, false).empty());
    EXPECT_EQ(st.BlocksMade(), 2u);
}

TEST(MeasureStreamTest, BlockStatesClockFullScaleInversionAndPosition) {
    SimMeasureStream st;
    st.SetIntervalOverrideMs(1);
    st.Load(u"IB_FM_e1_awgn.bin");
    st.Start(0, 4);
    const auto p = st.NextBlock(1, 4, 2048, 5, 12.7, 744000.0, -33.0, true);
    mxp::MeasureHead h;
    std::vector<std::int16_t> iq;
    ASSERT_TRUE(mxp::DecodeMeasure(p.data(), p.size(), h, iq));
    EXPECT_EQ(h.kind, 0u);
    EXPECT_EQ(h.points, 2048u);
    EXPECT_EQ(h.playMode, 5);
    EXPECT_EQ(h.positionSec, 12u);
    EXPECT_DOUBLE_EQ(h.sampleClock, 744000.0);
    EXPECT_DOUBLE_EQ(h.fullScaleDbm, -33.0 + SimMeasureStream::kHeadroomDb);
    EXPECT_EQ(h.flags, mxp::MEASURE_INVERTED);
    // Levels beyond what a block can state are clamped, never sent as they are.
    const auto loud = st.NextBlock(2, 4, 16, 5, 0.0, 744187.5, 1e9, false);
    ASSERT_TRUE(mxp::DecodeMeasure(loud.data(), loud.size(), h, iq));
    EXPECT_LE(h.fullScaleDbm, mxp::kMaxFullScaleDbm);
}

TEST(MeasureStreamTest, DecoderRefusesImpossibleHeads) {
    std::vector<std::int16_t> s(32, 100);
    mxp::MeasureHead good;
    good.points = 16;
    std::vector<std::int16_t> iq;
    mxp::MeasureHead back;
    const auto ok = mxp::EncodeMeasure(good, s.data(), s.data() + 16);
    ASSERT_TRUE(mxp::DecodeMeasure(ok.data(), ok.size(), back, iq));
    const struct {
        double clock, fullScale;
        std::uint32_t flags;
    } bad[] = {{0.0, 30.0, 0},      {-1.0, 30.0, 0},     {NAN, 30.0, 0},
               {INFINITY, 30.0, 0}, {1e12, 30.0, 0},     {744187.5, NAN, 0},
               {744187.5, 1e6, 0},  {744187.5, -1e6, 0}, {744187.5, 30.0, 2}};
    for (const auto& b : bad) {
        mxp::MeasureHead h = good;
        h.sampleClock = b.clock;
        h.fullScaleDbm = b.fullScale;
        h.flags = b.flags;
        const auto e = mxp::EncodeMeasure(h, s.data(), s.data() + 16);
        EXPECT_FALSE(mxp::DecodeMeasure(e.data(), e.size(), back, iq)) << b.clock << " " << b.fullScale;
    }
}

} // namespace
