#include "output/CZephyraPaneDlg.h"

#include <QKeyEvent>
#include <QPainter>

#include "ImageLayout.h"
#include "app/MarlixExApp.h"
#include "controls/BitmapResource.h"
#include "device/MarlixMFC.h"
#include "res/resource.h"

CZephyraPaneDlg::CZephyraPaneDlg(QWidget* parent)
    : QDockWidget(QStringLiteral("ZephyraPaneDlg"), parent), CMsgTarget(this) {
    setObjectName(QStringLiteral("ZephyraPaneDlg"));
    setFeatures(QDockWidget::NoDockWidgetFeatures);
    setTitleBarWidget(new QWidget(this)); // no gripper
    m_bmBack = ctl::LoadBitmapResource(464);
    // Without its picture the panel still has the picture's size.
    m_bmInfo = m_bmBack.isNull() ? QSize(imglayout::kPanelW, imglayout::kPanelH) : m_bmBack.size();
}

CZephyraPaneDlg::~CZephyraPaneDlg() = default;

BOOL CZephyraPaneDlg::Create() {
    m_pClient = new QWidget(this);
    m_pClient->setObjectName(QString::number(IDD_ZEPHYRA_PANE));
    m_pClient->setFixedWidth(m_bmInfo.width());
    // No layout inside, so no size hint: without a height of its own the dock
    // would ask for a negative one. The pane may still be shorter than the panel.
    m_pClient->setMinimumHeight(1);
    m_pClient->installEventFilter(this);
    m_dlgCtrl.setParent(m_pClient, Qt::Widget);
    m_dlgCtrl.InitControls();
    m_dlgCtrl.setGeometry(0, 0, m_bmInfo.width(), m_bmInfo.height());
    m_dlgCtrl.show();
    m_dlgCtrl.setEnabled(false);
    setWidget(m_pClient);
    return TRUE;
}

void CZephyraPaneDlg::RefreshFromDevice() {
    m_dlgCtrl.LoadFromDevice();
    m_dlgCtrl.setEnabled(theApp.IsConnected());
}

bool CZephyraPaneDlg::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_pClient) {
        if (e->type() == QEvent::Paint) {
            // Below the panel the pane is black.
            const QRect client = m_pClient->rect();
            if (client.height() > m_bmInfo.height()) {
                QPainter p(m_pClient);
                p.fillRect(QRect(0, m_bmInfo.height(), client.width(), client.height() - m_bmInfo.height()),
                           Qt::black);
            }
            return true;
        }
        if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape)
            return true;
    }
    return QDockWidget::eventFilter(watched, e);
}
