// The settings pages and the calibration dialog against the simulated
// instrument on loopback: one setting of each page arrives, the drive list comes
// from the instrument, a new power unit changes the live spectrum, and a
// calibration value is written and read back.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>
#include <utility>

#include "ProgramSuite.h"
#include "SimInstrument.h"
#include "app/MarlixExApp.h"
#include "app/SettingKeyTable.h"
#include "controls/CMyButtonColor.h"
#include "device/MarlixMFC.h"
#include "graph/VarolGraph.h"
#include "mainframe/IPComboBox.h"
#include "mainframe/MainFrm.h"
#include "platform/MsgBox.h"
#include "platform/MsgTarget.h"
#include "platform/Profile.h"
#include "res/resource.h"
#include "settings/CDialogModuleCal.h"
#include "settings/CDialogSettingTab.h"
#include "settings/CDialogSetting_Graph.h"
#include "settings/CDialogSetting_Play.h"
#include "settings/CDialogSetting_System.h"
#include "settings/CDialogSetting_Viewer.h"
#include "settings/CTabCtrl_Setting.h"

namespace {

const QString kSim = QStringLiteral("127.0.0.2");

DeviceState& DS() {
    return g_Marlix.DeviceState;
}

// The hex payload of the n-th (from the end when negative) logged command of that name.
QByteArray Payload(const std::vector<SimLogLine>& log, const QString& name, int nth = -1) {
    std::vector<const SimLogLine*> hits;
    for (const SimLogLine& l : log)
        if (l.name == name)
            hits.push_back(&l);
    const int i = nth < 0 ? int(hits.size()) + nth : nth;
    return i >= 0 && i < int(hits.size()) ? hits[std::size_t(i)]->payload.toHex() : QByteArray("none");
}

int Count(const std::vector<SimLogLine>& log, const QString& name) {
    return int(std::count_if(log.begin(), log.end(), [&](const SimLogLine& l) { return l.name == name; }));
}

// The carrier's level: steady from block to block, unlike the noise around it.
double SpectrumPeak() {
    const int n = std::clamp(DS().m_nSpectrumPoints, 1, MX_MAX_POINTS);
    const double* s = g_Marlix.DeviceDataStore.m_adSpectrum;
    return *std::max_element(s, s + n);
}

// Counts the blocks the frame hands the I graph (one a block), then passes them on.
struct BlockCount {
    static inline PFN_VarolGraph_SetData next = nullptr;
    static inline int blocks = 0;
    static int VG_CALL SetData(int g, int layer, const void* d, int count, int bytes, int flags) {
        if (g == 3)
            ++blocks;
        return next(g, layer, d, count, bytes, flags);
    }
    BlockCount() { next = std::exchange(theApp.m_pfnVarolGraph_SetData, &SetData); }
    ~BlockCount() { theApp.m_pfnVarolGraph_SetData = next; }
};

class SettingsE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_port = ProgramSuite::Start({kSim});
        ASSERT_NE(s_port, 0);
    }
    static void TearDownTestSuite() { ProgramSuite::Stop(); }
    void SetUp() override {
        frame = theApp.m_pMainWnd;
        ASSERT_NE(frame, nullptr);
        dlg = frame->m_pSettingDlg;
        ASSERT_NE(dlg, nullptr);
        tab = dlg->m_tabSetting;
    }
    void TearDown() override {
        if (frame->m_pModuleCalDlg)
            frame->m_pModuleCalDlg->hide();
        dlg->hide();
        ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_DISCONNECT, 0);
        WaitFor([this] { return DS().m_nConnectState == 0 && !frame->m_connectSequence.IsPausing(); }, 10000);
        PumpPostedMessages(200);
        sim.reset();
    }

    void Connect(const QStringList& args = {}) {
        sim = std::make_unique<SimInstrument>(kSim, QStringLiteral("Bench"), s_port);
        sim->SetExtraArgs(args);
        ASSERT_TRUE(sim->Start()) << sim->Output().toStdString();
        frame->GetIPCombo()->setEditText(kSim);
        ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_IP_COMBO, 0);
        ASSERT_TRUE(WaitFor(
            [&] { return DS().m_nConnectState == 2 && Count(sim->Log(), "MX_CMD_MODE_PARAM_A") > 0; }));
        PumpPostedMessages(100);
    }
    void Open(UINT id) {
        ASSERT_TRUE(frame->IsCommandEnabled(id));
        frame->SendMessage(WM_COMMAND, id, 0);
        ASSERT_TRUE(dlg->isVisible());
    }
    bool Logged(const QString& name, const QByteArray& hex) {
        return WaitFor([&] { return Payload(sim->Log(), name) == hex; }, 10000);
    }
    void Play(const QString& path) {
        const std::u16string p = path.toStdU16String();
        theApp.AddCmd(MX_CMD_PLAY_FILE, MX_RW_DEFAULT, unsigned(p.size() * 2), p.data(),
                      frame->GetSafeHwnd());
        theApp.AddCmd(MX_CMD_PLAY_START, MX_RW_DEFAULT, 0, nullptr, frame->GetSafeHwnd());
    }
    // The peak once a few blocks computed after now have arrived: up to four were
    // made before (three waiting for the GUI thread, one being made).
    double SettledPeak() {
        const int until = BlockCount::blocks + 5;
        EXPECT_TRUE(WaitFor([&] { return BlockCount::blocks >= until; }, 20000));
        return SpectrumPeak();
    }

    static int s_port;
    CMainFrame* frame = nullptr;
    CDialogSettingTab* dlg = nullptr;
    CTabCtrl_Setting* tab = nullptr;
    RecordingMessageBoxes boxes;
    std::unique_ptr<SimInstrument> sim;
};
int SettingsE2E::s_port = 0;

} // namespace

