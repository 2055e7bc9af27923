// Inside one graph: holds, focus, colours, the cached grid, the column reduction.
#include <QImage>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "graph/Graph.h"
#include "graph/TraceGeometry.h"

namespace {

GraphDataInfo Info(vg::CGraph& g) {
    GraphDataInfo i{};
    g.GetDataInfo(i);
    return i;
}

TEST(GraphHolds, FollowTheDataAndRestart) {
    vg::CGraph g(0, nullptr, 400, 300);
    GraphDataInfo info = Info(g);
    info.m_nPointCount = 3;
    info.m_bMaxHold = -1;
    info.m_bMinHold = -1;
    g.SetDataInfo(info);
    double a[3] = {1, 5, 3}, b[3] = {4, 2, 6}, c[3] = {0, 0, 0};
    g.SetData(0, a, 3, 24);
    g.SetData(0, b, 3, 24);
    EXPECT_EQ(g.MaxHold(), (std::vector<double>{4, 5, 6}));
    EXPECT_EQ(g.MinHold(), (std::vector<double>{1, 2, 3}));

    g.MinMaxHoldInit();
    EXPECT_TRUE(g.MaxHold().empty());
    g.SetData(0, c, 3, 24);
    EXPECT_EQ(g.MaxHold(), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(g.MinHold(), (std::vector<double>{0, 0, 0}));

    // Max hold off: its trace goes, the min hold goes on.
    info = Info(g);
    info.m_bMaxHold = 0;
    g.SetDataInfo(info);
    g.SetData(0, b, 3, 24);
    EXPECT_TRUE(g.MaxHold().empty());
    EXPECT_EQ(g.MinHold(), (std::vector<double>{0, 0, 0}));

    // Clearing the data (new frequency) drops the holds that belonged to them.
    g.ClearData(0);
    EXPECT_TRUE(g.MinHold().empty());
}

TEST(GraphData, KeepsItsOwnCopyOfTheSamples) {
    vg::CGraph g(3, nullptr, 400, 300);
    std::vector<std::int16_t> buf = {10, -20, 30};
    ASSERT_TRUE(g.SetData(0, buf.data(), 3, 6));
    buf.assign(3, 0); // the device library reuses its buffer
    g.Render(0.2f);
    EXPECT_EQ(g.LayerData(0), (std::vector<double>{10, -20, 30}));
}

TEST(GraphTexts, HoverFocusesAVisibleFocusableText) {
    vg::CGraph g(0, nullptr, 500, 300);
    const QRect ymax = g.TextRect(3), xmin = g.TextRect(0);
    ASSERT_FALSE(ymax.isEmpty());
    EXPECT_EQ(g.FocusedText(), -1);
    g.Input(ymax.center().x(), ymax.center().y(), 0, false, false, true);
    EXPECT_EQ(g.FocusedText(), 3);
    g.Input(xmin.center().x(), xmin.center().y(), 0, false, false, true);
    EXPECT_EQ(g.FocusedText(), 0);
    const QPoint inPlot = g.PlotRect().center();
    g.Input(inPlot.x(), inPlot.y(), 0, false, false, true);
    EXPECT_EQ(g.FocusedText(), -1) << "hover only";
    // A clicked text keeps the focus when the mouse moves on; a click elsewhere drops it.
    const QRect ymin = g.TextRect(2);
    g.Input(ymin.center().x(), ymin.center().y(), 0, true, true, false);
    g.Input(inPlot.x(), inPlot.y(), 0, false, false, true);
    EXPECT_EQ(g.FocusedText(), 2);
    g.Input(inPlot.x(), inPlot.y(), 0, true, true, false);
    g.Input(inPlot.x(), inPlot.y(), 0, false, false, false);
    EXPECT_EQ(g.FocusedText(), -1);
    g.Input(xmin.center().x(), xmin.center().y(), 0, false, false, true);
    // Hidden text: loses the focus and cannot take it.
    g.SetCustomTextVisible(0, false);
    EXPECT_EQ(g.FocusedText(), -1);
    g.Compose();
    g.Input(xmin.center().x(), xmin.center().y(), 0, false, false, true);
    EXPECT_EQ(g.FocusedText(), -1);
    // Marker read-outs are not focusable.
    g.SetCustomTextVisible(11, true);
    g.Compose();
    QRect m1 = g.TextRect(11);
    ASSERT_FALSE(m1.isEmpty());
    g.Input(m1.center().x(), m1.center().y(), 0, false, false, true);
    EXPECT_NE(g.FocusedText(), 11);
}

bool HasColour(const QImage& img, const QRect& r, int red, int green, int blue) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            QRgb c = img.pixel(x, y);
            if (std::abs(qRed(c) - red) < 40 && std::abs(qGreen(c) - green) < 40 &&
                std::abs(qBlue(c) - blue) < 40)
                return true;
        }
    return false;
}

