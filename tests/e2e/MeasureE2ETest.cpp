// The measurement windows against the simulated instrument: the Spectrum and IQ
// windows open on connection and move while a file plays; the frequency axis,
// peak search, band power and the I/Q time axis give the numbers the signal holds.
#include <gtest/gtest.h>

#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ProgramSuite.h"
#include "SimInstrument.h"
#include "TestSupport.h"
#include "app/MarlixExApp.h"
#include "app/SettingKeyTable.h"
#include "controls/CKbcButton.h"
#include "device/MarlixMFC.h"
#include "mainframe/IPComboBox.h"
#include "mainframe/MainFrm.h"
#include "output/DialogPlayFolderList.h"
#include "output/DumpPlayBar.h"
#include "platform/MsgBox.h"
#include "platform/MsgTarget.h"
#include "platform/Profile.h"
#include "res/resource.h"
#include "views/IQFrame.h"
#include "views/SpectrumFrame.h"
#include "views/SpectrumView.h"

namespace {

const QString kSim = QStringLiteral("127.0.0.5");
constexpr double kFmClock = 744187.5, kAmClock = 46511.71875;

DeviceState& DS() {
    return g_Marlix.DeviceState;
}

// Watches what the program hands the graph library, then passes it on.
struct GraphSpy {
    static inline PFN_VarolGraph_SetData setData = nullptr;
    static inline PFN_VarolGraph_SetCustomText setText = nullptr;
    static inline PFN_VarolGraph_SetBandPowerText setBand = nullptr;
    static inline int dataCalls[5] = {};
    static inline std::map<int, std::string> texts;
    static inline std::string bandText;

