#include "views/DumpSpectrumDialog.h"

#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <memory>

#include "app/MarlixExApp.h"
#include "mainframe/MainFrm.h"
#include "views/MeasureRules.h"

BEGIN_MESSAGE_MAP(CDumpSpectrumDialog, CMsgTarget)
ON_COMMAND(ID_PEAK_SEARCH, &CDumpSpectrumDialog::OnPeakSearch)
ON_COMMAND(ID_MARKER_1, &CDumpSpectrumDialog::OnMarker1)
ON_COMMAND(ID_MARKER_2, &CDumpSpectrumDialog::OnMarker2)
ON_COMMAND(ID_MARKER_3, &CDumpSpectrumDialog::OnMarker3)
ON_COMMAND(ID_MARKER_4, &CDumpSpectrumDialog::OnMarker4)
ON_COMMAND(ID_HOLD_MAX, &CDumpSpectrumDialog::OnHoldMax)
ON_COMMAND(ID_HOLD_MIN, &CDumpSpectrumDialog::OnHoldMin)
ON_COMMAND(ID_CLEAR_HOLD, &CDumpSpectrumDialog::OnClearHold)
END_MESSAGE_MAP()

CDumpSpectrumDialog::CDumpSpectrumDialog(UINT nTemplateId, QWidget* pParent)
    : CGraphHostDialog(nTemplateId, pParent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus); // the keys of the focused value come here
}

BOOL CDumpSpectrumDialog::OnInitDialog() {
    m_pApp = &theApp;
    m_pMainWnd = theApp.m_pMainWnd;
    ReloadDeviceSettings();
    return TRUE;
}

void CDumpSpectrumDialog::ReloadDeviceSettings() {
    if (theApp.m_pDeviceState)
        m_settings = static_cast<const DeviceSettings&>(*theApp.m_pDeviceState);
}

bool CDumpSpectrumDialog::GraphExists() const {
    return theApp.m_bGraphCreated[0] == 1;
}

void CDumpSpectrumDialog::RenderIfDrawing() {
    if (theApp.m_bDrawEnabled == 1)
        theApp.GraphCall(theApp.m_pfnVarolGraph_Render, 0, 0.0f);
}

// --- mouse ---

void CDumpSpectrumDialog::mousePressEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    if (e->button() == Qt::RightButton) {
        // The menu's commands come back to this window's map; not passed on.
        std::unique_ptr<QMenu> menu(CreateMarkerMenu());
        menu->exec(mapToGlobal(p));
        return;
    }
    if (e->button() == Qt::LeftButton && GraphExists())
        theApp.GraphCall(theApp.m_pfnVarolGraph_InputUpdate, 0, p.x(), p.y(), 0, 1, 1, 0);
    QWidget::mousePressEvent(e);
}

void CDumpSpectrumDialog::mouseMoveEvent(QMouseEvent* e) {
    if (GraphExists()) {
        const QPoint p = e->position().toPoint();
        theApp.GraphCall(theApp.m_pfnVarolGraph_InputUpdate, 0, p.x(), p.y(), 0, 0, LeftHeld(e->buttons()),
                         1);
    }
    QWidget::mouseMoveEvent(e);
}

void CDumpSpectrumDialog::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && GraphExists()) {
        const QPoint p = e->position().toPoint();
        theApp.GraphCall(theApp.m_pfnVarolGraph_InputUpdate, 0, p.x(), p.y(), 0, 0, 0, 0);
    }
    QWidget::mouseReleaseEvent(e);
}

void CDumpSpectrumDialog::mouseDoubleClickEvent(QMouseEvent* e) {
    // A double click acts as Enter on the focused value.
    if (e->button() == Qt::LeftButton && GraphExists() && m_pMainWnd) {
        const int f = theApp.GraphCall(theApp.m_pfnVarolGraph_GetFocusedTextIndex, 0);
        m_pMainWnd->PostMessage(WM_GRAPH_KEY, WPARAM(f), 13);
    }
    CGraphHostDialog::mouseDoubleClickEvent(e);
}

void CDumpSpectrumDialog::wheelEvent(QWheelEvent* e) {
    const QPoint p = e->position().toPoint();
    UINT flags = 0;
    if (e->buttons() & Qt::LeftButton)
        flags |= 0x0001;
    if (e->modifiers() & Qt::ShiftModifier)
        flags |= 0x0004;
    if (e->modifiers() & Qt::ControlModifier)
        flags |= 0x0008;
    const int delta = e->angleDelta().y();
    if (delta != 0)
        OnGraphWheel(flags, short(std::clamp(delta, -32768, 32767)), p.x(), p.y());
    e->accept();
}

BOOL CDumpSpectrumDialog::OnGraphWheel(UINT, short zDelta, int x, int y) {
    if (!GraphExists())
        return TRUE;
    if (theApp.m_pDeviceState && theApp.m_pDeviceState->m_nSpectrumMode == VG_MODE_3D) {
        theApp.GraphCall(theApp.m_pfnVarolGraph_InputUpdate, 0, x, y, int(zDelta) / 120, 0, 0, 0);
        return TRUE;
    }
    const int f = theApp.GraphCall(theApp.m_pfnVarolGraph_GetFocusedTextIndex, 0);
    if (f == MeasureRules::kTextYMin || f == MeasureRules::kTextYMax || f == MeasureRules::kTextYCenter ||
        f == MeasureRules::kTextGain)
        StepGraphText(f, zDelta);
    return TRUE;
}

// --- values ---

