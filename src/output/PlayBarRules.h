// The play bar's rules, without a window: button looks after each action, the
// HH:MM:SS digits, the commands of Play, where the seek slider goes on a
// position report, and the total time after a sample-clock change.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "device/MxTypes.h"

namespace PlayBarRules {

enum class Look { Unchanged, Enabled, Disabled };

struct ButtonLooks {
    Look open = Look::Unchanged;
    Look play = Look::Unchanged;
    Look stop = Look::Unchanged;
    Look prevNext = Look::Unchanged;
    Look timeSet = Look::Unchanged;
};

enum class BarAction { ClearFile, LoadFile, Play, Stop, Finished, ResetAll };

ButtonLooks LooksAfter(BarAction action, std::size_t playListSize, bool hasFileName);
// Prev and Next step through a play list of two items or more.
bool CanStep(std::size_t playListSize);

// Largest time the six digits can show: 99:59:59.
constexpr std::uint32_t kMaxDigitSeconds = 99u * 3600u + 59u * 60u + 59u;
// Digits from left to right: hours tens, hours units, minutes tens and units,
// seconds tens and units; seconds beyond 99:59:59 show 99:59:59.
std::array<int, 6> TimeDigits(std::uint32_t seconds);

struct Command {
    MX_CMD_ID_e id;
    std::vector<std::uint8_t> payload;
};
Command SeekCommand(std::int32_t seconds);
// What Play sends for the instrument's play mode and the Play page's start time.
std::vector<Command> PlayCommands(std::int32_t playMode, std::int32_t startSec);

// Kinds of WM_PLAY_POSITION.
constexpr int kPositionPlaying = 138;
constexpr int kPositionSeek = 145;
constexpr int kPositionStopped = 146;
// The slider's position after a report of `kind` at `pos`; other kinds leave `current`.
int SliderAfterPosition(int kind, int pos, int current);
// A reported position as the bar shows it: within the slider's range.
int ShownPosition(std::uint32_t reported, int min, int max);

// Total seconds after the sample clock changed from oldClock to newClock: the
// file's play time at its own clock scaled by the clock ratio, limited to what
// an int holds. A clock that is no usable clock changes nothing.
std::int32_t ScaledTotalSeconds(std::int32_t fileTimeSec, double fileClock, double newClock,
                                std::int32_t currentTotal);

} // namespace PlayBarRules
