// The colour choice of the colour label, free of any window.
#pragma once
#include <optional>

#include "controls/ColorRef.h"

namespace ctl {

// Kinds of colour request (as the control asking for colours).
constexpr int CTLCOLOR_MSGBOX = 0;
constexpr int CTLCOLOR_EDIT = 1;
constexpr int CTLCOLOR_LISTBOX = 2;
constexpr int CTLCOLOR_BTN = 3;
constexpr int CTLCOLOR_DLG = 4;
constexpr int CTLCOLOR_SCROLLBAR = 5;
constexpr int CTLCOLOR_STATIC = 6;

// High byte 0xFF: no colour of its own; 0x80: system colour index in the low
// bits; anything else: the RGB value in the low 24 bits.
std::optional<COLORREF> DecodeLabelColor(DWORD value);

struct CtlColorChoice {
    COLORREF text = 0;
    COLORREF background = 0;
    bool transparent = true;   // background mode of the text
    bool patternBrush = false; // the brush is the bitmap, not the background colour
};

// Empty: no brush (the parent's colours apply).
std::optional<CtlColorChoice> ChooseCtlColor(DWORD text, DWORD background, bool hasBitmap, int ctlType,
                                             bool nearestColor, bool opaque);

} // namespace ctl
