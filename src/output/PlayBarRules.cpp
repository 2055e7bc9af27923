#include "output/PlayBarRules.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "output/FrontPanelRules.h"

namespace PlayBarRules {

ButtonLooks LooksAfter(BarAction action, std::size_t playListSize, bool hasFileName) {
    ButtonLooks l;
    switch (action) {
    case BarAction::ClearFile:
        l = {Look::Enabled, Look::Disabled, Look::Disabled, Look::Disabled, Look::Enabled};
        break;
    case BarAction::LoadFile:
        l.play = Look::Enabled;
        l.stop = Look::Disabled;
        l.prevNext = CanStep(playListSize) ? Look::Enabled : Look::Disabled;
        break;
    case BarAction::Play:
        l.open = Look::Disabled;
        l.stop = Look::Enabled;
        break;
    case BarAction::Stop:
        l.open = Look::Enabled;
        l.play = Look::Enabled;
        l.stop = Look::Disabled;
        break;
    case BarAction::Finished:
        l.open = Look::Enabled;
        l.play = hasFileName ? Look::Enabled : Look::Disabled;
        l.stop = Look::Disabled;
        break;
    case BarAction::ResetAll:
        l.open = Look::Enabled;
        l.play = l.stop = l.prevNext = Look::Disabled;
        break;
    }
    return l;
}

bool CanStep(std::size_t playListSize) {
    return playListSize >= 2;
}

std::array<int, 6> TimeDigits(std::uint32_t s) {
    if (s > kMaxDigitSeconds)
        s = kMaxDigitSeconds;
    const std::uint32_t m = (s / 60u) % 60u;
    return {int(s / 36000u), int((s / 3600u) % 10u), int(m / 10u),
            int(m % 10u),    int((s % 60u) / 10u),   int((s % 60u) % 10u)};
}

Command SeekCommand(std::int32_t seconds) {
    Command c{MX_CMD_PLAY_SEEK, std::vector<std::uint8_t>(sizeof seconds)};
    std::memcpy(c.payload.data(), &seconds, sizeof seconds);
    return c;
}

std::vector<Command> PlayCommands(std::int32_t playMode, std::int32_t startSec) {
    if (playMode == 8)
        return {{MX_CMD_PLAY_START_STATE8, {}}};
    if (playMode == 10)
        return {{MX_CMD_PLAY_START_STATE10, {}}};
    std::vector<Command> v;
    if (startSec != 0)
        v.push_back(SeekCommand(startSec));
    v.push_back({MX_CMD_PLAY_START, {}});
    return v;
}

int SliderAfterPosition(int kind, int pos, int current) {
    if (kind == kPositionPlaying || kind == kPositionSeek)
        return pos;
    if (kind == kPositionStopped)
        return 0;
    return current;
}

int ShownPosition(std::uint32_t reported, int min, int max) {
    if (max < min)
        max = min;
    return int(std::clamp<long long>(reported, min, max));
}

std::int32_t ScaledTotalSeconds(std::int32_t fileTimeSec, double fileClock, double newClock,
                                std::int32_t currentTotal) {
    if (!frontpanel::UsableClockKHz(fileClock) || !frontpanel::UsableClockKHz(newClock))
        return currentTotal;
    const double t = std::trunc(double(fileTimeSec) * fileClock / newClock);
    if (!(t >= 0.0))
        return 0;
    if (t > double(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return std::int32_t(t);
}

} // namespace PlayBarRules
