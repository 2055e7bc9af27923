// The program's one top-level window: menu bar, toolbar with the address and mode
// combos, eight status panes, the right and bottom docking panes and the MDI area.
// It is the device library's notification window, so every message the library
// posts without a reply window of its own is dispatched through its map.
#pragma once
#include <QImage>
#include <QMainWindow>
#include <QString>
#include <cstdint>

#include "mainframe/ConnectSequence.h"
#include "mainframe/HistoryList.h"
#include "mainframe/PendingPanes.h"
#include "output/CPaneDialogCaptuePlayCtrlBar.h"
#include "output/CZephyraPaneDlg.h"
#include "platform/MsgTarget.h"

class QDockWidget;
class QLabel;
class QMdiArea;
class QMenuBar;
class QProgressBar;
class QStatusBar;
class QToolBar;
class CDialogModuleCal;
class CDialogPlayFolderList;
class CDialogSettingTab;
class CDialogWaitMessage;
class CDumpPlayBar;
class CIPComboBox;
class CSelectModeComboBox;
class CMdiClient;
class CDialogSetValue;
class CSpectrumView;

// The main toolbar.
class CToolBarMain;

class CMainFrame : public QMainWindow, public CMsgTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    static constexpr UINT_PTR kStatusPollTimer = 2;
    static constexpr UINT kStatusPollMs = 3000;
    static constexpr UINT_PTR kStatusClearTimer = 3;
    static constexpr UINT kStatusClearMs = 1000;
    static constexpr UINT_PTR kRenderTimer = 4;
    static constexpr UINT kRenderMs = 200;
    // Status and transfer reports are shown at most once a display frame.
    static constexpr UINT_PTR kPaneFlushTimer = 5;
    static constexpr int kMinWidth = 600;
    static constexpr int kMinHeight = 210;

    CMainFrame();
    ~CMainFrame() override;

    // Builds the window (menu, bars, panes, timers); FALSE when a step that must
    // succeed failed.
    BOOL LoadFrame(UINT nIDResource = 0);

    // --- members ---
    QString m_strConnectIP;                             // address handed over by the device list
    CDialogSettingTab* m_pSettingDlg = nullptr;         // the settings dialog, created hidden
    CHistoryList m_lstIPHistory;                        // at most 10, most recent first
    CDialogPlayFolderList* m_pPlayFolderList = nullptr; // the file browser, one instance, hidden when closed
    BOOL m_bValueEditOpen = FALSE;
    QMenuBar* m_wndMenuBar = nullptr;
    CToolBarMain* m_wndToolBar = nullptr;
    QStatusBar* m_wndStatusBar = nullptr;
    CPaneDialogCaptuePlayCtrlBar* m_wndPlayBarPane = nullptr; // bottom: the play bar
    CDumpPlayBar* m_pPlayBar = nullptr;                       // inside m_wndPlayBarPane
    CZephyraPaneDlg* m_wndZephyraPane = nullptr;              // right: the front panel
    CDialogWaitMessage* m_dlgWaitMessage = nullptr;
    CDialogSetValue* m_dlgSetValue = nullptr; // the graph value editor
    DWORD m_dwLastRenderTick = 0;
    QImage m_bmpBackground;
    CConnectSequence m_connectSequence;

    // --- used by other windows ---
    void SetStatusPane(int nPane, UINT nValue);
    // Pane 0 says for a second that a command could not be queued (the link's queue refused it).
    void ShowCommandNotSent();
    // The copy dialog's files are being copied: panes 6 and 7 show the transfer
    // reports only in between, and are emptied at the end. The window that started
    // it gets WM_CONNECT_STATE MX_CONNECT_LOST if the link goes meanwhile.
    void TransferStarted(HWND hOwner = nullptr);
    void TransferEnded();
    void RefreshSettingPages();
    void OnApplicationLook(UINT id);
    static void GetStatusText(int nCode, QString& strText);

    // --- the parts tests and other windows look at ---
    QLabel* StatusPaneLabel(int nPane) const;
    QProgressBar* StatusProgress() const { return m_pProgress; }
    CIPComboBox* GetIPCombo() const { return m_pIPCombo; }
    CSelectModeComboBox* GetModeCombo() const { return m_pModeCombo; }
    QMdiArea* GetMdiArea() const;
    // Where the logo goes for a client area and bitmap size (centred, rounding
    // toward zero).
    static QPoint BackgroundOrigin(QSize client, QSize bitmap);

    // --- connection (definitions in MainFrmConnect.cpp) ---
    void OnConnect();
    void OnConnectIP();
    BOOL AddIPToHistory(CIPComboBox* pCombo, const QString& strAddress);
    void MoveIPToTop(CIPComboBox* pCombo, const QString& strAddress);
    void ConnectDevice(const QString& strAddress);
    void OnDisconnect();
    void OnUpdateConnect(CCmdUI* pCmdUI);
    void OnUpdateDisconnect(CCmdUI* pCmdUI);
    void OnUpdateModeZephyra(CCmdUI* pCmdUI);
    LRESULT OnConnectState(WPARAM wParam, LPARAM lParam);
    LRESULT OnAfterConnect(WPARAM wParam, LPARAM lParam);
    LRESULT OnAfterDisconnect(WPARAM wParam, LPARAM lParam);
    void EnterSystemMode(int nMode);
    void SendDeviceSettings();

    // --- settings (definitions in MainFrmSettings.cpp) ---
    void CreateSettingDialog();
    void ShowSettingPage(int nPage);
    // The Play page's frequency and level texts after a new frequency or file.
    void RefreshPlayValues();
    // The calibration dialog, made on the first request and then shown and hidden.
    void OpenModuleCalDialog();
    CDialogModuleCal* m_pModuleCalDlg = nullptr;

    // --- measurement road and graph set-up (definitions in MainFrmMeasure.cpp) ---
    void SetupSpectrumGraph(std::uint32_t nCenterHz, int nBins, BOOL bKeepData);
    void UpdateIQAxes();
    void SetGainText(std::int16_t sGainTenths);
    void RenderTick();
    void ClearGraphs();
    BOOL FindSpectrumView(CSpectrumView*& pView) const;

    // The play bar shows the play position of a measurement block.
    void ShowPlayPosition(std::uint32_t nSec);
    // The current play item of the file browser is an FM file.
    BOOL IsCurrentPlayItemFM() const;
    // The Viewer settings page shows the library's marker count as applied.
    void SyncViewerMarkerCount();

    // --- handlers of this frame ---
    void OnTimer(UINT_PTR nIDEvent) override;
    void OnSelectMode();
    void OnSettingPlay();
    void OnSettingViewer();
    void OnSettingSystem();
    void OnSettingGraph();
    void OnUpdateSettingPlay(CCmdUI* pCmdUI);
    void OnUpdateSetting(CCmdUI* pCmdUI);
    void OnUpdateConnected(CCmdUI* pCmdUI);
    void OnWindowTileHorz();
    void OnAppAbout();
    void OnAppExit();
    void OnWindowSpectrum();
    void OnWindowIQ();
    void OnChildCommand(UINT nID);
    void OnUpdateChildCommand(CCmdUI* pCmdUI);

    LRESULT OnStatusMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnTransferRate(WPARAM wParam, LPARAM lParam);
    LRESULT OnTransferProgress(WPARAM wParam, LPARAM lParam);
    LRESULT OnWaitShow(WPARAM wParam, LPARAM lParam);
    LRESULT OnWaitClose(WPARAM wParam, LPARAM lParam);
    LRESULT OnWaitDone(WPARAM wParam, LPARAM lParam);
    // Ends the wait box, if it is open, as Cancel.
    void CloseWaitBox();
    LRESULT OnSessionChange(WPARAM wParam, LPARAM lParam);
    LRESULT OnCloseMessage(WPARAM wParam, LPARAM lParam);

    // --- playback (definitions in MainFrmPlay.cpp) ---
    LRESULT OnPlayEvent(WPARAM wParam, LPARAM lParam);
    LRESULT OnPlayFileChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnPlayListClear(WPARAM wParam, LPARAM lParam);
    LRESULT OnPlayPrev(WPARAM wParam, LPARAM lParam);
    LRESULT OnPlayNext(WPARAM wParam, LPARAM lParam);
    LRESULT OnPlayBarNext(WPARAM wParam, LPARAM lParam);
    LRESULT OnPlayBarPlay(WPARAM wParam, LPARAM lParam);
    // The play bar and the browser: created with the frame, emptied on a disconnection,
    // listed again on a connection.
    void CreatePlayWindows();
    void ResetPlayWindows();
    void ConnectPlayWindows();
    void DestroyPlayWindows();

    // Handlers whose work belongs to the measurement and graph windows; they
    // take their message and return 0 until those windows exist.
    LRESULT OnMeasureData(WPARAM wParam, LPARAM lParam);
    LRESULT OnIgnored(WPARAM wParam, LPARAM lParam);
    LRESULT OnSpectrumSetup(WPARAM wParam, LPARAM lParam);
    LRESULT OnGraphAxesUpdate(WPARAM wParam, LPARAM lParam);
    LRESULT OnSampleClockChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnPowerUnitChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnPowerRangeUpdate(WPARAM wParam, LPARAM lParam);
    LRESULT OnGraphKey(WPARAM wParam, LPARAM lParam);

    // Close handling: session notices off, disconnect, dialogs gone; runs once.
    void OnClose();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    BOOL OnCreate();
    void CreateClient();
    void BuildMenus();
    BOOL BuildToolBar();
    BOOL BuildStatusBar();
    BOOL BuildPanes();
    void StoreWindowRect();

    CMdiClient* m_pMdiClient = nullptr;
    QLabel* m_apPane[8] = {};
    QProgressBar* m_pProgress = nullptr;
    bool m_bTransferActive = false;
    HWND m_hTransferOwner = nullptr;
    PendingPanes m_pendingPanes;
    // Status and transfer reports wait here for the next frame.
    void ShowAtNextFrame(int nPane, UINT nValue);
    CIPComboBox* m_pIPCombo = nullptr;
    CSelectModeComboBox* m_pModeCombo = nullptr;
    bool m_bClosed = false;
};
