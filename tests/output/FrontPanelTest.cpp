// The front panel in its pane, inside a started main frame, offscreen: what each
// edit sends (seen through the command tap), when, and what it keeps; the knob,
// the keys the panel swallows, the wheel, the pane's black band and gallery grabs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <thread>

#include "SimInstrument.h"
#include "TestSupport.h"
#include "app/MarlixExApp.h"
#include "app/SettingKeyTable.h"
#include "controls/CBitmapSlider.h"
#include "controls/CKbcButton.h"
#include "controls/CRoundSliderCtrl.h"
#include "device/MarlixMFC.h"
#include "mainframe/MainFrm.h"
#include "output/CZephyraCtrlDlg.h"
#include "output/CZephyraPaneDlg.h"
#include "output/DialogPlayFolderList.h"
#include "output/DumpPlayBar.h"
#include "output/FrontPanelRules.h"
#include "platform/MsgBox.h"
#include "platform/Profile.h"

using namespace frontpanel;

namespace {

struct Cmd {
    MX_CMD_ID_e id;
    QByteArray payload;
    qint64 atMs;
};

template <typename T> T As(const QByteArray& b) {
    T v{};
    if (b.size() == qsizetype(sizeof v))
        std::memcpy(&v, b.constData(), sizeof v);
    return v;
}

class FrontPanel : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Profile::SetStorageFolder(dir.path());
        ASSERT_TRUE(theApp.InitInstance());
        frame = theApp.m_pMainWnd;
        ASSERT_NE(frame, nullptr);
        pane = frame->m_wndZephyraPane;
        panel = &pane->m_dlgCtrl;
        clock.start();
        theApp.m_fnCommandTap = [this](MX_CMD_ID_e id, MX_RW_ID_e, unsigned size, const void* p, HWND h) {
            // The frame's status poll (every 3 s while connected) is no edit's doing,
            // and a slow run reaches it.
            if (id == MX_CMD_STATUS && h == frame->GetSafeHwnd())
                return;
            cmds.push_back({id, QByteArray(static_cast<const char*>(p), int(size)), clock.elapsed()});
        };
        DeviceState& s = state();
        s.m_strProfileSection = u"Marlix_TEST";
        s.m_nZephyraFreqHz = 87900000;
        s.m_sZephyraPower = -500;
        s.m_dSampleClockKHz = 744187.5;
        s.m_nFreqMinHz = 500000;
        s.m_nFreqMaxHz = 2000000000;
        Connect(2);
        ShowAndFocus(frame);
    }
    void TearDown() override {
        theApp.m_fnCommandTap = nullptr;
        state().m_nConnectState = 0;
        theApp.ExitInstance();
        Profile::SetStorageFolder(QString());
    }
    static DeviceState& state() { return g_Marlix.DeviceState; }

    // The pane's reload on system-mode entry, in the given connection state.
    void Connect(int connectState) {
        state().m_nConnectState = connectState;
        pane->RefreshFromDevice();
        PumpPostedMessages();
    }
    void Focus(UINT id) {
        panel->Cell(id)->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
        PumpPostedMessages();
    }
    // Edits deliver what they post but run no timer: on a slow machine a gap of
    // 300 ms between two edits would otherwise send in between.
    void Key(QWidget* w, Qt::Key key) {
        QTest::keyClick(w, key);
        QCoreApplication::sendPostedEvents();
    }
    void Wheel(QWidget* w, int delta) {
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
        QCoreApplication::sendPostedEvents();
    }
    // Runs the timers out: every pending send has gone, however late its timer
    // fires, and at least 450 ms have passed for anything else that would go.
    void Settle() {
        QElapsedTimer waited;
        waited.start();
        EXPECT_TRUE(WaitFor(
            [this] {
                return !panel->IsTimerRunning(kFreqTimer) && !panel->IsTimerRunning(kLevelTimer) &&
                       !panel->IsTimerRunning(kClockTimer);
            },
            20000))
            << "a send timer never fired";
        QTest::qWait(int(std::max<qint64>(0, 450 - waited.elapsed())));
    }
    std::vector<Cmd> Of(MX_CMD_ID_e id) const {
        std::vector<Cmd> out;
        for (const Cmd& c : cmds)
            if (c.id == id)
                out.push_back(c);
        return out;
    }
    int Stored(int key) const {
        return Profile::GetProfileInt(QStringLiteral("Marlix_TEST"), SettingKeyName(key), 12345);
    }

    QTemporaryDir dir;
    RecordingMessageBoxes boxes;
    CMainFrame* frame = nullptr;
    CZephyraPaneDlg* pane = nullptr;
    CZephyraCtrlDlg* panel = nullptr;
    QElapsedTimer clock;
    std::vector<Cmd> cmds;
};

