// One four-frame button picture: normal, hover, pressed, disabled side by side.
#pragma once
#include <QPainter>
#include <QString>

#include "controls/CPicture.h"
#include "controls/ColorRef.h"

class CKbcBmp {
public:
    void LoadFromFile(const QString& path);
    // Draws frame 0..3 at (0, 0) with the key colour transparent.
    void DrawFrame(QPainter* dc, int frame, COLORREF key) const;

    CPicture m_picture;
    int m_nImageWidth = 0;
    int m_nImageHeight = 0;
    int m_nFrameWidth = 0;
};
