#include "graph/GraphLayout.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <vector>

namespace vg {
namespace {

constexpr std::size_t kMaxFileBytes = 64 * 1024;
constexpr std::size_t kMaxTextChars = 200;

void SetText(GraphLayout& l, int n, TextKind kind, TextAnchor anchor, int row, bool visible, bool focusable,
             std::string text = {}) {
    auto& s = l.texts[static_cast<std::size_t>(n)];
    s.defined = true;
    s.kind = kind;
    s.anchor = anchor;
    s.row = row;
    s.visible = visible;
    s.focusable = focusable;
    s.text = std::move(text);
}

struct Token {
    std::string_view text;
    std::size_t pos;
};

std::vector<Token> Split(std::string_view line) {
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size())
            break;
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        out.push_back({line.substr(start, i - start), start});
    }
    return out;
}

bool ToInt(std::string_view s, int lo, int hi, int& v) {
    int x = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), x);
    if (ec != std::errc() || p != s.data() + s.size() || x < lo || x > hi)
        return false;
    v = x;
    return true;
}

bool ToDouble(std::string_view s, double& v) {
    // from_chars, not strtod: the application's locale may use a decimal comma.
    double x = 0.0;
    const char* begin = s.data();
    if (!s.empty() && s[0] == '+')
        ++begin;
    auto [p, ec] = std::from_chars(begin, s.data() + s.size(), x);
    if (s.empty() || ec != std::errc() || p != s.data() + s.size() || !std::isfinite(x))
        return false;
    v = x;
    return true;
}

bool ToWord(std::string_view s, std::string& v) {
    if (s.size() > 31)
        return false;
    v = (s == "-") ? std::string() : std::string(s);
    return true;
}

bool ToKind(std::string_view s, TextKind& k) {
    static const std::pair<std::string_view, TextKind> kinds[] = {
        {"custom", TextKind::Custom},   {"xmin", TextKind::XMin}, {"xmax", TextKind::XMax},
        {"xcenter", TextKind::XCenter}, {"xgap", TextKind::XGap}, {"xspan", TextKind::XSpan},
        {"ymin", TextKind::YMin},       {"ymax", TextKind::YMax}, {"ycenter", TextKind::YCenter},
        {"ygap", TextKind::YGap},
    };
    for (auto& [name, kind] : kinds)
        if (s == name) {
            k = kind;
            return true;
        }
    return false;
}

bool ToAnchor(std::string_view s, TextAnchor& a) {
    static const std::pair<std::string_view, TextAnchor> anchors[] = {
        {"bottom-left", TextAnchor::BottomLeft},
        {"bottom-center", TextAnchor::BottomCenter},
        {"bottom-right", TextAnchor::BottomRight},
        {"left-top", TextAnchor::LeftTop},
        {"left-center", TextAnchor::LeftCenter},
        {"left-bottom", TextAnchor::LeftBottom},
        {"top-left", TextAnchor::TopLeft},
        {"top-center", TextAnchor::TopCenter},
        {"top-right", TextAnchor::TopRight},
        {"inside-top-left", TextAnchor::InsideTopLeft},
        {"inside-top-right", TextAnchor::InsideTopRight},
    };
    for (auto& [name, anchor] : anchors)
        if (s == name) {
            a = anchor;
            return true;
        }
    return false;
}

bool Fail(std::string* error, int line, const std::string& why) {
    if (error)
        *error = "line " + std::to_string(line) + ": " + why;
    return false;
}

} // namespace

