#include "graph/Graph.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLineF>
#include <QPainter>
#include <QPolygonF>
#include <QResizeEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

namespace vg {
namespace {

constexpr int kMaxPoints = 1 << 22;
constexpr int kMaxHistory = 24;
constexpr int kMarkerGrab = 6; // pixels around a marker that pick it up
constexpr int kMinDrag = 4;    // a smaller zoom rectangle is a click
constexpr int kMinBandDrag = 3;

QColor Argb(std::uint32_t v) {
    return QColor::fromRgba(v);
}
// Text colours come as 0x00BBGGRR and are opaque.
QColor Bgr(std::uint32_t v) {
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

std::uint32_t WithAlpha(std::uint32_t argb, double factor) {
    double a = double(argb >> 24) * std::clamp(factor, 0.0, 1.0);
    return (std::uint32_t(std::lround(a)) << 24) | (argb & 0xFFFFFF);
}

void CopyUnit(char (&dst)[32], const std::string& s) {
    std::memset(dst, 0, sizeof dst);
    std::memcpy(dst, s.data(), std::min(s.size(), sizeof dst - 1));
}

QString UnitText(const char (&src)[32]) {
    return QString::fromLatin1(src, qsizetype(strnlen(src, sizeof src)));
}

// Fixed decimals as a read-out wants, but no hundred-digit strings for absurd values.
QString Number(double v, int decimals) {
    if (std::isfinite(v) && std::abs(v) < 1e12)
        return QString::number(v, 'f', decimals);
    return QString::number(v, 'g', 6);
}

bool SameDouble(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

QString FromText(const char* s) {
    if (!s)
        return {};
    return QString::fromUtf8(s, qsizetype(strnlen(s, 1024)));
}

std::string LibraryDir() {
#if !defined(_WIN32)
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LibraryDir), &info) && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath().toStdString();
#endif
    return {};
}

class GraphEventFilter : public QObject {
public:
    explicit GraphEventFilter(CGraph* g) : m_graph(g) {}
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            m_graph->PaintOn(static_cast<QWidget*>(o));
            return true;
        }
        if (e->type() == QEvent::Resize) {
            auto* re = static_cast<QResizeEvent*>(e);
            m_graph->OnWidgetResized(re->size().width(), re->size().height());
        }
        return false;
    }

private:
    CGraph* m_graph;
};

} // namespace

CGraph::CGraph(int number, QWidget* widget, int width, int height) : m_number(number), m_widget(widget) {
    if ((width <= 0 || height <= 0) && widget) {
        width = widget->width();
        height = widget->height();
    }
    m_width = std::clamp(width, 1, kMaxSize);
    m_height = std::clamp(height, 1, kMaxSize);
    m_design.m_clrBG = 0xFF000000;
    m_design.m_clrAxis = 0xFF7F7F7F;
    m_design.m_clrGrid = 0xFF3C3C3C;
    m_design.m_clrText = 0x000E7AE8;
    m_design.m_clrTextFo = 0x00F0CAA6;
    m_design.m_clrTextSe = 0x7FFFFFFF;
    m_design.m_clrData = 0xAAE87A0E;
    m_design.m_clrFade = 0xFEFFFFFF;
    m_design.m_clrDrag = 0x7F007FFF;
    m_design.m_clrMaxHold = 0xAA00FF00;
    m_design.m_clrMinHold = 0xAA00FFFF;
    ApplyLayout(DefaultsForGraph(number));
    if (widget) {
        m_filter = std::make_unique<GraphEventFilter>(this);
        widget->installEventFilter(m_filter.get());
        widget->update();
    }
}

CGraph::~CGraph() {
    if (m_widget) {
        m_widget->removeEventFilter(m_filter.get());
        m_widget->update();
    }
}

void CGraph::ApplyLayout(const GraphLayout& l) {
    m_layout = l;
    GraphDesignInfo keep = m_design;
    m_info = GraphDataInfo{};
    m_info.m_nPointCount = l.pointCount;
    m_info.m_nLayoutWord1 = l.layoutWord1;
    m_info.m_nLayoutWord2 = l.layoutWord2;
    m_info.m_dXMin = l.xMin;
    m_info.m_dXMax = l.xMax;
    m_info.m_dYMin = l.yMin;
    m_info.m_dYMax = l.yMax;
    m_info.m_dXScale = l.xScale;
    m_info.m_dYStep = l.yStep;
    m_design = GraphDesignInfo{};
    m_design.m_nLastPoint = std::max(0, l.pointCount - 1);
    m_design.m_clrBG = keep.m_clrBG;
    m_design.m_clrAxis = keep.m_clrAxis;
    m_design.m_clrGrid = keep.m_clrGrid;
    m_design.m_clrText = keep.m_clrText;
    m_design.m_clrTextFo = keep.m_clrTextFo;
    m_design.m_clrTextSe = keep.m_clrTextSe;
    m_design.m_clrData = keep.m_clrData;
    m_design.m_clrFade = keep.m_clrFade;
    m_design.m_clrDrag = keep.m_clrDrag;
    m_design.m_clrMaxHold = keep.m_clrMaxHold;
    m_design.m_clrMinHold = keep.m_clrMinHold;
    CopyUnit(m_design.m_szYUnit, l.yUnit);
    CopyUnit(m_design.m_szRelUnit, l.relUnit);
    m_design.m_fScale = 1.0f;
    m_base0 = l.xMin;
    m_base1 = l.xMax;
    m_undo.clear();
    m_maxHold.clear();
    m_minHold.clear();
    m_maxOn = m_minOn = false;
    m_markCount = l.markCount;
    m_markPoint.fill(-1);
    m_activeMarker = -1;
    m_bandFirst = m_bandLast = -1;
    m_drag = Drag::None;
    m_focus = m_hover = -1;
    for (int n = 0; n < kMaxTexts; ++n) {
        const auto& slot = l.texts[std::size_t(n)];
        auto& t = m_texts[std::size_t(n)];
        t = TextState{};
        t.visible = slot.defined ? slot.visible : true;
        t.custom = QString::fromUtf8(slot.text.data(), qsizetype(slot.text.size()));
    }
    m_font = QFont(QString::fromStdString(l.fontFace), l.fontSize);
    m_history.clear();
    Compose();
}

