#include "mainframe/MainFrm.h"

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QWindow>

#include "app/MarlixExApp.h"
#include "device/MxMessages.h"
#include "mainframe/DialogWaitMessage.h"
#include "mainframe/IPComboBox.h"
#include "mainframe/MdiClient.h"
#include "mainframe/SelectModeComboBox.h"
#include "mainframe/StatusText.h"
#include "mainframe/ToolBarMain.h"
#include "platform/Profile.h"
#include "platform/System.h"
#include "res/ResImages.h"
#include "res/ResStrings.h"
#include "res/resource.h"
#include "settings/CDialogModuleCal.h"
#include "settings/CDialogSettingTab.h"
#include "settings/CDialogSetting_Viewer.h"
#include "settings/CTabCtrl_Setting.h"
#include "views/DialogSetValue.h"

BEGIN_MESSAGE_MAP(CMainFrame, CMsgTarget)
ON_COMMAND(ID_IP_COMBO, &CMainFrame::OnConnectIP)
ON_COMMAND(ID_SELECT_MODE_COMBO, &CMainFrame::OnSelectMode)
ON_MESSAGE(WM_PLAY_EVENT, &CMainFrame::OnPlayEvent)
ON_MESSAGE(WM_MEASURE_DATA, &CMainFrame::OnMeasureData)
ON_MESSAGE(WM_IGNORED_814, &CMainFrame::OnIgnored)
ON_MESSAGE(WM_IGNORED_815, &CMainFrame::OnIgnored)
ON_MESSAGE(WM_CLOSE, &CMainFrame::OnCloseMessage)
ON_COMMAND(ID_CONTROL_CONNECT, &CMainFrame::OnConnect)
ON_COMMAND(ID_CONTROL_DISCONNECT, &CMainFrame::OnDisconnect)
ON_UPDATE_COMMAND_UI(ID_CONTROL_DISCONNECT, &CMainFrame::OnUpdateDisconnect)
ON_UPDATE_COMMAND_UI(ID_CONTROL_CONNECT, &CMainFrame::OnUpdateConnect)
ON_COMMAND(ID_SETTING_PLAY, &CMainFrame::OnSettingPlay)
ON_COMMAND(ID_SETTING_VIEWER, &CMainFrame::OnSettingViewer)
ON_COMMAND(ID_SETTING_SYSTEM, &CMainFrame::OnSettingSystem)
ON_COMMAND(ID_SETTING_GRAPH, &CMainFrame::OnSettingGraph)
ON_UPDATE_COMMAND_UI(ID_SETTING_PLAY, &CMainFrame::OnUpdateSettingPlay)
ON_UPDATE_COMMAND_UI(ID_SETTING_VIEWER, &CMainFrame::OnUpdateSetting)
ON_UPDATE_COMMAND_UI(ID_SETTING_SYSTEM, &CMainFrame::OnUpdateSetting)
ON_UPDATE_COMMAND_UI(ID_SETTING_GRAPH, &CMainFrame::OnUpdateSetting)
ON_MESSAGE(WM_AFTER_CONNECT, &CMainFrame::OnAfterConnect)
ON_MESSAGE(WM_AFTER_DISCONNECT, &CMainFrame::OnAfterDisconnect)
ON_MESSAGE(WM_SPECTRUM_SETUP, &CMainFrame::OnSpectrumSetup)
ON_MESSAGE(WM_TRANSFER_PROGRESS, &CMainFrame::OnTransferProgress)
ON_MESSAGE(WM_GRAPH_AXES_UPDATE, &CMainFrame::OnGraphAxesUpdate)
ON_MESSAGE(WM_STATUS_MESSAGE, &CMainFrame::OnStatusMessage)
ON_MESSAGE(WM_TRANSFER_RATE, &CMainFrame::OnTransferRate)
ON_MESSAGE(WM_SAMPLE_CLOCK_CHANGED, &CMainFrame::OnSampleClockChanged)
ON_MESSAGE(WM_PLAY_FILE_CHANGED, &CMainFrame::OnPlayFileChanged)
ON_COMMAND(ID_WINDOW_TILE_HORZ_MAIN, &CMainFrame::OnWindowTileHorz)
ON_UPDATE_COMMAND_UI(ID_SELECT_MODE_COMBO, &CMainFrame::OnUpdateConnected)
ON_MESSAGE(WM_IGNORED_80E, &CMainFrame::OnIgnored)
ON_MESSAGE(WM_WAIT_SHOW, &CMainFrame::OnWaitShow)
ON_MESSAGE(WM_WAIT_CLOSE, &CMainFrame::OnWaitClose)
ON_MESSAGE(WM_POWER_UNIT_CHANGED, &CMainFrame::OnPowerUnitChanged)
ON_MESSAGE(WM_IGNORED_816, &CMainFrame::OnIgnored)
ON_MESSAGE(WM_WAIT_DONE, &CMainFrame::OnWaitDone)
ON_MESSAGE(WM_PLAY_LIST_CLEAR, &CMainFrame::OnPlayListClear)
ON_MESSAGE(WM_POWER_RANGE_UPDATE, &CMainFrame::OnPowerRangeUpdate)
ON_MESSAGE(WM_CONNECT_STATE, &CMainFrame::OnConnectState)
ON_UPDATE_COMMAND_UI(ID_MODE_ZEPHYRA, &CMainFrame::OnUpdateModeZephyra)
ON_MESSAGE(WM_GRAPH_KEY, &CMainFrame::OnGraphKey)
ON_MESSAGE(WM_PLAY_PREV, &CMainFrame::OnPlayPrev)
ON_MESSAGE(WM_PLAY_NEXT, &CMainFrame::OnPlayNext)
ON_MESSAGE(WM_PLAYBAR_NEXT, &CMainFrame::OnPlayBarNext)
ON_MESSAGE(WM_PLAYBAR_PLAY, &CMainFrame::OnPlayBarPlay)
ON_MESSAGE(WM_WTSSESSION_CHANGE, &CMainFrame::OnSessionChange)
// Commands the application object handles.
ON_COMMAND(ID_APP_ABOUT, &CMainFrame::OnAppAbout)
ON_COMMAND(ID_APP_EXIT, &CMainFrame::OnAppExit)
ON_COMMAND(ID_WINDOW_SPECTRUM, &CMainFrame::OnWindowSpectrum)
ON_COMMAND(ID_WINDOW_IQ, &CMainFrame::OnWindowIQ)
// Commands the active Spectrum window handles.
ON_COMMAND_RANGE(ID_ANALYZER_3D, ID_ANALYZER_BANDPOWER, &CMainFrame::OnChildCommand)
ON_COMMAND_RANGE(ID_SPECTRUM_UNDO, ID_SPECTRUM_UNDO, &CMainFrame::OnChildCommand)
ON_COMMAND_RANGE(ID_AUTO_RANGE, ID_AUTO_RANGE, &CMainFrame::OnChildCommand)
ON_UPDATE_COMMAND_UI(ID_ANALYZER_3D, &CMainFrame::OnUpdateChildCommand)
ON_UPDATE_COMMAND_UI(ID_ANALYZER_2D, &CMainFrame::OnUpdateChildCommand)
ON_UPDATE_COMMAND_UI(ID_ANALYZER_ZOOM, &CMainFrame::OnUpdateChildCommand)
ON_UPDATE_COMMAND_UI(ID_ANALYZER_MARKER, &CMainFrame::OnUpdateChildCommand)
ON_UPDATE_COMMAND_UI(ID_ANALYZER_BANDPOWER, &CMainFrame::OnUpdateChildCommand)
ON_UPDATE_COMMAND_UI(ID_SPECTRUM_UNDO, &CMainFrame::OnUpdateChildCommand)
ON_UPDATE_COMMAND_UI(ID_AUTO_RANGE, &CMainFrame::OnUpdateChildCommand)
END_MESSAGE_MAP()