GraphLayout SpectrumDefaults() {
    GraphLayout l;
    l.pointCount = 1024;
    l.layoutWord1 = 8;
    l.layoutWord2 = -1;
    l.xMin = 469000000.0;
    l.xMax = 479000000.0;
    l.xScale = 1.0;
    l.yMin = -120.0;
    l.yMax = -20.0;
    l.yStep = 10.0;
    l.xDivisions = 10;
    l.yDivisions = 10;
    l.xUnit = "MHz";
    l.xUnitDiv = 1000000.0;
    l.xDecimals = 3;
    l.yUnit = "dBm";
    l.relUnit = "dB";
    l.yDecimals = 1;
    l.marginLeft = 88;
    l.marginTop = 22;
    l.marginRight = 12;
    l.marginBottom = 36;
    l.fadeSeconds = 1.0;
    l.markCount = 1;
    SetText(l, 0, TextKind::XMin, TextAnchor::BottomLeft, 0, true, true);
    SetText(l, 1, TextKind::XMax, TextAnchor::BottomRight, 0, true, true);
    SetText(l, 4, TextKind::XCenter, TextAnchor::BottomCenter, 0, true, false);
    SetText(l, 5, TextKind::XGap, TextAnchor::BottomCenter, 1, true, true);
    SetText(l, 3, TextKind::YMax, TextAnchor::LeftTop, 0, true, true);
    SetText(l, 7, TextKind::YCenter, TextAnchor::LeftCenter, 0, true, true);
    SetText(l, 2, TextKind::YMin, TextAnchor::LeftBottom, 0, true, true);
    SetText(l, 8, TextKind::YGap, TextAnchor::TopRight, 0, true, true);
    SetText(l, 9, TextKind::Custom, TextAnchor::TopLeft, 0, true, true, "Gain:0.0 dB");
    SetText(l, 10, TextKind::Custom, TextAnchor::TopCenter, 0, true, false);
    SetText(l, 11, TextKind::Custom, TextAnchor::InsideTopRight, 0, false, false, "M1: Click Mouse");
    SetText(l, 12, TextKind::Custom, TextAnchor::InsideTopRight, 1, false, false, "M1-M2: Click Mouse");
    SetText(l, 13, TextKind::Custom, TextAnchor::InsideTopRight, 2, false, false, "M1-M3: Click Mouse");
    SetText(l, 14, TextKind::Custom, TextAnchor::InsideTopRight, 3, false, false, "M1-M4: Click Mouse");
    return l;
}

GraphLayout TraceDefaults() {
    GraphLayout l;
    l.pointCount = 30720;
    l.layoutWord1 = 2;
    l.layoutWord2 = 0;
    l.xMin = 0.0;
    l.xMax = 30720.0;
    l.xScale = 1.0;
    l.yMin = -32767.0;
    l.yMax = 32767.0;
    l.yStep = 8192.0;
    l.xDivisions = 10;
    l.yDivisions = 8;
    l.xUnit = "ms";
    l.xUnitDiv = 1000.0; // x scale is in microseconds per point (samples per second clock)
    l.xDecimals = 2;
    l.yUnit.clear();
    l.relUnit.clear();
    l.yDecimals = 0;
    l.marginLeft = 60;
    l.marginTop = 8;
    l.marginRight = 12;
    l.marginBottom = 22;
    l.fadeSeconds = 0.0;
    l.markCount = 1;
    SetText(l, 0, TextKind::XMin, TextAnchor::BottomLeft, 0, true, false);
    SetText(l, 1, TextKind::XMax, TextAnchor::BottomRight, 0, true, false);
    SetText(l, 5, TextKind::XGap, TextAnchor::BottomCenter, 0, true, false);
    SetText(l, 3, TextKind::YMax, TextAnchor::LeftTop, 0, true, false);
    SetText(l, 7, TextKind::YCenter, TextAnchor::LeftCenter, 0, true, false);
    SetText(l, 2, TextKind::YMin, TextAnchor::LeftBottom, 0, true, false);
    return l;
}

GraphLayout DefaultsForGraph(int graph) {
    return graph == 0 ? SpectrumDefaults() : TraceDefaults();
}

