#include "views/SpectrumFrame.h"

#include <QCloseEvent>
#include <QMdiArea>

#include "app/MarlixExApp.h"
#include "app/SettingKeyTable.h"
#include "app/WindowPositions.h"
#include "mainframe/MainFrm.h"
#include "platform/Profile.h"
#include "res/resource.h"
#include "views/MeasureRules.h"
#include "views/SpectrumView.h"

BEGIN_MESSAGE_MAP(CSpectrumFrame, CMsgTarget)
ON_COMMAND(ID_ANALYZER_3D, &CSpectrumFrame::OnMode3D)
ON_UPDATE_COMMAND_UI(ID_ANALYZER_3D, &CSpectrumFrame::OnUpdateMode3D)
ON_COMMAND(ID_ANALYZER_2D, &CSpectrumFrame::OnMode2D)
ON_UPDATE_COMMAND_UI(ID_ANALYZER_2D, &CSpectrumFrame::OnUpdateMode2D)
ON_COMMAND(ID_ANALYZER_ZOOM, &CSpectrumFrame::OnModeZoom)
ON_UPDATE_COMMAND_UI(ID_ANALYZER_ZOOM, &CSpectrumFrame::OnUpdateModeZoom)
ON_COMMAND(ID_ANALYZER_MARKER, &CSpectrumFrame::OnModeMarker)
ON_UPDATE_COMMAND_UI(ID_ANALYZER_MARKER, &CSpectrumFrame::OnUpdateModeMarker)
ON_COMMAND(ID_ANALYZER_BANDPOWER, &CSpectrumFrame::OnModeBandPower)
ON_UPDATE_COMMAND_UI(ID_ANALYZER_BANDPOWER, &CSpectrumFrame::OnUpdateModeBandPower)
ON_COMMAND(ID_SPECTRUM_UNDO, &CSpectrumFrame::OnUndo)
ON_UPDATE_COMMAND_UI(ID_SPECTRUM_UNDO, &CSpectrumFrame::OnUpdateConnected)
ON_COMMAND(ID_AUTO_RANGE, &CSpectrumFrame::OnAutoRange)
ON_UPDATE_COMMAND_UI(ID_AUTO_RANGE, &CSpectrumFrame::OnUpdateConnected)
END_MESSAGE_MAP()

CSpectrumFrame::CSpectrumFrame() : QMdiSubWindow(nullptr), CMsgTarget(this), m_pApp(&theApp) {
    setObjectName(QStringLiteral("SpectrumFrame"));
    // Hidden on close, never destroyed before the main frame.
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_doc.OnNewDocument();
    m_doc.SetTitle(QString());
    setWindowTitle(m_doc.GetTitle());
}

CSpectrumFrame::~CSpectrumFrame() {
    // The rectangle goes to the profile with the others at the end of the run.
    m_pApp->m_rcWindowPos[WINDOW_POS_SPECTRUM] =
        WindowPositions::FromQRect(isMaximized() || isMinimized() ? normalGeometry() : geometry());
}

CSpectrumFrame* CSpectrumFrame::CreateIn(QMdiArea* pArea) {
    auto* frame = new CSpectrumFrame;
    if (pArea)
        pArea->addSubWindow(frame);
    frame->OnCreateClient();
    return frame;
}

void CSpectrumFrame::OnCreateClient() {
    const RECT& rc = m_pApp->m_rcWindowPos[WINDOW_POS_SPECTRUM];
    if (!WindowPositions::IsZero(rc))
        setGeometry(WindowPositions::ToQRect(rc));
    m_pView = new CSpectrumView(this);
    setWidget(m_pView);
}

void CSpectrumFrame::closeEvent(QCloseEvent* e) {
    e->ignore();
    OnClose();
}

void CSpectrumFrame::OnClose() {
    m_pApp->m_bGraphShown[0] = 0;
    if (m_pApp->m_bGraphCreated[0] == 1 && m_pView) {
        // The level range goes back to the one the graph was made with.
        GraphDataInfo info{};
        m_pApp->GraphCall(m_pApp->m_pfnVarolGraph_GetDataInfo, 0, &info);
        info.m_dYMin = double(m_pView->m_graphInfoSaved.m_dYMin);
        info.m_dYMax = double(m_pView->m_graphInfoSaved.m_dYMax);
        m_pApp->GraphCall(m_pApp->m_pfnVarolGraph_SetDataInfo, 0, &info);
    }
    hide();
}

// --- modes ---

