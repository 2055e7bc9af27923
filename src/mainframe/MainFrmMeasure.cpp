// The main frame's share of the measurement road: each block into the graphs,
// the marker and band-power read-outs, the spectrum's frequency axis and the I/Q
// time axis, the 200 ms render tick, level ranges, and the keys on the spectrum
// graph. The rules are in views/MeasureRules and views/GraphKeyRules.
#include <QString>
#include <cstdio>

#include "app/MarlixExApp.h"
#include "mainframe/MainFrm.h"
#include "output/DialogPlayFolderList.h"
#include "output/DumpPlayBar.h"
#include "platform/MsgBox.h"
#include "platform/Profile.h"
#include "platform/System.h"
#include "views/DialogSetValue.h"
#include "views/GraphKeyRules.h"
#include "views/MeasureRules.h"
#include "views/SpectrumFrame.h"
#include "views/SpectrumView.h"

namespace {

bool Exists(int g) {
    return theApp.m_bGraphCreated[g] == 1;
}

bool Drawable(int g) {
    return theApp.m_bGraphShown[g] == 1 && theApp.m_bDrawEnabled == 1;
}

void Render(int g, float seconds) {
    theApp.GraphCall(theApp.m_pfnVarolGraph_Render, g, seconds);
}

void SetCustomText(int g, int n, const std::string& text) {
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetCustomText, g, n, text.c_str());
}

bool IsMeasuringPlayMode(int mode) {
    return mode == 2 || mode == 5 || mode == 8 || mode == 13;
}

} // namespace

LRESULT CMainFrame::OnMeasureData(WPARAM wParam, LPARAM) {
    DeviceState* ds = theApp.m_pDeviceState;
    DeviceDataStore* dd = theApp.m_pDeviceData;
    if (!ds || !dd)
        return 0;
    const int n = ds->m_nSpectrumPoints;
    const int e = g_Marlix.GetExcludeCnt();
    if (!IsMeasuringPlayMode(ds->m_nPlayMode) || !Exists(0) || !Exists(3) || !Exists(4))
        return 0;

    if (wParam != 1) {
        // A count that does not fit the library's arrays draws nothing.
        if (const auto shown = MeasureRules::SpectrumShownBins(n, e, MX_MAX_POINTS)) {
            const double* bins = dd->m_adSpectrum + shown->first;
            theApp.GraphCall(theApp.m_pfnVarolGraph_SetData, 0, 0, bins, shown->count,
                             shown->count * int(sizeof(double)), 0);
            if (ds->m_bPeakSearch == 1) {
                ds->m_bPeakSearch = 0;
                // Nothing above the floor: the markers stay where they are.
                const int peak = MeasureRules::PeakIndex(bins, shown->count);
                if (peak >= 0)
                    theApp.GraphCall(theApp.m_pfnVarolGraph_SetMarkPosition, 0, 0, 0, peak);
            }
        }
        const int unit = int(g_Marlix.GetPowerUnitdBType());
        if (ds->m_nSpectrumMode == VG_MODE_MARKER) {
            float freq[4] = {}, level[4] = {};
            int m = 0;
            for (int k = 0; k < 4; ++k) {
                if (theApp.GraphCall(theApp.m_pfnVarolGraph_GetMarkData, 0, 0, k, 0, &freq[k]) != -1)
                    break;
                if (theApp.GraphCall(theApp.m_pfnVarolGraph_GetMarkData, 0, 0, k, 1, &level[k]) != -1)
                    break;
                ++m;
            }
            for (int k = 0; k < 4; ++k)
                SetCustomText(0, MeasureRules::kTextMarker1 + k,
                              MeasureRules::MarkerText(k, m, freq, level, unit));
        }
        if (ds->m_nSpectrumMode == VG_MODE_BAND_POWER) {
            int a = 0, b = 0;
            if (theApp.GraphCall(theApp.m_pfnVarolGraph_GetBandPowerArea, 0, &a, &b) == -1) {
                // Points of the shown part back to bins of the whole block.
                a += g_Marlix.GetExcludeCnt() / 2;
                b += g_Marlix.GetExcludeCnt() / 2;
                if (a >= 0 && b >= 0 && a < n && b < n && n <= MX_MAX_POINTS) {
                    const double p = g_Marlix.CalcuBandPower(a, b);
                    theApp.GraphCall(theApp.m_pfnVarolGraph_SetBandPowerText, 0,
                                     MeasureRules::BandPowerText(p, unit).c_str());
                }
            }
            if (HWND hNotify = dd->m_hTestNotifyWnd) {
                if (dd->m_bMaskCheck == 1 && g_Marlix.CheckMaskData() == 1)
                    ::PostMessage(hNotify, WM_MASK_RESULT, 0, 0);
                if (dd->m_bBandPowerCheck == 1) {
                    ::PostMessage(hNotify, WM_BAND_POWER_TEST, 0, 0);
                    if (g_Marlix.CheckBandPower() == 1)
                        ::PostMessage(hNotify, WM_BAND_POWER_RESULT, 0, 0);
                }
            }
        }
        if (Drawable(0))
            Render(0, 0.0f);
    }

    ShowPlayPosition(dd->m_nPlayPosSec);
    const int points = MeasureRules::IQPointCount(ds->m_nSpectrumPoints, MX_MAX_POINTS);
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetData, 3, 0, dd->m_asISamples, points, points * 2, 0);
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetData, 4, 0, dd->m_asQSamples, points, points * 2, 0);
    for (int g : {3, 4})
        if (Drawable(g))
            Render(g, 0.0f);
    return 0;
}

