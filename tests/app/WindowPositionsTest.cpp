// The six saved window rectangles.
#include <gtest/gtest.h>

#include <QScreen>
#include <QTemporaryDir>

#include "app/MarlixExApp.h"
#include "app/WindowPositions.h"
#include "mainframe/MainFrm.h"
#include "platform/MsgBox.h"
#include "platform/Profile.h"

namespace {

bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class WindowRects : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Profile::SetStorageFolder(dir.path());
    }
    void TearDown() override {
        theApp.ExitInstance();
        Profile::SetStorageFolder(QString());
    }
    void Write(int id, RECT rc) {
        const QString sec = WindowPositions::SectionName(id);
        Profile::WriteProfileInt(sec, QStringLiteral("Left"), rc.left);
        Profile::WriteProfileInt(sec, QStringLiteral("Top"), rc.top);
        Profile::WriteProfileInt(sec, QStringLiteral("Right"), rc.right);
        Profile::WriteProfileInt(sec, QStringLiteral("Bottom"), rc.bottom);
    }
    QTemporaryDir dir;
    RecordingMessageBoxes boxes;
};

TEST_F(WindowRects, EmptyProfileYieldsTheDefaults) {
    RECT rects[WINDOW_POS_COUNT];
    WindowPositions::Load(rects);
    EXPECT_TRUE(Same(rects[WINDOW_POS_MAIN], RECT{66, 87, 1026, 832}));
    EXPECT_TRUE(Same(rects[WINDOW_POS_SPECTRUM], RECT{0, 0, 474, 270}));
    EXPECT_TRUE(Same(rects[WINDOW_POS_MPOWER], RECT{474, 270, 948, 540}));
    EXPECT_TRUE(Same(rects[WINDOW_POS_GPS], RECT{474, 0, 948, 270}));
    EXPECT_TRUE(Same(rects[WINDOW_POS_IQ], RECT{0, 270, 474, 540}));
    EXPECT_TRUE(Same(rects[WINDOW_POS_GOOGLEMAP], RECT{474, 0, 948, 270}));
}

TEST_F(WindowRects, ANegativeValueResetsOnlyItsOwnRectangle) {
    for (int i = 0; i < WINDOW_POS_COUNT; ++i)
        Write(i, RECT{10 + i, 20, 300, 400});
    Profile::WriteProfileInt(QStringLiteral("MxIQPos"), QStringLiteral("Top"), -5);
    RECT rects[WINDOW_POS_COUNT];
    WindowPositions::Load(rects);
    EXPECT_TRUE(Same(rects[WINDOW_POS_IQ], RECT{0, 270, 474, 540}));
    for (int i = 0; i < WINDOW_POS_COUNT; ++i)
        if (i != WINDOW_POS_IQ) {
            EXPECT_TRUE(Same(rects[i], RECT{10 + i, 20, 300, 400})) << i;
        }
}

TEST_F(WindowRects, ANegativeCoordinateAtExitSavesNothing) {
    Write(WINDOW_POS_SPECTRUM, RECT{1, 2, 3, 4});
    RECT rects[WINDOW_POS_COUNT];
    WindowPositions::Load(rects);
    rects[WINDOW_POS_SPECTRUM] = RECT{5, 6, 7, 8};
    rects[WINDOW_POS_MAIN].left = -8;
    EXPECT_FALSE(WindowPositions::Save(rects));
    EXPECT_EQ(Profile::GetProfileInt(QStringLiteral("MxSpectrumPos"), QStringLiteral("Left"), 0), 1);
    EXPECT_FALSE(Profile::HasProfileValue(QStringLiteral("MxMainPos"), QStringLiteral("Left")));
}

TEST_F(WindowRects, MainWindowRectangleSurvivesARestart) {
    ASSERT_TRUE(theApp.InitInstance());
    theApp.m_pMainWnd->setGeometry(120, 130, 900, 640);
    const QRect placed = theApp.m_pMainWnd->geometry();
    theApp.ExitInstance();
    EXPECT_EQ(Profile::GetProfileInt(QStringLiteral("MxMainPos"), QStringLiteral("Left"), -1), placed.left());
    EXPECT_EQ(Profile::GetProfileInt(QStringLiteral("MxMainPos"), QStringLiteral("Right"), -1),
              placed.left() + placed.width());

    ASSERT_TRUE(theApp.InitInstance());
    EXPECT_EQ(theApp.m_pMainWnd->geometry(), placed);
}

TEST_F(WindowRects, AMaximisedWindowSavesItsNormalRectangle) {
    ASSERT_TRUE(theApp.InitInstance());
    theApp.m_pMainWnd->setGeometry(100, 110, 800, 600);
    const QRect normal = theApp.m_pMainWnd->geometry();
    theApp.m_pMainWnd->showMaximized();
    theApp.ExitInstance();
    RECT rects[WINDOW_POS_COUNT];
    WindowPositions::Load(rects);
    EXPECT_EQ(WindowPositions::ToQRect(rects[WINDOW_POS_MAIN]), normal);
}

TEST_F(WindowRects, AnOffScreenRectangleOpensOnScreen) {
    Write(WINDOW_POS_MAIN, RECT{30000, 30000, 30800, 30600});
    ASSERT_TRUE(theApp.InitInstance());
    const QRect g = theApp.m_pMainWnd->geometry();
    const QRect screen = theApp.m_pMainWnd->screen()->availableGeometry();
    EXPECT_TRUE(screen.intersects(g)) << g.x() << "," << g.y();
    EXPECT_EQ(g.size(), QSize(800, 600).boundedTo(screen.size()));
}

TEST(BringOnScreen, KeepsVisibleRectanglesAndMovesLostOnes) {
    const std::vector<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    struct Case {
        QRect in, want;
    } cases[] = {
        {QRect(66, 87, 960, 745), QRect(66, 87, 960, 745)},        // on the first screen
        {QRect(2000, 100, 800, 600), QRect(2000, 100, 800, 600)},  // on the second screen
        {QRect(1880, 100, 800, 600), QRect(1880, 100, 800, 600)},  // across both
        {QRect(1890, 1050, 800, 600), QRect(1120, 480, 800, 600)}, // 30 x 30 corner only: brought in
        {QRect(5000, 5000, 800, 600), QRect(1120, 480, 800, 600)}, // lost: pinned inside the first
        {QRect(-5000, -900, 800, 600), QRect(0, 0, 800, 600)},
        {QRect(4000, 20, 2500, 1500), QRect(0, 0, 1920, 1080)}, // larger than the screen: shrunk
    };
    for (const Case& c : cases)
        EXPECT_EQ(WindowPositions::BringOnScreen(c.in, screens), c.want) << c.in.x();
    EXPECT_EQ(WindowPositions::BringOnScreen(QRect(5000, 5000, 10, 10), {}), QRect(5000, 5000, 10, 10));
}

} // namespace