namespace {

// The active MDI child's message target, if it has one.
CMsgTarget* ActiveChildTarget(QMdiArea* area) {
    if (!area)
        return nullptr;
    // The current child stays the command target while the main window is not the
    // active one (a dialog or another program in front).
    QMdiSubWindow* sub = area->currentSubWindow();
    if (!sub)
        return nullptr;
    if (auto* t = dynamic_cast<CMsgTarget*>(sub))
        return t;
    return dynamic_cast<CMsgTarget*>(sub->widget());
}

} // namespace

CMainFrame::CMainFrame() : QMainWindow(nullptr), CMsgTarget(this) {
    theApp.m_nAppLook = Profile::GetProfileInt(QStringLiteral("Workspace"), QStringLiteral("ApplicationLook"),
                                               ID_VIEW_APPLOOK_OFF_2007_AQUA);
    m_bmpBackground = LoadBackgroundBitmap();
    m_bValueEditOpen = FALSE;
    setAttribute(Qt::WA_DeleteOnClose, false);
}

CMainFrame::~CMainFrame() {
    if (!m_bClosed)
        StoreWindowRect();
}

BOOL CMainFrame::LoadFrame(UINT) {
    setWindowTitle(LoadResString(IDS_APP_TITLE));
    setWindowIcon(AppIcon());
    setObjectName(QStringLiteral("CMainFrame"));
    CreateClient();
    return OnCreate() == 0 ? TRUE : FALSE;
}