    static int VG_CALL SetData(int g, int layer, const void* d, int count, int bytes, int flags) {
        if (g >= 0 && g < 5)
            ++dataCalls[g];
        return setData(g, layer, d, count, bytes, flags);
    }
    static int VG_CALL SetText(int g, int n, const char* t) {
        if (g == 0)
            texts[n] = t ? t : "";
        return setText(g, n, t);
    }
    static int VG_CALL SetBand(int g, const char* t) {
        bandText = t ? t : "";
        return setBand(g, t);
    }
    static void Install() {
        setData = std::exchange(theApp.m_pfnVarolGraph_SetData, &SetData);
        setText = std::exchange(theApp.m_pfnVarolGraph_SetCustomText, &SetText);
        setBand = std::exchange(theApp.m_pfnVarolGraph_SetBandPowerText, &SetBand);
        std::fill(std::begin(dataCalls), std::end(dataCalls), 0);
        texts.clear();
        bandText.clear();
    }
    static void Remove() {
        theApp.m_pfnVarolGraph_SetData = setData;
        theApp.m_pfnVarolGraph_SetCustomText = setText;
        theApp.m_pfnVarolGraph_SetBandPowerText = setBand;
    }
};

GraphDataInfo DataInfo(int g) {
    GraphDataInfo info{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDataInfo, g, &info);
    return info;
}

class MeasureE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_port = ProgramSuite::Start({kSim});
        ASSERT_NE(s_port, 0);
        theApp.m_pMainWnd->resize(1200, 800);
    }
    static void TearDownTestSuite() { ProgramSuite::Stop(); }
    void SetUp() override {
        frame = theApp.m_pMainWnd;
        ASSERT_NE(frame, nullptr);
        GraphSpy::Install();
    }
    void TearDown() override {
        ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_DISCONNECT, 0);
        WaitFor([] { return DS().m_nConnectState == 0; }, 10000);
        PumpPostedMessages(200);
        GraphSpy::Remove();
        sim.reset();
    }

    // Connected, the set-up sent, both windows open with their graphs made. Blocks
    // come every 100 ms, not 50: a sanitizer build on a busy machine computes a
    // spectrum slower than that, and the link's backlog would fill its socket
    // buffer until answers were dropped.
    bool Connect(const QStringList& simArgs = {}) {
        sim = std::make_unique<SimInstrument>(kSim, QStringLiteral("Simulated Marlix"), s_port);
        sim->SetExtraArgs(simArgs + QStringList{QStringLiteral("--measure-ms"), QStringLiteral("100")});
        if (!sim->Start())
            return false;
        frame->GetIPCombo()->setEditText(kSim);
        ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_IP_COMBO, 0);
        return WaitFor([&] {
            for (const SimLogLine& l : sim->Log())
                if (l.name == QLatin1String("MX_CMD_MODE_PARAM_A"))
                    return DS().m_nConnectState == 2 && theApp.m_bGraphCreated[0] == 1 &&
                           theApp.m_bGraphCreated[3] == 1 && theApp.m_bGraphCreated[4] == 1;
            return false;
        });
    }

    void CmdI32(MX_CMD_ID_e id, std::int32_t v) {
        theApp.AddCmd(id, MX_RW_DEFAULT, 4, &v, frame->GetSafeHwnd());
    }

    int FilePower(const std::u16string& folder, const std::u16string& name) {
        FolderItemRecord req{};
        std::copy(folder.begin(), folder.end(), req.m_szPath);
        replies.Take();
        theApp.AddCmd(MX_CMD_FILE_LIST, MX_RW_DEFAULT, sizeof req, &req, replies.GetSafeHwnd());
        EXPECT_TRUE(WaitFor([&] { return !replies.Of(WM_FILE_LIST_READY).empty(); }, 30000));
        for (const FileInfoRecord& f : g_Marlix.DeviceDataStore.m_vecFiles)
            if (std::u16string(f.m_szName) == name)
                return f.m_nPower;
        ADD_FAILURE() << "no such file";
        return 0;
    }

    // Plays a file as the program would once the front panel applies it: its clock
    // set and the spectrum re-scaled, the level sent. Returns the output level in dBm.
    double Play(const std::u16string& folder, const std::u16string& name, double clock, std::int16_t gain) {
        const int power = FilePower(folder, name);
        CmdI32(MX_CMD_UPDATE_SPEED, 0);
        DS().m_sZephyraPower = gain;
        theApp.AddCmd(MX_CMD_ZEPHYRA_POWER, MX_RW_DEFAULT, 2, &gain, frame->GetSafeHwnd());
        DS().m_dSampleClockKHz = clock;
        frame->SendMessage(WM_SAMPLE_CLOCK_CHANGED, 0, 0);
        const std::u16string path = folder + name;
        theApp.AddCmd(MX_CMD_PLAY_FILE, MX_RW_DEFAULT, unsigned(path.size() * 2), path.data(),
                      replies.GetSafeHwnd());
        std::uint32_t start = 0;
        std::vector<std::uint32_t> answered;
        replies.onMessage = [&answered](UINT msg, WPARAM, LPARAM) {
            if (msg == WM_PLAY_POSITION)
                answered.push_back(CurrentReplyRef());
        };
        theApp.AddCmd(MX_CMD_PLAY_START, MX_RW_DEFAULT, 0, nullptr, replies.GetSafeHwnd(), &start);
        // Blocks of a file played before may still be on their way (a slow machine
        // holds many); the instrument answers this start before it sends this file's.
        EXPECT_NE(start, 0u);
        EXPECT_TRUE(WaitFor([&] { return std::count(answered.begin(), answered.end(), start) > 0; }, 20000));
        replies.onMessage = nullptr;
        return gain / 10.0 + power / 10.0;
    }

    // Waits for count more spectrum blocks to reach graph 0.
    bool SpectrumBlocks(int count) {
        const int until = GraphSpy::dataCalls[0] + count;
        return WaitFor([&] { return GraphSpy::dataCalls[0] >= until; }, 30000);
    }

    // Loads the first file of a folder as a user does: the play bar's Open, the
    // folders down to it, its row checked, Open Files.
    bool LoadFirstFileOf(const QStringList& path) {
        CDialogPlayFolderList* browser = frame->m_pPlayFolderList;
        QTreeWidget* tree = browser->m_treeFolder;
        auto child = [tree](QTreeWidgetItem* parent, const QString& text) {
            return ChildNamed(tree, parent, text);
        };
        frame->m_pPlayBar->m_btnOpen->Click();
        QTreeWidgetItem* node = nullptr;
        for (const QString& name : path) {
            if (!WaitFor([&] { return child(node, name) != nullptr; }, 20000))
                return false;
            node = child(node, name);
            tree->setCurrentItem(node);
        }
        QTreeWidget* list = browser->m_listFile;
        const QString folder = path.last() + QLatin1Char('\\');
        if (!WaitFor(
                [&] { return list->topLevelItemCount() > 0 && browser->Files().Folder().endsWith(folder); },
                20000))
            return false;
        const QRect r = list->visualItemRect(list->topLevelItem(0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(120, r.center().y()));
        PumpPostedMessages(50);
        const QString name = list->topLevelItem(0)->text(0);
        browser->m_btnOpenFiles->click();
        return WaitFor([&] { return frame->m_pPlayBar->m_strFileName == name; }, 20000);
    }

    static bool MarkerData(int marker, float& freq, float& level) {
        return theApp.GraphCall(theApp.m_pfnVarolGraph_GetMarkData, 0, 0, marker, 0, &freq) == -1 &&
               theApp.GraphCall(theApp.m_pfnVarolGraph_GetMarkData, 0, 0, marker, 1, &level) == -1;
    }

    static inline int s_port = 0;
    CMainFrame* frame = nullptr;
    std::unique_ptr<SimInstrument> sim;
    RecordingParent replies;
};