void CSpectrumFrame::SetMode(int nMode) {
    if (m_pApp->m_bGraphCreated[0] != 1)
        return;
    m_pApp->GraphCall(m_pApp->m_pfnVarolGraph_SetMode, 0, nMode);
    if (m_pApp->m_pDeviceState)
        m_pApp->m_pDeviceState->m_nSpectrumMode = nMode;
    if (nMode == VG_MODE_MARKER) {
        for (int i = 0; i < g_Marlix.GetMarkerCounts() + 1 && i < 4; ++i)
            m_pApp->GraphCall(m_pApp->m_pfnVarolGraph_SetCustomTextVisible, 0, MeasureRules::kTextMarker1 + i,
                              -1);
    } else {
        for (int i = 0; i < 4; ++i)
            m_pApp->GraphCall(m_pApp->m_pfnVarolGraph_SetCustomTextVisible, 0, MeasureRules::kTextMarker1 + i,
                              0);
    }
}

void CSpectrumFrame::UpdateMode(CCmdUI* pCmdUI, int nMode) {
    if (!theApp.IsConnected()) {
        pCmdUI->Enable(FALSE);
        return;
    }
    pCmdUI->Enable(TRUE);
    pCmdUI->SetCheck(m_pApp->m_pDeviceState->m_nSpectrumMode == nMode ? 1 : 0);
}

void CSpectrumFrame::OnMode3D() {
    SetMode(VG_MODE_3D);
}
void CSpectrumFrame::OnMode2D() {
    SetMode(VG_MODE_2D);
}
void CSpectrumFrame::OnModeZoom() {
    SetMode(VG_MODE_ZOOM);
}
void CSpectrumFrame::OnModeMarker() {
    SetMode(VG_MODE_MARKER);
}
void CSpectrumFrame::OnModeBandPower() {
    SetMode(VG_MODE_BAND_POWER);
}
void CSpectrumFrame::OnUpdateMode3D(CCmdUI* pCmdUI) {
    UpdateMode(pCmdUI, VG_MODE_3D);
}
void CSpectrumFrame::OnUpdateMode2D(CCmdUI* pCmdUI) {
    UpdateMode(pCmdUI, VG_MODE_2D);
}
void CSpectrumFrame::OnUpdateModeZoom(CCmdUI* pCmdUI) {
    UpdateMode(pCmdUI, VG_MODE_ZOOM);
}
void CSpectrumFrame::OnUpdateModeMarker(CCmdUI* pCmdUI) {
    UpdateMode(pCmdUI, VG_MODE_MARKER);
}
void CSpectrumFrame::OnUpdateModeBandPower(CCmdUI* pCmdUI) {
    UpdateMode(pCmdUI, VG_MODE_BAND_POWER);
}

void CSpectrumFrame::OnUpdateConnected(CCmdUI* pCmdUI) {
    pCmdUI->Enable(theApp.IsConnected());
}

// --- undo and auto range ---

void CSpectrumFrame::OnUndo() {
    if (m_pApp->m_bGraphCreated[0] == 1)
        m_pApp->GraphCall(m_pApp->m_pfnVarolGraph_Undo, 0);
}

void CSpectrumFrame::OnAutoRange() {
    if (m_pApp->m_bGraphCreated[0] != 1 || !m_pApp->m_pDeviceState)
        return;
    DeviceState& ds = *m_pApp->m_pDeviceState;
    const int unit = int(g_Marlix.GetPowerUnitdBType());
    const int avg = g_Marlix.GetAverageRelativePowerdB(0, unit);
    const int level = Profile::GetProfileInt(QString::fromStdU16String(ds.m_strProfileSection),
                                             SettingKeyName(KEY_ZEPHYRA_POWER), -200);
    const bool fm = m_pApp->m_pMainWnd && m_pApp->m_pMainWnd->IsCurrentPlayItemFM();
    const MeasureRules::YRange y = MeasureRules::LevelRange(level, fm, avg);
    GraphDataInfo info{};
    m_pApp->GraphCall(m_pApp->m_pfnVarolGraph_GetDataInfo, 0, &info);
    info.m_dYMax = y.max;
    info.m_dYMin = y.min;
    m_pApp->GraphCall(m_pApp->m_pfnVarolGraph_SetDataInfo, 0, &info);
    if (m_pApp->m_pMainWnd)
        m_pApp->m_pMainWnd->SetupSpectrumGraph(ds.m_nZephyraFreqHz, ds.m_nSpectrumPoints, FALSE);
}
