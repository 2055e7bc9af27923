// The library's C entry points. Each finds its graph by number and does nothing
// (returning 0) when there is none, so a call on a graph that was never made or
// was freed is harmless. No exception leaves the library.
#include <QApplication>
#include <QGuiApplication>
#include <QWidget>
#include <array>
#include <memory>

#include "graph/Graph.h"
#include "graph/VarolGraph.h"

namespace {

constexpr int kMaxGraphs = 8;

struct Registry {
    std::array<std::unique_ptr<vg::CGraph>, kMaxGraphs> graphs;
    ~Registry() {
        // Past the application's end Qt objects can no longer be torn down safely;
        // the process is going away anyway.
        if (!QGuiApplication::instance())
            for (auto& g : graphs)
                (void)g.release();
    }
};

// The program's windows carry their handle in a property; the library needs no
// more of the program than that.
QWidget* WidgetFromHandle(HWND hWnd) {
    const auto want = static_cast<qulonglong>(reinterpret_cast<std::uintptr_t>(hWnd));
    for (QWidget* w : QApplication::allWidgets()) {
        const QVariant v = w->property(kHwndWidgetProperty);
        if (v.isValid() && v.toULongLong() == want)
            return w;
    }
    return nullptr;
}

Registry& Graphs() {
    static Registry r;
    return r;
}

vg::CGraph* Find(int g) {
    if (g < 0 || g >= kMaxGraphs)
        return nullptr;
    return Graphs().graphs[std::size_t(g)].get();
}

template <typename F> int Guard(F&& f) {
    try {
        return f();
    } catch (...) {
        return 0;
    }
}

template <typename F> int OnGraph(int g, F&& f) {
    return Guard([&]() -> int {
        vg::CGraph* graph = Find(g);
        return graph ? f(*graph) : 0;
    });
}

inline int Flag(bool b) {
    return b ? -1 : 0;
}

} // namespace

#define VG_CHECK_TYPE(name) static_assert(std::is_same_v<decltype(&name), PFN_##name>, #name);
VAROLGRAPH_ENTRY_POINTS(VG_CHECK_TYPE)
#undef VG_CHECK_TYPE

