#include <QTest>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "controls/CFontCtrl.h"
#include "controls/CMyButtonColor.h"
#include "controls/ColorRule.h"

using PlayLabel = CColorCtrl<CFontCtrlEx<CStatic, 1, 16>>;

TEST(FontLabel, BindingMakesBoldSixteenAndIsStable) {
    QWidget dlg;
    auto* label = new PlayLabel(&dlg);
    QFont f = label->font();
    f.setPixelSize(11);
    f.setBold(false);
    label->setFont(f);
    label->PreSubclassWindow();
    EXPECT_TRUE(label->font().bold());
    EXPECT_EQ(label->font().pixelSize(), 16);
    label->ApplyFont();
    EXPECT_TRUE(label->font().bold());
    EXPECT_EQ(label->font().pixelSize(), 16);
}

TEST(FontLabel, RemovingWinsOverAdding) {
    QFont base;
    base.setUnderline(true);
    const QFont f = ctl::BuildLabelFont(base, ctl::FONT_BOLD | ctl::FONT_UNDERLINE | ctl::FONT_ITALIC,
                                        ctl::FONT_BOLD | ctl::FONT_UNDERLINE, 0);
    EXPECT_FALSE(f.bold());
    EXPECT_FALSE(f.underline());
    EXPECT_TRUE(f.italic());
    EXPECT_EQ(f.pixelSize(), base.pixelSize());
}

TEST(ColorLabel, ColourRule) {
    using ctl::ChooseCtlColor;
    const COLORREF face = ctl::GetSysColor(ctl::COLOR_BTNFACE);
    const COLORREF window = ctl::GetSysColor(ctl::COLOR_WINDOW);
    const DWORD none = 0xFF000000u;

    EXPECT_FALSE(ChooseCtlColor(none, none, false, ctl::CTLCOLOR_STATIC, false, false));

    auto textOnly = ChooseCtlColor(0x000000FFu, none, false, ctl::CTLCOLOR_STATIC, false, false);
    ASSERT_TRUE(textOnly);
    EXPECT_EQ(textOnly->background, face);
    EXPECT_EQ(textOnly->text, 0x000000FFu);
    EXPECT_TRUE(textOnly->transparent);

    auto edit = ChooseCtlColor(0x000000FFu, none, false, ctl::CTLCOLOR_EDIT, false, false);
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->background, window);
    EXPECT_FALSE(ChooseCtlColor(0x000000FFu, none, false, ctl::CTLCOLOR_SCROLLBAR, false, false));

    auto btn = ChooseCtlColor(none, 0x00123456u, false, ctl::CTLCOLOR_BTN, false, false);
    ASSERT_TRUE(btn);
    EXPECT_EQ(btn->text, ctl::GetSysColor(ctl::COLOR_BTNTEXT));

    EXPECT_FALSE(ChooseCtlColor(none, 0x00123456u, false, ctl::CTLCOLOR_STATIC, true, false)->transparent);
    EXPECT_TRUE(ChooseCtlColor(none, 0x00123456u, true, ctl::CTLCOLOR_STATIC, true, false)->transparent);
    EXPECT_FALSE(ChooseCtlColor(none, 0x00123456u, false, ctl::CTLCOLOR_STATIC, false, true)->transparent);

    EXPECT_EQ(*ctl::DecodeLabelColor(0x80000005u), window);
    EXPECT_EQ(ctl::FromColorRef(*ctl::DecodeLabelColor(0x00FF0000u)), QColor(0, 0, 255));
}

TEST(ColorLabel, DefaultsLeaveTheParentsColours) {
    QWidget dlg;
    auto* label = new PlayLabel(&dlg);
    label->PreSubclassWindow();
    EXPECT_FALSE(label->OnCtlColor());
    EXPECT_FALSE(label->autoFillBackground());
    label->m_crBkColor = 0x00202020u;
    label->m_crTextColor = 0x000E7AE8u;
    EXPECT_TRUE(label->OnCtlColor());
    EXPECT_EQ(label->palette().color(QPalette::WindowText), ctl::FromColorRef(0x000E7AE8u));
}

TEST(ColorLabel, BlinkAlternatesTheTextColour) {
    QWidget dlg;
    auto* label = new PlayLabel(&dlg);
    label->m_bBlinkText = 1;
    label->m_nBlinkPeriod = 5;
    label->m_crBlinkText[0] = 0x000000FFu;
    label->m_crBlinkText[1] = 0x00FF0000u;
    label->PreSubclassWindow();
    EXPECT_NE(label->m_nTimerId, 0u);
    const int start = label->m_nBlinkState;
    QElapsedTimer t;
    t.start();
    while (label->m_nBlinkState == start && t.elapsed() < 5000)
        QTest::qWait(5);
    EXPECT_NE(label->m_nBlinkState, start);
    const QColor expect = ctl::FromColorRef(label->m_crBlinkText[label->m_nBlinkState]);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), expect);
}

TEST(ColorSwatch, ShowsItsColourFramedAndTheSameInEveryState) {
    QWidget dlg;
    auto* sw = new CMyButtonColor(&dlg);
    sw->resize(20, 14);
    sw->m_crColor = ctl::MakeColorRef(255, 0, 0);
    const QImage idle = sw->grab().toImage();
    EXPECT_EQ(idle.pixelColor(10, 7), QColor(255, 0, 0));
    EXPECT_EQ(idle.pixelColor(0, 0), ctl::FromColorRef(ctl::GetSysColor(ctl::COLOR_3DDKSHADOW)));
    ShowAndFocus(&dlg);
    sw->setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(sw->hasFocus());
    EXPECT_EQ(sw->grab().toImage(), idle) << "focused";
    sw->setDown(true);
    EXPECT_EQ(sw->grab().toImage(), idle) << "pressed";
    sw->setDown(false);
    sw->m_crColor = ctl::MakeColorRef(0, 0, 255);
    EXPECT_EQ(sw->grab().toImage().pixelColor(10, 7), QColor(0, 0, 255));
}
