#include "views/DumpIQDialog.h"

#include <QMouseEvent>

#include "app/MarlixExApp.h"

CDumpIQDialog::CDumpIQDialog(int nGraph, UINT nTemplateId) : CGraphHostDialog(nTemplateId), m_nGraph(nGraph) {
    setMouseTracking(true);
}

void CDumpIQDialog::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && theApp.m_bGraphCreated[m_nGraph] == 1) {
        const QPoint p = e->position().toPoint();
        theApp.GraphCall(theApp.m_pfnVarolGraph_InputUpdate, m_nGraph, p.x(), p.y(), 0, 1, 1, 0);
    }
    QWidget::mousePressEvent(e);
}

void CDumpIQDialog::mouseMoveEvent(QMouseEvent* e) {
    if (theApp.m_bGraphCreated[m_nGraph] == 1) {
        const QPoint p = e->position().toPoint();
        theApp.GraphCall(theApp.m_pfnVarolGraph_InputUpdate, m_nGraph, p.x(), p.y(), 0, 0,
                         LeftHeld(e->buttons()), 1);
    }
    QWidget::mouseMoveEvent(e);
}

void CDumpIQDialog::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && theApp.m_bGraphCreated[m_nGraph] == 1) {
        const QPoint p = e->position().toPoint();
        theApp.GraphCall(theApp.m_pfnVarolGraph_InputUpdate, m_nGraph, p.x(), p.y(), 0, 0, 0, 0);
    }
    QWidget::mouseReleaseEvent(e);
}