extern "C" {

VG_API int VG_CALL VarolGraph_Init(int g, HWND hWnd, int width, int height) {
    return Guard([&]() -> int {
        // Fonts and images need a GUI application; without one there is nothing to draw with.
        if (g < 0 || g >= kMaxGraphs || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return 0;
        QWidget* w = hWnd ? WidgetFromHandle(hWnd) : nullptr;
        auto& slot = Graphs().graphs[std::size_t(g)];
        slot.reset();
        slot = std::make_unique<vg::CGraph>(g, w, width, height);
        return Flag(w != nullptr);
    });
}

VG_API int VG_CALL VarolGraph_Free(int g) {
    return Guard([&]() -> int {
        if (!Find(g))
            return 0;
        Graphs().graphs[std::size_t(g)].reset();
        return -1;
    });
}

VG_API int VG_CALL VarolGraph_Resize(int g, int width, int height) {
    return OnGraph(g, [&](vg::CGraph& x) { return Flag(x.Resize(width, height)); });
}

VG_API int VG_CALL VarolGraph_LoadInfoFromFile(int g, const char* fileName) {
    return OnGraph(g, [&](vg::CGraph& x) { return Flag(x.LoadLayout(fileName)); });
}

VG_API int VG_CALL VarolGraph_GetDataInfo(int g, GraphDataInfo* info) {
    return OnGraph(g, [&](vg::CGraph& x) {
        if (!info)
            return 0;
        x.GetDataInfo(*info);
        return -1;
    });
}

VG_API int VG_CALL VarolGraph_SetDataInfo(int g, const GraphDataInfo* info) {
    return OnGraph(g, [&](vg::CGraph& x) {
        if (!info)
            return 0;
        x.SetDataInfo(*info);
        return -1;
    });
}

VG_API int VG_CALL VarolGraph_AddNewLayer(int g) {
    return OnGraph(g, [&](vg::CGraph& x) { return x.AddNewLayer(); });
}

VG_API int VG_CALL VarolGraph_SetData(int g, int layer, const void* data, int count, int bytes, int) {
    return OnGraph(g, [&](vg::CGraph& x) { return Flag(x.SetData(layer, data, count, bytes)); });
}

VG_API int VG_CALL VarolGraph_ClearData(int g, int layer) {
    return OnGraph(g, [&](vg::CGraph& x) { return Flag(x.ClearData(layer)); });
}

VG_API int VG_CALL VarolGraph_IfOutThenToCenter(int g, int layer) {
    return OnGraph(g, [&](vg::CGraph& x) { return Flag(x.IfOutThenToCenter(layer)); });
}

VG_API int VG_CALL VarolGraph_TimeMark(int g, int point) {
    return OnGraph(g, [&](vg::CGraph& x) { return Flag(x.SetTimeMark(point)); });
}

VG_API int VG_CALL VarolGraph_GetDesignInfo(int g, GraphDesignInfo* info) {
    return OnGraph(g, [&](vg::CGraph& x) {
        if (!info)
            return 0;
        x.GetDesignInfo(*info);
        return -1;
    });
}

VG_API int VG_CALL VarolGraph_SetDesignInfo(int g, const GraphDesignInfo* info) {
    return OnGraph(g, [&](vg::CGraph& x) {
        if (!info)
            return 0;
        x.SetDesignInfo(*info);
        return -1;
    });
}

VG_API int VG_CALL VarolGraph_SetMode(int g, int mode) {
    return OnGraph(g, [&](vg::CGraph& x) { return Flag(x.SetMode(mode)); });
}

VG_API int VG_CALL VarolGraph_SetMarkCount(int g, int markers) {
    return OnGraph(g, [&](vg::CGraph& x) { return Flag(x.SetMarkCount(markers)); });
}

VG_API int VG_CALL VarolGraph_InputUpdate(int g, int x, int y, int wheel, int down, int left, int move) {
    return OnGraph(g, [&](vg::CGraph& graph) {
        graph.Input(x, y, wheel, down != 0, left != 0, move != 0);
        return -1;
    });
}

VG_API int VG_CALL VarolGraph_SetMarkVisible(int g, int marker, int visible) {
    return OnGraph(g, [&](vg::CGraph& x) { return Flag(x.SetMarkVisible(marker, visible != 0)); });
}

VG_API int VG_CALL VarolGraph_SetMarkPosition(int g, int layer, int marker, int point) {
    return OnGraph(g, [&](vg::CGraph& x) { return layer == 0 ? Flag(x.SetMarkPosition(marker, point)) : 0; });
}

VG_API int VG_CALL VarolGraph_GetMarkData(int g, int layer, int marker, int what, float* value) {
    return OnGraph(g, [&](vg::CGraph& x) {
        float v = 0.0f;
        if (!value || layer != 0 || !x.GetMarkData(marker, what, v))
            return 0;
        *value = v;
        return -1;
    });
}

VG_API int VG_CALL VarolGraph_GetFocusedTextIndex(int g) {
    return Guard([&]() -> int {
        vg::CGraph* graph = Find(g);
        return graph ? graph->FocusedText() : -1;
    });
}

VG_API int VG_CALL VarolGraph_SetCustomText(int g, int textNo, const char* text) {
    return OnGraph(g, [&](vg::CGraph& x) { return Flag(x.SetCustomText(textNo, text)); });
}

VG_API int VG_CALL VarolGraph_GetCustomTextChecked(int g, int textNo) {
    return OnGraph(g, [&](vg::CGraph& x) { return x.CustomTextChecked(textNo); });
}

VG_API int VG_CALL VarolGraph_SetCustomTextChecked(int g, int textNo, int checked) {
    return OnGraph(g, [&](vg::CGraph& x) { return Flag(x.SetCustomTextChecked(textNo, checked != 0)); });
}

VG_API int VG_CALL VarolGraph_GetCustomTextVisible(int g, int textNo) {
    return OnGraph(g, [&](vg::CGraph& x) { return x.CustomTextVisible(textNo); });
}

VG_API int VG_CALL VarolGraph_SetCustomTextVisible(int g, int textNo, int visible) {
    return OnGraph(g, [&](vg::CGraph& x) { return Flag(x.SetCustomTextVisible(textNo, visible != 0)); });
}

VG_API int VG_CALL VarolGraph_SetTextFont(int g, const char* face, int pointSize) {
    return OnGraph(g, [&](vg::CGraph& x) { return Flag(x.SetTextFont(face, pointSize)); });
}

VG_API int VG_CALL VarolGraph_GetBandPowerArea(int g, int* first, int* last) {
    return OnGraph(g, [&](vg::CGraph& x) {
        int a = 0, b = 0;
        if (!first || !last || !x.GetBandPowerArea(a, b))
            return 0;
        *first = a;
        *last = b;
        return -1;
    });
}

VG_API int VG_CALL VarolGraph_SetBandPowerArea(int g, int first, int last) {
    return OnGraph(g, [&](vg::CGraph& x) { return Flag(x.SetBandPowerArea(first, last)); });
}

VG_API int VG_CALL VarolGraph_SetBandPowerText(int g, const char* text) {
    return OnGraph(g, [&](vg::CGraph& x) {
        x.SetBandPowerText(text);
        return -1;
    });
}

VG_API int VG_CALL VarolGraph_SetMaskLayer(int g, const void* data, int count, int bytes) {
    return OnGraph(g, [&](vg::CGraph& x) { return Flag(x.SetMaskLayer(data, count, bytes)); });
}

VG_API int VG_CALL VarolGraph_SetMaskLayerVisible(int g, int visible) {
    return OnGraph(g, [&](vg::CGraph& x) {
        x.SetMaskVisible(visible != 0);
        return -1;
    });
}

VG_API int VG_CALL VarolGraph_Undo(int g) {
    return OnGraph(g, [&](vg::CGraph& x) { return Flag(x.Undo()); });
}

VG_API int VG_CALL VarolGraph_Render(int g, float seconds) {
    return OnGraph(g, [&](vg::CGraph& x) {
        x.Render(seconds);
        return -1;
    });
}

VG_API int VG_CALL VarolGraph_MinMaxHoldInit(int g, int) {
    return OnGraph(g, [&](vg::CGraph& x) {
        x.MinMaxHoldInit();
        return -1;
    });
}

} // extern "C"