bool CGraph::LoadLayout(const char* fileName) {
    GraphLayout defaults = DefaultsForGraph(m_number);
    std::string name = fileName ? std::string(fileName, strnlen(fileName, 1024)) : std::string();
    std::vector<std::string> candidates;
    if (!name.empty()) {
        bool bare = name.find('/') == std::string::npos && name.find('\\') == std::string::npos;
        if (bare) {
            std::string libDir = LibraryDir();
            if (!libDir.empty())
                candidates.push_back(libDir + "/" + name);
            if (QCoreApplication::instance())
                candidates.push_back(QCoreApplication::applicationDirPath().toStdString() + "/" + name);
        }
        candidates.push_back(name);
    }
    for (const auto& path : candidates) {
        if (!QFileInfo::exists(QString::fromStdString(path)))
            continue;
        GraphLayout loaded;
        std::string error;
        if (LoadLayoutFile(path, defaults, loaded, &error)) {
            ApplyLayout(loaded);
            return true;
        }
        qWarning("graph layout %s: %s; using built-in defaults", path.c_str(), error.c_str());
        break;
    }
    ApplyLayout(defaults);
    return false;
}

void CGraph::SetDataInfo(const GraphDataInfo& in) {
    const GraphDataInfo old = m_info;
    m_info = in;
    if (!SameDouble(in.m_dXMin, old.m_dXMin) || !SameDouble(in.m_dXMax, old.m_dXMax) ||
        in.m_nPointCount != old.m_nPointCount) {
        // The program re-ranged the axis: the zoom history belonged to the old one.
        m_base0 = in.m_dXMin;
        m_base1 = in.m_dXMax;
        ResetZoomHistory();
    } else {
        MoveZoomHistoryY(old, in);
    }
    if (in.m_nPointCount != old.m_nPointCount) {
        // Point indexes handed out before must stay inside the points now shown.
        const int n = PointCount();
        for (int& p : m_markPoint)
            if (p >= n)
                p = -1;
        if (m_bandLast >= n)
            m_bandFirst = m_bandLast = -1;
        if (m_timeMark >= n)
            m_timeMark = -1;
    }
    bool maxOn = in.m_bMaxHold != 0, minOn = in.m_bMinHold != 0;
    if (maxOn != m_maxOn)
        m_maxHold = maxOn ? m_layers[0] : std::vector<double>{};
    if (minOn != m_minOn)
        m_minHold = minOn ? m_layers[0] : std::vector<double>{};
    m_maxOn = maxOn;
    m_minOn = minOn;
}

void CGraph::SetDesignInfo(const GraphDesignInfo& in) {
    m_design = in;
}

void CGraph::MoveZoomHistoryY(const GraphDataInfo& old, const GraphDataInfo& in) {
    // Both bounds moved by the same amount (a new power unit): the zoom history moves
    // with them, or Undo would come back in the unit the zoom was made in.
    const double lo = double(in.m_dYMin) - double(old.m_dYMin);
    const double hi = double(in.m_dYMax) - double(old.m_dYMax);
    const double span = std::abs(double(old.m_dYMax) - double(old.m_dYMin));
    if (!std::isfinite(lo) || !std::isfinite(hi) || lo == 0.0 ||
        std::abs(lo - hi) > 1e-9 * std::max(1.0, span))
        return;
    for (UndoEntry& e : m_undo) {
        e.info.m_dYMin = double(e.info.m_dYMin) + lo;
        e.info.m_dYMax = double(e.info.m_dYMax) + lo;
    }
}

void CGraph::ResetZoomHistory() {
    m_undo.clear();
    if (m_drag == Drag::Zoom)
        m_drag = Drag::None;
}

int CGraph::AddNewLayer() {
    if (m_layerCount >= kMaxLayers)
        return 0;
    return m_layerCount++;
}

bool CGraph::ToValues(const void* data, int count, int bytes, std::vector<double>& out) const {
    if (!data || count <= 0 || bytes <= 0 || count > kMaxPoints || bytes % count != 0)
        return false;
    const int elem = bytes / count;
    const auto* p = static_cast<const unsigned char*>(data);
    out.resize(std::size_t(count));
    switch (elem) {
    case 8:
        std::memcpy(out.data(), p, std::size_t(count) * 8);
        return true;
    case 4:
        for (int i = 0; i < count; ++i) {
            float f;
            std::memcpy(&f, p + std::size_t(i) * 4, 4);
            out[std::size_t(i)] = f;
        }
        return true;
    case 2:
        for (int i = 0; i < count; ++i) {
            std::int16_t s;
            std::memcpy(&s, p + std::size_t(i) * 2, 2);
            out[std::size_t(i)] = s;
        }
        return true;
    default:
        out.clear();
        return false;
    }
}

bool CGraph::SetData(int layer, const void* data, int count, int bytes) {
    if (layer < 0 || layer >= m_layerCount)
        return false;
    if (layer != 0) {
        std::vector<double> v;
        if (!ToValues(data, count, bytes, v))
            return false;
        m_layers[std::size_t(layer)] = std::move(v);
        return true;
    }
    // The previous trace becomes the afterglow; swapping keeps both buffers allocated.
    m_ghost.swap(m_layers[0]);
    if (!ToValues(data, count, bytes, m_layers[0])) {
        m_ghost.swap(m_layers[0]);
        return false;
    }
    m_ghostAge = 0.0;
    UpdateHolds();
    if (m_mode == VG_MODE_3D) {
        TraceMap m;
        const auto& d = m_layers[0];
        int n = std::min<int>(int(d.size()), PointCount()), i0 = 0, i1 = -1;
        if (MakeMap(n, m) && VisibleRange(m, n, i0, i1)) {
            std::vector<double> cols(std::size_t(m.cols), std::nan(""));
            for (int i = i0; i <= i1; ++i) {
                int c = int(std::floor(m.a * i + m.b + 0.5));
                if (c < 0 || c >= m.cols || std::isnan(d[std::size_t(i)]))
                    continue;
                double& slot = cols[std::size_t(c)];
                if (std::isnan(slot) || d[std::size_t(i)] > slot)
                    slot = d[std::size_t(i)];
            }
            m_history.push_front(std::move(cols));
            if (int(m_history.size()) > kMaxHistory)
                m_history.pop_back();
        }
    }
    return true;
}

