// Watches what the program hands the graph library, then passes it on: the
// blocks each graph is fed, the last trace of graph 0 and its custom texts (the
// marker read-outs a user reads). Installed into theApp's entry points.
#pragma once
#include <atomic>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/MarlixExApp.h"

struct GraphTap {
    static inline PFN_VarolGraph_SetData setData = nullptr;
    static inline PFN_VarolGraph_SetCustomText setText = nullptr;
    static inline long long fed[5] = {};
    static inline std::vector<double> trace; // graph 0's last data, as drawn
    static inline std::map<int, std::string> texts;

    static int VG_CALL SetData(int g, int layer, const void* d, int count, int bytes, int flags) {
        if (g >= 0 && g < 5)
            ++fed[g];
        if (g == 0 && layer == 0 && d && count > 0 && bytes == count * int(sizeof(double))) {
            const auto* v = static_cast<const double*>(d);
            trace.assign(v, v + count);
        }
        return setData(g, layer, d, count, bytes, flags);
    }
    static int VG_CALL SetText(int g, int n, const char* t) {
        if (g == 0)
            texts[n] = t ? t : "";
        return setText(g, n, t);
    }
    static void Install() {
        if (setData)
            return;
        setData = std::exchange(theApp.m_pfnVarolGraph_SetData, &SetData);
        setText = std::exchange(theApp.m_pfnVarolGraph_SetCustomText, &SetText);
    }
    static void Remove() {
        if (!setData)
            return;
        theApp.m_pfnVarolGraph_SetData = std::exchange(setData, nullptr);
        theApp.m_pfnVarolGraph_SetCustomText = std::exchange(setText, nullptr);
    }
};
