#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "graph/Graph.h"
#include "graph/GraphLayout.h"

namespace {

std::string BinDir() {
    return QCoreApplication::applicationDirPath().toStdString();
}

TEST(GraphLayout, ParsesOurFormat) {
    const char* text = "VarolGraphLayout 1\n"
                       "# comment\n"
                       "points 512   # trailing comment\r\n"
                       "x_range -5 5\n"
                       "y_range -50 10\n"
                       "y_step 5\n"
                       "x_unit kHz 1000 2\n"
                       "y_unit dBm dB 1\n"
                       "font Arial 12\n"
                       "markers 4\n"
                       "text 3 ymax left-top 0 visible focus\n"
                       "text 9 custom top-left 0 hidden focus Gain: 1.0 dB\n";
    vg::GraphLayout l;
    std::string err;
    ASSERT_TRUE(vg::ParseLayout(text, vg::SpectrumDefaults(), l, &err)) << err;
    EXPECT_EQ(l.pointCount, 512);
    EXPECT_EQ(l.xMin, -5);
    EXPECT_EQ(l.yMax, 10);
    EXPECT_EQ(l.yStep, 5);
    EXPECT_EQ(l.xUnit, "kHz");
    EXPECT_EQ(l.fontSize, 12);
    EXPECT_EQ(l.markCount, 4);
    EXPECT_TRUE(l.texts[3].defined && l.texts[3].focusable);
    EXPECT_EQ(l.texts[9].text, "Gain: 1.0 dB");
    EXPECT_FALSE(l.texts[9].visible);
    EXPECT_FALSE(l.texts[0].defined) << "the file's texts replace the built-in ones";
    EXPECT_EQ(l.marginLeft, vg::SpectrumDefaults().marginLeft) << "keys not in the file keep the defaults";
}

TEST(GraphLayout, RejectsMalformedFiles) {
    const std::string head = "VarolGraphLayout 1\n";
    const std::string cases[] = {
        "",
        "points 10\n",
        "VarolGraphLayout 2\n",
        head + "colour red\n",
        head + "points -1\n",
        head + "points 12x\n",
        head + "x_range 5 -5\n",
        head + "y_range nan 0\n",
        head + "y_step 0\n",
        head + "font Arial 500\n",
        head + "markers 5\n",
        head + "text 32 custom top-left 0 visible focus\n",
        head + "text 1 custom middle 0 visible focus\n",
        head + "text 1 custom top-left 0 shown focus\n",
        head + "margins 1 2 3\n",
        head + std::string("points 1\0 2\n", 12),
        head + "text 9 custom top-left 0 visible focus " + std::string(300, 'x') + "\n",
        head + std::string(70000, '#'),
    };
    for (const auto& c : cases) {
        vg::GraphLayout l = vg::TraceDefaults();
        std::string err;
        EXPECT_FALSE(vg::ParseLayout(c, vg::SpectrumDefaults(), l, &err)) << c.substr(0, 60);
        EXPECT_FALSE(err.empty());
        EXPECT_EQ(l.pointCount, vg::TraceDefaults().pointCount) << "output untouched";
    }
}

TEST(GraphLayout, ShippedFilesMatchTheBuiltInDefaults) {
    struct Case {
        const char* file;
        vg::GraphLayout builtIn;
    };
    for (const Case& c :
         {Case{"Spectrum.lgd", vg::SpectrumDefaults()}, Case{"IQData.lgd", vg::TraceDefaults()}}) {
        SCOPED_TRACE(c.file);
        vg::GraphLayout l;
        std::string err;
        ASSERT_TRUE(vg::LoadLayoutFile(BinDir() + "/" + c.file, vg::GraphLayout{}, l, &err)) << err;
        EXPECT_EQ(l.pointCount, c.builtIn.pointCount);
        EXPECT_EQ(l.xMin, c.builtIn.xMin);
        EXPECT_EQ(l.xMax, c.builtIn.xMax);
        EXPECT_EQ(l.yMin, c.builtIn.yMin);
        EXPECT_EQ(l.yMax, c.builtIn.yMax);
        EXPECT_EQ(l.yStep, c.builtIn.yStep);
        EXPECT_EQ(l.layoutWord1, c.builtIn.layoutWord1);
        EXPECT_EQ(l.xUnit, c.builtIn.xUnit);
        EXPECT_EQ(l.yUnit, c.builtIn.yUnit);
        for (int n = 0; n < vg::kMaxTexts; ++n) {
            const auto &a = l.texts[std::size_t(n)], &b = c.builtIn.texts[std::size_t(n)];
            EXPECT_EQ(a.defined, b.defined) << n;
            EXPECT_EQ(a.kind, b.kind) << n;
            EXPECT_EQ(a.visible, b.visible) << n;
            EXPECT_EQ(a.focusable, b.focusable) << n;
            EXPECT_EQ(a.text, b.text) << n;
        }
    }
}

TEST(GraphLayout, MissingOrMalformedFileGivesTheBuiltInDefaults) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string bad = dir.filePath("bad.lgd").toStdString();
    std::ofstream(bad) << "VarolGraphLayout 1\ny_range 0 oops\n";
    const std::string good = dir.filePath("good.lgd").toStdString();
    std::ofstream(good) << "VarolGraphLayout 1\ny_range -80 0\n";

