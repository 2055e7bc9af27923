// The connection road against simulated instruments on loopback: the device
// list, the typed address, the commands of a connection, the status poll,
// disconnect, link loss and reconnect.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "ProgramSuite.h"
#include "SimInstrument.h"
#include "TestSupport.h"
#include "app/AboutDlg.h"
#include "app/MarlixExApp.h"
#include "device/MarlixMFC.h"
#include "mainframe/DialogMarlixIP.h"
#include "mainframe/IPComboBox.h"
#include "mainframe/MainFrm.h"
#include "output/CZephyraPaneDlg.h"
#include "output/DialogPlayFolderList.h"
#include "platform/MsgBox.h"
#include "platform/MsgTarget.h"
#include "platform/Profile.h"
#include "res/resource.h"

namespace {

const QString kSimA = QStringLiteral("127.0.0.2");
const QString kSimB = QStringLiteral("127.0.0.3");

int State() {
    return g_Marlix.DeviceState.m_nConnectState;
}

QStringList MxNames(const std::vector<SimLogLine>& log) {
    QStringList names;
    for (const SimLogLine& l : log)
        if (l.name.startsWith(QLatin1String("MX_CMD_")))
            names << l.name;
    return names;
}

// The commands after the connection's first MX_CMD_STATUS, with the status
// polls (timer driven, they may fall anywhere) left out.
QStringList SetupNames(const QStringList& names) {
    QStringList out;
    for (const QString& n : names)
        if (n != QLatin1String("MX_CMD_STATUS"))
            out << n;
    return out;
}

const SimLogLine* FindLine(const std::vector<SimLogLine>& log, const QString& name, int nth = 0) {
    for (const SimLogLine& l : log)
        if (l.name == name && nth-- == 0)
            return &l;
    return nullptr;
}

class ConnectE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_port = ProgramSuite::Start({kSimA, kSimB});
        ASSERT_NE(s_port, 0);
    }
    static void TearDownTestSuite() { ProgramSuite::Stop(); }

    void SetUp() override {
        PointDiscoveryAt({kSimA, kSimB}, s_port);
        frame = theApp.m_pMainWnd;
        ASSERT_NE(frame, nullptr);
    }
    void TearDown() override {
        // Also ends a start still in its pause (state 0 then).
        ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_DISCONNECT, 0);
        WaitFor([this] { return State() == 0 && !frame->m_connectSequence.IsPausing(); }, 10000);
        PumpPostedMessages(200);
        simA.reset();
        simB.reset();
    }

    SimInstrument& StartSim(std::unique_ptr<SimInstrument>& sim, const QString& addr, const QString& name) {
        sim = std::make_unique<SimInstrument>(addr, name, s_port);
        EXPECT_TRUE(sim->Start()) << sim->Output().toStdString();
        return *sim;
    }

    void TypeAndConnect(const QString& address) {
        frame->GetIPCombo()->setEditText(address);
        ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_IP_COMBO, 0);
    }

    // Connected, "Connected!" closed, and the instrument has all of the set-up.
    bool WaitConnected(SimInstrument& sim) {
        return WaitFor(
            [&] { return State() == 2 && FindLine(sim.Log(), QStringLiteral("MX_CMD_MODE_PARAM_A")); },
            20000);
    }

    QString Pane(int n) const { return frame->StatusPaneLabel(n)->text(); }
    // The play bar's and the front panel's windows (the panes themselves stay enabled).
    QWidget* PlayBar() const {
        return frame->m_wndPlayBarPane ? frame->m_wndPlayBarPane->PlayBarWindow() : nullptr;
    }
    QWidget* FrontPanel() const {
        return frame->m_wndZephyraPane ? &frame->m_wndZephyraPane->m_dlgCtrl : nullptr;
    }
    bool PanelsEnabled() const {
        return PlayBar() && FrontPanel() && PlayBar()->isEnabled() && FrontPanel()->isEnabled();
    }
    bool PanelsDisabled() const {
        return (!PlayBar() || !PlayBar()->isEnabled()) && (!FrontPanel() || !FrontPanel()->isEnabled());
    }

    static int s_port;
    CMainFrame* frame = nullptr;
    RecordingMessageBoxes boxes;
    std::unique_ptr<SimInstrument> simA, simB;
};
int ConnectE2E::s_port = 0;

