// A test engineer's bench session from start to end, the whole program against
// the simulated instrument: connect from the device list, tune the front panel,
// play a carrier and a hybrid file from the browser and read them on the
// Spectrum window, change the Viewer settings, seek, copy, lose the link and
// connect again. Each step checks what the user sees or what the instrument got.
// With ZEPHYRA_PICTURES set (scripts/screenshots) it leaves the README's pictures there.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "BenchSession.h"
#include "GraphTap.h"
#include "QtTestMain.h"
#include "TestSupport.h"
#include "app/MarlixExApp.h"
#include "controls/CBitmapSlider.h"
#include "controls/CKbcButton.h"
#include "device/MarlixMFC.h"
#include "mainframe/MainFrm.h"
#include "output/CPaneDialogCaptuePlayCtrlBar.h"
#include "output/CZephyraCtrlDlg.h"
#include "output/CZephyraPaneDlg.h"
#include "output/DialogCopyDrive.h"
#include "output/DialogPlayFolderList.h"
#include "output/DialogPlayTimeSet.h"
#include "output/DumpPlayBar.h"
#include "platform/MsgTarget.h"
#include "res/resource.h"
#include "settings/CDialogSettingTab.h"
#include "settings/CDialogSetting_Viewer.h"
#include "settings/CTabCtrl_Setting.h"
#include "views/SpectrumView.h"