TEST(GraphColours, TextColoursAreBgrTheOthersArgb) {
    vg::CGraph g(0, nullptr, 500, 300);
    GraphDesignInfo d{};
    g.GetDesignInfo(d);
    d.m_clrBG = 0xFF000000;
    d.m_clrText = 0x000000FF;   // red as 0x00BBGGRR
    d.m_clrTextFo = 0x0000FF00; // green
    d.m_clrTextSe = 0x00000000; // no box behind the focused text
    d.m_clrData = 0xFF0000FF;   // blue as 0xAARRGGBB
    d.m_clrFade = 0;
    g.SetDesignInfo(d);
    GraphDataInfo info{};
    g.GetDataInfo(info);
    info.m_nPointCount = 2;
    info.m_dXMin = 0;
    info.m_dXMax = 1;
    info.m_dYMin = 0;
    info.m_dYMax = 10;
    g.SetDataInfo(info);
    double v[2] = {5, 5};
    g.SetData(0, v, 2, 16);
    g.Input(g.TextRect(3).center().x(), g.TextRect(3).center().y(), 0, false, false, true);
    g.Render(0);
    const QImage img = g.Frame().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(HasColour(img, g.TextRect(2), 255, 0, 0)) << "text";
    EXPECT_FALSE(HasColour(img, g.TextRect(2), 0, 0, 255));
    EXPECT_TRUE(HasColour(img, g.TextRect(3), 0, 255, 0)) << "focused text";
    const QRect plot = g.PlotRect();
    EXPECT_TRUE(HasColour(img, QRect(plot.center().x(), plot.top(), 1, plot.height()), 0, 0, 255)) << "data";
}

TEST(GraphDrawing, GridIsRedrawnOnlyWhenItChanges) {
    vg::CGraph g(0, nullptr, 600, 300);
    std::vector<double> v(1024, -60.0);
    g.SetData(0, v.data(), 1024, 1024 * 8);
    g.Render(0);
    const qint64 key = g.StaticImageKey();
    v.assign(1024, -70.0);
    g.SetData(0, v.data(), 1024, 1024 * 8);
    g.Render(0.2f);
    g.SetCustomText(9, "Gain:-3.0 dB");
    g.Render(0.2f);
    EXPECT_EQ(g.StaticImageKey(), key);
    GraphDataInfo info{};
    g.GetDataInfo(info);
    info.m_dYMax -= 10.0;
    g.SetDataInfo(info);
    g.Render(0);
    EXPECT_NE(g.StaticImageKey(), key);
}

TEST(TraceGeometry, EachColumnSpansItsLowestAndHighestSample) {
    // 30720 points into 100 columns: about 307 per column.
    const int n = 30720, cols = 100;
    vg::TraceMap m;
    m.cols = cols;
    m.left = 10;
    m.a = double(cols - 1) / (n - 1);
    m.b = 0.0;
    m.yTop = 0;
    m.yMax = 100;
    m.ky = 1.0; // one pixel per unit
    m.clipTop = 0;
    m.clipBottom = 100;
    std::vector<double> v(n);
    for (int i = 0; i < n; ++i)
        v[std::size_t(i)] = 50.0 + 40.0 * std::sin(i * 0.37) * std::sin(i * 0.0011);
    ASSERT_TRUE(vg::IsDense(m, n));
    std::vector<vg::Span> spans;
    std::vector<int> scratch;
    vg::ReduceToSpans(m, v.data(), n, spans, scratch);
    ASSERT_EQ(int(spans.size()), cols);
    std::vector<int> lo(cols, 1000), hi(cols, -1000), last(cols, 0);
    for (int i = 0; i < n; ++i) {
        auto c = std::size_t(std::floor(m.a * i + 0.5));
        int y = int(std::floor(100.0 - v[std::size_t(i)] + 0.5));
        lo[c] = std::min(lo[c], y);
        hi[c] = std::max(hi[c], y);
        last[c] = y;
    }
    for (std::size_t c = 0; c < std::size_t(cols); ++c) {
        const auto& s = spans[c];
        EXPECT_EQ(s.x, 10 + int(c));
        // Lowest to highest sample, joined to where the column before ended.
        int want0 = lo[c], want1 = hi[c];
        if (c > 0) {
            want0 = std::min(want0, last[c - 1]);
            want1 = std::max(want1, last[c - 1]);
        }
        EXPECT_EQ(s.y0, want0) << c;
        EXPECT_EQ(s.y1, want1) << c;
    }
}