void CMainFrame::SetupSpectrumGraph(std::uint32_t nCenterHz, int nBins, BOOL bKeepData) {
    if (!Exists(0) || !theApp.m_pDeviceState)
        return;
    const DeviceState& ds = *theApp.m_pDeviceState;
    if (!bKeepData) {
        theApp.GraphCall(theApp.m_pfnVarolGraph_ClearData, 0, 0);
        for (int g : {3, 4})
            if (Exists(g))
                theApp.GraphCall(theApp.m_pfnVarolGraph_ClearData, g, 0);
    }
    const double clock = ds.m_dSampleClockKHz;
    g_Marlix.CalcuExcludeCnt(clock, 0.2 * clock);
    const int e = g_Marlix.GetExcludeCnt();
    const int shown = std::max(0, nBins - e);

    GraphDataInfo info{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDataInfo, 0, &info);
    const MeasureRules::XRange x = MeasureRules::SpectrumXRange(nCenterHz, clock, info.m_dXScale);
    info.m_nPointCount = shown;
    info.m_nLayoutWord1 = 8;
    info.m_nLayoutWord2 = -1;
    info.m_dXMin = x.min;
    info.m_dXMax = x.max;
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetDataInfo, 0, &info);

    GraphDesignInfo design{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDesignInfo, 0, &design);
    std::snprintf(design.m_szYUnit, sizeof design.m_szYUnit, "%s",
                  MeasureRules::PowerUnitText(int(g_Marlix.GetPowerUnitdBType())));
    std::snprintf(design.m_szRelUnit, sizeof design.m_szRelUnit, "%s", "dB");
    design.m_nDesignWord = 0;
    design.m_fScale = 1.0f;
    design.m_nLastPoint = shown - 1;
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetDesignInfo, 0, &design);

    SetCustomText(0, MeasureRules::kTextGain, MeasureRules::GainText(ds.m_sZephyraPower));
    if (Drawable(0))
        Render(0, 0.0f);
}