TEST_F(FrontPanel, ReloadShowsTheStoredValuesAndSendsNothing) {
    EXPECT_EQ(panel->m_llFrequency, 87900000);
    EXPECT_EQ(panel->m_nLevel, -500);
    EXPECT_EQ(panel->m_nShownMin, -1100);
    EXPECT_EQ(panel->m_nShownMax, 100);
    EXPECT_EQ(panel->m_llSampleClock, 744187500);
    EXPECT_EQ(panel->Cell(1529)->m_nPos, 8); // 0,087,...
    EXPECT_EQ(panel->Cell(1539)->m_nPos, 1); // minus
    EXPECT_EQ(panel->Knob()->GetPos(), 600);
    Settle();
    EXPECT_TRUE(cmds.empty());
}

TEST_F(FrontPanel, ThreeWheelStepsSendOneFrequency300msAfterTheLast) {
    Focus(1532);         // 10^5
    qint64 lastStep = 0; // read before the step: its timer starts after
    for (int i = 0; i < 3; ++i) {
        lastStep = clock.elapsed();
        Wheel(panel->Cell(1532), 120);
    }
    EXPECT_EQ(panel->m_llFrequency, 88200000);
    EXPECT_TRUE(panel->IsTimerRunning(kFreqTimer));
    EXPECT_TRUE(Of(MX_CMD_ZEPHYRA_FREQ).empty());
    Settle();
    const std::vector<Cmd> sent = Of(MX_CMD_ZEPHYRA_FREQ);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].payload.toHex(), QByteArray("40d34105")); // 88200000 little-endian
    EXPECT_GE(sent[0].atMs - lastStep, 290);
    EXPECT_EQ(cmds.size(), 1u); // nothing else goes
    EXPECT_EQ(state().m_nZephyraFreqHz, 88200000u);
    EXPECT_EQ(Stored(KEY_ZEPHYRA_FREQ), 88200000);
    EXPECT_TRUE(panel->Cell(1532)->hasFocus());
}

// Every edit restarts its quantity's 300 ms one-shot. The second edit comes when
// the first one's 300 ms are long gone but no event has run, so a timer that was
// not restarted is overdue and goes at the first event pass; a restarted one
// holds the send until 300 ms after the second edit.
TEST_F(FrontPanel, EveryEditRestartsItsTimer) {
    struct Case {
        const char* name;
        UINT_PTR timer;
        MX_CMD_ID_e cmd;
        std::function<void()> edit;
    } cases[] = {
        {"frequency digit", kFreqTimer, MX_CMD_ZEPHYRA_FREQ,
         [this] { panel->SendMessage(WM_SLIDER_STEP, 1532, 1); }},
        {"preset", kFreqTimer, MX_CMD_ZEPHYRA_FREQ, [this] { panel->SendMessage(WM_COMMAND, 1553, 0); }},
        {"level button", kLevelTimer, MX_CMD_ZEPHYRA_POWER,
         [this] { panel->SendMessage(WM_COMMAND, 1548, 0); }},
        {"knob", kLevelTimer, MX_CMD_ZEPHYRA_POWER,
         [this] { panel->SendMessage(WM_KNOB_CHANGED, kKnobId, KnobPosForLevel(panel->m_nLevel) + 10); }},
        {"clock digit", kClockTimer, MX_CMD_SAMPLE_CLOCK,
         [this] { panel->SendMessage(WM_SLIDER_STEP, 1574, 1); }},
    };
    for (const Case& c : cases) {
        cmds.clear();
        c.edit();
        std::this_thread::sleep_for(std::chrono::milliseconds(400)); // no events run
        const qint64 lastEdit = clock.elapsed();
        c.edit();
        QCoreApplication::processEvents();
        EXPECT_TRUE(Of(c.cmd).empty()) << c.name;
        EXPECT_TRUE(panel->IsTimerRunning(c.timer)) << c.name;
        ASSERT_TRUE(WaitFor([&] { return !Of(c.cmd).empty(); }, 5000)) << c.name;
        Settle();
        const std::vector<Cmd> sent = Of(c.cmd);
        ASSERT_EQ(sent.size(), 1u) << c.name;
        EXPECT_GE(sent[0].atMs - lastEdit, 290) << c.name;
        // No other quantity went (the frame's status poll may fall anywhere).
        EXPECT_EQ(Of(MX_CMD_ZEPHYRA_FREQ).size() + Of(MX_CMD_ZEPHYRA_POWER).size() +
                      Of(MX_CMD_SAMPLE_CLOCK).size(),
                  1u)
            << c.name;
    }
}

