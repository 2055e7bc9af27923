// Draws every bitmap and button picture of the program. Run by the build:
//   zimagegen <output folder>
// writes <output>/res/<id>.bmp and <output>/img/<name>.bmp. Everything is drawn
// from code here, so the same source always gives the same pictures.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <cmath>
#include <cstdio>
#include <functional>

#include "ImageLayout.h"

namespace {

using namespace imglayout;

const QColor kMagenta(0xFF, 0x00, 0xFF);
const QColor kButtonKey(0xFE, 0xFE, 0xFE);
const QColor kPanel(0x20, 0x20, 0x20);
const QColor kPanelEdge(0x3A, 0x3A, 0x3A);
const QColor kLabel(0xC8, 0xC8, 0xC8);
const QColor kAmber(0xE8, 0x7A, 0x0E);  // play bar text colour
const QColor kOrange(0xFF, 0x92, 0x3D); // normal digits, knob corners
const QColor kRed(0xFF, 0x30, 0x20);    // highlighted digits

QString g_out;
int g_failures = 0;

QImage NewImage(int w, int h, const QColor& fill) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    return img;
}

void Save(const QImage& img, const QString& rel) {
    const QString path = g_out + QLatin1Char('/') + rel;
    if (!img.save(path, "BMP")) {
        std::fprintf(stderr, "zimagegen: cannot write %s\n", qPrintable(path));
        ++g_failures;
    }
}
void SaveRes(const QImage& img, int id) {
    Save(img, QStringLiteral("res/%1.bmp").arg(id));
}

