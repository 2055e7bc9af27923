// The graph library's records and entry points, as the program binds them at run
// time (dlopen/LoadLibrary by file name, then one dlsym/GetProcAddress per entry
// point). Graph numbers: 0 spectrum, 3 I trace, 4 Q trace.
//
// Return values: the calls that report something return -1 for "yes/done" and 0
// for "no/not done" (the library's flags are 0 off, -1 on); GetFocusedTextIndex
// returns a text number or -1. Every call on a graph that does not exist is
// harmless and returns 0 (GetFocusedTextIndex -1). GUI thread only.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "winbase/WinTypes.h"

#if defined(_WIN32) && !defined(_WIN64)
#define VG_CALL __stdcall
#else
#define VG_CALL
#endif

#if defined(_WIN32)
#define VG_API __declspec(dllexport)
#else
#define VG_API __attribute__((visibility("default")))
#endif

#if defined(_WIN32)
inline constexpr const char* kVarolGraphLibraryName = "VarolGraphDLL.dll";
#else
inline constexpr const char* kVarolGraphLibraryName = "libVarolGraphDLL.so";
#endif

static_assert(std::endian::native == std::endian::little, "graph records are little-endian");

// The records are packed: read a field by value (double(info.m_dYMin)); binding a
// reference to it (as gtest's EXPECT_EQ does) points at a misaligned double.
#pragma pack(push, 1)
// Ranges and point count of one graph. Bytes not named here belong to the library:
// the program passes them back as it got them.
struct GraphDataInfo {
    std::int32_t m_nPointCount;  // points spread from x min to x max
    std::int32_t m_nLayoutWord1; // spectrum 8, I/Q 2 (element size of the samples)
    std::int32_t m_nLayoutWord2; // spectrum -1, I/Q 0
    std::uint8_t m_reserved12[8];
    double m_dXMin;   // x of the first point, in x units (physical x / x scale)
    double m_dXMax;   // x of the last point
    double m_dYMin;   // bottom of the level range
    double m_dYMax;   // top of the level range
    double m_dXScale; // physical x = x * x scale (Hz for the spectrum, microseconds for I/Q)
    double m_dYStep;  // one y division
    std::uint8_t m_reserved68[4];
    std::int32_t m_bMinHold; // 0 off, -1 on
    std::int32_t m_bMaxHold; // 0 off, -1 on
    std::uint8_t m_reserved80[64];
};

// Look of one graph: colours, unit texts. Colours are 0xAARRGGBB except Text and
// TextFo, which are 0x00BBGGRR.
struct GraphDesignInfo {
    std::int32_t m_nDesignWord;
    std::int32_t m_nLastPoint; // index of the last point the program feeds
    std::uint8_t m_reserved8[28];
    std::uint32_t m_clrBG;
    std::uint32_t m_clrAxis;
    std::uint32_t m_clrGrid;
    std::uint32_t m_clrText;   // 0x00BBGGRR
    std::uint32_t m_clrTextFo; // 0x00BBGGRR, the focused text
    std::uint32_t m_clrTextSe; // box behind the focused text
    std::uint32_t m_clrData;
    std::uint32_t m_clrFade; // afterglow of the previous trace
    std::uint32_t m_clrDrag; // zoom rectangle, band-power area
    std::uint8_t m_reserved72[36];
    char m_szYUnit[32]; // "dBm", "dBmV", "dBuV"; NUL-terminated
    std::uint8_t m_reserved140[32];
    char m_szRelUnit[32]; // "dB"
    std::uint8_t m_reserved204[28];
    float m_fScale;
    std::uint8_t m_reserved236[56];
    std::uint32_t m_clrMinHold;
    std::uint32_t m_clrMaxHold;
    std::uint8_t m_reserved300[84];
};
#pragma pack(pop)

static_assert(sizeof(GraphDataInfo) == 144);
static_assert(offsetof(GraphDataInfo, m_nPointCount) == 0);
static_assert(offsetof(GraphDataInfo, m_nLayoutWord1) == 4);
static_assert(offsetof(GraphDataInfo, m_nLayoutWord2) == 8);
static_assert(offsetof(GraphDataInfo, m_dXMin) == 20);
static_assert(offsetof(GraphDataInfo, m_dXMax) == 28);
static_assert(offsetof(GraphDataInfo, m_dYMin) == 36);
static_assert(offsetof(GraphDataInfo, m_dYMax) == 44);
static_assert(offsetof(GraphDataInfo, m_dXScale) == 52);
static_assert(offsetof(GraphDataInfo, m_dYStep) == 60);
static_assert(offsetof(GraphDataInfo, m_bMinHold) == 72);
static_assert(offsetof(GraphDataInfo, m_bMaxHold) == 76);

