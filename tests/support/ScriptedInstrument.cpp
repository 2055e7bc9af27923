#include "ScriptedInstrument.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <chrono>

#include "LinkTestSupport.h"
#include "marlixmfc/MxProtocol.h"

ScriptedInstrument::ScriptedInstrument(const char* address) {
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    m_addr = Addr(address);
    a.sin_addr.s_addr = m_addr;
    a.sin_port = htons(TestPort());
    bound = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    // Floods are sent faster than the library may read them.
    int size = 8 << 20;
    if (m_fd >= 0)
        ::setsockopt(m_fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
}

ScriptedInstrument::~ScriptedInstrument() {
    StopFlood();
    if (m_fd >= 0)
        ::close(m_fd);
}

bool ScriptedInstrument::ReceiveOne(int waitMs) {
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, waitMs) <= 0)
        return false;
    std::vector<std::uint8_t> buf(65536);
    sockaddr_in from{};
    socklen_t len = sizeof from;
    const ssize_t n = ::recvfrom(m_fd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
    mxp::Datagram d;
    if (n <= 0 || mxp::DecodeDatagram(buf.data(), static_cast<std::size_t>(n), d) != mxp::DecodeError::None)
        return true;
    if (d.h.id == MX_CMD_DISCONNECT)
        return true; // from the send-at-once socket: not the client's port
    m_client = from;
    const auto now = std::chrono::steady_clock::now();
    if (d.h.id == mxp::LINK_KEEPALIVE) {
        keepAlives.push_back(now);
        if (answerKeepAlives)
            Send(mxp::EV_KEEPALIVE, d.h.seq, {});
        return true;
    }
    commands.push_back(
        {d.h.id, d.h.seq, std::vector<std::uint8_t>(d.payload, d.payload + d.size), keepAlives.size(), now});
    return true;
}

bool ScriptedInstrument::AnswerConnect(const DeviceInfoRecord& record, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::size_t before = commands.size();
        ReceiveOne(50);
        for (std::size_t i = before; i < commands.size(); ++i) {
            if (commands[i].id != MX_CMD_CONNECT)
                continue;
            mxp::Writer w;
            w.I32(2);
            mxp::PutDeviceInfo(w, record);
            Send(mxp::EV_CONNECT_STATE, commands[i].seq, w.Data());
            return true;
        }
    }
    return false;
}

bool ScriptedInstrument::Connect(CMarlixMFC& lib, QueueSink& sink, const DeviceInfoRecord& record) {
    lib.DeviceState.m_nDeviceIP = m_addr;
    if (!lib.BeginConnectedUDPThread())
        return false;
    const std::uint16_t param = 0;
    const std::size_t before = sink.Count(WM_CONNECT_STATE);
    if (lib.MxAddCmd(MX_CMD_CONNECT, MX_RW_DEFAULT, sizeof param, &param, lib.m_hNotifyWnd) != 1 ||
        !AnswerConnect(record))
        return false;
    return sink.PumpUntil([&] { return sink.Count(WM_CONNECT_STATE) > before; }, 10000);
}

void ScriptedInstrument::Serve(int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < deadline)
        ReceiveOne(10);
}

void ScriptedInstrument::ServeWaiting() {
    while (ReceiveOne(0)) {
    }
}

void ScriptedInstrument::Send(std::uint16_t id, std::uint32_t ref, const std::vector<std::uint8_t>& payload) {
    for (const auto& dg : mxp::EncodeMessage(mxp::FLAG_FROM_INSTRUMENT, id, MX_RW_DEFAULT, m_seq++, ref,
                                             payload.data(), payload.size()))
        ::sendto(m_fd, dg.data(), dg.size(), 0, reinterpret_cast<const sockaddr*>(&m_client),
                 sizeof m_client);
}

void ScriptedInstrument::SendU32s(std::uint16_t id, const std::vector<std::uint32_t>& values,
                                  std::uint32_t ref) {
    mxp::Writer w;
    for (std::uint32_t v : values)
        w.U32(v);
    Send(id, ref, w.Data());
}

void ScriptedInstrument::StartFlood(std::uint16_t id, const std::vector<std::uint8_t>& payload, int senders) {
    StopFlood();
    m_floodStop = false;
    const auto dgrams = mxp::EncodeMessage(mxp::FLAG_FROM_INSTRUMENT, id, MX_RW_DEFAULT, m_seq++, 0,
                                           payload.data(), payload.size());
    for (int i = 0; i < senders; ++i)
        m_flood.emplace_back([this, dgrams, to = m_client] {
            while (!m_floodStop.load(std::memory_order_relaxed))
                for (const auto& dg : dgrams)
                    if (::sendto(m_fd, dg.data(), dg.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                                 sizeof to) > 0)
                        m_floodSent.fetch_add(1, std::memory_order_relaxed);
        });
}

unsigned long long ScriptedInstrument::StopFlood() {
    m_floodStop = true;
    for (auto& t : m_flood)
        t.join();
    m_flood.clear();
    return m_floodSent.exchange(0);
}
