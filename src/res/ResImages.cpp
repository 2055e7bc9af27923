#include "res/ResImages.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>
#include <cmath>

#include "res/resource.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

QPainterPath WavePath(QRectF box, double cycles, double amplitude, double phase = 0.0) {
    QPainterPath path;
    const int steps = 64;
    for (int i = 0; i <= steps; ++i) {
        const double t = double(i) / steps;
        const double x = box.left() + t * box.width();
        const double y =
            box.center().y() - amplitude * box.height() / 2 * std::sin(2 * kPi * cycles * t + phase);
        if (i == 0)
            path.moveTo(x, y);
        else
            path.lineTo(x, y);
    }
    return path;
}

void DrawEmblem(QPainter& p, QRectF box) {
    QRadialGradient glow(box.center(), box.width() / 2);
    glow.setColorAt(0.0, QColor(0x1E, 0x4E, 0x8C));
    glow.setColorAt(0.85, QColor(0x0A, 0x1A, 0x33));
    glow.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(box);
    p.setBrush(Qt::NoBrush);
    const QRectF inner =
        box.adjusted(box.width() * 0.12, box.height() * 0.2, -box.width() * 0.12, -box.height() * 0.2);
    p.setPen(QPen(QColor(0xE8, 0x7A, 0x0E), box.width() / 40.0, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(WavePath(inner, 2.0, 0.7));
    p.setPen(QPen(QColor(0x7F, 0xD8, 0xFF), box.width() / 60.0, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(WavePath(inner, 2.0, 0.45, kPi / 2));
}

QPixmap Blank() {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    return pm;
}

} // namespace

QImage LoadBackgroundBitmap() {
    QImage img(300, 300, QImage::Format_RGB888);
    img.fill(Qt::black);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    DrawEmblem(p, QRectF(40, 20, 220, 220));
    QFont f(QStringLiteral("Sans Serif"));
    f.setPixelSize(34);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0xF0, 0xF0, 0xF0));
    p.drawText(QRectF(0, 235, 300, 45), Qt::AlignCenter, QStringLiteral(u"Zephyra\u2122"));
    p.end();
    return img;
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x0A, 0x1A, 0x33));
        p.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
        DrawEmblem(p, QRectF(0, 0, size, size));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QIcon CommandIcon(UINT nID) {
    QPixmap pm = Blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x20, 0x30, 0x48);
    const QColor accent(0xE8, 0x7A, 0x0E);
    const QColor blue(0x1E, 0x6E, 0xC8);
    QPen pen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    auto axes = [&] {
        p.setPen(QPen(ink, 1.4));
        p.drawLine(QPointF(3, 3), QPointF(3, 21));
        p.drawLine(QPointF(3, 21), QPointF(21, 21));
    };
    switch (nID) {
    case ID_ANALYZER_3D: {
        p.setBrush(QColor(0xC8, 0xDC, 0xF0));
        QPolygonF front({{4, 9}, {15, 9}, {15, 20}, {4, 20}});
        QPolygonF top({{4, 9}, {9, 4}, {20, 4}, {15, 9}});
        QPolygonF side({{15, 9}, {20, 4}, {20, 15}, {15, 20}});
        p.drawPolygon(front);
        p.setBrush(QColor(0x9C, 0xC0, 0xE6));
        p.drawPolygon(top);
        p.setBrush(QColor(0x6C, 0x9C, 0xD0));
        p.drawPolygon(side);
        break;
    }
    case ID_ANALYZER_2D:
        axes();
        p.setPen(QPen(accent, 1.8));
        p.drawPath(WavePath(QRectF(4, 6, 17, 12), 1.5, 0.8));
        break;
    case ID_ANALYZER_ZOOM:
        p.setPen(QPen(ink, 2.0));
        p.drawEllipse(QRectF(3, 3, 12, 12));
        p.setPen(QPen(ink, 3.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14, 14), QPointF(21, 21));
        p.setPen(QPen(blue, 1.5));
        p.drawLine(QPointF(6, 9), QPointF(12, 9));
        p.drawLine(QPointF(9, 6), QPointF(9, 12));
        break;
    case ID_ANALYZER_MARKER:
        axes();
        p.setPen(QPen(blue, 1.4));
        p.drawPath(WavePath(QRectF(4, 8, 17, 12), 1.0, 0.8));
        p.setPen(Qt::NoPen);
        p.setBrush(accent);
        p.drawPolygon(QPolygonF({{8, 2}, {14, 2}, {11, 8}}));
        break;
    case ID_ANALYZER_BANDPOWER:
        axes();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xE8, 0x7A, 0x0E, 0x80));
        p.drawRect(QRectF(8, 4, 8, 17));
        p.setPen(QPen(blue, 1.4));
        p.setBrush(Qt::NoBrush);
        p.drawPath(WavePath(QRectF(4, 8, 17, 10), 1.0, 0.8, kPi / 2));
        break;
    case ID_SPECTRUM_UNDO: {
        p.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap));
        QPainterPath arc;
        arc.moveTo(7, 10);
        arc.cubicTo(10, 3, 21, 5, 20, 13);
        arc.cubicTo(19, 19, 12, 21, 9, 18);
        p.drawPath(arc);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawPolygon(QPolygonF({{3, 6}, {10, 7}, {5, 13}}));
        break;
    }
    case ID_WINDOW_SPECTRUM:
        p.setPen(Qt::NoPen);
        p.setBrush(blue);
        for (int i = 0; i < 6; ++i) {
            const double h = 4 + 14 * std::fabs(std::sin(0.9 * i + 0.6));
            p.drawRect(QRectF(2 + i * 3.4, 21 - h, 2.6, h));
        }
        break;
    case ID_WINDOW_IQ:
        p.setPen(QPen(blue, 1.8));
        p.drawPath(WavePath(QRectF(2, 3, 20, 18), 1.5, 0.8));
        p.setPen(QPen(accent, 1.8));
        p.drawPath(WavePath(QRectF(2, 3, 20, 18), 1.5, 0.8, kPi / 2));
        break;
    case ID_WINDOW_TILE_HORZ_MAIN:
        p.setBrush(QColor(0xC8, 0xDC, 0xF0));
        p.drawRect(QRectF(3, 3, 18, 8));
        p.drawRect(QRectF(3, 13, 18, 8));
        p.setBrush(blue);
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(3, 3, 18, 2.5));
        p.drawRect(QRectF(3, 13, 18, 2.5));
        break;
    case ID_AUTO_RANGE:
        p.setPen(QPen(ink, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 3), QPointF(12, 21));
        p.setPen(Qt::NoPen);
        p.setBrush(accent);
        p.drawPolygon(QPolygonF({{12, 1}, {17, 7}, {7, 7}}));
        p.drawPolygon(QPolygonF({{12, 23}, {17, 17}, {7, 17}}));
        p.setPen(QPen(ink, 1.4));
        p.drawLine(QPointF(4, 12), QPointF(20, 12));
        break;
    case ID_CONTROL_CONNECT:
    case ID_CONTROL_DISCONNECT: {
        const bool on = nID == ID_CONTROL_CONNECT;
        p.setPen(QPen(ink, 2.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(2, 12), QPointF(on ? 9 : 7, 12));
        p.drawLine(QPointF(on ? 15 : 17, 12), QPointF(22, 12));
        p.setBrush(on ? QColor(0x30, 0xA0, 0x40) : QColor(0xC0, 0x30, 0x30));
        p.drawRoundedRect(QRectF(on ? 8 : 6, 8, 4, 8), 1, 1);
        p.drawRoundedRect(QRectF(on ? 12 : 14, 8, 4, 8), 1, 1);
        break;
    }
    case ID_APP_ABOUT:
        p.setPen(Qt::NoPen);
        p.setBrush(blue);
        p.drawEllipse(QRectF(2, 2, 20, 20));
        p.setPen(Qt::white);
        {
            QFont f(QStringLiteral("Sans Serif"));
            f.setPixelSize(15);
            f.setBold(true);
            p.setFont(f);
        }
        p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, QStringLiteral("i"));
        break;
    default:
        p.end();
        return QIcon();
    }
    p.end();
    return QIcon(pm);
}
