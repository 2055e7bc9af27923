// Loads a picture file and draws it.
#pragma once
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

#include "winbase/WinTypes.h"

class CPicture {
public:
    virtual ~CPicture() = default;
    // A file that cannot be read or decoded is reported once (PictureErrors.h) and
    // leaves the picture empty.
    BOOL LoadFile(const QString& path);
    BOOL LoadFromBuffer(const unsigned char* bytes, long long size);
    // Stretches the whole picture into the rectangle.
    BOOL Draw(QPainter* dc, const QRect& rc) const;

    bool IsLoaded() const { return !m_pPicture.isNull(); }
    const QImage& Image() const { return m_pPicture; }

    QImage m_pPicture;
    int m_nHeight = 0;
    long long m_nSize = 0;
    int m_nWidth = 0;

private:
    QString m_strPath;
};
