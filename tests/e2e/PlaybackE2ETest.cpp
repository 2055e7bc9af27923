// The playback road against the simulated instrument on loopback: the browser
// lists folders and files, checked files become the play list and play, the play
// bar plays, seeks, steps and wraps, the play time dialog seeks, a folder of
// 5000 files arrives whole, files are deleted, renamed and copied to another
// drive, and a copy is cancelled.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstring>
#include <memory>
#include <vector>

#include "ProgramSuite.h"
#include "QtTestMain.h"
#include "SimInstrument.h"
#include "TestSupport.h"
#include "app/MarlixExApp.h"
#include "controls/CBitmapSlider.h"
#include "controls/CKbcButton.h"
#include "device/MarlixMFC.h"
#include "mainframe/IPComboBox.h"
#include "mainframe/MainFrm.h"
#include "output/DialogCopyDrive.h"
#include "output/DialogPlayFolderList.h"
#include "output/DialogPlayTimeSet.h"
#include "output/DumpPlayBar.h"
#include "platform/MsgBox.h"
#include "platform/MsgTarget.h"
#include "platform/Profile.h"
#include "res/resource.h"
#include "sim/SimStorage.h"

namespace {

const QString kSimA = QStringLiteral("127.0.0.2");
const QString kSimB = QStringLiteral("127.0.0.3");

int State() {
    return g_Marlix.DeviceState.m_nConnectState;
}

QByteArray Utf16(const QString& s) {
    return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
}

std::vector<SimLogLine> Lines(const std::vector<SimLogLine>& log, const QString& name) {
    std::vector<SimLogLine> out;
    for (const SimLogLine& l : log)
        if (l.name == name)
            out.push_back(l);
    return out;
}

class PlaybackE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_port = ProgramSuite::Start({kSimA, kSimB});
        ASSERT_NE(s_port, 0);
    }
    static void TearDownTestSuite() { ProgramSuite::Stop(); }
    void SetUp() override {
        frame = theApp.m_pMainWnd;
        ASSERT_NE(frame, nullptr);
        bar = frame->m_pPlayBar;
        browser = frame->m_pPlayFolderList;
        ASSERT_NE(bar, nullptr);
        ASSERT_NE(browser, nullptr);
    }
    void TearDown() override {
        theApp.m_fnCommandTap = nullptr;
        ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_DISCONNECT, 0);
        WaitFor([this] { return State() == 0 && !frame->m_connectSequence.IsPausing(); }, 10000);
        PumpPostedMessages(200);
        sim.reset();
    }

    void Connect(const QString& addr, const QStringList& args = {}) {
        sim = std::make_unique<SimInstrument>(addr, QStringLiteral("Bench"), s_port);
        sim->SetExtraArgs(args);
        ASSERT_TRUE(sim->Start()) << sim->Output().toStdString();
        frame->GetIPCombo()->setEditText(addr);
        ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_IP_COMBO, 0);
        ASSERT_TRUE(WaitFor([&] {
            return State() == 2 && !Lines(sim->Log(), QStringLiteral("MX_CMD_MODE_PARAM_A")).empty();
        }));
        PumpPostedMessages(100);
        ASSERT_TRUE(bar->isEnabled());
    }

    QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& text) const {
        return ChildNamed(browser->m_treeFolder, parent, text);
    }
    // Opens the browser and walks down the folders, waiting for each level.
    QTreeWidgetItem* OpenFolder(const QStringList& path, int minRows = 1, int timeoutMs = 20000) {
        bar->m_btnOpen->Click();
        QTreeWidgetItem* node = nullptr;
        for (const QString& name : path) {
            if (!WaitFor([&] { return Child(node, name) != nullptr; }))
                return nullptr;
            node = Child(node, name);
            browser->m_treeFolder->setCurrentItem(node);
        }
        if (!WaitFor([&] { return browser->m_listFile->topLevelItemCount() >= minRows; }, timeoutMs))
            return nullptr;
        return node;
    }
    void ClickRow(int row) {
        QTreeWidget* list = browser->m_listFile;
        list->scrollToItem(list->topLevelItem(row));
        const QRect r = list->visualItemRect(list->topLevelItem(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(120, r.center().y()));
        PumpPostedMessages(50);
    }
    QString RowName(int row) const { return browser->m_listFile->topLevelItem(row)->text(0); }
    // The left button on the seek slider at x (pressed, moved or released).
    void Mouse(QEvent::Type t, int x) {
        LeftButton(bar->m_sliderSeek, t, QPointF(x, bar->m_sliderSeek->height() / 2));
    }
    bool PositionReached(int sec) const { return bar->m_nCurPos >= sec; }

    static int s_port;
    CMainFrame* frame = nullptr;
    CDumpPlayBar* bar = nullptr;
    CDialogPlayFolderList* browser = nullptr;
    RecordingMessageBoxes boxes;
    std::unique_ptr<SimInstrument> sim;
};
int PlaybackE2E::s_port = 0;

// A picture for the gallery, for a person to look at.
void Grab(QWidget* w, const QString& name) {
    const QString path = QDir(TestOutputFolder()).filePath(name + QStringLiteral(".png"));
    EXPECT_TRUE(w->grab().save(path)) << path.toStdString();
}

} // namespace

