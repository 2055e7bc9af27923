// Grabs every control to a PNG under the build folder, for a person to look at;
// a control that draws nothing, or a picture that fails to load, fails it.
#include <QDir>
#include <QHBoxLayout>
#include <QTest>
#include <gtest/gtest.h>

#include "ImageLayout.h"
#include "TestSupport.h"
#include "controls/BitmapResource.h"
#include "controls/CBitmapSlider.h"
#include "controls/CFontCtrl.h"
#include "controls/CKbcButton.h"
#include "controls/CMyButtonColor.h"
#include "controls/CRoundSliderCtrl.h"
#include "controls/CSplitterControl.h"

namespace {
// A picture of one flat colour shows nothing.
bool ShowsSomething(const QImage& img) {
    const QImage rgb = img.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if (rgb.pixel(x, y) != rgb.pixel(0, 0))
                return true;
    return false;
}

void Save(QWidget* w, const QString& name) {
    const QString path = QDir(TestOutputFolder()).filePath(name + QStringLiteral(".png"));
    const QImage img = w->grab().toImage();
    EXPECT_TRUE(ShowsSomething(img)) << name.toStdString();
    ASSERT_TRUE(img.save(path)) << path.toStdString();
    EXPECT_EQ(QImage(path), img.convertToFormat(QImage(path).format())) << path.toStdString();
}

QWidget* DarkPanel(QWidget* w) {
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    w->setPalette(pal);
    return w;
}
} // namespace

TEST(Gallery, GrabsEveryControl) {
    RecordingParent panel;
    DarkPanel(&panel);
    panel.resize(420, 420);

    auto* seek = new CBitmapSlider(&panel, 1219);
    seek->move(10, 10);
    EXPECT_TRUE(seek->LoadChannelBitmaps());
    EXPECT_TRUE(seek->LoadThumbBitmaps());
    seek->m_nMax = 8192;
    seek->m_nMarginLeft = seek->m_nMarginRight = 2; // as the play bar sets them
    seek->m_nMarginTop = 3;
    seek->SetPos(3000);

    // A frequency row: 0,097,900,000 with the third digit highlighted.
    const int digits[] = {0, -1, 0, 9, 7, -1, 9, 0, 0, -1, 0, 0, 0};
    int x = 10;
    for (int i = 0; i < 13; ++i) {
        auto* cell = new CBitmapSlider(&panel, 1526 + i);
        cell->move(x, 40);
        cell->m_bDigitMode = 1;
        cell->m_nMax = digits[i] < 0 ? 0 : 9;
        if (digits[i] < 0) {
            cell->m_nDigitBmpNormal = 465;
            EXPECT_TRUE(cell->SetDigitBitmap(0, 0));
        } else {
            cell->m_nDigitBmpNormal = 480;
            cell->m_nDigitBmpHighlight = 467;
            EXPECT_TRUE(cell->SetDigitBitmap(digits[i], i == 3 ? 1 : 0));
        }
        x += cell->width();
    }

    auto* knob = new CRoundSliderCtrl(&panel, 1550);
    knob->move(10, 70);
    knob->SetRange(0, 2399);
    knob->SetZero(90);
    knob->SetKnobInset(true);
    knob->SetSliderBitmap(ctl::LoadBitmapResource(493), 0);
    knob->SetSliderBitmap(ctl::LoadBitmapResource(494), 1);
    knob->SetPos(400);
    EXPECT_EQ(knob->size(), QSize(imglayout::kDialSize, imglayout::kDialSize));

    const struct {
        const char* name;
        QSize frame; // the picture's, so it loaded
    } pictures[] = {{"PLAY-2.bmp", {imglayout::kTransportW, imglayout::kTransportH}},
                    {"STOP-2.bmp", {imglayout::kTransportW, imglayout::kTransportH}},
                    {"am530.bmp", {imglayout::kPresetW, imglayout::kPresetH}},
                    {"button_+5.bmp", {imglayout::kStepW, imglayout::kStepH}}};
    std::vector<CKbcButton*> buttons;
    int bx = 130;
    for (int i = 0; i < 4; ++i) {
        auto* b = new CKbcButton(&panel, 1170 + i);
        b->move(bx, 80);
        b->LoadImageFile(ctl::ImageFolder() + QLatin1Char('/') + QLatin1String(pictures[i].name),
                         ctl::KEY_BUTTON);
        EXPECT_EQ(b->size(), pictures[i].frame) << pictures[i].name;
        b->m_bDisabled = i == 1;
        b->m_bHover = i == 2;
        bx += b->width() + 6;
        buttons.push_back(b);
    }

    auto* bar = new CSplitterControl(&panel);
    bar->Create(QRect(400, 10, 3, 180), &panel, 1300);

    auto* label = new CColorCtrl<CFontCtrlEx<CStatic, 1, 16>>(QStringLiteral("TV_ACME_01.tvf"), &panel);
    label->move(130, 140);
    label->m_crTextColor = 0x000E7AE8u;
    label->m_crBkColor = 0x00202020u;
    label->PreSubclassWindow();
    label->adjustSize();

    CMyButtonColor* swatch = nullptr;
    for (int i = 0; i < 4; ++i) {
        auto* sw = swatch = new CMyButtonColor(&panel);
        sw->setGeometry(130 + i * 26, 170, 22, 14);
        sw->m_crColor = ctl::MakeColorRef(60 * i, 255 - 60 * i, 128);
    }

    panel.show();
    QCoreApplication::processEvents();
    for (QWidget* w : panel.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(ShowsSomething(w->grab().toImage()))
            << w->metaObject()->className() << " at " << w->x() << "," << w->y();
    Save(&panel, QStringLiteral("gallery"));
    Save(seek, QStringLiteral("seek-slider"));
    Save(knob, QStringLiteral("knob"));
    Save(bar, QStringLiteral("splitter"));
    Save(label, QStringLiteral("label"));
    Save(swatch, QStringLiteral("swatch"));
    for (size_t i = 0; i < buttons.size(); ++i)
        Save(buttons[i], QStringLiteral("button-%1").arg(i));

    // Each picture of the program on its own, as the controls see it.
    QImage bg(ctl::BitmapResourcePath(464));
    ASSERT_FALSE(bg.isNull());
    ASSERT_TRUE(bg.save(QDir(TestOutputFolder()).filePath(QStringLiteral("front-panel-background.png"))));
    QImage bar414(ctl::BitmapResourcePath(414));
    ASSERT_TRUE(bar414.save(QDir(TestOutputFolder()).filePath(QStringLiteral("play-bar-background.png"))));
}
