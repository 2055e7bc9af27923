#include "output/CPaneDialogCaptuePlayCtrlBar.h"

#include <QKeyEvent>
#include <QPainter>

#include "ImageLayout.h"
#include "app/MarlixExApp.h"
#include "controls/BitmapResource.h"
#include "device/MarlixMFC.h"
#include "output/DumpPlayBar.h"
#include "res/resource.h"

CPaneDialogCaptuePlayCtrlBar::CPaneDialogCaptuePlayCtrlBar(QWidget* parent)
    : QDockWidget(QStringLiteral("CtrlBar"), parent), CMsgTarget(this) {
    setObjectName(QStringLiteral("CtrlBar"));
    setFeatures(QDockWidget::NoDockWidgetFeatures);
    setTitleBarWidget(new QWidget(this)); // no gripper
    m_bmBack = ctl::LoadBitmapResource(414);
    m_bmInfo = m_bmBack.isNull() ? QSize(imglayout::kBarW, imglayout::kBarH) : m_bmBack.size();
}

CPaneDialogCaptuePlayCtrlBar::~CPaneDialogCaptuePlayCtrlBar() = default;

BOOL CPaneDialogCaptuePlayCtrlBar::Create() {
    m_pClient = new QWidget(this);
    m_pClient->setObjectName(QString::number(IDD_PLAYBAR_PANE));
    m_pClient->setFixedHeight(m_bmInfo.height());
    m_pClient->installEventFilter(this);
    // The bar loads its button pictures as it is made.
    m_dlgPlayBar = new CDumpPlayBar(m_pClient);
    m_dlgPlayBar->setGeometry(0, 0, m_bmInfo.width(), m_bmInfo.height());
    m_dlgPlayBar->show();
    m_dlgPlayBar->setEnabled(false);
    setWidget(m_pClient);
    return TRUE;
}

QWidget* CPaneDialogCaptuePlayCtrlBar::PlayBarWindow() const {
    return m_dlgPlayBar;
}

HWND CPaneDialogCaptuePlayCtrlBar::PlayBarHwnd() const {
    return m_dlgPlayBar ? m_dlgPlayBar->GetSafeHwnd() : nullptr;
}

void CPaneDialogCaptuePlayCtrlBar::UpdateConnectState() {
    if (!m_dlgPlayBar)
        return;
    m_dlgPlayBar->ClearFile();
    m_dlgPlayBar->setEnabled(theApp.IsConnected());
}

bool CPaneDialogCaptuePlayCtrlBar::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_pClient) {
        if (e->type() == QEvent::Paint) {
            // Right of the bar the pane is black.
            const QRect client = m_pClient->rect();
            if (client.width() > m_bmInfo.width()) {
                QPainter p(m_pClient);
                p.fillRect(QRect(m_bmInfo.width(), 0, client.width() - m_bmInfo.width(), client.height()),
                           Qt::black);
            }
            return true;
        }
        if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape)
            return true;
    }
    return QDockWidget::eventFilter(watched, e);
}