TEST_F(SettingsE2E, OneSettingOfEachPageReachesTheInstrument) {
    Connect();
    EXPECT_EQ(Payload(sim->Log(), "MX_CMD_SPECTRAL_INV"), "00000000");

    Open(ID_SETTING_PLAY);
    tab->m_pPlay->m_cbOutputInvert->setCurrentIndex(1);
    QTest::mouseClick(dlg->m_btnOk, Qt::LeftButton);
    EXPECT_TRUE(Logged("MX_CMD_SPECTRAL_INV", "01000000"));

    Open(ID_SETTING_VIEWER);
    tab->m_pViewer->m_cbResBW->setCurrentIndex(3);
    QTest::mouseClick(dlg->m_btnApply, Qt::LeftButton);
    EXPECT_TRUE(Logged("MX_CMD_RES_BW", "03000000"));

    // System: external storage lists the instrument's drives, Ok sends the one chosen.
    Open(ID_SETTING_SYSTEM);
    CDialogSetting_System* s = tab->m_pSystem;
    s->m_cbRef->setCurrentIndex(1);
    QTest::mouseClick(s->m_rbExternal, Qt::LeftButton);
    EXPECT_TRUE(Logged("MX_CMD_STORAGE", "01000000"));
    ASSERT_TRUE(WaitFor([&] { return s->m_cbDrive->count() == 3; }, 10000));
    EXPECT_EQ(s->m_cbDrive->itemText(1), QStringLiteral("E:\\"));
    EXPECT_EQ(s->m_cbDrive->itemText(2), QStringLiteral("F:\\"));
    s->m_cbDrive->setCurrentIndex(2);
    emit s->m_cbDrive->activated(2);
    QTest::mouseClick(s->m_btnRescan, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return Count(sim->Log(), "MX_CMD_RESCAN_DISK") == 1; }, 10000));
    ASSERT_TRUE(WaitFor([&] { return s->m_cbDrive->count() == 3; }, 10000));
    s->m_cbDrive->setCurrentIndex(2);
    emit s->m_cbDrive->activated(2);
    QTest::mouseClick(dlg->m_btnOk, Qt::LeftButton);
    EXPECT_TRUE(Logged("MX_CMD_STORAGE_DRIVE", "05000000"));
    EXPECT_EQ(Payload(sim->Log(), "MX_CMD_REF_10MHZ"), "01000000");
    EXPECT_EQ(frame->StatusPaneLabel(3)->text(), QStringLiteral("Ref Ext"));
    EXPECT_EQ(frame->StatusPaneLabel(5)->text(), QStringLiteral("F:\\"));

    // Graph: the colour goes to the device state and the profile.
    Open(ID_SETTING_GRAPH);
    tab->m_pGraph->m_fnPicker = [](std::uint32_t) { return std::optional<std::uint32_t>(0x00FF00u); };
    QTest::mouseClick(tab->m_pGraph->Swatch(0, 6), Qt::LeftButton);
    QTest::mouseClick(dlg->m_btnOk, Qt::LeftButton);
    EXPECT_EQ(DS().m_aGraphColors[0].m_clrData, 0xAA00FF00u);
    EXPECT_EQ(
        std::uint32_t(Profile::GetProfileInt(kGraphColorSection, SettingKeyName(KEY_SPEC_BG_COLOR + 6), 0)),
        0xAA00FF00u);
}

