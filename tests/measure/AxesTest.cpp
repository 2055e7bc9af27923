// Block sizes the graphs were not set up for: the library asks for new axes
// first. A scripted instrument on loopback sends exactly the blocks wanted.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <vector>

#include "LinkTestSupport.h"
#include "marlixmfc/MxProtocol.h"

namespace {

const HWND kMain = FakeHwnd(0x100);
constexpr const char* kAddr = "127.0.0.42";

class ScriptedInstrument {
public:
    ScriptedInstrument() {
        m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = Addr(kAddr);
        a.sin_port = htons(TestPort());
        bound = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~ScriptedInstrument() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    // Waits for MX_CMD_CONNECT and answers it as an instrument of `points` points.
    bool AnswerConnect(std::uint32_t points) {
        std::vector<std::uint8_t> buf(65536);
        for (int tries = 0; tries < 100; ++tries) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            socklen_t len = sizeof m_client;
            const ssize_t n =
                ::recvfrom(m_fd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&m_client), &len);
            mxp::Datagram d;
            if (n <= 0 ||
                mxp::DecodeDatagram(buf.data(), static_cast<std::size_t>(n), d) != mxp::DecodeError::None ||
                d.h.id != MX_CMD_CONNECT)
                continue;
            DeviceInfoRecord r{};
            r.m_nSpectrumPoints = points;
            mxp::Writer w;
            w.I32(2);
            mxp::PutDeviceInfo(w, r);
            Send(mxp::EV_CONNECT_STATE, d.h.seq, w.Data());
            return true;
        }
        return false;
    }
    void Block(std::uint32_t points, double clock = 744187.5) {
        std::vector<std::int16_t> s(2 * points, 100);
        mxp::MeasureHead h;
        h.points = points;
        h.playMode = 5;
        h.sampleClock = clock;
        Send(mxp::EV_MEASURE, 0, mxp::EncodeMeasure(h, s.data(), s.data() + points));
    }
    bool bound = false;

private:
    void Send(std::uint16_t id, std::uint32_t ref, const std::vector<std::uint8_t>& payload) {
        for (const auto& dg : mxp::EncodeMessage(mxp::FLAG_FROM_INSTRUMENT, id, MX_RW_DEFAULT, m_seq++, ref,
                                                 payload.data(), payload.size()))
            ::sendto(m_fd, dg.data(), dg.size(), 0, reinterpret_cast<const sockaddr*>(&m_client),
                     sizeof m_client);
    }
    int m_fd = -1;
    sockaddr_in m_client{};
    std::uint32_t m_seq = 1;
};

TEST(AxesTest, ANewBlockSizeAsksForNewAxesBeforeItsData) {
    UseLoopback(kAddr);
    ScriptedInstrument inst;
    ASSERT_TRUE(inst.bound);
    QueueSink sink;
    CMarlixMFC lib;
    lib.m_hNotifyWnd = kMain;
    lib.SetPostSink(&sink);
    lib.DeviceState.m_nDeviceIP = Addr(kAddr);
    ASSERT_TRUE(lib.BeginConnectedUDPThread());
    const std::uint16_t param = 0;
    ASSERT_EQ(lib.MxAddCmd(MX_CMD_CONNECT, MX_RW_DEFAULT, 2, &param, kMain), 1);
    ASSERT_TRUE(inst.AnswerConnect(8192));
    ASSERT_TRUE(sink.PumpUntil([&] { return sink.Count(WM_CONNECT_STATE) == 1; }, 10000));
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
    inst.Block(8192); // the size announced: no new axes
    ASSERT_TRUE(pump(1));
    inst.Block(4096);
    ASSERT_TRUE(pump(2));
    inst.Block(4096);
    inst.Block(4096, NAN); // malformed: no message at all
    inst.Block(8192);
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
