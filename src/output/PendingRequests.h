// Requests out to the instrument, each known by its command's identity, the
// newest one for each key (a folder) only: an answer is taken when it names one
// of them, whatever its age or the order answers come in.
#pragma once
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>
#include <optional>

template <class Key> class PendingRequests {
public:
    // A request for key went out as command ref; it supersedes an older one for the
    // same key. A ref of 0 (never queued) is nothing to wait for.
    void Sent(const Key& key, std::uint32_t ref) {
        if (ref == 0)
            return;
        for (auto it = m_byRef.begin(); it != m_byRef.end();)
            it = it->second == key ? m_byRef.erase(it) : std::next(it);
        m_byRef[ref] = key;
        // Never-answered ones cannot pile up for ever.
        if (m_byRef.size() > kMax)
            m_byRef.erase(m_byRef.begin());
    }
    // The key of the request ref answers, which ends; nothing when ref names none.
    std::optional<Key> Take(std::uint32_t ref) {
        const auto it = m_byRef.find(ref);
        if (ref == 0 || it == m_byRef.end())
            return std::nullopt;
        Key key = it->second;
        m_byRef.erase(it);
        return key;
    }
    bool Awaiting(const Key& key) const {
        for (const auto& r : m_byRef)
            if (r.second == key)
                return true;
        return false;
    }
    void Clear() { m_byRef.clear(); }

private:
    static constexpr std::size_t kMax = 4096;
    std::map<std::uint32_t, Key> m_byRef; // identity -> key asked for
};