TEST_F(SettingsE2E, NoExternalDriveBringsInternalStorageBack) {
    Connect({QStringLiteral("--no-external")});
    Open(ID_SETTING_SYSTEM);
    CDialogSetting_System* s = tab->m_pSystem;
    QTest::mouseClick(s->m_rbExternal, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return s->m_rbInternal->isChecked(); }, 10000));
    EXPECT_FALSE(s->m_cbDrive->isEnabled());
    EXPECT_TRUE(Logged("MX_CMD_STORAGE", "00000000"));
    EXPECT_EQ(DS().m_nStorage, 0);
    EXPECT_EQ(DS().m_nStorageDrive, 3);
}

// Drive 25 on internal storage is an answer, not a fallback to send again.
TEST_F(SettingsE2E, AnInstrumentAnsweringInternalStorageGetsEachChoiceOnce) {
    Connect({QStringLiteral("--answer-internal-storage")});
    const int before = Count(sim->Log(), "MX_CMD_STORAGE");
    Open(ID_SETTING_SYSTEM);
    CDialogSetting_System* s = tab->m_pSystem;
    QTest::mouseClick(s->m_rbExternal, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return s->m_cbDrive->count() == 3; }, 10000));
    QTest::mouseClick(s->m_rbInternal, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return Count(sim->Log(), "MX_CMD_STORAGE") >= before + 2; }, 10000));
    QTest::qWait(1000);
    QTest::mouseClick(dlg->m_btnOk, Qt::LeftButton);
    QTest::qWait(1000);
    PumpPostedMessages(100);
    EXPECT_EQ(Count(sim->Log(), "MX_CMD_STORAGE"), before + 2);
    EXPECT_EQ(Payload(sim->Log(), "MX_CMD_STORAGE"), "00000000");
    EXPECT_TRUE(s->m_rbInternal->isChecked());
    EXPECT_EQ(DS().m_nStorage, 0);
}

TEST_F(SettingsE2E, PowerUnitChangesTheLiveSpectrum) {
    Connect();
    const BlockCount counting;
    Play(QStringLiteral("D:\\Recordings\\rec_0001_AM.bin"));
    ASSERT_TRUE(WaitFor([] { return DS().m_nPlayMode == 5; }, 10000));
    const double dBm = SettledPeak();
    ASSERT_GT(dBm, -60.0);

    Open(ID_SETTING_VIEWER);
    tab->m_pViewer->m_cbUnit->setCurrentIndex(1);  // dBmV
    tab->m_pViewer->m_cbResBW->setCurrentIndex(3); // 500 Hz
    QTest::mouseClick(dlg->m_btnOk, Qt::LeftButton);
    EXPECT_NEAR(SettledPeak() - dBm, 46.99, 0.5) << dBm;
    EXPECT_TRUE(Logged("MX_CMD_RES_BW", "03000000"));
    EXPECT_EQ(g_Marlix.GetPowerUnitdBType(), POWER_UNIT_DBMV);
    theApp.AddCmd(MX_CMD_PLAY_STOP, MX_RW_DEFAULT, 0, nullptr, frame->GetSafeHwnd());
}

