// Stands in for a paint device during one paint: everything is drawn into an
// off-screen image, which is put on the target in one piece when the object goes
// out of scope.
#pragma once
#include <QImage>
#include <QPainter>
#include <QRect>

#include "winbase/WinTypes.h"

class CMyMemDC : public QPainter {
public:
    // rect null: the target's clip box (or its whole device). copyFirst: start from
    // what is already on the target (the image starts transparent and is composed
    // over it); otherwise start from the target's background colour.
    CMyMemDC(QPainter* target, const QRect* rect, BOOL copyFirst);
    ~CMyMemDC();
    CMyMemDC(const CMyMemDC&) = delete;
    CMyMemDC& operator=(const CMyMemDC&) = delete;

    QImage m_bitmap;
    QPainter* m_pDC = nullptr;
    QRect m_rect;
    BOOL m_bMemDC = TRUE;
};
