// The main window: menus, toolbar, panes, enable rules, timers and status texts.
#include <QAction>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>

#include "FrameFixture.h"
#include "SimInstrument.h"
#include "TestSupport.h"
#include "device/MxMessages.h"
#include "mainframe/IPComboBox.h"
#include "mainframe/SelectModeComboBox.h"
#include "mainframe/ToolBarMain.h"
#include "res/resource.h"
#include "settings/CDialogSettingTab.h"

namespace {

std::vector<UINT> ActionIds(const QList<QAction*>& actions) {
    std::vector<UINT> ids;
    for (QAction* a : actions)
        ids.push_back(a->isSeparator() ? 0 : a->data().toUInt());
    return ids;
}

TEST_F(FrameTest, MenuBarHoldsEveryMenuAndCommand) {
    EXPECT_EQ(frame->windowTitle(), QStringLiteral(u"Zephyra\u2122"));
    const QList<QAction*> menus = frame->m_wndMenuBar->actions();
    ASSERT_EQ(menus.size(), 6);
    const char16_t* titles[] = {u"&Control", u"&Mode", u"&Analyzer", u"&View", u"&Setting", u"&Help"};
    const std::vector<UINT> items[] = {
        {ID_CONTROL_CONNECT, ID_CONTROL_DISCONNECT, ID_APP_EXIT},
        {ID_MODE_ZEPHYRA},
        {ID_ANALYZER_3D, ID_ANALYZER_2D, ID_ANALYZER_ZOOM, ID_ANALYZER_MARKER, ID_ANALYZER_BANDPOWER},
        {ID_WINDOW_SPECTRUM, ID_WINDOW_IQ},
        {ID_SETTING_PLAY, ID_SETTING_VIEWER, ID_SETTING_SYSTEM, ID_SETTING_GRAPH},
        {ID_APP_ABOUT},
    };
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(menus[i]->text(), QString::fromUtf16(titles[i]));
        ASSERT_NE(menus[i]->menu(), nullptr);
        EXPECT_EQ(ActionIds(menus[i]->menu()->actions()), items[i]) << i;
    }
    EXPECT_EQ(menus[1]->menu()->actions()[0]->text(), QStringLiteral(u"Zephyra\u2122"));
    EXPECT_EQ(menus[5]->menu()->actions()[0]->text(), QStringLiteral(u"&About Zephyra\u2122"));
}

TEST_F(FrameTest, ToolbarHasTheTwoCombosAndItsButtonsInOrder) {
    CToolBarMain* bar = frame->m_wndToolBar;
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->windowTitle(), QStringLiteral("ToolbarMarlixEx"));
    EXPECT_EQ(bar->iconSize(), QSize(24, 24));
    QList<QAction*> actions = bar->actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_EQ(bar->widgetForAction(actions[0]), frame->GetIPCombo());
    EXPECT_EQ(bar->widgetForAction(actions[1]), frame->GetModeCombo());
    actions.erase(actions.begin(), actions.begin() + 2);
    const std::vector<UINT> want = {0,
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
    EXPECT_EQ(ActionIds(actions), want);
    for (QAction* a : actions)
        if (!a->isSeparator()) {
            EXPECT_FALSE(a->icon().isNull()) << a->data().toUInt();
        }

    CIPComboBox* ip = frame->GetIPCombo();
    EXPECT_TRUE(ip->isEditable());
    EXPECT_EQ(ip->width(), 140);
    EXPECT_EQ(ip->GetCommandId(), UINT(ID_IP_COMBO));
    EXPECT_EQ(ip->count(), 0);
    CSelectModeComboBox* mode = frame->GetModeCombo();
    EXPECT_FALSE(mode->isEditable());
    EXPECT_EQ(mode->width(), 170);
    ASSERT_EQ(mode->count(), 1);
    EXPECT_EQ(mode->itemText(0), QStringLiteral(u"Zephyra\u2122"));
    EXPECT_EQ(mode->itemData(0).toInt(), 0);
    EXPECT_EQ(mode->currentIndex(), 0);
}

