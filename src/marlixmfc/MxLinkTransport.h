// One UDP socket of the device library with its wake-up: open, wait, receive,
// send. Used by the discovery thread and the connected-link thread; the socket
// is opened and closed on the GUI thread, around the thread that uses it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct MxCounters;

class MxLinkTransport {
public:
    MxLinkTransport() = default;
    ~MxLinkTransport();
    MxLinkTransport(const MxLinkTransport&) = delete;
    MxLinkTransport& operator=(const MxLinkTransport&) = delete;

    // A non-blocking socket on an ephemeral port of every address, and the wake-up.
    bool Open(bool broadcast);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    // The ephemeral port it was given (host order); 0 when closed.
    std::uint16_t LocalPort() const;

    // Any thread: ends the current or next Wait at once.
    void Wake();
    // Up to timeoutMs for a datagram or a Wake.
    void Wait(int timeoutMs);
    // The next waiting datagram: its size, or -1 when none waits. from*: the
    // sender, both in network order.
    long Receive(std::uint8_t* buf, std::size_t capacity, std::uint32_t& fromAddr, std::uint16_t& fromPort);
    // Every datagram to addr:port (network order, port in host order); false when
    // one could not be sent. Counts what went out.
    bool Send(const std::vector<std::vector<std::uint8_t>>& dgrams, std::uint32_t addr, std::uint16_t port,
              MxCounters& counters);

private:
    int m_fd = -1;
    int m_wake = -1;
};
