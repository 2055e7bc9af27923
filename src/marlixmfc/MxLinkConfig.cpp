#include "marlixmfc/MxLinkConfig.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace mxp {

namespace {
// The configuration is read at every discovery and link start: say it once per value.
void WarnOnce(const char* text, unsigned used) {
    static std::mutex lock;
    static std::string last;
    std::lock_guard<std::mutex> guard(lock);
    if (last == text)
        return;
    last = text;
    std::fprintf(stderr, "MarlixMFC: MARLIX_LINK_TIMEOUT_MS=%s is not a timeout of %u..%u ms; %u ms used\n",
                 text, kMinLinkTimeoutMs, kMaxLinkTimeoutMs, used);
}
} // namespace

unsigned SafeLinkTimeoutMs(unsigned long long ms) {
    return static_cast<unsigned>(std::clamp<unsigned long long>(ms, kMinLinkTimeoutMs, kMaxLinkTimeoutMs));
}

bool ParseDotted(const std::string& text, std::uint32_t& out) {
    unsigned parts[4];
    int n = 0;
    std::size_t i = 0;
    while (n < 4) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9')
            return false;
        unsigned v = 0;
        int digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            v = v * 10 + unsigned(text[i] - '0');
            if (++digits > 3 || v > 255)
                return false;
            ++i;
        }
        parts[n++] = v;
        if (n < 4) {
            if (i >= text.size() || text[i] != '.')
                return false;
            ++i;
        }
    }
    if (i != text.size())
        return false;
    const std::uint32_t host = (parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | parts[3];
    out = htonl(host);
    return true;
}

std::string Dotted(std::uint32_t a) {
    char buf[INET_ADDRSTRLEN] = {};
    in_addr in{};
    in.s_addr = a;
    inet_ntop(AF_INET, &in, buf, sizeof buf);
    return buf;
}

bool IsLoopback(std::uint32_t a) {
    return (ntohl(a) >> 24) == 127;
}

std::vector<std::uint32_t> DefaultDiscoveryTargets() {
    std::vector<std::uint32_t> v;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) == 0) {
        for (ifaddrs* p = list; p != nullptr; p = p->ifa_next) {
            if (p->ifa_addr == nullptr || p->ifa_addr->sa_family != AF_INET)
                continue;
            if (!(p->ifa_flags & IFF_UP) || !(p->ifa_flags & IFF_BROADCAST) || p->ifa_broadaddr == nullptr)
                continue;
            const auto* b = reinterpret_cast<const sockaddr_in*>(p->ifa_broadaddr);
            if (b->sin_addr.s_addr != 0 && std::find(v.begin(), v.end(), b->sin_addr.s_addr) == v.end())
                v.push_back(b->sin_addr.s_addr);
        }
        freeifaddrs(list);
    }
    const std::uint32_t all = htonl(INADDR_BROADCAST);
    if (std::find(v.begin(), v.end(), all) == v.end())
        v.push_back(all);
    return v;
}

LinkConfig ReadLinkConfig() {
    LinkConfig c;
    if (const char* p = std::getenv("MARLIX_PORT")) {
        char* end = nullptr;
        const long v = std::strtol(p, &end, 10);
        if (end != p && *end == 0 && v > 0 && v < 65536)
            c.port = static_cast<std::uint16_t>(v);
    }
    if (const char* p = std::getenv("MARLIX_LOOPBACK_ONLY"))
        c.loopbackOnly = std::strcmp(p, "1") == 0;
    if (const char* p = std::getenv("MARLIX_LINK_TIMEOUT_MS")) {
        char* end = nullptr;
        const long long v = std::strtoll(p, &end, 10);
        const bool number = end != p && *end == 0 && v > 0;
        if (number)
            c.linkTimeoutMs = SafeLinkTimeoutMs(static_cast<unsigned long long>(v));
        if (!number || c.linkTimeoutMs != static_cast<unsigned long long>(v))
            WarnOnce(p, c.linkTimeoutMs);
    }
    if (const char* p = std::getenv("MARLIX_DISCOVERY_TARGETS")) {
        c.targetsOverridden = true;
        std::string s(p);
        std::size_t start = 0;
        while (start <= s.size()) {
            std::size_t comma = s.find(',', start);
            if (comma == std::string::npos)
                comma = s.size();
            std::string item = s.substr(start, comma - start);
            item.erase(0, item.find_first_not_of(" \t"));
            const auto last = item.find_last_not_of(" \t");
            item.erase(last == std::string::npos ? 0 : last + 1);
            std::uint32_t a;
            if (ParseDotted(item, a) && std::find(c.targets.begin(), c.targets.end(), a) == c.targets.end())
                c.targets.push_back(a);
            start = comma + 1;
        }
    } else {
        c.targets = DefaultDiscoveryTargets();
    }
    return c;
}

bool MaySendTo(const LinkConfig& cfg, std::uint32_t a, bool forDiscovery) {
    const std::uint32_t h = ntohl(a);
    if (h == 0)
        return false;
    if ((h >> 28) == 0xE)
        return false; // multicast
    if (cfg.loopbackOnly)
        return IsLoopback(a);
    if (!forDiscovery) {
        if (h == 0xFFFFFFFFu)
            return false;
        // A connected link never goes to an interface's broadcast address.
        const auto defaults = DefaultDiscoveryTargets();
        if (std::find(defaults.begin(), defaults.end(), a) != defaults.end())
            return false;
    }
    return true;
}

} // namespace mxp
