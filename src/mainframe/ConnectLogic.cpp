#include "mainframe/ConnectLogic.h"

namespace ConnectLogic {

bool ParseDeviceAddress(const QString& text, std::uint32_t* pNetOrder) {
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    std::uint8_t octets[4];
    for (int i = 0; i < 4; ++i) {
        const QString& p = parts[i];
        if (p.isEmpty() || p.size() > 3)
            return false;
        int v = 0;
        for (QChar c : p) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
            v = v * 10 + (c.unicode() - '0');
        }
        if (v > 255)
            return false;
        octets[i] = static_cast<std::uint8_t>(v);
    }
    const std::uint32_t hostOrder = (std::uint32_t(octets[0]) << 24) | (std::uint32_t(octets[1]) << 16) |
                                    (std::uint32_t(octets[2]) << 8) | std::uint32_t(octets[3]);
    if (hostOrder == 0 || hostOrder == 0xFFFFFFFFu)
        return false;
    // Network order as it lies in memory: first octet in the lowest byte.
    if (pNetOrder)
        *pNetOrder = std::uint32_t(octets[0]) | (std::uint32_t(octets[1]) << 8) |
                     (std::uint32_t(octets[2]) << 16) | (std::uint32_t(octets[3]) << 24);
    return true;
}

QString InvalidAddressMessage(const QString& text) {
    return QStringLiteral("\"%1\" is not a valid IP address.\nEnter an address such as 192.168.0.10.")
        .arg(text);
}

HistoryEdit AddToHistory(QStringList& history, const QString& address) {
    HistoryEdit edit;
    if (address.isEmpty())
        return edit;
    const int at = history.indexOf(address);
    if (at >= 0) {
        history.removeAt(at);
        history.prepend(address);
        edit.kind = HistoryEdit::Moved;
        edit.removedIndex = at;
        edit.selectInserted = true;
        return edit;
    }
    edit.kind = HistoryEdit::Inserted;
    while (history.size() >= kHistoryMax) {
        history.removeLast();
        edit.removedIndex = kHistoryMax - 1;
    }
    history.prepend(address);
    return edit;
}

QString FormatVersion(const std::uint8_t bytes[4]) {
    return QStringLiteral("%1.%2.%3.%4").arg(bytes[3]).arg(bytes[2]).arg(bytes[1]).arg(bytes[0]);
}

QString BoardRevisionText(std::uint32_t boardRev) {
    if (boardRev == 0)
        return QStringLiteral("(x.x)");
    if (boardRev >= 2 && boardRev <= 10)
        return QStringLiteral("(1.%1)").arg(boardRev - 1);
    if (boardRev == 11)
        return QStringLiteral("(2.0)");
    return QStringLiteral("(1.0)"); // 1, and every value past the known boards
}

int FindRow(const QStringList& rowAddresses, int count, const QString& address) {
    const int n = std::min<int>(count, rowAddresses.size());
    for (int i = 0; i < n; ++i)
        if (rowAddresses[i] == address)
            return i;
    return -1;
}

} // namespace ConnectLogic
