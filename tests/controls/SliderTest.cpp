#include <QTest>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "controls/CBitmapSlider.h"
#include "controls/CMyMemDC.h"
#include "controls/SliderMath.h"

using ctl::SliderAxis;

namespace {
SliderAxis SeekAxis() {
    SliderAxis a;
    a.min = 0;
    a.max = 8192;
    a.length = 358;
    a.thumb = 16;
    a.marginLow = 2;
    a.marginHigh = 2;
    return a;
}
} // namespace

TEST(SliderMath, PositionToPixelAndBack) {
    const SliderAxis a = SeekAxis();
    struct Case {
        int pos, pixel;
    } cases[] = {{0, 10}, {8192, 348}, {1000, 51}, {4096, 179}};
    for (const auto& c : cases)
        EXPECT_EQ(ctl::SliderPosToPixel(a, c.pos), c.pixel) << "pos " << c.pos;
    EXPECT_EQ(ctl::SliderPixelToPos(a, 51), 993); // truncated, not rounded
    EXPECT_EQ(ctl::SliderPixelToPos(a, 10), 0);
    EXPECT_EQ(ctl::SliderPixelToPos(a, 348), 8192);
}

TEST(SliderMath, EmptyRangeAndNoTravelDoNotDivideByZero) {
    SliderAxis a = SeekAxis();
    a.min = a.max = 5;
    EXPECT_EQ(ctl::SliderPosToPixel(a, 5), 10);
    EXPECT_EQ(ctl::SliderPixelToPos(a, 200), 5);
    SliderAxis b = SeekAxis();
    b.length = b.thumb + b.marginLow + b.marginHigh; // no room to move
    EXPECT_EQ(ctl::SliderPixelToPos(b, 40), 0);
}

TEST(SliderMath, DigitModeWrapsSliderModeClamps) {
    struct Case {
        int pos;
        bool digit;
        int expect;
    } cases[] = {{10, true, 0}, {-1, true, 9}, {5, true, 5}, {10, false, 9}, {-1, false, 0}, {9, false, 9}};
    for (const auto& c : cases)
        EXPECT_EQ(ctl::SliderNormalisePos(c.pos, 0, 9, c.digit), c.expect) << c.pos << " digit " << c.digit;
}

TEST(SliderMath, DragPixelStaysInTravel) {
    const SliderAxis a = SeekAxis();
    EXPECT_EQ(ctl::SliderClampDragPixel(a, -50, false), 10);
    EXPECT_EQ(ctl::SliderClampDragPixel(a, 1000, false), 348);
    EXPECT_EQ(ctl::SliderClampDragPixel(a, 100, false), 100);
}