TEST_F(FrontPanel, StepsPastTheLimitsChangeNothingTypedDigitsAreClampedOnSend) {
    Focus(1526); // 10^9: 1,087,900,000 is fine, 2,087,900,000 is past the maximum
    Key(panel->Cell(1526), Qt::Key_Up);
    EXPECT_EQ(panel->m_llFrequency, 1087900000);
    Key(panel->Cell(1526), Qt::Key_Up);
    EXPECT_EQ(panel->m_llFrequency, 1087900000);
    Settle();
    cmds.clear();
    // Typing 9 there shows 9 and moves on; the send clamps to the maximum.
    Focus(1526);
    Key(panel->Cell(1526), Qt::Key_9);
    EXPECT_EQ(panel->Cell(1526)->m_nPos, 9);
    EXPECT_TRUE(panel->Cell(1528)->hasFocus());
    Settle();
    const std::vector<Cmd> sent = Of(MX_CMD_ZEPHYRA_FREQ);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(As<std::uint32_t>(sent[0].payload), 2000000000u);
    EXPECT_EQ(panel->m_llFrequency, 2000000000);
    EXPECT_EQ(panel->Cell(1526)->m_nPos, 2);
}

TEST_F(FrontPanel, PresetsSendTheirFrequency) {
    for (const ButtonEntry& b : kPresetButtons) {
        cmds.clear();
        QTest::mouseClick(panel->Button(b.id), Qt::LeftButton);
        Settle();
        const std::vector<Cmd> sent = Of(MX_CMD_ZEPHYRA_FREQ);
        ASSERT_EQ(sent.size(), 1u) << b.file;
        EXPECT_EQ(As<std::uint32_t>(sent[0].payload), std::uint32_t(b.value)) << b.file;
    }
    // Two presets in a row: one command, the second one's.
    cmds.clear();
    QTest::mouseClick(panel->Button(1552), Qt::LeftButton);
    QTest::mouseClick(panel->Button(1557), Qt::LeftButton);
    Settle();
    ASSERT_EQ(Of(MX_CMD_ZEPHYRA_FREQ).size(), 1u);
    EXPECT_EQ(As<std::uint32_t>(Of(MX_CMD_ZEPHYRA_FREQ)[0].payload), 87900000u);
}

TEST_F(FrontPanel, LevelSendsMinusTheOffsetAndKeepsTheShownLevel) {
    // -50.0 dBm shown, default offset -20.0 dB: the instrument gets -30.0 dB.
    QTest::mouseClick(panel->Button(1548), Qt::LeftButton); // +0.5
    QTest::mouseClick(panel->Button(1547), Qt::LeftButton); // -0.5
    Settle();
    std::vector<Cmd> sent = Of(MX_CMD_ZEPHYRA_POWER);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(As<std::int16_t>(sent[0].payload), -300);
    EXPECT_EQ(state().m_sZephyraPower, -300);
    EXPECT_EQ(Stored(KEY_ZEPHYRA_POWER), -500);
    // The step buttons stop at the panel's ends.
    for (int i = 0; i < 30; ++i)
        QTest::mouseClick(panel->Button(1549), Qt::LeftButton);
    EXPECT_EQ(panel->m_nLevel, 100);
    EXPECT_EQ(panel->Knob()->GetPos(), 0);
}

// The level is kept as shown: the next connection (or the next start) reads it
// back and the panel goes on from where the user left it.
TEST_F(FrontPanel, ALevelBelowMinus90ComesBackAtTheNextConnection) {
    for (int i = 0; i < 14; ++i)
        QTest::mouseClick(panel->Button(1546), Qt::LeftButton); // -5 dB down to the end
    Settle();
    ASSERT_EQ(panel->m_nLevel, -1100);
    ASSERT_EQ(Stored(KEY_ZEPHYRA_POWER), -1100);
    cmds.clear();
    theApp.LoadDefaultSettings(); // what a connection reads
    Connect(2);
    EXPECT_EQ(panel->m_nLevel, -1100);
    EXPECT_EQ(panel->Cell(1540)->m_nPos, 1);                // -110.0
    QTest::mouseClick(panel->Button(1548), Qt::LeftButton); // +0.5
    Settle();
    const std::vector<Cmd> sent = Of(MX_CMD_ZEPHYRA_POWER);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(As<std::int16_t>(sent[0].payload), -895);
}

