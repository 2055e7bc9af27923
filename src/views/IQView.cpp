#include "views/IQView.h"

#include <QTimer>

#include "app/MarlixExApp.h"

CIQView::CIQView(QWidget* pParentFrame) : QWidget(pParentFrame) {
    setObjectName(QStringLiteral("IQView"));
    const QSize client = pParentFrame ? pParentFrame->contentsRect().size() : size();
    const int h2 = client.height() / 2;
    m_dlgI.Create(IDD_I_GRAPH, this);
    m_dlgI.setGeometry(0, 0, client.width(), h2);
    m_dlgI.show();
    m_dlgQ.Create(IDD_Q_GRAPH, this);
    m_dlgQ.setGeometry(0, h2, client.width(), h2);
    m_dlgQ.show();
}

CIQView::~CIQView() {
    for (int g : {3, 4}) {
        if (theApp.m_bGraphCreated[g] == 1) {
            theApp.GraphCall(theApp.m_pfnVarolGraph_Free, g);
            theApp.m_bGraphCreated[g] = 0;
        }
    }
}

void CIQView::Layout(int nWidth, int nHeight) {
    const int half = (nHeight - 4) / 2;
    m_dlgI.setGeometry(0, 0, nWidth, std::max(0, half));
    m_dlgQ.setGeometry(0, half, nWidth, std::max(0, half));
}

void CIQView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    Layout(width(), height());
}

void CIQView::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    // The host windows may cover the whole view, which then gets no paint of its
    // own: the first draw is also asked for once the view is shown.
    QTimer::singleShot(0, this, [this] { OnDraw(); });
}

void CIQView::paintEvent(QPaintEvent*) {
    OnDraw();
}

void CIQView::OnDraw() {
    if (theApp.m_bGraphCreated[3] && theApp.m_bGraphCreated[4]) {
        theApp.GraphCall(theApp.m_pfnVarolGraph_Resize, 3, m_dlgI.width(), m_dlgI.height());
        theApp.GraphCall(theApp.m_pfnVarolGraph_Resize, 4, m_dlgQ.width(), m_dlgQ.height());
        return;
    }
    CreateIQGraph(3, m_dlgI);
    CreateIQGraph(4, m_dlgQ);
    for (int g : {3, 4})
        if (theApp.m_bGraphShown[g] == 1 && theApp.m_bDrawEnabled == 1)
            theApp.GraphCall(theApp.m_pfnVarolGraph_Render, g, 0.0f);
}

void CIQView::CreateIQGraph(int g, CDumpIQDialog& dlg) {
    theApp.GraphCall(theApp.m_pfnVarolGraph_Init, g, dlg.GetSafeHwnd(), dlg.width(), dlg.height());
    theApp.m_bGraphCreated[g] = 1;
    theApp.GraphCall(theApp.m_pfnVarolGraph_LoadInfoFromFile, g, "IQData.lgd");
    theApp.ApplyGraphColors(g);
    GraphDataInfo info{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDataInfo, g, &info);
    info.m_nPointCount = 30720;
    info.m_nLayoutWord1 = 2;
    info.m_nLayoutWord2 = 0;
    info.m_dXMin = 0.0;
    info.m_dXMax = 30720.0;
    info.m_dYMin = -32767.0;
    info.m_dYMax = 32767.0;
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetDataInfo, g, &info);
    if (g == 4 && theApp.m_bGraphShown[4] == 1 && theApp.m_bDrawEnabled == 1)
        theApp.GraphCall(theApp.m_pfnVarolGraph_Render, 4, 0.0f);
    if (theApp.m_bGraphCreated[g] == 1)
        theApp.GraphCall(theApp.m_pfnVarolGraph_SetMode, g, 0);
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetTextFont, g, "Arial", 10);
    GraphDesignInfo design{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDesignInfo, g, &design);
    design.m_nLastPoint = 0x444;
    theApp.GraphCall(theApp.m_pfnVarolGraph_SetDesignInfo, g, &design);
}