TEST_F(MeasureE2E, BothWindowsOpenOnConnectionAndMoveWhileAFilePlays) {
    ASSERT_TRUE(Connect());
    auto* spectrum = qobject_cast<CSpectrumFrame*>(theApp.m_pSpectrumFrame);
    auto* iq = qobject_cast<CIQFrame*>(theApp.m_pIQFrame);
    ASSERT_TRUE(spectrum && iq);
    EXPECT_TRUE(spectrum->isVisible());
    EXPECT_TRUE(iq->isVisible());
    EXPECT_EQ(spectrum->mdiArea(), frame->GetMdiArea());
    EXPECT_EQ(theApp.m_bGraphShown[0], 1);
    EXPECT_EQ(theApp.m_bGraphShown[3], 1);

    Play(u"D:\\Vectors\\FM\\", u"IB_FM_e1_CW_p100.bin", kFmClock, -100);
    ASSERT_TRUE(SpectrumBlocks(5));
    // Every block feeds all three graphs.
    EXPECT_GE(GraphSpy::dataCalls[3], 5);
    EXPECT_GE(GraphSpy::dataCalls[4], 5);
    EXPECT_EQ(DataInfo(0).m_nPointCount, 8192 - 1638);

    frame->OnWindowTileHorz();
    PumpPostedMessages(300);
    const QString dir = TestOutputFolder();
    EXPECT_TRUE(spectrum->grab().save(QDir(dir).filePath(QStringLiteral("views-spectrum-live.png"))));
    EXPECT_TRUE(iq->grab().save(QDir(dir).filePath(QStringLiteral("views-iq-live.png"))));
}

TEST_F(MeasureE2E, PeakSearchMarksTheCarrierAtItsFrequencyAndLevel) {
    const struct {
        const char16_t* folder;
        const char16_t* name;
        double clock;
        double offsetHz;
        std::int16_t gain;
    } cases[] = {
        {u"D:\\Vectors\\FM\\", u"IB_FM_e1_CW_p100.bin", kFmClock, 100000.0, -50},
        {u"D:\\Vectors\\AM\\", u"IB_AM_e1_CW_m5.bin", kAmClock, -5000.0, -300},
    };
    ASSERT_TRUE(Connect());
    const double f0 = DS().m_nZephyraFreqHz;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
        const double level = Play(c.folder, c.name, c.clock, c.gain);
        // The axis spans the centre +- 0.4 clock.
        const GraphDataInfo info = DataInfo(0);
        EXPECT_NEAR(double(info.m_dXMin) * double(info.m_dXScale), f0 - 0.4 * c.clock, 1e-3);
        EXPECT_NEAR(double(info.m_dXMax) * double(info.m_dXScale), f0 + 0.4 * c.clock, 1e-3);
        ASSERT_TRUE(SpectrumBlocks(6)); // blocks made before the level arrived go by

        CSpectrumView* view = nullptr;
        ASSERT_TRUE(frame->FindSpectrumView(view));
        view->m_dlgSpectrum.OnPeakSearch();
        EXPECT_EQ(DS().m_nSpectrumMode, 2);
        ASSERT_TRUE(SpectrumBlocks(2));
        EXPECT_EQ(DS().m_bPeakSearch, 0);
        float freq = 0, lvl = 0;
        ASSERT_TRUE(MarkerData(0, freq, lvl));
        const double bin = c.clock / 8192.0;
        EXPECT_NEAR(freq, f0 + c.offsetHz, 2.0 * bin + 16.0); // float holds Hz to 8
        EXPECT_NEAR(lvl, level, 0.5);
        char want[64];
        std::snprintf(want, sizeof want, "M1: %.3fMHz, ", double(freq) / 1e6);
        EXPECT_EQ(GraphSpy::texts[11].rfind(want, 0), 0u) << GraphSpy::texts[11];
        EXPECT_NE(GraphSpy::texts[11].find("dBm"), std::string::npos);
    }
}

