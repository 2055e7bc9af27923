// Sizes of the program's pictures and where the background pictures leave room
// for the controls placed over them (pixels).
#pragma once

namespace imglayout {

// Slider channel and thumb.
constexpr int kChannelW = 358, kChannelH = 17;
constexpr int kThumbW = 16, kThumbH = 15;
// Knob dial and knob.
constexpr int kDialSize = 103;
constexpr int kKnobSize = 16;

// Front-panel digit cells (all 17 high).
constexpr int kCellH = 17;
constexpr int kDigitW = 12;
constexpr int kSepW = 5;
constexpr int kSignW = 10;
// Play-bar time digits and their colon.
constexpr int kSmallDigitW = 7, kSmallDigitH = 10;
constexpr int kSmallColonW = 4;

// Front-panel background and the places it is drawn for.
constexpr int kPanelW = 173, kPanelH = 652;
constexpr int kRowW = 10 * kDigitW + 3 * kSepW; // 13-cell row
constexpr int kRowX = 8;
constexpr int kFreqTitleY = 10;
constexpr int kFreqRowY = 30;
constexpr int kAmTitleY = 66;
constexpr int kPresetRowAmY = 82;
constexpr int kFmTitleY = 110;
constexpr int kPresetRowFmY = 126;
constexpr int kPowerTitleY = 162;
constexpr int kDialX = 35, kDialY = 184;
constexpr int kStepRowY = 310;
constexpr int kLevelRowW = kSignW + 3 * kDigitW + kSepW + kDigitW;
constexpr int kLevelRowX = 50, kLevelRowY = 344;
constexpr int kClockTitleY = 386;
constexpr int kClockRowY = 406;

// Four-frame buttons: size of one frame.
constexpr int kPresetW = 32, kPresetH = 20;
constexpr int kStepW = 40, kStepH = 20;
constexpr int kTransportW = 48, kTransportH = 40;
constexpr int kTimeSetW = 64, kTimeSetH = 20;

// Play-bar background.
constexpr int kBarW = 952, kBarH = 83;
constexpr int kSeekX = 8, kSeekY = 6;
constexpr int kTransportY = 32;
constexpr int kTimeRowW = 6 * kSmallDigitW + 2 * kSmallColonW;
constexpr int kTimeGap = 40;
constexpr int kTimeX = 300, kTimeY = 58, kTimeH = kSmallDigitH;
constexpr int kInfoX = 560;

} // namespace imglayout