// Runs `act` on the device list once it is open modally and shows `rows` rows.
void WhenDeviceListShows(int rows, std::function<void(CDialogMarlixIP*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [poll, rows, act] {
        auto* dlg = qobject_cast<CDialogMarlixIP*>(QApplication::activeModalWidget());
        if (!dlg || dlg->m_listIP.topLevelItemCount() < rows)
            return;
        poll->stop();
        poll->deleteLater();
        act(dlg);
    });
    poll->start();
}

QPoint RowTextPoint(CDialogMarlixIP* dlg, int row) {
    const QRect r = dlg->m_listIP.visualItemRect(dlg->m_listIP.topLevelItem(row));
    return QPoint(60, r.center().y());
}

} // namespace

TEST_F(ConnectE2E, DeviceListShowsBothInstrumentsAndDoubleClickConnects) {
    StartSim(simA, kSimA, QStringLiteral("Bench A"));
    StartSim(simB, kSimB, QStringLiteral("Bench B"));

    QStringList listed, descriptions;
    int stateDuringSearch = -1;
    WhenDeviceListShows(2, [&](CDialogMarlixIP* dlg) {
        stateDuringSearch = State();
        for (int i = 0; i < dlg->m_listIP.topLevelItemCount(); ++i) {
            listed << dlg->m_listIP.topLevelItem(i)->text(0);
            descriptions << dlg->m_listIP.topLevelItem(i)->text(1);
        }
        const int row = listed.indexOf(kSimA);
        QTest::mouseDClick(dlg->m_listIP.viewport(), Qt::LeftButton, {}, RowTextPoint(dlg, row));
    });
    ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_CONNECT, 0);
    ASSERT_TRUE(WaitConnected(*simA));

    listed.sort();
    descriptions.sort();
    EXPECT_EQ(listed, (QStringList{kSimA, kSimB}));
    EXPECT_EQ(descriptions, (QStringList{QStringLiteral("Bench A"), QStringLiteral("Bench B")}));
    EXPECT_EQ(stateDuringSearch, 1);
    EXPECT_EQ(boxes.Count(QStringLiteral("Connected!")), 1);
    EXPECT_EQ(Pane(1), QStringLiteral("Connected"));
    EXPECT_EQ(frame->GetIPCombo()->currentText(), kSimA);
    EXPECT_EQ(frame->m_lstIPHistory.value(0), kSimA);
    // The search left the state at 1, so the road sent a disconnect first; with
    // no earlier link it had nowhere to go.
    QStringList a = MxNames(simA->Log());
    a.removeAll(QStringLiteral("MX_CMD_DISCOVER"));
    EXPECT_EQ(a.value(0), QStringLiteral("MX_CMD_CONNECT"));
    EXPECT_FALSE(FindLine(simA->Log(), QStringLiteral("MX_CMD_DISCONNECT")));
    EXPECT_FALSE(FindLine(simB->Log(), QStringLiteral("MX_CMD_CONNECT")));
}

TEST_F(ConnectE2E, AChoiceFromTheDeviceListDisconnectsFirst) {
    StartSim(simA, kSimA, QStringLiteral("Bench A"));
    TypeAndConnect(kSimA);
    ASSERT_TRUE(WaitConnected(*simA));
    ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_DISCONNECT, 0);
    ASSERT_TRUE(WaitFor([] { return State() == 0; }));

    int stateDuringSearch = -1;
    WhenDeviceListShows(1, [&](CDialogMarlixIP* dlg) {
        stateDuringSearch = State();
        QTest::mouseDClick(dlg->m_listIP.viewport(), Qt::LeftButton, {}, RowTextPoint(dlg, 0));
    });
    ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_CONNECT, 0);
    ASSERT_TRUE(WaitFor([&] { return MxNames(simA->Log()).count(QStringLiteral("MX_CMD_CONNECT")) == 2; }));
    ASSERT_TRUE(WaitConnected(*simA));
    EXPECT_EQ(stateDuringSearch, 1);

    // One disconnect from Disconnect, one from the road the choice started (state 1).
    QStringList names = MxNames(simA->Log());
    names.removeAll(QStringLiteral("MX_CMD_DISCOVER"));
    const int second = names.lastIndexOf(QStringLiteral("MX_CMD_CONNECT"));
    ASSERT_GE(second, 2);
    EXPECT_EQ(names[second - 1], QStringLiteral("MX_CMD_DISCONNECT"));
    EXPECT_EQ(names[second - 2], QStringLiteral("MX_CMD_DISCONNECT"));
    EXPECT_EQ(names.count(QStringLiteral("MX_CMD_DISCONNECT")), 2);
}