void CMainFrame::UpdateIQAxes() {
    if (!theApp.m_pDeviceState)
        return;
    const int n = theApp.m_pDeviceState->m_nSpectrumPoints;
    // A zero clock or point count would put NaN or infinity on the axis.
    const auto d = MeasureRules::IQTimeScale(n, theApp.m_pDeviceState->m_dSampleClockKHz);
    if (!d)
        return;
    for (int g : {3, 4}) {
        if (!Exists(g))
            continue;
        GraphDesignInfo design{};
        theApp.GraphCall(theApp.m_pfnVarolGraph_GetDesignInfo, g, &design);
        design.m_nLastPoint = n;
        theApp.GraphCall(theApp.m_pfnVarolGraph_SetDesignInfo, g, &design);
    }
    for (int g : {4, 3}) {
        GraphDataInfo info{}; // a graph that does not exist leaves it zeroed
        theApp.GraphCall(theApp.m_pfnVarolGraph_GetDataInfo, g, &info);
        info.m_nPointCount = n;
        info.m_dXMax = double(n);
        info.m_dXScale = *d;
        theApp.GraphCall(theApp.m_pfnVarolGraph_SetDataInfo, g, &info);
    }
}

void CMainFrame::SetGainText(std::int16_t sGainTenths) {
    if (Exists(0))
        SetCustomText(0, MeasureRules::kTextGain, MeasureRules::GainText(sGainTenths));
}

void CMainFrame::RenderTick() {
    const DWORD now = GetTickCount();
    const float s = float(DWORD(now - m_dwLastRenderTick) / 1000.0);
    for (int g : {0, 3, 4})
        if (Drawable(g) && Exists(g))
            Render(g, s);
    m_dwLastRenderTick = now;
}

void CMainFrame::ClearGraphs() {
    for (int g : {0, 3, 4})
        if (Exists(g))
            theApp.GraphCall(theApp.m_pfnVarolGraph_ClearData, g, 0);
    theApp.GraphCall(theApp.m_pfnVarolGraph_MinMaxHoldInit, 0, 0);
}

BOOL CMainFrame::FindSpectrumView(CSpectrumView*& pView) const {
    pView = nullptr;
    for (const auto& t : theApp.GetDocTemplates()) {
        if (t->GetDocName() != QLatin1String("Spectrum") || !t->HasDocument())
            continue;
        auto* frame = dynamic_cast<CSpectrumFrame*>(t->GetFrame());
        if (frame && frame->GetActiveView()) {
            pView = frame->GetActiveView();
            return TRUE;
        }
    }
    return FALSE;
}

LRESULT CMainFrame::OnSpectrumSetup(WPARAM, LPARAM) {
    if (const DeviceState* ds = theApp.m_pDeviceState)
        SetupSpectrumGraph(ds->m_nZephyraFreqHz, ds->m_nSpectrumPoints, FALSE);
    return 0;
}

LRESULT CMainFrame::OnGraphAxesUpdate(WPARAM, LPARAM) {
    if (const DeviceState* ds = theApp.m_pDeviceState)
        SetupSpectrumGraph(ds->m_nZephyraFreqHz, ds->m_nSpectrumPoints, FALSE);
    UpdateIQAxes();
    return 0;
}

LRESULT CMainFrame::OnSampleClockChanged(WPARAM wParam, LPARAM) {
    if (const DeviceState* ds = theApp.m_pDeviceState)
        SetupSpectrumGraph(ds->m_nZephyraFreqHz, ds->m_nSpectrumPoints, BOOL(wParam));
    // The time per I/Q point follows the clock too, or the I/Q axes keep the old
    // file's duration.
    UpdateIQAxes();
    return 0;
}

LRESULT CMainFrame::OnPowerUnitChanged(WPARAM, LPARAM) {
    if (!Exists(0) || !theApp.m_pDeviceState)
        return 0;
    const DeviceState& ds = *theApp.m_pDeviceState;
    const int unit = ds.m_nPowerUnitTo;
    const float delta = float(g_Marlix.GetAverageRelativePowerdB(ds.m_nPowerUnitFrom, unit));
    theApp.GraphCall(theApp.m_pfnVarolGraph_ClearData, 0, 0);
    GraphDataInfo info{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDataInfo, 0, &info);
    info.m_dYMin = double(info.m_dYMin) + double(delta);
    info.m_dYMax = double(info.m_dYMax) + double(delta);
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetDataInfo, 0, &info);
    // Closing the window brings back the range it was made with, in the unit shown.
    CSpectrumView* view = nullptr;
    if (FindSpectrumView(view))
        view->ShiftSavedLevelRange(double(delta));
    GraphDesignInfo design{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDesignInfo, 0, &design);
    std::snprintf(design.m_szYUnit, sizeof design.m_szYUnit, "%s", MeasureRules::PowerUnitText(unit));
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetDesignInfo, 0, &design);
    return 0;
}

