#include <QTest>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "controls/CSplitterControl.h"

namespace {
struct Notice {
    UINT code = 0;
    UINT_PTR id = 0;
    int delta = 0;
    int count = 0;
};

void Record(RecordingParent& p, Notice& n) {
    p.onMessage = [&n](UINT msg, WPARAM, LPARAM l) {
        if (msg != WM_NOTIFY)
            return;
        const auto* rec = reinterpret_cast<const SplitterNotifyRecord*>(l);
        n.code = rec->hdr.code;
        n.id = rec->hdr.idFrom;
        n.delta = rec->delta;
        ++n.count;
    };
}
} // namespace

class SplitterFixture : public ::testing::Test {
protected:
    void SetUp() override {
        parent.move(230, 170); // limits must not depend on where the window sits
        bar = new CSplitterControl(&parent);
        ASSERT_TRUE(bar->Create(QRect(100, 10, 3, 200), &parent, 1300));
        Record(parent, notice);
        ShowAndFocus(&parent);
    }
    // Drag from the bar's middle to x in the parent's coordinates.
    void DragTo(int x) {
        const QPoint start(2, 100);
        QTest::mousePress(bar, Qt::LeftButton, {}, start);
        const QPointF local(x - bar->x(), 100);
        QMouseEvent move(QEvent::MouseMove, local, bar->mapToGlobal(local), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &move);
        QMouseEvent up(QEvent::MouseButtonRelease, local, bar->mapToGlobal(local), Qt::LeftButton,
                       Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &up);
    }
    int Centre() const { return (bar->geometry().left() * 2 + bar->width()) / 2; }

    RecordingParent parent;
    CSplitterControl* bar = nullptr;
    Notice notice;
};

TEST_F(SplitterFixture, CreateMakesAFiveWideVerticalBar) {
    EXPECT_EQ(bar->m_nType, 1);
    EXPECT_EQ(bar->geometry(), QRect(100, 10, 5, 200));
    EXPECT_EQ(bar->m_nMin, 102);
    EXPECT_EQ(bar->m_nMax, 102);
    CSplitterControl wide(&parent);
    wide.Create(QRect(0, 50, 300, 2), &parent, 1301);
    EXPECT_EQ(wide.m_nType, 2);
    EXPECT_EQ(wide.height(), 5);
}

TEST_F(SplitterFixture, BeforeSetRangeNothingMoves) {
    DragTo(180);
    EXPECT_EQ(notice.count, 1);
    EXPECT_EQ(notice.code, SPLITTER_MOVED);
    EXPECT_EQ(notice.id, 1300u);
    EXPECT_EQ(notice.delta, 0);
    EXPECT_EQ(Centre(), 102);
}

TEST_F(SplitterFixture, DragWithinAndBeyondTheLimits) {
    const int q = 50;
    bar->SetRange(q, 3 * q, q); // client 0 .. 200
    struct Case {
        int to, centre;
    } cases[] = {{150, 150}, {500, 200}, {-40, 0}, {120, 120}};
    int prev = 102;
    for (const auto& c : cases) {
        DragTo(c.to);
        EXPECT_EQ(Centre(), c.centre) << c.to;
        EXPECT_EQ(notice.delta, c.centre - prev) << c.to;
        prev = c.centre;
    }
    EXPECT_EQ(notice.count, 4);
}

TEST_F(SplitterFixture, PressAndReleaseInPlaceSendsZero) {
    bar->SetRange(40, 40);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(2, 100));
    EXPECT_EQ(notice.count, 1);
    EXPECT_EQ(notice.delta, 0);
}

TEST_F(SplitterFixture, NotifiesTheOwnerWhenOneIsSet) {
    RecordingParent owner;
    Notice other;
    Record(owner, other);
    bar->SetOwner(&owner);
    bar->SetRange(40, 40);
    DragTo(120);
    EXPECT_EQ(notice.count, 0);
    EXPECT_EQ(other.count, 1);
    EXPECT_EQ(other.delta, 18);
}
