// The playback windows inside a started main frame with the real graph library,
// fed with made-up replies: the frame's own play handlers (a change to "None",
// clearing the play list), file clocks that are no usable number, and the
// transfer panes around a copy and a disconnection.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "../mainframe/FrameFixture.h"
#include "FakeCommandQueue.h"
#include "SimInstrument.h"
#include "TestSupport.h"
#include "controls/CBitmapSlider.h"
#include "controls/CKbcButton.h"
#include "device/MxMessages.h"
#include "output/CZephyraCtrlDlg.h"
#include "output/DialogCopyDrive.h"
#include "output/DialogPlayFolderList.h"
#include "output/DumpPlayBar.h"
#include "views/SpectrumView.h"

namespace {

FolderItemRecord Folder(std::uint32_t tag, const QString& name) {
    FolderItemRecord r;
    std::memset(&r, 0, sizeof r);
    r.m_hItem = tag;
    std::memcpy(r.m_szPath, name.utf16(), std::size_t(name.size()) * 2);
    return r;
}

FileInfoRecord File(const QString& name, double clockKHz = 744187.5, std::uint32_t sec = 100) {
    FileInfoRecord r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(r.m_szName, name.utf16(), std::size_t(name.size()) * 2);
    r.m_bFM = 1;
    r.m_llSize = 1000;
    r.m_dSampleClock = clockKHz;
    r.m_nTimeSec = sec;
    r.m_nPower = -100;
    return r;
}

GraphDataInfo Info(int g) {
    GraphDataInfo i{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDataInfo, g, &i);
    return i;
}

class PlaybackFrame : public GraphFrameTest {
protected:
    // A copy: the device state is packed, and gtest binds references to what it compares.
    static double ClockKHz() { return state().m_dSampleClockKHz; }

    void SetUp() override {
        GraphFrameTest::SetUp();
        if (HasFatalFailure())
            return;
        state().m_nZephyraFreqHz = 87900000;
        OpenSpectrum();
        if (HasFatalFailure())
            return;
        theApp.m_fnCommandTap = [this](MX_CMD_ID_e id, MX_RW_ID_e, unsigned, const void*, HWND) {
            cmds.push_back(id);
        };
        browser = frame->m_pPlayFolderList;
        bar = frame->m_pPlayBar;
        panel = &frame->m_wndZephyraPane->m_dlgCtrl;
        ASSERT_NE(browser, nullptr);
        ASSERT_NE(bar, nullptr);
    }
    void TearDown() override {
        g_Marlix.DeviceDataStore.m_vecFolders.clear();
        g_Marlix.DeviceDataStore.m_vecFiles.clear();
        g_Marlix.DeviceDataStore.m_nTransferTotal = g_Marlix.DeviceDataStore.m_nTransferDone = 0;
        GraphFrameTest::TearDown();
    }
    // D:\ listed and selected, holding these files.
    void List(const std::vector<FileInfoRecord>& files) {
        browser->OnUpdate();
        g_Marlix.DeviceDataStore.m_vecFolders = {Folder(CFolderTree::kRoot, QStringLiteral("D:\\"))};
        DeliverAnswer(browser->GetSafeHwnd(), WM_FOLDER_LIST_READY, 0, queue.LastRef(MX_CMD_FOLDER_LIST));
        browser->m_treeFolder->setCurrentItem(browser->m_treeFolder->topLevelItem(0));
        g_Marlix.DeviceDataStore.m_vecFiles = files;
        DeliverAnswer(browser->GetSafeHwnd(), WM_FILE_LIST_READY, 0, queue.LastRef(MX_CMD_FILE_LIST));
    }
    // Checks exactly these rows, opens them and lets the instrument say yes.
    void Play(std::initializer_list<int> rows) {
        browser->OnUnselectAll();
        for (int row : rows)
            browser->m_listFile->topLevelItem(row)->setCheckState(0, Qt::Checked);
        PumpPostedMessages();
        browser->OnOpenFiles();
        DeliverAnswer(browser->GetSafeHwnd(), WM_PLAY_FILE_RESULT, 2, queue.LastRef(MX_CMD_PLAY_FILE));
        PumpPostedMessages(20);
    }

