#include "controls/CMyMemDC.h"

#include <QPaintDevice>

CMyMemDC::CMyMemDC(QPainter* target, const QRect* rect, BOOL copyFirst) : m_pDC(target) {
    if (rect) {
        m_rect = *rect;
    } else if (target && target->hasClipping()) {
        m_rect = target->clipBoundingRect().toAlignedRect();
    } else if (target && target->device()) {
        m_rect = QRect(0, 0, target->device()->width(), target->device()->height());
    }
    const qreal dpr = (target && target->device()) ? target->device()->devicePixelRatioF() : 1.0;
    const QSize size(qMax(1, m_rect.width()), qMax(1, m_rect.height()));
    m_bitmap = QImage(size * dpr, QImage::Format_ARGB32_Premultiplied);
    m_bitmap.setDevicePixelRatio(dpr);
    if (copyFirst || !target)
        m_bitmap.fill(Qt::transparent);
    else
        m_bitmap.fill(target->background().color());
    begin(&m_bitmap);
    // Same logical coordinates as the target.
    translate(-m_rect.topLeft());
}

CMyMemDC::~CMyMemDC() {
    end();
    if (m_pDC && m_bMemDC && m_rect.isValid())
        m_pDC->drawImage(m_rect.topLeft(), m_bitmap);
}
