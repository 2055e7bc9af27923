#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ImageLayout.h"
#include "controls/BitmapResource.h"

using namespace imglayout;

namespace {
enum class Key { None, Magenta, TopLeft, Button };

struct ImageCase {
    QString path; // relative to the executable's folder
    int w, h;
    Key key;
    QRgb keyColour = 0; // expected key colour for TopLeft
};

QString Res(int id) {
    return QStringLiteral("res/%1.bmp").arg(id);
}

std::vector<ImageCase> AllImages() {
    std::vector<ImageCase> v = {
        {Res(428), 358, 17, Key::None},
        {Res(429), 358, 17, Key::None},
        {Res(430), 16, 15, Key::TopLeft, qRgb(255, 0, 255)},
        {Res(431), 16, 15, Key::TopLeft, qRgb(255, 0, 255)},
        {Res(493), 103, 103, Key::Magenta},
        {Res(494), 16, 16, Key::TopLeft, qRgb(0xFF, 0x92, 0x3D)}, // orange corners
        {Res(464), 173, 652, Key::None},
        {Res(414), 952, 83, Key::None},
        {Res(465), kSepW, 17, Key::Magenta},
        {Res(466), kSepW, 17, Key::Magenta},
        {Res(477), kSepW, 17, Key::Magenta},
        {Res(490), kSepW, 17, Key::Magenta},
        {Res(478), 10, 17, Key::Magenta},
        {Res(479), 10, 17, Key::Magenta},
        {Res(491), 10, 17, Key::Magenta},
        {Res(492), 10, 17, Key::Magenta},
        {Res(400), kSmallColonW, 10, Key::None},
        {Res(496), kSepW, 17, Key::None},
    };
    for (int d = 0; d < 10; ++d) {
        v.push_back({Res(467 + d), 12, 17, Key::Magenta});
        v.push_back({Res(480 + d), 12, 17, Key::Magenta});
        v.push_back({Res(390 + d), 7, 10, Key::Magenta});
    }
    const struct {
        const char* name;
        int w, h;
    } buttons[] = {
        {"button_-5.bmp", kStepW, kStepH},        {"button_-05.bmp", kStepW, kStepH},
        {"button_+05.bmp", kStepW, kStepH},       {"button_+5.bmp", kStepW, kStepH},
        {"am530.bmp", kPresetW, kPresetH},        {"am820.bmp", kPresetW, kPresetH},
        {"am1120.bmp", kPresetW, kPresetH},       {"am1420.bmp", kPresetW, kPresetH},
        {"am1710.bmp", kPresetW, kPresetH},       {"fm87.bmp", kPresetW, kPresetH},
        {"fm92.bmp", kPresetW, kPresetH},         {"fm97.bmp", kPresetW, kPresetH},
        {"fm102.bmp", kPresetW, kPresetH},        {"fm107.bmp", kPresetW, kPresetH},
        {"OPEN-2.bmp", kTransportW, kTransportH}, {"PLAY-2.bmp", kTransportW, kTransportH},
        {"STOP-2.bmp", kTransportW, kTransportH}, {"PREV-2.bmp", kTransportW, kTransportH},
        {"NEXT-2.bmp", kTransportW, kTransportH}, {"TIMESET.bmp", kTimeSetW, kTimeSetH},
    };
    for (const auto& b : buttons)
        v.push_back({QStringLiteral("img/") + QLatin1String(b.name), b.w * 4, b.h, Key::Button});
    return v;
}

int BitsPerPixel(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray h = f.read(30);
    if (h.size() < 30 || h[0] != 'B' || h[1] != 'M')
        return -1;
    return static_cast<unsigned char>(h[28]) | (static_cast<unsigned char>(h[29]) << 8);
}

// First and last column, and first and last row, of r that hold a pixel for which
// ink(x, y) is true; -1 for each when none does.
struct InkBox {
    int left = -1, right = -1, top = -1, bottom = -1;
};
template <typename Ink> InkBox InkBounds(const QRect& r, Ink ink) {
    InkBox b;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (ink(x, y)) {
                b.left = b.left < 0 ? x : std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = b.top < 0 ? y : b.top;
                b.bottom = y;
            }
    return b;
}

int CountColour(const QImage& img, const QRect& r, QRgb c) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += (img.pixel(x, y) & 0xFFFFFF) == (c & 0xFFFFFF);
    return n;
}
} // namespace