TEST_F(ConnectE2E, IPUpdateSearchesAgain) {
    StartSim(simA, kSimA, QStringLiteral("Bench A"));
    CDialogMarlixIP dlg;
    dlg.show();
    ASSERT_TRUE(WaitFor([&] { return dlg.m_listIP.topLevelItemCount() == 1; }));
    QTest::mouseClick(dlg.IPUpdateButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.m_listIP.topLevelItemCount(), 0);
    // A second broadcast, the instrument listed again from it.
    ASSERT_TRUE(WaitFor([&] {
        return MxNames(simA->Log()).count(QStringLiteral("MX_CMD_DISCOVER")) == 2 &&
               dlg.m_listIP.topLevelItemCount() == 1;
    }));
    EXPECT_EQ(dlg.m_listIP.topLevelItem(0)->text(0), kSimA);
    const std::vector<SimLogLine> log = simA->Log(); // FindLine points into it
    const SimLogLine* second = FindLine(log, QStringLiteral("MX_CMD_DISCOVER"), 1);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->selector, 4);
    EXPECT_EQ(second->length, 0);
    dlg.reject();
    g_Marlix.DeviceState.m_nConnectState = 0; // the caller's part
}

TEST_F(ConnectE2E, DeviceListClosedWithoutChoiceLeavesStateAsItWas) {
    ASSERT_EQ(State(), 0);
    for (bool escape : {true, false}) {
        bool closed = false;
        WhenDeviceListShows(0, [&](CDialogMarlixIP* dlg) {
            if (escape) {
                QTest::keyClick(dlg, Qt::Key_Escape);
            } else {
                // A double click on empty space: OK without a chosen row.
                QTest::mouseDClick(dlg->m_listIP.viewport(), Qt::LeftButton, {},
                                   QPoint(60, dlg->m_listIP.viewport()->height() - 5));
            }
            closed = true;
        });
        ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_CONNECT, 0);
        ASSERT_TRUE(WaitFor([&] { return closed && !QApplication::activeModalWidget(); }));
        PumpPostedMessages(200);
        EXPECT_EQ(State(), 0) << (escape ? "Escape" : "OK, no row");
        EXPECT_TRUE(frame->IsCommandEnabled(ID_CONTROL_CONNECT));
        EXPECT_FALSE(frame->IsCommandEnabled(ID_CONTROL_DISCONNECT));
    }
}