TEST_F(PlaybackE2E, OpenCheckThreePlaySeekNextPrevAndWrap) {
    Connect(kSimA);
    Grab(bar, QStringLiteral("playbar-idle"));
    // Open lists the root once; the instrument's drives appear.
    ASSERT_TRUE(OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Vectors"), QStringLiteral("FM")}, 3));
    EXPECT_TRUE(browser->isVisible());
    const QByteArray fmPath = Utf16(QStringLiteral("D:\\Vectors\\FM\\"));
    EXPECT_EQ(Lines(sim->Log(), QStringLiteral("MX_CMD_FILE_LIST")).back().payload.mid(4, fmPath.size()),
              fmPath);
    // The seven columns of a catalog file.
    QTreeWidgetItem* first = browser->m_listFile->topLevelItem(0);
    EXPECT_EQ(first->text(1), QStringLiteral("FM"));
    EXPECT_TRUE(first->text(2).endsWith(QStringLiteral(".0")) || first->text(2).contains(QLatin1Char('.')));
    EXPECT_FALSE(first->text(3).isEmpty()) << "catalog description";
    EXPECT_EQ(first->text(4), QStringLiteral("744187.5000"));
    EXPECT_FALSE(browser->m_btnOpenFiles->isEnabled());

    for (int row : {0, 1, 2})
        ClickRow(row);
    EXPECT_EQ(browser->m_nCheckedCount, 3);
    EXPECT_TRUE(browser->m_btnOpenFiles->isEnabled());
    const QString names[3] = {RowName(0), RowName(1), RowName(2)};
    Grab(browser, QStringLiteral("browser-listed-folder"));
    const QString folder = browser->Files().Folder();

    browser->m_btnOpenFiles->click();
    ASSERT_TRUE(WaitFor([&] { return bar->m_strFileName == names[0]; }));
    EXPECT_FALSE(browser->isVisible()); // a successful play request hides it
    EXPECT_EQ(browser->m_vecPlayList.size(), 3u);
    EXPECT_EQ(bar->m_txtFileName->text(), names[0]);
    EXPECT_EQ(bar->m_txtDescription->toolTip(), browser->m_strCurrentDescription);
    EXPECT_EQ(bar->m_nTotalSec, browser->m_nCurrentTimeSec);
    EXPECT_EQ(bar->m_sliderSeek->m_nMax, bar->m_nTotalSec);
    const auto playFiles = Lines(sim->Log(), QStringLiteral("MX_CMD_PLAY_FILE"));
    ASSERT_EQ(playFiles.size(), 1u);
    EXPECT_EQ(playFiles[0].payload, Utf16(folder + names[0]));
    EXPECT_FALSE(bar->m_btnPlay->m_bDisabled);
    EXPECT_TRUE(bar->m_btnStop->m_bDisabled);
    EXPECT_FALSE(bar->m_btnNext->m_bDisabled);

    // Play: the position advances once a second, the slider follows.
    bar->m_btnPlay->Click();
    EXPECT_TRUE(bar->m_btnOpen->m_bDisabled);
    EXPECT_FALSE(bar->m_btnStop->m_bDisabled);
    ASSERT_TRUE(WaitFor([&] { return PositionReached(2); }, 10000));
    EXPECT_EQ(bar->m_sliderSeek->m_nPos, bar->m_nCurPos);
    EXPECT_EQ(bar->RowDigits(0)[5], bar->m_nCurPos % 10);
    Grab(bar, QStringLiteral("playbar-playing"));

    // Seek by dragging the thumb: while it is held, the instrument's reports and
    // blocks move neither the thumb nor the digits; the release seeks once, there.
    CBitmapSlider* seek = bar->m_sliderSeek;
    const std::size_t seeksBefore = Lines(sim->Log(), QStringLiteral("MX_CMD_PLAY_SEEK")).size();
    Mouse(QEvent::MouseButtonPress, seek->PosToPixel(seek->m_nPos));
    Mouse(QEvent::MouseMove, seek->PosToPixel(40));
    PumpPostedMessages(20);
    const int dragged = seek->m_nPos;
    ASSERT_GE(dragged, 35);
    const int reported = bar->m_nCurPos;
    ASSERT_TRUE(WaitFor([&] { return bar->m_nCurPos > reported; }, 10000)); // a report while held
    PumpPostedMessages(300);
    EXPECT_EQ(seek->m_nPos, dragged);
    EXPECT_EQ(bar->RowDigits(0), PlayBarRules::TimeDigits(std::uint32_t(dragged)));
    Mouse(QEvent::MouseButtonRelease, seek->PosToPixel(dragged));
    std::int32_t at = dragged;
    const QByteArray payload(reinterpret_cast<const char*>(&at), sizeof at);
    ASSERT_TRUE(WaitFor(
        [&] { return Lines(sim->Log(), QStringLiteral("MX_CMD_PLAY_SEEK")).size() > seeksBefore; }, 5000));
    PumpPostedMessages(300);
    const auto seeks = Lines(sim->Log(), QStringLiteral("MX_CMD_PLAY_SEEK"));
    ASSERT_EQ(seeks.size(), seeksBefore + 1);
    EXPECT_EQ(seeks.back().payload.toHex(), payload.toHex());
    // The instrument plays on from there: its reports follow.
    ASSERT_TRUE(WaitFor([&] { return bar->m_nCurPos >= dragged + 1; }, 5000));
    EXPECT_LT(bar->m_nCurPos, dragged + 5);

    // The play time dialog: 00:00:52 seeks to 52 (every file here plays a minute or more).
    bar->m_btnTimeSet->Click();
    CDialogPlayTimeSet* dlg = bar->m_pTimeSetDlg;
    EXPECT_TRUE(dlg->isVisible());
    dlg->SendMessage(WM_SLIDER_STEP, 1580, '5');
    dlg->SendMessage(WM_SLIDER_STEP, 1581, '2');
    Grab(dlg, QStringLiteral("playtime-dialog"));
    dlg->m_pApply->click();
    ASSERT_TRUE(WaitFor(
        [&] {
            return Lines(sim->Log(), QStringLiteral("MX_CMD_PLAY_SEEK")).back().payload.toHex() == "34000000";
        },
        5000));
    ASSERT_TRUE(WaitFor([&] { return bar->m_nCurPos >= 52 && bar->m_nCurPos < 57; }, 5000));
    EXPECT_EQ(bar->m_sliderSeek->m_nPos, bar->m_nCurPos);

    // Next: stop, a pause that keeps the GUI running, then the next item loads.
    // The pause is the program's, so it is timed where the commands are queued: an
    // instrument that a busy machine holds up may take both in the same moment.
    struct Queued {
        MX_CMD_ID_e id;
        qint64 ms;
    };
    std::vector<Queued> queued;
    QElapsedTimer clock;
    clock.start();
    theApp.m_fnCommandTap = [&](MX_CMD_ID_e id, MX_RW_ID_e, unsigned, const void*, HWND) {
        if (id == MX_CMD_PLAY_STOP || id == MX_CMD_PLAY_FILE)
            queued.push_back({id, clock.elapsed()});
    };
    bar->m_btnNext->Click();
    EXPECT_TRUE(bar->JumpPending());
    EXPECT_EQ(g_Marlix.DeviceState.m_nPlayMode, 9);
    ASSERT_TRUE(WaitFor([&] { return bar->m_strFileName == names[1]; }));
    // Prev twice: back to the first, then round to the last.
    bar->m_btnPrev->Click();
    ASSERT_TRUE(WaitFor([&] { return bar->m_strFileName == names[0]; }));
    bar->m_btnPrev->Click();
    ASSERT_TRUE(WaitFor([&] { return bar->m_strFileName == names[2]; }));
    bar->m_btnNext->Click();
    ASSERT_TRUE(WaitFor([&] { return bar->m_strFileName == names[0]; }));
    theApp.m_fnCommandTap = nullptr;

    const std::vector<SimLogLine> log = sim->Log();
    QStringList road;
    for (const SimLogLine& l : log)
        if (l.name == QLatin1String("MX_CMD_PLAY_FILE") || l.name == QLatin1String("MX_CMD_PLAY_STOP"))
            road << l.name.mid(7) + QLatin1Char(' ') +
                        QString::fromUtf16(reinterpret_cast<const char16_t*>(l.payload.constData()),
                                           l.payload.size() / 2)
                            .section(QLatin1Char('\\'), -1);
    const QStringList expected = {QStringLiteral("PLAY_FILE ") + names[0], QStringLiteral("PLAY_STOP "),
                                  QStringLiteral("PLAY_FILE ") + names[1], QStringLiteral("PLAY_STOP "),
                                  QStringLiteral("PLAY_FILE ") + names[0], QStringLiteral("PLAY_STOP "),
                                  QStringLiteral("PLAY_FILE ") + names[2], QStringLiteral("PLAY_STOP "),
                                  QStringLiteral("PLAY_FILE ") + names[0]};
    EXPECT_EQ(road, expected);
    // The 500 ms pause lies between each stop and the next file.
    int pauses = 0;
    for (std::size_t i = 0; i + 1 < queued.size(); ++i)
        if (queued[i].id == MX_CMD_PLAY_STOP) {
            ASSERT_EQ(queued[i + 1].id, MX_CMD_PLAY_FILE);
            EXPECT_GE(queued[i + 1].ms - queued[i].ms, 450);
            ++pauses;
        }
    EXPECT_EQ(pauses, 4);
}

TEST_F(PlaybackE2E, AFileRenamedInThePlayListIsPlayedByItsNewName) {
    Connect(kSimA);
    ASSERT_TRUE(OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Vectors"), QStringLiteral("FM")}, 3));
    for (int row : {0, 1, 2})
        ClickRow(row);
    const QString first = RowName(0), folder = browser->Files().Folder();
    browser->m_btnOpenFiles->click();
    ASSERT_TRUE(WaitFor([&] { return bar->m_strFileName == first; }));
    // F2 on the second, a new name, Enter.
    bar->m_btnOpen->Click();
    browser->m_listFile->setCurrentItem(browser->m_listFile->topLevelItem(1));
    QTest::keyClick(browser->m_listFile, Qt::Key_F2);
    ASSERT_NE(browser->RenameEdit(), nullptr);
    const QString renamed = QStringLiteral("renamed_FM.bin");
    browser->RenameEdit()->setText(renamed);
    QTest::keyClick(browser->RenameEdit(), Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return RowName(1) == renamed; }, 5000));
    bar->m_btnNext->Click();
    ASSERT_TRUE(WaitFor([&] { return bar->m_strFileName == renamed; }))
        << bar->m_strFileName.toStdString() << " loaded";
    const auto plays = Lines(sim->Log(), QStringLiteral("MX_CMD_PLAY_FILE"));
    ASSERT_EQ(plays.size(), 2u);
    EXPECT_EQ(plays[1].payload, Utf16(folder + renamed));
    EXPECT_EQ(bar->m_txtFileName->text(), renamed);
}

