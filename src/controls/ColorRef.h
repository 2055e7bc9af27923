// Windows-style 0x00BBGGRR colour values and the system colours the controls use.
#pragma once
#include <QColor>
#include <QRgb>

#include "winbase/WinTypes.h"

using COLORREF = DWORD;

namespace ctl {

constexpr COLORREF MakeColorRef(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline QColor FromColorRef(COLORREF c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
inline COLORREF ToColorRef(QRgb rgb) {
    return MakeColorRef(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

// System colour indices (the subset in use).
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;

// Taken from the application palette, so the controls follow the Qt style.
COLORREF GetSysColor(int index);

} // namespace ctl
