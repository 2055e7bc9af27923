// Play handlers of the main frame: it relays play events between the device
// library, the file browser and the play bar.
#include <QDockWidget>

#include "app/MarlixExApp.h"
#include "controls/CKbcButton.h"
#include "mainframe/MainFrm.h"
#include "output/DialogPlayFolderList.h"
#include "output/DumpPlayBar.h"
#include "output/FileListModel.h"

void CMainFrame::CreatePlayWindows() {
    m_pPlayBar = m_wndPlayBarPane->m_dlgPlayBar; // made by its pane, disabled until connected
    m_pPlayFolderList = new CDialogPlayFolderList(this);
    m_pPlayFolderList->hide();
    m_pPlayFolderList->ShowOpenFilesButton(0);
    m_pPlayBar->SetBrowser(m_pPlayFolderList);
}

void CMainFrame::ResetPlayWindows() {
    if (m_pPlayFolderList)
        m_pPlayFolderList->LinkDown();
}

void CMainFrame::ConnectPlayWindows() {
    if (m_pPlayFolderList)
        m_pPlayFolderList->LinkUp();
}

void CMainFrame::DestroyPlayWindows() {
    if (m_pPlayBar)
        m_pPlayBar->SetBrowser(nullptr);
    delete m_pPlayFolderList;
    m_pPlayFolderList = nullptr;
}

LRESULT CMainFrame::OnPlayEvent(WPARAM wParam, LPARAM) {
    if (wParam == 9 && m_pPlayBar)
        m_pPlayBar->OnPlayFinished();
    return 0;
}

LRESULT CMainFrame::OnPlayFileChanged(WPARAM, LPARAM) {
    CDialogPlayFolderList* browser = m_pPlayFolderList;
    if (!browser || !m_pPlayBar)
        return 0;
    if (browser->m_strCurrentName == QLatin1String("None")) {
        m_pPlayBar->m_strFileName.clear();
        m_pPlayBar->ClearFile();
        m_pPlayBar->SetTimeDigits(1, std::uint32_t(std::max(browser->m_nCurrentTimeSec, 0)));
        m_pPlayBar->SetTimeDigits(0, 0);
        return 0;
    }
    if (m_wndZephyraPane)
        m_wndZephyraPane->m_dlgCtrl.ApplyPlayFile(browser->m_dCurrentSampleClock, browser->m_nCurrentPower);
    m_pPlayBar->LoadFile();
    m_pPlayBar->m_btnPlay->m_bDisabled = 0;
    m_pPlayBar->m_btnStop->m_bDisabled = 1;
    m_pPlayBar->m_btnPlay->repaint();
    m_pPlayBar->m_btnStop->repaint();
    m_pPlayBar->ShowFileInfo();
    return 0;
}

LRESULT CMainFrame::OnPlayListClear(WPARAM, LPARAM) {
    if (m_pPlayFolderList) {
        m_pPlayFolderList->ResetContents();
        m_pPlayFolderList->ClearPlayList();
    }
    if (m_pPlayBar)
        m_pPlayBar->ResetAll();
    return 0;
}

LRESULT CMainFrame::OnPlayPrev(WPARAM, LPARAM) {
    if (m_pPlayFolderList)
        m_pPlayFolderList->PlayPrev();
    return 0;
}

LRESULT CMainFrame::OnPlayNext(WPARAM, LPARAM) {
    if (m_pPlayFolderList)
        m_pPlayFolderList->PlayNext();
    return 0;
}

LRESULT CMainFrame::OnPlayBarNext(WPARAM, LPARAM) {
    if (m_pPlayBar)
        m_pPlayBar->SendMessage(WM_COMMAND, CDumpPlayBar::kIdNext, 0);
    return 0;
}

LRESULT CMainFrame::OnPlayBarPlay(WPARAM, LPARAM) {
    if (m_pPlayBar)
        m_pPlayBar->PostMessage(WM_COMMAND, CDumpPlayBar::kIdPlay, 0);
    return 0;
}
