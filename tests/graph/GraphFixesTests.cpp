// Faults found by review: Undo and the hold flags, the I/Q time labels, a marker
// on a point at the top of the range.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>
#include <vector>

#include "graph/Graph.h"

namespace {

GraphDataInfo Info(vg::CGraph& g) {
    GraphDataInfo i{};
    g.GetDataInfo(i);
    return i;
}

void Toggle(vg::CGraph& g, bool max) {
    GraphDataInfo i = Info(g);
    if (max)
        i.m_bMaxHold = i.m_bMaxHold ? 0 : -1;
    else
        i.m_bMinHold = i.m_bMinHold ? 0 : -1;
    g.SetDataInfo(i);
}

TEST(GraphUndo, StepsBackTheZoomAndLeavesTheHoldsAsTheyAre) {
    vg::CGraph g(0, nullptr, 600, 400);
    std::vector<double> v(100, -60.0);
    g.SetData(0, v.data(), 100, 800);
    g.SetMode(VG_MODE_ZOOM);
    const QRect plot = g.PlotRect();
    g.Input(plot.left() + 20, plot.top() + 20, 0, true, true, false);
    g.Input(plot.right() - 20, plot.bottom() - 20, 0, false, true, true);
    g.Input(plot.right() - 20, plot.bottom() - 20, 0, false, false, false);
    ASSERT_EQ(g.UndoDepth(), 1);
    const double zoomedMax = Info(g).m_dYMax;

    Toggle(g, true); // Hold Max after the zoom
    g.SetData(0, v.data(), 100, 800);
    ASSERT_FALSE(g.MaxHold().empty());
    ASSERT_TRUE(g.Undo());
    EXPECT_NE(double(Info(g).m_dYMax), zoomedMax);
    EXPECT_EQ(Info(g).m_bMaxHold, -1); // the record says what is drawn
    EXPECT_FALSE(g.MaxHold().empty());
    // The next Hold Max turns it off.
    Toggle(g, true);
    EXPECT_EQ(Info(g).m_bMaxHold, 0);
    g.SetData(0, v.data(), 100, 800);
    EXPECT_TRUE(g.MaxHold().empty());
}

void ZoomInward(vg::CGraph& g, int inset) {
    const QRect plot = g.PlotRect();
    g.Input(plot.left() + inset, plot.top() + inset, 0, true, true, false);
    g.Input(plot.right() - inset, plot.bottom() - inset, 0, false, true, true);
    g.Input(plot.right() - inset, plot.bottom() - inset, 0, false, false, false);
}

// The program moves the level axis as a whole when the power unit changes: the
// zoom steps back into the unit shown, not into the one the zoom was made in.
TEST(GraphUndo, StepsBackIntoALevelAxisTheProgramMoved) {
    vg::CGraph g(0, nullptr, 600, 400);
    GraphDataInfo i = Info(g);
    i.m_nPointCount = 100;
    i.m_dXMin = 0.0;
    i.m_dXMax = 99.0;
    i.m_dYMin = -120.0;
    i.m_dYMax = -20.0;
    g.SetDataInfo(i);
    g.SetMode(VG_MODE_ZOOM);
    ZoomInward(g, 20);
    const GraphDataInfo once = Info(g);
    ZoomInward(g, 40);
    ASSERT_EQ(g.UndoDepth(), 2);

    GraphDataInfo moved = Info(g); // dBm -> dBmV
    moved.m_dYMin = double(moved.m_dYMin) + 47.0;
    moved.m_dYMax = double(moved.m_dYMax) + 47.0;
    g.SetDataInfo(moved);
    ASSERT_EQ(g.UndoDepth(), 2);
    ASSERT_TRUE(g.Undo());
    EXPECT_DOUBLE_EQ(double(Info(g).m_dYMin), double(once.m_dYMin) + 47.0);
    EXPECT_DOUBLE_EQ(double(Info(g).m_dYMax), double(once.m_dYMax) + 47.0);
    EXPECT_DOUBLE_EQ(double(Info(g).m_dXMin), double(once.m_dXMin));
    ASSERT_TRUE(g.Undo());
    EXPECT_DOUBLE_EQ(double(Info(g).m_dYMin), -73.0);
    EXPECT_DOUBLE_EQ(double(Info(g).m_dYMax), 27.0);

    // One bound set alone (a typed y max) is no move of the axis: the steps back stay.
    g.SetMode(VG_MODE_ZOOM);
    ZoomInward(g, 20);
    GraphDataInfo typed = Info(g);
    typed.m_dYMax = double(typed.m_dYMax) + 10.0;
    g.SetDataInfo(typed);
    ASSERT_TRUE(g.Undo());
    EXPECT_DOUBLE_EQ(double(Info(g).m_dYMin), -73.0);
    EXPECT_DOUBLE_EQ(double(Info(g).m_dYMax), 27.0);
}

TEST(GraphIQ, TimeLabelsShowTheBlocksDuration) {
    const struct {
        int points;
        double clock;
        const char* last;
        const char* gap;
    } cases[] = {{30720, 744187.5, "41.28 ms", "4.13 ms/div"},
                 {8192, 46511.71875, "176.11 ms", "17.61 ms/div"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.points);
        vg::CGraph g(3, nullptr, 800, 300);
        // The defaults are the shipped IQData.lgd; the file from beside the program too.
        for (bool file : {false, true}) {
            if (file) {
                ASSERT_TRUE(g.LoadLayout("IQData.lgd"));
            }
            GraphDataInfo i = Info(g);
            i.m_nPointCount = c.points;
            i.m_dXMin = 0.0;
            i.m_dXMax = c.points;
            i.m_dXScale = (c.points - 1) / c.clock * 1000.0 * 1000.0 / c.points; // as the program sets it
            g.SetDataInfo(i);
            g.Compose();
            EXPECT_EQ(g.ShownText(1).toStdString(), c.last);
            EXPECT_EQ(g.ShownText(0).toStdString(), "0.00 ms");
            EXPECT_EQ(g.ShownText(5).toStdString(), c.gap);
        }
    }
}

TEST(GraphMarkers, AMarkerOnAPointAtTheTopOfTheRangeIsShown) {
    for (double top : {-20.0, -60.0}) {
        SCOPED_TRACE(top);
        vg::CGraph g(0, nullptr, 600, 400);
        GraphDesignInfo d{};
        g.GetDesignInfo(d);
        d.m_clrTextFo = 0x0000FF00; // green marks
        d.m_clrData = 0xFF0000FF;
        d.m_clrFade = 0;
        g.SetDesignInfo(d);
        GraphDataInfo i = Info(g);
        i.m_nPointCount = 101;
        i.m_dYMin = -120.0;
        i.m_dYMax = -20.0;
        g.SetDataInfo(i);
        std::vector<double> v(101, -110.0);
        v[50] = top;
        g.SetData(0, v.data(), 101, 101 * 8);
        g.SetMode(VG_MODE_MARKER);
        ASSERT_TRUE(g.SetMarkPosition(0, 50));
        g.Compose();
        const QImage img = g.Frame().convertToFormat(QImage::Format_RGB32);
        const QRect plot = g.PlotRect();
        int green = 0;
        for (int y = plot.top(); y <= plot.bottom(); ++y)
            for (int x = plot.center().x() - 12; x <= plot.center().x() + 12; ++x)
                if (img.pixel(x, y) == qRgb(0, 255, 0))
                    ++green;
        EXPECT_GT(green, 20) << "the marker's triangle and number";
    }
}

TEST(GraphPaint, ABurstOfRendersPaintsAboutOncePerDisplayFrame) {
    QWidget w;
    w.resize(400, 300);
    w.show();
    vg::CGraph g(0, &w, 400, 300);
    std::vector<double> v(1024, -80.0);
    QElapsedTimer t;
    t.start();
    int renders = 0;
    while (t.elapsed() < 300) {
        v[std::size_t(renders % 1024)] = -30.0;
        g.SetData(0, v.data(), 1024, 1024 * 8);
        g.Render(0.0f);
        ++renders;
        QCoreApplication::processEvents();
    }
    const int paints = g.PaintCount();
    EXPECT_GT(renders, 100);
    EXPECT_GE(paints, 3) << "the window is still painted";
    EXPECT_LE(paints, 300 / 16 + 3);
    // The frame shown is the latest data.
    QCoreApplication::processEvents();
    EXPECT_EQ(g.LayerData(0), v);
}

} // namespace
