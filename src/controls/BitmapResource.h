// The program's bitmaps by resource number (res/<id>.bmp beside the executable),
// the image folder, and colour-key transparency.
#pragma once
#include <QImage>
#include <QString>

#include "controls/ColorRef.h"

namespace ctl {

// Folder holding <id>.bmp; defaults to <executable folder>/res.
QString ResourceFolder();
void SetResourceFolder(const QString& folder); // empty restores the default
// The folder the front panel and the play bar read their button pictures from.
QString ImageFolder();

// Null image when the bitmap is missing or unreadable (no message: the caller
// decides, loaders just return FALSE).
QImage LoadBitmapResource(UINT id);
// The same, but a missing bitmap is reported once (see PictureErrors.h).
QImage LoadBitmapResourceOrReport(UINT id);
QString BitmapResourcePath(UINT id);

// 0xFF000000 stands for "the colour of the top-left pixel".
constexpr COLORREF KEY_TOP_LEFT = 0xFF000000u;
constexpr COLORREF KEY_MAGENTA = 0x00FF00FFu;
constexpr COLORREF KEY_BUTTON = 0x00FEFEFEu;

// The colour that becomes transparent for `key` in `image`.
QRgb ResolveKeyColor(const QImage& image, COLORREF key);
// Copy of `image` in ARGB with every pixel of colour `key` fully transparent and
// every other pixel opaque (a one-bit mask, as the controls want).
QImage ApplyColorKey(const QImage& image, QRgb key);

} // namespace ctl
