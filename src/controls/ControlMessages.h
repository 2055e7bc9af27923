// Notifications the control kit posts (or sends) to the window that owns a
// control, and the few window-system constants they carry.
#pragma once
#include "winbase/WinTypes.h"

// Bitmap slider and digit cell; wParam = control id.
constexpr UINT WM_SLIDER_MOVING = WM_USER + 9425;      // 0x28D1, lParam = new position
constexpr UINT WM_SLIDER_MOVED = WM_USER + 9426;       // 0x28D2, lParam = position
constexpr UINT WM_SLIDER_STEP = WM_USER + 9427;        // 0x28D3, lParam = 1 up, 0 down, '0'..'9'
constexpr UINT WM_SLIDER_DIGIT_LEAVE = WM_USER + 9428; // 0x28D4, lParam = position

// Rotary knob; wParam = control id, lParam = position 0..1200.
constexpr UINT WM_KNOB_CHANGED = WM_USER + 9500; // 0x291C

// Standard scroll notification the knob also posts: wParam = MAKEWPARAM(code, pos),
// lParam = the knob's handle.
#ifndef ZEPHYRA_HAVE_WM_HSCROLL
#define ZEPHYRA_HAVE_WM_HSCROLL
constexpr UINT WM_HSCROLL = 0x0114;
#endif
constexpr UINT TB_LINEUP = 0;
constexpr UINT TB_LINEDOWN = 1;
constexpr UINT TB_PAGEUP = 2;
constexpr UINT TB_PAGEDOWN = 3;
constexpr UINT TB_THUMBPOSITION = 4;
constexpr UINT TB_THUMBTRACK = 5;
constexpr UINT TB_ENDTRACK = 8;

inline WPARAM MakeWParam(unsigned lo, unsigned hi) {
    return static_cast<WPARAM>((lo & 0xFFFFu) | ((hi & 0xFFFFu) << 16));
}

// Splitter bar: sent as WM_NOTIFY, wParam = control id, lParam = SplitterNotifyRecord*.
#ifndef ZEPHYRA_HAVE_WM_NOTIFY
#define ZEPHYRA_HAVE_WM_NOTIFY
constexpr UINT WM_NOTIFY = 0x004E;
struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};
#endif
constexpr UINT SPLITTER_MOVED = WM_USER + 1; // 0x401

struct SplitterNotifyRecord {
    NMHDR hdr;
    int delta; // pixels, positive to the right or downwards
};