void CMainFrame::CreateClient() {
    const RECT& rc = theApp.m_rcWindowPos[WINDOW_POS_MAIN];
    if (!WindowPositions::IsZero(rc)) {
        std::vector<QRect> screens;
        for (QScreen* s : QGuiApplication::screens())
            screens.push_back(s->availableGeometry());
        setGeometry(WindowPositions::BringOnScreen(WindowPositions::ToQRect(rc), screens));
    }
    m_pMdiClient = new CMdiClient(
        &m_bmpBackground, [this] { return BackgroundOrigin(size(), m_bmpBackground.size()); }, this);
    m_pMdiClient->setObjectName(QStringLiteral("MDIClient"));
    setCentralWidget(m_pMdiClient);
}

QPoint CMainFrame::BackgroundOrigin(QSize client, QSize bitmap) {
    // Integer division rounds toward zero, also for a client smaller than the bitmap.
    return QPoint((client.width() - bitmap.width()) / 2, (client.height() - bitmap.height()) / 2);
}

BOOL CMainFrame::OnCreate() {
    // Menu font: the icon-title font at 16 pixels.
    QFont menuFont = font();
    menuFont.setPixelSize(16);
    OnApplicationLook(theApp.m_nAppLook);
    BuildMenus();
    m_wndMenuBar->setFont(menuFont);
    if (!BuildToolBar())
        return -1;
    if (!BuildStatusBar())
        return -1;
    if (!BuildPanes())
        return -1;
    m_dlgWaitMessage = new CDialogWaitMessage(this);
    CreateSettingDialog();
    m_dlgSetValue = new CDialogSetValue(this);
    m_dwLastRenderTick = GetTickCount();
    WTSRegisterSessionNotification(GetSafeHwnd(), 0);
    SetTimer(kStatusPollTimer, kStatusPollMs);
    SetTimer(kRenderTimer, kRenderMs);
    setMinimumSize(kMinWidth, kMinHeight);
    UpdateCommandUI();
    return 0;
}

void CMainFrame::OnApplicationLook(UINT id) {
    theApp.m_nAppLook = int(id);
    // One look on this platform: the dark-on-light style with a black work area.
    update();
    Profile::WriteProfileInt(QStringLiteral("Workspace"), QStringLiteral("ApplicationLook"), int(id));
}