    // Copies the rows checked now to D:\; the identities of the files' copy commands.
    std::vector<std::uint32_t> StartCopy(CDialogCopyDrive& dlg) {
        dlg.m_comboDrive->setCurrentIndex(dlg.m_comboDrive->findText(QStringLiteral("D:\\")));
        dlg.OnCopy();
        std::vector<std::uint32_t> refs;
        for (const FakeCommandQueue::Cmd& c : queue.cmds)
            if (c.id == MX_CMD_COPY_FILE)
                refs.push_back(c.ref);
        return refs;
    }
    // a.bin, b.bin and c.bin listed in D:\ and all checked.
    void CheckThree() {
        List({File(QStringLiteral("a.bin")), File(QStringLiteral("b.bin")), File(QStringLiteral("c.bin"))});
        browser->OnSelectAll();
    }
    // a.bin copied, b.bin half way, the panes at 49 % and 25000 KB/s.
    void HalfwayThroughB(CDialogCopyDrive& dlg, const std::vector<std::uint32_t>& refs) {
        DeliverAnswer(dlg.GetSafeHwnd(), WM_COPY_PROGRESS, 100, refs[0]);
        DeliverAnswer(dlg.GetSafeHwnd(), WM_COPY_PROGRESS, 50, refs[1]);
        Transfer(1960, 4000, 25000000);
    }
    // The instrument's transfer reports, shown at the next frame.
    void Transfer(std::uint32_t done, std::uint32_t total, WPARAM rate) {
        g_Marlix.DeviceDataStore.m_nTransferDone = done;
        g_Marlix.DeviceDataStore.m_nTransferTotal = total;
        frame->SendMessage(WM_TRANSFER_PROGRESS, 0, 0);
        frame->SendMessage(WM_TRANSFER_RATE, rate, 0);
        frame->OnTimer(CMainFrame::kPaneFlushTimer);
    }
    std::string Rate() const { return frame->StatusPaneLabel(7)->text().toStdString(); }

