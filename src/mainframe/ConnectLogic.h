// Rules of the connection road that need no window: the typed address, the
// address history mirrored by the toolbar combo, and the texts of the device list.
#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>

namespace ConnectLogic {

constexpr int kHistoryMax = 10;

// A dotted IPv4 address (four decimal parts 0..255, blanks around it allowed)
// to network byte order. The all-zeros and all-ones addresses are refused too:
// neither names one instrument, and all-ones would broadcast.
bool ParseDeviceAddress(const QString& text, std::uint32_t* pNetOrder);
// The message shown when a typed address is refused.
QString InvalidAddressMessage(const QString& text);

// What the combo's drop-down list must do to mirror one history change.
struct HistoryEdit {
    enum Kind { None, Inserted, Moved } kind = None;
    // Inserted: the combo item dropped from the bottom (-1 none).
    // Moved: the combo item taken out before the address goes back in as item 0.
    int removedIndex = -1;
    bool selectInserted = false; // Moved: the re-inserted item 0 becomes the selection
};

// Most recent first, compared exactly; at most kHistoryMax entries.
HistoryEdit AddToHistory(QStringList& history, const QString& address);

// Four version bytes shown most significant (byte 3) first.
QString FormatVersion(const std::uint8_t bytes[4]);
QString BoardRevisionText(std::uint32_t boardRev);

// Index of the first of the first `count` rows whose address equals `address`, or -1.
int FindRow(const QStringList& rowAddresses, int count, const QString& address);

} // namespace ConnectLogic