void CMainFrame::BuildMenus() {
    m_wndMenuBar = menuBar();
    m_wndMenuBar->setObjectName(QStringLiteral("MenuBar"));
    struct Item {
        const char16_t* text;
        UINT id;
    };
    struct Popup {
        const char16_t* title;
        std::initializer_list<Item> items;
    };
    const Popup popups[] = {
        {u"&Control",
         {{u"Connect", ID_CONTROL_CONNECT}, {u"Disconnect", ID_CONTROL_DISCONNECT}, {u"Exit", ID_APP_EXIT}}},
        {u"&Mode", {{u"Zephyra\u2122", ID_MODE_ZEPHYRA}}},
        {u"&Analyzer",
         {{u"3D Mode", ID_ANALYZER_3D},
          {u"2D Mode", ID_ANALYZER_2D},
          {u"Zoom Mode", ID_ANALYZER_ZOOM},
          {u"Marker Mode", ID_ANALYZER_MARKER},
          {u"Band Power Mode", ID_ANALYZER_BANDPOWER}}},
        {u"&View", {{u"Spectrum", ID_WINDOW_SPECTRUM}, {u"IQ", ID_WINDOW_IQ}}},
        {u"&Setting",
         {{u"Play", ID_SETTING_PLAY},
          {u"Viewer", ID_SETTING_VIEWER},
          {u"System", ID_SETTING_SYSTEM},
          {u"Graph", ID_SETTING_GRAPH}}},
        {u"&Help", {{u"&About Zephyra\u2122", ID_APP_ABOUT}}},
    };
    for (const Popup& pop : popups) {
        QMenu* menu = m_wndMenuBar->addMenu(QString::fromUtf16(pop.title));
        for (const Item& it : pop.items) {
            QAction* a = menu->addAction(CommandIcon(it.id), QString::fromUtf16(it.text));
            a->setData(it.id);
            a->setIconVisibleInMenu(true);
            BindCommand(a, it.id);
        }
    }
}