void CGraph::UpdateHolds() {
    const auto& d = m_layers[0];
    auto follow = [&](std::vector<double>& h, bool on, bool isMax) {
        if (!on)
            return;
        if (h.size() != d.size()) {
            h = d;
            return;
        }
        for (std::size_t i = 0; i < d.size(); ++i) {
            double v = d[i];
            if (std::isnan(v))
                continue;
            if (std::isnan(h[i]) || (isMax ? v > h[i] : v < h[i]))
                h[i] = v;
        }
    };
    follow(m_maxHold, m_maxOn, true);
    follow(m_minHold, m_minOn, false);
}

bool CGraph::ClearData(int layer) {
    if (layer < 0 || layer >= m_layerCount)
        return false;
    m_layers[std::size_t(layer)].clear();
    if (layer == 0) {
        // Holds, afterglow and history belong to the data that were cleared.
        m_ghost.clear();
        m_maxHold.clear();
        m_minHold.clear();
        m_history.clear();
    }
    return true;
}

bool CGraph::IfOutThenToCenter(int layer) {
    if (layer < 0 || layer >= m_layerCount)
        return false;
    double lo = INFINITY, hi = -INFINITY;
    for (double v : m_layers[std::size_t(layer)])
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    double y0 = m_info.m_dYMin, y1 = m_info.m_dYMax;
    if (!(lo <= hi) || !std::isfinite(y0) || !std::isfinite(y1) || !(y1 > y0))
        return false;
    if (lo >= y0 && hi <= y1)
        return false;
    double h = y1 - y0, c = (lo + hi) / 2.0;
    m_info.m_dYMin = c - h / 2.0;
    m_info.m_dYMax = c + h / 2.0;
    return true;
}

bool CGraph::SetTimeMark(int point) {
    if (point < 0) {
        m_timeMark = -1;
        return true;
    }
    if (point >= PointCount())
        return false;
    m_timeMark = point;
    return true;
}

bool CGraph::SetMode(int mode) {
    if (mode < VG_MODE_2D || mode > VG_MODE_3D)
        return false;
    if (mode == m_mode)
        return true;
    m_drag = Drag::None;
    if (mode == VG_MODE_3D || m_mode == VG_MODE_3D)
        m_history.clear();
    m_mode = mode;
    return true;
}

bool CGraph::SetMarkCount(int count) {
    if (count < 1 || count > kMaxMarkers)
        return false;
    m_markCount = count;
    for (int k = count; k < kMaxMarkers; ++k)
        m_markPoint[std::size_t(k)] = -1;
    if (m_activeMarker >= count)
        m_activeMarker = -1;
    return true;
}

bool CGraph::SetMarkVisible(int marker, bool visible) {
    if (marker < 0 || marker >= kMaxMarkers)
        return false;
    m_markVisible[std::size_t(marker)] = visible;
    return true;
}

bool CGraph::SetMarkPosition(int marker, int point) {
    if (marker < 0 || marker >= m_markCount)
        return false;
    if (point < 0) {
        m_markPoint[std::size_t(marker)] = -1;
        return true;
    }
    if (point >= PointCount())
        return false;
    m_markPoint[std::size_t(marker)] = point;
    m_activeMarker = marker;
    return true;
}

bool CGraph::GetMarkData(int marker, int what, float& value) const {
    if (marker < 0 || marker >= m_markCount || (what != 0 && what != 1))
        return false;
    int p = m_markPoint[std::size_t(marker)];
    const auto& d = m_layers[0];
    if (p < 0 || p >= PointCount() || std::size_t(p) >= d.size())
        return false;
    if (what == 0) {
        double scale = m_info.m_dXScale;
        if (!std::isfinite(scale) || scale == 0.0)
            scale = 1.0;
        const double x = PointX(p) * scale;
        if (!std::isfinite(x) || std::abs(x) > double(std::numeric_limits<float>::max()))
            return false;
        value = float(x);
        return true;
    }
    const double level = d[std::size_t(p)];
    if (!std::isfinite(level) || std::abs(level) > double(std::numeric_limits<float>::max()))
        return false;
    value = float(level);
    return true;
}

bool CGraph::GetBandPowerArea(int& first, int& last) const {
    if (m_bandFirst < 0)
        return false;
    first = m_bandFirst;
    last = m_bandLast;
    return true;
}

bool CGraph::SetBandPowerArea(int first, int last) {
    if (first < 0) {
        m_bandFirst = m_bandLast = -1;
        return true;
    }
    if (last < first)
        std::swap(first, last);
    if (first < 0 || last >= PointCount())
        return false;
    m_bandFirst = first;
    m_bandLast = last;
    return true;
}

void CGraph::SetBandPowerText(const char* text) {
    m_bandText = FromText(text);
}

bool CGraph::SetMaskLayer(const void* data, int count, int bytes) {
    if (!data || count == 0) {
        m_mask.clear();
        return true;
    }
    std::vector<double> v;
    if (!ToValues(data, count, bytes, v))
        return false;
    m_mask = std::move(v);
    return true;
}

bool CGraph::SetCustomText(int n, const char* text) {
    if (n < 0 || n >= kMaxTexts)
        return false;
    auto& t = m_texts[std::size_t(n)];
    t.custom = FromText(text);
    t.customSet = true;
    return true;
}

int CGraph::CustomTextChecked(int n) const {
    if (n < 0 || n >= kMaxTexts)
        return 0;
    return m_texts[std::size_t(n)].checked ? -1 : 0;
}