TEST_F(PlaybackE2E, APlayAnswerAfterAListingLoadsTheFileTheInstrumentLoaded) {
    // An instrument whose drive takes two seconds to load a file to play.
    Connect(kSimA, {QStringLiteral("--play-file-ms"), QStringLiteral("2000")});
    ASSERT_TRUE(OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Vectors"), QStringLiteral("FM")}, 3));
    ClickRow(0);
    const QString first = RowName(0), second = RowName(1);
    const int secondTime = browser->m_listFile->topLevelItem(1)->text(6).toInt();
    browser->m_btnOpenFiles->click();
    ASSERT_TRUE(WaitFor([&] { return bar->m_strFileName == first; }));
    bar->m_btnOpen->Click();
    ClickRow(0);
    ClickRow(1);
    browser->m_btnOpenFiles->click();
    // Another folder is selected and listed before the answer.
    QTreeWidgetItem* recordings = Child(Child(nullptr, QStringLiteral("D:\\")), QStringLiteral("Recordings"));
    ASSERT_NE(recordings, nullptr);
    browser->m_treeFolder->setCurrentItem(recordings);
    ASSERT_TRUE(WaitFor([&] { return browser->m_listFile->topLevelItemCount() >= 2; }));
    ASSERT_EQ(bar->m_strFileName, first) << "the listing came after the play's answer";
    EXPECT_TRUE(browser->m_vecPlayList.empty());
    ASSERT_TRUE(WaitFor([&] { return bar->m_strFileName == second; }, 10000))
        << bar->m_strFileName.toStdString() << " loaded";
    EXPECT_EQ(bar->m_txtFileName->text(), second);
    EXPECT_EQ(bar->m_nTotalSec, secondTime);
    EXPECT_EQ(bar->RowDigits(1), PlayBarRules::TimeDigits(std::uint32_t(secondTime)));
    bar->m_btnPlay->Click();
    ASSERT_TRUE(WaitFor([&] { return PositionReached(1); }, 10000));
}

TEST_F(PlaybackE2E, AFileThatEndsReturnsTheBarToTheStart) {
    Connect(kSimA);
    ASSERT_TRUE(OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Recordings")}, 2));
    int shortRow = RowName(0) == QLatin1String("rec_short_FM.bin") ? 0 : 1;
    ClickRow(shortRow);
    browser->m_btnOpenFiles->click();
    ASSERT_TRUE(WaitFor([&] { return bar->m_strFileName == QLatin1String("rec_short_FM.bin"); }));
    EXPECT_EQ(bar->RowDigits(1), (std::array<int, 6>{0, 0, 0, 0, 0, 3}));
    EXPECT_TRUE(bar->m_btnNext->m_bDisabled); // one item
    bar->m_btnPlay->Click();
    ASSERT_TRUE(WaitFor([&] { return PositionReached(1); }, 5000));
    // The end event: position 0, Play again, Stop off, a seek to 0.
    ASSERT_TRUE(WaitFor([&] { return !bar->m_btnOpen->m_bDisabled && bar->m_btnStop->m_bDisabled; }, 8000));
    EXPECT_EQ(bar->m_nCurPos, 0);
    EXPECT_EQ(bar->m_sliderSeek->m_nPos, 0);
    EXPECT_FALSE(bar->m_btnPlay->m_bDisabled);
    EXPECT_EQ(Lines(sim->Log(), QStringLiteral("MX_CMD_PLAY_SEEK")).back().payload.toHex(),
              QByteArray("00000000"));

    // With Repeat checked the end plays the file again from the start.
    auto starts = [&] { return Lines(sim->Log(), QStringLiteral("MX_CMD_PLAY_START")).size(); };
    bar->m_chkRepeat->click();
    const std::size_t before = starts();
    bar->m_btnPlay->Click();
    ASSERT_TRUE(WaitFor([&] { return starts() >= before + 2; }, 10000));
    EXPECT_EQ(Lines(sim->Log(), QStringLiteral("MX_CMD_PLAY_SEEK")).back().payload.toHex(),
              QByteArray("00000000"));
    // Unchecked, the next end stops, and nothing starts again.
    bar->m_chkRepeat->click();
    const std::size_t repeated = starts();
    ASSERT_TRUE(WaitFor([&] { return !bar->m_btnOpen->m_bDisabled && bar->m_btnStop->m_bDisabled; }, 10000));
    PumpPostedMessages(500);
    EXPECT_EQ(starts(), repeated);
    EXPECT_TRUE(bar->m_btnStop->m_bDisabled);
}

TEST_F(PlaybackE2E, AFolderOf5000FilesArrivesWhole) {
    Connect(kSimA);
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Recordings"), QStringLiteral("Bulk")},
                           int(SimStorage::kBulkFiles), 30000));
    std::printf("[ figure ] 5000-file folder: selected to listed in %lld ms\n",
                static_cast<long long>(t.elapsed()));
    EXPECT_EQ(browser->m_listFile->topLevelItemCount(), int(SimStorage::kBulkFiles));
    EXPECT_EQ(RowName(4999), QStringLiteral("bulk_05000_AM.bin"));
    browser->m_btnSelectAll->click();
    EXPECT_EQ(browser->m_nCheckedCount, int(SimStorage::kBulkFiles));
    EXPECT_TRUE(browser->m_btnDelete->isEnabled());
    EXPECT_EQ(browser->m_txtTotal->text(),
              QStringLiteral("Total:%1 MB").arg(browser->Files().AllBytes() / 1048576u));
    browser->m_btnUnselectAll->click();
    EXPECT_EQ(browser->m_nCheckedCount, 0);
    EXPECT_FALSE(browser->m_btnCopy->isEnabled());
}