TEST_F(MeasureE2E, BandPowerOfNoiseIsItsTotalPowerInTheShownPart) {
    ASSERT_TRUE(Connect());
    const double level = Play(u"D:\\Vectors\\FM\\", u"IB_FM_e1_awgn.bin", kFmClock, -200);
    ASSERT_TRUE(SpectrumBlocks(6));
    frame->SendMessage(WM_COMMAND, ID_ANALYZER_BANDPOWER, 0);
    auto* spectrum = qobject_cast<CSpectrumFrame*>(theApp.m_pSpectrumFrame);
    ASSERT_TRUE(spectrum);
    spectrum->OnModeBandPower();
    const int shown = DataInfo(0).m_nPointCount;
    // The noise is flat over the whole span; the graph shows its middle 80 %.
    const struct {
        int first, last;
        double fraction;
    } areas[] = {{0, shown - 1, 0.8}, {shown / 4, shown / 4 + shown / 2 - 1, 0.4}};
    for (const auto& a : areas) {
        SCOPED_TRACE(a.fraction);
        theApp.GraphCall(theApp.m_pfnVarolGraph_SetBandPowerArea, 0, a.first, a.last);
        GraphSpy::bandText.clear();
        ASSERT_TRUE(SpectrumBlocks(3));
        ASSERT_NE(GraphSpy::bandText.find("dBm"), std::string::npos) << GraphSpy::bandText;
        EXPECT_NEAR(std::stod(GraphSpy::bandText), level + 10.0 * std::log10(a.fraction), 0.5);
    }
}

// Auto Range and the range set when the wait box closes: the top is the stored
// level, 10 dB lower for an FM file, moved by the unit shown.
TEST_F(MeasureE2E, LevelRangeFollowsTheFileLoadedInTheBrowser) {
    ASSERT_TRUE(Connect());
    auto* spectrum = qobject_cast<CSpectrumFrame*>(theApp.m_pSpectrumFrame);
    ASSERT_TRUE(spectrum);
    auto range = [] { return std::pair{float(DataInfo(0).m_dYMin), float(DataInfo(0).m_dYMax)}; };
    // Loading a file stores the level it applies; the user's next level after it.
    auto storeLevel = [] {
        Profile::WriteProfileInt(QString::fromStdU16String(DS().m_strProfileSection),
                                 SettingKeyName(KEY_ZEPHYRA_POWER), -350);
    };

    ASSERT_TRUE(LoadFirstFileOf({QStringLiteral("D:\\"), QStringLiteral("Vectors"), QStringLiteral("FM")}));
    ASSERT_EQ(frame->m_pPlayFolderList->m_bCurrentFM, 1);
    storeLevel();
    frame->GetMdiArea()->setActiveSubWindow(spectrum);
    frame->SendMessage(WM_COMMAND, ID_AUTO_RANGE, 0);
    EXPECT_EQ(range(), std::pair(-145.0f, -45.0f));
    // The wait box closing sets it the same way, in the unit shown.
    g_Marlix.SetPowerUnitdBType(POWER_UNIT_DBMV);
    PumpPostedMessages(50);
    frame->SendMessage(WM_WAIT_DONE, 0, 0);
    PumpPostedMessages(100);
    EXPECT_EQ(range(), std::pair(-98.0f, 2.0f));
    g_Marlix.SetPowerUnitdBType(POWER_UNIT_DBM);
    PumpPostedMessages(50);

    ASSERT_TRUE(LoadFirstFileOf({QStringLiteral("D:\\"), QStringLiteral("Vectors"), QStringLiteral("AM")}));
    ASSERT_EQ(frame->m_pPlayFolderList->m_bCurrentFM, 0);
    storeLevel();
    frame->GetMdiArea()->setActiveSubWindow(spectrum);
    frame->SendMessage(WM_COMMAND, ID_AUTO_RANGE, 0);
    EXPECT_EQ(range(), std::pair(-135.0f, -35.0f));
    frame->SendMessage(WM_POWER_RANGE_UPDATE, 0, 0);
    EXPECT_EQ(range(), std::pair(-135.0f, -35.0f));
}

TEST_F(MeasureE2E, IQTimeAxisIsTheBlockDurationFromTheClock) {
    ASSERT_TRUE(Connect({QStringLiteral("--points"), QStringLiteral("30720")}));
    EXPECT_EQ(DS().m_nSpectrumPoints, 30720);
    Play(u"D:\\Vectors\\FM\\", u"IB_FM_e1_awgn.bin", kFmClock, -200);
    ASSERT_TRUE(SpectrumBlocks(2));
    // The clock changed after the block size was set: the sample-clock change alone sets the axes.
    for (int g : {3, 4}) {
        const GraphDataInfo info = DataInfo(g);
        EXPECT_EQ(info.m_nPointCount, 30720);
        EXPECT_EQ(double(info.m_dXMax), 30720.0);
        // x scale in microseconds per point: 30720 points of 744187.5 per second last 41.28 ms.
        EXPECT_NEAR(double(info.m_dXScale) * 30720.0, 41279.0, 1.0);
    }
}

} // namespace