bool CGraph::SetCustomTextChecked(int n, bool checked) {
    if (n < 0 || n >= kMaxTexts)
        return false;
    m_texts[std::size_t(n)].checked = checked;
    return true;
}

int CGraph::CustomTextVisible(int n) const {
    if (n < 0 || n >= kMaxTexts)
        return 0;
    return m_texts[std::size_t(n)].visible ? -1 : 0;
}

bool CGraph::SetCustomTextVisible(int n, bool visible) {
    if (n < 0 || n >= kMaxTexts)
        return false;
    m_texts[std::size_t(n)].visible = visible;
    if (!visible && m_focus == n)
        m_focus = -1;
    if (!visible && m_hover == n)
        m_hover = -1;
    return true;
}

bool CGraph::SetTextFont(const char* face, int pointSize) {
    if (pointSize < 4 || pointSize > 72)
        return false;
    QString f = FromText(face);
    if (f.isEmpty())
        f = m_font.family();
    m_font = QFont(f, pointSize);
    return true;
}

bool CGraph::Undo() {
    if (m_undo.empty())
        return false;
    const UndoEntry e = m_undo.back();
    m_undo.pop_back();
    // Undo steps back the zoom only: the holds are the library's own state too, and
    // a record flag restored without it would say off while the trace is drawn.
    const std::int32_t maxHold = m_info.m_bMaxHold, minHold = m_info.m_bMinHold;
    m_info = e.info;
    m_info.m_bMaxHold = maxHold;
    m_info.m_bMinHold = minHold;
    m_base0 = e.base0;
    m_base1 = e.base1;
    m_history.clear();
    return true;
}

void CGraph::MinMaxHoldInit() {
    m_maxHold.clear();
    m_minHold.clear();
}

bool CGraph::Resize(int width, int height) {
    if (width <= 0 || height <= 0)
        return false;
    width = std::min(width, kMaxSize);
    height = std::min(height, kMaxSize);
    if (width == m_width && height == m_height)
        return true;
    m_width = width;
    m_height = height;
    m_history.clear();
    m_drag = Drag::None;
    Compose();
    if (m_widget)
        m_widget->update();
    return true;
}

void CGraph::OnWidgetResized(int width, int height) {
    Resize(width, height);
}

void CGraph::Render(float seconds) {
    if (std::isfinite(seconds) && seconds > 0.0f)
        m_ghostAge = std::min(m_ghostAge + double(seconds), 3600.0);
    NeedRedraw();
}

void CGraph::NeedRedraw() {
    if (!m_widget) {
        Compose(); // no window: the frame is what callers read
        return;
    }
    // In a window the frame is drawn when it is painted, and paints come at most
    // about as often as a display shows them: a burst of blocks draws once.
    m_dirty = true;
    if (m_updateTimer && m_updateTimer->isActive())
        return;
    const qint64 since = m_sincePaint.isValid() ? m_sincePaint.elapsed() : kMinPaintMs;
    if (since >= kMinPaintMs) {
        m_widget->update();
        return;
    }
    if (!m_updateTimer) {
        m_updateTimer = std::make_unique<QTimer>();
        m_updateTimer->setSingleShot(true);
        m_updateTimer->setTimerType(Qt::PreciseTimer);
        QObject::connect(m_updateTimer.get(), &QTimer::timeout, [this] {
            if (m_widget)
                m_widget->update();
        });
    }
    m_updateTimer->start(int(kMinPaintMs - since));
}

// ---- geometry ------------------------------------------------------------

int CGraph::PointCount() const {
    int n = m_info.m_nPointCount;
    if (n <= 0)
        n = int(m_layers[0].size());
    return std::clamp(n, 0, kMaxPoints);
}

QRect CGraph::PlotRect() const {
    QRect r(m_layout.marginLeft, m_layout.marginTop, m_width - m_layout.marginLeft - m_layout.marginRight,
            m_height - m_layout.marginTop - m_layout.marginBottom);
    if (r.width() < 2 || r.height() < 2)
        return QRect();
    return r;
}

void CGraph::ViewX(double& x0, double& x1) const {
    x0 = m_info.m_dXMin;
    x1 = m_info.m_dXMax;
    if (std::isfinite(x0) && std::isfinite(x1) && x1 > x0)
        return;
    x0 = 0.0;
    x1 = std::max(1.0, double(PointCount() - 1));
}

void CGraph::ViewY(double& y0, double& y1) const {
    y0 = m_info.m_dYMin;
    y1 = m_info.m_dYMax;
    if (std::isfinite(y0) && std::isfinite(y1) && y1 > y0)
        return;
    y0 = std::isfinite(y0) ? y0 - 1.0 : -1.0;
    y1 = y0 + 2.0;
}

double CGraph::PointX(int i) const {
    int n = PointCount();
    double b0 = m_base0, b1 = m_base1;
    if (!std::isfinite(b0) || !std::isfinite(b1) || !(b1 > b0)) {
        b0 = 0.0;
        b1 = std::max(1.0, double(n - 1));
    }
    if (n < 2)
        return b0;
    return b0 + double(i) * (b1 - b0) / double(n - 1);
}

bool CGraph::MakeMap(int n, TraceMap& m) const {
    QRect plot = PlotRect();
    int N = PointCount();
    if (plot.isEmpty() || N < 2 || n <= 0)
        return false;
    double x0, x1, y0, y1;
    ViewX(x0, x1);
    ViewY(y0, y1);
    double first = PointX(0), last = PointX(N - 1);
    double cols1 = double(plot.width() - 1);
    m.a = (last - first) / double(N - 1) / (x1 - x0) * cols1;
    m.b = (first - x0) / (x1 - x0) * cols1;
    m.cols = plot.width();
    m.left = plot.left();
    m.yTop = plot.top();
    m.yMax = y1;
    m.ky = double(plot.height() - 1) / (y1 - y0);
    m.clipTop = plot.top();
    m.clipBottom = plot.bottom();
    return std::isfinite(m.a) && std::isfinite(m.b) && m.a > 0.0 && std::isfinite(m.ky);
}