BOOL CMainFrame::BuildToolBar() {
    m_wndToolBar = new CToolBarMain(LoadResString(IDS_TOOLBAR_STANDARD), this);
    m_wndToolBar->setObjectName(QStringLiteral("ToolbarMarlixEx"));
    m_wndToolBar->setIconSize(QSize(24, 24));
    m_wndToolBar->setAllowedAreas(Qt::TopToolBarArea);
    m_wndToolBar->setFloatable(false);
    m_wndToolBar->setMovable(true);
    m_wndToolBar->toggleViewAction()->setEnabled(false); // no close

    m_pIPCombo = new CIPComboBox(ID_IP_COMBO, m_wndToolBar);
    m_pIPCombo->setObjectName(QStringLiteral("IPCombo"));
    m_pIPCombo->setFixedWidth(140);
    m_wndToolBar->addWidget(m_pIPCombo);

    m_pModeCombo = new CSelectModeComboBox(ID_SELECT_MODE_COMBO, m_wndToolBar);
    m_pModeCombo->setObjectName(QStringLiteral("ModeCombo"));
    m_pModeCombo->setFixedWidth(170);
    m_pModeCombo->addItem(QStringLiteral(u"Zephyra\u2122"), 0);
    m_pModeCombo->setCurrentIndex(0);
    // The mode combo follows the enable rule of its command.
    BindCommand(m_wndToolBar->addWidget(m_pModeCombo), ID_SELECT_MODE_COMBO);

    const UINT buttons[] = {0,
                            ID_ANALYZER_3D,
                            ID_ANALYZER_2D,
                            ID_ANALYZER_ZOOM,
                            ID_ANALYZER_MARKER,
                            ID_ANALYZER_BANDPOWER,
                            ID_SPECTRUM_UNDO,
                            0,
                            ID_WINDOW_SPECTRUM,
                            ID_WINDOW_IQ,
                            ID_WINDOW_TILE_HORZ_MAIN,
                            0,
                            ID_AUTO_RANGE};
    const char* tips[] = {
        "",         "3D Mode", "2D Mode",           "Zoom Mode", "Marker Mode", "Band Power Mode", "Undo", "",
        "Spectrum", "IQ",      "Tile Horizontally", "",          "Auto Range"};
    for (size_t i = 0; i < std::size(buttons); ++i) {
        if (buttons[i] == 0) {
            m_wndToolBar->addSeparator();
            continue;
        }
        QAction* a = m_wndToolBar->addAction(CommandIcon(buttons[i]), QString::fromLatin1(tips[i]));
        a->setData(buttons[i]);
        BindCommand(a, buttons[i]);
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    return TRUE;
}

BOOL CMainFrame::BuildStatusBar() {
    m_wndStatusBar = statusBar();
    m_wndStatusBar->setObjectName(QStringLiteral("StatusBar"));
    m_wndStatusBar->setSizeGripEnabled(true);
    for (int i = 0; i < StatusText::kPaneCount; ++i) {
        if (i == 6) {
            m_pProgress = new QProgressBar(m_wndStatusBar);
            m_pProgress->setObjectName(QStringLiteral("Pane6"));
            m_pProgress->setRange(0, 100);
            m_pProgress->setValue(0);
            m_pProgress->setTextVisible(true);
            m_pProgress->setFixedWidth(StatusText::kPaneWidths[i]);
            m_wndStatusBar->addWidget(m_pProgress);
            continue;
        }
        auto* label = new QLabel(StatusText::InitialPaneText(i), m_wndStatusBar);
        label->setObjectName(QStringLiteral("Pane%1").arg(i));
        label->setFixedWidth(StatusText::kPaneWidths[i]);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        m_apPane[i] = label;
        m_wndStatusBar->addWidget(label);
    }
    return TRUE;
}

BOOL CMainFrame::BuildPanes() {
    setDockOptions(QMainWindow::AnimatedDocks);
    m_wndZephyraPane = new CZephyraPaneDlg(this);
    if (!m_wndZephyraPane->Create())
        return FALSE;
    addDockWidget(Qt::RightDockWidgetArea, m_wndZephyraPane);

    m_wndPlayBarPane = new CPaneDialogCaptuePlayCtrlBar(this);
    if (!m_wndPlayBarPane->Create())
        return FALSE;
    CreatePlayWindows();
    addDockWidget(Qt::BottomDockWidgetArea, m_wndPlayBarPane);
    m_wndPlayBarPane->show();
    return TRUE;
}

QLabel* CMainFrame::StatusPaneLabel(int nPane) const {
    return (nPane >= 0 && nPane < StatusText::kPaneCount) ? m_apPane[nPane] : nullptr;
}

QMdiArea* CMainFrame::GetMdiArea() const {
    return m_pMdiClient;
}

void CMainFrame::GetStatusText(int nCode, QString& strText) {
    strText = StatusText::CodeText(nCode);
}

void CMainFrame::SetStatusPane(int nPane, UINT nValue) {
    if (nPane < 0 || nPane >= StatusText::kPaneCount)
        return;
    if (nPane == 0) {
        QString text;
        GetStatusText(int(nValue), text);
        m_apPane[0]->setText(text);
        m_apPane[0]->repaint();
        SetTimer(kStatusClearTimer, kStatusClearMs);
        return;
    }
    if (nPane == 6) {
        m_pProgress->setValue(int(std::min<UINT>(nValue, 100)));
        m_pProgress->repaint();
        return;
    }
    if (auto text = StatusText::PaneText(nPane, nValue)) {
        m_apPane[nPane]->setText(*text);
        m_apPane[nPane]->repaint();
    }
}

void CMainFrame::ShowCommandNotSent() {
    m_apPane[0]->setText(QStringLiteral("Command not sent: the link's queue is full"));
    m_apPane[0]->repaint();
    SetTimer(kStatusClearTimer, kStatusClearMs);
}

void CMainFrame::SyncViewerMarkerCount() {
    // The Viewer page is shown and applied as the library's marker count now is.
    if (m_pSettingDlg && m_pSettingDlg->m_tabSetting && m_pSettingDlg->m_tabSetting->m_pViewer)
        m_pSettingDlg->m_tabSetting->m_pViewer->MarkersSetElsewhere(g_Marlix.GetMarkerCounts());
}

void CMainFrame::OnTimer(UINT_PTR nIDEvent) {
    switch (nIDEvent) {
    case kStatusPollTimer:
        if (theApp.IsConnected())
            theApp.AddCmd(MX_CMD_STATUS, MX_RW_DEFAULT, 0, nullptr, GetSafeHwnd());
        break;
    case kStatusClearTimer:
        KillTimer(kStatusClearTimer);
        // Cleared directly: going through SetStatusPane would arm the timer again
        // and keep it firing every second for an empty pane.
        m_apPane[0]->setText(QString());
        m_apPane[0]->repaint();
        break;
    case kRenderTimer:
        RenderTick();
        break;
    case kPaneFlushTimer:
        KillTimer(kPaneFlushTimer);
        for (const auto& [pane, value] : m_pendingPanes.Take())
            SetStatusPane(pane, value);
        break;
    default:
        break;
    }
}

void CMainFrame::OnSelectMode() {}

void CMainFrame::OnUpdateSettingPlay(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_pSettingDlg && theApp.IsConnected() && theApp.m_pDeviceState->m_nPlayBusy == 0);
}