bool ParseLayout(std::string_view text, const GraphLayout& base, GraphLayout& out, std::string* error) {
    if (text.size() > kMaxFileBytes)
        return Fail(error, 0, "file too large");
    GraphLayout l = base;
    bool sawHeader = false;
    bool sawText = false;
    int lineNo = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::string_view line =
            text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
        pos = (nl == std::string_view::npos) ? text.size() + 1 : nl + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        for (char c : line)
            if (c == '\0')
                return Fail(error, lineNo, "NUL byte");
        std::size_t hash = line.find('#');
        std::string_view body = line.substr(0, hash);
        auto tok = Split(body);
        if (tok.empty())
            continue;
        std::string_view key = tok[0].text;
        auto argc = tok.size() - 1;
        auto need = [&](std::size_t n) { return argc == n; };
        if (!sawHeader) {
            int version = 0;
            if (key != "VarolGraphLayout" || !need(1) || !ToInt(tok[1].text, 1, 1, version))
                return Fail(error, lineNo, "expected \"VarolGraphLayout 1\"");
            sawHeader = true;
            continue;
        }
        bool ok = false;
        if (key == "points") {
            ok = need(1) && ToInt(tok[1].text, 0, 1 << 22, l.pointCount);
        } else if (key == "layout_words") {
            ok = need(2) && ToInt(tok[1].text, INT32_MIN, INT32_MAX, l.layoutWord1) &&
                 ToInt(tok[2].text, INT32_MIN, INT32_MAX, l.layoutWord2);
        } else if (key == "x_range") {
            ok = need(2) && ToDouble(tok[1].text, l.xMin) && ToDouble(tok[2].text, l.xMax) && l.xMin < l.xMax;
        } else if (key == "x_scale") {
            ok = need(1) && ToDouble(tok[1].text, l.xScale) && l.xScale != 0.0;
        } else if (key == "x_unit") {
            ok = need(3) && ToWord(tok[1].text, l.xUnit) && ToDouble(tok[2].text, l.xUnitDiv) &&
                 l.xUnitDiv > 0.0 && ToInt(tok[3].text, 0, 9, l.xDecimals);
        } else if (key == "x_divisions") {
            ok = need(1) && ToInt(tok[1].text, 1, 100, l.xDivisions);
        } else if (key == "y_range") {
            ok = need(2) && ToDouble(tok[1].text, l.yMin) && ToDouble(tok[2].text, l.yMax) && l.yMin < l.yMax;
        } else if (key == "y_step") {
            ok = need(1) && ToDouble(tok[1].text, l.yStep) && l.yStep > 0.0;
        } else if (key == "y_divisions") {
            ok = need(1) && ToInt(tok[1].text, 1, 100, l.yDivisions);
        } else if (key == "y_unit") {
            ok = need(3) && ToWord(tok[1].text, l.yUnit) && ToWord(tok[2].text, l.relUnit) &&
                 ToInt(tok[3].text, 0, 9, l.yDecimals);
        } else if (key == "margins") {
            ok = need(4) && ToInt(tok[1].text, 0, 400, l.marginLeft) &&
                 ToInt(tok[2].text, 0, 400, l.marginTop) && ToInt(tok[3].text, 0, 400, l.marginRight) &&
                 ToInt(tok[4].text, 0, 400, l.marginBottom);
        } else if (key == "font") {
            ok = need(2) && ToWord(tok[1].text, l.fontFace) && !l.fontFace.empty() &&
                 ToInt(tok[2].text, 4, 72, l.fontSize);
        } else if (key == "fade") {
            ok = need(1) && ToDouble(tok[1].text, l.fadeSeconds) && l.fadeSeconds >= 0.0 &&
                 l.fadeSeconds <= 60.0;
        } else if (key == "markers") {
            ok = need(1) && ToInt(tok[1].text, 1, kMaxMarkers, l.markCount);
        } else if (key == "text") {
            // text <number> <kind> <anchor> <row> <visible|hidden> <focus|nofocus> [text to end of line]
            int n = 0;
            GraphTextSlot s;
            s.defined = true;
            ok = argc >= 6 && ToInt(tok[1].text, 0, kMaxTexts - 1, n) && ToKind(tok[2].text, s.kind) &&
                 ToAnchor(tok[3].text, s.anchor) && ToInt(tok[4].text, 0, 9, s.row) &&
                 (tok[5].text == "visible" || tok[5].text == "hidden") &&
                 (tok[6].text == "focus" || tok[6].text == "nofocus");
            if (ok) {
                s.visible = tok[5].text == "visible";
                s.focusable = tok[6].text == "focus";
                if (argc > 6) {
                    std::string_view rest = body.substr(tok[7].pos);
                    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t'))
                        rest.remove_suffix(1);
                    if (rest.size() > kMaxTextChars)
                        return Fail(error, lineNo, "text too long");
                    s.text = std::string(rest);
                }
                if (!sawText) {
                    l.texts = {};
                    sawText = true;
                }
                l.texts[static_cast<std::size_t>(n)] = s;
            }
        } else {
            return Fail(error, lineNo, "unknown key \"" + std::string(key.substr(0, 32)) + "\"");
        }
        if (!ok)
            return Fail(error, lineNo, "bad value for \"" + std::string(key) + "\"");
    }
    if (!sawHeader)
        return Fail(error, lineNo, "empty file");
    out = std::move(l);
    return true;
}

bool LoadLayoutFile(const std::string& path, const GraphLayout& base, GraphLayout& out, std::string* error) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        if (error)
            *error = "cannot open " + path;
        return false;
    }
    std::string data(kMaxFileBytes + 1, '\0');
    f.read(data.data(), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(f.gcount()));
    return ParseLayout(data, base, out, error);
}

} // namespace vg
