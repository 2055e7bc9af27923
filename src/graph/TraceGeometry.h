// Turns samples into pixels. With more points than pixel columns each column gets
// one vertical span from its lowest to its highest sample (joined to the previous
// column), which looks the same as a polyline through every point at a fraction
// of the cost; with fewer points it gives the line segments between them.
#pragma once
#include <cstdint>
#include <vector>

class QImage;
class QRect;

namespace vg {

struct Span {
    int x, y0, y1; // y0 <= y1
};
struct Segment {
    double x0, y0, x1, y1;
};

// Column of point i = a * i + b (rounded, 0 = first plot column);
// pixel y of value v = yTop + (yMax - v) * ky.
struct TraceMap {
    double a = 0.0, b = 0.0;
    int cols = 0;
    int left = 0;
    double yTop = 0.0, yMax = 0.0, ky = 0.0;
    int clipTop = 0, clipBottom = 0;
};

// Indexes of the points that land on a column; false when none do.
bool VisibleRange(const TraceMap& m, int n, int& i0, int& i1);
bool IsDense(const TraceMap& m, int n);
void ReduceToSpans(const TraceMap& m, const double* v, int n, std::vector<Span>& out,
                   std::vector<int>& scratch);
void BuildSegments(const TraceMap& m, const double* v, int n, std::vector<Segment>& out);

// Blends spans of one 0xAARRGGBB colour into a premultiplied ARGB32 image, clipped.
void BlendSpans(QImage& img, const QRect& clip, const std::vector<Span>& spans, std::uint32_t argb);

} // namespace vg
