#include "views/IQFrame.h"

#include <QCloseEvent>
#include <QMdiArea>

#include "app/MarlixExApp.h"
#include "app/WindowPositions.h"
#include "views/IQView.h"

CIQFrame::CIQFrame() : QMdiSubWindow(nullptr), CMsgTarget(this) {
    setObjectName(QStringLiteral("IQFrame"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_doc.OnNewDocument();
    m_doc.SetTitle(QString());
    setWindowTitle(m_doc.GetTitle());
}

CIQFrame::~CIQFrame() {
    theApp.m_rcWindowPos[WINDOW_POS_IQ] =
        WindowPositions::FromQRect(isMaximized() || isMinimized() ? normalGeometry() : geometry());
}

CIQFrame* CIQFrame::CreateIn(QMdiArea* pArea) {
    auto* frame = new CIQFrame;
    if (pArea)
        pArea->addSubWindow(frame);
    frame->OnCreateClient();
    return frame;
}

void CIQFrame::OnCreateClient() {
    const RECT& rc = theApp.m_rcWindowPos[WINDOW_POS_IQ];
    if (!WindowPositions::IsZero(rc))
        setGeometry(WindowPositions::ToQRect(rc));
    m_pView = new CIQView(this);
    setWidget(m_pView);
}

void CIQFrame::closeEvent(QCloseEvent* e) {
    e->ignore();
    OnClose();
}

void CIQFrame::OnClose() {
    theApp.m_bGraphShown[3] = 0;
    theApp.m_bGraphShown[4] = 0;
    hide();
}
