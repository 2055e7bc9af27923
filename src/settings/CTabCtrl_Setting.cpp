#include "settings/CTabCtrl_Setting.h"

#include <QSignalBlocker>

#include "app/MarlixExApp.h"
#include "settings/CDialogSetting_Graph.h"
#include "settings/CDialogSetting_Play.h"
#include "settings/CDialogSetting_System.h"
#include "settings/CDialogSetting_Viewer.h"

CTabCtrl_Setting::CTabCtrl_Setting(QWidget* parent) : QTabWidget(parent) {
    setObjectName(QString::number(IDC_TAB));
    m_pPlay = new CDialogSetting_Play(this);
    m_pViewer = new CDialogSetting_Viewer(this);
    m_pSystem = new CDialogSetting_System(this);
    m_pGraph = new CDialogSetting_Graph(this);
    connect(this, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0 && index != m_nCurPage)
            m_nCurPage = index;
    });
}

void CTabCtrl_Setting::InitPages() {
    m_nCurPage = 0;
    const QSignalBlocker block(this);
    addTab(m_pPlay, QStringLiteral("Play"));
    addTab(m_pViewer, QStringLiteral("Viewer"));
    addTab(m_pSystem, QStringLiteral("System"));
    addTab(m_pGraph, QStringLiteral("Graph"));
    setCurrentIndex(0);
}

void CTabCtrl_Setting::SelectPage(int index) {
    if (index < 0 || index >= count())
        return;
    setCurrentIndex(index);
    if (QWidget* page = widget(index))
        page->setFocus();
}

void CTabCtrl_Setting::LoadAllPages() {
    m_pPlay->LoadFromDeviceState();
    m_pViewer->LoadFromDeviceState();
    m_pSystem->LoadFromDeviceState();
    m_pGraph->LoadFromDeviceState();
}

void CTabCtrl_Setting::ApplyPage(int index) {
    if (!CanApplyPage(index))
        return;
    switch (index) {
    case 0:
        m_pPlay->Apply();
        break;
    case 1:
        m_pViewer->Apply();
        break;
    case 2:
        m_pSystem->Apply();
        break;
    case 3:
        for (int set = 0; set < 4; ++set)
            m_pGraph->ApplyColors(set);
        break;
    default:
        break;
    }
}

void CTabCtrl_Setting::ApplyAll() {
    for (int i = 0; i < kPageCount; ++i)
        ApplyPage(i);
}

void CTabCtrl_Setting::ApplyCurrentPage() {
    ApplyPage(m_nCurPage);
}

void CTabCtrl_Setting::RevertAll() {
    m_pPlay->Revert();
    m_pViewer->Revert();
    m_pSystem->Revert();
    for (int set = 0; set < 4; ++set)
        m_pGraph->RevertColors(set);
}

bool CTabCtrl_Setting::CanApplyPage(int index) const {
    return !PageNeedsLink(index) || theApp.IsConnected();
}