TEST_F(FrontPanel, TypedLevelDigitsFollowTheSign) {
    Focus(1541); // tens
    Key(panel->Cell(1541), Qt::Key_3);
    EXPECT_EQ(panel->m_nLevel, -300);
    EXPECT_TRUE(panel->Cell(1542)->hasFocus());
    Key(panel->Cell(1542), Qt::Key_Left);
    EXPECT_TRUE(panel->Cell(1541)->hasFocus());
    Key(panel->Cell(1541), Qt::Key_Down);
    EXPECT_EQ(panel->m_nLevel, -400);
    Settle();
    ASSERT_EQ(Of(MX_CMD_ZEPHYRA_POWER).size(), 1u);
    EXPECT_EQ(As<std::int16_t>(Of(MX_CMD_ZEPHYRA_POWER)[0].payload), -200);
}

TEST_F(FrontPanel, KnobStepsOneDecibelAndStopsAtBothEnds) {
    CRoundSliderCtrl* knob = panel->Knob();
    knob->setFocus(Qt::MouseFocusReason);
    // A level with a tenth: a single step still moves a whole dB.
    QTest::mouseClick(panel->Button(1548), Qt::LeftButton); // -49.5
    knob->setFocus(Qt::MouseFocusReason);
    Key(knob, Qt::Key_Up);
    EXPECT_EQ(panel->m_nLevel, -485);
    Key(knob, Qt::Key_Down);
    Key(knob, Qt::Key_Down);
    EXPECT_EQ(panel->m_nLevel, -505);
    Wheel(knob, 120);
    EXPECT_EQ(panel->m_nLevel, -495);
    Wheel(knob, -120);
    EXPECT_EQ(panel->m_nLevel, -505);
    EXPECT_EQ(knob->GetPos(), 605);
    Settle();
    ASSERT_EQ(Of(MX_CMD_ZEPHYRA_POWER).size(), 1u);
    EXPECT_EQ(As<std::int16_t>(Of(MX_CMD_ZEPHYRA_POWER)[0].payload), -305);

    // Both ends: +10.0 dBm (position 0) and -110.0 dBm (position 1200) hold.
    for (int i = 0; i < 70; ++i)
        Key(knob, Qt::Key_PageUp);
    EXPECT_EQ(panel->m_nLevel, 100);
    EXPECT_EQ(knob->GetPos(), 0);
    Key(knob, Qt::Key_Up);
    EXPECT_EQ(panel->m_nLevel, 100);
    for (int i = 0; i < 130; ++i)
        Key(knob, Qt::Key_Down);
    EXPECT_EQ(panel->m_nLevel, -1100);
    EXPECT_EQ(knob->GetPos(), 1200);
    Wheel(knob, -120);
    EXPECT_EQ(panel->m_nLevel, -1100);
    // A drag lands on whole dB through the knob's position: near the bottom of
    // the dial is about -50 dBm.
    const QPoint bottom(knob->width() / 2 + 3, knob->height() - 12);
    QTest::mousePress(knob, Qt::LeftButton, {}, bottom);
    QTest::mouseRelease(knob, Qt::LeftButton, {}, bottom);
    PumpPostedMessages();
    EXPECT_NEAR(panel->m_nLevel, -500, 30);
    EXPECT_EQ(panel->m_nLevel, LevelForKnobPos(knob->GetPos()));
    EXPECT_EQ(panel->m_nLevel % 10, 0);
    panel->SendMessage(WM_KNOB_CHANGED, kKnobId, 5);
    EXPECT_EQ(panel->m_nLevel, 90);
}