TEST(TraceGeometry, GapsAndOffScaleSamplesAreSafe) {
    vg::TraceMap m;
    m.cols = 50;
    m.a = 1.0;
    m.b = 0.0;
    m.yMax = 1.0;
    m.ky = 10.0;
    m.clipTop = 0;
    m.clipBottom = 20;
    double v[5] = {0.5, std::nan(""), 1e300, -1e300, -INFINITY};
    std::vector<vg::Segment> segs;
    vg::BuildSegments(m, v, 5, segs);
    ASSERT_EQ(segs.size(), 2u); // NaN breaks the line; the rest is clamped to the edges
    for (const auto& s : segs) {
        EXPECT_GE(s.y0, -2.0);
        EXPECT_LE(s.y1, 22.0);
    }
}

} // namespace

namespace {

TEST(Graph3D, StacksRecentTracesAndTakesTheWheel) {
    vg::CGraph g(0, nullptr, 400, 300);
    GraphDesignInfo d{};
    g.GetDesignInfo(d);
    d.m_clrBG = d.m_clrGrid = d.m_clrAxis = 0xFF000000;
    d.m_clrData = 0xFFFF0000;
    d.m_clrFade = 0xFF00FF00;
    g.SetDesignInfo(d);
    ASSERT_TRUE(g.SetMode(VG_MODE_3D));
    std::vector<double> v(1024, -70.0);
    for (int i = 0; i < 5; ++i)
        g.SetData(0, v.data(), 1024, 1024 * 8);
    g.Input(100, 100, 3, false, false, false); // deeper
    g.Render(0);
    const QImage img = g.Frame().convertToFormat(QImage::Format_RGB32);
    const QRect plot = g.PlotRect();
    bool newest = false, older = false;
    for (int y = plot.top(); y <= plot.bottom(); ++y) {
        QRgb c = img.pixel(plot.left() + 20, y);
        newest = newest || (qRed(c) > 200 && qGreen(c) < 60);
        older = older || (qGreen(c) > 60 && qRed(c) < 60);
    }
    EXPECT_TRUE(newest);
    EXPECT_TRUE(older);
    EXPECT_FALSE(g.SetMode(5));
    EXPECT_EQ(g.Mode(), VG_MODE_3D);
}

} // namespace

namespace {

TEST(GraphFade, PreviousTraceGlowsForTheLayoutsFadeTime) {
    vg::CGraph g(0, nullptr, 400, 300); // spectrum layout: 1 s afterglow
    GraphDesignInfo d{};
    g.GetDesignInfo(d);
    d.m_clrBG = d.m_clrGrid = d.m_clrAxis = 0xFF000000;
    d.m_clrData = 0xFFFF0000;
    d.m_clrFade = 0xFF00FF00;
    g.SetDesignInfo(d);
    GraphDataInfo info{};
    g.GetDataInfo(info);
    info.m_nPointCount = 4;
    info.m_dXMin = 0;
    info.m_dXMax = 3;
    info.m_dYMin = 0;
    info.m_dYMax = 100;
    g.SetDataInfo(info);
    double before[4] = {80, 80, 80, 80}, now[4] = {20, 20, 20, 20};
    g.SetData(0, before, 4, 32);
    g.SetData(0, now, 4, 32);
    const QRect plot = g.PlotRect();
    auto greenInColumn = [&]() {
        const QImage img = g.Frame().convertToFormat(QImage::Format_RGB32);
        for (int y = plot.top(); y <= plot.bottom(); ++y)
            if (qGreen(img.pixel(plot.center().x(), y)) > 20)
                return true;
        return false;
    };
    g.Render(0.0f);
    EXPECT_TRUE(greenInColumn());
    g.Render(0.6f);
    EXPECT_TRUE(greenInColumn());
    g.Render(0.6f);
    EXPECT_FALSE(greenInColumn()) << "1.2 s after the new trace";
    g.Render(-5.0f); // nonsense elapsed times change nothing
    g.Render(std::nanf(""));
    EXPECT_FALSE(greenInColumn());
}

} // namespace