TEST_F(ConnectE2E, CommandOrderOfAConnectionThenStatusEvery3s) {
    StartSim(simA, kSimA, QStringLiteral("Bench A"));
    QStringList whileOpen;
    bool spectrumOpenDuringBox = false;
    boxes.whileOpen = [&](const RecordingMessageBoxes::Box& b) {
        if (b.text != QLatin1String("Connected!"))
            return;
        PumpPostedMessages(1500); // the posted window commands run; the rest must wait
        // The Spectrum and IQ commands have run (their windows are later work).
        spectrumOpenDuringBox = theApp.m_bGraphShown[0] == 1 && theApp.m_bGraphShown[3] == 1;
        whileOpen = SetupNames(MxNames(simA->Log()));
    };
    TypeAndConnect(kSimA);
    ASSERT_TRUE(WaitConnected(*simA));

    EXPECT_EQ(whileOpen, QStringList{QStringLiteral("MX_CMD_CONNECT")});
    EXPECT_TRUE(spectrumOpenDuringBox);

    const std::vector<SimLogLine> log = simA->Log();
    const QStringList names = MxNames(log);
    ASSERT_GE(names.size(), 2);
    EXPECT_EQ(names[0], QStringLiteral("MX_CMD_CONNECT"));
    EXPECT_EQ(names[1], QStringLiteral("MX_CMD_STATUS"));
    const QStringList expected{
        QStringLiteral("MX_CMD_CONNECT"),      QStringLiteral("MX_CMD_SYSTEM_MODE"),
        QStringLiteral("MX_CMD_SYSTEM_MODE"),  QStringLiteral("MX_CMD_REF_10MHZ"),
        QStringLiteral("MX_CMD_TRIGGER"),      QStringLiteral("MX_CMD_RES_BW"),
        QStringLiteral("MX_CMD_UPDATE_SPEED"), QStringLiteral("MX_CMD_SPECTRAL_INV"),
        QStringLiteral("MX_CMD_STORAGE"),      QStringLiteral("MX_CMD_STORAGE_DRIVE"),
        QStringLiteral("MX_CMD_MODE_PARAM_B"), QStringLiteral("MX_CMD_MODE_PARAM_A"),
    };
    EXPECT_EQ(SetupNames(names), expected);

    // Payloads: the defaults just loaded, storage 0 and drive 3, the fixed mode pair.
    struct Payload {
        const char* name;
        int nth;
        const char* hex;
    };
    const Payload payloads[] = {
        {"MX_CMD_SYSTEM_MODE", 0, "07000000"},
        {"MX_CMD_SYSTEM_MODE", 1, "07000000"},
        {"MX_CMD_REF_10MHZ", 0, "00000000"},
        {"MX_CMD_TRIGGER", 0, "00000000"},
        {"MX_CMD_RES_BW", 0, "01000000"},
        {"MX_CMD_UPDATE_SPEED", 0, "01000000"},
        {"MX_CMD_SPECTRAL_INV", 0, "00000000"},
        {"MX_CMD_STORAGE", 0, "00000000"},
        {"MX_CMD_STORAGE_DRIVE", 0, "03000000"},
        {"MX_CMD_MODE_PARAM_B", 0, "00403011"},
        // Sent before the instrument's limits arrive: the family's value.
        {"MX_CMD_MODE_PARAM_A", 0, "01000000"},
    };
    for (const Payload& p : payloads) {
        const SimLogLine* l = FindLine(log, QString::fromLatin1(p.name), p.nth);
        ASSERT_TRUE(l) << p.name;
        EXPECT_EQ(l->payload.toHex(), QByteArray(p.hex)) << p.name;
        EXPECT_EQ(l->selector, 1) << p.name;
    }
    EXPECT_EQ(FindLine(log, QStringLiteral("MX_CMD_CONNECT"))->length, 2);
    EXPECT_EQ(FindLine(log, QStringLiteral("MX_CMD_MODE_PARAM_A"))->length, 4);
    EXPECT_EQ(Pane(5), QStringLiteral("D:\\"));
    EXPECT_TRUE(PanelsEnabled());
    EXPECT_EQ(g_Marlix.DeviceState.m_nSystemMode, 7);

    // Then the poll: one MX_CMD_STATUS about every 3000 ms.
    const long long setupDone = FindLine(log, QStringLiteral("MX_CMD_MODE_PARAM_A"))->ms;
    std::vector<long long> polls;
    ASSERT_TRUE(WaitFor(
        [&] {
            polls.clear();
            for (const SimLogLine& l : simA->Log())
                if (l.name == QLatin1String("MX_CMD_STATUS") && l.ms > setupDone)
                    polls.push_back(l.ms);
            return polls.size() >= 4;
        },
        30000));
    // A late tick shortens the next gap (the timer keeps its beat), so the mean
    // is what shows the period; no gap comes near a faster timer's.
    const double mean = double(polls.back() - polls.front()) / double(polls.size() - 1);
    EXPECT_GT(mean, 2400.0);
    EXPECT_LT(mean, 6000.0);
    for (std::size_t i = 1; i < polls.size(); ++i)
        EXPECT_GT(polls[i] - polls[i - 1], 1000) << i;
}

