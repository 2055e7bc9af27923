// One graph of the graph library: its records, data, holds, markers, band-power
// area, zoom history and texts, and the drawing of all of it into a back buffer
// that is shown in the window given at creation. GUI thread only.
#pragma once
#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QString>
#include <array>
#include <deque>
#include <memory>
#include <vector>

#include "graph/GraphLayout.h"
#include "graph/TraceGeometry.h"
#include "graph/VarolGraph.h"

class QWidget;
class QObject;
class QPainter;
class QTimer;

namespace vg {

constexpr int kMaxLayers = 4;
constexpr int kMaxUndo = 32;
constexpr int kMaxSize = 8192; // pixels each way

class CGraph {
public:
    CGraph(int number, QWidget* widget, int width, int height);
    ~CGraph();
    CGraph(const CGraph&) = delete;
    CGraph& operator=(const CGraph&) = delete;

    bool HasWindow() const { return !m_widget.isNull(); }

    void ApplyLayout(const GraphLayout& layout);
    bool LoadLayout(const char* fileName);

    void GetDataInfo(GraphDataInfo& info) const { info = m_info; }
    void SetDataInfo(const GraphDataInfo& info);
    void GetDesignInfo(GraphDesignInfo& info) const { info = m_design; }
    void SetDesignInfo(const GraphDesignInfo& info);

    int AddNewLayer();
    bool SetData(int layer, const void* data, int count, int bytes);
    bool ClearData(int layer);
    bool IfOutThenToCenter(int layer);
    bool SetTimeMark(int point);

    bool SetMode(int mode);
    int Mode() const { return m_mode; }
    bool SetMarkCount(int count);
    bool SetMarkVisible(int marker, bool visible);
    bool SetMarkPosition(int marker, int point);
    bool GetMarkData(int marker, int what, float& value) const;

    void Input(int x, int y, int wheel, bool down, bool left, bool move);
    int FocusedText() const;

    bool SetCustomText(int n, const char* text);
    int CustomTextChecked(int n) const;
    bool SetCustomTextChecked(int n, bool checked);
    int CustomTextVisible(int n) const;
    bool SetCustomTextVisible(int n, bool visible);
    bool SetTextFont(const char* face, int pointSize);

    bool GetBandPowerArea(int& first, int& last) const;
    bool SetBandPowerArea(int first, int last);
    void SetBandPowerText(const char* text);
    bool SetMaskLayer(const void* data, int count, int bytes);
    void SetMaskVisible(bool visible) { m_maskVisible = visible; }

    bool Undo();
    void MinMaxHoldInit();
    bool Resize(int width, int height);
    void Render(float seconds);

    // Drawing, also used by the window's paint and by tests and the benchmark.
    void Compose();
    // The current frame (drawn now when it is due).
    const QImage& Frame() {
        if (m_dirty)
            Compose();
        return m_frame;
    }
    QRect PlotRect() const;
    // Text slot rectangles of the last frame (empty when not drawn), and what they showed.
    QRect TextRect(int n) const;
    QString ShownText(int n) const {
        return n >= 0 && n < kMaxTexts ? m_texts[std::size_t(n)].shown : QString();
    }
    const std::vector<double>& LayerData(int layer) const {
        return m_layers[static_cast<std::size_t>(layer)];
    }
    const std::vector<double>& MaxHold() const { return m_maxHold; }
    const std::vector<double>& MinHold() const { return m_minHold; }
    int UndoDepth() const { return static_cast<int>(m_undo.size()); }
    // Paints of the window so far (each draws the frame at most once).
    int PaintCount() const { return m_nPaints; }
    // Identity of the cached background and grid; changes only when they are redrawn.
    qint64 StaticImageKey() const { return m_static.cacheKey(); }

    void PaintOn(QWidget* w);
    void OnWidgetResized(int width, int height);

private:
    struct UndoEntry {
        GraphDataInfo info;
        double base0, base1;
    };
    struct TextState {
        QString custom;
        bool customSet = false;
        bool visible = true;
        bool checked = false;
        QRect rect;    // where the last frame drew it
        QString shown; // what it showed
    };
    enum class Drag { None, Zoom, Marker, Band };

