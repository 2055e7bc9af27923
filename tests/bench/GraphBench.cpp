// Render time per frame of the graph library next to a naive QPainter polyline
// through every point, both into a 1000-pixel-wide graph.
//   graph_bench          about half a second per figure
//   graph_bench --short  a few frames per figure (CI)
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "graph/Graph.h"

namespace {

constexpr int kWidth = 1000, kHeight = 400;

std::vector<double> Spectrum(int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 3.0);
    std::vector<double> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        double x = double(i) / n;
        double carrier = (x > 0.3 && x < 0.7) ? 40.0 : 0.0; // an occupied band above the noise floor
        v[std::size_t(i)] = -100.0 + carrier + noise(rng);
    }
    return v;
}

// Milliseconds per frame: runs frames until the time budget is spent.
double Time(const std::function<void(int)>& frame, bool shortRun) {
    using clock = std::chrono::steady_clock;
    const auto budget = std::chrono::milliseconds(shortRun ? 30 : 500);
    const int minFrames = shortRun ? 3 : 20;
    frame(0); // warm-up
    int frames = 0;
    auto start = clock::now();
    while (frames < minFrames || clock::now() - start < budget)
        frame(++frames);
    return std::chrono::duration<double, std::milli>(clock::now() - start).count() / frames;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const bool shortRun = argc > 1 && std::strcmp(argv[1], "--short") == 0;

    std::printf("graph %dx%d px, ms per frame%s\n", kWidth, kHeight, shortRun ? " (short run)" : "");
    std::printf("%8s %14s %22s %16s %19s\n", "points", "graph Render", "Render + hold + glow",
                "naive polyline", "naive polyline AA");
    for (int n : {1024, 8192, 30720}) {
        std::vector<double> a = Spectrum(n, 1), b = Spectrum(n, 2);

        // One trace, as the naive way draws; then as in use, with max hold and afterglow.
        auto ours = [&](bool extras) {
            vg::CGraph graph(0, nullptr, kWidth, kHeight);
            GraphDataInfo info{};
            graph.GetDataInfo(info);
            info.m_nPointCount = n;
            info.m_bMaxHold = extras ? -1 : 0;
            graph.SetDataInfo(info);
            if (!extras) {
                GraphDesignInfo d{};
                graph.GetDesignInfo(d);
                d.m_clrFade = 0;
                graph.SetDesignInfo(d);
            }
            return Time(
                [&](int f) {
                    const auto& d = (f & 1) ? a : b;
                    graph.SetData(0, d.data(), n, n * 8);
                    graph.Render(0.2f);
                },
                shortRun);
        };
        double one = ours(false), full = ours(true);
        vg::CGraph graph(0, nullptr, kWidth, kHeight);

        // The same picture the plain way: background, grid, one polyline through every point.
        const QRect plot = graph.PlotRect();
        QImage img(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
        auto naive = [&](bool aa) {
            return Time(
                [&](int f) {
                    const auto& d = (f & 1) ? a : b;
                    QPainter p(&img);
                    p.setRenderHint(QPainter::Antialiasing, aa);
                    p.fillRect(img.rect(), Qt::black);
                    p.setPen(QColor(60, 60, 60));
                    for (int k = 1; k < 10; ++k) {
                        int x = plot.left() + k * plot.width() / 10, y = plot.top() + k * plot.height() / 10;
                        p.drawLine(x, plot.top(), x, plot.bottom());
                        p.drawLine(plot.left(), y, plot.right(), y);
                    }
                    QPolygonF line;
                    line.reserve(n);
                    for (int i = 0; i < n; ++i)
                        line.append(
                            QPointF(plot.left() + double(i) * (plot.width() - 1) / (n - 1),
                                    plot.top() + (-20.0 - d[std::size_t(i)]) / 100.0 * (plot.height() - 1)));
                    p.setClipRect(plot);
                    p.setPen(QColor(0xE8, 0x7A, 0x0E));
                    p.drawPolyline(line);
                },
                shortRun);
        };
        double plain = naive(false), smooth = naive(true);
        std::printf("%8d %14.3f %22.3f %16.3f %19.3f\n", n, one, full, plain, smooth);
    }
    return 0;
}
