#include "mainframe/StatusText.h"

#include <algorithm>
#include <iterator>

#include "device/MxTypes.h"

namespace StatusText {

const int kPaneWidths[kPaneCount] = {100, 90, 90, 70, 70, 30, 170, 110};

namespace {

struct CodeEntry {
    std::int32_t code;
    const char* text;
};

// Sorted by code; the instrument's own spellings are kept as they are.
constexpr CodeEntry kCodes[] = {
    {0x0000, ""},
    {0x0001, ""},
    {0x1000, "Err"},
    {0x1001, "Err:Get Card Info"},
    {0x1002, "Err:Set Card Info"},
    {0x1003, "Err:Write Zero"},
    {0x1004, "Err:Read Zero"},
    {0x1005, "Err:VpdRead"},
    {0x1006, "Err:VpdWrite"},
    {0x1007, "Err:RefType"},
    {0x1008, "Err:TriggerType"},
    {0x1100, "Err:IO"},
    {0x1101, "Err:IO Handle"},
    {0x1102, "Err:IO Dev IF"},
    {0x1103, "Err:IO Alloc"},
    {0x1104, "Err:IO IF Detail"},
    {0x1105, "Err:IO Soft Reset"},
    {0x1106, "Err:IO Int Mask"},
    {0x1107, "Err:IO Int Csr"},
    {0x1108, "Err:IO Read Ctr"},
    {0x1109, "Err:IO Write Ctr"},
    {0x110A, "Err:IO Bit Len"},
    {0x110B, "Err:IO Timeout"},
    {0x110C, "Err:IO Invalid RW"},
    {0x110D, "Err:IO Power Off"},
    {0x110E, "Err:IO Power On"},
    {0x110F, "Err:GPS"},
    {0x1110, "Err:Get Rate"},
    {0x1200, "Err:Rom"},
    {0x1201, "Err:Rom U"},
    {0x1202, "Err:Rom L"},
    {0x1203, "Err:Rom W"},
    {0x1204, "Err:Rom R"},
    {0x1205, "Err:Rom C"},
    {0x1206, "Err:Rom S"},
    {0x1207, "Err:Rom V R"},
    {0x1208, "Err:Rom V W"},
    {0x1209, "Err:Rom S R"},
    {0x1210, "Err:Rom S W"},
    {0x1211, "Err:Rom K R"},
    {0x1212, "Err:Rom K W"},
    {0x1214, "Err:Rom U D"},
    {0x1300, "Err:FFS"},
    {0x1301, "Err:FFS Param"},
    {0x1302, "Err:FFS R Min"},
    {0x1303, "Err:FFS R Max"},
    {0x1304, "Err:FFS Mod Min"},
    {0x1305, "Err:FFS Mod Max"},
    {0x1306, "Err:FFS Int Max"},
    {0x1307, "Err:FFS Ref Param"},
    {0x1308, "Err:FFS freq param"},
    {0x1310, "Err:FFS Res Param"},
    {0x1400, "Err:DAC"},
    {0x1401, "Err:DAC Len"},
    {0x1402, "Err:DAC Reg"},
    {0x1403, "Err:DAC NCO"},
    {0x1404, "Err:DAC Lock"},
    {0x1405, "Err:DAC Param"},
    {0x1406, "Err:DAC CH"},
    {0x1407, "Err:DAC ARB"},
    {0x1408, "Err:DAC INT"},
    {0x1409, "Err:DAC DCO"},
    {0x140A, "Err:DAC DELAY"},
    {0x1500, "Err:ADF 2400M"},
    {0x1501, "Err:ADF 2400M Param"},
    {0x1600, "Err:ADF 60M"},
    {0x1601, "Err:ADF 60M Param"},
    {0x1700, "Err:AttenPlus"},
    {0x1701, "Err:AttenPlus param"},
    {0x1702, "Err:AttenPlus Time Out"},
    {0x1703, "Err:AttenPlus BW"},
    {0x1704, "Err:AttenPlus Freq"},
    {0x1800, "Err:DC"},
    {0x1801, "Err:DC param"},
    {0x1802, "Err:DC Time Out"},
    {0x1803, "Err:DC BW"},
    {0x1804, "Err:DC Freq"},
    {0x1805, "Err:DC Gain"},
    {0x1806, "Err:DC Range"},
    {0x1900, "Err:Atten"},
    {0x1901, "Err:Atten Param"},
    {0x1A01, "Err:Download"},
    {0x1B00, "Err:Play file"},
    {0x1B01, "Err:Record file"},
    {0x1B02, "Err:delete"},
    {0x1B03, "Err:Max"},
    {0x1B04, "Err:Create Rec File"},
    {0x1B05, "Err:Create Ext File"},
    {0x1B06, "Err:Slider"},
    {0x1B07, "Err:Handle Max"},
    {0x1B08, "Err:Mode"},
    {0x1B09, "Err:Play Not Ext File"},
    {0x1B0A, "Err:Capture Overflow"},
    {0x1B0B, "Err:No Ext Drive"},
    {0x1B0C, "Err:Hard Disk FULL"},
    {0x1B0D, "Err:rename"},
    {0x1B0E, "Saturation"},
    {0x1B0F, "Invalide Mode"},
    {0x1C00, "Infinite Record Full Space"},
    {0x1D00, "Err:QSys Device Open"},
    {0x1D01, "Err:QSys Lib Init"},
    {0x1D02, "Err:QSys Card Register"},
    {0x1D03, "Err:QSys Card Cleanup"},
    {0x1D04, "Err:QSys Invalid Handle"},
    {0x1D05, "Err:QSys Invalid Low Handle"},
    {0x1D06, "Err:QSys DMA Read"},
    {0x1D07, "Err:QSys DMA Write"},
    {0x1D08, "Err:QSys Time Out"},
    {0x1E00, "Err:Invalid SysMode"},
    {0x1E01, "Err:Invalid Ctrl State"},
    {0x1E02, "Err:Invalid Trig Param"},
    {0x1E03, "Err:Invalid Trig Out Level Param"},
    {0x1E04, "Err:Invalid RF Out Param"},
    {0x1E05, "Err:Invalid Spec Inv Param"},
    {0x1E06, "Err:Invalid AGC State Param"},
    {0x1E07, "Err:Invalid SMode Param"},
    {0x1E08, "Err:Invalid AWGN Param"},
    {0x1F00, "Err:Invalid PCB Ver"},
    {0x1F01, "Err:Invalid Image Type"},
    {0x1F02, "Err:No DSP CPLD"},
    {0x1F03, "Err:No DSP Crypto Mem"},
    {0xF000, "Tx Buffer First Full"},
};

} // namespace

QString CodeText(std::int32_t code) {
    const auto* end = std::end(kCodes);
    const auto* it = std::lower_bound(std::begin(kCodes), end, code,
                                      [](const CodeEntry& e, std::int32_t c) { return e.code < c; });
    if (it == end || it->code != code)
        return QStringLiteral("Error Unknown");
    return QString::fromUtf8(it->text);
}

QString InitialPaneText(int pane) {
    switch (pane) {
    case 1:
        return QStringLiteral("Disconnected");
    case 2:
        return QStringLiteral("Trigger Off");
    case 3:
        return QStringLiteral("Ref Int");
    case 4:
        return QStringLiteral("AGC Off");
    case 5:
        return QStringLiteral("D:\\");
    case 7:
        return QStringLiteral("0 KB/s");
    default:
        return QString();
    }
}

std::optional<QString> PaneText(int pane, std::uint32_t value) {
    switch (pane) {
    case 1:
        if (value == MX_CONNECT_DISCONNECTED)
            return QStringLiteral("Disconnected");
        if (value == MX_CONNECT_CONNECTING)
            return QStringLiteral("Connecting");
        if (value == MX_CONNECT_CONNECTED)
            return QStringLiteral("Connected");
        return std::nullopt;
    case 2:
        if (value == 1)
            return QStringLiteral("Trigger On");
        if (value == 0)
            return QStringLiteral("Trigger Off");
        return std::nullopt;
    case 3:
        if (value == 0)
            return QStringLiteral("Ref Int");
        if (value == 1)
            return QStringLiteral("Ref Ext");
        return std::nullopt;
    case 4:
        if (value == 0)
            return QStringLiteral("AGC Off");
        if (value == 1)
            return QStringLiteral("AGC On");
        return std::nullopt;
    case 5:
        if (value <= 24)
            return QStringLiteral("%1:\\").arg(QChar(char16_t(u'A' + value)));
        return QStringLiteral(" ");
    case 7:
        return QStringLiteral("%1 KB/s").arg(value / 1000u);
    default:
        return std::nullopt;
    }
}

int TransferPercent(std::uint32_t done, std::uint32_t total) {
    if (total == 0)
        return 100;
    const std::uint64_t pct = std::uint64_t(done) * 100u / total;
    return int(std::min<std::uint64_t>(pct, 100u));
}

} // namespace StatusText