// No Setting command before there is a dialog for it to open.
void CMainFrame::OnUpdateSetting(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_pSettingDlg && theApp.IsConnected());
}

void CMainFrame::OnUpdateConnected(CCmdUI* pCmdUI) {
    pCmdUI->Enable(theApp.IsConnected());
}

void CMainFrame::OnWindowTileHorz() {
    // Children one above the other, each the full width.
    const QList<QMdiSubWindow*> subs = m_pMdiClient->subWindowList();
    QList<QMdiSubWindow*> shown;
    for (QMdiSubWindow* s : subs)
        if (s->isVisible() && !s->isMinimized())
            shown << s;
    if (shown.isEmpty())
        return;
    const QRect area = m_pMdiClient->viewport()->rect();
    const int h = area.height() / int(shown.size());
    for (int i = 0; i < shown.size(); ++i) {
        shown[i]->showNormal();
        shown[i]->setGeometry(0, i * h, area.width(), h);
    }
}

void CMainFrame::OnAppAbout() {
    theApp.OnAppAbout();
}

void CMainFrame::OnAppExit() {
    close();
}

void CMainFrame::OnWindowSpectrum() {
    theApp.OnWindowSpectrum();
}

void CMainFrame::OnWindowIQ() {
    theApp.OnWindowIQ();
}

void CMainFrame::OnChildCommand(UINT nID) {
    if (CMsgTarget* child = ActiveChildTarget(m_pMdiClient))
        child->SendMessage(WM_COMMAND, nID, 0);
}

void CMainFrame::OnUpdateChildCommand(CCmdUI* pCmdUI) {
    CMsgTarget* child = ActiveChildTarget(m_pMdiClient);
    if (!child || !child->RunUpdateHandler(pCmdUI))
        pCmdUI->Enable(FALSE);
}

LRESULT CMainFrame::OnStatusMessage(WPARAM wParam, LPARAM) {
    // A code without a text (0 and 1, what the status poll answers) neither takes
    // the place of a text waiting for its frame nor cuts a shown text's second short:
    // pane 0 clears 1000 ms after the last text, however the reports come.
    if (StatusText::CodeText(std::int32_t(wParam)).isEmpty()) {
        const std::optional<UINT> waiting = m_pendingPanes.Waiting(0);
        if (waiting && !StatusText::CodeText(std::int32_t(*waiting)).isEmpty())
            return 0;
        if (!waiting && IsTimerRunning(kStatusClearTimer) && !m_apPane[0]->text().isEmpty())
            return 0;
    }
    ShowAtNextFrame(0, UINT(wParam));
    return 0;
}

