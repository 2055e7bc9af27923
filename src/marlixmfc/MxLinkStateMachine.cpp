#include "marlixmfc/MxLinkStateMachine.h"

#include <arpa/inet.h>

#include "marlixmfc/MxLinkConfig.h"

namespace {
constexpr std::size_t kReplySlots = 1024; // commands whose answers may still come
}

MxLinkStateMachine::MxLinkStateMachine(unsigned timeoutMs, std::uint16_t instrumentPort, HWND notify)
    : m_timeoutMs(timeoutMs), m_portNet(htons(instrumentPort)), m_notify(notify), m_connectReply(notify),
      m_replies(kReplySlots) {}

void MxLinkStateMachine::Connect(std::uint32_t target, HWND reply, std::uint64_t nowMs) {
    m_peer = target;
    m_state = MX_CONNECT_CONNECTING;
    m_connectReply = reply != nullptr ? reply : m_notify;
    m_lastRx = nowMs;
}

std::uint32_t MxLinkStateMachine::NextSeq(HWND reply) {
    const std::uint32_t s = m_seq++;
    if (m_seq == 0)
        m_seq = 1; // 0 means "answers nothing"
    m_replies[s % m_replies.size()] = ReplyEntry{s, reply};
    return s;
}

HWND MxLinkStateMachine::ReplyWindow(std::uint32_t ref) const {
    if (ref != 0) {
        const ReplyEntry& e = m_replies[ref % m_replies.size()];
        if (e.seq == ref && e.hwnd != nullptr)
            return e.hwnd;
    }
    return m_notify;
}

MxLinkStateMachine::Inbound MxLinkStateMachine::Classify(std::uint32_t addr, std::uint16_t port) const {
    if (m_state == MX_CONNECT_DISCONNECTED || addr != m_peer || port != m_portNet)
        return Inbound::Foreign;
    if (m_state == MX_CONNECT_LOST)
        return Inbound::AfterLoss;
    return Inbound::Accept;
}

void MxLinkStateMachine::Heard(std::uint64_t nowMs) {
    m_lastRx = nowMs;
}

MxLinkStateMachine::Answer MxLinkStateMachine::OnConnectState(std::int32_t state, std::uint64_t nowMs) {
    // An instrument answers a connect with 2 or ends the link with 4; anything
    // else would stop the link without a word.
    if (state != MX_CONNECT_CONNECTED && state != MX_CONNECT_LOST)
        return Answer::Malformed;
    if (m_state != MX_CONNECT_CONNECTING && m_state != MX_CONNECT_CONNECTED)
        return Answer::Ignored;
    if (state == MX_CONNECT_CONNECTED) {
        m_state = MX_CONNECT_CONNECTED;
        m_lastKeepAlive = nowMs;
        return Answer::Connected;
    }
    m_state = MX_CONNECT_LOST;
    return Answer::Lost;
}

MxLinkStateMachine::Due MxLinkStateMachine::Tick(std::uint64_t nowMs) {
    Due due;
    if (m_state != MX_CONNECT_CONNECTED)
        return due; // an unanswered connect is neither retried nor timed out
    if (nowMs - m_lastKeepAlive >= mxp::kKeepAlivePeriodMs) {
        m_lastKeepAlive = nowMs;
        due.keepAlive = true;
    }
    if (nowMs - m_lastRx > m_timeoutMs) {
        m_state = MX_CONNECT_LOST;
        due.lost = true;
    }
    return due;
}
