#include "controls/BitmapResource.h"

#include <QCoreApplication>
#include <QDir>

#include "controls/PictureErrors.h"

namespace ctl {
namespace {
QString& ResourceFolderOverride() {
    static QString s;
    return s;
}
} // namespace

QString ResourceFolder() {
    if (!ResourceFolderOverride().isEmpty())
        return ResourceFolderOverride();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/res");
}

void SetResourceFolder(const QString& folder) {
    ResourceFolderOverride() = folder;
}

QString ImageFolder() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/img");
}

QString BitmapResourcePath(UINT id) {
    return QDir(ResourceFolder()).filePath(QString::number(id) + QStringLiteral(".bmp"));
}

QImage LoadBitmapResourceOrReport(UINT id) {
    QImage img = LoadBitmapResource(id);
    if (img.isNull() && id != 0) {
        const QString path = BitmapResourcePath(id);
        ReportPictureError(path, QStringLiteral("Bitmap %1 cannot be read from %2").arg(id).arg(path));
    }
    return img;
}

QImage LoadBitmapResource(UINT id) {
    if (id == 0)
        return {};
    QImage img(BitmapResourcePath(id));
    if (img.isNull())
        return {};
    return img.convertToFormat(QImage::Format_RGB32);
}

QRgb ResolveKeyColor(const QImage& image, COLORREF key) {
    if (key == KEY_TOP_LEFT) {
        if (image.isNull())
            return 0;
        return image.pixel(0, 0) & 0x00FFFFFFu;
    }
    return qRgb(key & 0xFF, (key >> 8) & 0xFF, (key >> 16) & 0xFF) & 0x00FFFFFFu;
}

QImage ApplyColorKey(const QImage& image, QRgb key) {
    if (image.isNull())
        return {};
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb k = key & 0x00FFFFFFu;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            line[x] = ((line[x] & 0x00FFFFFFu) == k) ? 0u : (line[x] | 0xFF000000u);
    }
    return out;
}

} // namespace ctl