QFont LabelFont(int px, bool bold = true, const QString& family = QStringLiteral("DejaVu Sans")) {
    QFont f(family);
    f.setPixelSize(px);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// Seven-segment digit: segments a..g as bits 0..6.
const int kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void DrawSegments(QPainter& p, int mask, int w, int h, int t, const QColor& c) {
    // Segment rectangles inside a w x h cell with stroke t, one pixel of border.
    const int x0 = 1, x1 = w - 2, y0 = 1, y1 = h - 2, ym = h / 2;
    const QRect seg[7] = {
        QRect(x0 + t, y0, x1 - x0 - 2 * t + 1, t),         // a
        QRect(x1 - t + 1, y0 + t, t, ym - y0 - t),         // b
        QRect(x1 - t + 1, ym + 1, t, y1 - ym - t),         // c
        QRect(x0 + t, y1 - t + 1, x1 - x0 - 2 * t + 1, t), // d
        QRect(x0, ym + 1, t, y1 - ym - t),                 // e
        QRect(x0, y0 + t, t, ym - y0 - t),                 // f
        QRect(x0 + t, ym - t / 2, x1 - x0 - 2 * t + 1, t), // g
    };
    for (int i = 0; i < 7; ++i)
        if (mask & (1 << i))
            p.fillRect(seg[i], c);
}

// The one as a tabular figure: a stem in the middle with a flag and a foot as
// wide as the other digits, so a row of cells keeps an even pitch (a bare
// right-hand stem leaves a gap before every 1).
void DrawOne(QPainter& p, int w, int h, int t, const QColor& c) {
    const int x0 = 1, x1 = w - 2, y0 = 1, y1 = h - 2;
    const int stem = (w - t) / 2;
    p.fillRect(QRect(stem, y0, t, y1 - y0 + 1), c);
    p.fillRect(QRect(stem - t, y0 + t / 2, t, t), c);
    p.fillRect(QRect(x0, y1 - t + 1, x1 - x0 + 1, t), c);
}

QImage Digit(int v, int w, int h, int t, const QColor& c) {
    QImage img = NewImage(w, h, kMagenta);
    QPainter p(&img);
    if (v == 1)
        DrawOne(p, w, h, t, c);
    else
        DrawSegments(p, kSegments[v], w, h, t, c);
    return img;
}

QImage Comma(const QColor& c) {
    QImage img = NewImage(kSepW, kCellH, kMagenta);
    QPainter p(&img);
    p.fillRect(QRect(1, kCellH - 5, 2, 2), c);
    p.fillRect(QRect(2, kCellH - 3, 1, 2), c);
    p.fillRect(QRect(1, kCellH - 1, 1, 1), c);
    return img;
}

QImage Point(const QColor& c) {
    QImage img = NewImage(kSepW, kCellH, kMagenta);
    QPainter p(&img);
    p.fillRect(QRect(1, kCellH - 4, 3, 3), c);
    return img;
}

QImage Sign(bool minus, const QColor& c) {
    QImage img = NewImage(kSignW, kCellH, kMagenta);
    QPainter p(&img);
    p.fillRect(QRect(1, kCellH / 2 - 1, kSignW - 2, 2), c);
    if (!minus)
        p.fillRect(QRect(kSignW / 2 - 1, kCellH / 2 - 4, 2, 8), c);
    return img;
}

QImage Colon(int w, int h, const QColor& bg, const QColor& c) {
    QImage img = NewImage(w, h, bg);
    QPainter p(&img);
    const int d = w >= 5 ? 2 : 2;
    const int x = (w - d) / 2;
    p.fillRect(QRect(x, h / 3 - d / 2, d, d), c);
    p.fillRect(QRect(x, 2 * h / 3 - d / 2, d, d), c);
    return img;
}

void Text(QPainter& p, const QRect& r, const QString& s, int px, const QColor& c, int align,
          bool bold = true) {
    p.setFont(LabelFont(px, bold));
    p.setPen(c);
    p.drawText(r, align, s);
}

// --- slider ---------------------------------------------------------------
QImage Channel(bool active) {
    QImage img = NewImage(kChannelW, kChannelH, kPanel);
    QPainter p(&img);
    // Centred on the thumb as the play bar places it (3 pixels from the top).
    const QRect groove(2, 7, kChannelW - 4, 6);
    p.fillRect(groove, QColor(0x10, 0x10, 0x10));
    p.setPen(QColor(0x50, 0x50, 0x50));
    p.drawRect(groove.adjusted(0, 0, -1, -1));
    if (active) {
        p.fillRect(groove.adjusted(1, 1, -1, -1), kAmber);
        p.fillRect(QRect(groove.left() + 1, groove.top() + 1, groove.width() - 2, 1),
                   QColor(0xFF, 0xB0, 0x60));
    }
    return img;
}

QImage Thumb(bool pressed) {
    // Corner colour is the key; the shape never uses it. The last row stays key: 3
    // pixels down a 17-pixel channel, only 14 rows of the thumb show.
    QImage img = NewImage(kThumbW, kThumbH, kMagenta);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor body = pressed ? kAmber : QColor(0xB8, 0xB8, 0xB8);
    const QColor rim = pressed ? QColor(0x80, 0x40, 0x00) : QColor(0x60, 0x60, 0x60);
    QPolygon shape;
    shape << QPoint(3, 0) << QPoint(12, 0) << QPoint(15, 3) << QPoint(15, 10) << QPoint(12, 13)
          << QPoint(3, 13) << QPoint(0, 10) << QPoint(0, 3);
    p.setPen(rim);
    p.setBrush(body);
    p.drawPolygon(shape);
    p.setPen(pressed ? QColor(0xFF, 0xD0, 0x90) : QColor(0xF0, 0xF0, 0xF0));
    p.drawLine(7, 3, 7, 10);
    p.drawLine(8, 3, 8, 10);
    return img;
}

// --- knob -----------------------------------------------------------------
QImage Dial() {
    QImage img = NewImage(kDialSize, kDialSize, kMagenta);
    QPainter p(&img);
    const QPointF c(kDialSize / 2.0, kDialSize / 2.0);
    // Disc edge without smoothing, so no pixel blends into the key colour.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x50, 0x50, 0x50));
    p.setBrush(QColor(0x30, 0x30, 0x30));
    p.drawEllipse(QRect(0, 0, kDialSize - 1, kDialSize - 1));
    p.setRenderHint(QPainter::Antialiasing, true);
    QRadialGradient g(c - QPointF(15, 15), kDialSize * 0.7);
    g.setColorAt(0, QColor(0x70, 0x70, 0x70));
    g.setColorAt(1, QColor(0x28, 0x28, 0x28));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(c, kDialSize / 2.0 - 6, kDialSize / 2.0 - 6);
    // Scale ticks on the lower half: +10 at 3 o'clock round to -110 at 9 o'clock.
    for (int i = 0; i <= 12; ++i) {
        const double deg = 90.0 + i * 15.0;
        const double rad = deg * M_PI / 180.0;
        const double r0 = kDialSize / 2.0 - 5, r1 = (i % 6 == 0) ? kDialSize / 2.0 - 12 : kDialSize / 2.0 - 9;
        p.setPen(QPen(i % 6 == 0 ? kOrange : kLabel, i % 6 == 0 ? 2 : 1));
        p.drawLine(QPointF(c.x() + std::sin(rad) * r0, c.y() - std::cos(rad) * r0),
                   QPointF(c.x() + std::sin(rad) * r1, c.y() - std::cos(rad) * r1));
    }
    return img;
}

QImage Knob() {
    QImage img = NewImage(kKnobSize, kKnobSize, kOrange);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.setBrush(QColor(0xF0, 0xF0, 0xE0));
    p.drawEllipse(QRect(1, 1, kKnobSize - 3, kKnobSize - 3));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD0, 0x20, 0x10));
    p.drawEllipse(QRect(5, 5, kKnobSize - 11, kKnobSize - 11));
    return img;
}

