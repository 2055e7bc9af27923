// Block sizes the graphs were not set up for: the library asks for new axes
// first. A scripted instrument on loopback sends exactly the blocks wanted.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "LinkTestSupport.h"
#include "ScriptedInstrument.h"
#include "marlixmfc/MxProtocol.h"

namespace {

const HWND kMain = FakeHwnd(0x100);
constexpr const char* kAddr = "127.0.0.42";

// One measurement block of `points` points.
void Block(ScriptedInstrument& inst, std::uint32_t points, double clock = 744187.5) {
    std::vector<std::int16_t> s(2 * points, 100);
    mxp::MeasureHead h;
    h.points = points;
    h.playMode = 5;
    h.sampleClock = clock;
    inst.Send(mxp::EV_MEASURE, 0, mxp::EncodeMeasure(h, s.data(), s.data() + points));
}

TEST(AxesTest, ANewBlockSizeAsksForNewAxesBeforeItsData) {
    UseLoopback(kAddr);
    ScriptedInstrument inst(kAddr);
    ASSERT_TRUE(inst.bound);
    QueueSink sink;
    CMarlixMFC lib;
    lib.m_hNotifyWnd = kMain;
    lib.SetPostSink(&sink);
    DeviceInfoRecord rec{};
    rec.m_nSpectrumPoints = 8192;
    ASSERT_TRUE(inst.Connect(lib, sink, rec));
    EXPECT_EQ(lib.DeviceState.m_nSpectrumPoints, 8192);

    // Points seen by each message as its handler would see them.
    std::vector<std::pair<UINT, int>> order;
    auto pump = [&](std::size_t blocks) {
        return sink.PumpUntil([&] { return sink.Count(WM_MEASURE_DATA) >= blocks; }, 10000,
                              [&](const SeenMessage& m) {
                                  if (m.msg == WM_MEASURE_DATA || m.msg == WM_GRAPH_AXES_UPDATE)
                                      order.emplace_back(m.msg, lib.DeviceState.m_nSpectrumPoints);
                              });
    };
    Block(inst, 8192); // the size announced: no new axes
    ASSERT_TRUE(pump(1));
    Block(inst, 4096);
    ASSERT_TRUE(pump(2));
    Block(inst, 4096);
    Block(inst, 4096, NAN); // malformed: no message at all
    Block(inst, 8192);
    ASSERT_TRUE(pump(4));
    sink.PumpFor(200);
    const std::vector<std::pair<UINT, int>> want = {
        {WM_MEASURE_DATA, 8192}, {WM_GRAPH_AXES_UPDATE, 4096}, {WM_MEASURE_DATA, 4096},
        {WM_MEASURE_DATA, 4096}, {WM_GRAPH_AXES_UPDATE, 8192}, {WM_MEASURE_DATA, 8192}};
    EXPECT_EQ(order, want);
    EXPECT_EQ(lib.GetLinkCounters().dropMalformed, 1u);
    lib.CloseConnectedUDPThread();
    sink.PumpFor(0);
}

} // namespace