namespace {

// Records the program may compute from bad device values (a zero sample clock
// gives an infinite x scale): drawing, input and read-outs must stay sane.
TEST(GraphRobustness, HostileRecordsDrawAndAnswerSafely) {
    const double inf = INFINITY, nan = std::nan("");
    struct Case {
        int n;
        double x0, x1, y0, y1, xscale, ystep;
        double mark; // x of point 3 as the marker reads it; NaN: refused
        bool band;   // the drag leaves an area
    };
    // An axis that cannot be used counts points instead.
    const Case cases[] = {
        {100, nan, nan, nan, nan, nan, nan, 3, true},
        {100, 5, 5, -10, -10, 1, 0, 3, true},
        {100, 10, -10, 10, -10, 0, -1, 3, true},
        {100, -inf, inf, -inf, inf, inf, inf, 3, true},
        {100, 0, 1e300, -1e300, 1e300, 1e-300, 1e-300, 3e300 / 99 * 1e-300, true},
        {100, -1e308, 1e308, 1e308, 1e308, 1, 1, nan, false},         // the span overflows
        {-5, 0, 10, 0, 10, 1, 1, 30.0 / 99, true},                    // the data give the count
        {1, 0, 10, 0, 10, 1, 1, nan, false},                          // no point 3, nothing to drag over
        {2000000000, 0, 10, 0, 10, 1, 1, 30.0 / (4194304 - 1), true}, // cut to the most it draws
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.n << " " << c.x0 << ".." << c.x1);
        vg::CGraph g(0, nullptr, 300, 200);
        GraphDataInfo info{};
        g.GetDataInfo(info);
        info.m_nPointCount = c.n;
        info.m_dXMin = c.x0;
        info.m_dXMax = c.x1;
        info.m_dYMin = c.y0;
        info.m_dYMax = c.y1;
        info.m_dXScale = c.xscale;
        info.m_dYStep = c.ystep;
        info.m_bMaxHold = -1;
        g.SetDataInfo(info);
        std::vector<double> v(100);
        for (int i = 0; i < 100; ++i)
            v[std::size_t(i)] = (i % 7 == 0) ? nan : i * 1e6 - 5e7;
        g.SetData(0, v.data(), 100, 800);
        for (int mode : {VG_MODE_MARKER, VG_MODE_BAND_POWER, VG_MODE_ZOOM, VG_MODE_3D, VG_MODE_2D}) {
            g.SetMode(mode);
            g.Input(150, 100, 0, true, true, false);
            g.Input(60, 40, 2, false, true, true);
            g.Input(60, 40, 0, false, false, false);
            g.Render(0.2f);
        }
        g.SetMarkPosition(0, 3);
        float f = 0.0f;
        ASSERT_EQ(g.GetMarkData(0, 0, f), !std::isnan(c.mark));
        if (!std::isnan(c.mark)) {
            EXPECT_NEAR(f, c.mark, std::abs(c.mark) * 1e-6);
        }
        int a = -1, b = -1;
        ASSERT_EQ(g.GetBandPowerArea(a, b), c.band);
        if (c.band) {
            EXPECT_LE(0, a);
            EXPECT_LT(a, b);
        }
        g.Undo();
        g.IfOutThenToCenter(0);
        g.Render(0.0f);
        EXPECT_EQ(g.Frame().size(), QSize(300, 200));
    }
}

} // namespace
