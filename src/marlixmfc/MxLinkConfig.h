// Where the link may send: port, discovery targets and the loopback-only rule,
// taken from the environment (docs/link-protocol.md, "Overrides").
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace mxp {

// A connected link sends a keep-alive this often; the instrument answers each.
constexpr unsigned kKeepAlivePeriodMs = 1000;
// The shortest link-loss timeout: three keep-alive periods, so that one lost
// answer and a late one on a busy machine are not taken for a lost link.
constexpr unsigned kMinLinkTimeoutMs = 3 * kKeepAlivePeriodMs;
constexpr unsigned kMaxLinkTimeoutMs = 600000;
constexpr unsigned kDefaultLinkTimeoutMs = 4000;
// A timeout asked for, kept within kMinLinkTimeoutMs..kMaxLinkTimeoutMs.
unsigned SafeLinkTimeoutMs(unsigned long long ms);

struct LinkConfig {
    std::uint16_t port = 50600;                     // MARLIX_PORT
    bool targetsOverridden = false;                 // MARLIX_DISCOVERY_TARGETS is set
    std::vector<std::uint32_t> targets;             // network byte order
    bool loopbackOnly = false;                      // MARLIX_LOOPBACK_ONLY=1
    unsigned linkTimeoutMs = kDefaultLinkTimeoutMs; // MARLIX_LINK_TIMEOUT_MS
};

// Reads the environment now. Without MARLIX_DISCOVERY_TARGETS the targets are the
// broadcast address of every IPv4 interface that has one, plus 255.255.255.255;
// with it, only the addresses it lists (an empty or invalid list gives none).
LinkConfig ReadLinkConfig();
// The default targets (interface broadcast addresses and 255.255.255.255).
std::vector<std::uint32_t> DefaultDiscoveryTargets();
bool IsLoopback(std::uint32_t addrNetworkOrder);
// May the link send to this address under cfg? (Never 0.0.0.0; never a broadcast or
// multicast address for a connected link; only 127/8 when loopback-only.)
bool MaySendTo(const LinkConfig& cfg, std::uint32_t addrNetworkOrder, bool forDiscovery);
std::string Dotted(std::uint32_t addrNetworkOrder);
// Dotted IPv4 text to network order; false when not four decimal parts 0..255.
bool ParseDotted(const std::string& text, std::uint32_t& addrNetworkOrder);

} // namespace mxp