static_assert(sizeof(GraphDesignInfo) == 384);
static_assert(offsetof(GraphDesignInfo, m_nDesignWord) == 0);
static_assert(offsetof(GraphDesignInfo, m_nLastPoint) == 4);
static_assert(offsetof(GraphDesignInfo, m_clrBG) == 36);
static_assert(offsetof(GraphDesignInfo, m_clrAxis) == 40);
static_assert(offsetof(GraphDesignInfo, m_clrGrid) == 44);
static_assert(offsetof(GraphDesignInfo, m_clrText) == 48);
static_assert(offsetof(GraphDesignInfo, m_clrTextFo) == 52);
static_assert(offsetof(GraphDesignInfo, m_clrTextSe) == 56);
static_assert(offsetof(GraphDesignInfo, m_clrData) == 60);
static_assert(offsetof(GraphDesignInfo, m_clrFade) == 64);
static_assert(offsetof(GraphDesignInfo, m_clrDrag) == 68);
static_assert(offsetof(GraphDesignInfo, m_szYUnit) == 108);
static_assert(offsetof(GraphDesignInfo, m_szRelUnit) == 172);
static_assert(offsetof(GraphDesignInfo, m_fScale) == 232);
static_assert(offsetof(GraphDesignInfo, m_clrMinHold) == 292);
static_assert(offsetof(GraphDesignInfo, m_clrMaxHold) == 296);

// Graph modes.
enum VarolGraphMode : int {
    VG_MODE_2D = 0,
    VG_MODE_ZOOM = 1,
    VG_MODE_MARKER = 2,
    VG_MODE_BAND_POWER = 3,
    VG_MODE_3D = 4,
};

// Function pointer types, one per entry point (arguments: graph number first).
// Makes (or remakes) graph g drawing into the window; -1 when it draws there, 0 when
// the handle names no window (the graph is made all the same and draws nowhere).
using PFN_VarolGraph_Init = int(VG_CALL*)(int g, HWND hWnd, int width, int height);
using PFN_VarolGraph_Free = int(VG_CALL*)(int g);
using PFN_VarolGraph_Resize = int(VG_CALL*)(int g, int width, int height);
// Layout file (docs/graph-layout.md); 0 when missing or malformed, which leaves the
// built-in layout.
using PFN_VarolGraph_LoadInfoFromFile = int(VG_CALL*)(int g, const char* fileName);
using PFN_VarolGraph_GetDataInfo = int(VG_CALL*)(int g, GraphDataInfo* info);
using PFN_VarolGraph_SetDataInfo = int(VG_CALL*)(int g, const GraphDataInfo* info);
// Returns the new layer's number (1..3), 0 when none is free.
using PFN_VarolGraph_AddNewLayer = int(VG_CALL*)(int g);
// Element size = bytes / count: 8 double, 4 float, 2 int16. The samples are copied.
using PFN_VarolGraph_SetData = int(VG_CALL*)(int g, int layer, const void* data, int count, int bytes,
                                             int flags);
using PFN_VarolGraph_ClearData = int(VG_CALL*)(int g, int layer);
// Moves the level range, keeping its height, to centre the layer's data when the
// data lie outside it; -1 when it moved.
using PFN_VarolGraph_IfOutThenToCenter = int(VG_CALL*)(int g, int layer);
// A vertical mark at a point index; a negative index removes it.
using PFN_VarolGraph_TimeMark = int(VG_CALL*)(int g, int point);
using PFN_VarolGraph_GetDesignInfo = int(VG_CALL*)(int g, GraphDesignInfo* info);
using PFN_VarolGraph_SetDesignInfo = int(VG_CALL*)(int g, const GraphDesignInfo* info);
using PFN_VarolGraph_SetMode = int(VG_CALL*)(int g, int mode);
// 1 to 4 markers.
using PFN_VarolGraph_SetMarkCount = int(VG_CALL*)(int g, int markers);
// Mouse: position in the window's client coordinates, wheel notches, then the
// flags down (a button went down), left (the left button is held) and move.
using PFN_VarolGraph_InputUpdate = int(VG_CALL*)(int g, int x, int y, int wheel, int down, int left,
                                                 int move);