TEST_F(FrameTest, EightPanesWithTheirWidthsAndFirstTexts) {
    const int widths[8] = {100, 90, 90, 70, 70, 30, 170, 110};
    const char* texts[8] = {"",        "Disconnected", "Trigger Off", "Ref Int",
                            "AGC Off", "D:\\",         nullptr,       "0 KB/s"};
    for (int i = 0; i < 8; ++i) {
        if (i == 6) {
            QProgressBar* bar = frame->StatusProgress();
            ASSERT_NE(bar, nullptr);
            EXPECT_EQ(bar->width(), widths[i]);
            EXPECT_EQ(bar->minimum(), 0);
            EXPECT_EQ(bar->maximum(), 100);
            EXPECT_EQ(bar->value(), 0);
            EXPECT_TRUE(bar->isTextVisible());
            continue;
        }
        QLabel* pane = frame->StatusPaneLabel(i);
        ASSERT_NE(pane, nullptr) << i;
        EXPECT_EQ(pane->width(), widths[i]) << i;
        EXPECT_EQ(pane->text(), QString::fromUtf8(texts[i])) << i;
    }
    EXPECT_EQ(frame->StatusPaneLabel(8), nullptr);
}

TEST_F(FrameTest, DockPanesAndMdiAreaAreThere) {
    ASSERT_NE(frame->m_wndZephyraPane, nullptr);
    ASSERT_NE(frame->m_wndPlayBarPane, nullptr);
    EXPECT_EQ(frame->dockWidgetArea(frame->m_wndZephyraPane), Qt::RightDockWidgetArea);
    EXPECT_EQ(frame->dockWidgetArea(frame->m_wndPlayBarPane), Qt::BottomDockWidgetArea);
    EXPECT_TRUE(frame->m_wndZephyraPane->isVisible());
    EXPECT_TRUE(frame->m_wndPlayBarPane->isVisible());
    EXPECT_NE(frame->GetMdiArea(), nullptr);
    EXPECT_EQ(frame->m_bmpBackground.size(), QSize(300, 300));
    // The logo: black around it, drawn pixels inside.
    const QImage shot = frame->GetMdiArea()->viewport()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(QColor(shot.pixel(1, 1)), QColor(Qt::black));
}

TEST_F(FrameTest, WindowCannotShrinkBelow600By210) {
    frame->resize(100, 50);
    EXPECT_GE(frame->width(), 600);
    EXPECT_GE(frame->height(), 210);
}

TEST(BackgroundOrigin, CentredWithDivisionTowardZero) {
    EXPECT_EQ(CMainFrame::BackgroundOrigin(QSize(800, 600), QSize(300, 300)), QPoint(250, 150));
    EXPECT_EQ(CMainFrame::BackgroundOrigin(QSize(801, 601), QSize(300, 300)), QPoint(250, 150));
    EXPECT_EQ(CMainFrame::BackgroundOrigin(QSize(299, 297), QSize(300, 300)), QPoint(0, -1));
}

TEST_F(FrameTest, CommandsNeedingTheInstrumentWaitForAConnection) {
    const UINT needLink[] = {ID_SELECT_MODE_COMBO, ID_MODE_ZEPHYRA, ID_CONTROL_DISCONNECT};
    const UINT settings[] = {ID_SETTING_PLAY, ID_SETTING_VIEWER, ID_SETTING_SYSTEM, ID_SETTING_GRAPH};
    for (UINT id : needLink)
        EXPECT_FALSE(frame->IsCommandEnabled(id)) << id;
    EXPECT_TRUE(frame->IsCommandEnabled(ID_CONTROL_CONNECT));
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->GetModeCombo()->isEnabled());

    state().m_nConnectState = 2;
    for (UINT id : needLink)
        EXPECT_TRUE(frame->IsCommandEnabled(id)) << id;
    EXPECT_FALSE(frame->IsCommandEnabled(ID_CONTROL_CONNECT));
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->GetModeCombo()->isEnabled());

    // The Setting commands also need their dialog.
    CDialogSettingTab* const dialog = frame->m_pSettingDlg;
    ASSERT_NE(dialog, nullptr);
    frame->m_pSettingDlg = nullptr;
    for (UINT id : settings)
        EXPECT_FALSE(frame->IsCommandEnabled(id)) << id;
    frame->m_pSettingDlg = dialog;
    for (UINT id : settings)
        EXPECT_TRUE(frame->IsCommandEnabled(id)) << id;
    state().m_nPlayBusy = 1;
    EXPECT_FALSE(frame->IsCommandEnabled(ID_SETTING_PLAY));
    EXPECT_TRUE(frame->IsCommandEnabled(ID_SETTING_VIEWER));
    state().m_nConnectState = 0;
    for (UINT id : settings)
        EXPECT_FALSE(frame->IsCommandEnabled(id)) << id;
    frame->m_pSettingDlg = dialog;

    // Handled by the Spectrum window: off while there is none.
    for (UINT id : {ID_ANALYZER_3D, ID_ANALYZER_BANDPOWER, ID_SPECTRUM_UNDO, ID_AUTO_RANGE})
        EXPECT_FALSE(frame->IsCommandEnabled(id)) << id;
    for (UINT id : {ID_APP_ABOUT, ID_APP_EXIT, ID_WINDOW_SPECTRUM, ID_WINDOW_IQ, ID_WINDOW_TILE_HORZ_MAIN})
        EXPECT_TRUE(frame->IsCommandEnabled(id)) << id;
}