namespace {

const QString kSim = QStringLiteral("127.0.0.9");
const QString kCarrier = QStringLiteral("IB_FM_e1_CW_dc.bin");     // one carrier at the centre
const QString kHybrid = QStringLiteral("IB_FMr208b_e1wfc522.bin"); // analog host and digital sidebands
constexpr double kFmClock = 744187.5;

DeviceState& DS() {
    return g_Marlix.DeviceState;
}

QStringList MxNames(const std::vector<SimLogLine>& log) {
    QStringList names;
    for (const SimLogLine& l : log)
        if (l.name.startsWith(QLatin1String("MX_CMD_")) && l.name != QLatin1String("MX_CMD_STATUS") &&
            l.name != QLatin1String("MX_CMD_DISCOVER"))
            names << l.name;
    return names;
}

template <typename T> QByteArray Bytes(T v) {
    return QByteArray(reinterpret_cast<const char*>(&v), int(sizeof v));
}

QByteArray Utf16(const QString& s) {
    return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
}

// "M1: 97.900MHz, -40.0dBm" read back into its numbers and unit.
struct Readout {
    bool ok = false;
    double mhz = 0, level = 0;
    std::string unit;
    double markerLevel = 0; // the marker's own level behind the text, before rounding
};
Readout ParseReadout(const std::string& text) {
    Readout r;
    char unit[16] = {};
    r.ok = std::sscanf(text.c_str(), "M1: %lfMHz, %lf%15s", &r.mhz, &r.level, unit) == 3;
    r.unit = unit;
    return r;
}

// Mean level (dB) of the trace points whose offset from the centre lies in [lo, hi] Hz.
double BandMean(const std::vector<double>& trace, double lo, double hi) {
    const double span = 0.8 * kFmClock, step = span / double(trace.size());
    double sum = 0;
    int n = 0;
    for (std::size_t i = 0; i < trace.size(); ++i) {
        const double off = -0.4 * kFmClock + (double(i) + 0.5) * step;
        if (off >= lo && off <= hi) {
            sum += std::pow(10.0, trace[i] / 10.0);
            ++n;
        }
    }
    return n ? 10.0 * std::log10(sum / n) : -999.0;
}

class BenchSessionE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.StartProgram());
        frame = session.frame;
        bar = session.bar;
        browser = session.browser;
        panel = &frame->m_wndZephyraPane->m_dlgCtrl;
        GraphTap::Install();
        pictures = {TestOutputFolder(), PictureFolderFromEnvironment()};
    }
    void TearDown() override {
        GraphTap::Remove();
        session.StopProgram();
    }

    bool PanelsEnabled() const {
        return frame->m_wndPlayBarPane->PlayBarWindow()->isEnabled() && panel->isEnabled();
    }
    bool PanelsDisabled() const {
        return !frame->m_wndPlayBarPane->PlayBarWindow()->isEnabled() && !panel->isEnabled();
    }
    void Key(UINT cell, Qt::Key key) {
        QTest::keyClick(panel->Cell(cell), key);
        PumpPostedMessages();
    }
    // The last payload of a command once it is the one wanted.
    bool Arrived(const char* name, const QByteArray& payload) {
        return WaitFor(
            [&] {
                const auto l = session.Commands(QString::fromLatin1(name));
                return !l.empty() && l.back().payload == payload;
            },
            5000);
    }
    // The right button on the graph, then "Peak Search" from its menu.
    void PeakSearch() {
        CSpectrumView* view = nullptr;
        ASSERT_TRUE(frame->FindSpectrumView(view));
        bool picked = false;
        auto* poll = new QTimer;
        poll->setInterval(20);
        QObject::connect(poll, &QTimer::timeout, [&picked, poll] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            poll->stop();
            poll->deleteLater();
            for (QAction* a : menu->actions())
                if (a->text() == QLatin1String("Peak Search")) {
                    a->trigger();
                    picked = true;
                }
            menu->close();
        });
        poll->start();
        QTest::mouseClick(&view->m_dlgSpectrum, Qt::RightButton, {}, view->m_dlgSpectrum.rect().center());
        ASSERT_TRUE(picked);
        PumpPostedMessages(50);
        EXPECT_EQ(DS().m_nSpectrumMode, 2);
    }
    // The marker read-out after a few more blocks have been drawn.
    Readout ReadoutAfterBlocks(int blocks) {
        const long long until = GraphTap::fed[0] + blocks;
        EXPECT_TRUE(WaitFor([&] { return GraphTap::fed[0] >= until; }, 20000));
        Readout r = ParseReadout(GraphTap::texts[11]);
        float level = 0;
        r.ok = r.ok && theApp.GraphCall(theApp.m_pfnVarolGraph_GetMarkData, 0, 0, 0, 1, &level) == -1;
        r.markerLevel = level;
        return r;
    }
    // Mean of several read-outs: the level of a carrier moves a little with the noise under it.
    Readout SteadyReadout() {
        Readout sum = ReadoutAfterBlocks(4);
        const int n = 6;
        for (int i = 1; i < n; ++i) {
            const Readout r = ReadoutAfterBlocks(1);
            sum.ok = sum.ok && r.ok && r.unit == sum.unit;
            sum.level += r.level;
            sum.mhz += r.mhz;
            sum.markerLevel += r.markerLevel;
        }
        sum.level /= n;
        sum.mhz /= n;
        sum.markerLevel /= n;
        return sum;
    }
    // The digital sidebands' mean level over several drawn blocks (noise-like, so one block varies).
    double SidebandLevel(int blocks) {
        double sum = 0;
        for (int i = 0; i < blocks; ++i) {
            const long long until = GraphTap::fed[0] + 1;
            EXPECT_TRUE(WaitFor([&] { return GraphTap::fed[0] >= until; }, 20000));
            sum += std::pow(10.0, BandMean(GraphTap::trace, -195e3, -132e3) / 10.0) +
                   std::pow(10.0, BandMean(GraphTap::trace, 132e3, 195e3) / 10.0);
        }
        return 10.0 * std::log10(sum / (2 * blocks));
    }
    void Picture(const char* name) { EXPECT_TRUE(session.SavePicture(QString::fromLatin1(name), pictures)); }

    BenchSession session{kSim, QStringLiteral("Marlix Zephyra (bench)")};
    CMainFrame* frame = nullptr;
    CDumpPlayBar* bar = nullptr;
    CDialogPlayFolderList* browser = nullptr;
    CZephyraCtrlDlg* panel = nullptr;
    QStringList pictures;
};

} // namespace

