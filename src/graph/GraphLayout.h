// What a layout file gives a graph: default ranges and steps, units, margins,
// font, and the text slots (number, what it shows, where). Plain C++ so that the
// parser can be tested without a window.
#pragma once
#include <array>
#include <string>
#include <string_view>

namespace vg {

constexpr int kMaxTexts = 32;
constexpr int kMaxMarkers = 4;

enum class TextKind { Custom, XMin, XMax, XCenter, XGap, XSpan, YMin, YMax, YCenter, YGap };
enum class TextAnchor {
    BottomLeft,
    BottomCenter,
    BottomRight,
    LeftTop,
    LeftCenter,
    LeftBottom,
    TopLeft,
    TopCenter,
    TopRight,
    InsideTopLeft,
    InsideTopRight,
};

struct GraphTextSlot {
    bool defined = false;
    TextKind kind = TextKind::Custom;
    TextAnchor anchor = TextAnchor::TopLeft;
    int row = 0;
    bool visible = true;
    bool focusable = false;
    std::string text; // custom texts: the text shown until the program sets one
};

struct GraphLayout {
    int pointCount = 1024;
    int layoutWord1 = 8;
    int layoutWord2 = -1;
    double xMin = 0.0, xMax = 1023.0;
    double xScale = 1.0;
    double yMin = -120.0, yMax = -20.0;
    double yStep = 10.0;
    int xDivisions = 10;
    int yDivisions = 10;
    std::string xUnit;     // unit of the x texts
    double xUnitDiv = 1.0; // physical x / xUnitDiv = the number shown
    int xDecimals = 0;
    std::string yUnit;
    std::string relUnit;
    int yDecimals = 1;
    std::string fontFace = "Arial";
    int fontSize = 10;
    int marginLeft = 64, marginTop = 22, marginRight = 12, marginBottom = 34;
    double fadeSeconds = 1.0; // 0: no afterglow
    int markCount = 1;
    std::array<GraphTextSlot, kMaxTexts> texts{};
};

// Built-in layouts, used when a file is missing or malformed.
GraphLayout SpectrumDefaults();
GraphLayout TraceDefaults();
GraphLayout DefaultsForGraph(int graph);

// Parses a layout text over `base` (keys not in the file keep base's values; the
// first text line replaces all of base's text slots). On any error returns false,
// leaves `out` alone and says why in `error`.
bool ParseLayout(std::string_view text, const GraphLayout& base, GraphLayout& out, std::string* error);
bool LoadLayoutFile(const std::string& path, const GraphLayout& base, GraphLayout& out, std::string* error);

} // namespace vg