TEST_F(FrameTest, StatusTextClearsAboutOneSecondAfterTheLastOne) {
    ::PostMessage(frame->GetSafeHwnd(), WM_STATUS_MESSAGE, 0x1404, 0);
    ASSERT_TRUE(
        WaitFor([&] { return frame->StatusPaneLabel(0)->text() == QStringLiteral("Err:DAC Lock"); }, 5000));
    EXPECT_TRUE(frame->IsTimerRunning(CMainFrame::kStatusClearTimer));
    QElapsedTimer clock;
    clock.start();
    frame->SendMessage(WM_STATUS_MESSAGE, 0x1B0E, 0); // replaces the text, restarts the second
    frame->OnTimer(CMainFrame::kPaneFlushTimer);
    EXPECT_EQ(frame->StatusPaneLabel(0)->text(), QStringLiteral("Saturation"));
    ASSERT_TRUE(WaitFor([&] { return frame->StatusPaneLabel(0)->text().isEmpty(); }, 10000));
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_FALSE(frame->IsTimerRunning(CMainFrame::kStatusClearTimer));
}

// Codes 0 and 1 have no text, and the status poll's answer is one of them: it may
// come at any moment, and after a flood the answers of polls held behind it come
// together. The last text still stays its whole second.
TEST_F(FrameTest, ACodeWithoutATextLeavesTheLastTextItsWholeSecond) {
    QLabel* pane = frame->StatusPaneLabel(0);
    // Within one frame: the text is shown, not the empty code after it.
    frame->SendMessage(WM_STATUS_MESSAGE, 0x1B0E, 0);
    frame->SendMessage(WM_STATUS_MESSAGE, 0, 0);
    frame->OnTimer(CMainFrame::kPaneFlushTimer);
    EXPECT_EQ(pane->text().toStdString(), "Saturation");
    // In a later frame neither code empties it; its second ends it.
    for (WPARAM code : {0, 1}) {
        frame->SendMessage(WM_STATUS_MESSAGE, code, 0);
        frame->OnTimer(CMainFrame::kPaneFlushTimer);
        EXPECT_EQ(pane->text().toStdString(), "Saturation") << code;
        EXPECT_TRUE(frame->IsTimerRunning(CMainFrame::kStatusClearTimer)) << code;
    }
    frame->OnTimer(CMainFrame::kStatusClearTimer);
    EXPECT_EQ(pane->text().toStdString(), "");
    // After its second the pane shows code 0 as ever: empty.
    frame->SendMessage(WM_STATUS_MESSAGE, 0, 0);
    frame->OnTimer(CMainFrame::kPaneFlushTimer);
    EXPECT_EQ(pane->text().toStdString(), "");

    // On the running timers: the text goes no sooner than a second after it came.
    ::PostMessage(frame->GetSafeHwnd(), WM_STATUS_MESSAGE, 0x1404, 0);
    ASSERT_TRUE(WaitFor([&] { return pane->text() == QStringLiteral("Err:DAC Lock"); }, 5000));
    QElapsedTimer clock;
    clock.start();
    ::PostMessage(frame->GetSafeHwnd(), WM_STATUS_MESSAGE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return pane->text().isEmpty(); }, 10000));
    EXPECT_GE(clock.elapsed(), 900);
}