void CDumpSpectrumDialog::StepGraphText(int nIndex, int nDirection) {
    if (nIndex == MeasureRules::kTextGain) {
        const DeviceState* ds = theApp.m_pDeviceState;
        if (!ds)
            return;
        m_settings.m_sZephyraPower =
            MeasureRules::StepGain(m_settings.m_sZephyraPower, nDirection, ds->m_nLevelMin, ds->m_nLevelMax);
        if (m_pMainWnd)
            m_pMainWnd->SetGainText(m_settings.m_sZephyraPower);
        SetTimer(kGainTimer, kGainMs);
        return;
    }
    if (nIndex != MeasureRules::kTextYMin && nIndex != MeasureRules::kTextYMax &&
        nIndex != MeasureRules::kTextYCenter)
        return;
    if (!GraphExists())
        return;
    GraphDataInfo info{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDataInfo, 0, &info);
    if (!MeasureRules::StepYBounds(info, nIndex, nDirection))
        return;
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetDataInfo, 0, &info);
    RenderIfDrawing();
}

void CDumpSpectrumDialog::SetGraphTextValue(int nIndex, double dValue) {
    if (nIndex == MeasureRules::kTextGain) {
        const DeviceState* ds = theApp.m_pDeviceState;
        if (!ds)
            return;
        const auto gain = MeasureRules::GainFromTyped(dValue, ds->m_nLevelMin, ds->m_nLevelMax);
        if (!gain)
            return;
        m_settings.m_sZephyraPower = *gain;
        if (m_pMainWnd)
            m_pMainWnd->SetGainText(*gain);
        SetTimer(kGainTimer, kGainMs);
        return;
    }
    if ((nIndex != MeasureRules::kTextYMin && nIndex != MeasureRules::kTextYMax) || !GraphExists())
        return;
    GraphDataInfo info{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDataInfo, 0, &info);
    if (!MeasureRules::SetYBound(info, nIndex, dValue))
        return;
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetDataInfo, 0, &info);
    RenderIfDrawing();
}

void CDumpSpectrumDialog::OnTimer(UINT_PTR nIDEvent) {
    // The gain stays in this window and the gain text; nothing follows its timer.
    if (nIDEvent == kGainTimer)
        KillTimer(kGainTimer);
}

// --- the "Marker" menu ---

QMenu* CDumpSpectrumDialog::CreateMarkerMenu() {
    auto* menu = new QMenu(QStringLiteral("Marker"), this);
    menu->setObjectName(QString::number(IDR_MARKER_MENU));
    const struct {
        const char* text;
        UINT id;
    } items[] = {{"Peak Search", ID_PEAK_SEARCH}, {"Marker 1", ID_MARKER_1},    {"Marker 2", ID_MARKER_2},
                 {"Marker 3", ID_MARKER_3},       {"Marker 4", ID_MARKER_4},    {"Hold Max", ID_HOLD_MAX},
                 {"Hold Min", ID_HOLD_MIN},       {"Clear Hold", ID_CLEAR_HOLD}};
    for (const auto& it : items) {
        if (it.id == ID_HOLD_MAX)
            menu->addSeparator();
        QAction* a = menu->addAction(QString::fromLatin1(it.text));
        a->setData(it.id);
        const UINT id = it.id;
        // Posted: the command runs after the menu's own loop has ended.
        QObject::connect(a, &QAction::triggered, this, [this, id] { PostMessage(WM_COMMAND, id, 0); });
    }
    return menu;
}

void CDumpSpectrumDialog::SetMarkers(int nValue) {
    if (GraphExists()) {
        theApp.GraphCall(theApp.m_pfnVarolGraph_SetMode, 0, int(VG_MODE_MARKER));
        if (theApp.m_pDeviceState)
            theApp.m_pDeviceState->m_nSpectrumMode = VG_MODE_MARKER;
        for (int i = 0; i < g_Marlix.GetMarkerCounts() + 1 && i < 4; ++i)
            theApp.GraphCall(theApp.m_pfnVarolGraph_SetCustomTextVisible, 0, MeasureRules::kTextMarker1 + i,
                             -1);
    }
    g_Marlix.SetMarkerCounts(nValue);
    theApp.SetMarkerCount(nValue);
    if (m_pMainWnd)
        m_pMainWnd->SyncViewerMarkerCount();
}

void CDumpSpectrumDialog::OnMarker1() {
    SetMarkers(0);
}
void CDumpSpectrumDialog::OnMarker2() {
    SetMarkers(1);
}
void CDumpSpectrumDialog::OnMarker3() {
    SetMarkers(2);
}
void CDumpSpectrumDialog::OnMarker4() {
    SetMarkers(3);
}

void CDumpSpectrumDialog::OnPeakSearch() {
    SetMarkers(0);
    if (theApp.m_pDeviceState)
        theApp.m_pDeviceState->m_bPeakSearch = 1;
}

void CDumpSpectrumDialog::ToggleHold(bool bMax) {
    if (!GraphExists())
        return;
    GraphDataInfo info{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDataInfo, 0, &info);
    if (bMax)
        info.m_bMaxHold = info.m_bMaxHold != 0 ? 0 : -1;
    else
        info.m_bMinHold = info.m_bMinHold != 0 ? 0 : -1;
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetDataInfo, 0, &info);
}

void CDumpSpectrumDialog::OnHoldMax() {
    ToggleHold(true);
}

void CDumpSpectrumDialog::OnHoldMin() {
    ToggleHold(false);
}

void CDumpSpectrumDialog::OnClearHold() {
    if (GraphExists())
        theApp.GraphCall(theApp.m_pfnVarolGraph_MinMaxHoldInit, 0, 0);
}
