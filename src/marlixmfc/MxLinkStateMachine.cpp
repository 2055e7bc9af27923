#include "marlixmfc/MxLinkStateMachine.h"

#include <arpa/inet.h>

#include "marlixmfc/MxLinkConfig.h"

namespace {

// Commands whose answers go to the window that sent them.
bool AnsweredToItsWindow(std::uint16_t id, std::uint16_t selector) {
    switch (id) {
    case MX_CMD_FOLDER_LIST:
    case MX_CMD_FILE_LIST:
    case MX_CMD_PLAY_FILE:
    case MX_CMD_FILE_RENAME_TO:
    case MX_CMD_COPY_FILE:
    case MX_CMD_PLAY_START:
    case MX_CMD_PLAY_START_STATE8:
    case MX_CMD_PLAY_START_STATE10:
    case MX_CMD_PLAY_STOP:
    case MX_CMD_PLAY_SEEK:
    case MX_CMD_STORAGE:
    case MX_CMD_RESCAN_DISK:
        return true;
    case MX_CMD_MODULE_CAL:
        return selector >= MX_RW_CAL_UPC_GET && selector <= MX_RW_CAL_DOC_GET;
    default:
        return false;
    }
}

} // namespace

MxLinkStateMachine::MxLinkStateMachine(unsigned timeoutMs, std::uint16_t instrumentPort, HWND notify)
    : m_timeoutMs(timeoutMs), m_portNet(htons(instrumentPort)), m_notify(notify), m_connectReply(notify) {}

void MxLinkStateMachine::Connect(std::uint32_t target, HWND reply, std::uint64_t nowMs) {
    m_peer = target;
    m_state = MX_CONNECT_CONNECTING;
    m_connectReply = reply != nullptr ? reply : m_notify;
    m_lastRx = nowMs;
}

void MxLinkStateMachine::Sent(std::uint32_t seq, std::uint16_t id, std::uint16_t selector, HWND reply) {
    if (seq == 0 || reply == nullptr || !AnsweredToItsWindow(id, selector))
        return;
    m_outstanding[seq] = reply;
    if (m_outstanding.size() > kMaxOutstanding)
        m_outstanding.erase(m_outstanding.begin());
}

MxLinkStateMachine::Route MxLinkStateMachine::Answered(std::uint32_t ref, bool final) {
    Route r;
    r.hwnd = m_notify;
    const auto it = m_outstanding.find(ref);
    if (ref == 0 || it == m_outstanding.end())
        return r;
    r.hwnd = it->second;
    r.matched = true;
    if (final)
        m_outstanding.erase(it);
    return r;
}

HWND MxLinkStateMachine::ReplyWindow(std::uint32_t ref) const {
    const auto it = m_outstanding.find(ref);
    return ref != 0 && it != m_outstanding.end() ? it->second : m_notify;
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
