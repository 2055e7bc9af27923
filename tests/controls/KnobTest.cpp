#include <QTest>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "controls/BitmapResource.h"
#include "controls/CRoundSliderCtrl.h"
#include "controls/KnobMath.h"

TEST(KnobMath, QuarterTurnsWithZeroAt90) {
    const QPoint c(51, 51);
    struct Case {
        int pos, angle;
        QPoint where; // rough direction from the centre
    } cases[] = {{0, 90, {1, 0}}, {600, 180, {0, 1}}, {1200, 270, {-1, 0}}, {1800, 0, {0, -1}}};
    for (const auto& cs : cases) {
        const int a = ctl::KnobAngle(cs.pos, 0, 2399, 90, false);
        EXPECT_EQ(a, cs.angle) << cs.pos;
        const QPoint k = ctl::KnobPoint(a, c, 45, 6, true) - c;
        EXPECT_EQ(k.x() > 10 ? 1 : (k.x() < -10 ? -1 : 0), cs.where.x()) << cs.pos;
        EXPECT_EQ(k.y() > 10 ? 1 : (k.y() < -10 ? -1 : 0), cs.where.y()) << cs.pos;
    }
    EXPECT_EQ(ctl::KnobPoint(90, c, 45, 6, true), QPoint(51 + 39, 51));
    EXPECT_EQ(ctl::KnobAngle(0, 0, 2399, 90, true), 270);
}

TEST(KnobMath, PointToPositionAndDragStops) {
    const QPoint c(51, 51);
    // Straight down from the centre is 180 degrees, minus the zero of 90.
    EXPECT_DOUBLE_EQ(ctl::KnobAngleOfPoint(QPoint(51, 90), c, false, 90), 90.0);
    EXPECT_EQ(ctl::KnobRawPos(90.0, 0, 2399), 600);
    struct Case {
        int raw, pos;
    } cases[] = {{1200, 1200}, {1500, 1200}, {1799, 1200}, {1800, 0}, {2000, 0}, {5, 5}};
    for (const auto& cs : cases)
        EXPECT_EQ(ctl::KnobDragPos(cs.raw), cs.pos) << cs.raw;
}

TEST(KnobMath, KeyStepWrapsAndEmptyRangeStays) {
    EXPECT_EQ(ctl::KnobKeyStep(0, -1, 0, 2399), 2399);
    EXPECT_EQ(ctl::KnobKeyStep(1200, 1, 0, 2399), 1201);
    EXPECT_EQ(ctl::KnobKeyStep(2395, 10, 0, 2399), 5);
    // No room in the range (max + 1 == min): no endless wrap, no division.
    EXPECT_EQ(ctl::KnobKeyStep(7, 1, 10, 9), 7);
    EXPECT_EQ(ctl::KnobAngle(7, 10, 9, 90, false), 90);
}

class KnobFixture : public ::testing::Test {
protected:
    void SetUp() override {
        parent = std::make_unique<RecordingParent>();
        knob = new CRoundSliderCtrl(parent.get(), 1550);
        knob->move(20, 20);
        knob->SetRange(0, 2399);
        knob->SetPos(0);
        knob->SetZero(90);
        knob->SetKnobInset(true);
        knob->SetSliderBitmap(ctl::LoadBitmapResource(493), 0);
        knob->SetSliderBitmap(ctl::LoadBitmapResource(494), 1);
        ShowAndFocus(parent.get());
        knob->setFocus();
        QCoreApplication::processEvents();
        parent->Take();
    }
    std::vector<PostedMsg> Changes() { return parent->Of(WM_KNOB_CHANGED); }
    std::unique_ptr<RecordingParent> parent;
    CRoundSliderCtrl* knob = nullptr;
};

TEST_F(KnobFixture, DialSizesTheWindow) {
    EXPECT_EQ(knob->size(), QSize(103, 103));
    EXPECT_EQ(knob->m_ptCenter, QPoint(51, 51));
    EXPECT_EQ(knob->m_nRadius, 45);
}