    std::vector<MX_CMD_ID_e> cmds;
    FakeCommandQueue queue;
    CDialogPlayFolderList* browser = nullptr;
    CDumpPlayBar* bar = nullptr;
    CZephyraCtrlDlg* panel = nullptr;
};

TEST_F(PlaybackFrame, APlayFileOfNoneEmptiesTheBarAndLeavesThePanelAlone) {
    List({File(QStringLiteral("a_FM.bin"), 744187.5, 100), File(QStringLiteral("b_FM.bin"), 744187.5, 200)});
    Play({0, 1});
    ASSERT_EQ(bar->m_strFileName, QStringLiteral("a_FM.bin"));
    ASSERT_FALSE(bar->m_btnPlay->m_bDisabled);
    const std::int64_t clock = panel->m_llSampleClock;
    const int offset = panel->m_nPowerOffset;
    cmds.clear();

    browser->OnUnselectAll();
    browser->OnOpenFiles(); // nothing checked: "None"
    PumpPostedMessages(20);
    EXPECT_TRUE(bar->m_strFileName.isEmpty());
    EXPECT_TRUE(bar->m_txtFileName->text().isEmpty());
    EXPECT_TRUE(bar->m_txtDescription->text().isEmpty());
    for (CKbcButton* b : {bar->m_btnPlay, bar->m_btnStop, bar->m_btnPrev, bar->m_btnNext})
        EXPECT_TRUE(b->m_bDisabled) << b->objectName().toStdString();
    EXPECT_FALSE(bar->m_btnOpen->m_bDisabled);
    EXPECT_FALSE(bar->m_btnTimeSet->m_bDisabled);
    // The total row shows the browser's current time (the last file's), the position 0.
    EXPECT_EQ(bar->RowDigits(1), (std::array<int, 6>{0, 0, 0, 1, 4, 0}));
    EXPECT_EQ(bar->RowDigits(0), (std::array<int, 6>{}));
    // The panel neither changes nor sends.
    EXPECT_EQ(panel->m_llSampleClock, clock);
    EXPECT_EQ(panel->m_nPowerOffset, offset);
    EXPECT_TRUE(cmds.empty());
    // Nothing is loaded: Play sends nothing.
    bar->SendMessage(WM_COMMAND, CDumpPlayBar::kIdPlay, 0);
    EXPECT_TRUE(cmds.empty());
}

TEST_F(PlaybackFrame, ClearingThePlayListResetsTheBrowserAndTheBar) {
    List({File(QStringLiteral("a_FM.bin")), File(QStringLiteral("b_FM.bin"))});
    Play({0, 1});
    ASSERT_EQ(bar->m_strFileName, QStringLiteral("a_FM.bin"));
    ASSERT_EQ(browser->m_nCheckedCount, 2);

    frame->SendMessage(WM_PLAY_LIST_CLEAR, 0, 0);
    EXPECT_EQ(browser->m_listFile->topLevelItemCount(), 0);
    EXPECT_EQ(browser->m_treeFolder->topLevelItemCount(), 0);
    EXPECT_EQ(browser->m_bFolderListLoaded, 0);
    EXPECT_EQ(browser->m_nPlayRequest, -1);
    EXPECT_EQ(browser->m_nCheckedCount, 0);
    EXPECT_TRUE(browser->m_vecPlayList.empty());
    EXPECT_EQ(browser->m_nPlayCount, 0);
    EXPECT_EQ(state().m_nPlayListCount, 0);
    EXPECT_EQ(browser->m_strCurrentName, QStringLiteral("a_FM.bin")); // the current item stays
    EXPECT_TRUE(bar->m_strFileName.isEmpty());
    EXPECT_EQ(bar->m_nTotalSec, 0);
    EXPECT_EQ(bar->RowDigits(1), (std::array<int, 6>{}));
    for (CKbcButton* b : {bar->m_btnPlay, bar->m_btnStop, bar->m_btnPrev, bar->m_btnNext})
        EXPECT_TRUE(b->m_bDisabled) << b->objectName().toStdString();
    EXPECT_FALSE(bar->m_btnOpen->m_bDisabled);
    // The next Open lists the root again.
    cmds.clear();
    bar->SendMessage(WM_COMMAND, CDumpPlayBar::kIdOpen, 0);
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), MX_CMD_FOLDER_LIST), 1);
    cmds.clear();
    bar->SendMessage(WM_COMMAND, CDumpPlayBar::kIdPlay, 0);
    EXPECT_TRUE(cmds.empty());
}

TEST_F(PlaybackFrame, APlayAnswerThatComesAfterAListingLoadsItsFileWithItsOwnRecord) {
    List({File(QStringLiteral("a_FM.bin"), 744187.5, 100),
          File(QStringLiteral("b_AM.bin"), 46511.71875, 200)});
    Play({0});
    ASSERT_EQ(bar->m_strFileName, QStringLiteral("a_FM.bin"));
    browser->OnUnselectAll();
    browser->m_listFile->topLevelItem(1)->setCheckState(0, Qt::Checked);
    PumpPostedMessages();
    browser->OnOpenFiles();
    const std::uint32_t play = queue.LastRef(MX_CMD_PLAY_FILE);
    // A slow instrument: another folder is selected and listed before the answer.
    browser->OnUpdate();
    g_Marlix.DeviceDataStore.m_vecFolders = {Folder(CFolderTree::kRoot, QStringLiteral("C:\\")),
                                             Folder(CFolderTree::kRoot, QStringLiteral("D:\\"))};
    DeliverAnswer(browser->GetSafeHwnd(), WM_FOLDER_LIST_READY, 0, queue.LastRef(MX_CMD_FOLDER_LIST));
    browser->m_treeFolder->setCurrentItem(browser->m_treeFolder->topLevelItem(0));
    g_Marlix.DeviceDataStore.m_vecFiles = {File(QStringLiteral("c_FM.bin"), 744187.5, 300)};
    DeliverAnswer(browser->GetSafeHwnd(), WM_FILE_LIST_READY, 0, queue.LastRef(MX_CMD_FILE_LIST));
    ASSERT_TRUE(browser->m_vecPlayList.empty());
    DeliverAnswer(browser->GetSafeHwnd(), WM_PLAY_FILE_RESULT, 2, play);
    PumpPostedMessages(20);
    EXPECT_EQ(bar->m_strFileName.toStdString(), "b_AM.bin");
    EXPECT_EQ(bar->m_txtFileName->text().toStdString(), "b_AM.bin");
    EXPECT_EQ(bar->m_nTotalSec, 200);
    EXPECT_EQ(bar->RowDigits(1), (std::array<int, 6>{0, 0, 0, 3, 2, 0}));
    EXPECT_EQ(ClockKHz(), 46511.71875);
    EXPECT_EQ(panel->m_llSampleClock, 46511719);
    cmds.clear();
    bar->SendMessage(WM_COMMAND, CDumpPlayBar::kIdPlay, 0);
    EXPECT_EQ(cmds, std::vector<MX_CMD_ID_e>{MX_CMD_PLAY_START});
    // Its answer, once more, is no answer to anything.
    const std::uint64_t dropped = browser->DroppedReplies();
    DeliverAnswer(browser->GetSafeHwnd(), WM_PLAY_FILE_RESULT, 2, play);
    EXPECT_EQ(browser->DroppedReplies(), dropped + 1);
}

