#include "views/GraphHostDialog.h"

#include <QMouseEvent>

CGraphHostDialog::CGraphHostDialog(UINT nTemplateId, QWidget* pParent)
    : QWidget(pParent), CMsgTarget(this), m_nTemplateId(nTemplateId), m_pParentWnd(pParent) {
    // The graph paints every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

BOOL CGraphHostDialog::Create(UINT nTemplateId, QWidget* pParentWnd) {
    m_nTemplateId = nTemplateId;
    m_pParentWnd = pParentWnd;
    setParent(pParentWnd);
    setObjectName(QString::number(std::uint16_t(nTemplateId)));
    return OnInitDialog();
}

void CGraphHostDialog::mouseDoubleClickEvent(QMouseEvent* e) {
    e->accept();
}