TEST_F(PlaybackE2E, CopyTwoFilesToAnotherDrive) {
    Connect(kSimA);
    ASSERT_TRUE(OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Recordings")}, 2));
    ClickRow(0);
    ClickRow(1);
    const QString n0 = RowName(0), n1 = RowName(1);
    QStringList seen;
    WhenModal<CDialogCopyDrive>([&](CDialogCopyDrive* dlg) {
        seen << dlg->m_txtDone->text() << dlg->m_txtOf->text();
        for (int i = 0; i < dlg->m_comboDrive->count(); ++i)
            seen << dlg->m_comboDrive->itemText(i);
        dlg->m_comboDrive->setCurrentIndex(dlg->m_comboDrive->findText(QStringLiteral("C:\\")));
        dlg->m_btnCopy->click();
        seen << QString::number(dlg->m_btnCopy->isEnabled());
    });
    browser->m_btnCopy->click(); // modal until the last file is reported complete
    EXPECT_EQ(seen, (QStringList{QStringLiteral("0/2"), QStringLiteral("2/2"), QStringLiteral("Select"),
                                 QStringLiteral("C:\\"), QStringLiteral("D:\\"), QStringLiteral("0")}));
    // The transfer panes are empty again once the copy is done.
    PumpPostedMessages(300);
    EXPECT_EQ(frame->StatusProgress()->value(), 0);
    EXPECT_EQ(frame->StatusPaneLabel(7)->text().toStdString(), "0 KB/s");
    const std::vector<SimLogLine> log = sim->Log();
    QStringList pairs;
    for (const SimLogLine& l : log)
        if (l.name == QLatin1String("MX_CMD_COPY_DRIVE"))
            pairs << QString::fromLatin1(l.payload.toHex());
        else if (l.name == QLatin1String("MX_CMD_COPY_FILE"))
            pairs << QString::fromUtf16(reinterpret_cast<const char16_t*>(l.payload.constData()),
                                        l.payload.size() / 2);
    const QString folder = QStringLiteral("D:\\Recordings\\");
    EXPECT_EQ(pairs, (QStringList{QStringLiteral("02000000"), folder + n0, QStringLiteral("02000000"),
                                  folder + n1}));
    EXPECT_TRUE(Lines(log, QStringLiteral("MX_CMD_COPY_CANCEL")).empty());

    // The copies are on C:\ now.
    browser->m_btnUpdate->click();
    ASSERT_TRUE(OpenFolder({QStringLiteral("C:\\")}, 2));
    QStringList onC;
    for (int i = 0; i < browser->m_listFile->topLevelItemCount(); ++i)
        onC << RowName(i);
    EXPECT_TRUE(onC.contains(n0) && onC.contains(n1)) << onC.join(QLatin1Char(' ')).toStdString();
    // A drive's own folder is asked for with its one backslash.
    const std::vector<SimLogLine> lists = Lines(sim->Log(), QStringLiteral("MX_CMD_FILE_LIST"));
    ASSERT_FALSE(lists.empty());
    FolderItemRecord req{};
    ASSERT_EQ(lists.back().payload.size(), int(sizeof req));
    std::memcpy(&req, lists.back().payload.constData(), sizeof req);
    EXPECT_EQ(CFolderTree::FieldText(req.m_szPath, 260), QStringLiteral("C:\\"));
}

// A Linux system's default socket receive buffer, as an instrument keeps it.
const QStringList kDefaultReceiveBuffer = {QStringLiteral("--rcvbuf"), QStringLiteral("212992")};

TEST_F(PlaybackE2E, ADeleteOf5000FilesReachesAnInstrumentWithTheDefaultReceiveBufferWhole) {
    Connect(kSimA, kDefaultReceiveBuffer);
    ASSERT_TRUE(OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Recordings"), QStringLiteral("Bulk")},
                           int(SimStorage::kBulkFiles), 30000));
    browser->m_btnSelectAll->click();
    boxes.answer = IDYES;
    browser->m_btnDelete->click();
    EXPECT_TRUE(boxes.Contains(QStringLiteral("Delete Files?")));
    ASSERT_TRUE(WaitFor(
        [&] { return Lines(sim->Log(), QStringLiteral("MX_CMD_FILE_DELETE")).size() >= 5000; }, 90000))
        << Lines(sim->Log(), QStringLiteral("MX_CMD_FILE_DELETE")).size() << " deletes arrived";
    // The folder is listed again once the deletes are through: empty.
    ASSERT_TRUE(WaitFor([&] { return browser->m_listFile->topLevelItemCount() == 0; }, 30000));
    EXPECT_EQ(Lines(sim->Log(), QStringLiteral("MX_CMD_FILE_DELETE")).size(), 5000u);
}