class SliderFixture : public ::testing::Test {
protected:
    void SetUp() override {
        parent = std::make_unique<RecordingParent>();
        seek = new CBitmapSlider(parent.get(), 1219);
        seek->move(10, 10);
        ASSERT_TRUE(seek->LoadChannelBitmaps());
        ASSERT_TRUE(seek->LoadThumbBitmaps());
        seek->m_nMin = 0;
        seek->m_nMax = 8192;
        seek->m_nMarginLeft = 2;
        seek->m_nMarginRight = 2;
        seek->m_nMarginTop = 3; // the play bar's margins
        seek->m_bDrawFocusRect = 0;
        ShowAndFocus(parent.get());
        parent->Take();
    }
    QPoint AtPixel(int x) const { return QPoint(x, 8); }
    QImage Shot() const { return seek->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // Every pixel the thumb picture does not key out shows, its centre at the given x
    // (the pressed picture while the button is down, through the same key).
    bool ThumbShownWholeAt(const QImage& shot, int centre) const {
        const QImage& thumb = seek->m_bmThumbMask;
        const QImage& look = seek->m_bLButtonDown ? seek->m_bmThumbActive : seek->m_bmThumbMask;
        const int left = centre - thumb.width() / 2;
        int shown = 0;
        for (int y = 0; y < thumb.height(); ++y)
            for (int x = 0; x < thumb.width(); ++x) {
                if (qAlpha(thumb.pixel(x, y)) == 0)
                    continue;
                const QPoint at(left + x, seek->m_nMarginTop + y);
                if (!shot.rect().contains(at) || shot.pixel(at) != (look.pixel(x, y) | 0xFF000000u))
                    return false;
                ++shown;
            }
        return shown > 0;
    }
    std::unique_ptr<RecordingParent> parent;
    CBitmapSlider* seek = nullptr;
};

TEST_F(SliderFixture, LoadersTakeTheBitmapSizes) {
    EXPECT_EQ(seek->size(), QSize(358, 17));
    EXPECT_EQ(seek->m_nThumbWidth, 16);
    EXPECT_EQ(seek->m_nThumbHeight, 15);
}

TEST_F(SliderFixture, ThumbSitsWholeOnTheGroove) {
    seek->SetPos(4096);
    const QImage shot = Shot();
    EXPECT_TRUE(ThumbShownWholeAt(shot, seek->PosToPixel(4096)));
    // Rows of the groove: what differs from the channel's top edge, far from the thumb.
    const QImage& channel = seek->m_bmChannel;
    int grooveTop = -1, grooveBottom = -1;
    for (int y = 0; y < channel.height(); ++y)
        if (channel.pixel(300, y) != channel.pixel(300, 0)) {
            grooveTop = grooveTop < 0 ? y : grooveTop;
            grooveBottom = y;
        }
    int thumbTop = -1, thumbBottom = -1;
    const QImage& thumb = seek->m_bmThumbMask;
    for (int y = 0; y < thumb.height(); ++y)
        for (int x = 0; x < thumb.width(); ++x)
            if (qAlpha(thumb.pixel(x, y)) != 0) {
                thumbTop = thumbTop < 0 ? y : thumbTop;
                thumbBottom = y;
            }
    ASSERT_GE(grooveTop, 0);
    ASSERT_GE(thumbTop, 0);
    EXPECT_EQ(grooveTop + grooveBottom, 2 * seek->m_nMarginTop + thumbTop + thumbBottom) << "centred";
}

TEST_F(SliderFixture, PressOffThumbJumpsAndDragPostsMovingThenMovedOnRelease) {
    QTest::mousePress(seek, Qt::LeftButton, {}, AtPixel(51));
    auto moving = parent->Of(WM_SLIDER_MOVING);
    ASSERT_EQ(moving.size(), 1u);
    EXPECT_EQ(moving[0].wParam, 1219u);
    EXPECT_EQ(moving[0].lParam, 993);
    EXPECT_EQ(seek->m_nPos, 993);

    // On the thumb's own pixel (993 shows at 50): no new notification.
    ASSERT_EQ(seek->PosToPixel(993), 50);
    QMouseEvent same(QEvent::MouseMove, QPointF(50, 8), seek->mapToGlobal(QPointF(50, 8)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(seek, &same);
    EXPECT_TRUE(parent->Of(WM_SLIDER_MOVING).empty());

    QMouseEvent far(QEvent::MouseMove, QPointF(400, 8), seek->mapToGlobal(QPointF(400, 8)), Qt::NoButton,
                    Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(seek, &far);
    EXPECT_EQ(seek->m_nPos, 8192);

    QTest::mouseRelease(seek, Qt::LeftButton, {}, AtPixel(400));
    auto moved = parent->Of(WM_SLIDER_MOVED);
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(moved[0].lParam, 8192);
    EXPECT_FALSE(seek->m_bLButtonDown);
}

TEST_F(SliderFixture, PressOnThumbKeepsGrip) {
    seek->SetPos(4096); // thumb centre at pixel 179
    QTest::mousePress(seek, Qt::LeftButton, {}, AtPixel(183));
    EXPECT_EQ(seek->m_nMouseOffset, 4);
    EXPECT_EQ(seek->m_nPos, 4096);
    EXPECT_TRUE(parent->Of(WM_SLIDER_MOVING).empty());
    QTest::mouseRelease(seek, Qt::LeftButton, {}, AtPixel(183));
}

TEST_F(SliderFixture, ReleaseWithoutOwnPressSendsNothing) {
    // A press the slider ignored (disabled), then enabled before the release.
    seek->m_bEnable = 0;
    QTest::mousePress(seek, Qt::LeftButton, {}, AtPixel(100));
    seek->m_bEnable = 1;
    QTest::mouseRelease(seek, Qt::LeftButton, {}, AtPixel(100));
    EXPECT_TRUE(parent->Of(WM_SLIDER_MOVED).empty());
    EXPECT_EQ(seek->m_nPos, 0);
}

TEST_F(SliderFixture, KeysMoveWithoutNotifying) {
    seek->setFocus();
    seek->m_nPage = 20;
    seek->SetPos(100);
    struct Case {
        Qt::Key key;
        int expect;
    } cases[] = {// Left and Right where a step either way would show.
                 {Qt::Key_PageDown, 120},  {Qt::Key_PageUp, 100}, {Qt::Key_Left, 100}, {Qt::Key_Right, 100},
                 {Qt::Key_Up, 99},         {Qt::Key_Down, 100},   {Qt::Key_End, 8192}, {Qt::Key_Down, 8192},
                 {Qt::Key_PageDown, 8192}, {Qt::Key_Home, 0},     {Qt::Key_Up, 0},     {Qt::Key_PageUp, 0}};
    for (const auto& c : cases) {
        QTest::keyClick(seek, c.key);
        EXPECT_EQ(seek->m_nPos, c.expect) << "key " << c.key;
    }
    EXPECT_TRUE(parent->Take().empty());
}

TEST_F(SliderFixture, WheelStepsEvenWhenDisabledButNotWithInputOff) {
    seek->m_bEnable = 0;
    QWheelEvent up(QPointF(5, 5), seek->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(seek, &up);
    QWheelEvent down(QPointF(5, 5), seek->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(seek, &down);
    auto steps = parent->Of(WM_SLIDER_STEP);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].lParam, 1);
    EXPECT_EQ(steps[1].lParam, 0);
    EXPECT_EQ(seek->m_nPos, 0);
    // A sideways wheel is not a step down.
    QWheelEvent side(QPointF(5, 5), seek->mapToGlobal(QPointF(5, 5)), {}, QPoint(120, 0), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(seek, &side);
    EXPECT_TRUE(parent->Of(WM_SLIDER_STEP).empty());
    seek->m_bInputEnabled = 0;
    QCoreApplication::sendEvent(seek, &up);
    EXPECT_TRUE(parent->Of(WM_SLIDER_STEP).empty());
}

class DigitFixture : public ::testing::Test {
protected:
    void SetUp() override {
        parent = std::make_unique<RecordingParent>();
        for (int i = 0; i < 2; ++i) {
            cells[i] = new CBitmapSlider(parent.get(), 1526 + i);
            cells[i]->move(10 + 14 * i, 10);
            cells[i]->m_bDigitMode = 1;
            cells[i]->m_nMin = 0;
            cells[i]->m_nMax = 9;
            cells[i]->m_nPage = 1;
            cells[i]->m_nDigitBmpHighlight = 467;
            cells[i]->m_nDigitBmpNormal = 480;
            ASSERT_TRUE(cells[i]->SetDigitBitmap(0, 0));
        }
        ShowAndFocus(parent.get());
        cells[0]->setFocus();
        QCoreApplication::processEvents();
        parent->Take();
    }
    std::unique_ptr<RecordingParent> parent;
    CBitmapSlider* cells[2] = {};
};

TEST_F(DigitFixture, CellTakesTheDigitBitmapSize) {
    EXPECT_EQ(cells[0]->size(), QSize(12, 17));
}

TEST_F(DigitFixture, DigitKeysPostSteps) {
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        LPARAM expect;
    } cases[] = {
        {Qt::Key_Up, Qt::NoModifier, 1},       {Qt::Key_Down, Qt::NoModifier, 0},
        {Qt::Key_Plus, Qt::KeypadModifier, 1}, {Qt::Key_Minus, Qt::KeypadModifier, 0},
        {Qt::Key_0, Qt::NoModifier, '0'},      {Qt::Key_7, Qt::NoModifier, '7'},
        {Qt::Key_9, Qt::KeypadModifier, '9'},
    };
    for (const auto& c : cases) {
        QTest::keyClick(cells[0], c.key, c.mods);
        auto steps = parent->Of(WM_SLIDER_STEP);
        ASSERT_EQ(steps.size(), 1u) << "key " << c.key;
        EXPECT_EQ(steps[0].wParam, 1526u);
        EXPECT_EQ(steps[0].lParam, c.expect) << "key " << c.key;
    }
    EXPECT_EQ(cells[0]->m_nPos, 0);
    // Left and Right are the owner's (they move along the row).
    QTest::keyClick(cells[0], Qt::Key_Left);
    EXPECT_TRUE(parent->Of(WM_SLIDER_STEP).empty());
}

TEST_F(DigitFixture, FocusChangePostsMovedAndLeave) {
    cells[0]->SetPos(4);
    cells[1]->SetPos(7);
    cells[1]->setFocus();
    QCoreApplication::processEvents();
    auto msgs = parent->Take();
    bool leave = false, moved = false;
    for (const auto& m : msgs) {
        if (m.msg == WM_SLIDER_DIGIT_LEAVE && m.wParam == 1526 && m.lParam == 4)
            leave = true;
        if (m.msg == WM_SLIDER_MOVED && m.wParam == 1527 && m.lParam == 7)
            moved = true;
    }
    EXPECT_TRUE(leave);
    EXPECT_TRUE(moved);
}

TEST_F(DigitFixture, ClickOnUnfocusedCellGivesMovedTwice) {
    QTest::mouseClick(cells[1], Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(parent->Of(WM_SLIDER_MOVED).size(), 2u);
}

TEST_F(DigitFixture, TabStillMovesTheFocus) {
    // Qt moves the focus before a key handler sees Tab; what the cell decides is that
    // Tab may bring the focus to it and that it takes no Tab for itself.
    for (CBitmapSlider* c : cells)
        EXPECT_TRUE(c->focusPolicy() & Qt::TabFocus);
    QTest::keyClick(cells[0], Qt::Key_Tab);
    QCoreApplication::processEvents();
    EXPECT_TRUE(cells[1]->hasFocus());
    QTest::keyClick(cells[1], Qt::Key_Backtab, Qt::ShiftModifier);
    QCoreApplication::processEvents();
    EXPECT_TRUE(cells[0]->hasFocus());
    for (const PostedMsg& m : parent->Take())
        EXPECT_NE(m.msg, UINT(WM_SLIDER_STEP)) << "a Tab is no digit step";
}

TEST_F(DigitFixture, DigitBitmapIdZeroRemovesPicture) {
    cells[0]->m_nDigitBmpNormal = 0;
    EXPECT_TRUE(cells[0]->SetDigitBitmap(0, 0));
    EXPECT_FALSE(cells[0]->m_bChannel);
    EXPECT_TRUE(cells[0]->m_bmChannel.isNull());
    // The key colour of a digit picture is transparent, the strokes are not.
    cells[1]->SetDigitBitmap(8, 1);
    const QImage& keyed = cells[1]->m_bmChannelMask;
    EXPECT_EQ(qAlpha(keyed.pixel(0, 0)), 0);
    int opaque = 0;
    for (int y = 0; y < keyed.height(); ++y)
        for (int x = 0; x < keyed.width(); ++x)
            opaque += qAlpha(keyed.pixel(x, y)) == 255;
    EXPECT_GT(opaque, 10);
}

TEST_F(DigitFixture, DragOnACellPostsNoMoving) {
    QTest::mousePress(cells[0], Qt::LeftButton, {}, QPoint(1, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(11, 5), cells[0]->mapToGlobal(QPointF(11, 5)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(cells[0], &move);
    QTest::mouseRelease(cells[0], Qt::LeftButton, {}, QPoint(11, 5));
    EXPECT_TRUE(parent->Of(WM_SLIDER_MOVING).empty());
}

TEST_F(SliderFixture, EmptyRangeSliderStillDrawsAndDrags) {
    // Before a file is loaded the range can be 0..0: the thumb rests at the start.
    seek->m_nMin = seek->m_nMax = 0;
    seek->SetPos(5);
    EXPECT_EQ(seek->m_nPos, 0);
    const int start = seek->m_nMarginLeft + seek->m_nThumbWidth / 2;
    EXPECT_TRUE(ThumbShownWholeAt(Shot(), start));
    QTest::mousePress(seek, Qt::LeftButton, {}, AtPixel(200));
    QMouseEvent move(QEvent::MouseMove, QPointF(300, 8), seek->mapToGlobal(QPointF(300, 8)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(seek, &move);
    EXPECT_TRUE(ThumbShownWholeAt(Shot(), start)) << "pressed";
    QTest::mouseRelease(seek, Qt::LeftButton, {}, AtPixel(300));
    EXPECT_EQ(seek->m_nPos, 0);
    for (const PostedMsg& m : parent->Take())
        if (m.msg == WM_SLIDER_MOVING || m.msg == WM_SLIDER_MOVED) {
            EXPECT_EQ(m.lParam, 0) << m.msg;
        }
    EXPECT_TRUE(ThumbShownWholeAt(Shot(), start)) << "released";
}

TEST(MemDC, PutsTheOffScreenPictureOnTheTargetInOnePiece) {
    QImage target(40, 30, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::blue);
    {
        QPainter p(&target);
        const QRect r(10, 5, 20, 10);
        {
            CMyMemDC dc(&p, &r, TRUE); // starts from what is there: only drawn pixels change
            dc.fillRect(QRect(10, 5, 5, 5), Qt::red);
            EXPECT_EQ(target.pixelColor(10, 5), QColor(Qt::blue)); // nothing until it goes
        }
        p.setBackground(Qt::green);
        const QRect r2(0, 20, 10, 10);
        CMyMemDC fill(&p, &r2, FALSE); // starts from the target's background colour
    }
    EXPECT_EQ(target.pixelColor(10, 5), QColor(Qt::red));
    EXPECT_EQ(target.pixelColor(20, 10), QColor(Qt::blue));
    EXPECT_EQ(target.pixelColor(5, 25), QColor(Qt::green));
}
