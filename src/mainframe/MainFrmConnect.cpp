// Connection commands and connection-state messages of the main frame.
#include "app/MarlixExApp.h"
#include "mainframe/IPComboBox.h"
#include "mainframe/MainFrm.h"

namespace {
int ConnectState() {
    return theApp.m_pDeviceState ? theApp.m_pDeviceState->m_nConnectState : 0;
}
}  // namespace

void CMainFrame::OnConnect() {}

void CMainFrame::OnConnectIP() {}

BOOL CMainFrame::AddIPToHistory(CIPComboBox* pCombo, const QString& strAddress) {
    return FALSE;
}

void CMainFrame::MoveIPToTop(CIPComboBox* pCombo, const QString& strAddress) {}

void CMainFrame::ConnectDevice(const QString& strAddress) {}

void CMainFrame::OnDisconnect() {
    if (theApp.m_pDeviceState) theApp.m_pDeviceState->m_nConnectState = 0;
    SetStatusPane(1, 0);
}

void CMainFrame::OnUpdateConnect(CCmdUI* pCmdUI) {
    pCmdUI->Enable(ConnectState() == 0);
}

void CMainFrame::OnUpdateDisconnect(CCmdUI* pCmdUI) {
    const int s = ConnectState();
    pCmdUI->Enable(s == 1 || s == 2 || s == 4);
}

void CMainFrame::OnUpdateModeZephyra(CCmdUI* pCmdUI) {
    if (ConnectState() == 2) {
        pCmdUI->Enable(TRUE);
        pCmdUI->SetCheck(theApp.m_pDeviceState->m_nSystemMode == 7 ? 1 : 0);
    } else {
        pCmdUI->Enable(FALSE);
    }
}

LRESULT CMainFrame::OnConnectState(WPARAM wParam, LPARAM lParam) {
    return 0;
}

LRESULT CMainFrame::OnAfterConnect(WPARAM wParam, LPARAM lParam) {
    return 0;
}

LRESULT CMainFrame::OnAfterDisconnect(WPARAM wParam, LPARAM lParam) {
    return 0;
}

void CMainFrame::EnterSystemMode(int nMode) {}

void CMainFrame::SendDeviceSettings() {}
