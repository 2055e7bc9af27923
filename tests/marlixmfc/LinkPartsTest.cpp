// The link's parts on their own: the transport on loopback, the state machine
// with a clock of the test's own, and the table from event to delivery.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <thread>

#include "LinkTestSupport.h"
#include "marlixmfc/MxCounters.h"
#include "marlixmfc/MxEventTable.h"
#include "marlixmfc/MxLinkConfig.h"
#include "marlixmfc/MxLinkStateMachine.h"
#include "marlixmfc/MxLinkTransport.h"

namespace {

const HWND kNotify = FakeHwnd(0x100);
const HWND kReply = FakeHwnd(0x200);
constexpr std::uint16_t kPort = 50600;
constexpr unsigned kTimeout = 4000;

TEST(LinkTransport, SendsReceivesAndWakes) {
    MxLinkTransport t;
    ASSERT_TRUE(t.Open(false));
    ASSERT_NE(t.LocalPort(), 0);
    const int peer = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = Addr("127.0.0.1");
    ASSERT_EQ(::bind(peer, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t len = sizeof a;
    ::getsockname(peer, reinterpret_cast<sockaddr*>(&a), &len);

    MxCounters c;
    EXPECT_TRUE(t.Send({{1, 2, 3}, {4}}, Addr("127.0.0.1"), ntohs(a.sin_port), c));
    EXPECT_EQ(c.txDatagrams.load(), 2u);
    std::uint8_t got[16];
    EXPECT_EQ(::recv(peer, got, sizeof got, 0), 3);
    EXPECT_EQ(::recv(peer, got, sizeof got, 0), 1);
    EXPECT_FALSE(t.Send({}, Addr("127.0.0.1"), ntohs(a.sin_port), c)); // nothing to send is no success

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = Addr("127.0.0.1");
    to.sin_port = htons(t.LocalPort());
    const std::uint8_t back[5] = {9, 8, 7, 6, 5};
    ::sendto(peer, back, sizeof back, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    t.Wait(2000);
    std::uint8_t buf[64];
    std::uint32_t fromAddr = 0;
    std::uint16_t fromPort = 0;
    EXPECT_EQ(t.Receive(buf, sizeof buf, fromAddr, fromPort), 5);
    EXPECT_EQ(fromAddr, Addr("127.0.0.1"));
    EXPECT_EQ(fromPort, a.sin_port);
    EXPECT_EQ(t.Receive(buf, sizeof buf, fromAddr, fromPort), -1); // none waits: no block
    ::close(peer);

    // A wake from another thread ends a long wait at once.
    const auto t0 = std::chrono::steady_clock::now();
    std::thread waker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        t.Wake();
    });
    t.Wait(10000);
    waker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    t.Close();
    EXPECT_FALSE(t.IsOpen());
    EXPECT_EQ(t.LocalPort(), 0);
}

class LinkStateMachineTest : public ::testing::Test {
protected:
    MxLinkStateMachine sm{kTimeout, kPort, kNotify};
    const std::uint32_t peer = Addr("127.0.0.2");
    const std::uint16_t port = htons(kPort);
};

TEST_F(LinkStateMachineTest, NothingIsAcceptedOrDueWithoutALink) {
    EXPECT_EQ(sm.State(), MX_CONNECT_DISCONNECTED);
    EXPECT_FALSE(sm.MaySend());
    EXPECT_EQ(sm.Classify(peer, port), MxLinkStateMachine::Inbound::Foreign);
    EXPECT_EQ(sm.OnConnectState(MX_CONNECT_CONNECTED, 0), MxLinkStateMachine::Answer::Ignored);
    EXPECT_EQ(sm.OnConnectState(MX_CONNECT_LOST, 0), MxLinkStateMachine::Answer::Ignored);
    const auto due = sm.Tick(1000000);
    EXPECT_FALSE(due.keepAlive);
    EXPECT_FALSE(due.lost);
}

TEST_F(LinkStateMachineTest, ConnectsKeepsAliveAndIsLostOnceAfterTheTimeout) {
    sm.Connect(peer, kReply, 0);
    EXPECT_EQ(sm.State(), MX_CONNECT_CONNECTING);
    EXPECT_TRUE(sm.MaySend());
    EXPECT_EQ(sm.ConnectReply(), kReply);
    EXPECT_EQ(sm.Classify(peer, port), MxLinkStateMachine::Inbound::Accept);
    EXPECT_EQ(sm.Classify(Addr("127.0.0.3"), port), MxLinkStateMachine::Inbound::Foreign);
    EXPECT_EQ(sm.Classify(peer, htons(kPort + 1)), MxLinkStateMachine::Inbound::Foreign);
    // An unanswered connect is neither retried nor timed out.
    auto due = sm.Tick(10 * kTimeout);
    EXPECT_FALSE(due.keepAlive || due.lost);
    EXPECT_EQ(sm.State(), MX_CONNECT_CONNECTING);

    const std::uint64_t t0 = 100000;
    sm.Heard(t0);
    EXPECT_EQ(sm.OnConnectState(MX_CONNECT_CONNECTED, t0), MxLinkStateMachine::Answer::Connected);
    EXPECT_EQ(sm.State(), MX_CONNECT_CONNECTED);
    EXPECT_FALSE(sm.Tick(t0 + mxp::kKeepAlivePeriodMs - 1).keepAlive);
    EXPECT_TRUE(sm.Tick(t0 + mxp::kKeepAlivePeriodMs).keepAlive);
    sm.Heard(t0 + 1500);
    due = sm.Tick(t0 + 1500 + kTimeout);
    EXPECT_FALSE(due.lost);
    due = sm.Tick(t0 + 1500 + kTimeout + 1);
    EXPECT_TRUE(due.lost);
    EXPECT_EQ(sm.State(), MX_CONNECT_LOST);
    EXPECT_FALSE(sm.MaySend());
    EXPECT_EQ(sm.Classify(peer, port), MxLinkStateMachine::Inbound::AfterLoss);
    due = sm.Tick(t0 + 100 * kTimeout);
    EXPECT_FALSE(due.lost || due.keepAlive);
    // Until the next connect.
    sm.Connect(peer, nullptr, t0 + 200 * kTimeout);
    EXPECT_EQ(sm.ConnectReply(), kNotify);
    EXPECT_EQ(sm.Classify(peer, port), MxLinkStateMachine::Inbound::Accept);
}

TEST_F(LinkStateMachineTest, ConnectStatesTheLinkDoesNotDefineChangeNothing) {
    sm.Connect(peer, kReply, 0);
    for (std::int32_t s : {-1, 0, 1, 3, 5, INT_MAX, INT_MIN}) {
        EXPECT_EQ(sm.OnConnectState(s, 0), MxLinkStateMachine::Answer::Malformed) << s;
        EXPECT_EQ(sm.State(), MX_CONNECT_CONNECTING) << s;
    }
    ASSERT_EQ(sm.OnConnectState(MX_CONNECT_CONNECTED, 0), MxLinkStateMachine::Answer::Connected);
    for (std::int32_t s : {-1, 0, 1, 3, 5, INT_MAX, INT_MIN})
        EXPECT_EQ(sm.OnConnectState(s, 0), MxLinkStateMachine::Answer::Malformed) << s;
    EXPECT_EQ(sm.State(), MX_CONNECT_CONNECTED);
    EXPECT_TRUE(sm.Tick(mxp::kKeepAlivePeriodMs).keepAlive); // the link goes on
    // The instrument may end the link itself.
    EXPECT_EQ(sm.OnConnectState(MX_CONNECT_LOST, 10), MxLinkStateMachine::Answer::Lost);
    EXPECT_EQ(sm.State(), MX_CONNECT_LOST);
}

TEST_F(LinkStateMachineTest, AnswersFindTheWindowOfTheirCommandWhateverElseIsOutstanding) {
    sm.Sent(7, MX_CMD_FILE_LIST, MX_RW_DEFAULT, kReply);
    sm.Sent(8, MX_CMD_COPY_FILE, MX_RW_DEFAULT, kReply);
    sm.Sent(9, MX_CMD_FILE_DELETE, MX_RW_DEFAULT, kReply); // answered to nobody but the status pane
    sm.Sent(10, MX_CMD_FOLDER_LIST, MX_RW_DEFAULT, nullptr);
    sm.Sent(11, MX_CMD_MODULE_CAL, MX_RW_CAL_ATT_GET, kReply);
    sm.Sent(12, MX_CMD_MODULE_CAL, MX_RW_CAL_ATT_SET, kReply);
    // Many more commands in between, all still waiting (a copy of 20,000 files).
    for (std::uint32_t s = 100; s < 20100; ++s)
        sm.Sent(s, MX_CMD_COPY_FILE, MX_RW_DEFAULT, FakeHwnd(0x900));
    EXPECT_EQ(sm.ReplyWindow(7), kReply);
    EXPECT_EQ(sm.ReplyWindow(9), kNotify);
    EXPECT_EQ(sm.ReplyWindow(10), kNotify); // sent without a window
    EXPECT_EQ(sm.ReplyWindow(11), kReply);
    EXPECT_EQ(sm.ReplyWindow(12), kNotify);
    EXPECT_EQ(sm.ReplyWindow(0), kNotify);  // answers nothing
    EXPECT_EQ(sm.ReplyWindow(50), kNotify); // never sent

    // Progress of a copy keeps its window until the file is done; then a repeat matches nothing.
    EXPECT_EQ(sm.Answered(8, false).hwnd, kReply);
    const MxLinkStateMachine::Route done = sm.Answered(8, true);
    EXPECT_TRUE(done.matched);
    EXPECT_EQ(done.hwnd, kReply);
    EXPECT_FALSE(sm.Answered(8, true).matched);
    EXPECT_FALSE(sm.Answered(8, false).matched);
    // A listing is answered once.
    EXPECT_TRUE(sm.Answered(7, true).matched);
    EXPECT_FALSE(sm.Answered(7, true).matched);
    EXPECT_EQ(sm.Answered(20099, true).hwnd, FakeHwnd(0x900));
    EXPECT_FALSE(sm.Answered(0, true).matched);
}

TEST(EventTable, EachEventGoesToItsWindowAsItsMessage) {
    const auto u32s = [](std::initializer_list<std::uint32_t> v) { return mxp::EncodeU32s(v); };
    const struct {
        std::uint16_t id;
        std::vector<std::uint8_t> payload;
        MxEventTable::Result result;
        UINT msg;
        WPARAM wParam;
        bool toReply;
    } cases[] = {
        {mxp::EV_STATUS, u32s({0x1B00}), MxEventTable::Result::Delivery, WM_STATUS_MESSAGE, 0x1B00, false},
        {mxp::EV_STATUS, {1, 2, 3}, MxEventTable::Result::Malformed, 0, 0, false},
        {mxp::EV_WAIT, u32s({0}), MxEventTable::Result::Delivery, WM_WAIT_SHOW, 0, false},
        {mxp::EV_WAIT, u32s({1}), MxEventTable::Result::Delivery, WM_WAIT_DONE, 0, false},
        {mxp::EV_WAIT, u32s({2}), MxEventTable::Result::Malformed, 0, 0, false},
        {mxp::EV_PLAY_FILE_RESULT, u32s({2}), MxEventTable::Result::Delivery, WM_PLAY_FILE_RESULT, 2, true},
        {mxp::EV_PLAY_EVENT, u32s({9, 9}), MxEventTable::Result::Delivery, WM_PLAY_EVENT, 9, false},
        {mxp::EV_RENAME_RESULT, u32s({0}), MxEventTable::Result::Delivery, WM_RENAME_RESULT, 0, true},
        {mxp::EV_COPY_PROGRESS, u32s({100}), MxEventTable::Result::Delivery, WM_COPY_PROGRESS, 100, true},
        {mxp::EV_COPY_PROGRESS, u32s({101}), MxEventTable::Result::Malformed, 0, 0, true},
        {mxp::EV_DRIVE_FOUND, u32s({25}), MxEventTable::Result::Delivery, WM_DRIVE_FOUND, 25, true},
        {mxp::EV_DRIVE_FOUND, u32s({26}), MxEventTable::Result::Malformed, 0, 0, true},
        {mxp::EV_DRIVE_LIST_RESET, {}, MxEventTable::Result::Delivery, WM_DRIVE_LIST_RESET, 0, true},
        {mxp::EV_DRIVE_LIST_RESET, {0}, MxEventTable::Result::Malformed, 0, 0, true},
        {mxp::EV_TRANSFER_RATE, u32s({1999}), MxEventTable::Result::Delivery, WM_TRANSFER_RATE, 1999, false},
        {mxp::EV_PLAY_LIST_CLEAR, {}, MxEventTable::Result::Delivery, WM_PLAY_LIST_CLEAR, 0, false},
        {mxp::EV_KEEPALIVE, {}, MxEventTable::Result::NoMessage, 0, 0, false},
        {mxp::EV_KEEPALIVE, {0}, MxEventTable::Result::Malformed, 0, 0, false},
        {mxp::EV_CONNECT_STATE, {}, MxEventTable::Result::NotInTable, 0, 0, false},
        {mxp::EV_MEASURE, {}, MxEventTable::Result::NotInTable, 0, 0, false},
        {mxp::EV_DEVICE_INFO, {}, MxEventTable::Result::NotInTable, 0, 0, false},
        {0x1FF, u32s({1}), MxEventTable::Result::NotInTable, 0, 0, false},
    };
    for (const auto& c : cases) {
        MxEventOutcome out;
        const auto r = MxEventTable::Decode(c.id, c.payload.data(), c.payload.size(), out);
        EXPECT_EQ(r, c.result) << std::hex << c.id;
        if (r != MxEventTable::Result::Delivery)
            continue;
        EXPECT_EQ(out.msg, c.msg) << std::hex << c.id;
        EXPECT_EQ(out.wParam, c.wParam) << std::hex << c.id;
        EXPECT_EQ(out.toReplyWindow, c.toReply) << std::hex << c.id;
    }
}

TEST(EventTable, DeliveriesWriteTheirFieldsFirst) {
    CMarlixMFC g;
    MxEventOutcome out;
    auto v = mxp::EncodeU32s({138, 42, 5});
    ASSERT_EQ(MxEventTable::Decode(mxp::EV_PLAY_POSITION, v.data(), v.size(), out),
              MxEventTable::Result::Delivery);
    ASSERT_TRUE(out.apply);
    out.apply(g);
    EXPECT_EQ(g.DeviceDataStore.m_nPlayPosSec, 42u);
    EXPECT_EQ(g.DeviceState.m_nPlayMode, 5);

    v = mxp::EncodeU32s({1000, 250});
    ASSERT_EQ(MxEventTable::Decode(mxp::EV_TRANSFER, v.data(), v.size(), out),
              MxEventTable::Result::Delivery);
    out.apply(g);
    EXPECT_EQ(g.DeviceDataStore.m_nTransferTotal, 1000u);
    EXPECT_EQ(g.DeviceDataStore.m_nTransferDone, 250u);

    FileInfoRecord f{};
    mxp::CopyZ(f.m_szName, 100, u"a.bin");
    v = mxp::EncodeFileList({f, f});
    ASSERT_EQ(MxEventTable::Decode(mxp::EV_FILE_LIST, v.data(), v.size(), out),
              MxEventTable::Result::Delivery);
    EXPECT_TRUE(out.toReplyWindow);
    out.apply(g);
    EXPECT_EQ(g.DeviceDataStore.m_vecFiles.size(), 2u);

    mxp::Limits l = mxp::DefaultLimits(7);
    l.spectrumPoints = 30720;
    v = mxp::EncodeLimits(l);
    ASSERT_EQ(MxEventTable::Decode(mxp::EV_LIMITS, v.data(), v.size(), out), MxEventTable::Result::Delivery);
    EXPECT_EQ(out.msg, WM_GRAPH_AXES_UPDATE);
    EXPECT_FALSE(out.toReplyWindow);
    ASSERT_TRUE(out.hasLimits);
    EXPECT_EQ(out.limits.spectrumPoints, 30720u);
    l.levelMin = l.levelMax + 1;
    v = mxp::EncodeLimits(l);
    EXPECT_EQ(MxEventTable::Decode(mxp::EV_LIMITS, v.data(), v.size(), out), MxEventTable::Result::Malformed);
}

} // namespace