TEST_F(FrameTest, SetStatusPaneChangesOnlyWhatItsValueNames) {
    frame->SetStatusPane(1, 2);
    EXPECT_EQ(frame->StatusPaneLabel(1)->text(), QStringLiteral("Connected"));
    frame->SetStatusPane(1, 4);
    EXPECT_EQ(frame->StatusPaneLabel(1)->text(), QStringLiteral("Connected"));
    frame->SetStatusPane(5, 25);
    EXPECT_EQ(frame->StatusPaneLabel(5)->text(), QStringLiteral(" "));
    frame->SetStatusPane(6, 40);
    EXPECT_EQ(frame->StatusProgress()->value(), 40);
    frame->SetStatusPane(8, 1);
    frame->SetStatusPane(-1, 1);
    frame->TransferStarted(); // the panes show transfers while a copy runs
    frame->SendMessage(WM_TRANSFER_RATE, 1999, 0);
    frame->OnTimer(CMainFrame::kPaneFlushTimer);
    EXPECT_EQ(frame->StatusPaneLabel(7)->text(), QStringLiteral("1 KB/s"));
    DeviceDataStore& data = g_Marlix.DeviceDataStore;
    data.m_nTransferTotal = 0;
    data.m_nTransferDone = 7;
    frame->SendMessage(WM_TRANSFER_PROGRESS, 0, 0);
    frame->OnTimer(CMainFrame::kPaneFlushTimer);
    EXPECT_EQ(frame->StatusProgress()->value(), 100);
    data.m_nTransferTotal = 4000000000u;
    data.m_nTransferDone = 3000000000u;
    frame->SendMessage(WM_TRANSFER_PROGRESS, 0, 0);
    frame->OnTimer(CMainFrame::kPaneFlushTimer);
    EXPECT_EQ(frame->StatusProgress()->value(), 75);
    data.m_nTransferTotal = data.m_nTransferDone = 0;
}

// Paints of panes 0 (status), 7 (rate) and 6 (the progress bar) while it lives.
struct PanePaints {
    explicit PanePaints(CMainFrame* f) : frame(f) {
        frame->StatusPaneLabel(0)->installEventFilter(&status);
        frame->StatusPaneLabel(7)->installEventFilter(&rate);
        frame->StatusProgress()->installEventFilter(&progress);
    }
    ~PanePaints() {
        frame->StatusPaneLabel(0)->removeEventFilter(&status);
        frame->StatusPaneLabel(7)->removeEventFilter(&rate);
        frame->StatusProgress()->removeEventFilter(&progress);
    }
    CMainFrame* frame;
    EventCounter status{QEvent::Paint}, rate{QEvent::Paint}, progress{QEvent::Paint};
};

// An instrument that floods status and transfer reports: each pane is painted
// once a frame with the newest value, never once a report.
TEST_F(FrameTest, AFloodOfReportsPaintsEachPaneOnceAFrameWithTheNewest) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    ASSERT_TRUE(frame->StatusPaneLabel(0)->isVisible());
    PanePaints paints(frame);
    const int &status = paints.status.count, &rate = paints.rate.count, &progress = paints.progress.count;
    frame->TransferStarted();
    DeviceDataStore& data = g_Marlix.DeviceDataStore;
    data.m_nTransferTotal = 1000;
    for (UINT i = 1; i <= 1000; ++i) {
        frame->SendMessage(WM_STATUS_MESSAGE, i % 2 ? 0x1404 : 0x1B0E, 0);
        frame->SendMessage(WM_TRANSFER_RATE, i * 1000, 0);
        data.m_nTransferDone = i;
        frame->SendMessage(WM_TRANSFER_PROGRESS, 0, 0);
    }
    EXPECT_EQ(status + rate + progress, 0);
    EXPECT_TRUE(frame->IsTimerRunning(CMainFrame::kPaneFlushTimer));
    EXPECT_LE(frame->TimerElapse(CMainFrame::kPaneFlushTimer), 50u);
    frame->OnTimer(CMainFrame::kPaneFlushTimer);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(rate, 1);
    EXPECT_LE(progress, 2); // the bar repaints itself on a new value too
    EXPECT_EQ(frame->StatusPaneLabel(0)->text(), QStringLiteral("Saturation"));
    EXPECT_EQ(frame->StatusPaneLabel(7)->text(), QStringLiteral("1000 KB/s"));
    EXPECT_EQ(frame->StatusProgress()->value(), 100);
    EXPECT_FALSE(frame->IsTimerRunning(CMainFrame::kPaneFlushTimer));
    EXPECT_TRUE(frame->IsTimerRunning(CMainFrame::kStatusClearTimer));
    // The end of the copy: what was still waiting to be shown is not shown after it.
    frame->SendMessage(WM_TRANSFER_RATE, 5000, 0);
    frame->TransferEnded();
    frame->OnTimer(CMainFrame::kPaneFlushTimer);
    EXPECT_EQ(frame->StatusPaneLabel(7)->text(), QStringLiteral("0 KB/s"));
    data.m_nTransferTotal = data.m_nTransferDone = 0;
}