TEST_F(ConnectE2E, TypedAddressesFillTheHistoryOfTen) {
    StartSim(simA, kSimA, QStringLiteral("Bench A"));
    CIPComboBox* combo = frame->GetIPCombo();
    // Ten addresses where nobody answers, then the instrument as the eleventh.
    for (int i = 10; i < 20; ++i) {
        TypeAndConnect(QStringLiteral("127.0.0.%1").arg(i));
        PumpPostedMessages(50);
    }
    TypeAndConnect(kSimA);
    ASSERT_TRUE(WaitConnected(*simA));
    ASSERT_EQ(frame->m_lstIPHistory.size(), 10);
    EXPECT_EQ(frame->m_lstIPHistory.front(), kSimA);
    EXPECT_FALSE(frame->m_lstIPHistory.contains(QStringLiteral("127.0.0.10")));
    ASSERT_EQ(combo->count(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(combo->itemText(i), frame->m_lstIPHistory[i]) << i;

    // Reuse moves the address to the top and selects it; the size stays.
    TypeAndConnect(QStringLiteral("127.0.0.15"));
    ASSERT_TRUE(WaitFor([&] { return frame->m_lstIPHistory.front() == QLatin1String("127.0.0.15"); }));
    EXPECT_EQ(frame->m_lstIPHistory.size(), 10);
    EXPECT_EQ(combo->count(), 10);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("127.0.0.15"));
    EXPECT_EQ(combo->itemText(1), kSimA);
    // Leaving the instrument told it so.
    EXPECT_TRUE(
        WaitFor([&] { return FindLine(simA->Log(), QStringLiteral("MX_CMD_DISCONNECT")) != nullptr; }));
}

TEST_F(ConnectE2E, EnterInTheComboAndAChoiceFromItsListConnect) {
    StartSim(simA, kSimA, QStringLiteral("Bench A"));
    StartSim(simB, kSimB, QStringLiteral("Bench B"));
    CIPComboBox* combo = frame->GetIPCombo();
    combo->setEditText(kSimA);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(WaitConnected(*simA));

    combo->setEditText(kSimB);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Enter);
    ASSERT_TRUE(WaitConnected(*simB));
    ASSERT_EQ(combo->itemText(1), kSimA);

    // Picking the older address from the drop-down list.
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    ASSERT_TRUE(WaitFor([&] { return MxNames(simA->Log()).count(QStringLiteral("MX_CMD_CONNECT")) == 2; }));
    ASSERT_TRUE(WaitConnected(*simA));
    EXPECT_EQ(combo->itemText(0), kSimA);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(boxes.Count(QStringLiteral("Connected!")), 3);
}

TEST_F(ConnectE2E, ANewAddressTypedAndEnterConnectsOnce) {
    StartSim(simA, kSimA, QStringLiteral("Bench A"));
    StartSim(simB, kSimB, QStringLiteral("Bench B"));
    CIPComboBox* combo = frame->GetIPCombo();
    TypeAndConnect(kSimB); // the list holds an older address
    ASSERT_TRUE(WaitConnected(*simB));
    frame->show();
    QApplication::setActiveWindow(frame);
    // As a real box does, "Connected!" takes the focus from the address box.
    boxes.whileOpen = [](const RecordingMessageBoxes::Box&) {
        if (QWidget* focused = QApplication::focusWidget())
            focused->clearFocus();
    };
    combo->setFocus(Qt::MouseFocusReason);
    combo->clearEditText();
    QTest::keyClicks(combo->lineEdit(), kSimA);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(WaitConnected(*simA));
    // Long enough for a second road (its 500 ms pause and its box) to show.
    QTest::qWait(1500);
    PumpPostedMessages(200);
    const QStringList names = MxNames(simA->Log());
    EXPECT_EQ(names.count(QStringLiteral("MX_CMD_CONNECT")), 1) << names.join(' ').toStdString();
    EXPECT_EQ(names.count(QStringLiteral("MX_CMD_DISCONNECT")), 0) << names.join(' ').toStdString();
    EXPECT_EQ(boxes.Count(QStringLiteral("Connected!")), 2); // one for each instrument
    EXPECT_EQ(combo->itemText(0), kSimA);
    EXPECT_EQ(combo->currentText(), kSimA);
}