// --- backgrounds ----------------------------------------------------------
void Frame(QPainter& p, const QRect& r) {
    p.setPen(kPanelEdge);
    p.setBrush(QColor(0x18, 0x18, 0x18));
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

QImage FrontPanel() {
    QImage img = NewImage(kPanelW, kPanelH, kPanel);
    QPainter p(&img);
    const int left = Qt::AlignLeft | Qt::AlignVCenter;
    const int right = Qt::AlignRight | Qt::AlignVCenter;
    const int centre = Qt::AlignCenter;
    Text(p, QRect(8, kFreqTitleY, 160, 14), QStringLiteral("FREQUENCY"), 11, kLabel, left);
    Frame(p, QRect(kRowX - 3, kFreqRowY - 3, kRowW + 6, kCellH + 6));
    Text(p, QRect(kRowX + kRowW + 6, kFreqRowY, 24, kCellH), QStringLiteral("Hz"), 11, kLabel, left);
    Text(p, QRect(8, kAmTitleY, 40, 14), QStringLiteral("AM"), 11, kLabel, left);
    Text(p, QRect(8, kFmTitleY, 40, 14), QStringLiteral("FM"), 11, kLabel, left);
    Text(p, QRect(8, kPowerTitleY, 160, 14), QStringLiteral("POWER"), 11, kLabel, left);
    // Dial scale round the knob.
    const int dcx = kDialX + kDialSize / 2, dcy = kDialY + kDialSize / 2;
    Text(p, QRect(dcx + kDialSize / 2 + 1, dcy - 7, 30, 14), QStringLiteral("+10"), 10, kLabel, left);
    Text(p, QRect(dcx - 15, kDialY + kDialSize + 1, 30, 14), QStringLiteral("-50"), 10, kLabel, centre);
    Text(p, QRect(0, dcy - 7, dcx - kDialSize / 2 - 1, 14), QStringLiteral("-110"), 10, kLabel, right);
    Text(p, QRect(kPanelW - 40, kDialY, 36, 14), QStringLiteral("dBm"), 10, kLabel, right);
    Frame(p, QRect(kLevelRowX - 3, kLevelRowY - 3, kLevelRowW + 6, kCellH + 6));
    Text(p, QRect(kLevelRowX + kLevelRowW + 6, kLevelRowY, 36, kCellH), QStringLiteral("dBm"), 11, kLabel,
         left);
    Text(p, QRect(8, kClockTitleY, 160, 14), QStringLiteral("SAMPLE CLOCK"), 11, kLabel, left);
    Frame(p, QRect(kRowX - 3, kClockRowY - 3, kRowW + 6, kCellH + 6));
    Text(p, QRect(kRowX + kRowW + 6, kClockRowY, 24, kCellH), QStringLiteral("Hz"), 11, kLabel, left);
    // Separating rules between the groups.
    p.setPen(kPanelEdge);
    for (int y : {kAmTitleY - 8, kPowerTitleY - 8, kClockTitleY - 8})
        p.drawLine(4, y, kPanelW - 5, y);
    return img;
}

QImage PlayBar() {
    QImage img = NewImage(kBarW, kBarH, kPanel);
    QPainter p(&img);
    p.setPen(kPanelEdge);
    p.drawLine(0, 0, kBarW - 1, 0);
    Frame(p, QRect(kSeekX - 2, kSeekY - 2, kChannelW + 4, kChannelH + 4));
    Frame(p, QRect(kTimeX - 4, kTimeY - 4, kTimeRowW * 2 + kTimeGap + 8, kTimeH + 8));
    Frame(p, QRect(kInfoX - 4, 6, kBarW - kInfoX, kBarH - 12));
    return img;
}

// --- four-frame buttons ---------------------------------------------------
using Glyph = std::function<void(QPainter&, const QRect&, const QColor&)>;

QImage Button(int fw, int fh, const Glyph& glyph) {
    QImage img = NewImage(fw * 4, fh, kButtonKey);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    struct Look {
        QColor top, bottom, rim, ink;
        int shift;
    };
    const Look looks[4] = {
        {QColor(0x58, 0x58, 0x58), QColor(0x30, 0x30, 0x30), QColor(0x18, 0x18, 0x18), kLabel, 0}, // normal
        {QColor(0x70, 0x70, 0x70), QColor(0x44, 0x44, 0x44), kAmber, QColor(0xFF, 0xE8, 0xC0),
         0},                                                                     // hover: never near the key
        {QColor(0x24, 0x24, 0x24), QColor(0x40, 0x40, 0x40), kAmber, kAmber, 1}, // pressed
        {QColor(0x3C, 0x3C, 0x3C), QColor(0x34, 0x34, 0x34), QColor(0x2A, 0x2A, 0x2A),
         QColor(0x70, 0x70, 0x70), 0}, // disabled
    };
    for (int f = 0; f < 4; ++f) {
        const Look& l = looks[f];
        const QRect r(f * fw, 0, fw, fh);
        // Cut corners, one pixel, so the key shows at the corners.
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, l.top);
        g.setColorAt(1, l.bottom);
        p.fillRect(r.adjusted(1, 1, -1, -1), g);
        p.setPen(l.rim);
        p.drawLine(r.left() + 1, r.top(), r.right() - 1, r.top());
        p.drawLine(r.left() + 1, r.bottom(), r.right() - 1, r.bottom());
        p.drawLine(r.left(), r.top() + 1, r.left(), r.bottom() - 1);
        p.drawLine(r.right(), r.top() + 1, r.right(), r.bottom() - 1);
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setRenderHint(QPainter::TextAntialiasing, true);
        glyph(p, r.adjusted(2 + l.shift, 2 + l.shift, -2 + l.shift, -2 + l.shift), l.ink);
        p.restore();
    }
    return img;
}

