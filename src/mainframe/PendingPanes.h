// Status-pane values waiting for the next display frame. Reports from the
// instrument may come thousands a second; only the newest of each pane is shown,
// all together once a frame, so a flood costs one paint a frame and no backlog.
#pragma once
#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "winbase/WinTypes.h"

class PendingPanes {
public:
    static constexpr int kPanes = 8;
    static constexpr UINT kDefaultFrameMs = 16;

    // True when nothing was waiting before: the caller starts the frame timer.
    bool Set(int pane, UINT value);
    void Drop(int pane);
    bool Empty() const;
    // The value waiting for pane, if any.
    std::optional<UINT> Waiting(int pane) const;
    // The waiting values in pane order; nothing waits afterwards.
    std::vector<std::pair<int, UINT>> Take();

    // One display frame in ms for a refresh rate in Hz (none known: 60 Hz).
    static UINT FrameMs(double refreshHz);

private:
    std::array<std::optional<UINT>, kPanes> m_values;
};