TEST_F(ConnectE2E, TypedTextThatIsNoAddressIsRefused) {
    ASSERT_EQ(State(), 0);
    const int historyBefore = frame->m_lstIPHistory.size();
    for (const char* text : {"255.255.255.255", "300.1.2.3", "bench-a"}) {
        TypeAndConnect(QString::fromLatin1(text));
        PumpPostedMessages(100);
        ASSERT_FALSE(boxes.boxes.empty()) << text;
        EXPECT_TRUE(boxes.boxes.back().text.contains(QString::fromLatin1(text))) << text;
        EXPECT_EQ(State(), 0) << text;
        EXPECT_FALSE(frame->m_connectSequence.IsPausing()) << text;
    }
    EXPECT_EQ(frame->m_lstIPHistory.size(), historyBefore);
    EXPECT_EQ(boxes.Count(QStringLiteral("Connected!")), 0);
}

TEST_F(ConnectE2E, SwitchingInstrumentsDisconnectsTheOldOneOnly) {
    StartSim(simA, kSimA, QStringLiteral("Bench A"));
    StartSim(simB, kSimB, QStringLiteral("Bench B"));
    TypeAndConnect(kSimA);
    ASSERT_TRUE(WaitConnected(*simA));
    TypeAndConnect(kSimB);
    ASSERT_TRUE(WaitConnected(*simB));

    const QStringList a = MxNames(simA->Log());
    ASSERT_FALSE(a.isEmpty());
    EXPECT_EQ(a.last(), QStringLiteral("MX_CMD_DISCONNECT"));
    const QStringList b = MxNames(simB->Log());
    EXPECT_EQ(b.value(0), QStringLiteral("MX_CMD_CONNECT"));
    EXPECT_FALSE(b.contains(QStringLiteral("MX_CMD_DISCONNECT")));
    EXPECT_EQ(boxes.Count(QStringLiteral("Connected!")), 2);
}

TEST_F(ConnectE2E, AboutShowsTheConnectedInstrumentsSoftwareVersion) {
    auto about = [] {
        QString shown;
        WhenModal<CAboutDlg>([&](CAboutDlg* dlg) {
            shown = dlg->VersionControl()->text();
            dlg->accept();
        });
        ::SendMessage(theApp.m_pMainWnd->GetSafeHwnd(), WM_COMMAND, ID_APP_ABOUT, 0);
        return shown;
    };
    StartSim(simA, kSimA, QStringLiteral("Bench A"));
    TypeAndConnect(kSimA);
    ASSERT_TRUE(WaitConnected(*simA));
    // The simulated instrument's software bytes 07 03 02 01.
    EXPECT_EQ(about(), QStringLiteral(u"Zephyra\u2122 Version 1.2.3.7"));
    ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_DISCONNECT, 0);
    ASSERT_TRUE(WaitFor([this] { return State() == 0; }, 10000));
    EXPECT_EQ(about(), QStringLiteral(u"Zephyra\u2122 Version: no instrument connected"));
}