TEST_F(FrontPanel, SampleClockStaysWithinATenthOfAPercentAndUnchangedSendsNothing) {
    Focus(1574); // units of Hz
    Key(panel->Cell(1574), Qt::Key_Up);
    Key(panel->Cell(1574), Qt::Key_Down);
    Settle();
    EXPECT_TRUE(Of(MX_CMD_SAMPLE_CLOCK).empty());

    // Typing 9 in the 10^6 cell asks for far more than +0.1 %: the maximum goes,
    // and the play bar hears of the new clock.
    frame->m_pPlayFolderList->m_nCurrentTimeSec = 100;
    frame->m_pPlayFolderList->m_dCurrentSampleClock = 744187.5;
    frame->m_pPlayBar->m_nTotalSec = -1;
    Focus(1566);
    Key(panel->Cell(1566), Qt::Key_9);
    Settle();
    std::vector<Cmd> sent = Of(MX_CMD_SAMPLE_CLOCK);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(As<double>(sent[0].payload), 744931.688);
    EXPECT_EQ(state().m_dSampleClockKHz, 744931.688);
    EXPECT_NE(frame->m_pPlayBar->m_nTotalSec, -1);
    // Stepping past the maximum changes nothing.
    Focus(1574);
    Key(panel->Cell(1574), Qt::Key_Up);
    EXPECT_EQ(panel->m_llSampleClock, 744931688);
}

TEST_F(FrontPanel, AnAppliedFileSetsTheOffsetAndTheClockWindow) {
    panel->ApplyPlayFile(46511.71875, -100);
    EXPECT_EQ(panel->m_nShownMin, -1000);
    EXPECT_EQ(panel->m_nShownMax, 200);
    EXPECT_EQ(panel->m_llClockMin, 46465207);
    EXPECT_EQ(panel->m_llClockMax, 46558230);
    EXPECT_EQ(panel->Cell(1574)->m_nPos, 9); // 0,046,511.719
    // Frequency and level go at once: the shown -50.0 dBm is -40.0 dB at the instrument.
    ASSERT_EQ(Of(MX_CMD_ZEPHYRA_FREQ).size(), 1u);
    ASSERT_EQ(Of(MX_CMD_ZEPHYRA_POWER).size(), 1u);
    EXPECT_EQ(As<std::int16_t>(Of(MX_CMD_ZEPHYRA_POWER)[0].payload), -400);
    EXPECT_TRUE(Of(MX_CMD_SAMPLE_CLOCK).empty());
    EXPECT_EQ(state().m_dSampleClockKHz, 46511.71875);

    // Instrument data out of all reason: the level cells still show the range.
    cmds.clear();
    panel->ApplyPlayFile(std::numeric_limits<double>::quiet_NaN(), 32000);
    EXPECT_EQ(panel->m_nShownMax, kLevelShowMax);
    EXPECT_EQ(panel->m_llSampleClock, 46511719); // no clock: the one in use stays
    EXPECT_EQ(state().m_dSampleClockKHz, 46511.71875);
    for (UINT id = 1540; id <= 1544; ++id)
        EXPECT_LE(panel->Cell(id)->m_nPos, 9) << id;
    ASSERT_EQ(Of(MX_CMD_ZEPHYRA_POWER).size(), 1u);
    EXPECT_GE(As<std::int16_t>(Of(MX_CMD_ZEPHYRA_POWER)[0].payload), kDeviceLevelMin);
}