void CMainFrame::ShowAtNextFrame(int nPane, UINT nValue) {
    // The timer is started by the first value only: restarting it on each one
    // would put the paint off for as long as a flood lasts.
    if (m_pendingPanes.Set(nPane, nValue)) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        SetTimer(kPaneFlushTimer, PendingPanes::FrameMs(screen ? screen->refreshRate() : 0.0));
    }
}

void CMainFrame::TransferStarted(HWND hOwner) {
    m_bTransferActive = true;
    m_hTransferOwner = hOwner;
}

void CMainFrame::TransferEnded() {
    // Reports still under way when the copy ended must not bring its figures back.
    m_bTransferActive = false;
    m_hTransferOwner = nullptr;
    m_pendingPanes.Drop(6);
    m_pendingPanes.Drop(7);
    m_pProgress->setValue(0);
    m_pProgress->repaint();
    m_apPane[7]->setText(StatusText::InitialPaneText(7));
    m_apPane[7]->repaint();
}

LRESULT CMainFrame::OnTransferRate(WPARAM wParam, LPARAM) {
    if (m_bTransferActive)
        ShowAtNextFrame(7, UINT(wParam));
    return 0;
}

LRESULT CMainFrame::OnTransferProgress(WPARAM, LPARAM) {
    if (!m_bTransferActive || !theApp.m_pDeviceData)
        return 0;
    const DeviceDataStore& d = *theApp.m_pDeviceData;
    ShowAtNextFrame(6, UINT(StatusText::TransferPercent(d.m_nTransferDone, d.m_nTransferTotal)));
    return 0;
}

LRESULT CMainFrame::OnWaitShow(WPARAM, LPARAM) {
    // Only a live link may hold the program behind the box: a wait posted just
    // before the link ended would otherwise stand for five minutes.
    if (m_dlgWaitMessage && !m_dlgWaitMessage->isVisible() && theApp.IsConnected())
        m_dlgWaitMessage->DoModal();
    return 0;
}

void CMainFrame::CloseWaitBox() {
    if (m_dlgWaitMessage && m_dlgWaitMessage->isVisible())
        m_dlgWaitMessage->done(QDialog::Rejected);
}

LRESULT CMainFrame::OnWaitClose(WPARAM, LPARAM) {
    if (m_dlgWaitMessage && m_dlgWaitMessage->isVisible())
        m_dlgWaitMessage->SendMessage(WM_CLOSE, 0, 0);
    return 0;
}

LRESULT CMainFrame::OnCloseMessage(WPARAM, LPARAM) {
    close();
    return 0;
}

LRESULT CMainFrame::OnIgnored(WPARAM, LPARAM) {
    return 0;
}

void CMainFrame::OnClose() {
    if (m_bClosed)
        return;
    m_bClosed = true;
    WTSUnRegisterSessionNotification(GetSafeHwnd());
    OnDisconnect();
    delete m_pModuleCalDlg;
    m_pModuleCalDlg = nullptr;
    delete m_pSettingDlg;
    m_pSettingDlg = nullptr;
    DestroyPlayWindows();
    StoreWindowRect();
}

void CMainFrame::closeEvent(QCloseEvent* e) {
    OnClose();
    QMainWindow::closeEvent(e);
}

void CMainFrame::StoreWindowRect() {
    // A maximised or minimised window keeps its normal rectangle for the next run.
    QRect r = (isMaximized() || isMinimized() || isFullScreen()) ? normalGeometry() : geometry();
    if (!r.isValid())
        r = geometry();
    theApp.m_rcWindowPos[WINDOW_POS_MAIN] = WindowPositions::FromQRect(r);
}
