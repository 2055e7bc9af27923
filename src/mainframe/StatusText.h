// Texts of the status bar: the instrument's status codes and the eight panes.
#pragma once
#include <QString>
#include <cstdint>
#include <optional>

namespace StatusText {

constexpr int kPaneCount = 8;
// Widths in pixels, pane 0 first.
extern const int kPaneWidths[kPaneCount];

// The fixed text of an instrument status code; codes 0 and 1 are empty, every
// code not in the table is "Error Unknown".
QString CodeText(std::int32_t code);

// Text a pane shows when the frame is created (pane 6 holds the progress bar).
QString InitialPaneText(int pane);

// The new text of pane 1..5 or 7 for a value, or nothing when that value leaves
// the pane as it was. Pane 0 takes CodeText; pane 6 is the progress bar.
std::optional<QString> PaneText(int pane, std::uint32_t value);

// Transfer progress in percent, 0..100; a total of 0 counts as done. Worked out
// in 64 bits: done * 100 would overflow 32 bits for transfers above 42 MB.
int TransferPercent(std::uint32_t done, std::uint32_t total);

} // namespace StatusText
