#include "controls/ColorRule.h"

namespace ctl {

std::optional<COLORREF> DecodeLabelColor(DWORD value) {
    const DWORD high = value >> 24;
    if (high == 0xFF)
        return std::nullopt;
    if (high == 0x80)
        return GetSysColor(static_cast<int>(value & 0x00FFFFFFu));
    return value & 0x00FFFFFFu;
}

std::optional<CtlColorChoice> ChooseCtlColor(DWORD text, DWORD background, bool hasBitmap, int ctlType,
                                             bool nearestColor, bool opaque) {
    std::optional<COLORREF> t = DecodeLabelColor(text);
    std::optional<COLORREF> b = DecodeLabelColor(background);
    if (!t && !b && !hasBitmap)
        return std::nullopt;
    if (!b) {
        switch (ctlType) {
        case CTLCOLOR_SCROLLBAR:
            return std::nullopt;
        case CTLCOLOR_EDIT:
        case CTLCOLOR_LISTBOX:
            b = GetSysColor(COLOR_WINDOW);
            break;
        default:
            b = GetSysColor(COLOR_BTNFACE);
            break;
        }
    }
    if (!t)
        t = GetSysColor(ctlType == CTLCOLOR_BTN ? COLOR_BTNTEXT : COLOR_WINDOWTEXT);
    CtlColorChoice c;
    c.text = *t;
    c.background = *b; // a true-colour surface shows every colour: nearest is itself
    c.transparent = !opaque && (!nearestColor || hasBitmap);
    c.patternBrush = hasBitmap;
    return c;
}

} // namespace ctl