TEST_F(PlaybackE2E, ACopyOf1000FilesCompletesWithEveryFilesProgress) {
    QStringList args = kDefaultReceiveBuffer;
    args << QStringLiteral("--copy-ms") << QStringLiteral("1");
    Connect(kSimA, args);
    ASSERT_TRUE(OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Recordings"), QStringLiteral("Bulk")},
                           int(SimStorage::kBulkFiles), 30000));
    for (int i = 0; i < 1000; ++i)
        browser->m_listFile->topLevelItem(i)->setCheckState(0, Qt::Checked);
    PumpPostedMessages();
    ASSERT_EQ(browser->m_nCheckedCount, 1000);
    QString doneText;
    int filesDone = 0;
    std::uint64_t dropped = 1;
    WhenModal<CDialogCopyDrive>([&](CDialogCopyDrive* dlg) {
        dlg->m_comboDrive->setCurrentIndex(dlg->m_comboDrive->findText(QStringLiteral("C:\\")));
        dlg->m_btnCopy->click();
        WaitFor([&] { return dlg->Progress().Done(); }, 120000);
        doneText = dlg->m_txtDone->text();
        for (int i = 0; i < dlg->Progress().Total(); ++i)
            filesDone += dlg->Progress().FileDone(i) ? 1 : 0;
        dropped = dlg->Progress().Dropped();
        if (!dlg->Progress().Done())
            dlg->m_btnCancel->click(); // a copy that never completes must not hold the test
    });
    browser->m_btnCopy->click(); // modal until the last file is reported complete
    EXPECT_EQ(doneText, QStringLiteral("1000/1000"));
    EXPECT_EQ(filesDone, 1000);
    EXPECT_EQ(dropped, 0u);
    EXPECT_EQ(Lines(sim->Log(), QStringLiteral("MX_CMD_COPY_FILE")).size(), 1000u);
}