using PFN_VarolGraph_SetMarkVisible = int(VG_CALL*)(int g, int marker, int visible);
// Places a marker on a point index; a negative index removes it.
using PFN_VarolGraph_SetMarkPosition = int(VG_CALL*)(int g, int layer, int marker, int point);
// what: 0 physical x (Hz), 1 level. -1 when the marker is set and has a value.
using PFN_VarolGraph_GetMarkData = int(VG_CALL*)(int g, int layer, int marker, int what, float* value);
using PFN_VarolGraph_GetFocusedTextIndex = int(VG_CALL*)(int g);
using PFN_VarolGraph_SetCustomText = int(VG_CALL*)(int g, int textNo, const char* text);
using PFN_VarolGraph_GetCustomTextChecked = int(VG_CALL*)(int g, int textNo);
using PFN_VarolGraph_SetCustomTextChecked = int(VG_CALL*)(int g, int textNo, int checked);
using PFN_VarolGraph_GetCustomTextVisible = int(VG_CALL*)(int g, int textNo);
using PFN_VarolGraph_SetCustomTextVisible = int(VG_CALL*)(int g, int textNo, int visible);
using PFN_VarolGraph_SetTextFont = int(VG_CALL*)(int g, const char* face, int pointSize);
// First and last point of the band-power area; -1 when an area is set.
using PFN_VarolGraph_GetBandPowerArea = int(VG_CALL*)(int g, int* first, int* last);
// A negative first point removes the area.
using PFN_VarolGraph_SetBandPowerArea = int(VG_CALL*)(int g, int first, int last);
using PFN_VarolGraph_SetBandPowerText = int(VG_CALL*)(int g, const char* text);
// A limit line drawn over the data, same sample forms as SetData.
using PFN_VarolGraph_SetMaskLayer = int(VG_CALL*)(int g, const void* data, int count, int bytes);
using PFN_VarolGraph_SetMaskLayerVisible = int(VG_CALL*)(int g, int visible);
// Steps back one zoom.
using PFN_VarolGraph_Undo = int(VG_CALL*)(int g);
// Draws the graph; seconds since the previous render age the afterglow.
using PFN_VarolGraph_Render = int(VG_CALL*)(int g, float seconds);
// Restarts both hold traces.
using PFN_VarolGraph_MinMaxHoldInit = int(VG_CALL*)(int g, int layer);

// clang-format off
// The 34 entry points in binding order: X(name).
#define VAROLGRAPH_ENTRY_POINTS(X) \
    X(VarolGraph_Init) \
    X(VarolGraph_Free) \
    X(VarolGraph_Resize) \
    X(VarolGraph_LoadInfoFromFile) \
    X(VarolGraph_GetDataInfo) \
    X(VarolGraph_SetDataInfo) \
    X(VarolGraph_AddNewLayer) \
    X(VarolGraph_SetData) \
    X(VarolGraph_ClearData) \
    X(VarolGraph_IfOutThenToCenter) \
    X(VarolGraph_TimeMark) \
    X(VarolGraph_GetDesignInfo) \
    X(VarolGraph_SetDesignInfo) \
    X(VarolGraph_SetMode) \
    X(VarolGraph_SetMarkCount) \
    X(VarolGraph_InputUpdate) \
    X(VarolGraph_SetMarkVisible) \
    X(VarolGraph_SetMarkPosition) \
    X(VarolGraph_GetMarkData) \
    X(VarolGraph_GetFocusedTextIndex) \
    X(VarolGraph_SetCustomText) \
    X(VarolGraph_GetCustomTextChecked) \
    X(VarolGraph_SetCustomTextChecked) \
    X(VarolGraph_GetCustomTextVisible) \
    X(VarolGraph_SetCustomTextVisible) \
    X(VarolGraph_SetTextFont) \
    X(VarolGraph_GetBandPowerArea) \
    X(VarolGraph_SetBandPowerArea) \
    X(VarolGraph_SetBandPowerText) \
    X(VarolGraph_SetMaskLayer) \
    X(VarolGraph_SetMaskLayerVisible) \
    X(VarolGraph_Undo) \
    X(VarolGraph_Render) \
    X(VarolGraph_MinMaxHoldInit)
// clang-format on

// The library's own definitions are checked against these declarations; the
// program never links them, it resolves them by name.
extern "C" {
#define VG_DECLARE_ENTRY(name) VG_API std::remove_pointer_t<PFN_##name> name;
VAROLGRAPH_ENTRY_POINTS(VG_DECLARE_ENTRY)
#undef VG_DECLARE_ENTRY
}