TEST_F(ConnectE2E, DisconnectStopsThePollAndDisablesThePanels) {
    StartSim(simA, kSimA, QStringLiteral("Bench A"));
    TypeAndConnect(kSimA);
    ASSERT_TRUE(WaitConnected(*simA));
    EXPECT_TRUE(PanelsEnabled());
    EXPECT_TRUE(frame->IsCommandEnabled(ID_CONTROL_DISCONNECT));
    EXPECT_FALSE(frame->IsCommandEnabled(ID_CONTROL_CONNECT));

    ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_DISCONNECT, 0);
    ASSERT_TRUE(
        WaitFor([&] { return FindLine(simA->Log(), QStringLiteral("MX_CMD_DISCONNECT")) != nullptr; }));
    EXPECT_EQ(State(), 0);
    EXPECT_EQ(Pane(1), QStringLiteral("Disconnected"));
    EXPECT_TRUE(PanelsDisabled());
    EXPECT_TRUE(frame->IsCommandEnabled(ID_CONTROL_CONNECT));
    EXPECT_FALSE(frame->IsCommandEnabled(ID_CONTROL_DISCONNECT));

    // No poll after the disconnect (a poll period and a margin).
    const std::size_t lines = MxNames(simA->Log()).size();
    WaitFor([] { return false; }, 4000);
    EXPECT_EQ(MxNames(simA->Log()).size(), lines);
}

TEST_F(ConnectE2E, SilentInstrumentIsLostThenReconnectsAfterRestart) {
    StartSim(simA, kSimA, QStringLiteral("Bench A"));
    TypeAndConnect(kSimA);
    ASSERT_TRUE(WaitConnected(*simA));

    int stateInBox = -1;
    bool connectEnabledInBox = true, disconnectEnabledInBox = false;
    UINT boxType = 0;
    boxes.whileOpen = [&](const RecordingMessageBoxes::Box& b) {
        if (b.text != QLatin1String("Disconnected!"))
            return;
        stateInBox = State();
        boxType = b.type;
        connectEnabledInBox = frame->IsCommandEnabled(ID_CONTROL_CONNECT);
        disconnectEnabledInBox = frame->IsCommandEnabled(ID_CONTROL_DISCONNECT);
    };
    ASSERT_TRUE(simA->Pause());
    ASSERT_TRUE(WaitFor([&] { return boxes.Contains(QStringLiteral("Disconnected!")); }, 30000));
    EXPECT_EQ(stateInBox, 4);
    EXPECT_EQ(boxType, UINT(MB_OK | MB_ICONINFORMATION));
    EXPECT_FALSE(connectEnabledInBox);
    EXPECT_TRUE(disconnectEnabledInBox);
    ASSERT_TRUE(WaitFor([] { return State() == 0; }));
    PumpPostedMessages(200);
    EXPECT_EQ(Pane(1), QStringLiteral("Disconnected"));
    EXPECT_TRUE(PanelsDisabled());

    // A lost link sends no disconnect: the instrument sees none after it wakes.
    ASSERT_TRUE(simA->Resume());
    WaitFor([] { return false; }, 500);
    EXPECT_FALSE(FindLine(simA->Log(), QStringLiteral("MX_CMD_DISCONNECT")));

    ASSERT_TRUE(simA->Stop());
    StartSim(simA, kSimA, QStringLiteral("Bench A"));
    TypeAndConnect(kSimA);
    ASSERT_TRUE(WaitConnected(*simA));
    EXPECT_EQ(boxes.Count(QStringLiteral("Connected!")), 2);
    EXPECT_EQ(Pane(1), QStringLiteral("Connected"));
}

TEST_F(ConnectE2E, LinkLostWhileConnectedBoxIsOpenSkipsTheFollowUp) {
    StartSim(simA, kSimA, QStringLiteral("Bench A"));
    boxes.whileOpen = [&](const RecordingMessageBoxes::Box& b) {
        if (b.text != QLatin1String("Connected!"))
            return;
        simA->Pause();
        WaitFor([] { return State() == 0; }, 30000);
        PumpPostedMessages(200);
    };
    TypeAndConnect(kSimA);
    ASSERT_TRUE(
        WaitFor([&] { return boxes.Contains(QStringLiteral("Disconnected!")) && State() == 0; }, 40000));
    PumpPostedMessages(500);
    simA->Resume();
    WaitFor([] { return false; }, 1000);

    EXPECT_EQ(State(), 0);
    EXPECT_NE(Pane(1), QStringLiteral("Connected"));
    EXPECT_TRUE(PanelsDisabled());
    const QStringList names = MxNames(simA->Log());
    EXPECT_FALSE(names.contains(QStringLiteral("MX_CMD_SYSTEM_MODE"))) << names.join(' ').toStdString();
    EXPECT_FALSE(names.contains(QStringLiteral("MX_CMD_REF_10MHZ")));
}