LRESULT CMainFrame::OnPowerRangeUpdate(WPARAM, LPARAM) {
    if (!Exists(0) || !theApp.m_pDeviceState)
        return 0;
    const DeviceState& ds = *theApp.m_pDeviceState;
    const int off = g_Marlix.GetAverageRelativePowerdB(0, int(g_Marlix.GetPowerUnitdBType()));
    const int level = Profile::GetProfileInt(QString::fromStdU16String(ds.m_strProfileSection),
                                             SettingKeyName(KEY_ZEPHYRA_POWER), -200);
    const MeasureRules::YRange y = MeasureRules::LevelRange(level, IsCurrentPlayItemFM(), off);
    GraphDataInfo info{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDataInfo, 0, &info);
    info.m_dYMax = y.max;
    info.m_dYMin = y.min;
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetDataInfo, 0, &info);
    return 0;
}

LRESULT CMainFrame::OnGraphKey(WPARAM wParam, LPARAM lParam) {
    const int index = int(wParam);
    const int key = int(lParam);
    CSpectrumView* view = nullptr;
    if (m_bValueEditOpen || !FindSpectrumView(view) || theApp.m_bGraphShown[0] != 1 ||
        !theApp.m_pDeviceState || theApp.m_pDeviceState->m_nSpectrumMode == VG_MODE_3D)
        return 0;
    const GraphKeyRules::KeyAction act = GraphKeyRules::GraphKeyAction(index, key);
    switch (act.kind) {
    case GraphKeyRules::KeyAction::StepDown:
        view->m_dlgSpectrum.StepGraphText(index, -1);
        return 0;
    case GraphKeyRules::KeyAction::StepUp:
        view->m_dlgSpectrum.StepGraphText(index, +1);
        return 0;
    case GraphKeyRules::KeyAction::Ignore:
        return 0;
    case GraphKeyRules::KeyAction::OpenEditor:
        break;
    }
    if (!m_dlgSetValue)
        return 0;
    m_dlgSetValue->m_nValueKind = index;
    m_dlgSetValue->m_nKey = key;
    m_dlgSetValue->SetValueText(act.startText);
    m_bValueEditOpen = TRUE;
    const int result = m_dlgSetValue->DoModal();
    if (result == -1) {
        AfxMessageBox(QStringLiteral("Dialog box could not be created!"));
    } else if (result == IDOK && !m_dlgSetValue->m_strValue.isEmpty()) {
        // Text that is no number (or NaN, infinity) changes nothing.
        if (const auto v = MeasureRules::ParseNumber(m_dlgSetValue->m_strValue.toStdString())) {
            CSpectrumView* again = nullptr; // the editor ran a message loop
            if (FindSpectrumView(again))
                again->m_dlgSpectrum.SetGraphTextValue(index, *v);
        }
    }
    m_bValueEditOpen = FALSE;
    return 0;
}

void CMainFrame::ShowPlayPosition(std::uint32_t nSec) {
    if (m_pPlayBar)
        m_pPlayBar->ShowPlayPosition(nSec);
}

BOOL CMainFrame::IsCurrentPlayItemFM() const {
    return m_pPlayFolderList && m_pPlayFolderList->m_bCurrentFM == 1;
}

LRESULT CMainFrame::OnWaitDone(WPARAM, LPARAM) {
    PostMessage(WM_WAIT_CLOSE, 0, 0);
    PostMessage(WM_POWER_RANGE_UPDATE, 0, 0);
    return 0;
}

LRESULT CMainFrame::OnSessionChange(WPARAM wParam, LPARAM lParam) {
    theApp.m_bDrawEnabled = (wParam == WTS_REMOTE_DISCONNECT) ? 0 : 1;
    return DefWindowProc(WM_WTSSESSION_CHANGE, wParam, lParam);
}
