// Connection commands and connection-state messages of the main frame.

#include <utility>

#include "app/MarlixExApp.h"
#include "mainframe/ConnectLogic.h"
#include "mainframe/DialogMarlixIP.h"
#include "mainframe/IPComboBox.h"
#include "mainframe/MainFrm.h"
#include "output/DumpPlayBar.h"
#include "platform/MsgBox.h"
#include "platform/System.h"
#include "res/resource.h"
#include "views/SpectrumView.h"

namespace {
constexpr int kZephyraMode = 7;

void QueueInt(MX_CMD_ID_e cmd, std::int32_t value, HWND hReply) {
    theApp.AddCmd(cmd, MX_RW_DEFAULT, sizeof value, &value, hReply);
}

void EnableWindow(QWidget* w, bool on) {
    if (w)
        w->setEnabled(on);
}
} // namespace

void CMainFrame::OnConnect() {
    const int stateBefore = theApp.ConnectState();
    const unsigned linkBefore = m_connectSequence.Serial();
    int chosenRow = -1;
    QString chosenIP;
    int result = 0;
    {
        CDialogMarlixIP dlg(this);
        result = dlg.exec();
        chosenRow = dlg.m_nChosenRow;
        chosenIP = dlg.m_strChosenIP;
    }
    if (result == QDialog::Accepted && chosenRow != -1) {
        // The search left the state at 1, so the connection that follows
        // sends MX_CMD_DISCONNECT first.
        m_strConnectIP = chosenIP;
        PostMessage(WM_COMMAND, ID_IP_COMBO, 0);
    } else if (m_connectSequence.Serial() == linkBefore) {
        // No choice: the search was no link, so unless a connection was
        // started meanwhile the state goes back to what it was.
        theApp.SetConnectState(stateBefore);
    }
    ScheduleCommandUIUpdate();
}

void CMainFrame::OnConnectIP() {
    CIPComboBox* pCombo = GetIPCombo();
    if (!pCombo)
        return;
    QString address;
    if (!m_strConnectIP.isEmpty()) {
        address = m_strConnectIP;
        m_strConnectIP.clear();
        pCombo->setEditText(address);
    } else {
        address = pCombo->currentText();
    }
    AddIPToHistory(pCombo, address);
}

BOOL CMainFrame::AddIPToHistory(CIPComboBox* pCombo, const QString& strAddress) {
    if (strAddress.isEmpty())
        return FALSE;
    // A text that is no address is refused here, before it can take a history
    // place or be turned into the all-ones (broadcast) address.
    if (!ConnectLogic::ParseDeviceAddress(strAddress, nullptr)) {
        AfxMessageBox(ConnectLogic::InvalidAddressMessage(strAddress), MB_OK | MB_ICONWARNING);
        return FALSE;
    }
    if (m_lstIPHistory.contains(strAddress)) {
        MoveIPToTop(pCombo, strAddress);
        ConnectDevice(strAddress);
        return TRUE;
    }
    const ConnectLogic::HistoryEdit edit = ConnectLogic::AddToHistory(m_lstIPHistory, strAddress);
    if (pCombo) {
        const QString editText = pCombo->currentText();
        if (edit.removedIndex >= 0 && edit.removedIndex < pCombo->count())
            pCombo->removeItem(edit.removedIndex);
        pCombo->insertItem(0, strAddress);
        pCombo->setEditText(editText); // the list changes, the typed text stays
    }
    ConnectDevice(strAddress);
    return TRUE;
}

void CMainFrame::MoveIPToTop(CIPComboBox* pCombo, const QString& strAddress) {
    const ConnectLogic::HistoryEdit edit = ConnectLogic::AddToHistory(m_lstIPHistory, strAddress);
    if (!pCombo || edit.kind != ConnectLogic::HistoryEdit::Moved)
        return;
    if (edit.removedIndex < pCombo->count())
        pCombo->removeItem(edit.removedIndex);
    pCombo->insertItem(0, strAddress);
    pCombo->setCurrentIndex(0);
}