// Reports that never pause (one of each every pass of the event loop, far faster
// than a frame) still reach panes 0, 6 and 7 at a frame's pace: the frame's timer
// runs from the first value waiting, not from the newest.
TEST_F(FrameTest, ReportsThatNeverPauseStillPaintThePanesEachFrame) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    PanePaints paints(frame);
    const int &status = paints.status.count, &rate = paints.rate.count, &progress = paints.progress.count;
    frame->TransferStarted();
    DeviceDataStore& data = g_Marlix.DeviceDataStore;
    data.m_nTransferTotal = 1000;
    const auto painted = [&] { return status >= 3 && rate >= 3 && progress >= 3; };
    QElapsedTimer clock;
    clock.start();
    UINT n = 0;
    while (!painted() && clock.elapsed() < 5000) {
        ++n;
        frame->SendMessage(WM_STATUS_MESSAGE, n % 2 ? 0x1404 : 0x1B0E, 0);
        frame->SendMessage(WM_TRANSFER_RATE, n * 1000, 0);
        data.m_nTransferDone = n % 1000;
        frame->SendMessage(WM_TRANSFER_PROGRESS, 0, 0);
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(painted()) << status << ", " << rate << " and " << progress << " paints of " << n
                           << " reports in " << clock.elapsed() << " ms";
    frame->TransferEnded();
    data.m_nTransferTotal = data.m_nTransferDone = 0;
}

TEST_F(FrameTest, StatusPollQueuesOnlyWhileConnected) {
    EXPECT_TRUE(frame->IsTimerRunning(CMainFrame::kStatusPollTimer));
    EXPECT_TRUE(frame->IsTimerRunning(CMainFrame::kRenderTimer));
    std::vector<std::pair<MX_CMD_ID_e, HWND>> queued;
    theApp.m_fnCommandTap = [&](MX_CMD_ID_e cmd, MX_RW_ID_e rw, unsigned size, const void*, HWND reply) {
        EXPECT_EQ(rw, MX_RW_DEFAULT);
        EXPECT_EQ(size, 0u);
        queued.emplace_back(cmd, reply);
    };
    for (int s : {0, 1, 4}) {
        state().m_nConnectState = s;
        frame->OnTimer(CMainFrame::kStatusPollTimer);
    }
    DeviceState* keep = theApp.m_pDeviceState;
    theApp.m_pDeviceState = nullptr; // before the after-show steps
    frame->OnTimer(CMainFrame::kStatusPollTimer);
    theApp.m_pDeviceState = keep;
    EXPECT_TRUE(queued.empty());

    state().m_nConnectState = 2;
    frame->OnTimer(CMainFrame::kStatusPollTimer);
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].first, MX_CMD_STATUS);
    EXPECT_EQ(queued[0].second, frame->GetSafeHwnd());
    state().m_nConnectState = 0;
    frame->OnTimer(CMainFrame::kStatusPollTimer);
    EXPECT_EQ(queued.size(), 1u);
}

TEST_F(FrameTest, SessionChangeTurnsDrawingOffOnlyForARemoteDisconnect) {
    for (auto [code, draw] : {std::pair<WPARAM, int>{WTS_REMOTE_DISCONNECT, 0},
                              {WTS_REMOTE_CONNECT, 1},
                              {WTS_REMOTE_DISCONNECT, 0},
                              {7, 1}}) {
        frame->SendMessage(WM_WTSSESSION_CHANGE, code, 0);
        EXPECT_EQ(theApp.m_bDrawEnabled, draw) << code;
    }
}