TEST_F(PlaybackFrame, AnEndOfFileSendsOnlyWhileAFilePlays) {
    List({File(QStringLiteral("a_FM.bin")), File(QStringLiteral("b_FM.bin"))});
    Play({0, 1});
    ASSERT_EQ(bar->m_strFileName, QStringLiteral("a_FM.bin"));
    auto endOfFile = [&] {
        cmds.clear();
        frame->SendMessage(WM_PLAY_EVENT, 9, 0);
        return cmds;
    };
    auto command = [&](UINT id) { bar->SendMessage(WM_COMMAND, id, 0); };
    using Sent = std::vector<MX_CMD_ID_e>;
    EXPECT_EQ(endOfFile(), Sent{}) << "loaded, never played";
    command(CDumpPlayBar::kIdPlay);
    EXPECT_EQ(endOfFile(), Sent{MX_CMD_PLAY_SEEK});
    EXPECT_EQ(endOfFile(), Sent{}) << "a second end, nothing plays";
    command(CDumpPlayBar::kIdPlay);
    command(CDumpPlayBar::kIdStop);
    EXPECT_EQ(endOfFile(), Sent{}) << "stopped";
    command(CDumpPlayBar::kIdPlay);
    command(CDumpPlayBar::kIdNext); // stops for the pause before the next file
    EXPECT_EQ(endOfFile(), Sent{}) << "stepping to the next file";
    command(CDumpPlayBar::kIdStop);
    // Repeat plays again, so the next end is a file's end too.
    auto repeat = [&](bool on) {
        bar->m_chkRepeat->setChecked(on);
        command(CDumpPlayBar::kIdRepeat);
    };
    repeat(true);
    command(CDumpPlayBar::kIdPlay);
    EXPECT_EQ(endOfFile(), (Sent{MX_CMD_PLAY_SEEK, MX_CMD_PLAY_START}));
    repeat(false);
    EXPECT_EQ(endOfFile(), Sent{MX_CMD_PLAY_SEEK});
    EXPECT_EQ(endOfFile(), Sent{});
    // After a reset nothing plays either.
    command(CDumpPlayBar::kIdPlay);
    frame->SendMessage(WM_PLAY_LIST_CLEAR, 0, 0);
    EXPECT_EQ(endOfFile(), Sent{}) << "reset";
}

