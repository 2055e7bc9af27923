// The entry points as the program calls them, on a real window.
#include <QImage>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

#include "GraphTestWindow.h"
#include "graph/GraphLayout.h"
#include "graph/VarolGraph.h"

namespace {

struct Plot {
    int left, top, width, height;
    int Col(double frac) const { return left + int(std::lround(frac * (width - 1))); }
    int Row(double y, double y0, double y1) const {
        return top + int(std::lround((y1 - y) / (y1 - y0) * (height - 1)));
    }
};

class GraphApi : public ::testing::Test {
protected:
    static constexpr int kW = 400, kH = 300;
    void SetUp() override {
        ASSERT_EQ(VarolGraph_Init(0, m_window.GetSafeHwnd(), kW, kH), -1);
        auto l = vg::SpectrumDefaults();
        m_plot = {l.marginLeft, l.marginTop, kW - l.marginLeft - l.marginRight,
                  kH - l.marginTop - l.marginBottom};
        // Plain colours so that a pixel tells what was drawn.
        GraphDesignInfo d{};
        VarolGraph_GetDesignInfo(0, &d);
        d.m_clrBG = d.m_clrGrid = d.m_clrAxis = 0xFF000000;
        d.m_clrData = 0xFFFF0000;
        d.m_clrFade = 0x00FFFFFF;
        VarolGraph_SetDesignInfo(0, &d);
    }
    void TearDown() override { VarolGraph_Free(0); }

    void SetRange(int n, double x0, double x1, double y0, double y1) {
        GraphDataInfo info{};
        VarolGraph_GetDataInfo(0, &info);
        info.m_nPointCount = n;
        info.m_dXMin = x0;
        info.m_dXMax = x1;
        info.m_dYMin = y0;
        info.m_dYMax = y1;
        info.m_dXScale = 1.0;
        VarolGraph_SetDataInfo(0, &info);
    }
    QImage Shot() {
        VarolGraph_Render(0, 0.0f);
        return m_window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    static bool IsRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; }
    void Press(int x, int y) { VarolGraph_InputUpdate(0, x, y, 0, 1, 1, 0); }
    void Drag(int x, int y) { VarolGraph_InputUpdate(0, x, y, 0, 0, 1, 1); }
    void Release(int x, int y) { VarolGraph_InputUpdate(0, x, y, 0, 0, 0, 0); }
    int PointPixel(int i, int n) const { return m_plot.Col(double(i) / (n - 1)); }