    int PointCount() const;
    bool MakeMap(int n, TraceMap& m) const;
    void ViewX(double& x0, double& x1) const;
    void ViewY(double& y0, double& y1) const;
    double PointX(int i) const;
    int PointAtPixel(int px) const;
    int PixelOfPoint(int i) const;
    double XAtPixel(int px) const;
    double YAtPixel(int py) const;
    bool ToValues(const void* data, int count, int bytes, std::vector<double>& out) const;
    void UpdateHolds();
    void ResetZoomHistory();
    void MoveZoomHistoryY(const GraphDataInfo& old, const GraphDataInfo& in);
    void NeedRedraw();
    QString TextContent(int n) const;
    QString FormatX(double x) const;
    QString FormatY(double y, bool rel) const;
    QString YUnit() const;
    QString RelUnit() const;
    int HitText(int x, int y) const;

    void DrawStatic();
    void DrawTrace(QPainter& p, const std::vector<double>& v, std::uint32_t argb, bool& painterActive);
    void DrawTraces();
    void DrawOverlays(QPainter& p);
    void Draw3D(QPainter& p);
    // The texts inside the plot (drawn over the traces each frame) or beside it.
    void DrawTexts(QPainter& p, bool insidePlot);
    void LayoutTexts(QPainter& p);

    int m_number;
    QPointer<QWidget> m_widget;
    std::unique_ptr<QObject> m_filter;
    int m_width, m_height;

    GraphLayout m_layout;
    GraphDataInfo m_info{};
    GraphDesignInfo m_design{};
    double m_base0 = 0.0, m_base1 = 1.0; // x of the first and last point, unzoomed
    std::deque<UndoEntry> m_undo;

    std::array<std::vector<double>, kMaxLayers> m_layers;
    int m_layerCount = 1;
    std::vector<double> m_ghost; // previous trace, drawn in the fade colour
    double m_ghostAge = 0.0;
    std::vector<double> m_maxHold, m_minHold;
    bool m_maxOn = false, m_minOn = false;
    std::vector<double> m_mask;
    bool m_maskVisible = true;
    int m_timeMark = -1;

    int m_mode = VG_MODE_2D;
    int m_markCount = 1;
    std::array<int, kMaxMarkers> m_markPoint{{-1, -1, -1, -1}};
    std::array<bool, kMaxMarkers> m_markVisible{{true, true, true, true}};
    int m_activeMarker = -1;

    int m_bandFirst = -1, m_bandLast = -1;
    QString m_bandText;

    std::deque<std::vector<double>> m_history; // 3D: newest first, one value per column
    int m_depth = 4;

    std::array<TextState, kMaxTexts> m_texts;
    int m_focus = -1; // clicked
    int m_hover = -1; // under the mouse
    QFont m_font;

    Drag m_drag = Drag::None;
    QPoint m_dragStart, m_dragNow;
    int m_bandDragFirst = -1;

    QImage m_static, m_frame;
    QImage m_textLayer; // the background with the texts beside the plot
    struct TextKey {
        qint64 staticImage = 0;
        int focus = -1;
        std::uint32_t text = 0, textFo = 0, textSe = 0;
        QFont font;
        std::array<QString, kMaxTexts> content;
        bool operator==(const TextKey&) const = default;
    } m_textKey;
    // Paints in a window: at most one per kMinPaintMs, the frame drawn on paint.
    static constexpr qint64 kMinPaintMs = 16;
    bool m_dirty = true;
    QElapsedTimer m_sincePaint;
    std::unique_ptr<QTimer> m_updateTimer;
    int m_nPaints = 0;
    struct StaticKey {
        int w = -1, h = -1;
        QRect plot;
        double y0 = 0, y1 = 0, step = 0;
        int xdiv = 0, ydiv = 0;
        std::uint32_t bg = 0, grid = 0, axis = 0;
        bool operator==(const StaticKey&) const = default;
    } m_staticKey;

    std::vector<Span> m_spans;
    std::vector<int> m_scratch;
    std::vector<Segment> m_segments;
};

} // namespace vg