int CGraph::PixelOfPoint(int i) const {
    TraceMap m;
    if (!MakeMap(1, m))
        return PlotRect().left();
    double c = std::clamp(m.a * i + m.b, -1.0e6, 1.0e6);
    return m.left + int(std::floor(c + 0.5));
}

int CGraph::PointAtPixel(int px) const {
    TraceMap m;
    if (!MakeMap(1, m))
        return -1;
    double i = (double(px - m.left) - m.b) / m.a;
    int N = PointCount();
    return int(std::clamp(std::floor(i + 0.5), 0.0, double(N - 1)));
}

double CGraph::XAtPixel(int px) const {
    QRect plot = PlotRect();
    double x0, x1;
    ViewX(x0, x1);
    return x0 + double(px - plot.left()) / double(std::max(1, plot.width() - 1)) * (x1 - x0);
}

double CGraph::YAtPixel(int py) const {
    QRect plot = PlotRect();
    double y0, y1;
    ViewY(y0, y1);
    return y1 - double(py - plot.top()) / double(std::max(1, plot.height() - 1)) * (y1 - y0);
}

// ---- input ----------------------------------------------------------------

int CGraph::HitText(int x, int y) const {
    for (int n = 0; n < kMaxTexts; ++n) {
        const auto& slot = m_layout.texts[std::size_t(n)];
        const auto& t = m_texts[std::size_t(n)];
        if (slot.defined && slot.focusable && t.visible && t.rect.contains(x, y))
            return n;
    }
    return -1;
}

int CGraph::FocusedText() const {
    // The text under the mouse, else the one last clicked.
    int f = m_hover >= 0 ? m_hover : m_focus;
    if (f < 0 || !m_texts[std::size_t(f)].visible)
        return -1;
    return f;
}

void CGraph::Input(int x, int y, int wheel, bool down, bool left, bool move) {
    const QPoint pt(x, y);
    const QRect plot = PlotRect();
    bool changed = false;
    auto finishDrag = [&]() {
        switch (m_drag) {
        case Drag::Zoom: {
            QRect r = QRect(m_dragStart, pt).normalized().intersected(plot);
            if (r.width() >= kMinDrag && r.height() >= kMinDrag) {
                m_undo.push_back({m_info, m_base0, m_base1});
                if (int(m_undo.size()) > kMaxUndo)
                    m_undo.pop_front();
                double nx0 = XAtPixel(r.left()), nx1 = XAtPixel(r.right());
                double ny1 = YAtPixel(r.top()), ny0 = YAtPixel(r.bottom());
                m_info.m_dXMin = nx0;
                m_info.m_dXMax = nx1;
                m_info.m_dYMin = ny0;
                m_info.m_dYMax = ny1;
                m_history.clear();
            }
            break;
        }
        case Drag::Band:
            if (std::abs(x - m_dragStart.x()) >= kMinBandDrag) {
                int b = PointAtPixel(x);
                if (m_bandDragFirst >= 0 && b >= 0) {
                    m_bandFirst = std::min(m_bandDragFirst, b);
                    m_bandLast = std::max(m_bandDragFirst, b);
                }
            }
            break;
        default:
            break;
        }
        m_drag = Drag::None;
        changed = true;
    };

    if (down) {
        if (m_drag != Drag::None)
            finishDrag();
        int t = HitText(x, y);
        changed = t != m_focus;
        m_focus = t;
        if (t < 0 && plot.contains(pt)) {
            m_dragStart = m_dragNow = pt;
            if (m_mode == VG_MODE_ZOOM) {
                m_drag = Drag::Zoom;
                changed = true;
            } else if (m_mode == VG_MODE_MARKER) {
                int p = PointAtPixel(x);
                if (p >= 0) {
                    int best = -1, bestDist = kMarkerGrab + 1;
                    for (int k = 0; k < m_markCount; ++k) {
                        int mp = m_markPoint[std::size_t(k)];
                        if (mp < 0)
                            continue;
                        int d = std::abs(PixelOfPoint(mp) - x);
                        if (d < bestDist)
                            best = k, bestDist = d;
                    }
                    for (int k = 0; best < 0 && k < m_markCount; ++k)
                        if (m_markPoint[std::size_t(k)] < 0)
                            best = k;
                    if (best < 0) {
                        bestDist = INT32_MAX;
                        for (int k = 0; k < m_markCount; ++k) {
                            int d = std::abs(PixelOfPoint(m_markPoint[std::size_t(k)]) - x);
                            if (d < bestDist)
                                best = k, bestDist = d;
                        }
                    }
                    if (best >= 0) {
                        m_markPoint[std::size_t(best)] = p;
                        m_activeMarker = best;
                        m_drag = Drag::Marker;
                        changed = true;
                    }
                }
            } else if (m_mode == VG_MODE_BAND_POWER) {
                m_bandDragFirst = PointAtPixel(x);
                if (m_bandDragFirst >= 0) {
                    m_drag = Drag::Band;
                    changed = true;
                }
            }
        }
    } else if (move) {
        if (m_drag != Drag::None && !left) {
            finishDrag();
        } else if (m_drag != Drag::None) {
            m_dragNow =
                QPoint(std::clamp(x, plot.left(), plot.right()), std::clamp(y, plot.top(), plot.bottom()));
            if (m_drag == Drag::Marker && m_activeMarker >= 0) {
                int p = PointAtPixel(m_dragNow.x());
                if (p >= 0)
                    m_markPoint[std::size_t(m_activeMarker)] = p;
            }
            changed = true;
        } else {
            int t = HitText(x, y);
            if (t != m_hover) {
                m_hover = t;
                changed = true;
            }
        }
    } else if (wheel != 0) {
        if (m_mode == VG_MODE_3D) {
            m_depth = std::clamp(m_depth + wheel, 0, 16);
            changed = true;
        }
    } else if (m_drag != Drag::None) {
        finishDrag();
    }
    if (changed)
        NeedRedraw();
}