TEST_F(PlaybackFrame, AFileClockThatIsNoUsableNumberKeepsTheClockInUse) {
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(), 0.0, -46511.7, 5e-324, 1e308,
                          std::numeric_limits<double>::infinity()};
    std::vector<FileInfoRecord> files = {File(QStringLiteral("good_FM.bin"), 744187.5)};
    for (double c : bad)
        files.push_back(File(QStringLiteral("bad%1_FM.bin").arg(files.size()), c));
    List(files);
    Play({0});
    ASSERT_EQ(bar->m_strFileName, QStringLiteral("good_FM.bin"));
    ASSERT_EQ(ClockKHz(), 744187.5);
    const GraphDataInfo axes = Info(0);
    const std::int64_t clock = panel->m_llSampleClock;
    ASSERT_EQ(clock, 744187500);

    for (int row = 1; row < int(files.size()); ++row) {
        Play({row});
        const double c = files[std::size_t(row)].m_dSampleClock;
        // The file is loaded and plays; the clock in use, the panel and the axes stay.
        EXPECT_EQ(bar->m_strFileName, QStringLiteral("bad%1_FM.bin").arg(row)) << c;
        EXPECT_EQ(ClockKHz(), 744187.5) << c;
        EXPECT_EQ(panel->m_llSampleClock, clock) << c;
        const GraphDataInfo now = Info(0);
        const double xMin = now.m_dXMin, xMax = now.m_dXMax; // copies of packed fields
        EXPECT_EQ(xMin, axes.m_dXMin + 0.0) << c;
        EXPECT_EQ(xMax, axes.m_dXMax + 0.0) << c;
        CSpectrumView* view = nullptr;
        ASSERT_TRUE(frame->FindSpectrumView(view));
        const double viewClock = view->m_dlgSpectrum.m_settings.m_dSampleClockKHz;
        EXPECT_EQ(viewClock, 744187.5) << c;
    }
    // A usable clock is taken again.
    files.push_back(File(QStringLiteral("am_FM.bin"), 46511.71875));
    List(files);
    Play({int(files.size()) - 1});
    EXPECT_EQ(ClockKHz(), 46511.71875);
    EXPECT_EQ(panel->m_llSampleClock, 46511719);
    const double xMinAm = Info(0).m_dXMin;
    EXPECT_NE(xMinAm, axes.m_dXMin + 0.0);
}

TEST_F(PlaybackFrame, TransferPanesShowATransferOnlyWhileACopyRuns) {
    DeviceDataStore& data = g_Marlix.DeviceDataStore;
    QLabel* rate = frame->StatusPaneLabel(7);
    QProgressBar* progress = frame->StatusProgress();
    frame->TransferStarted();
    data.m_nTransferTotal = 4000;
    data.m_nTransferDone = 1000;
    frame->SendMessage(WM_TRANSFER_PROGRESS, 0, 0);
    frame->SendMessage(WM_TRANSFER_RATE, 25000000, 0);
    frame->OnTimer(CMainFrame::kPaneFlushTimer); // shown at the next frame
    EXPECT_EQ(progress->value(), 25);
    EXPECT_EQ(rate->text().toStdString(), "25000 KB/s");
    // The link goes: the panes are empty again, and a late report stays away.
    frame->SendMessage(WM_CONNECT_STATE, MX_CONNECT_DISCONNECTED, 0);
    PumpPostedMessages(20);
    EXPECT_EQ(progress->value(), 0);
    EXPECT_EQ(rate->text().toStdString(), "0 KB/s");
    data.m_nTransferDone = 4000;
    frame->SendMessage(WM_TRANSFER_PROGRESS, 0, 0);
    frame->SendMessage(WM_TRANSFER_RATE, 25000000, 0);
    frame->OnTimer(CMainFrame::kPaneFlushTimer); // shown at the next frame
    EXPECT_EQ(progress->value(), 0);
    EXPECT_EQ(rate->text().toStdString(), "0 KB/s");
    // A copy that ends empties them as well.
    frame->TransferStarted();
    frame->SendMessage(WM_TRANSFER_PROGRESS, 0, 0);
    frame->OnTimer(CMainFrame::kPaneFlushTimer);
    EXPECT_EQ(progress->value(), 100);
    frame->TransferEnded();
    EXPECT_EQ(progress->value(), 0);
    // A report not yet shown when the copy ends is not shown after it.
    frame->TransferStarted();
    frame->SendMessage(WM_TRANSFER_RATE, 25000000, 0);
    frame->TransferEnded();
    frame->OnTimer(CMainFrame::kPaneFlushTimer);
    EXPECT_EQ(rate->text().toStdString(), "0 KB/s");
    data.m_nTransferTotal = data.m_nTransferDone = 0;
}

