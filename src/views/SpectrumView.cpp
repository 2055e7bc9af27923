#include "views/SpectrumView.h"

#include <QKeyEvent>
#include <QPainter>
#include <cstdio>

#include <QTimer>

#include "app/MarlixExApp.h"
#include "mainframe/MainFrm.h"
#include "views/GraphKeyRules.h"
#include "views/MeasureRules.h"

namespace {

// X11 key symbols and scan codes of the two Shift keys.
constexpr quint32 kXkShiftL = 0xffe1, kXkShiftR = 0xffe2;
constexpr quint32 kScanShiftL = 50, kScanShiftR = 62;

} // namespace

CSpectrumView::CSpectrumView(QWidget* pParentFrame) : QWidget(pParentFrame) {
    setObjectName(QStringLiteral("SpectrumView"));
    m_dlgSpectrum.Create(IDD_SPECTRUM_GRAPH, this);
    const QSize client = pParentFrame ? pParentFrame->contentsRect().size() : size();
    m_dlgSpectrum.setGeometry(0, 0, client.width(), client.height());
    m_dlgSpectrum.installEventFilter(this);
    m_dlgSpectrum.show();
    m_dlgSpectrum.setFocus();
}

CSpectrumView::~CSpectrumView() {
    m_dlgSpectrum.removeEventFilter(this);
    if (theApp.m_bGraphCreated[0] == 1) {
        theApp.GraphCall(theApp.m_pfnVarolGraph_Free, 0);
        theApp.m_bGraphCreated[0] = 0;
    }
}

void CSpectrumView::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    // The host windows may cover the whole view, which then gets no paint of its
    // own: the first draw is also asked for once the view is shown.
    QTimer::singleShot(0, this, [this] { OnDraw(); });
}

void CSpectrumView::paintEvent(QPaintEvent*) {
    OnDraw();
}

void CSpectrumView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    m_dlgSpectrum.setGeometry(0, 0, width(), std::max(0, height() - 4));
}

void CSpectrumView::OnDraw() {
    if (theApp.m_bGraphCreated[0] != 1) {
        CreateGraph();
        return;
    }
    theApp.GraphCall(theApp.m_pfnVarolGraph_Resize, 0, m_dlgSpectrum.width(), m_dlgSpectrum.height());
}

void CSpectrumView::CreateGraph() {
    const QRect rc = m_dlgSpectrum.rect();
    theApp.GraphCall(theApp.m_pfnVarolGraph_Init, 0, m_dlgSpectrum.GetSafeHwnd(), rc.width(), rc.height());
    theApp.m_bGraphCreated[0] = 1;
    theApp.GraphCall(theApp.m_pfnVarolGraph_LoadInfoFromFile, 0, "Spectrum.lgd");
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetCustomTextVisible, 0, MeasureRules::kTextGain, 0);
    theApp.ApplyGraphColors(0);

    DeviceState* ds = theApp.m_pDeviceState;
    const int points = ds ? ds->m_nSpectrumPoints : 0;
    GraphDataInfo info{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDataInfo, 0, &info);
    info.m_nPointCount = points;
    info.m_nLayoutWord1 = 8;
    info.m_nLayoutWord2 = -1;
    info.m_dXMin = 469000000.0;
    info.m_dXMax = 479000000.0;
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetDataInfo, 0, &info);
    m_graphInfoSaved = info;

    GraphDesignInfo design{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDesignInfo, 0, &design);
    std::snprintf(design.m_szYUnit, sizeof design.m_szYUnit, "%s",
                  MeasureRules::PowerUnitText(int(g_Marlix.GetPowerUnitdBType())));
    std::snprintf(design.m_szRelUnit, sizeof design.m_szRelUnit, "%s", "dB");
    design.m_nDesignWord = 0;
    design.m_nLastPoint = points - 1;
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetDesignInfo, 0, &design);

    theApp.SetGraphMode(0, ds ? ds->m_nSpectrumMode : 0);
    // The library's buffer holds the bins as the last block left them.
    const int count = std::clamp(points, 0, MX_MAX_POINTS);
    if (theApp.m_pDeviceData)
        theApp.GraphCall(theApp.m_pfnVarolGraph_SetData, 0, 0, theApp.m_pDeviceData->m_adSpectrum, count,
                         count * int(sizeof(double)), 0);
    if (theApp.m_bGraphShown[0] == 1 && theApp.m_bDrawEnabled == 1)
        theApp.GraphCall(theApp.m_pfnVarolGraph_Render, 0, 0.0f);
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetTextFont, 0, "Arial", 10);
    if (theApp.m_pMainWnd && ds)
        theApp.m_pMainWnd->SetupSpectrumGraph(ds->m_nZephyraFreqHz, ds->m_nSpectrumPoints, FALSE);
}

void CSpectrumView::ShiftSavedLevelRange(double dB) {
    m_graphInfoSaved.m_dYMin = double(m_graphInfoSaved.m_dYMin) + dB;
    m_graphInfoSaved.m_dYMax = double(m_graphInfoSaved.m_dYMax) + dB;
}

bool CSpectrumView::PreTranslateKey(int vk, bool bCtrl, bool bLeftShift) {
    if (theApp.m_bGraphCreated[0] != 1)
        return false;
    const int posted = GraphKeyRules::ViewPostedKey(vk);
    if (posted >= 0) {
        const int f = theApp.GraphCall(theApp.m_pfnVarolGraph_GetFocusedTextIndex, 0);
        if (theApp.m_pMainWnd)
            theApp.m_pMainWnd->PostMessage(WM_GRAPH_KEY, WPARAM(f), LPARAM(posted));
        return true;
    }
    if (bCtrl && vk == 'Z')
        theApp.GraphCall(theApp.m_pfnVarolGraph_Undo, 0);
    else if (bCtrl && bLeftShift && vk == 'C' && theApp.m_pMainWnd)
        theApp.m_pMainWnd->OpenModuleCalDialog();
    return false; // passed on
}

bool CSpectrumView::eventFilter(QObject* o, QEvent* e) {
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease)
        return QWidget::eventFilter(o, e);
    auto* k = static_cast<QKeyEvent*>(e);
    const bool down = e->type() == QEvent::KeyPress;
    if (k->key() == Qt::Key_Shift) {
        // Which Shift: the native key says; without one it counts as the left.
        const bool right = k->nativeVirtualKey() == kXkShiftR || k->nativeScanCode() == kScanShiftR;
        const bool left = k->nativeVirtualKey() == kXkShiftL || k->nativeScanCode() == kScanShiftL || !right;
        (left ? m_bLeftShift : m_bRightShift) = down;
        return false;
    }
    if (!down)
        return false;
    const bool shift = k->modifiers() & Qt::ShiftModifier;
    const bool leftShift = shift && (m_bLeftShift || !m_bRightShift);
    const int vk = GraphKeyRules::VirtualKey(k->key(), k->modifiers() & Qt::KeypadModifier);
    if (vk == 0)
        return false;
    return PreTranslateKey(vk, k->modifiers() & Qt::ControlModifier, leftShift);
}