TEST_F(ConnectE2E, StatusTextsOfCommandsFromOtherWindowsReachPaneZero) {
    StartSim(simA, kSimA, QStringLiteral("Bench A"));
    TypeAndConnect(kSimA);
    ASSERT_TRUE(WaitConnected(*simA));
    ASSERT_NE(frame->m_pPlayFolderList, nullptr);
    const HWND browser = frame->m_pPlayFolderList->GetSafeHwnd();
    const struct {
        MX_CMD_ID_e cmd;
        const char* text;
    } cases[] = {
        {MX_CMD_PLAY_FILE, "Err:Play file"},
        {MX_CMD_FILE_DELETE, "Err:delete"},
    };
    for (const auto& c : cases) {
        const std::u16string path = u"D:\\Recordings\\missing.bin";
        theApp.AddCmd(c.cmd, MX_RW_DEFAULT, static_cast<unsigned>(path.size() * 2), path.data(), browser);
        EXPECT_TRUE(WaitFor([&] { return Pane(0) == QLatin1String(c.text); }, 5000)) << c.text;
    }
    // The front panel's window asks for a frequency the instrument cannot play.
    const std::uint32_t tooHigh = 3000000000u;
    theApp.AddCmd(MX_CMD_ZEPHYRA_FREQ, MX_RW_DEFAULT, sizeof tooHigh, &tooHigh,
                  frame->m_wndZephyraPane ? frame->m_wndZephyraPane->GetSafeHwnd() : nullptr);
    EXPECT_TRUE(WaitFor([&] { return Pane(0) == QLatin1String("Err:FFS freq param"); }, 5000));
}

TEST_F(ConnectE2E, StaleConnectStateMessagesAreIgnored) {
    // Nothing being made: a late "connected" or "lost" changes nothing.
    ASSERT_EQ(State(), 0);
    ::PostMessage(frame->GetSafeHwnd(), WM_CONNECT_STATE, 2, 0);
    ::PostMessage(frame->GetSafeHwnd(), WM_CONNECT_STATE, 4, 0);
    ::PostMessage(frame->GetSafeHwnd(), WM_CONNECT_STATE, 3, 0);
    PumpPostedMessages(300);
    EXPECT_EQ(State(), 0);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ConnectE2E, GuiKeepsRunningDuringTheConnectPause) {
    StartSim(simA, kSimA, QStringLiteral("Bench A"));
    // Count event-loop turns while the road is in its 500 ms pause.
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start();
    TypeAndConnect(kSimA);
    ASSERT_TRUE(WaitFor([&] { return frame->m_connectSequence.IsPausing(); }));
    const int ticksAtStart = ticks;
    // The pause is part of connecting.
    EXPECT_FALSE(frame->IsCommandEnabled(ID_CONTROL_CONNECT));
    EXPECT_TRUE(frame->IsCommandEnabled(ID_CONTROL_DISCONNECT));
    ASSERT_TRUE(WaitFor([&] { return !frame->m_connectSequence.IsPausing(); }));
    EXPECT_GT(ticks - ticksAtStart, 5);
    ASSERT_TRUE(WaitConnected(*simA));
}

TEST_F(ConnectE2E, DisconnectDuringThePauseCancelsTheConnection) {
    StartSim(simA, kSimA, QStringLiteral("Bench A"));
    TypeAndConnect(kSimA);
    ASSERT_TRUE(WaitFor([&] { return frame->m_connectSequence.IsPausing(); }));
    ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_DISCONNECT, 0);
    ASSERT_TRUE(WaitFor([&] { return !frame->m_connectSequence.IsPausing(); }));
    WaitFor([] { return false; }, CConnectSequence::kPauseMs + 500);
    EXPECT_EQ(State(), 0);
    EXPECT_FALSE(MxNames(simA->Log()).contains(QStringLiteral("MX_CMD_CONNECT")));
}
