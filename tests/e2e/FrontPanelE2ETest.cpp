// The front panel against the simulated instrument on loopback: a preset, a typed
// frequency, the level and the sample clock each reach the instrument as one
// command with the exact payload, 300 ms after the last edit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <memory>

#include "ProgramSuite.h"
#include "QtTestMain.h"
#include "SimInstrument.h"
#include "app/MarlixExApp.h"
#include "controls/CBitmapSlider.h"
#include "controls/CKbcButton.h"
#include "device/MarlixMFC.h"
#include "mainframe/IPComboBox.h"
#include "mainframe/MainFrm.h"
#include "output/CZephyraCtrlDlg.h"
#include "output/CZephyraPaneDlg.h"
#include "platform/MsgBox.h"
#include "platform/MsgTarget.h"
#include "platform/Profile.h"
#include "res/resource.h"

namespace {

const QString kSim = QStringLiteral("127.0.0.2");

int State() {
    return g_Marlix.DeviceState.m_nConnectState;
}

std::vector<SimLogLine> Lines(const std::vector<SimLogLine>& log, const char* name) {
    std::vector<SimLogLine> out;
    for (const SimLogLine& l : log)
        if (l.name == QLatin1String(name))
            out.push_back(l);
    return out;
}

template <typename T> QByteArray Bytes(T v) {
    return QByteArray(reinterpret_cast<const char*>(&v), int(sizeof v));
}

class FrontPanelE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_port = ProgramSuite::Start({kSim});
        ASSERT_NE(s_port, 0);
    }
    static void TearDownTestSuite() { ProgramSuite::Stop(); }
    void SetUp() override {
        frame = theApp.m_pMainWnd;
        ASSERT_NE(frame, nullptr);
        panel = &frame->m_wndZephyraPane->m_dlgCtrl;
        frame->show();
        QApplication::setActiveWindow(frame);
        clock.start();
        theApp.m_fnCommandTap = [this](MX_CMD_ID_e id, MX_RW_ID_e, unsigned, const void*, HWND) {
            if (id == MX_CMD_ZEPHYRA_FREQ || id == MX_CMD_ZEPHYRA_POWER || id == MX_CMD_SAMPLE_CLOCK)
                queuedAt.push_back(clock.elapsed());
        };
    }
    void TearDown() override {
        theApp.m_fnCommandTap = nullptr;
        ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_DISCONNECT, 0);
        WaitFor([this] { return State() == 0 && !frame->m_connectSequence.IsPausing(); }, 10000);
        PumpPostedMessages(200);
        sim.reset();
    }

    void Connect() {
        sim = std::make_unique<SimInstrument>(kSim, QStringLiteral("Bench"), s_port);
        ASSERT_TRUE(sim->Start()) << sim->Output().toStdString();
        frame->GetIPCombo()->setEditText(kSim);
        ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_IP_COMBO, 0);
        ASSERT_TRUE(
            WaitFor([&] { return State() == 2 && !Lines(sim->Log(), "MX_CMD_MODE_PARAM_A").empty(); }));
        PumpPostedMessages(100);
        ASSERT_TRUE(panel->isEnabled());
    }
    // Delivers what the key posts but runs no timer: on a slow machine a gap of
    // 300 ms between two keys would otherwise send in between.
    void Key(UINT cell, Qt::Key key) {
        QTest::keyClick(panel->Cell(cell), key);
        QCoreApplication::sendPostedEvents();
    }
    // Waits until the instrument has `count` lines of the command, then a little
    // longer so that a second, unwanted one would show.
    std::vector<SimLogLine> Arrived(const char* name, std::size_t count) {
        EXPECT_TRUE(WaitFor([&] { return Lines(sim->Log(), name).size() >= count; }, 20000)) << name;
        QTest::qWait(500);
        return Lines(sim->Log(), name);
    }

    static int s_port;
    CMainFrame* frame = nullptr;
    CZephyraCtrlDlg* panel = nullptr;
    RecordingMessageBoxes boxes;
    std::unique_ptr<SimInstrument> sim;
    QElapsedTimer clock;
    std::vector<qint64> queuedAt;
};
int FrontPanelE2E::s_port = 0;