// ---- texts ----------------------------------------------------------------

QString CGraph::YUnit() const {
    return UnitText(m_design.m_szYUnit);
}
QString CGraph::RelUnit() const {
    return UnitText(m_design.m_szRelUnit);
}

QString CGraph::FormatX(double x) const {
    double scale = m_info.m_dXScale;
    if (!std::isfinite(scale) || scale == 0.0)
        scale = 1.0;
    double shown = x * scale / m_layout.xUnitDiv;
    QString s = Number(shown, m_layout.xDecimals);
    if (!m_layout.xUnit.empty())
        s += ' ' + QString::fromStdString(m_layout.xUnit);
    return s;
}

QString CGraph::FormatY(double y, bool rel) const {
    QString s = Number(y, m_layout.yDecimals);
    QString unit = rel ? RelUnit() : YUnit();
    if (!unit.isEmpty())
        s += ' ' + unit;
    return s;
}

QString CGraph::TextContent(int n) const {
    const auto& slot = m_layout.texts[std::size_t(n)];
    const auto& t = m_texts[std::size_t(n)];
    if (slot.kind == TextKind::Custom || (t.customSet && !t.custom.isEmpty()))
        return t.custom;
    double x0, x1, y0, y1;
    ViewX(x0, x1);
    ViewY(y0, y1);
    switch (slot.kind) {
    case TextKind::XMin:
        return FormatX(x0);
    case TextKind::XMax:
        return FormatX(x1);
    case TextKind::XCenter:
        return FormatX((x0 + x1) / 2.0);
    case TextKind::XSpan:
        return FormatX(x1 - x0);
    case TextKind::XGap:
        return FormatX((x1 - x0) / m_layout.xDivisions) + "/div";
    case TextKind::YMin:
        return FormatY(y0, false);
    case TextKind::YMax:
        return FormatY(y1, false);
    case TextKind::YCenter:
        return FormatY((y0 + y1) / 2.0, false);
    case TextKind::YGap: {
        double step = m_info.m_dYStep;
        if (!std::isfinite(step) || step <= 0.0)
            step = (y1 - y0) / m_layout.yDivisions;
        return FormatY(step, true) + "/div";
    }
    default:
        return t.custom;
    }
}

QRect CGraph::TextRect(int n) const {
    if (n < 0 || n >= kMaxTexts)
        return {};
    return m_texts[std::size_t(n)].rect;
}

void CGraph::LayoutTexts(QPainter& p) {
    const QRect plot = PlotRect().isEmpty() ? QRect(0, 0, m_width, m_height) : PlotRect();
    QFontMetrics fm(m_font, p.device());
    const int h = fm.height();
    for (int n = 0; n < kMaxTexts; ++n) {
        const auto& slot = m_layout.texts[std::size_t(n)];
        auto& t = m_texts[std::size_t(n)];
        t.rect = QRect();
        t.shown.clear();
        if (!slot.defined || !t.visible)
            continue;
        QString s = TextContent(n);
        if (s.isEmpty())
            continue;
        const int w = fm.horizontalAdvance(s) + 4;
        const int r = slot.row;
        const int cx = plot.left() + plot.width() / 2 - w / 2;
        const int below = plot.bottom() + 2 + r * h;
        const int above = plot.top() - 2 - h - r * h;
        const int leftX = plot.left() - 4 - w;
        QPoint at;
        switch (slot.anchor) {
        case TextAnchor::BottomLeft:
            at = {plot.left(), below};
            break;
        case TextAnchor::BottomCenter:
            at = {cx, below};
            break;
        case TextAnchor::BottomRight:
            at = {plot.right() - w + 1, below};
            break;
        case TextAnchor::LeftTop:
            at = {leftX, plot.top() + r * h};
            break;
        case TextAnchor::LeftCenter:
            at = {leftX, plot.top() + plot.height() / 2 - h / 2 + r * h};
            break;
        case TextAnchor::LeftBottom:
            at = {leftX, plot.bottom() - h + 1 - r * h};
            break;
        case TextAnchor::TopLeft:
            at = {plot.left(), above};
            break;
        case TextAnchor::TopCenter:
            at = {cx, above};
            break;
        case TextAnchor::TopRight:
            at = {plot.right() - w + 1, above};
            break;
        case TextAnchor::InsideTopLeft:
            at = {plot.left() + 4, plot.top() + 2 + r * h};
            break;
        case TextAnchor::InsideTopRight:
            at = {plot.right() - 4 - w, plot.top() + 2 + r * h};
            break;
        }
        // Never off the window's edge, whatever the margins.
        at.setX(std::max(0, std::min(at.x(), m_width - w)));
        at.setY(std::max(0, std::min(at.y(), m_height - h)));
        t.rect = QRect(at, QSize(w, h));
        t.shown = std::move(s);
    }
}

void CGraph::DrawTexts(QPainter& p, bool insidePlot) {
    const QRect plot = PlotRect();
    // Per frame nothing may land outside the plot (the frame keeps the rest).
    if (insidePlot && !plot.isEmpty())
        p.setClipRect(plot);
    else
        p.setClipping(false);
    p.setFont(m_font);
    const int focus = FocusedText();
    for (int n = 0; n < kMaxTexts; ++n) {
        const auto& t = m_texts[std::size_t(n)];
        if (t.rect.isEmpty() || t.rect.intersects(plot) != insidePlot)
            continue;
        if (n == focus) {
            p.fillRect(t.rect, Argb(m_design.m_clrTextSe));
            p.setPen(Bgr(m_design.m_clrTextFo));
        } else {
            p.setPen(Bgr(m_design.m_clrText));
        }
        p.drawText(t.rect, Qt::AlignCenter, t.shown);
    }
}

// ---- drawing ----------------------------------------------------------------