TEST_F(FrontPanel, SeparatorsTakeNoFocusAndIgnoreStepsTheWheelStepsOnlyTheFocusedCell) {
    EXPECT_EQ(panel->Cell(1527)->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(panel->Cell(1543)->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(panel->Cell(1539)->focusPolicy(), Qt::NoFocus);
    // A step posted for a separator or the point does nothing.
    panel->SendMessage(WM_SLIDER_STEP, 1531, 1);
    panel->SendMessage(WM_SLIDER_STEP, 1543, '7');
    EXPECT_EQ(panel->m_llFrequency, 87900000);
    EXPECT_EQ(panel->m_nLevel, -500);
    // The wheel over a cell without the focus is no edit.
    Focus(1532);
    Wheel(panel->Cell(1536), 120);
    Wheel(panel->Cell(1531), 120);
    EXPECT_EQ(panel->m_llFrequency, 87900000);
    // Right and Left jump over the separators and wrap.
    Focus(1530);
    Key(panel->Cell(1530), Qt::Key_Right);
    EXPECT_TRUE(panel->Cell(1532)->hasFocus());
    Focus(1526);
    Key(panel->Cell(1526), Qt::Key_Left);
    EXPECT_TRUE(panel->Cell(1538)->hasFocus());
    Settle();
    EXPECT_TRUE(cmds.empty());
}

TEST_F(FrontPanel, EnterAndEscapeDoNothing) {
    Focus(1532);
    for (Qt::Key k : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        Key(panel->Cell(1532), k);
        Key(panel, k);
        QTest::keyClick(panel->Button(1552), k);
    }
    PumpPostedMessages();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(pane->isVisible());
    EXPECT_EQ(panel->m_llFrequency, 87900000);
    Settle();
    EXPECT_TRUE(cmds.empty());
}

TEST_F(FrontPanel, EnabledOnlyWhileConnected) {
    EXPECT_TRUE(panel->isEnabled());
    // A reload in another state still loads the values but leaves the panel disabled.
    state().m_nZephyraFreqHz = 92900000;
    Connect(1);
    EXPECT_FALSE(panel->isEnabled());
    EXPECT_EQ(panel->m_llFrequency, 92900000);
    // The disconnect disables it.
    Connect(2);
    EXPECT_TRUE(panel->isEnabled());
    frame->OnAfterDisconnect(0, 0);
    EXPECT_FALSE(panel->isEnabled());
    // A disabled panel takes no click.
    QTest::mouseClick(panel->Button(1552), Qt::LeftButton);
    Settle();
    EXPECT_TRUE(cmds.empty());
}

// Qt hands a wheel turn over a disabled window to its event filters too: the
// knob's must not take it.
TEST_F(FrontPanel, ADisabledPanelTakesNoWheelOrKey) {
    Focus(1532);
    frame->OnAfterDisconnect(0, 0);
    ASSERT_FALSE(panel->isEnabled());
    CRoundSliderCtrl* knob = panel->Knob();
    for (int i = 0; i < 3; ++i)
        Wheel(knob, 120);
    Key(knob, Qt::Key_Up);
    Wheel(panel->Cell(1532), 120);
    Key(panel->Cell(1532), Qt::Key_Up);
    Settle();
    EXPECT_EQ(panel->m_llFrequency, 87900000);
    EXPECT_EQ(panel->m_nLevel, -500);
    EXPECT_EQ(knob->GetPos(), 600);
    EXPECT_TRUE(cmds.empty());
    EXPECT_EQ(Stored(KEY_ZEPHYRA_POWER), 12345); // nothing written
    // Before the first connection there is no instrument section either.
    state().m_strProfileSection.clear();
    Wheel(knob, -120);
    Settle();
    EXPECT_EQ(panel->m_nLevel, -500);
    EXPECT_EQ(Profile::GetProfileInt(QString(), SettingKeyName(KEY_ZEPHYRA_POWER), 12345), 12345);
    EXPECT_TRUE(cmds.empty());
}

TEST_F(FrontPanel, PanesAreBlackOutsideTheirBitmapsAndGalleryGrabs) {
    const QString out = TestOutputFolder();
    pane->resize(pane->width(), 800);
    QWidget* client = pane->widget();
    client->resize(client->width(), 800);
    const QImage img = client->grab().toImage();
    ASSERT_GE(img.height(), 700);
    EXPECT_EQ(QColor(img.pixel(10, 700)), QColor(Qt::black));
    EXPECT_NE(QColor(img.pixel(10, 100)), QColor(Qt::black)); // the background picture
    EXPECT_TRUE(img.save(QDir(out).filePath(QStringLiteral("front_panel_pane.png"))));
    // The play bar's pane likewise right of its 952 pixels.
    QWidget* barClient = frame->m_wndPlayBarPane->widget();
    barClient->resize(1200, barClient->height());
    const QImage bar = barClient->grab().toImage();
    ASSERT_GE(bar.width(), 1100);
    EXPECT_EQ(QColor(bar.pixel(1100, 10)), QColor(Qt::black));
    EXPECT_NE(QColor(bar.pixel(100, 10)), QColor(Qt::black));

    // The focused cell is drawn in the highlighted (red) digits.
    const QImage normal = panel->Cell(1532)->grab().toImage();
    Focus(1532);
    EXPECT_NE(panel->Cell(1532)->grab().toImage(), normal);
    EXPECT_TRUE(panel->grab().save(QDir(out).filePath(QStringLiteral("front_panel_focused.png"))));
    frame->OnAfterDisconnect(0, 0);
    EXPECT_TRUE(panel->grab().save(QDir(out).filePath(QStringLiteral("front_panel_disabled.png"))));
}

} // namespace
