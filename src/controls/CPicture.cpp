#include "controls/CPicture.h"

#include <QByteArray>
#include <QFile>

#include "controls/PictureErrors.h"

BOOL CPicture::LoadFile(const QString& pathIn) {
    // Callers build paths the Windows way ("<folder>\\img\\name.bmp").
    QString path = pathIn;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    m_pPicture = QImage();
    m_nHeight = m_nWidth = 0;
    m_nSize = 0;
    m_strPath = path;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ctl::ReportPictureError(path, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return FALSE;
    }
    const QByteArray data = file.readAll();
    m_nSize = file.size();
    file.close();
    BOOL ok = FALSE;
    if (!data.isEmpty())
        ok = LoadFromBuffer(reinterpret_cast<const unsigned char*>(data.constData()), data.size());
    else
        ctl::ReportPictureError(path, QStringLiteral("%1: the file is empty").arg(path));
    if (m_pPicture.isNull()) {
        m_nHeight = m_nWidth = 0;
    } else {
        m_nHeight = m_pPicture.height();
        m_nWidth = m_pPicture.width();
    }
    return ok;
}

BOOL CPicture::LoadFromBuffer(const unsigned char* bytes, long long size) {
    m_pPicture = QImage();
    if (!bytes || size <= 0 || size > 0x7FFFFFFF)
        return FALSE;
    QImage img;
    if (!img.loadFromData(bytes, static_cast<int>(size))) {
        const QString what = m_strPath.isEmpty() ? QStringLiteral("picture") : m_strPath;
        ctl::ReportPictureError(what, QStringLiteral("%1: not a picture that can be read").arg(what));
        return FALSE;
    }
    m_pPicture = img.convertToFormat(QImage::Format_RGB32);
    m_nWidth = m_pPicture.width();
    m_nHeight = m_pPicture.height();
    return TRUE;
}

BOOL CPicture::Draw(QPainter* dc, const QRect& rc) const {
    if (!dc || m_pPicture.isNull())
        return FALSE;
    dc->drawImage(rc, m_pPicture);
    return TRUE;
}