TEST_F(KnobFixture, DragSetsPositionAndStopsAtTheEnds) {
    // Press straight below the centre: 600.
    QTest::mousePress(knob, Qt::LeftButton, {}, QPoint(51, 95));
    EXPECT_EQ(knob->GetPos(), 600);
    auto ch = Changes();
    ASSERT_EQ(ch.size(), 1u);
    EXPECT_EQ(ch[0].wParam, 1550u);
    EXPECT_EQ(ch[0].lParam, 600);
    // Straight up maps to 1800: the knob goes to 0, not past the bottom stop.
    QMouseEvent up(QEvent::MouseMove, QPointF(51, 5), knob->mapToGlobal(QPointF(51, 5)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(knob, &up);
    EXPECT_EQ(knob->GetPos(), 0);
    // Upper left quadrant (about 1500): sticks at 1200.
    QMouseEvent ul(QEvent::MouseMove, QPointF(20, 20), knob->mapToGlobal(QPointF(20, 20)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(knob, &ul);
    EXPECT_EQ(knob->GetPos(), 1200);
    QTest::mouseRelease(knob, Qt::LeftButton, {}, QPoint(20, 20));
    bool thumbPosition = false;
    for (const auto& m : parent->Take())
        if (m.msg == WM_HSCROLL && LOWORD(m.wParam) == TB_THUMBPOSITION && HIWORD(m.wParam) == 1200)
            thumbPosition = true;
    EXPECT_TRUE(thumbPosition);
}

TEST_F(KnobFixture, KeysOutsideHalfTurnAreIgnoredButStillScroll) {
    struct Case {
        int start;
        Qt::Key key;
        int expect;
        bool changed;
        UINT code;
    } cases[] = {
        {0, Qt::Key_Right, 0, false, TB_LINEUP},         {1200, Qt::Key_Left, 1200, false, TB_LINEDOWN},
        {100, Qt::Key_Left, 101, true, TB_LINEDOWN},     {100, Qt::Key_PageUp, 90, true, TB_PAGEUP},
        {100, Qt::Key_PageDown, 110, true, TB_PAGEDOWN}, {100, Qt::Key_Home, 100, false, 99},
    };
    for (const auto& c : cases) {
        knob->SetPos(c.start);
        parent->Take();
        QTest::keyPress(knob, c.key);
        EXPECT_EQ(knob->GetPos(), c.expect) << c.key;
        auto msgs = parent->Take();
        int changes = 0, scrolls = 0;
        for (const auto& m : msgs) {
            changes += m.msg == WM_KNOB_CHANGED;
            scrolls += m.msg == WM_HSCROLL && LOWORD(m.wParam) == c.code;
        }
        EXPECT_EQ(changes, c.changed ? 1 : 0) << c.key;
        EXPECT_EQ(scrolls, c.code == 99 ? 0 : 1) << c.key;
        QTest::keyRelease(knob, c.key);
    }
}

TEST_F(KnobFixture, WheelClampsAndPostsEvenWithoutChange) {
    knob->SetPos(1200);
    QWheelEvent down(QPointF(51, 51), knob->mapToGlobal(QPointF(51, 51)), {}, QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(knob, &down);
    auto ch = Changes();
    ASSERT_EQ(ch.size(), 1u);
    EXPECT_EQ(ch[0].lParam, 1200);
    // Outside the round window: nothing.
    QWheelEvent corner(QPointF(1, 1), knob->mapToGlobal(QPointF(1, 1)), {}, QPoint(0, 120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(knob, &corner);
    EXPECT_TRUE(Changes().empty());
    EXPECT_EQ(knob->GetPos(), 1200);
}

TEST_F(KnobFixture, DragByKnobIgnoresPressAwayFromIt) {
    knob->SetDragByKnob(true);
    knob->repaint(); // places m_ptKnob
    QTest::mousePress(knob, Qt::LeftButton, {}, QPoint(51, 95));
    EXPECT_FALSE(knob->m_bDragging);
    EXPECT_EQ(knob->GetPos(), 0);
    EXPECT_TRUE(parent->Take().empty());
}

TEST_F(KnobFixture, KnobIsDrawnWhereThePositionSays) {
    struct Case {
        int pos;
        QPoint where;
    } cases[] = {{0, {90, 51}}, {600, {51, 90}}, {1200, {12, 51}}};
    for (const auto& c : cases) {
        knob->SetPos(c.pos);
        const QImage shot = knob->grab().toImage();
        EXPECT_EQ(knob->m_ptKnob, c.where) << c.pos;
        // The knob's red centre is there; its orange corners are keyed out.
        const QColor centre = shot.pixelColor(c.where + QPoint(1, 1));
        EXPECT_GT(centre.red(), 150) << c.pos;
        EXPECT_LT(centre.green(), 80) << c.pos;
    }
}

TEST_F(KnobFixture, DragWithoutFocusScrollsButPostsNoChange) {
    knob->clearFocus();
    knob->setFocusPolicy(Qt::NoFocus);
    QTest::mousePress(knob, Qt::LeftButton, {}, QPoint(51, 95));
    QTest::mouseRelease(knob, Qt::LeftButton, {}, QPoint(51, 95));
    EXPECT_EQ(knob->GetPos(), 600);
    auto msgs = parent->Take();
    int changes = 0, tracks = 0;
    for (const auto& m : msgs) {
        changes += m.msg == WM_KNOB_CHANGED;
        tracks += m.msg == WM_HSCROLL && LOWORD(m.wParam) == TB_THUMBTRACK;
    }
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(tracks, 1);
}