void CMainFrame::ConnectDevice(const QString& strAddress) {
    // The steps of the road; the sequence runs them around its 500 ms pause.
    CConnectSequence::Hooks hooks;
    hooks.disconnect = [this] { OnDisconnect(); };
    hooks.storeAddress = [](std::uint32_t ip) {
        if (theApp.m_pDeviceState)
            theApp.m_pDeviceState->m_nDeviceIP = ip;
    };
    hooks.beginLink = [] { g_Marlix.BeginConnectedUDPThread(); };
    hooks.queueConnect = [this] {
        const std::uint16_t param = theApp.m_pDeviceData ? theApp.m_pDeviceData->m_wConnectParam : 0;
        theApp.SetConnectState(MX_CONNECT_CONNECTING);
        if (theApp.AddCmd(MX_CMD_CONNECT, MX_RW_DEFAULT, sizeof param, &param, GetSafeHwnd()) == 0) {
            // Nothing will answer a connect that was never queued: no waiting for it.
            m_connectSequence.Cancel();
            theApp.SetConnectState(MX_CONNECT_DISCONNECTED);
            AfxMessageBox(QStringLiteral("The connection could not be started: the link did not take the "
                                         "connect command."),
                          MB_OK | MB_ICONWARNING);
        }
        ScheduleCommandUIUpdate();
    };
    m_connectSequence.SetHooks(std::move(hooks));
    if (!m_connectSequence.Start(strAddress))
        AfxMessageBox(ConnectLogic::InvalidAddressMessage(strAddress), MB_OK | MB_ICONWARNING);
    ScheduleCommandUIUpdate();
}

void CMainFrame::OnDisconnect() {
    // Also drops a start still in its pause, and outdates the steps that wait
    // behind "Connected!".
    m_connectSequence.Cancel();
    g_Marlix.CreateUDP_TxSocket();
    const int state = theApp.ConnectState();
    if (state == MX_CONNECT_CONNECTING || state == MX_CONNECT_CONNECTED)
        g_Marlix.SendCmdData(MX_CMD_DISCONNECT, MX_RW_DEFAULT, 0, nullptr);
    theApp.SetConnectState(MX_CONNECT_DISCONNECTED);
    g_Marlix.CloseConnectedUDPThread();
    // No instrument is left to say the wait is over.
    CloseWaitBox();
    SetStatusPane(1, MX_CONNECT_DISCONNECTED);
    OnAfterDisconnect(0, 0);
    PostMessage(WM_CONNECT_STATE, MX_CONNECT_DISCONNECTED, 0);
}

// The 500 ms pause of a start counts as connecting: Disconnect can end it,
// Connect waits.
void CMainFrame::OnUpdateConnect(CCmdUI* pCmdUI) {
    pCmdUI->Enable(theApp.ConnectState() == MX_CONNECT_DISCONNECTED && !m_connectSequence.IsPausing());
}

void CMainFrame::OnUpdateDisconnect(CCmdUI* pCmdUI) {
    pCmdUI->Enable(theApp.ConnectState() != MX_CONNECT_DISCONNECTED || m_connectSequence.IsPausing());
}

void CMainFrame::OnUpdateModeZephyra(CCmdUI* pCmdUI) {
    if (theApp.IsConnected()) {
        pCmdUI->Enable(TRUE);
        pCmdUI->SetCheck(theApp.m_pDeviceState->m_nSystemMode == kZephyraMode ? 1 : 0);
    } else {
        pCmdUI->Enable(FALSE);
    }
}

LRESULT CMainFrame::OnConnectState(WPARAM wParam, LPARAM) {
    switch (wParam) {
    case MX_CONNECT_CONNECTED: {
        // Only a link being made can come up; a late answer to a link that was
        // ended meanwhile is ignored.
        if (theApp.ConnectState() != MX_CONNECT_CONNECTING)
            return 0;
        theApp.SetConnectState(MX_CONNECT_CONNECTED);
        theApp.AddCmd(MX_CMD_STATUS, MX_RW_DEFAULT, 0, nullptr, GetSafeHwnd());
        SetPriorityClass(HIGH_PRIORITY_CLASS);
        theApp.LoadDefaultSettings();
        PostMessage(WM_COMMAND, ID_WINDOW_SPECTRUM, 0);
        PostMessage(WM_COMMAND, ID_WINDOW_IQ, 0);
        ScheduleCommandUIUpdate();
        const unsigned link = m_connectSequence.Serial();
        AfxMessageBox(QStringLiteral("Connected!"), MB_OK | MB_ICONINFORMATION);
        // The box ran a message loop: when the link went meanwhile, the rest
        // would enable panels and send to an instrument that is gone.
        if (m_connectSequence.Serial() != link || !theApp.IsConnected())
            return 0;
        SetStatusPane(1, MX_CONNECT_CONNECTED);
        PostMessage(WM_AFTER_CONNECT, 0, 0);
        return 0;
    }
    case MX_CONNECT_DISCONNECTED:
        SetStatusPane(1, MX_CONNECT_DISCONNECTED);
        PostMessage(WM_AFTER_DISCONNECT, 0, 0);
        return 0;
    case MX_CONNECT_LOST:
        if (theApp.ConnectState() == MX_CONNECT_DISCONNECTED)
            return 0; // no link to lose: a late report of one already ended
        theApp.SetConnectState(MX_CONNECT_LOST);
        CloseWaitBox(); // before "Disconnected!", which must not stand over it
        PostMessage(WM_COMMAND, ID_CONTROL_DISCONNECT, 0);
        ScheduleCommandUIUpdate();
        // A copy waits for answers that cannot come now: it ends and says how far it got.
        if (const HWND owner = std::exchange(m_hTransferOwner, nullptr))
            ::SendMessage(owner, WM_CONNECT_STATE, MX_CONNECT_LOST, 0);
        AfxMessageBox(QStringLiteral("Disconnected!"), MB_OK | MB_ICONINFORMATION);
        return 0;
    default:
        return 0;
    }
}