Glyph Label(const QString& s, int px) {
    return [s, px](QPainter& p, const QRect& r, const QColor& c) { Text(p, r, s, px, c, Qt::AlignCenter); };
}

// All ten presets in one font: the condensed face, a little tighter set, fits
// "102.9" into a 32-pixel button with three pixels clear at the rim.
Glyph PresetLabel(const QString& s) {
    return [s](QPainter& p, const QRect& r, const QColor& c) {
        QFont f = LabelFont(9, true, QStringLiteral("DejaVu Sans Condensed"));
        f.setLetterSpacing(QFont::AbsoluteSpacing, -0.5);
        p.setFont(f);
        p.setPen(c);
        p.drawText(r, Qt::AlignCenter, s);
    };
}

Glyph Shape(int kind) {
    return [kind](QPainter& p, const QRect& r, const QColor& c) {
        const QPointF m = QRectF(r).center();
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        const double s = std::min(r.width(), r.height()) * 0.30;
        auto tri = [&](double cx, double dir) {
            QPolygonF t;
            t << QPointF(cx - dir * s * 0.6, m.y() - s) << QPointF(cx + dir * s * 0.9, m.y())
              << QPointF(cx - dir * s * 0.6, m.y() + s);
            p.drawPolygon(t);
        };
        switch (kind) {
        case 0: { // open: eject
            QPolygonF t;
            t << QPointF(m.x() - s, m.y() + s * 0.2) << QPointF(m.x(), m.y() - s)
              << QPointF(m.x() + s, m.y() + s * 0.2);
            p.drawPolygon(t);
            p.drawRect(QRectF(m.x() - s, m.y() + s * 0.45, 2 * s, s * 0.4));
            break;
        }
        case 1:
            tri(m.x(), 1);
            break; // play
        case 2:
            p.drawRect(QRectF(m.x() - s * 0.8, m.y() - s * 0.8, 1.6 * s, 1.6 * s));
            break; // stop
        case 3:    // previous
            p.drawRect(QRectF(m.x() - s * 1.3, m.y() - s, s * 0.3, 2 * s));
            tri(m.x() - s * 0.1, -1);
            tri(m.x() + s * 0.9, -1);
            break;
        case 4: // next
            tri(m.x() - s * 0.9, 1);
            tri(m.x() + s * 0.1, 1);
            p.drawRect(QRectF(m.x() + s * 1.0, m.y() - s, s * 0.3, 2 * s));
            break;
        }
    };
}