// The Viewer's marker count and a picked colour act on the Spectrum window's graph.
TEST_F(SettingsE2E, MarkerCountAndColoursReachTheSpectrumGraph) {
    Connect();
    ASSERT_TRUE(WaitFor([] { return theApp.m_bGraphCreated[0] == 1; }, 10000));
    auto* spectrum = dynamic_cast<CMsgTarget*>(theApp.m_pSpectrumFrame);
    ASSERT_NE(spectrum, nullptr);
    spectrum->SendMessage(WM_COMMAND, ID_ANALYZER_MARKER, 0);
    ASSERT_EQ(DS().m_nSpectrumMode, int(VG_MODE_MARKER));

    Open(ID_SETTING_VIEWER);
    tab->m_pViewer->m_cbMarker->setCurrentIndex(2); // three markers
    QTest::mouseClick(dlg->m_btnOk, Qt::LeftButton);
    EXPECT_EQ(g_Marlix.GetMarkerCounts(), 2);
    auto visible = [](int text) {
        return theApp.GraphCall(theApp.m_pfnVarolGraph_GetCustomTextVisible, 0, text);
    };
    EXPECT_NE(visible(13), 0); // marker 3's read-out
    EXPECT_EQ(visible(14), 0);

    auto graphBG = [] {
        GraphDesignInfo info{};
        theApp.GraphCall(theApp.m_pfnVarolGraph_GetDesignInfo, 0, &info);
        return info.m_clrBG;
    };
    const std::uint32_t before = graphBG();
    Open(ID_SETTING_GRAPH);
    tab->m_pGraph->m_fnPicker = [](std::uint32_t) { return std::optional<std::uint32_t>(0x0000FFu); };
    QTest::mouseClick(tab->m_pGraph->Swatch(0, 0), Qt::LeftButton);
    EXPECT_EQ(graphBG(), 0xFFFF0000u); // previewed at once
    QTest::mouseClick(dlg->m_btnCancel, Qt::LeftButton);
    EXPECT_EQ(graphBG(), before);
}

TEST_F(SettingsE2E, CalibrationValueWrittenAndReadBack) {
    Connect();
    frame->OpenModuleCalDialog();
    CDialogModuleCal* cal = frame->m_pModuleCalDlg;
    ASSERT_NE(cal, nullptr);
    EXPECT_FALSE(cal->SetButton(0)->isEnabled());
    cal->Edit(0)->setText(QStringLiteral("12.37"));
    cal->OnEnKillfocusValue(0);
    ASSERT_TRUE(cal->SetButton(0)->isEnabled());
    QTest::mouseClick(cal->SetButton(0), Qt::LeftButton);
    ASSERT_TRUE(Logged("MX_CMD_MODULE_CAL", "7b000000"));
    cal->Edit(0)->setText(QStringLiteral("0"));
    QTest::mouseClick(cal->GetButton(0), Qt::LeftButton);
    EXPECT_TRUE(cal->Edit(0)->text().isEmpty());
    ASSERT_TRUE(WaitFor([&] { return cal->Edit(0)->text() == QStringLiteral("12.3"); }, 10000));
    EXPECT_TRUE(cal->SetButton(0)->isEnabled());

    QTest::mouseClick(cal->findChild<QPushButton*>(QStringLiteral("1525")), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return Count(sim->Log(), "MX_CMD_TEXT_COMMAND") >= 6; }, 10000));
    const QString out = [&] {
        QString all;
        WaitFor(
            [&] {
                all += sim->Output();
                return all.contains(QStringLiteral("nios att rw 6 0000001E"));
            },
            10000);
        return all;
    }();
    EXPECT_TRUE(out.contains(QStringLiteral("console: debugmarlix 1")));
    EXPECT_TRUE(out.contains(QStringLiteral("console: nios att rw 5 02DC6C00")));
    EXPECT_TRUE(out.contains(QStringLiteral("console: nios att rw 6 0000001E")));
}