void CGraph::DrawStatic() {
    StaticKey key;
    key.w = m_width;
    key.h = m_height;
    key.plot = PlotRect();
    ViewY(key.y0, key.y1);
    key.step = m_info.m_dYStep;
    key.xdiv = m_layout.xDivisions;
    key.ydiv = m_layout.yDivisions;
    key.bg = m_design.m_clrBG;
    key.grid = m_design.m_clrGrid;
    key.axis = m_design.m_clrAxis;
    if (!m_static.isNull() && key == m_staticKey)
        return;
    m_staticKey = key;
    m_static = QImage(m_width, m_height, QImage::Format_ARGB32_Premultiplied);
    m_static.fill(Qt::black);
    QPainter p(&m_static);
    p.fillRect(m_static.rect(), Argb(key.bg));
    const QRect plot = key.plot;
    if (plot.isEmpty())
        return;
    p.setPen(QPen(Argb(key.grid), 0));
    for (int k = 1; k < key.xdiv; ++k) {
        int x = plot.left() + int(std::lround(double(k) * (plot.width() - 1) / key.xdiv));
        p.drawLine(x, plot.top(), x, plot.bottom());
    }
    const double span = key.y1 - key.y0;
    auto yPix = [&](double v) {
        return plot.top() + int(std::lround((key.y1 - v) / span * (plot.height() - 1)));
    };
    if (std::isfinite(key.step) && key.step > 0.0 && span / key.step <= 200.0) {
        // Lines every y step down from the top, as the level is read from the top.
        for (int k = 1; key.y1 - k * key.step > key.y0; ++k) {
            int y = yPix(key.y1 - k * key.step);
            p.drawLine(plot.left(), y, plot.right(), y);
        }
    } else {
        for (int k = 1; k < key.ydiv; ++k) {
            int y = plot.top() + int(std::lround(double(k) * (plot.height() - 1) / key.ydiv));
            p.drawLine(plot.left(), y, plot.right(), y);
        }
    }
    p.setPen(QPen(Argb(key.axis), 0));
    p.drawRect(plot.adjusted(0, 0, -1, -1));
}

void CGraph::DrawTrace(QPainter& p, const std::vector<double>& v, std::uint32_t argb, bool& painterActive) {
    if (v.empty() || (argb >> 24) == 0)
        return;
    TraceMap m;
    int n = std::min<int>(int(v.size()), PointCount());
    if (!MakeMap(n, m))
        return;
    if (IsDense(m, n)) {
        ReduceToSpans(m, v.data(), n, m_spans, m_scratch);
        if (painterActive) {
            p.end();
            painterActive = false;
        }
        BlendSpans(m_frame, PlotRect(), m_spans, argb);
        return;
    }
    BuildSegments(m, v.data(), n, m_segments);
    if (m_segments.empty())
        return;
    if (!painterActive) {
        p.begin(&m_frame);
        painterActive = true;
    }
    p.setClipRect(PlotRect());
    p.setPen(QPen(Argb(argb), 0));
    std::vector<QLineF> lines;
    lines.reserve(m_segments.size());
    for (const auto& s : m_segments)
        lines.emplace_back(s.x0, s.y0, s.x1, s.y1);
    p.drawLines(lines.data(), int(lines.size()));
}

void CGraph::DrawTraces() {
    QPainter p;
    bool active = false;
    if (m_mode == VG_MODE_3D) {
        p.begin(&m_frame);
        active = true;
        Draw3D(p);
    } else {
        if (m_layout.fadeSeconds > 0.0 && m_ghostAge < m_layout.fadeSeconds && !m_ghost.empty())
            DrawTrace(p, m_ghost,
                      WithAlpha(m_design.m_clrFade, 0.35 * (1.0 - m_ghostAge / m_layout.fadeSeconds)),
                      active);
        if (m_minOn)
            DrawTrace(p, m_minHold, m_design.m_clrMinHold, active);
        if (m_maxOn)
            DrawTrace(p, m_maxHold, m_design.m_clrMaxHold, active);
        for (int l = m_layerCount - 1; l >= 0; --l)
            DrawTrace(p, m_layers[std::size_t(l)], m_design.m_clrData, active);
    }
    if (m_maskVisible)
        DrawTrace(p, m_mask, m_design.m_clrDrag | 0xFF000000u, active);
    if (active)
        p.end();
}

void CGraph::Draw3D(QPainter& p) {
    const QRect plot = PlotRect();
    if (plot.isEmpty())
        return;
    if (m_history.empty())
        return;
    double y0, y1;
    ViewY(y0, y1);
    const double ky = double(plot.height() - 1) / (y1 - y0);
    p.setClipRect(plot);
    const int count = int(m_history.size());
    for (int age = count - 1; age >= 0; --age) {
        const auto& cols = m_history[std::size_t(age)];
        const double dx = age * m_depth * 0.5, dy = -age * double(m_depth);
        std::uint32_t c = age == 0 ? m_design.m_clrData
                                   : WithAlpha(m_design.m_clrFade, 0.6 * (1.0 - double(age) / (count + 1)));
        p.setPen(QPen(Argb(c), 0));
        QPolygonF line;
        line.reserve(qsizetype(cols.size()));
        auto flush = [&]() {
            if (line.size() > 1)
                p.drawPolyline(line);
            line.clear();
        };
        for (std::size_t i = 0; i < cols.size(); ++i) {
            double v = cols[i];
            if (std::isnan(v)) {
                flush();
                continue;
            }
            double y = std::clamp(plot.top() + (y1 - v) * ky + dy, -1.0e5, 1.0e5);
            line.append(QPointF(plot.left() + double(i) + dx, y));
        }
        flush();
    }
}

