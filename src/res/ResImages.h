// The program's own pictures, drawn here rather than shipped as files.
#pragma once
#include <QIcon>
#include <QImage>

#include "winbase/WinTypes.h"

// Bitmap 343: the logo on the empty MDI area, 300 x 300, 24 bits.
QImage LoadBackgroundBitmap();
// The 24 x 24 image of a toolbar or menu command; null icon for an id without one.
QIcon CommandIcon(UINT nID);
// The application icon.
QIcon AppIcon();