TEST_F(PlaybackE2E, ACopyTheInstrumentRefusesEndsWithTheFilesName) {
    Connect(kSimB, {QStringLiteral("--copy-fail-after"), QStringLiteral("1")});
    ASSERT_TRUE(OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Vectors"), QStringLiteral("AM")}, 3));
    for (int row : {0, 1, 2})
        ClickRow(row);
    const QString second = RowName(1);
    QString failure, label;
    bool copying = true;
    int progressAtFailure = -1;
    std::string rateAtFailure;
    WhenModal<CDialogCopyDrive>([&](CDialogCopyDrive* dlg) {
        dlg->m_comboDrive->setCurrentIndex(dlg->m_comboDrive->findText(QStringLiteral("C:\\")));
        dlg->m_btnCopy->click();
        WaitFor([&] { return !dlg->Failure().isEmpty(); }, 10000);
        failure = dlg->Failure();
        label = dlg->m_txtName->text();
        copying = dlg->Copying();
        progressAtFailure = frame->StatusProgress()->value();
        rateAtFailure = frame->StatusPaneLabel(7)->text().toStdString();
        dlg->m_btnCancel->click();
    });
    browser->m_btnCopy->click();
    EXPECT_EQ(failure, QStringLiteral("Not copied: %1 (Err:Hard Disk FULL)").arg(second));
    EXPECT_EQ(label, failure);
    EXPECT_FALSE(copying);
    // The refusal ended the transfer: the panes are empty while the dialog still stands.
    EXPECT_EQ(progressAtFailure, 0);
    EXPECT_EQ(rateAtFailure, "0 KB/s");
    EXPECT_TRUE(
        boxes.Contains(QStringLiteral("The instrument did not copy %1: Err:Hard Disk FULL.\nThe copy has "
                                      "stopped after 1 of 3 files.")
                           .arg(second)));
}

TEST_F(PlaybackE2E, ALinkLostDuringACopyEndsTheDialogsWaitWithHowManyFilesWereCopied) {
    Connect(kSimB, {QStringLiteral("--copy-ms"), QStringLiteral("300")});
    ASSERT_TRUE(OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Vectors"), QStringLiteral("AM")}, 3));
    for (int row : {0, 1, 2})
        ClickRow(row);
    QString failure, label;
    bool copying = true;
    int progressAtLoss = -1;
    std::string rateAtLoss;
    WhenModal<CDialogCopyDrive>([&](CDialogCopyDrive* dlg) {
        dlg->m_comboDrive->setCurrentIndex(dlg->m_comboDrive->findText(QStringLiteral("C:\\")));
        dlg->m_btnCopy->click();
        WaitFor([&] { return dlg->Progress().Copied() == 1 && dlg->Progress().FilePercent() >= 25; }, 10000);
        EXPECT_TRUE(sim->Pause()); // the link goes quiet with the second file half copied
        WaitFor([&] { return !dlg->Failure().isEmpty(); }, 30000);
        failure = dlg->Failure();
        label = dlg->m_txtName->text();
        copying = dlg->Copying();
        progressAtLoss = frame->StatusProgress()->value();
        rateAtLoss = frame->StatusPaneLabel(7)->text().toStdString();
        dlg->m_btnCancel->click();
    });
    browser->m_btnCopy->click();
    ASSERT_TRUE(sim->Resume());
    EXPECT_EQ(failure.toStdString(), "Link lost: 1 of 3 files copied");
    EXPECT_EQ(label, failure);
    EXPECT_FALSE(copying);
    EXPECT_EQ(progressAtLoss, 0);
    EXPECT_EQ(rateAtLoss, "0 KB/s");
    EXPECT_TRUE(boxes.Contains(
        QStringLiteral("The link to the instrument was lost.\nThe copy has stopped after 1 of 3 files.")));
    EXPECT_TRUE(boxes.Contains(QStringLiteral("Disconnected!")));
}

TEST_F(PlaybackE2E, ACopyThatStallsIsCancelledByEscapeAndByTheButton) {
    Connect(kSimB, {QStringLiteral("--copy-ms"), QStringLiteral("300")});
    ASSERT_TRUE(OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Vectors"), QStringLiteral("AM")}, 3));
    for (int row : {0, 1, 2})
        ClickRow(row);
    QString doneWhenStalled;
    bool panesShown = false;
    WhenModal<CDialogCopyDrive>([&](CDialogCopyDrive* dlg) {
        dlg->m_comboDrive->setCurrentIndex(dlg->m_comboDrive->findText(QStringLiteral("C:\\")));
        dlg->m_btnCopy->click();
        // The first file completes, the second stalls half-way (the instrument stops
        // answering, well inside the link's time-out): then Escape.
        WaitFor([&] { return dlg->Progress().Copied() == 1 && dlg->Progress().FilePercent() == 50; }, 5000);
        EXPECT_TRUE(sim->Pause());
        panesShown = WaitFor(
            [&] {
                return frame->StatusProgress()->value() >= 49 && // half of the second file, rounded down
                       frame->StatusPaneLabel(7)->text() == QLatin1String("25000 KB/s");
            },
            2000);
        doneWhenStalled = dlg->m_txtDone->text();
        Grab(dlg, QStringLiteral("copy-dialog"));
        QTest::keyClick(dlg, Qt::Key_Escape);
    });
    browser->m_btnCopy->click();
    ASSERT_TRUE(sim->Resume());
    EXPECT_EQ(doneWhenStalled, QStringLiteral("1/3"));
    // The panes show the transfer while it runs, and nothing once it is cancelled.
    EXPECT_TRUE(panesShown);
    PumpPostedMessages(300);
    EXPECT_EQ(frame->StatusProgress()->value(), 0);
    EXPECT_EQ(frame->StatusPaneLabel(7)->text().toStdString(), "0 KB/s");
    ASSERT_TRUE(
        WaitFor([&] { return Lines(sim->Log(), QStringLiteral("MX_CMD_COPY_CANCEL")).size() == 1; }, 5000));

    // The Cancel button sends it too, once.
    WhenModal<CDialogCopyDrive>([&](CDialogCopyDrive* dlg) {
        dlg->m_comboDrive->setCurrentIndex(dlg->m_comboDrive->findText(QStringLiteral("D:\\")));
        dlg->m_btnCopy->click();
        dlg->m_btnCancel->click();
    });
    browser->m_btnCopy->click();
    ASSERT_TRUE(
        WaitFor([&] { return Lines(sim->Log(), QStringLiteral("MX_CMD_COPY_CANCEL")).size() == 2; }, 5000));
    PumpPostedMessages(300);
    EXPECT_EQ(Lines(sim->Log(), QStringLiteral("MX_CMD_COPY_CANCEL")).size(), 2u);
}

TEST_F(PlaybackE2E, DeleteAndRenameFollowWhatTheInstrumentDid) {
    Connect(kSimB, {QStringLiteral("--fail-delete"), QStringLiteral("--fail-rename")});
    ASSERT_TRUE(OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Recordings")}, 2));
    ClickRow(1);
    const QString victim = RowName(1);
    boxes.answer = IDYES;
    browser->m_btnDelete->click();
    EXPECT_TRUE(boxes.Contains(QStringLiteral("Delete File?")));
    ASSERT_TRUE(
        WaitFor([&] { return Lines(sim->Log(), QStringLiteral("MX_CMD_FILE_LIST")).size() >= 3; }, 5000));
    PumpPostedMessages(300);
    // Refused by the instrument: the row is still there.
    EXPECT_EQ(browser->m_listFile->topLevelItemCount(), 2);
    EXPECT_EQ(Lines(sim->Log(), QStringLiteral("MX_CMD_FILE_DELETE")).back().payload,
              Utf16(QStringLiteral("D:\\Recordings\\") + victim));

    // A refused rename leaves the old name.
    browser->m_listFile->setCurrentItem(browser->m_listFile->topLevelItem(0));
    const QString old = RowName(0);
    QTest::keyClick(browser->m_listFile, Qt::Key_F2);
    ASSERT_NE(browser->RenameEdit(), nullptr);
    browser->RenameEdit()->setText(QStringLiteral("renamed.bin"));
    QTest::keyClick(browser->RenameEdit(), Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return !browser->Files().RenamePending(); }, 5000));
    EXPECT_EQ(RowName(0), old);
}

TEST_F(PlaybackE2E, DeleteAndRenameTakeEffect) {
    Connect(kSimA);
    ASSERT_TRUE(OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Recordings")}, 2));
    browser->m_listFile->setCurrentItem(browser->m_listFile->topLevelItem(0));
    QTest::keyClick(browser->m_listFile, Qt::Key_F2);
    ASSERT_NE(browser->RenameEdit(), nullptr);
    browser->RenameEdit()->setText(QStringLiteral("renamed.bin"));
    QTest::keyClick(browser->RenameEdit(), Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return RowName(0) == QLatin1String("renamed.bin"); }, 5000));

    ClickRow(1);
    boxes.answer = IDYES;
    browser->m_btnDelete->click();
    ASSERT_TRUE(WaitFor([&] { return browser->m_listFile->topLevelItemCount() == 1; }, 5000));
    EXPECT_EQ(RowName(0), QStringLiteral("renamed.bin"));
    EXPECT_EQ(browser->m_nCheckedCount, 0);
}

TEST_F(PlaybackE2E, ALostRenameResultDoesNotHoldF2AfterAReconnect) {
    Connect(kSimA, {QStringLiteral("--control-stdin")});
    ASSERT_TRUE(OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Recordings")}, 2));
    auto rename = [&](const QString& name) {
        browser->m_listFile->setCurrentItem(browser->m_listFile->topLevelItem(0));
        QTest::keyClick(browser->m_listFile, Qt::Key_F2);
        ASSERT_NE(browser->RenameEdit(), nullptr);
        browser->RenameEdit()->setText(name);
        QTest::keyClick(browser->RenameEdit(), Qt::Key_Return);
    };
    // The instrument renames but its answer is lost.
    ASSERT_TRUE(sim->Control(QStringLiteral("silent")));
    ASSERT_TRUE(WaitFor([&] { return sim->Output().contains(QStringLiteral("silent:")); }, 5000));
    rename(QStringLiteral("lost.bin"));
    ASSERT_TRUE(
        WaitFor([&] { return !Lines(sim->Log(), QStringLiteral("MX_CMD_FILE_RENAME_TO")).empty(); }, 5000));
    ASSERT_TRUE(sim->Control(QStringLiteral("resume")));
    EXPECT_TRUE(browser->Files().RenamePending());

    ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_DISCONNECT, 0);
    ASSERT_TRUE(WaitFor([this] { return State() == 0 && !frame->m_connectSequence.IsPausing(); }, 10000));
    frame->GetIPCombo()->setEditText(kSimA);
    ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_IP_COMBO, 0);
    ASSERT_TRUE(WaitFor([&] { return State() == 2; }));
    PumpPostedMessages(300);
    ASSERT_TRUE(OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Recordings")}, 2));
    EXPECT_EQ(RowName(0), QStringLiteral("lost.bin")); // what the instrument did
    rename(QStringLiteral("again.bin"));
    ASSERT_TRUE(WaitFor([&] { return RowName(0) == QLatin1String("again.bin"); }, 5000));
}

TEST_F(PlaybackE2E, ABrowserLeftOpenAcrossAReconnectShowsWhatAFreshOpenShows) {
    Connect(kSimA);
    ASSERT_TRUE(OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Recordings")}, 2));
    ClickRow(0);
    ASSERT_EQ(browser->m_nCheckedCount, 1);
    ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_DISCONNECT, 0);
    ASSERT_TRUE(WaitFor([this] { return State() == 0 && !frame->m_connectSequence.IsPausing(); }, 10000));
    PumpPostedMessages(200);
    ASSERT_TRUE(browser->isVisible());
    EXPECT_EQ(browser->m_treeFolder->topLevelItemCount(), 0);
    EXPECT_EQ(browser->m_listFile->topLevelItemCount(), 0);
    EXPECT_EQ(browser->NotListedText(), QStringLiteral("Not listed: no instrument is connected"));

    // Connected again with the browser still open: no Open, no Update.
    frame->GetIPCombo()->setEditText(kSimA);
    ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_IP_COMBO, 0);
    ASSERT_TRUE(WaitFor([&] { return State() == 2; }));
    EXPECT_TRUE(WaitFor([&] { return Child(nullptr, QStringLiteral("D:\\")) != nullptr; }, 10000));
    EXPECT_EQ(browser->m_treeFolder->topLevelItemCount(), 2);
    EXPECT_EQ(browser->SelectedTag(), 0u);
    EXPECT_EQ(browser->m_listFile->topLevelItemCount(), 0);
    EXPECT_EQ(browser->NotListedText(), QString());
    EXPECT_EQ(browser->m_txtTotal->text(), QStringLiteral("Total:0 MB"));
    EXPECT_EQ(browser->m_nCheckedCount, 0);
    EXPECT_FALSE(browser->m_btnOpenFiles->isEnabled());

    // Update then lists what it lists after a fresh Open, and a folder its rows.
    browser->m_btnUpdate->click();
    ASSERT_TRUE(WaitFor([&] { return Child(nullptr, QStringLiteral("D:\\")) != nullptr; }, 10000));
    EXPECT_EQ(browser->m_listFile->topLevelItemCount(), 0);
    ASSERT_TRUE(OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Recordings")}, 2));
}