void Generate() {
    QDir().mkpath(g_out + QStringLiteral("/res"));
    QDir().mkpath(g_out + QStringLiteral("/img"));

    SaveRes(Channel(false), 428);
    SaveRes(Channel(true), 429);
    SaveRes(Thumb(false), 430);
    SaveRes(Thumb(true), 431);
    SaveRes(Dial(), 493);
    SaveRes(Knob(), 494);
    SaveRes(FrontPanel(), 464);
    SaveRes(PlayBar(), 414);

    for (int v = 0; v < 10; ++v) {
        SaveRes(Digit(v, kDigitW, kCellH, 2, kRed), 467 + v);
        SaveRes(Digit(v, kDigitW, kCellH, 2, kOrange), 480 + v);
        SaveRes(Digit(v, kSmallDigitW, kSmallDigitH, 1, kAmber), 390 + v);
    }
    SaveRes(Comma(kOrange), 465);
    SaveRes(Comma(kRed), 466);
    SaveRes(Point(kRed), 477);
    SaveRes(Point(kOrange), 490);
    SaveRes(Sign(false, kRed), 478);
    SaveRes(Sign(true, kRed), 479);
    SaveRes(Sign(false, kOrange), 491);
    SaveRes(Sign(true, kOrange), 492);
    SaveRes(Colon(kSmallColonW, kSmallDigitH, kPanel, kAmber), 400);
    SaveRes(Colon(kSepW, kCellH, QColor(0xF0, 0xF0, 0xF0), kOrange), 496);

    const struct {
        const char* name;
        int w, h;
        Glyph g;
    } buttons[] = {
        {"button_-5.bmp", kStepW, kStepH, Label(QStringLiteral("-5"), 11)},
        {"button_-05.bmp", kStepW, kStepH, Label(QStringLiteral("-0.5"), 11)},
        {"button_+05.bmp", kStepW, kStepH, Label(QStringLiteral("+0.5"), 11)},
        {"button_+5.bmp", kStepW, kStepH, Label(QStringLiteral("+5"), 11)},
        {"am530.bmp", kPresetW, kPresetH, PresetLabel(QStringLiteral("530"))},
        {"am820.bmp", kPresetW, kPresetH, PresetLabel(QStringLiteral("820"))},
        {"am1120.bmp", kPresetW, kPresetH, PresetLabel(QStringLiteral("1120"))},
        {"am1420.bmp", kPresetW, kPresetH, PresetLabel(QStringLiteral("1420"))},
        {"am1710.bmp", kPresetW, kPresetH, PresetLabel(QStringLiteral("1710"))},
        {"fm87.bmp", kPresetW, kPresetH, PresetLabel(QStringLiteral("87.9"))},
        {"fm92.bmp", kPresetW, kPresetH, PresetLabel(QStringLiteral("92.9"))},
        {"fm97.bmp", kPresetW, kPresetH, PresetLabel(QStringLiteral("97.9"))},
        {"fm102.bmp", kPresetW, kPresetH, PresetLabel(QStringLiteral("102.9"))},
        {"fm107.bmp", kPresetW, kPresetH, PresetLabel(QStringLiteral("107.9"))},
        {"OPEN-2.bmp", kTransportW, kTransportH, Shape(0)},
        {"PLAY-2.bmp", kTransportW, kTransportH, Shape(1)},
        {"STOP-2.bmp", kTransportW, kTransportH, Shape(2)},
        {"PREV-2.bmp", kTransportW, kTransportH, Shape(3)},
        {"NEXT-2.bmp", kTransportW, kTransportH, Shape(4)},
        {"TIMESET.bmp", kTimeSetW, kTimeSetH, Label(QStringLiteral("TIME SET"), 10)},
    };
    for (const auto& b : buttons)
        Save(Button(b.w, b.h, b.g), QStringLiteral("img/") + QLatin1String(b.name));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: zimagegen <output folder>\n");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    Generate();
    return g_failures == 0 ? 0 : 1;
}