// The instrument refuses the file being copied: the transfer has ended there, and
// the panes say so at once, not when the dialog is closed.
TEST_F(PlaybackFrame, ARefusedCopyEndsTheTransferPanesAtOnce) {
    CheckThree();
    CDialogCopyDrive dlg(browser);
    const std::vector<std::uint32_t> refs = StartCopy(dlg);
    ASSERT_EQ(refs.size(), 3u);
    HalfwayThroughB(dlg, refs);
    ASSERT_EQ(frame->StatusProgress()->value(), 49);
    ASSERT_EQ(Rate(), "25000 KB/s");
    DeliverAnswer(dlg.GetSafeHwnd(), WM_STATUS_MESSAGE, 0x1B0C, refs[1]);
    ASSERT_FALSE(dlg.Copying());
    EXPECT_EQ(frame->StatusProgress()->value(), 0);
    EXPECT_EQ(Rate(), "0 KB/s");
    // A report still on its way stays away.
    Transfer(2000, 4000, 25000000);
    EXPECT_EQ(frame->StatusProgress()->value(), 0);
    EXPECT_EQ(Rate(), "0 KB/s");
    EXPECT_EQ(dlg.m_txtName->text(), QStringLiteral("Not copied: b.bin (Err:Hard Disk FULL)"));
}

// The link goes while a file is being copied: nothing more will come, so the
// dialog stops waiting and says so, and the panes end the transfer.
TEST_F(PlaybackFrame, ALinkLostDuringACopyEndsItsWaitAndSaysHowFarItGot) {
    CheckThree();
    CDialogCopyDrive dlg(browser);
    const std::vector<std::uint32_t> refs = StartCopy(dlg);
    ASSERT_EQ(refs.size(), 3u);
    HalfwayThroughB(dlg, refs);
    ASSERT_EQ(Rate(), "25000 KB/s");
    cmds.clear();
    frame->SendMessage(WM_CONNECT_STATE, MX_CONNECT_LOST, 0);
    EXPECT_FALSE(dlg.Copying());
    EXPECT_EQ(dlg.Failure().toStdString(), "Link lost: 1 of 3 files copied");
    EXPECT_EQ(dlg.m_txtName->text().toStdString(), "Link lost: 1 of 3 files copied");
    EXPECT_TRUE(boxes.Contains(
        QStringLiteral("The link to the instrument was lost.\nThe copy has stopped after 1 of 3 files.")));
    EXPECT_EQ(frame->StatusProgress()->value(), 0);
    EXPECT_EQ(Rate(), "0 KB/s");
    // No cancel for a link that is gone, neither now nor when the dialog closes.
    dlg.done(QDialog::Accepted);
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), MX_CMD_COPY_CANCEL), 0);
}

// The instrument may refuse a file other than the one the dialog shows as being
// copied (one queued behind it): the label and the message name the refused file.
TEST_F(PlaybackFrame, ARefusalNamesTheRefusedFileNotTheOneShownAsCurrent) {
    CheckThree();
    CDialogCopyDrive dlg(browser);
    const std::vector<std::uint32_t> refs = StartCopy(dlg);
    ASSERT_EQ(refs.size(), 3u);
    DeliverAnswer(dlg.GetSafeHwnd(), WM_COPY_PROGRESS, 40, refs[0]);
    ASSERT_EQ(dlg.m_txtName->text().toStdString(), "a.bin");
    DeliverAnswer(dlg.GetSafeHwnd(), WM_STATUS_MESSAGE, 0x1B0C, refs[2]);
    EXPECT_FALSE(dlg.Copying());
    EXPECT_EQ(dlg.Failure().toStdString(), "Not copied: c.bin (Err:Hard Disk FULL)");
    EXPECT_EQ(dlg.m_txtName->text().toStdString(), "Not copied: c.bin (Err:Hard Disk FULL)");
    EXPECT_TRUE(boxes.Contains(QStringLiteral(
        "The instrument did not copy c.bin: Err:Hard Disk FULL.\nThe copy has stopped after 0 of 3 files.")));
}

} // namespace