    GraphTestWindow m_window{kW, kH};
    Plot m_plot{};
};

TEST_F(GraphApi, RecordsRoundTripKeepingTheLibrarysBytes) {
    GraphDataInfo info{};
    ASSERT_EQ(VarolGraph_GetDataInfo(0, &info), -1);
    auto* raw = reinterpret_cast<unsigned char*>(&info);
    for (int off : {12, 13, 19, 68, 71, 80, 100, 143})
        raw[off] = static_cast<unsigned char>(0xA0 + off);
    info.m_dYMin = -97.5;
    ASSERT_EQ(VarolGraph_SetDataInfo(0, &info), -1);
    GraphDataInfo back{};
    ASSERT_EQ(VarolGraph_GetDataInfo(0, &back), -1);
    EXPECT_EQ(std::memcmp(&info, &back, sizeof info), 0);

    GraphDesignInfo d{};
    ASSERT_EQ(VarolGraph_GetDesignInfo(0, &d), -1);
    auto* draw = reinterpret_cast<unsigned char*>(&d);
    for (int off : {8, 35, 72, 107, 140, 171, 204, 231, 236, 291, 300, 383})
        draw[off] = static_cast<unsigned char>(off);
    std::strcpy(d.m_szYUnit, "dBuV");
    ASSERT_EQ(VarolGraph_SetDesignInfo(0, &d), -1);
    GraphDesignInfo dback{};
    ASSERT_EQ(VarolGraph_GetDesignInfo(0, &dback), -1);
    EXPECT_EQ(std::memcmp(&d, &dback, sizeof d), 0);
}

TEST_F(GraphApi, TraceLandsOnItsPixelsInTheDataColour) {
    struct Case {
        int n;
        double lo, hi; // samples alternate between these
    };
    // Fewer points than columns (line segments) and many more (column min/max).
    for (Case c : {Case{10, 50.0, 50.0}, Case{30720, 40.0, 60.0}}) {
        SCOPED_TRACE(c.n);
        SetRange(c.n, 0.0, c.n - 1.0, 0.0, 100.0);
        std::vector<double> v(std::size_t(c.n));
        for (int i = 0; i < c.n; ++i)
            v[std::size_t(i)] = (i % 2) ? c.hi : c.lo;
        ASSERT_EQ(VarolGraph_SetData(0, 0, v.data(), c.n, c.n * 8, 0), -1);
        QImage img = Shot();
        const int x = m_plot.Col(0.5);
        const int top = m_plot.Row(c.hi, 0, 100), bottom = m_plot.Row(c.lo, 0, 100);
        // Within a pixel of the ideal rows (rounding), unbroken between them, nothing else.
        for (int y = top + 1; y < bottom; ++y)
            EXPECT_TRUE(IsRed(img.pixel(x, y))) << "y " << y;
        auto redNear = [&](int row) {
            return IsRed(img.pixel(x, row - 1)) || IsRed(img.pixel(x, row)) || IsRed(img.pixel(x, row + 1));
        };
        EXPECT_TRUE(redNear(top));
        EXPECT_TRUE(redNear(bottom));
        for (int y = m_plot.top; y < m_plot.top + m_plot.height; ++y)
            if (y < top - 1 || y > bottom + 1) {
                EXPECT_FALSE(IsRed(img.pixel(x, y))) << "y " << y;
            }
    }
}

TEST_F(GraphApi, ClickInMarkerModeSetsTheMarker) {
    const int n = 101;
    SetRange(n, 1.0e6, 2.0e6, -100.0, 0.0);
    std::vector<double> v(n);
    for (int i = 0; i < n; ++i)
        v[std::size_t(i)] = -double(i) * 0.5;
    VarolGraph_SetData(0, 0, v.data(), n, n * 8, 0);
    VarolGraph_SetMarkCount(0, 2);
    const int x = PointPixel(50, n), y = m_plot.top + m_plot.height / 2;
    float f = 0, level = 0;

    for (int mode : {VG_MODE_2D, VG_MODE_ZOOM}) {
        VarolGraph_SetMode(0, mode);
        Press(x, y);
        Release(x, y);
        EXPECT_EQ(VarolGraph_GetMarkData(0, 0, 0, 0, &f), 0) << "mode " << mode;
        VarolGraph_Undo(0);
    }

    VarolGraph_SetMode(0, VG_MODE_MARKER);
    Press(x, y);
    Release(x, y);
    ASSERT_EQ(VarolGraph_GetMarkData(0, 0, 0, 0, &f), -1);
    ASSERT_EQ(VarolGraph_GetMarkData(0, 0, 0, 1, &level), -1);
    EXPECT_NEAR(f, 1.5e6, 1.0e4);
    int point = int(std::lround((f - 1.0e6) / 1.0e4));
    EXPECT_FLOAT_EQ(level, float(v[std::size_t(point)]));
    EXPECT_EQ(VarolGraph_GetMarkData(0, 0, 1, 0, &f), 0) << "second marker not set yet";

    // The next click away from marker 1 places marker 2.
    const int x2 = PointPixel(90, n);
    Press(x2, y);
    Release(x2, y);
    ASSERT_EQ(VarolGraph_GetMarkData(0, 0, 1, 0, &f), -1);
    EXPECT_NEAR(f, 1.9e6, 1.0e4);

    // Peak search path: a point index from the program.
    ASSERT_EQ(VarolGraph_SetMarkPosition(0, 0, 0, 7), -1);
    VarolGraph_GetMarkData(0, 0, 0, 0, &f);
    EXPECT_FLOAT_EQ(f, 1.07e6f);
    EXPECT_EQ(VarolGraph_SetMarkPosition(0, 0, 0, n), 0) << "beyond the last point";
    EXPECT_EQ(VarolGraph_GetMarkData(0, 0, 0, 0, nullptr), 0);
}

TEST_F(GraphApi, DragInBandPowerModeGivesAnOrderedArea) {
    const int n = 201;
    SetRange(n, 0.0, 200.0, -100.0, 0.0);
    std::vector<double> v(n, -50.0);
    VarolGraph_SetData(0, 0, v.data(), n, n * 8, 0);
    VarolGraph_SetMode(0, VG_MODE_BAND_POWER);
    int first = -5, last = -5;
    const int y = m_plot.top + 20;

    // A click without a drag sets nothing.
    Press(PointPixel(100, n), y);
    Release(PointPixel(100, n), y);
    EXPECT_EQ(VarolGraph_GetBandPowerArea(0, &first, &last), 0);

    // Right to left.
    Press(PointPixel(160, n), y);
    Drag(PointPixel(100, n), y);
    Drag(PointPixel(40, n), y);
    Release(PointPixel(40, n), y);
    ASSERT_EQ(VarolGraph_GetBandPowerArea(0, &first, &last), -1);
    EXPECT_LE(first, last);
    EXPECT_NEAR(first, 40, 1);
    EXPECT_NEAR(last, 160, 1);

    // The area fills its columns in the drag colour; its text sits above it, inside the plot.
    GraphDesignInfo d{};
    VarolGraph_GetDesignInfo(0, &d);
    d.m_clrDrag = 0xFF0000FF;
    d.m_clrText = 0x0000FF00; // 0x00BBGGRR: green
    VarolGraph_SetDesignInfo(0, &d);
    const QImage bare = Shot();
    const int x0 = PointPixel(first, n), x1 = PointPixel(last, n);
    const int row = m_plot.top + m_plot.height / 4; // below the text, above the trace
    auto isBlue = [](QRgb c) { return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60; };
    for (int x : {x0, (x0 + x1) / 2, x1})
        EXPECT_TRUE(isBlue(bare.pixel(x, row))) << "x " << x;
    for (int x : {x0 - 2, x1 + 2, m_plot.left, m_plot.left + m_plot.width - 1})
        EXPECT_FALSE(isBlue(bare.pixel(x, row))) << "x " << x;

    VarolGraph_SetBandPowerText(0, "-12.345dBm");
    const QImage texted = Shot();
    int changed = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if (texted.pixel(x, y) != bare.pixel(x, y)) {
                ++changed;
                EXPECT_TRUE(x > x0 && x < x1 && y > m_plot.top && y < row) << x << "," << y;
                EXPECT_GT(qGreen(texted.pixel(x, y)), qGreen(bare.pixel(x, y))) << x << "," << y;
            }
    EXPECT_GT(changed, 20) << "the text shows";

    // Fewer points later: an area past the last point is dropped, not handed out.
    SetRange(n, 0.0, 200.0, -100.0, 0.0);
    EXPECT_EQ(VarolGraph_GetBandPowerArea(0, &first, &last), -1) << "same points: kept";
    SetRange(100, 0.0, 200.0, -100.0, 0.0);
    EXPECT_EQ(VarolGraph_GetBandPowerArea(0, &first, &last), 0);
}

TEST_F(GraphApi, ZoomThenUndoRestoresTheExactDataInfo) {
    SetRange(1000, 469.0e6, 479.0e6, -120.0, -20.0);
    GraphDataInfo before{};
    VarolGraph_GetDataInfo(0, &before);
    reinterpret_cast<unsigned char*>(&before)[90] = 0x5A; // a library byte rides along
    VarolGraph_SetDataInfo(0, &before);

    VarolGraph_SetMode(0, VG_MODE_ZOOM);
    // Too small to be a zoom.
    Press(m_plot.left + 50, m_plot.top + 50);
    Drag(m_plot.left + 52, m_plot.top + 51);
    Release(m_plot.left + 52, m_plot.top + 51);
    EXPECT_EQ(VarolGraph_Undo(0), 0);

    Press(m_plot.left + 40, m_plot.top + 30);
    Drag(m_plot.left + 120, m_plot.top + 90);
    Drag(m_plot.left + 200, m_plot.top + 150);
    Release(m_plot.left + 200, m_plot.top + 150);
    GraphDataInfo zoomed{};
    VarolGraph_GetDataInfo(0, &zoomed);
    EXPECT_GT(double(zoomed.m_dXMin), double(before.m_dXMin));
    EXPECT_LT(double(zoomed.m_dXMax), double(before.m_dXMax));
    EXPECT_GT(double(zoomed.m_dYMin), double(before.m_dYMin));
    EXPECT_LT(double(zoomed.m_dYMax), double(before.m_dYMax));

    // A second zoom inside the first, then two undos.
    Press(m_plot.left + 10, m_plot.top + 10);
    Release(m_plot.left + 100, m_plot.top + 100);
    GraphDataInfo twice{};
    VarolGraph_GetDataInfo(0, &twice);
    EXPECT_GT(double(twice.m_dXMin), double(zoomed.m_dXMin));

    ASSERT_EQ(VarolGraph_Undo(0), -1);
    GraphDataInfo after{};
    VarolGraph_GetDataInfo(0, &after);
    EXPECT_EQ(std::memcmp(&after, &zoomed, sizeof after), 0);
    ASSERT_EQ(VarolGraph_Undo(0), -1);
    VarolGraph_GetDataInfo(0, &after);
    EXPECT_EQ(std::memcmp(&after, &before, sizeof after), 0);
    EXPECT_EQ(VarolGraph_Undo(0), 0);
}

TEST_F(GraphApi, PressWithoutReleaseEndsAtTheNextMoveWithoutTheButton) {
    // The play bar sends a lone press; a later plain move must not keep a drag alive.
    SetRange(100, 0.0, 99.0, 0.0, 100.0);
    VarolGraph_SetMode(0, VG_MODE_ZOOM);
    VarolGraph_InputUpdate(0, 1, 1, 0, 1, 1, 0); // outside the plot: nothing starts
    Press(m_plot.left + 10, m_plot.top + 10);
    VarolGraph_InputUpdate(0, m_plot.left + 100, m_plot.top + 100, 0, 0, 0, 1);
    GraphDataInfo a{}, b{};
    VarolGraph_GetDataInfo(0, &a);
    VarolGraph_InputUpdate(0, m_plot.left + 150, m_plot.top + 150, 0, 0, 0, 1);
    Release(m_plot.left + 150, m_plot.top + 150);
    VarolGraph_GetDataInfo(0, &b);
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
    EXPECT_EQ(VarolGraph_Undo(0), -1);
    EXPECT_EQ(VarolGraph_Undo(0), 0);
}

TEST_F(GraphApi, SamplesAreCopiedInEachForm) {
    // The element size is the byte count over the sample count: 2 (int16), 4 (float), 8 (double).
    SetRange(3, 0.0, 2.0, -100.0, 100.0);
    auto levels = [] {
        std::vector<float> out;
        for (int i = 0; i < 3; ++i) {
            float level = NAN;
            if (VarolGraph_SetMarkPosition(0, 0, 0, i) != -1 ||
                VarolGraph_GetMarkData(0, 0, 0, 1, &level) != -1)
                return std::vector<float>{};
            out.push_back(level);
        }
        return out;
    };
    const std::int16_t s16[3] = {-32767, 0, 1234};
    const float f32[3] = {1.5f, -2.5f, 3.0f};
    const double f64[3] = {-90.0, -80.0, -70.0};
    struct Case {
        const void* data;
        int count, bytes, layer;
        std::vector<float> want; // empty: refused, the previous samples stay
    };
    const Case cases[] = {
        {s16, 3, 6, 0, {-32767.0f, 0.0f, 1234.0f}},
        {f32, 3, 12, 0, {1.5f, -2.5f, 3.0f}},
        {f64, 3, 24, 0, {-90.0f, -80.0f, -70.0f}},
        {s16, 3, 6, 0, {-32767.0f, 0.0f, 1234.0f}}, // the refused doubles below would show
        {f64, 3, 7, 0, {}},                         // not a whole number of bytes per sample
        {f64, 3, 9, 0, {}},                         // 3 bytes a sample
        {f64, 3, 48, 0, {}},                        // 16 bytes a sample
        {f64, 3, 0, 0, {}},
        {f64, 3, -24, 0, {}},
        {nullptr, 3, 24, 0, {}},
        {f64, 0, 0, 0, {}},
        {f64, -3, 24, 0, {}},
        {f64, 3, 24, 5, {}}, // no such layer
    };
    std::vector<float> shown;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "bytes " << c.bytes << " count " << c.count << " layer " << c.layer);
        EXPECT_EQ(VarolGraph_SetData(0, c.layer, c.data, c.count, c.bytes, 0), c.want.empty() ? 0 : -1);
        if (!c.want.empty())
            shown = c.want;
        EXPECT_EQ(levels(), shown);
    }
    EXPECT_EQ(VarolGraph_ClearData(0, 0), -1);
    EXPECT_EQ(levels(), std::vector<float>{});
}

TEST_F(GraphApi, FollowsTheWindowAndResize) {
    EXPECT_EQ(VarolGraph_Resize(0, 0, 10), 0);
    EXPECT_EQ(VarolGraph_Resize(0, 250, 180), -1);
    m_window.resize(320, 240);
    QImage img = Shot();
    EXPECT_EQ(img.size(), QSize(320, 240));
    // Resize with the window's own size, as the view does on every paint, costs nothing and changes nothing.
    EXPECT_EQ(VarolGraph_Resize(0, 320, 240), -1);
}

TEST(GraphApiNoWindow, InitWithoutAWindowStillMakesAGraph) {
    EXPECT_EQ(VarolGraph_Init(3, nullptr, 200, 100), 0);
    GraphDataInfo info{};
    EXPECT_EQ(VarolGraph_GetDataInfo(3, &info), -1);
    EXPECT_EQ(int(info.m_nPointCount), 30720);
    EXPECT_EQ(VarolGraph_Render(3, 0.2f), -1);
    EXPECT_EQ(VarolGraph_Free(3), -1);
    EXPECT_EQ(VarolGraph_Free(3), 0);
}

} // namespace
