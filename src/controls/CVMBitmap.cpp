#include "controls/CVMBitmap.h"

#include "controls/BitmapResource.h"

void CVMBitmap::Attach(const QImage& image) {
    m_image = image;
    m_nWidth = 0;
    m_nHeight = 0;
    m_hMask = QImage();
}

BOOL CVMBitmap::GetSize(int& width, int& height) {
    if (m_nWidth < 1 || m_nHeight < 1) {
        m_nWidth = m_image.width();
        m_nHeight = m_image.height();
    }
    width = m_nWidth;
    height = m_nHeight;
    return (m_nWidth < 1 || m_nHeight < 1) ? FALSE : TRUE;
}

BOOL CVMBitmap::MakeMask(COLORREF transparent) {
    if (m_nWidth < 1 || m_nHeight < 1 || m_image.isNull())
        return FALSE;
    // Asking for anything but the current key means "key out the corner colour".
    if (transparent != m_clrTransparent)
        m_clrTransparent = ctl::ToColorRef(m_image.pixel(0, 0));
    m_hMask = ctl::ApplyColorKey(m_image, ctl::ResolveKeyColor(m_image, m_clrTransparent));
    return TRUE;
}

BOOL CVMBitmap::DrawTransparent(QPainter& dc, int x, int y, COLORREF transparent) {
    if (m_nWidth < 1 || m_nHeight < 1)
        return FALSE;
    if (m_hMask.isNull() && !MakeMask(transparent))
        return FALSE;
    dc.drawImage(x, y, m_hMask);
    return TRUE;
}