void CGraph::DrawOverlays(QPainter& p) {
    const QRect plot = PlotRect();
    if (plot.isEmpty())
        return;
    p.setClipRect(plot);
    if (m_timeMark >= 0 && m_timeMark < PointCount()) {
        int x = PixelOfPoint(m_timeMark);
        p.setPen(QPen(Argb(m_design.m_clrAxis), 0, Qt::DashLine));
        p.drawLine(x, plot.top(), x, plot.bottom());
    }
    TraceMap map;
    if (m_mode == VG_MODE_MARKER && MakeMap(1, map)) {
        const auto& d = m_layers[0];
        p.setFont(m_font);
        for (int k = 0; k < m_markCount; ++k) {
            int mp = m_markPoint[std::size_t(k)];
            if (mp < 0 || !m_markVisible[std::size_t(k)] || mp >= PointCount())
                continue;
            int x = PixelOfPoint(mp);
            double yv = (std::size_t(mp) < d.size() && std::isfinite(d[std::size_t(mp)])) ? d[std::size_t(mp)]
                                                                                          : map.yMax;
            int y = plot.top() + int(std::clamp((map.yMax - yv) * map.ky, 0.0, double(plot.height())));
            QColor c = Bgr(m_design.m_clrTextFo);
            // Near the top of the plot the mark points up from below, or the clip
            // would take it away (a peak at the top of the range).
            const int dir = y - 24 < plot.top() ? -1 : 1;
            QPolygonF tri;
            tri << QPointF(x, y) << QPointF(x - 5, y - 9 * dir) << QPointF(x + 5, y - 9 * dir);
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            p.drawPolygon(tri);
            p.setBrush(Qt::NoBrush);
            p.setPen(c);
            const QRect number = dir > 0 ? QRect(x - 10, y - 24, 20, 14) : QRect(x - 10, y + 10, 20, 14);
            p.drawText(number, Qt::AlignCenter, QString::number(k + 1));
        }
    }
    if (m_drag == Drag::Zoom) {
        p.fillRect(QRect(m_dragStart, m_dragNow).normalized(), Argb(m_design.m_clrDrag));
    }
}

void CGraph::Compose() {
    m_dirty = false;
    DrawStatic();
    // The texts beside the plot change far less often than the traces: they are
    // drawn once onto a copy of the background and reused while they read the same.
    TextKey key;
    key.staticImage = m_static.cacheKey();
    key.focus = FocusedText();
    key.text = m_design.m_clrText;
    key.textFo = m_design.m_clrTextFo;
    key.textSe = m_design.m_clrTextSe;
    key.font = m_font;
    for (int n = 0; n < kMaxTexts; ++n) {
        const auto& slot = m_layout.texts[std::size_t(n)];
        if (slot.defined && m_texts[std::size_t(n)].visible)
            key.content[std::size_t(n)] = TextContent(n);
    }
    bool whole = false;
    if (m_textLayer.isNull() || !(key == m_textKey)) {
        whole = true;
        m_textLayer = m_static.copy();
        QPainter tp(&m_textLayer);
        tp.setFont(m_font);
        LayoutTexts(tp);
        DrawTexts(tp, false);
        m_textKey = std::move(key);
    }
    // Reuse the frame's pixels: a fresh image per frame would cost an allocation and page faults.
    if (m_frame.size() != m_textLayer.size() || m_frame.format() != m_textLayer.format()) {
        m_frame = QImage(m_textLayer.size(), m_textLayer.format());
        whole = true;
    }
    const QRect plot = PlotRect();
    if (whole || plot.isEmpty()) {
        std::memcpy(m_frame.bits(), m_textLayer.constBits(), std::size_t(m_textLayer.sizeInBytes()));
    } else {
        // Outside the plot the frame already is the text layer: everything drawn per
        // frame (traces, marks, the texts inside) stays inside the plot.
        const qsizetype stride = m_frame.bytesPerLine();
        const std::size_t bytes = std::size_t(plot.width()) * 4;
        for (int y = plot.top(); y <= plot.bottom(); ++y)
            std::memcpy(m_frame.scanLine(y) + plot.left() * 4, m_textLayer.constScanLine(y) + plot.left() * 4,
                        bytes);
        (void)stride;
    }
    QPainter p(&m_frame);
    // Band-power area under the traces.
    if (m_mode == VG_MODE_BAND_POWER && !plot.isEmpty()) {
        int a = m_bandFirst, b = m_bandLast;
        if (m_drag == Drag::Band) {
            int cur = PointAtPixel(m_dragNow.x());
            a = std::min(m_bandDragFirst, cur);
            b = std::max(m_bandDragFirst, cur);
        }
        if (a >= 0 && b >= a) {
            int x0 = PixelOfPoint(a), x1 = PixelOfPoint(b);
            QRect band = QRect(QPoint(x0, plot.top()), QPoint(x1, plot.bottom())).intersected(plot);
            p.fillRect(band, Argb(m_design.m_clrDrag));
        }
    }
    p.end();
    DrawTraces();
    p.begin(&m_frame);
    DrawOverlays(p);
    DrawTexts(p, true);
    if (m_mode == VG_MODE_BAND_POWER && m_bandFirst >= 0 && !m_bandText.isEmpty() && !plot.isEmpty()) {
        int x0 = PixelOfPoint(m_bandFirst), x1 = PixelOfPoint(m_bandLast);
        QFontMetrics fm(m_font, &m_frame);
        int w = fm.horizontalAdvance(m_bandText) + 4;
        QRect r((x0 + x1) / 2 - w / 2, plot.top() + 2, w, fm.height());
        p.setClipRect(plot);
        p.setFont(m_font);
        p.setPen(Bgr(m_design.m_clrText));
        p.drawText(r, Qt::AlignCenter, m_bandText);
    }
}

void CGraph::PaintOn(QWidget* w) {
    if (m_dirty)
        Compose();
    m_sincePaint.start();
    ++m_nPaints;
    QPainter p(w);
    p.drawImage(0, 0, m_frame);
    const QRect all = w->rect();
    if (all.width() > m_frame.width())
        p.fillRect(QRect(m_frame.width(), 0, all.width() - m_frame.width(), all.height()),
                   Argb(m_design.m_clrBG));
    if (all.height() > m_frame.height())
        p.fillRect(QRect(0, m_frame.height(), all.width(), all.height() - m_frame.height()),
                   Argb(m_design.m_clrBG));
}

} // namespace vg
