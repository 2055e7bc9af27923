// The main frame's settings road: the Setting menu commands, the page reloads
// and the calibration dialog.
#include "mainframe/MainFrm.h"
#include "settings/CDialogModuleCal.h"
#include "settings/CDialogSettingTab.h"
#include "settings/CDialogSetting_Play.h"
#include "settings/CTabCtrl_Setting.h"

void CMainFrame::CreateSettingDialog() {
    m_pSettingDlg = new CDialogSettingTab(this);
    m_pSettingDlg->hide();
}

void CMainFrame::RefreshSettingPages() {
    if (m_pSettingDlg)
        m_pSettingDlg->m_tabSetting->LoadAllPages();
}

void CMainFrame::RefreshPlayValues() {
    if (m_pSettingDlg)
        m_pSettingDlg->m_tabSetting->m_pPlay->RefreshPlayValues();
}

void CMainFrame::ShowSettingPage(int nPage) {
    if (m_pSettingDlg)
        m_pSettingDlg->ShowPage(nPage);
}

void CMainFrame::OnSettingPlay() {
    ShowSettingPage(0);
}

void CMainFrame::OnSettingViewer() {
    ShowSettingPage(1);
}

void CMainFrame::OnSettingSystem() {
    ShowSettingPage(2);
}

void CMainFrame::OnSettingGraph() {
    ShowSettingPage(3);
}

void CMainFrame::OpenModuleCalDialog() {
    // A window of its own (no parent), as a service tool beside the main window.
    if (!m_pModuleCalDlg)
        m_pModuleCalDlg = new CDialogModuleCal(nullptr);
    m_pModuleCalDlg->show();
    m_pModuleCalDlg->raise();
}