LRESULT CMainFrame::OnAfterConnect(WPARAM, LPARAM) {
    if (!theApp.IsConnected())
        return 0;
    CSpectrumView* view = nullptr;
    if (FindSpectrumView(view))
        view->m_dlgSpectrum.ReloadDeviceSettings();
    EnableWindow(m_wndPlayBarPane ? m_wndPlayBarPane->PlayBarWindow() : nullptr, true);
    EnableWindow(m_wndZephyraPane ? &m_wndZephyraPane->m_dlgCtrl : nullptr, true);
    QueueInt(MX_CMD_SYSTEM_MODE, kZephyraMode, GetSafeHwnd());
    EnterSystemMode(kZephyraMode);
    // A browser left open shows the new instrument's drives, not an empty tree.
    ConnectPlayWindows();
    return 0;
}

LRESULT CMainFrame::OnAfterDisconnect(WPARAM, LPARAM) {
    TransferEnded();
    if (m_pPlayBar)
        m_pPlayBar->ResetAll();
    EnableWindow(m_wndPlayBarPane ? m_wndPlayBarPane->PlayBarWindow() : nullptr, false);
    EnableWindow(m_wndZephyraPane ? &m_wndZephyraPane->m_dlgCtrl : nullptr, false);
    ResetPlayWindows();
    return 0;
}

void CMainFrame::EnterSystemMode(int nMode) {
    if (!theApp.m_pDeviceState)
        return;
    DeviceState& ds = *theApp.m_pDeviceState;
    g_Marlix.Mx2InitMinMaxValueForSystemMode(nMode, nullptr);
    if (m_wndPlayBarPane)
        m_wndPlayBarPane->UpdateConnectState();
    if (m_wndZephyraPane)
        m_wndZephyraPane->RefreshFromDevice();
    ds.m_nPlayBusy = 0;
    ds.m_nSystemMode = nMode;
    QueueInt(MX_CMD_SYSTEM_MODE, nMode, GetSafeHwnd());
    theApp.SetGraphMode(0, 0);

    if (m_pPlayBar)
        m_pPlayBar->ResetPlaySettings();
    g_Marlix.SetAverageType(static_cast<_MxAverageType_e>(ds.m_nAverageType), ds.m_nAverageCount);
    RefreshSettingPages();
    SetupSpectrumGraph(ds.m_nZephyraFreqHz, ds.m_nSpectrumPoints, FALSE);
    ClearGraphs();
    g_Marlix.MxExtensionFullBandSpectrumFree();
    ScheduleCommandUIUpdate();
}

void CMainFrame::SendDeviceSettings() {
    if (!theApp.m_pDeviceState)
        return;
    const DeviceState& ds = *theApp.m_pDeviceState;
    QueueInt(MX_CMD_REF_10MHZ, ds.m_nRef10MHz, GetSafeHwnd());
    QueueInt(MX_CMD_TRIGGER, ds.m_nTrigger, GetSafeHwnd());
    QueueInt(MX_CMD_RES_BW, ds.m_nResBW, GetSafeHwnd());
    QueueInt(MX_CMD_UPDATE_SPEED, ds.m_nUpdateSpeed, GetSafeHwnd());
    g_Marlix.SetSpectralInv(static_cast<_MxSpectralInv_e>(ds.m_nSpectralInv));
}
