// What an instrument reports about itself and its state, against a scripted
// instrument on loopback: floods of status and transfer reports stay bounded on
// their way to the GUI thread and end on the newest; the software version and
// the limits are the connected instrument's, never an earlier one's.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "LinkTestSupport.h"
#include "ScriptedInstrument.h"
#include "marlixmfc/MxLatestPost.h"
#include "marlixmfc/MxProtocol.h"

namespace {

const HWND kMain = FakeHwnd(0x100);
constexpr const char* kAddr = "127.0.0.44";

TEST(LatestPost, AFloodKeepsAFewInFlightAndEndsOnTheNewest) {
    std::vector<MxDelivery> queued; // posted, not yet handled
    auto post = MxLatestPost::Create([&](MxDelivery&& d) { queued.push_back(std::move(d)); });
    int released = 0;
    for (WPARAM i = 1; i <= 1000; ++i) {
        MxDelivery d;
        d.msg = WM_STATUS_MESSAGE;
        d.wParam = i;
        d.release = [&released] { ++released; };
        post->Post(std::move(d));
    }
    EXPECT_EQ(queued.size(), std::size_t(MxLatestPost::kDefaultInFlight));
    EXPECT_TRUE(post->HasAside());
    // The superseded ones were never posted but still freed what they own.
    EXPECT_EQ(released, 1000 - MxLatestPost::kDefaultInFlight - 1);

    // Handling them in order: the newest follows the first handled, once.
    std::vector<WPARAM> handled;
    for (std::size_t i = 0; i < queued.size(); ++i) {
        MxDelivery d = std::move(queued[i]);
        handled.push_back(d.wParam);
        d.release();
    }
    EXPECT_EQ(handled, (std::vector<WPARAM>{1, 2, 3, 4, 1000}));
    EXPECT_EQ(released, 1000);
    EXPECT_EQ(post->InFlight(), 0);
    EXPECT_FALSE(post->HasAside());

    // Quiet traffic goes through one by one.
    queued.clear();
    for (WPARAM i = 1; i <= 3; ++i) {
        MxDelivery d;
        d.wParam = i;
        post->Post(std::move(d));
        MxDelivery got = std::move(queued.back());
        got.release();
        EXPECT_EQ(got.wParam, i);
    }
    EXPECT_EQ(queued.size(), 3u);
}

TEST(SamePost, OneThatComesWhileTheSameWaitsIsThatOneAndOnlyBringsItsFieldsUpToDate) {
    std::vector<MxDelivery> queued; // posted, not yet handled
    MxSamePost post([&](MxDelivery&& d) { queued.push_back(std::move(d)); });
    int mode = 0, released = 0;
    const auto report = [&](int m) {
        MxDelivery d;
        d.msg = WM_PLAY_LIST_CLEAR;
        d.apply = [&mode, m] { mode = m; };
        d.release = [&released] { ++released; };
        post.Post(std::move(d));
    };
    for (int i = 1; i <= 100; ++i)
        report(i);
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(released, 99); // the folded ones still free what they own

    // Once its handling has begun, the next is a report of its own.
    queued[0].apply();
    EXPECT_EQ(mode, 100);
    report(101);
    ASSERT_EQ(queued.size(), 2u);
    queued[0].release();
    // One dropped unhandled (no apply) holds no later one back.
    queued[1].release();
    report(102);
    ASSERT_EQ(queued.size(), 3u);
    // Something else posted in between: the next is not folded into the one before it.
    post.Break();
    report(103);
    ASSERT_EQ(queued.size(), 4u);
    queued[2].apply();
    EXPECT_EQ(mode, 102);
    queued[3].apply();
    EXPECT_EQ(mode, 103);
}

class InstrumentReports : public ::testing::Test {
protected:
    void SetUp() override {
        UseLoopback(kAddr);
        ASSERT_TRUE(inst.bound);
        lib.m_hNotifyWnd = kMain;
        lib.SetPostSink(&sink);
    }
    void TearDown() override {
        lib.CloseConnectedUDPThread();
        sink.PumpFor(0);
        UseLoopback("127.0.0.2,127.0.0.3");
    }
    // Until the link has taken in `count` datagrams since `from`. The instrument
    // is not served meanwhile, so nothing but what the test sent comes in.
    bool WaitTakenIn(std::uint64_t from, std::uint64_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (lib.GetLinkCounters().rxDatagrams - from < count) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    static DeviceInfoRecord Record(std::uint8_t swMajor) {
        DeviceInfoRecord r{};
        r.m_nSpectrumPoints = 8192;
        r.m_abSWVer[0] = 7;
        r.m_abSWVer[1] = 3;
        r.m_abSWVer[2] = 2;
        r.m_abSWVer[3] = swMajor;
        return r;
    }

    ScriptedInstrument inst{kAddr};
    QueueSink sink;
    CMarlixMFC lib;
};

TEST_F(InstrumentReports, StatusAndTransferFloodsPostABoundedFewAndTheNewestWins) {
    ASSERT_TRUE(inst.Connect(lib, sink, Record(1)));
    const std::size_t posted0 = sink.posted;
    const std::uint64_t rx0 = lib.GetLinkCounters().rxDatagrams;
    constexpr std::uint32_t kFlood = 5000;
    // Sent in bursts that fit a default socket buffer, each taken in before the
    // next: a datagram the system dropped would make the test about the buffer,
    // not the link. The GUI thread handles nothing meanwhile.
    constexpr std::uint32_t kBurst = 32;
    std::uint64_t sent = 0;
    for (std::uint32_t i = 1; i <= kFlood; ++i) {
        inst.SendU32s(mxp::EV_STATUS, {0x1B00 + (i % 16)});
        inst.SendU32s(mxp::EV_TRANSFER, {kFlood, i});
        inst.SendU32s(mxp::EV_TRANSFER_RATE, {i * 1000});
        sent += 3;
        if (i % kBurst == 0) {
            ASSERT_TRUE(WaitTakenIn(rx0, sent)) << lib.GetLinkCounters().rxDatagrams - rx0 << " of " << sent;
        }
    }
    // The newest of each, last.
    inst.SendU32s(mxp::EV_STATUS, {0x1404});
    inst.SendU32s(mxp::EV_TRANSFER, {kFlood, kFlood});
    inst.SendU32s(mxp::EV_TRANSFER_RATE, {25000000});
    sent += 3;
    ASSERT_TRUE(WaitTakenIn(rx0, sent)) << lib.GetLinkCounters().rxDatagrams - rx0 << " of " << sent;
    // Nothing handled yet: no more than a few of each wait for the GUI thread.
    EXPECT_LE(sink.posted - posted0, std::size_t(3 * MxLatestPost::kDefaultInFlight));

    // Handled until the newest of each has come (the last one taken in may still
    // be on its way to the queue), then whatever else was still to come.
    const auto newest = [&] {
        const SeenMessage* status = sink.Last(WM_STATUS_MESSAGE);
        const SeenMessage* rate = sink.Last(WM_TRANSFER_RATE);
        return status && status->wParam == 0x1404u && rate && rate->wParam == 25000000u &&
               lib.DeviceDataStore.m_nTransferDone == kFlood;
    };
    EXPECT_TRUE(sink.PumpUntil(newest, 20000));
    sink.PumpFor(200);
    ASSERT_NE(sink.Last(WM_STATUS_MESSAGE), nullptr);
    ASSERT_NE(sink.Last(WM_TRANSFER_RATE), nullptr);
    EXPECT_EQ(sink.Last(WM_STATUS_MESSAGE)->wParam, 0x1404u);
    EXPECT_EQ(sink.Last(WM_STATUS_MESSAGE)->hwnd, kMain);
    EXPECT_EQ(sink.Last(WM_TRANSFER_RATE)->wParam, 25000000u);
    EXPECT_EQ(lib.DeviceDataStore.m_nTransferDone, kFlood);
    EXPECT_EQ(lib.DeviceDataStore.m_nTransferTotal, kFlood);
    EXPECT_LE(sink.Count(WM_STATUS_MESSAGE), std::size_t(MxLatestPost::kDefaultInFlight + 1));

    // Afterwards a report comes through at once, on its own.
    inst.SendU32s(mxp::EV_STATUS, {0x1B0E});
    ASSERT_TRUE(sink.PumpUntil([&] { return sink.Last(WM_STATUS_MESSAGE)->wParam == 0x1B0Eu; }, 5000));
}

TEST_F(InstrumentReports, AStatusFloodNamingAnOutstandingCommandStaysBoundedToItsWindowToo) {
    ASSERT_TRUE(inst.Connect(lib, sink, Record(1)));
    const HWND kCopy = FakeHwnd(0x600);
    const std::u16string path = u"D:\\a.bin";
    std::uint32_t copy = 0;
    ASSERT_EQ(
        lib.MxAddCmd(MX_CMD_COPY_FILE, MX_RW_DEFAULT, unsigned(path.size() * 2), path.data(), kCopy, &copy),
        1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (inst.commands.size() < 2 && std::chrono::steady_clock::now() < deadline)
        inst.Serve(10);
    ASSERT_EQ(inst.commands.size(), 2u);

    const std::size_t posted0 = sink.posted;
    const std::uint64_t rx0 = lib.GetLinkCounters().rxDatagrams;
    constexpr std::uint32_t kFlood = 5000;
    // In bursts the link takes in whole, as the flood above.
    constexpr std::uint32_t kBurst = 96;
    for (std::uint32_t i = 1; i <= kFlood; ++i) {
        inst.SendU32s(mxp::EV_STATUS, {0x1B00 + (i % 16)}, copy);
        if (i % kBurst == 0) {
            ASSERT_TRUE(WaitTakenIn(rx0, i)) << lib.GetLinkCounters().rxDatagrams - rx0 << " of " << i;
        }
    }
    inst.SendU32s(mxp::EV_STATUS, {0x1B0C}, copy);
    ASSERT_TRUE(WaitTakenIn(rx0, kFlood + 1)) << lib.GetLinkCounters().rxDatagrams - rx0;
    // The main frame's copy and the copy window's alike: a few each, not one a report.
    EXPECT_LE(sink.posted - posted0, std::size_t(2 * MxLatestPost::kDefaultInFlight));

    const auto lastToCopy = [&]() -> const SeenMessage* {
        const SeenMessage* last = nullptr;
        for (const SeenMessage& m : sink.seen)
            if (m.msg == WM_STATUS_MESSAGE && m.hwnd == kCopy)
                last = &m;
        return last;
    };
    EXPECT_TRUE(sink.PumpUntil([&] { return lastToCopy() && lastToCopy()->wParam == 0x1B0Cu; }, 20000));
    sink.PumpFor(200);
    const SeenMessage* last = lastToCopy();
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->wParam, 0x1B0Cu);
    EXPECT_EQ(last->ref, copy);
    EXPECT_EQ(sink.Last(WM_STATUS_MESSAGE)->wParam, 0x1B0Cu);
}

TEST_F(InstrumentReports, FloodsOfPlayListClearsAndEndsOfFilePostAFewAndEndOnTheLast) {
    ASSERT_TRUE(inst.Connect(lib, sink, Record(1)));
    const std::size_t posted0 = sink.posted;
    const std::uint64_t rx0 = lib.GetLinkCounters().rxDatagrams;
    constexpr std::uint32_t kFlood = 5000, kEndOfFile = 9, kOther = 7;
    // In bursts the link takes in whole, as the floods above; the GUI thread
    // handles nothing meanwhile.
    constexpr std::uint32_t kBurst = 32;
    std::uint64_t sent = 0;
    for (std::uint32_t i = 1; i <= kFlood; ++i) {
        inst.Send(mxp::EV_PLAY_LIST_CLEAR, 0, {});
        inst.SendU32s(mxp::EV_PLAY_EVENT, {kEndOfFile, i % 4});
        sent += 2;
        if (i == kFlood / 2) { // another play event is no end of file
            inst.SendU32s(mxp::EV_PLAY_EVENT, {kOther, 8});
            ++sent;
        }
        if (i % kBurst == 0) {
            ASSERT_TRUE(WaitTakenIn(rx0, sent)) << lib.GetLinkCounters().rxDatagrams - rx0 << " of " << sent;
        }
    }
    inst.SendU32s(mxp::EV_PLAY_EVENT, {kEndOfFile, 6}); // the last, with the newest play mode
    ++sent;
    ASSERT_TRUE(WaitTakenIn(rx0, sent)) << lib.GetLinkCounters().rxDatagrams - rx0 << " of " << sent;
    // A clear or an end of file that finds the same waiting is that one: before
    // and after the other play event, one each.
    EXPECT_LE(sink.posted - posted0, 5u);

    const auto ends = [&] {
        std::vector<WPARAM> codes;
        for (const SeenMessage& m : sink.seen)
            if (m.msg == WM_PLAY_EVENT)
                codes.push_back(m.wParam);
        return codes;
    };
    EXPECT_TRUE(
        sink.PumpUntil([&] { return ends().size() >= 3 && sink.Count(WM_PLAY_LIST_CLEAR) >= 2; }, 20000));
    sink.PumpFor(200);
    EXPECT_EQ(ends(), (std::vector<WPARAM>{kEndOfFile, kOther, kEndOfFile}));
    EXPECT_EQ(sink.Count(WM_PLAY_LIST_CLEAR), 2u);
    EXPECT_EQ(lib.DeviceState.m_nPlayMode, 6);
    ASSERT_NE(sink.Last(WM_PLAY_EVENT), nullptr);
    EXPECT_EQ(sink.Last(WM_PLAY_EVENT)->hwnd, kMain);

    // Afterwards each comes through on its own.
    inst.Send(mxp::EV_PLAY_LIST_CLEAR, 0, {});
    inst.SendU32s(mxp::EV_PLAY_EVENT, {kEndOfFile, 1});
    EXPECT_TRUE(
        sink.PumpUntil([&] { return ends().size() == 4 && sink.Count(WM_PLAY_LIST_CLEAR) == 3; }, 5000));
    EXPECT_EQ(lib.DeviceState.m_nPlayMode, 1);
}

TEST_F(InstrumentReports, UnderAFloodOfBlocksKeepAlivesAndCommandsStillGoOutOnTime) {
    ASSERT_TRUE(inst.Connect(lib, sink, Record(1)));
    constexpr std::uint32_t kPoints = 354; // the largest block of one datagram
    std::vector<std::int16_t> iq(2 * kPoints);
    for (std::size_t i = 0; i < iq.size(); ++i)
        iq[i] = std::int16_t((i * 7919) % 20000 - 10000);
    mxp::MeasureHead h;
    h.points = kPoints;
    // Faster than the link can handle blocks: their spectra are computed and
    // the GUI thread (this one) takes every block posted.
    inst.StartFlood(mxp::EV_MEASURE, mxp::EncodeMeasure(h, iq.data(), iq.data() + kPoints), 3);
    ASSERT_TRUE(sink.PumpUntil([&] { return sink.Count(WM_MEASURE_DATA) >= 10; }, 20000));
    // Queued while the flood is under way.
    const std::size_t keepAlives0 = inst.keepAlives.size();
    std::uint32_t ref = 0;
    const std::int32_t speed = 3;
    ASSERT_EQ(lib.MxAddCmd(MX_CMD_UPDATE_SPEED, MX_RW_DEFAULT, 4, &speed, kMain, &ref), 1);
    const auto arrived = [&] {
        for (const auto& c : inst.commands)
            if (c.seq == ref)
                return true;
        return false;
    };
    // Keep-alives go out every second: three of them while the flood goes on.
    const bool onTime = sink.PumpUntil(
        [&] {
            inst.ServeWaiting();
            return arrived() && inst.keepAlives.size() - keepAlives0 >= 3;
        },
        20000);
    const unsigned long long flooded = inst.StopFlood();
    EXPECT_TRUE(onTime) << "command arrived: " << arrived()
                        << ", keep-alives during the flood: " << inst.keepAlives.size() - keepAlives0
                        << ", blocks sent: " << flooded;
    EXPECT_GT(sink.Count(WM_MEASURE_DATA), 0u); // blocks still reach the GUI thread
    EXPECT_EQ(lib.GetLinkCounters().linkLost, 0u);
}

// Blocks and position reports both write the play position: whatever the link
// reads together, the GUI thread gets them in the order they came, so the
// position shown never goes back to an older block's.
TEST_F(InstrumentReports, BlocksAndPositionReportsReachTheGuiThreadInTheOrderTheyCame) {
    ASSERT_TRUE(inst.Connect(lib, sink, Record(1)));
    constexpr std::uint32_t kPoints = 64;
    const std::vector<std::int16_t> iq(2 * kPoints, 100);
    mxp::MeasureHead h;
    h.points = kPoints;
    constexpr std::uint32_t kReports = 2000, kPlaying = 138;
    const std::uint64_t from = lib.GetLinkCounters().rxDatagrams;
    for (std::uint32_t s = 1; s <= kReports; ++s) {
        h.positionSec = s;
        inst.Send(mxp::EV_MEASURE, 0, mxp::EncodeMeasure(h, iq.data(), iq.data() + kPoints));
        inst.SendU32s(mxp::EV_PLAY_POSITION, {kPlaying, s, 5});
    }
    std::uint32_t shown = 0, backwards = 0, firstBack = 0;
    ASSERT_TRUE(sink.PumpUntil(
        [&] {
            return lib.GetLinkCounters().rxDatagrams - from >= 2 * kReports &&
                   sink.Count(WM_PLAY_POSITION) > 0 && lib.DeviceDataStore.m_nPlayPosSec == kReports;
        },
        20000,
        [&](const SeenMessage&) {
            const std::uint32_t now = lib.DeviceDataStore.m_nPlayPosSec;
            if (now < shown && backwards++ == 0)
                firstBack = shown;
            shown = std::max(shown, now);
        }));
    EXPECT_EQ(backwards, 0u) << "the position went back, first from " << firstBack << " s";
    EXPECT_EQ(lib.DeviceDataStore.m_nPlayPosSec, kReports);
}

TEST_F(InstrumentReports, TheSoftwareVersionIsTheConnectedInstrumentsUntilTheLinkCloses) {
    EXPECT_FALSE(lib.HasSWVer());
    ASSERT_TRUE(inst.Connect(lib, sink, Record(1)));
    _MxVer_u v = lib.GetSWVer();
    EXPECT_EQ(std::vector<int>(v.m_abVer, v.m_abVer + 4), (std::vector<int>{7, 3, 2, 1}));
    EXPECT_TRUE(lib.HasSWVer());
    lib.CloseConnectedUDPThread();
    EXPECT_FALSE(lib.HasSWVer());
    EXPECT_EQ(lib.GetSWVer().m_dwVer, 0u);

    ASSERT_TRUE(inst.Connect(lib, sink, Record(9)));
    v = lib.GetSWVer();
    EXPECT_EQ(v.m_abVer[3], 9);
}

TEST_F(InstrumentReports, ModeParameterAIsTheFamilysUntilThisInstrumentReportsItsOwn) {
    // Before any instrument: the family's, not the field's 0.
    lib.Mx2InitMinMaxValueForSystemMode(7, nullptr);
    EXPECT_EQ(lib.DeviceState.m_nModeParamA, mxp::DefaultLimits(7).modeParamA);

    ASSERT_TRUE(inst.Connect(lib, sink, Record(1)));
    mxp::Limits own = mxp::DefaultLimits(7);
    own.modeParamA = 77;
    own.iqRateMaxHz = 30000000;
    inst.Send(mxp::EV_LIMITS, 0, mxp::EncodeLimits(own));
    ASSERT_TRUE(sink.PumpUntil([&] { return sink.Count(WM_GRAPH_AXES_UPDATE) >= 1; }, 5000));
    lib.Mx2InitMinMaxValueForSystemMode(7, nullptr);
    EXPECT_EQ(lib.DeviceState.m_nModeParamA, 77);
    EXPECT_EQ(lib.Mx2IQRateConfirm(lib.DeviceState.m_nProductCatalog, 60000000u), 30000000u);

    // The next connection, before its instrument has reported anything.
    lib.CloseConnectedUDPThread();
    ASSERT_TRUE(inst.Connect(lib, sink, Record(1)));
    lib.Mx2InitMinMaxValueForSystemMode(7, nullptr);
    EXPECT_EQ(lib.DeviceState.m_nModeParamA, mxp::DefaultLimits(7).modeParamA);
    EXPECT_EQ(lib.Mx2IQRateConfirm(lib.DeviceState.m_nProductCatalog, 60000000u), 60000000u);

    // Limits of a link handled only after it was closed are not taken for the next one's.
    const std::size_t posted = sink.posted;
    inst.Send(mxp::EV_LIMITS, 0, mxp::EncodeLimits(own));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (sink.posted == posted && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_GT(sink.posted, posted);
    lib.CloseConnectedUDPThread();
    sink.PumpFor(0);
    lib.Mx2InitMinMaxValueForSystemMode(7, nullptr);
    EXPECT_EQ(lib.DeviceState.m_nModeParamA, mxp::DefaultLimits(7).modeParamA);
}

} // namespace