TEST_F(FrameTest, ExitCommandClosesTheMainWindow) {
    frame->SendMessage(WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_FALSE(frame->isVisible());
}

// A window that records the commands its combos post.
class ComboHost : public QWidget, public CMsgTarget {
    DECLARE_MESSAGE_MAP()
public:
    ComboHost() : CMsgTarget(this) {}
    void OnIP() { ++ip; }
    void OnMode() { ++mode; }
    int ip = 0, mode = 0;
};
BEGIN_MESSAGE_MAP(ComboHost, CMsgTarget)
ON_COMMAND(ID_IP_COMBO, &ComboHost::OnIP)
ON_COMMAND(ID_SELECT_MODE_COMBO, &ComboHost::OnMode)
END_MESSAGE_MAP()

TEST(ToolbarCombos, EnterAndAChoiceFromTheListPostTheirCommand) {
    ComboHost host;
    auto* ip = new CIPComboBox(ID_IP_COMBO, &host);
    auto* mode = new CSelectModeComboBox(ID_SELECT_MODE_COMBO, &host);
    mode->addItem(QStringLiteral(u"Zephyra\u2122"), 0);
    host.show();
    ip->addItem(QStringLiteral("127.0.0.2"));
    ip->setEditText(QStringLiteral("127.0.0.3"));
    ip->setFocus();
    QTest::keyClick(ip, Qt::Key_Return);
    PumpPostedMessages(200);
    EXPECT_EQ(host.ip, 1);
    EXPECT_EQ(ip->count(), 1); // the history, not Enter, fills the list
    emit ip->activated(0);
    PumpPostedMessages(200);
    EXPECT_EQ(host.ip, 2);
    QTest::keyClick(mode, Qt::Key_Return);
    emit mode->activated(0);
    PumpPostedMessages(200);
    EXPECT_EQ(host.mode, 2);
    QTest::keyClick(ip, Qt::Key_Escape);
    PumpPostedMessages(200);
    EXPECT_EQ(host.ip, 2);
}

// The history puts a typed address into the list; the focus leaving the box
// afterwards (a message box opens) is no choice from the list.
TEST(ToolbarCombos, FocusLeavingAfterTheListGainedTheTypedAddressPostsNothing) {
    ComboHost host;
    auto* ip = new CIPComboBox(ID_IP_COMBO, &host);
    auto* other = new QLineEdit(&host);
    host.show();
    QApplication::setActiveWindow(&host);
    ip->addItem(QStringLiteral("127.0.0.2"));
    ip->setFocus();
    ip->setEditText(QStringLiteral("127.0.0.3"));
    QTest::keyClick(ip->lineEdit(), Qt::Key_Return);
    PumpPostedMessages(200);
    ASSERT_EQ(host.ip, 1);
    ip->insertItem(0, QStringLiteral("127.0.0.3"));
    ip->setEditText(QStringLiteral("127.0.0.3"));
    ASSERT_EQ(ip->currentIndex(), 1); // the selection stays on the older address
    other->setFocus();
    QApplication::processEvents();
    PumpPostedMessages(200);
    EXPECT_EQ(host.ip, 1);
    // A choice from the list still connects.
    ip->setFocus();
    ip->setCurrentIndex(0);
    emit ip->activated(0);
    PumpPostedMessages(200);
    EXPECT_EQ(host.ip, 2);
}

} // namespace

TEST_F(FrameTest, ACommandTheLinkRefusesIsToldAndAConnectNeverQueuedIsNotWaitedFor) {
    int offered = 0;
    theApp.m_fnCommandQueue = [&](MX_CMD_ID_e, MX_RW_ID_e, unsigned, const void*, HWND, std::uint32_t* pRef) {
        ++offered;
        if (pRef)
            *pRef = 0;
        return 0; // the queue is full
    };
    // On a live link: the status pane says so.
    state().m_nConnectState = MX_CONNECT_CONNECTED;
    frame->OnTimer(CMainFrame::kStatusPollTimer);
    EXPECT_EQ(offered, 1);
    EXPECT_EQ(frame->StatusPaneLabel(0)->text(),
              QStringLiteral("Command not sent: the link's queue is full"));
    // A refused connect leaves no connection waiting.
    state().m_nConnectState = MX_CONNECT_DISCONNECTED;
    frame->ConnectDevice(QStringLiteral("127.0.0.9"));
    EXPECT_TRUE(WaitFor([&] { return offered == 2; }, 5000));
    PumpPostedMessages(50);
    EXPECT_EQ(state().m_nConnectState, MX_CONNECT_DISCONNECTED);
    EXPECT_TRUE(boxes.Contains(
        QStringLiteral("The connection could not be started: the link did not take the connect command.")));
    theApp.m_fnCommandQueue = nullptr;
}