TEST_F(BenchSessionE2E, AUsersSessionFromConnectToReconnect) {
    // --- connect by the device list; the connection's commands in their order.
    ASSERT_TRUE(session.StartInstrument({QStringLiteral("--points"), QStringLiteral("8192")}));
    ASSERT_TRUE(session.ConnectByDeviceList());
    EXPECT_EQ(session.boxes.Count(QStringLiteral("Connected!")), 1);
    EXPECT_EQ(frame->StatusPaneLabel(1)->text(), QStringLiteral("Connected"));
    EXPECT_TRUE(PanelsEnabled());
    const QStringList setup{
        QStringLiteral("MX_CMD_CONNECT"),      QStringLiteral("MX_CMD_SYSTEM_MODE"),
        QStringLiteral("MX_CMD_SYSTEM_MODE"),  QStringLiteral("MX_CMD_REF_10MHZ"),
        QStringLiteral("MX_CMD_TRIGGER"),      QStringLiteral("MX_CMD_RES_BW"),
        QStringLiteral("MX_CMD_UPDATE_SPEED"), QStringLiteral("MX_CMD_SPECTRAL_INV"),
        QStringLiteral("MX_CMD_STORAGE"),      QStringLiteral("MX_CMD_STORAGE_DRIVE"),
        QStringLiteral("MX_CMD_MODE_PARAM_B"), QStringLiteral("MX_CMD_MODE_PARAM_A"),
    };
    EXPECT_EQ(MxNames(session.Instrument()->Log()), setup);
    frame->OnWindowTileHorz();

    // --- 97.9 MHz from the FM preset, -40.0 dBm typed on the level cells.
    QTest::mouseClick(panel->Button(1559), Qt::LeftButton);
    ASSERT_TRUE(Arrived("MX_CMD_ZEPHYRA_FREQ", Bytes(std::uint32_t(97900000))));
    ASSERT_LT(panel->m_nLevel, 0); // the sign cell shows minus
    panel->Cell(1540)->setFocus(Qt::MouseFocusReason);
    PumpPostedMessages();
    Key(1540, Qt::Key_0);
    Key(1541, Qt::Key_4);
    Key(1542, Qt::Key_0);
    Key(1544, Qt::Key_0);
    EXPECT_EQ(panel->m_nLevel, -400);
    // Before a file plays the level goes out against the default file power of -20.0 dB.
    ASSERT_TRUE(Arrived("MX_CMD_ZEPHYRA_POWER", Bytes(std::int16_t(-200))));

    // --- the browser: the FM folder, a carrier file and a hybrid file checked, Open Files.
    ASSERT_TRUE(
        session.OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Vectors"), QStringLiteral("FM")}, 3));
    const int rowCarrier = session.RowOf(kCarrier), rowHybrid = session.RowOf(kHybrid);
    ASSERT_GE(rowCarrier, 0);
    ASSERT_GE(rowHybrid, 0);
    ASSERT_LT(rowCarrier, rowHybrid); // list order is play order
    session.ClickRow(rowCarrier);
    session.ClickRow(rowHybrid);
    EXPECT_EQ(browser->m_nCheckedCount, 2);
    EXPECT_EQ(browser->m_listFile->topLevelItem(rowCarrier)->checkState(0), Qt::Checked);
    browser->m_listFile->scrollToItem(browser->m_listFile->topLevelItem(rowCarrier));
    Picture("browser");
    ASSERT_TRUE(session.OpenFiles(kCarrier));
    EXPECT_FALSE(browser->isVisible());
    EXPECT_EQ(session.Commands(QStringLiteral("MX_CMD_PLAY_FILE")).back().payload,
              Utf16(QStringLiteral("D:\\Vectors\\FM\\") + kCarrier));

    // --- it plays: the position advances.
    bar->m_btnPlay->Click();
    ASSERT_TRUE(WaitFor([&] { return bar->m_nCurPos >= 2; }, 10000));
    EXPECT_EQ(bar->m_sliderSeek->m_nPos, bar->m_nCurPos);
    EXPECT_FALSE(session.Commands(QStringLiteral("MX_CMD_PLAY_START")).empty());

    // --- the peak marker reads the carrier where the front panel says it is.
    PeakSearch();
    const Readout carrier = SteadyReadout();
    ASSERT_TRUE(carrier.ok) << GraphTap::texts[11];
    EXPECT_EQ(carrier.unit, "dBm");
    EXPECT_NEAR(carrier.mhz, double(panel->m_llFrequency) / 1e6, 0.001);
    EXPECT_NEAR(carrier.level, panel->m_nLevel / 10.0, 0.5);

    // --- Next: the hybrid file, its spectrum a host carrier with a digital sideband each side.
    bar->m_btnNext->Click();
    ASSERT_TRUE(session.LoadedFile(kHybrid));
    bar->m_btnPlay->Click();
    ASSERT_TRUE(WaitFor([&] { return bar->m_nCurPos >= 1; }, 10000));
    const long long fedBefore = GraphTap::fed[0];
    ASSERT_TRUE(WaitFor([&] { return GraphTap::fed[0] >= fedBefore + 6; }, 20000));
    const std::vector<double> trace = GraphTap::trace;
    ASSERT_GT(trace.size(), 1000u);
    const double lower = BandMean(trace, -195e3, -132e3), upper = BandMean(trace, 132e3, 195e3);
    const double gapLow = BandMean(trace, -110e3, -20e3), gapHigh = BandMean(trace, 20e3, 110e3);
    const double outside = BandMean(trace, 215e3, 290e3);
    const double host = *std::max_element(trace.begin() + long(trace.size()) / 2 - 20,
                                          trace.begin() + long(trace.size()) / 2 + 20);
    EXPECT_NEAR(lower, upper, 3.0);
    EXPECT_GT(lower, gapLow + 15.0);
    EXPECT_GT(upper, gapHigh + 15.0);
    EXPECT_GT(upper, outside + 15.0);
    EXPECT_GT(host, upper + 20.0);
    Picture("connected");

    // --- the Viewer page: a new resolution bandwidth, then dBmV; the read-out follows.
    PeakSearch();
    const Readout before = SteadyReadout();
    ASSERT_TRUE(before.ok);
    EXPECT_NEAR(before.level, -40.0, 0.5); // the host carrier holds nearly all the power
    const double sidebandsBefore = SidebandLevel(8);
    frame->SendMessage(WM_COMMAND, ID_SETTING_VIEWER, 0);
    CDialogSettingTab* settings = frame->m_pSettingDlg;
    ASSERT_TRUE(settings->isVisible());
    CDialogSetting_Viewer* viewer = settings->m_tabSetting->m_pViewer;
    ASSERT_EQ(viewer->m_cbResBW->currentIndex(), 1); // 300 Hz, the default
    viewer->m_cbResBW->setCurrentIndex(3);           // 500 Hz
    QTest::mouseClick(settings->m_btnApply, Qt::LeftButton);
    ASSERT_TRUE(Arrived("MX_CMD_RES_BW", Bytes(std::int32_t(3))));
    const Readout rbwChanged = SteadyReadout();
    ASSERT_TRUE(rbwChanged.ok);
    EXPECT_EQ(rbwChanged.unit, "dBm");
    // A carrier reads its power at any bandwidth; noise-like sidebands read more
    // through a wider filter: 500 Hz against 300 Hz, which 8192 points of the FM
    // clock widen to their narrowest filter of 4 bins.
    EXPECT_NEAR(rbwChanged.markerLevel, before.markerLevel, 0.1);
    EXPECT_NEAR(rbwChanged.mhz, before.mhz, 0.001);
    // About 10 log10(500 / 363.4) = 1.4 dB; the narrowest filter passes a little less
    // noise than its -3 dB width alone says.
    const double wider = SidebandLevel(8) - sidebandsBefore;
    EXPECT_GT(wider, 1.0);
    EXPECT_LT(wider, 2.0);

    viewer->m_cbUnit->setCurrentIndex(1);
    settings->move(frame->geometry().topLeft() + QPoint(40, 410)); // over the IQ window, the spectrum in view
    Picture("settings");
    QTest::mouseClick(settings->m_btnOk, Qt::LeftButton);
    EXPECT_FALSE(settings->isVisible());
    const Readout dBmV = SteadyReadout();
    ASSERT_TRUE(dBmV.ok) << GraphTap::texts[11];
    EXPECT_EQ(dBmV.unit, "dBmV");
    EXPECT_NEAR(dBmV.markerLevel, rbwChanged.markerLevel + 46.99, 0.1);
    EXPECT_NEAR(dBmV.level, dBmV.markerLevel, 0.05); // the text shows the marker to a tenth
    // The carrier is as strong as before; the instrument heard of no unit.
    EXPECT_TRUE(session.Commands(QStringLiteral("MX_CMD_UNKNOWN")).empty());

    // --- the play time: 00:00:30, and the position jumps there.
    bar->m_btnTimeSet->Click();
    CDialogPlayTimeSet* timeSet = bar->m_pTimeSetDlg;
    ASSERT_TRUE(timeSet && timeSet->isVisible());
    timeSet->SendMessage(WM_SLIDER_STEP, CDialogPlayTimeSet::kIdFirstDigit + 4, '3');
    timeSet->SendMessage(WM_SLIDER_STEP, CDialogPlayTimeSet::kIdFirstDigit + 5, '0');
    timeSet->m_pApply->click();
    ASSERT_TRUE(Arrived("MX_CMD_PLAY_SEEK", Bytes(std::uint32_t(30))));
    ASSERT_TRUE(WaitFor([&] { return bar->m_nCurPos >= 30 && bar->m_nCurPos < 35; }, 5000));
    EXPECT_EQ(bar->m_sliderSeek->m_nPos, bar->m_nCurPos);

    // --- copy both files to another drive; the progress reaches 100 %.
    bar->m_btnStop->Click();
    ASSERT_TRUE(WaitFor([&] { return !bar->m_btnOpen->m_bDisabled; }, 5000));
    ASSERT_TRUE(
        session.OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Vectors"), QStringLiteral("FM")}, 3));
    for (const QString& name : {kCarrier, kHybrid})
        if (browser->m_listFile->topLevelItem(session.RowOf(name))->checkState(0) != Qt::Checked)
            session.ClickRow(session.RowOf(name));
    ASSERT_EQ(browser->m_nCheckedCount, 2);
    int totalPercent = 0, filePercent = 0;
    QString done;
    WhenModal<CDialogCopyDrive>([&](CDialogCopyDrive* dlg) {
        // Watched while it copies and once more as it closes itself after the last file.
        const auto sample = [&, dlg] {
            const auto percent = [](QProgressBar* b) {
                return b->maximum() > b->minimum()
                           ? 100 * (b->value() - b->minimum()) / (b->maximum() - b->minimum())
                           : 0;
            };
            totalPercent = std::max(totalPercent, percent(dlg->m_progressTotal));
            filePercent = std::max(filePercent, percent(dlg->m_progressFile));
            done = dlg->m_txtDone->text();
        };
        auto* watch = new QTimer(dlg);
        watch->setInterval(10);
        QObject::connect(watch, &QTimer::timeout, sample);
        QObject::connect(dlg, &QDialog::finished, sample);
        watch->start();
        dlg->m_comboDrive->setCurrentIndex(dlg->m_comboDrive->findText(QStringLiteral("C:\\")));
        dlg->m_btnCopy->click();
    });
    browser->m_btnCopy->click(); // modal until the last file is reported complete
    EXPECT_EQ(totalPercent, 100);
    EXPECT_EQ(filePercent, 100);
    EXPECT_EQ(done, QStringLiteral("2/2"));
    const auto copies = session.Commands(QStringLiteral("MX_CMD_COPY_FILE"));
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].payload, Utf16(QStringLiteral("D:\\Vectors\\FM\\") + kCarrier));
    EXPECT_EQ(copies[1].payload, Utf16(QStringLiteral("D:\\Vectors\\FM\\") + kHybrid));
    const auto drives = session.Commands(QStringLiteral("MX_CMD_COPY_DRIVE"));
    ASSERT_EQ(drives.size(), 2u);
    for (const SimLogLine& drive : drives)
        EXPECT_EQ(drive.payload, Bytes(std::int32_t(2))); // drive C
    browser->hide();

    // --- the link is pulled: the instrument falls silent.
    ASSERT_TRUE(session.Instrument()->Pause());
    ASSERT_TRUE(WaitFor([&] { return session.boxes.Contains(QStringLiteral("Disconnected!")); }, 30000));
    ASSERT_TRUE(WaitFor([] { return DS().m_nConnectState == 0; }, 10000));
    PumpPostedMessages(200);
    EXPECT_EQ(frame->StatusPaneLabel(1)->text(), QStringLiteral("Disconnected"));
    EXPECT_TRUE(PanelsDisabled());
    EXPECT_EQ(browser->m_listFile->topLevelItemCount(), 0);
    EXPECT_EQ(browser->m_treeFolder->topLevelItemCount(), 0);
    EXPECT_TRUE(frame->IsCommandEnabled(ID_CONTROL_CONNECT));

    // --- the instrument is restarted and connected again.
    ASSERT_TRUE(session.Instrument()->Stop());
    ASSERT_TRUE(session.StartInstrument());
    ASSERT_TRUE(session.ConnectByAddress());
    EXPECT_EQ(session.boxes.Count(QStringLiteral("Connected!")), 2);
    EXPECT_EQ(frame->StatusPaneLabel(1)->text(), QStringLiteral("Connected"));
    EXPECT_TRUE(PanelsEnabled());
    EXPECT_EQ(MxNames(session.Instrument()->Log()), setup);
}
