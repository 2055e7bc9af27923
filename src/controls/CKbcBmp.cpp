#include "controls/CKbcBmp.h"

#include "controls/BitmapResource.h"

void CKbcBmp::LoadFromFile(const QString& path) {
    m_picture.LoadFile(path);
    m_nImageWidth = m_picture.m_nWidth;
    m_nImageHeight = m_picture.m_nHeight;
    m_nFrameWidth = m_nImageWidth / 4;
}

void CKbcBmp::DrawFrame(QPainter* dc, int frame, COLORREF key) const {
    const int w = m_nFrameWidth;
    const int h = m_nImageHeight;
    if (!dc || w <= 0 || h <= 0 || frame < 0 || frame > 3 || !m_picture.IsLoaded())
        return;
    QImage whole(m_nImageWidth, m_nImageHeight, QImage::Format_RGB32);
    {
        QPainter p(&whole);
        m_picture.Draw(&p, QRect(0, 0, m_nImageWidth, m_nImageHeight));
    }
    const QImage cut = whole.copy(w * frame, 0, w, h);
    dc->drawImage(0, 0, ctl::ApplyColorKey(cut, ctl::ResolveKeyColor(cut, key)));
}
