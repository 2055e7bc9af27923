// A bitmap that draws itself with one colour transparent.
#pragma once
#include <QImage>
#include <QPainter>

#include "controls/ColorRef.h"

class CVMBitmap {
public:
    // Takes the picture (the old one is let go).
    void Attach(const QImage& image);
    bool IsNull() const { return m_image.isNull(); }
    const QImage& Image() const { return m_image; }

    BOOL GetSize(int& width, int& height);
    BOOL DrawTransparent(QPainter& dc, int x, int y, COLORREF transparent);
    BOOL MakeMask(COLORREF transparent);

    int m_nWidth = 0;
    int m_nHeight = 0;
    QImage m_hMask; // the keyed picture, built once
    COLORREF m_clrTransparent = 0x00FF00FF;

private:
    QImage m_image;
};
