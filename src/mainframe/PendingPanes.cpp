#include "mainframe/PendingPanes.h"

#include <algorithm>
#include <cmath>

bool PendingPanes::Set(int pane, UINT value) {
    if (pane < 0 || pane >= kPanes)
        return false;
    const bool wasEmpty = Empty();
    m_values[std::size_t(pane)] = value;
    return wasEmpty;
}

void PendingPanes::Drop(int pane) {
    if (pane >= 0 && pane < kPanes)
        m_values[std::size_t(pane)].reset();
}

bool PendingPanes::Empty() const {
    return std::none_of(m_values.begin(), m_values.end(), [](const auto& v) { return v.has_value(); });
}

std::optional<UINT> PendingPanes::Waiting(int pane) const {
    if (pane < 0 || pane >= kPanes)
        return std::nullopt;
    return m_values[std::size_t(pane)];
}

std::vector<std::pair<int, UINT>> PendingPanes::Take() {
    std::vector<std::pair<int, UINT>> out;
    for (int i = 0; i < kPanes; ++i) {
        if (m_values[std::size_t(i)])
            out.emplace_back(i, *m_values[std::size_t(i)]);
        m_values[std::size_t(i)].reset();
    }
    return out;
}

UINT PendingPanes::FrameMs(double refreshHz) {
    if (!std::isfinite(refreshHz) || refreshHz < 1.0)
        return kDefaultFrameMs;
    // A very fast or very slow display still gets a sensible pace.
    return UINT(std::clamp(std::lround(1000.0 / refreshHz), 4L, 50L));
}