TEST(Images, EachHasItsSizeDepthAndKeyColour) {
    const QString bin = QCoreApplication::applicationDirPath();
    for (const ImageCase& c : AllImages()) {
        SCOPED_TRACE(c.path.toStdString());
        const QString path = bin + QLatin1Char('/') + c.path;
        const QImage img(path);
        ASSERT_FALSE(img.isNull());
        EXPECT_EQ(img.size(), QSize(c.w, c.h));
        EXPECT_EQ(BitsPerPixel(path), 24);
        const QRect all = img.rect();
        switch (c.key) {
        case Key::None:
            // Plain pictures carry no key colour, so nothing on them turns see-through.
            EXPECT_EQ(CountColour(img, all, qRgb(255, 0, 255)), 0);
            break;
        case Key::Magenta:
            EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, 0xFF00FFu);
            EXPECT_GT(CountColour(img, all, qRgb(255, 0, 255)), 0);
            EXPECT_LT(CountColour(img, all, qRgb(255, 0, 255)), c.w * c.h); // something shows
            break;
        case Key::TopLeft: {
            EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, c.keyColour & 0xFFFFFF);
            const QRgb corner = img.pixel(0, 0);
            for (QPoint p : {QPoint(c.w - 1, 0), QPoint(0, c.h - 1), QPoint(c.w - 1, c.h - 1)})
                EXPECT_EQ(img.pixel(p), corner);
            EXPECT_NE(img.pixel(c.w / 2, c.h / 2), corner);
            break;
        }
        case Key::Button: {
            const int fw = c.w / 4;
            for (int f = 0; f < 4; ++f) {
                const QRect fr(f * fw, 0, fw, c.h);
                EXPECT_EQ(img.pixel(fr.topLeft()) & 0xFFFFFF, 0xFEFEFEu) << "frame " << f;
                EXPECT_EQ(img.pixel(fr.bottomRight()) & 0xFFFFFF, 0xFEFEFEu) << "frame " << f;
                // Key only at the cut corners: the face itself is never see-through.
                EXPECT_EQ(CountColour(img, fr, qRgb(0xFE, 0xFE, 0xFE)), 4) << "frame " << f;
            }
            // The four frames differ from each other.
            const QImage f0 = img.copy(0, 0, fw, c.h);
            for (int f = 1; f < 4; ++f)
                EXPECT_NE(img.copy(f * fw, 0, fw, c.h), f0) << "frame " << f;
            break;
        }
        }
    }
}

TEST(Images, ThumbPressedSharesTheNormalOutline) {
    const QString bin = QCoreApplication::applicationDirPath();
    const QImage a(bin + "/res/430.bmp"), b(bin + "/res/431.bmp");
    ASSERT_FALSE(a.isNull());
    ASSERT_FALSE(b.isNull());
    const QRgb key = a.pixel(0, 0);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            EXPECT_EQ(a.pixel(x, y) == key, b.pixel(x, y) == key) << x << "," << y;
}

// A seven-segment row keeps an even pitch: no digit, the 1 included, leaves more
// than a stroke's width of its cell blank beside the columns the 8 draws in.
TEST(Images, EveryDigitSpansItsCellLikeTheEight) {
    const QString bin = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    const struct { int base, stroke; } sets[] = {{467, 2}, {480, 2}, {390, 1}};
    for (const auto& set : sets) {
        const QImage eight(bin + Res(set.base + 8));
        ASSERT_FALSE(eight.isNull());
        auto inkOf = [](const QImage& img) {
            return InkBounds(img.rect(),
                             [&](int x, int y) { return (img.pixel(x, y) & 0xFFFFFF) != 0xFF00FFu; });
        };
        const InkBox full = inkOf(eight);
        for (int d = 0; d < 10; ++d) {
            const QImage img(bin + Res(set.base + d));
            ASSERT_FALSE(img.isNull());
            const InkBox b = inkOf(img);
            EXPECT_LE(b.left, full.left + set.stroke) << set.base + d;
            EXPECT_GE(b.right, full.right - set.stroke) << set.base + d;
        }
    }
}

// The ten presets: one font (their digits stand on the same rows) and, in each of
// the four frames, a label that leaves three pixels of face clear inside the rim.
TEST(Images, PresetLabelsShareOneFontAndFitTheirButtons) {
    const QString bin = QCoreApplication::applicationDirPath() + QStringLiteral("/img/");
    int top = -1, bottom = -1;
    for (const char* name :
         {"am530", "am820", "am1120", "am1420", "am1710", "fm87", "fm92", "fm97", "fm102", "fm107"}) {
        const QImage img(bin + QLatin1String(name) + QStringLiteral(".bmp"));
        ASSERT_FALSE(img.isNull()) << name;
        for (int f = 0; f < 4; ++f) {
            SCOPED_TRACE(std::string(name) + " frame " + std::to_string(f));
            const QRect face(f * kPresetW + 1, 1, kPresetW - 2, kPresetH - 2);
            // Ink stands out from the face's own gradient, read at the face's left edge.
            const InkBox b = InkBounds(face, [&](int x, int y) {
                return qGray(img.pixel(x, y)) > qGray(img.pixel(face.left(), y)) + 0x18;
            });
            ASSERT_GE(b.left, 0);
            EXPECT_GE(b.left - face.left(), 3);
            EXPECT_GE(face.right() - b.right, 3);
            if (f == 0) {
                if (top < 0) {
                    top = b.top;
                    bottom = b.bottom;
                }
                EXPECT_EQ(b.top, top);
                EXPECT_EQ(b.bottom, bottom);
            }
        }
    }
}