TEST_F(FrontPanelE2E, PresetAndTypedFrequencyArriveOnceEach) {
    Connect();
    // The instrument's limits reach the panel; the connection itself sent neither value.
    EXPECT_EQ(panel->m_llFreqMin, 500000);
    EXPECT_EQ(panel->m_llFreqMax, 2000000000);
    EXPECT_TRUE(Lines(sim->Log(), "MX_CMD_ZEPHYRA_FREQ").empty());
    EXPECT_TRUE(Lines(sim->Log(), "MX_CMD_ZEPHYRA_POWER").empty());

    QTest::mouseClick(panel->Button(1553), Qt::LeftButton); // AM 820
    const qint64 clicked = clock.elapsed();
    std::vector<SimLogLine> freq = Arrived("MX_CMD_ZEPHYRA_FREQ", 1);
    ASSERT_EQ(freq.size(), 1u);
    EXPECT_EQ(freq[0].payload, Bytes(std::uint32_t(820000)));
    EXPECT_EQ(freq[0].selector, 1);
    ASSERT_EQ(queuedAt.size(), 1u);
    EXPECT_GE(queuedAt[0] - clicked, 290);

    // 0,000,820,000 typed over to 0,107,920,000, digit by digit from the 10^8 cell.
    panel->Cell(1528)->setFocus(Qt::MouseFocusReason);
    PumpPostedMessages();
    Key(1528, Qt::Key_1);
    Key(1529, Qt::Key_0);
    Key(1530, Qt::Key_7);
    const qint64 typed = clock.elapsed(); // before the last digit: its timer starts after
    Key(1532, Qt::Key_9);
    freq = Arrived("MX_CMD_ZEPHYRA_FREQ", 2);
    ASSERT_EQ(freq.size(), 2u);
    EXPECT_EQ(freq[1].payload, Bytes(std::uint32_t(107920000)));
    ASSERT_EQ(queuedAt.size(), 2u);
    EXPECT_GE(queuedAt[1] - typed, 290);
    EXPECT_EQ(g_Marlix.DeviceState.m_nZephyraFreqHz, 107920000u);
    EXPECT_TRUE(frame->grab().save(TestOutputFolder() + QStringLiteral("/main_frame_connected.png")));
}

TEST_F(FrontPanelE2E, LevelAndSampleClockArriveOnceEach) {
    Connect();
    const int shown = panel->m_nLevel;
    QTest::mouseClick(panel->Button(1546), Qt::LeftButton); // -5 dB
    QTest::mouseClick(panel->Button(1546), Qt::LeftButton);
    const std::vector<SimLogLine> power = Arrived("MX_CMD_ZEPHYRA_POWER", 1);
    ASSERT_EQ(power.size(), 1u);
    EXPECT_EQ(power[0].payload, Bytes(std::int16_t(shown - 100 + 200)));

    // Three steps up on the units of Hz: one clock, in kHz.
    const std::int64_t start = panel->m_llSampleClock;
    panel->Cell(1574)->setFocus(Qt::MouseFocusReason);
    PumpPostedMessages();
    for (int i = 0; i < 3; ++i)
        Key(1574, Qt::Key_Up);
    const std::vector<SimLogLine> clk = Arrived("MX_CMD_SAMPLE_CLOCK", 1);
    ASSERT_EQ(clk.size(), 1u);
    EXPECT_EQ(clk[0].payload, Bytes(double(start + 3) / 1000.0));
    // Back to where it started is a change again, and one more command.
    for (int i = 0; i < 3; ++i)
        Key(1574, Qt::Key_Down);
    const std::vector<SimLogLine> back = Arrived("MX_CMD_SAMPLE_CLOCK", 2);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].payload, Bytes(double(start) / 1000.0));
}

} // namespace