    vg::CGraph g(0, nullptr, 400, 300);
    const vg::GraphLayout d = vg::SpectrumDefaults();
    for (const std::string& name : {std::string("NoSuchLayout.lgd"), bad, std::string()}) {
        ASSERT_TRUE(g.LoadLayout(good.c_str()));
        GraphDataInfo info{};
        g.GetDataInfo(info);
        EXPECT_EQ(double(info.m_dYMin), -80.0);
        EXPECT_FALSE(g.LoadLayout(name.c_str())) << name;
        g.GetDataInfo(info);
        EXPECT_EQ(int(info.m_nPointCount), d.pointCount);
        EXPECT_EQ(double(info.m_dYMin), d.yMin);
        EXPECT_EQ(double(info.m_dYMax), d.yMax);
        EXPECT_EQ(double(info.m_dXMin), d.xMin);
        GraphDesignInfo design{};
        g.GetDesignInfo(design);
        EXPECT_STREQ(design.m_szYUnit, "dBm");
        g.Render(0);
    }
    EXPECT_FALSE(g.LoadLayout(nullptr));
    // Found beside the library (here: beside the test program).
    EXPECT_TRUE(g.LoadLayout("Spectrum.lgd"));
}

} // namespace

namespace {

// Damaged copies of a shipped file: each is taken or refused, never a crash.
TEST(GraphLayout, SurvivesDamagedFiles) {
    std::ifstream f(BinDir() + "/Spectrum.lgd", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(text.empty());
    std::uint32_t seed = 12345;
    auto next = [&]() { return seed = seed * 1664525u + 1013904223u; };
    int accepted = 0;
    for (int round = 0; round < 2000; ++round) {
        std::string t = text;
        for (int k = 0, edits = 1 + int(next() % 4); k < edits; ++k) {
            std::size_t at = next() % t.size();
            switch (next() % 3) {
            case 0:
                t[at] = char(next());
                break;
            case 1:
                t.erase(at, next() % 8);
                break;
            default:
                t.insert(at, 1, char("0123456789-. \n#x"[next() % 17]));
                break;
            }
            if (t.empty())
                t = "x";
        }
        vg::GraphLayout l;
        std::string err;
        if (vg::ParseLayout(t, vg::SpectrumDefaults(), l, &err)) {
            ++accepted;
            EXPECT_LT(l.xMin, l.xMax);
            EXPECT_LT(l.yMin, l.yMax);
            EXPECT_GT(l.yStep, 0.0);
        }
    }
    EXPECT_GT(accepted, 0);
}

} // namespace
