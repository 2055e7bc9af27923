#include "marlixmfc/MxLinkTransport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include "marlixmfc/MxCounters.h"

MxLinkTransport::~MxLinkTransport() {
    Close();
}

bool MxLinkTransport::Open(bool broadcast) {
    Close();
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return false;
    if (broadcast) {
        int on = 1;
        ::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    }
    // Room for a whole folder listing (up to 2 MiB in some 1400 datagrams) while
    // this thread waits for the CPU; the system may grant less (net.core.rmem_max).
    int rcvbuf = 4 << 20;
    ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = 0;
    m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wake < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        Close();
        return false;
    }
    return true;
}

void MxLinkTransport::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_wake >= 0)
        ::close(m_wake);
    m_fd = m_wake = -1;
}

std::uint16_t MxLinkTransport::LocalPort() const {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (m_fd < 0 || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return 0;
    return ntohs(a.sin_port);
}

void MxLinkTransport::Wake() {
    if (m_wake < 0)
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t r = ::write(m_wake, &one, sizeof one);
}

void MxLinkTransport::Wait(int timeoutMs) {
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wake, POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) > 0 && (fds[1].revents & POLLIN)) {
        std::uint64_t v;
        [[maybe_unused]] ssize_t r = ::read(m_wake, &v, sizeof v);
    }
}

long MxLinkTransport::Receive(std::uint8_t* buf, std::size_t capacity, std::uint32_t& fromAddr,
                              std::uint16_t& fromPort) {
    sockaddr_in from{};
    socklen_t len = sizeof from;
    const ssize_t n = ::recvfrom(m_fd, buf, capacity, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0)
        return -1;
    // Only IPv4 reaches an AF_INET socket; anything else is nobody's address.
    fromAddr = from.sin_family == AF_INET ? from.sin_addr.s_addr : 0;
    fromPort = from.sin_family == AF_INET ? from.sin_port : 0;
    return static_cast<long>(n);
}

bool MxLinkTransport::Send(const std::vector<std::vector<std::uint8_t>>& dgrams, std::uint32_t addr,
                           std::uint16_t port, MxCounters& counters) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = addr;
    to.sin_port = htons(port);
    bool ok = !dgrams.empty();
    for (const auto& d : dgrams) {
        if (::sendto(m_fd, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0)
            ok = false;
        else
            counters.txDatagrams.fetch_add(1, std::memory_order_relaxed);
    }
    return ok;
}
