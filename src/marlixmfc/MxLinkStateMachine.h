// The connected link's own state: which instrument it talks to, what it accepts
// from the network, when a keep-alive is due and when the link counts as lost,
// and the reply window of each command sent. No sockets and no clock of its
// own: the link thread feeds it times, addresses and answers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>

#include "device/MxTypes.h"
#include "winbase/WinTypes.h"

class MxLinkStateMachine {
public:
    // timeoutMs: silence after which a connected link is lost; instrumentPort in
    // host order; notify: the window of messages that name no command.
    MxLinkStateMachine(unsigned timeoutMs, std::uint16_t instrumentPort, HWND notify);

    std::int32_t State() const { return m_state; } // _MxConnectState_e
    std::uint32_t Peer() const { return m_peer; }  // network order
    // The window the connect named: connection states go there.
    HWND ConnectReply() const { return m_connectReply; }

    // MX_CMD_CONNECT goes out to target: a new link is being made.
    void Connect(std::uint32_t target, HWND reply, std::uint64_t nowMs);
    // Queued commands go out only while there is an instrument to send to.
    bool MaySend() const { return m_state == MX_CONNECT_CONNECTING || m_state == MX_CONNECT_CONNECTED; }
    // Command seq (id) goes out with its reply window. Commands answered to
    // their own window are kept until answered (the oldest go when more than
    // kMaxOutstanding are), whatever else is outstanding.
    void Sent(std::uint32_t seq, std::uint16_t id, std::uint16_t selector, HWND reply);
    static constexpr std::size_t kMaxOutstanding = 65536;

    // Where an answer that names command ref goes.
    struct Route {
        HWND hwnd = nullptr;
        bool matched = false; // ref names an outstanding command
    };
    // final: the command is answered by this (it is forgotten).
    Route Answered(std::uint32_t ref, bool final);
    // The window of the command an answer names by its ref; the notification
    // window when it names none, or one no longer outstanding.
    HWND ReplyWindow(std::uint32_t ref) const;

    enum class Inbound {
        Accept,    // from the instrument, to be decoded
        Foreign,   // no link, or another address or port
        AfterLoss, // the instrument, but the link is lost until the next connect
    };
    // addr and port as received (network order).
    Inbound Classify(std::uint32_t addr, std::uint16_t port) const;
    // A valid datagram came from the instrument.
    void Heard(std::uint64_t nowMs);

    enum class Answer {
        Malformed, // a state the link does not define
        Ignored,   // no connect is waiting or running
        Connected, // post WM_CONNECT_STATE 2
        Lost,      // post WM_CONNECT_STATE 4: the instrument ended the link
    };
    Answer OnConnectState(std::int32_t state, std::uint64_t nowMs);

    struct Due {
        bool keepAlive = false;
        bool lost = false; // post WM_CONNECT_STATE 4, once
    };
    Due Tick(std::uint64_t nowMs);

private:
    unsigned m_timeoutMs;
    std::uint16_t m_portNet;
    HWND m_notify;
    std::int32_t m_state = MX_CONNECT_DISCONNECTED;
    std::uint32_t m_peer = 0;
    HWND m_connectReply;
    std::uint64_t m_lastRx = 0, m_lastKeepAlive = 0;
    std::map<std::uint32_t, HWND> m_outstanding; // seq -> reply window
};
