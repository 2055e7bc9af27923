// The playback windows offscreen, fed with made-up replies: the browser's
// request/reply road and its mended faults, the play bar's position kinds, guards
// and clock change, the play time dialog's keys, and the copy dialog's drives,
// snapshot and range.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstring>

#include "FakeCommandQueue.h"
#include "TestSupport.h"
#include "app/MarlixExApp.h"
#include "controls/CBitmapSlider.h"
#include "controls/CKbcButton.h"
#include "device/MarlixMFC.h"
#include "device/MxMessages.h"
#include "output/DialogCopyDrive.h"
#include "output/DialogPlayFolderList.h"
#include "output/DialogPlayTimeSet.h"
#include "output/DumpPlayBar.h"
#include "platform/MsgBox.h"

namespace {

struct Cmd {
    MX_CMD_ID_e id;
    QByteArray payload;
    HWND reply;
};

FolderItemRecord Folder(std::uint32_t tag, const QString& name) {
    FolderItemRecord r;
    std::memset(&r, 0, sizeof r);
    r.m_hItem = tag;
    std::memcpy(r.m_szPath, name.utf16(), std::size_t(std::min<qsizetype>(name.size(), 259)) * 2);
    return r;
}

FileInfoRecord File(const QString& name, std::uint64_t size = 1000, std::uint32_t sec = 100) {
    FileInfoRecord r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(r.m_szName, name.utf16(), std::size_t(name.size()) * 2);
    r.m_bFM = 1;
    r.m_llSize = size;
    r.m_dSampleClock = 1000.0;
    r.m_nTimeSec = sec;
    return r;
}

QString Text(const QByteArray& utf16) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(utf16.constData()), utf16.size() / 2);
}

class PlaybackWindows : public ::testing::Test {
protected:
    void SetUp() override {
        theApp.m_fnCommandTap = [this](MX_CMD_ID_e id, MX_RW_ID_e, unsigned size, const void* p, HWND h) {
            cmds.push_back({id, QByteArray(static_cast<const char*>(p), int(size)), h});
        };
        g_Marlix.m_hNotifyWnd = frame.GetSafeHwnd();
        g_Marlix.DeviceState = DeviceState{};
        browser = new CDialogPlayFolderList;
        bar = new CDumpPlayBar;
        bar->SetBrowser(browser);
        bar->setEnabled(true);
        browser->show();
    }
    void TearDown() override {
        delete bar;
        delete browser;
        theApp.m_fnCommandTap = nullptr;
        g_Marlix.m_hNotifyWnd = nullptr;
        g_Marlix.DeviceDataStore.m_vecFolders.clear();
        g_Marlix.DeviceDataStore.m_vecFiles.clear();
    }
    // The answers to the last folder and file requests.
    void FolderReply(const std::vector<FolderItemRecord>& v) {
        FolderReplyTo(queue.LastRef(MX_CMD_FOLDER_LIST), v);
    }
    void FileReply(const std::vector<FileInfoRecord>& v) { FileReplyTo(queue.LastRef(MX_CMD_FILE_LIST), v); }
    void FolderReplyTo(std::uint32_t ref, const std::vector<FolderItemRecord>& v) {
        g_Marlix.DeviceDataStore.m_vecFolders = v;
        DeliverAnswer(browser->GetSafeHwnd(), WM_FOLDER_LIST_READY, 0, ref);
    }
    void FileReplyTo(std::uint32_t ref, const std::vector<FileInfoRecord>& v) {
        g_Marlix.DeviceDataStore.m_vecFiles = v;
        DeliverAnswer(browser->GetSafeHwnd(), WM_FILE_LIST_READY, 0, ref);
    }
    void PlayResult(WPARAM result) {
        DeliverAnswer(browser->GetSafeHwnd(), WM_PLAY_FILE_RESULT, result, queue.LastRef(MX_CMD_PLAY_FILE));
    }
    std::uint32_t Tag(QTreeWidgetItem* item) const { return item->data(0, Qt::UserRole + 1).toUInt(); }
    QTreeWidgetItem* Top(int i) const { return browser->m_treeFolder->topLevelItem(i); }
    // Root C:\ and D:\, D:\ selected and holding Vectors and Recordings.
    void ListRootAndSelectD() {
        browser->OnUpdate();
        FolderReply({Folder(CFolderTree::kRoot, QStringLiteral("C:\\")),
                     Folder(CFolderTree::kRoot, QStringLiteral("D:\\"))});
        browser->m_treeFolder->setCurrentItem(Top(1));
        FolderReply({Folder(Tag(Top(1)), QStringLiteral("Vectors")),
                     Folder(Tag(Top(1)), QStringLiteral("Recordings"))});
        FileReply({}); // D:\ holds no files of its own
    }
    void Check(int row) {
        browser->m_listFile->topLevelItem(row)->setCheckState(0, Qt::Checked);
        PumpPostedMessages();
    }
    // Two files a (100 s) and b (200 s) at a clock of 1000 kHz checked, opened and
    // loaded into the bar.
    void LoadTwo() {
        ListRootAndSelectD();
        browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
        FileReply({File(QStringLiteral("a.bin"), 1000, 100), File(QStringLiteral("b.bin"), 1000, 200)});
        Check(0);
        Check(1);
        browser->OnOpenFiles();
        PlayResult(2);
        bar->LoadFile(); // what the frame does on the play file change
        cmds.clear();
    }
    std::vector<int> Seeks() const {
        std::vector<int> v;
        for (const Cmd& c : Of(MX_CMD_PLAY_SEEK)) {
            std::int32_t s = -1;
            std::memcpy(&s, c.payload.constData(), sizeof s);
            v.push_back(s);
        }
        return v;
    }
    void Report(int kind, std::uint32_t pos) {
        g_Marlix.DeviceDataStore.m_nPlayPosSec = pos;
        bar->SendMessage(WM_PLAY_POSITION, WPARAM(kind), 0);
    }
    // The left button on the seek slider at x (pressed, moved or released).
    void Mouse(QEvent::Type t, int x) {
        LeftButton(bar->m_sliderSeek, t, QPointF(x, bar->m_sliderSeek->height() / 2));
    }
    void TimeSet(int h, int m, int sec) {
        const int d[6] = {h / 10, h % 10, m / 10, m % 10, sec / 10, sec % 10};
        for (int i = 0; i < 6; ++i)
            bar->m_pTimeSetDlg->SendMessage(WM_SLIDER_STEP, CDialogPlayTimeSet::kIdFirstDigit + UINT(i),
                                            '0' + d[i]);
        bar->m_pTimeSetDlg->m_pApply->click();
    }
    static std::array<int, 6> Digits(int s) { return PlayBarRules::TimeDigits(std::uint32_t(s)); }
    std::vector<Cmd> Of(MX_CMD_ID_e id) const {
        std::vector<Cmd> v;
        for (const Cmd& c : cmds)
            if (c.id == id)
                v.push_back(c);
        return v;
    }

    RecordingParent frame;
    RecordingMessageBoxes boxes;
    FakeCommandQueue queue;
    std::vector<Cmd> cmds;
    CDialogPlayFolderList* browser = nullptr;
    CDumpPlayBar* bar = nullptr;
};

} // namespace

TEST_F(PlaybackWindows, SelectingAFolderAsksForFoldersThenFilesWithOneRecord) {
    ListRootAndSelectD();
    QTreeWidgetItem* vectors = Top(1)->child(0);
    cmds.clear();
    browser->m_treeFolder->setCurrentItem(vectors);
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[0].id, MX_CMD_FOLDER_LIST);
    EXPECT_EQ(cmds[1].id, MX_CMD_FILE_LIST);
    EXPECT_EQ(cmds[0].payload, cmds[1].payload);
    ASSERT_EQ(cmds[0].payload.size(), 524);
    EXPECT_EQ(cmds[0].reply, browser->GetSafeHwnd());
    FolderItemRecord r;
    std::memcpy(&r, cmds[0].payload.constData(), sizeof r);
    EXPECT_EQ(r.m_hItem, Tag(vectors));
    EXPECT_EQ(CFolderTree::FieldText(r.m_szPath, 260), QStringLiteral("D:\\Vectors\\"));
    EXPECT_EQ(browser->m_txtTotal->text(), QStringLiteral("Total:0 MB"));
}

TEST_F(PlaybackWindows, AReplyForANodeThatIsGoneIsDropped) {
    ListRootAndSelectD();
    const std::uint32_t vectorsTag = Tag(Top(1)->child(0));
    browser->m_treeFolder->setCurrentItem(Top(1)->child(0));
    const std::uint32_t vectorsRef = queue.LastRef(MX_CMD_FOLDER_LIST);
    browser->m_treeFolder->setCurrentItem(Top(1)); // D:\ again: its children go
    EXPECT_EQ(Top(1)->childCount(), 0);
    FolderReplyTo(vectorsRef,
                  {Folder(vectorsTag, QStringLiteral("AM")), Folder(vectorsTag, QStringLiteral("FM"))});
    EXPECT_EQ(browser->m_treeFolder->topLevelItemCount(), 2);
    EXPECT_EQ(Top(1)->childCount(), 0);
    EXPECT_EQ(browser->ItemForTag(vectorsTag), nullptr);
    // A reply for D:\ itself is still taken.
    FolderReply({Folder(Tag(Top(1)), QStringLiteral("Vectors"))});
    EXPECT_EQ(Top(1)->childCount(), 1);
}

TEST_F(PlaybackWindows, RowsOfAFolderLeftBehindCanNeverBeDeletedUnderTheNewOne) {
    ListRootAndSelectD();
    QTreeWidgetItem* vectors = Top(1)->child(0);
    QTreeWidgetItem* recordings = Top(1)->child(1);
    browser->m_treeFolder->setCurrentItem(vectors);
    FileReply({File(QStringLiteral("v1.bin")), File(QStringLiteral("v2.bin"))});
    Check(0);
    EXPECT_TRUE(browser->m_btnDelete->isEnabled());
    browser->m_treeFolder->setCurrentItem(recordings);
    // The old rows are gone at once, with their checks and buttons.
    EXPECT_EQ(browser->m_listFile->topLevelItemCount(), 0);
    EXPECT_FALSE(browser->m_btnDelete->isEnabled());
    boxes.answer = IDYES;
    cmds.clear();
    browser->OnDelete();
    EXPECT_TRUE(Of(MX_CMD_FILE_DELETE).empty());
    FileReply({File(QStringLiteral("r0.bin"))});
    // Vectors and then Recordings again before any answer: the answer for
    // Vectors is not shown under Recordings.
    browser->m_treeFolder->setCurrentItem(vectors);
    const std::uint32_t vectorsRef = queue.LastRef(MX_CMD_FILE_LIST);
    browser->m_treeFolder->setCurrentItem(recordings);
    FileReplyTo(vectorsRef, {File(QStringLiteral("v1.bin")), File(QStringLiteral("v2.bin"))});
    EXPECT_EQ(browser->m_listFile->topLevelItemCount(), 0);
    FileReply({File(QStringLiteral("r1.bin"))});
    ASSERT_EQ(browser->m_listFile->topLevelItemCount(), 1);
    Check(0);
    cmds.clear();
    browser->m_btnDelete->click();
    EXPECT_TRUE(boxes.Contains(QStringLiteral("Delete File?")));
    const auto del = Of(MX_CMD_FILE_DELETE);
    ASSERT_EQ(del.size(), 1u);
    EXPECT_EQ(Text(del[0].payload), QStringLiteral("D:\\Recordings\\r1.bin"));
    // The row stays until the instrument's new listing says it is gone.
    EXPECT_EQ(browser->m_listFile->topLevelItemCount(), 1);
    ASSERT_EQ(Of(MX_CMD_FILE_LIST).size(), 1u);
    FileReply({File(QStringLiteral("r1.bin")), File(QStringLiteral("r2.bin"))});
    EXPECT_EQ(browser->m_listFile->topLevelItemCount(), 2);

    // Update lists the tree again and leaves the rows; a delete then still
    // lists their folder again and takes the answer.
    browser->OnUpdate();
    FolderReply({Folder(CFolderTree::kRoot, QStringLiteral("D:\\"))});
    Check(0);
    cmds.clear();
    browser->OnDelete();
    ASSERT_EQ(Of(MX_CMD_FILE_DELETE).size(), 1u);
    EXPECT_EQ(Text(Of(MX_CMD_FILE_DELETE)[0].payload), QStringLiteral("D:\\Recordings\\r1.bin"));
    ASSERT_EQ(Of(MX_CMD_FILE_LIST).size(), 1u);
    FileReply({File(QStringLiteral("r2.bin"))});
    ASSERT_EQ(browser->m_listFile->topLevelItemCount(), 1);
    EXPECT_EQ(browser->m_listFile->topLevelItem(0)->text(0), QStringLiteral("r2.bin"));
}

TEST_F(PlaybackWindows, AnAnswerForFolderAAfterBIsSelectedNeverListsAsBsRows) {
    ListRootAndSelectD();
    QTreeWidgetItem* vectors = Top(1)->child(0);
    QTreeWidgetItem* recordings = Top(1)->child(1);
    for (bool aFirst : {false, true}) {
        SCOPED_TRACE(aFirst ? "A's answer first" : "B's answer first");
        browser->m_treeFolder->setCurrentItem(vectors);
        const std::uint32_t a = queue.LastRef(MX_CMD_FILE_LIST);
        browser->m_treeFolder->setCurrentItem(recordings);
        const std::uint32_t b = queue.LastRef(MX_CMD_FILE_LIST);
        const std::vector<FileInfoRecord> aFiles = {File(QStringLiteral("v1.bin")),
                                                    File(QStringLiteral("v2.bin"))};
        if (aFirst) {
            FileReplyTo(a, aFiles);
            EXPECT_EQ(browser->m_listFile->topLevelItemCount(), 0);
        }
        FileReplyTo(b, {File(QStringLiteral("r1.bin"))});
        if (!aFirst)
            FileReplyTo(a, aFiles); // late, after any delay
        ASSERT_EQ(browser->m_listFile->topLevelItemCount(), 1);
        EXPECT_EQ(browser->m_listFile->topLevelItem(0)->text(0), QStringLiteral("r1.bin"));
        // Open Files, Copy and Delete act on B's own file only.
        browser->OnSelectAll();
        EXPECT_EQ(browser->m_nCheckedCount, 1);
        EXPECT_EQ(browser->Files().CheckedPaths(false),
                  QStringList{QStringLiteral("D:\\Recordings\\r1.bin")});
        queue.cmds.clear();
        browser->OnOpenFiles();
        ASSERT_EQ(queue.cmds.size(), 1u);
        EXPECT_EQ(Text(queue.cmds[0].payload), QStringLiteral("D:\\Recordings\\r1.bin"));
        PlayResult(0);
        browser->OnSelectAll();
        boxes.answer = IDYES;
        queue.cmds.clear();
        browser->OnDelete();
        ASSERT_GE(queue.cmds.size(), 1u);
        EXPECT_EQ(queue.cmds[0].id, MX_CMD_FILE_DELETE);
        EXPECT_EQ(Text(queue.cmds[0].payload), QStringLiteral("D:\\Recordings\\r1.bin"));
        FileReply({File(QStringLiteral("r1.bin"))});
    }
    EXPECT_GE(browser->DroppedReplies(), 1u);
}

TEST_F(PlaybackWindows, AnUnansweredOrRefusedListingLeavesTheNextFoldersListingNormally) {
    ListRootAndSelectD();
    QTreeWidgetItem* vectors = Top(1)->child(0);
    QTreeWidgetItem* recordings = Top(1)->child(1);
    browser->m_treeFolder->setCurrentItem(vectors); // never answered
    EXPECT_EQ(browser->NotListedText(), QStringLiteral("Not listed yet"));
    browser->m_treeFolder->setCurrentItem(recordings);
    FileReply({File(QStringLiteral("r1.bin"))});
    ASSERT_EQ(browser->m_listFile->topLevelItemCount(), 1);
    EXPECT_EQ(browser->NotListedText(), QString());
    // A listing the decoder refused: that folder says so, the next lists.
    browser->m_treeFolder->setCurrentItem(vectors);
    DeliverAnswer(browser->GetSafeHwnd(), WM_FILE_LIST_READY, MX_LIST_REFUSED,
                  queue.LastRef(MX_CMD_FILE_LIST));
    EXPECT_EQ(browser->m_listFile->topLevelItemCount(), 0);
    EXPECT_EQ(browser->NotListedText(),
              QStringLiteral("Not listed: the instrument's answer could not be read"));
    browser->m_treeFolder->setCurrentItem(recordings);
    FileReply({File(QStringLiteral("r1.bin")), File(QStringLiteral("r2.bin"))});
    EXPECT_EQ(browser->m_listFile->topLevelItemCount(), 2);
    // A listing that could not be queued waits for nothing.
    queue.refuse = true;
    browser->m_treeFolder->setCurrentItem(vectors);
    EXPECT_EQ(browser->NotListedText(),
              QStringLiteral("Not listed: the request could not be sent to the instrument"));
}

TEST_F(PlaybackWindows, AFolderSelectedAgainBeforeItsAnswerGetsItsChildrenOnce) {
    ListRootAndSelectD();
    QTreeWidgetItem* vectors = Top(1)->child(0);
    QTreeWidgetItem* recordings = Top(1)->child(1);
    const std::uint32_t tag = Tag(vectors);
    browser->m_treeFolder->setCurrentItem(vectors);
    const std::uint32_t first = queue.LastRef(MX_CMD_FOLDER_LIST);
    browser->m_treeFolder->setCurrentItem(recordings);
    browser->m_treeFolder->setCurrentItem(vectors);
    const std::uint32_t again = queue.LastRef(MX_CMD_FOLDER_LIST);
    // The instrument answers all three, and repeats one.
    const std::vector<FolderItemRecord> kids = {Folder(tag, QStringLiteral("AM")),
                                                Folder(tag, QStringLiteral("FM"))};
    FolderReplyTo(first, kids);
    FolderReplyTo(again, kids);
    FolderReplyTo(again, kids);
    EXPECT_EQ(vectors->childCount(), 2);
    EXPECT_EQ(browser->Tree().Children(tag).size(), 2u);
}

TEST_F(PlaybackWindows, APathThatDoesNotFitTheRecordIsRefused) {
    ListRootAndSelectD();
    const QString longName(200, QLatin1Char('x'));
    browser->m_treeFolder->setCurrentItem(Top(1)->child(0));
    FolderReply({Folder(Tag(Top(1)->child(0)), longName)});
    QTreeWidgetItem* deep = Top(1)->child(0)->child(0);
    ASSERT_NE(deep, nullptr);
    browser->m_treeFolder->setCurrentItem(deep);
    FolderReply({Folder(Tag(deep), QString(80, QLatin1Char('y')))});
    ASSERT_EQ(deep->childCount(), 1);
    cmds.clear();
    browser->m_treeFolder->setCurrentItem(deep->child(0));
    EXPECT_TRUE(cmds.empty());
    EXPECT_TRUE(
        boxes.Contains(QStringLiteral("The folder path is too long for the instrument:\nD:\\Vectors\\") +
                       longName + QLatin1Char('\\') + QString(80, QLatin1Char('y')) + QLatin1Char('\\')));
}

TEST_F(PlaybackWindows, ChecksByMouseKeyAndSelectAllKeepTheCountAndButtons) {
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
    FileReply({File(QStringLiteral("a.bin"), 3 * 1048576), File(QStringLiteral("b.bin"), 1048575),
               File(QStringLiteral("c.bin"), 1)});
    browser->m_btnSelectAll->click();
    EXPECT_EQ(browser->m_nCheckedCount, 3);
    EXPECT_TRUE(browser->m_btnDelete->isEnabled() && browser->m_btnCopy->isEnabled());
    EXPECT_EQ(browser->m_txtTotal->text(), QStringLiteral("Total:4 MB"));
    browser->m_btnUnselectAll->click();
    EXPECT_EQ(browser->m_nCheckedCount, 0);
    EXPECT_FALSE(browser->m_btnDelete->isEnabled() || browser->m_btnCopy->isEnabled() ||
                 browser->m_btnOpenFiles->isEnabled());
    // Space on the current row checks it.
    QApplication::setActiveWindow(browser);
    browser->m_listFile->setFocus();
    browser->m_listFile->setCurrentItem(browser->m_listFile->topLevelItem(1));
    QTest::keyClick(browser->m_listFile, Qt::Key_Space);
    PumpPostedMessages();
    EXPECT_EQ(browser->m_nCheckedCount, 1);
    EXPECT_TRUE(browser->m_btnOpenFiles->isEnabled());
    EXPECT_EQ(browser->m_txtTotal->text(), QStringLiteral("Total:0 MB"));
    // A click on the row itself (right of the check box) toggles it; one on the box toggles once.
    const QRect r = browser->m_listFile->visualItemRect(browser->m_listFile->topLevelItem(0));
    QTest::mouseClick(browser->m_listFile->viewport(), Qt::LeftButton, {}, QPoint(26 + 40, r.center().y()));
    PumpPostedMessages();
    EXPECT_EQ(browser->m_nCheckedCount, 2);
}

TEST_F(PlaybackWindows, OpenFilesWithNothingCheckedSaysNoneAndAFailedPlayCanBeTriedAgain) {
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
    FileReply({File(QStringLiteral("a.bin")), File(QStringLiteral("b.bin"))});
    frame.Take();
    cmds.clear();
    browser->OnOpenFiles();
    EXPECT_EQ(browser->m_strCurrentName, QStringLiteral("None"));
    EXPECT_EQ(frame.Of(WM_PLAY_FILE_CHANGED).size(), 1u);
    EXPECT_TRUE(cmds.empty());

    Check(1);
    browser->OnOpenFiles();
    ASSERT_EQ(Of(MX_CMD_PLAY_FILE).size(), 1u);
    EXPECT_EQ(Text(Of(MX_CMD_PLAY_FILE)[0].payload), QStringLiteral("D:\\Recordings\\b.bin"));
    EXPECT_EQ(browser->m_nPlayRequest, 1);
    EXPECT_EQ(g_Marlix.DeviceState.m_nPlayListCount, 1);
    PlayResult(0);
    EXPECT_EQ(browser->m_nPlayRequest, -1);
    EXPECT_TRUE(browser->isVisible());
    EXPECT_TRUE(frame.Of(WM_PLAY_FILE_CHANGED).empty());
    // Tried again, it works; a second success with nothing asked changes nothing.
    browser->PlayItem(0);
    PlayResult(2);
    EXPECT_FALSE(browser->isVisible());
    EXPECT_EQ(frame.Of(WM_PLAY_FILE_CHANGED).size(), 1u);
    PlayResult(2);
    EXPECT_TRUE(frame.Of(WM_PLAY_FILE_CHANGED).empty());
}

TEST_F(PlaybackWindows, ARenamedFileIsPlayedByItsNewNameAndAFailedPlayKeepsThePosition) {
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
    FileReply({File(QStringLiteral("a.bin")), File(QStringLiteral("b.bin")), File(QStringLiteral("c.bin"))});
    for (int row : {0, 1, 2})
        Check(row);
    browser->OnOpenFiles();
    PlayResult(2);
    bar->LoadFile();
    auto rename = [&](int row, const QString& name, WPARAM result) {
        browser->show();
        browser->BeginRename(row);
        ASSERT_NE(browser->RenameEdit(), nullptr);
        browser->RenameEdit()->setText(name);
        QTest::keyClick(browser->RenameEdit(), Qt::Key_Return);
        DeliverAnswer(browser->GetSafeHwnd(), WM_RENAME_RESULT, result, queue.LastRef(MX_CMD_FILE_RENAME_TO));
    };
    auto played = [&] { return Text(Of(MX_CMD_PLAY_FILE).back().payload).toStdString(); };
    rename(1, QStringLiteral("n.bin"), 2);
    ASSERT_EQ(browser->m_listFile->topLevelItem(1)->text(0), QStringLiteral("n.bin"));
    rename(2, QStringLiteral("refused.bin"), 0); // the instrument kept c.bin
    cmds.clear();
    browser->PlayNext();
    EXPECT_EQ(played(), "D:\\Recordings\\n.bin");
    // The instrument fails it: the list stays where it was, and so does the record shown.
    PlayResult(0);
    EXPECT_EQ(browser->m_nCurrentIndex, 0);
    EXPECT_EQ(browser->m_strCurrentName.toStdString(), "a.bin");
    browser->PlayNext();
    EXPECT_EQ(played(), "D:\\Recordings\\n.bin");
    PlayResult(2);
    EXPECT_EQ(browser->m_nCurrentIndex, 1);
    bar->LoadFile();
    browser->PlayNext();
    EXPECT_EQ(played(), "D:\\Recordings\\c.bin");
    PlayResult(2);
    bar->LoadFile();
    ASSERT_EQ(bar->m_strFileName.toStdString(), "c.bin");

    // The loaded file renamed: the bar shows its new name, also after browsing emptied the list.
    rename(2, QStringLiteral("c2_FM.bin"), 2);
    EXPECT_EQ(bar->m_strFileName.toStdString(), "c2_FM.bin");
    EXPECT_EQ(bar->m_txtFileName->text().toStdString(), "c2_FM.bin");
    EXPECT_EQ(browser->m_strCurrentName.toStdString(), "c2_FM.bin");
    browser->m_treeFolder->setCurrentItem(Top(1)->child(0));
    FileReply({});
    browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
    FileReply(
        {File(QStringLiteral("a.bin")), File(QStringLiteral("n.bin")), File(QStringLiteral("c2_FM.bin"))});
    ASSERT_TRUE(browser->m_vecPlayList.empty());
    rename(2, QStringLiteral("d.bin"), 2);
    EXPECT_EQ(bar->m_strFileName.toStdString(), "d.bin");
    EXPECT_EQ(bar->m_txtFileName->text().toStdString(), "d.bin");
    // Another file of that name elsewhere is not the loaded one.
    browser->m_treeFolder->setCurrentItem(Top(1)->child(0));
    FileReply({File(QStringLiteral("d.bin"))});
    rename(0, QStringLiteral("e.bin"), 2);
    EXPECT_EQ(bar->m_strFileName.toStdString(), "d.bin");
}

TEST_F(PlaybackWindows, APlayResultCountsOnlyForTheFileItAnswers) {
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
    FileReply({File(QStringLiteral("a.bin")), File(QStringLiteral("b.bin"))});
    Check(0);
    Check(1);
    browser->OnOpenFiles(); // plays a.bin
    const std::uint32_t a = queue.LastRef(MX_CMD_PLAY_FILE);
    browser->PlayItem(1); // the user went on to b.bin before a.bin's result came
    const std::uint32_t b = queue.LastRef(MX_CMD_PLAY_FILE);
    frame.Take();
    // a.bin's result, late: not taken as b.bin's.
    DeliverAnswer(browser->GetSafeHwnd(), WM_PLAY_FILE_RESULT, 2, a);
    EXPECT_EQ(browser->m_nPlayRequest, 1);
    EXPECT_TRUE(browser->isVisible());
    EXPECT_TRUE(frame.Of(WM_PLAY_FILE_CHANGED).empty());
    DeliverAnswer(browser->GetSafeHwnd(), WM_PLAY_FILE_RESULT, 2, b);
    EXPECT_FALSE(browser->isVisible());
    EXPECT_EQ(frame.Of(WM_PLAY_FILE_CHANGED).size(), 1u);
    EXPECT_EQ(browser->m_strCurrentName, QStringLiteral("b.bin"));
    // A play that could not be queued waits for nothing, and says so.
    browser->show();
    queue.refuse = true;
    browser->PlayItem(0);
    EXPECT_EQ(browser->m_nPlayRequest, -1);
    EXPECT_TRUE(boxes.Contains(
        QStringLiteral("The file could not be sent to the instrument to play:\nD:\\Recordings\\a.bin")));
}

TEST_F(PlaybackWindows, ADeleteOrCopyTheQueueRefusesPartWayWaitsOnlyForWhatWentOut) {
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
    FileReply({File(QStringLiteral("a.bin")), File(QStringLiteral("b.bin")), File(QStringLiteral("c.bin"))});
    browser->OnSelectAll();
    boxes.answer = IDYES;
    queue.cmds.clear();
    queue.acceptLeft = 2;
    browser->OnDelete();
    EXPECT_TRUE(boxes.Contains(QStringLiteral("Only 2 of 3 files could be sent to the instrument to delete.\n"
                                              "Not sent: D:\\Recordings\\a.bin")));
    EXPECT_FALSE(
        browser->Files().Awaiting(QStringLiteral("D:\\Recordings\\"))); // the new listing was refused too

    // The copy dialog: two of three files sent, those two are what it waits for.
    queue.refuse = false;
    queue.acceptLeft = -1;
    browser->m_treeFolder->setCurrentItem(Top(1)->child(0));
    FileReply({File(QStringLiteral("x.bin")), File(QStringLiteral("y.bin")), File(QStringLiteral("z.bin"))});
    browser->OnSelectAll();
    CDialogCopyDrive dlg(browser);
    dlg.m_comboDrive->setCurrentIndex(1);
    queue.cmds.clear();
    queue.acceptLeft = 4; // two pairs
    dlg.OnCopy();
    EXPECT_TRUE(boxes.Contains(QStringLiteral("Only 2 of 3 files could be sent to the instrument to copy.\n"
                                              "Not sent: z.bin")));
    EXPECT_EQ(dlg.m_txtOf->text(), QStringLiteral("2/2"));
    ASSERT_TRUE(dlg.Copying());
    DeliverAnswer(dlg.GetSafeHwnd(), WM_COPY_PROGRESS, 100, queue.cmds[1].ref);
    DeliverAnswer(dlg.GetSafeHwnd(), WM_COPY_PROGRESS, 100, queue.cmds[3].ref);
    EXPECT_FALSE(dlg.Copying()); // done with what went out
    queue.refuse = false;
    queue.acceptLeft = -1;
}

TEST_F(PlaybackWindows, PositionKindsAndPlayGuards) {
    DeviceDataStore& d = g_Marlix.DeviceDataStore;
    bar->m_sliderSeek->m_nMax = 500;
    d.m_nPlayPosSec = 42;
    bar->SendMessage(WM_PLAY_POSITION, 138, 0);
    EXPECT_EQ(bar->m_sliderSeek->m_nPos, 42);
    d.m_nPlayPosSec = 77;
    bar->SendMessage(WM_PLAY_POSITION, 146, 0);
    EXPECT_EQ(bar->m_sliderSeek->m_nPos, 0);
    EXPECT_EQ(bar->RowDigits(0), (std::array<int, 6>{0, 0, 0, 1, 1, 7}));
    d.m_nPlayPosSec = 90;
    bar->SendMessage(WM_PLAY_POSITION, 145, 0);
    EXPECT_EQ(bar->m_sliderSeek->m_nPos, 90);
    bar->SendMessage(WM_PLAY_POSITION, 200, 0);
    EXPECT_EQ(bar->m_sliderSeek->m_nPos, 90);
    EXPECT_EQ(bar->m_nCurPos, 90);

    // No file and no list: Play, Next and Prev do nothing, however they come.
    cmds.clear();
    bar->SendMessage(WM_COMMAND, CDumpPlayBar::kIdPlay, 0);
    bar->PostMessage(WM_COMMAND, CDumpPlayBar::kIdNext, 0);
    bar->PostMessage(WM_COMMAND, CDumpPlayBar::kIdPrev, 0);
    PumpPostedMessages();
    EXPECT_TRUE(cmds.empty());
    EXPECT_FALSE(bar->JumpPending());
}

TEST_F(PlaybackWindows, PlayNextPausesWithoutBlockingAndAClockChangeScalesTheTotal) {
    LoadTwo();
    EXPECT_EQ(bar->m_nTotalSec, 100);
    EXPECT_FALSE(bar->m_btnNext->m_bDisabled);

    g_Marlix.DeviceState.m_dSampleClockKHz = 2000.0;
    bar->SendMessage(WM_SAMPLE_CLOCK_CHANGED, 0, 0);
    EXPECT_EQ(bar->m_nTotalSec, 50);
    EXPECT_EQ(bar->m_sliderSeek->m_nMax, 50);
    g_Marlix.DeviceState.m_dSampleClockKHz = 0.0;
    bar->SendMessage(WM_SAMPLE_CLOCK_CHANGED, 0, 0);
    EXPECT_EQ(bar->m_nTotalSec, 50);

    cmds.clear();
    frame.Take();
    QElapsedTimer t;
    t.start();
    bar->m_btnNext->Click();
    // The pause is the sequence's, not the GUI thread's: a blocking pause takes all of it.
    EXPECT_LT(t.elapsed(), CDumpPlayBar::kJumpPauseMs);
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(cmds[0].id, MX_CMD_PLAY_STOP);
    bar->m_btnNext->Click(); // a second Next inside the pause is not a second jump
    EXPECT_EQ(cmds.size(), 1u);
    EXPECT_TRUE(frame.Of(WM_PLAY_NEXT).empty());
    std::size_t nexts = 0; // Of() takes what it returns
    for (int i = 0; i < 250 && nexts == 0; ++i) {
        QTest::qWait(20);
        nexts += frame.Of(WM_PLAY_NEXT).size();
    }
    QTest::qWait(100);
    EXPECT_EQ(nexts + frame.Of(WM_PLAY_NEXT).size(), 1u);
    EXPECT_TRUE(bar->m_btnStop->m_bDisabled);
    EXPECT_FALSE(bar->m_btnPlay->m_bDisabled);
}

TEST_F(PlaybackWindows, PlayTimeDialogKeysAndApply) {
    CDialogPlayTimeSet* dlg = bar->m_pTimeSetDlg;
    bar->m_btnTimeSet->Click();
    ShowAndFocus(dlg);
    ASSERT_TRUE(dlg->isVisible());
    cmds.clear();
    dlg->m_digitCells[5]->setFocus();
    QTest::keyClick(dlg->m_digitCells[5], Qt::Key_7);
    PumpPostedMessages();
    EXPECT_EQ(dlg->m_anDigits[5], 7);
    EXPECT_EQ(QApplication::focusWidget(), dlg->m_digitCells[5]); // stays on the last cell
    QTest::keyClick(dlg->m_digitCells[5], Qt::Key_Return);
    QTest::keyClick(dlg->m_digitCells[5], Qt::Key_Escape);
    PumpPostedMessages();
    EXPECT_TRUE(dlg->isVisible());
    QTest::keyClick(dlg->m_digitCells[5], Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), dlg->m_digitCells[4]);
    // A cell taking the focus shows its digit highlighted; the value stays.
    dlg->SendMessage(WM_SLIDER_MOVED, CDialogPlayTimeSet::kIdFirstDigit + 2, 3);
    EXPECT_EQ(dlg->m_anDigits[2], 0);
    dlg->SendMessage(WM_SLIDER_STEP, CDialogPlayTimeSet::kIdFirstDigit + 2, '7');
    EXPECT_EQ(dlg->m_anDigits[2], 5);
    // Empty play list: Apply sends nothing.
    dlg->m_pApply->click();
    EXPECT_TRUE(cmds.empty());
    bar->ResetAll();
    EXPECT_EQ(dlg->m_anDigits, (std::array<int, 6>{}));
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(PlaybackWindows, CopyDialogDrivesSnapshotAndALongList) {
    browser->OnUpdate();
    FolderReply({Folder(CFolderTree::kRoot, QStringLiteral("D:\\")),
                 Folder(CFolderTree::kRoot, QStringLiteral("Z:\\")),
                 Folder(CFolderTree::kRoot, QStringLiteral("Net"))});
    browser->m_treeFolder->setCurrentItem(Top(0));
    std::vector<FileInfoRecord> many;
    for (int i = 0; i < 70000; ++i)
        many.push_back(File(QStringLiteral("f%1.bin").arg(i)));
    FileReply(many);
    browser->OnSelectAll();
    {
        CDialogCopyDrive dlg(browser);
        EXPECT_EQ(dlg.m_comboDrive->count(), 4);
        EXPECT_EQ(dlg.m_txtDone->text(), QStringLiteral("0/70000"));
        EXPECT_EQ(dlg.m_progressTotal->maximum(), 70000); // not cut to 16 bits
    }
    browser->OnUnselectAll();
    Check(3);
    Check(5);
    CDialogCopyDrive dlg(browser);
    cmds.clear();
    dlg.OnCopy(); // "Select": nothing, and Copy stays usable
    EXPECT_TRUE(cmds.empty());
    EXPECT_TRUE(dlg.m_btnCopy->isEnabled());
    dlg.m_comboDrive->setCurrentIndex(3); // "Net" is no drive
    dlg.OnCopy();
    EXPECT_TRUE(cmds.empty());
    dlg.m_comboDrive->setCurrentIndex(2);
    dlg.OnCopy();
    ASSERT_EQ(cmds.size(), 4u);
    EXPECT_EQ(cmds[0].payload.toHex(), QByteArray("19000000")); // Z:\ is drive 25
    EXPECT_EQ(Text(cmds[1].payload), QStringLiteral("D:\\f3.bin"));
    EXPECT_EQ(Text(cmds[3].payload), QStringLiteral("D:\\f5.bin"));
    EXPECT_FALSE(dlg.m_btnCopy->isEnabled());
    // The names come from the snapshot taken at Copy, whatever the list does now.
    browser->OnUnselectAll();
    const std::uint32_t f3 = queue.cmds[queue.cmds.size() - 3].ref, f5 = queue.LastRef(MX_CMD_COPY_FILE);
    DeliverAnswer(dlg.GetSafeHwnd(), WM_COPY_PROGRESS, 40, f3);
    EXPECT_EQ(dlg.m_progressFile->value(), 40);
    EXPECT_EQ(dlg.m_txtName->text(), QStringLiteral("f3.bin"));
    DeliverAnswer(dlg.GetSafeHwnd(), WM_COPY_PROGRESS, 100, f3);
    EXPECT_EQ(dlg.m_txtName->text(), QStringLiteral("f5.bin"));
    EXPECT_EQ(dlg.m_txtDone->text(), QStringLiteral("1/2"));
    EXPECT_EQ(dlg.m_progressTotal->value(), 1);
    DeliverAnswer(dlg.GetSafeHwnd(), WM_COPY_PROGRESS, 100, f5);
    EXPECT_FALSE(dlg.Copying());
    cmds.clear();
    dlg.reject(); // ends after the last file: no cancel
    EXPECT_TRUE(Of(MX_CMD_COPY_CANCEL).empty());

    // Enter ends a dialog that copies nothing without a cancel, and one that copies with it.
    CDialogCopyDrive idle(browser);
    idle.show();
    QTest::keyClick(&idle, Qt::Key_Return);
    EXPECT_FALSE(idle.isVisible());
    EXPECT_TRUE(Of(MX_CMD_COPY_CANCEL).empty());
    Check(3);
    CDialogCopyDrive busy(browser);
    busy.show();
    busy.m_comboDrive->setCurrentIndex(1);
    busy.OnCopy();
    ASSERT_TRUE(busy.Copying());
    QTest::keyClick(&busy, Qt::Key_Return);
    EXPECT_FALSE(busy.isVisible());
    EXPECT_EQ(Of(MX_CMD_COPY_CANCEL).size(), 1u);
}

TEST_F(PlaybackWindows, DeletedRowsStopCountingAtOnceAndANewListingTotalsItsOwnChecks) {
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
    FileReply({File(QStringLiteral("a.bin"), 2 * 1048576), File(QStringLiteral("b.bin"), 3 * 1048576),
               File(QStringLiteral("c.bin"), 5 * 1048576)});
    Check(0);
    Check(2);
    EXPECT_EQ(browser->m_txtTotal->text(), QStringLiteral("Total:7 MB"));
    boxes.answer = IDYES;
    cmds.clear();
    browser->m_btnDelete->click();
    PumpPostedMessages();
    EXPECT_TRUE(boxes.Contains(QStringLiteral("Delete Files?")));
    EXPECT_FALSE(boxes.Contains(QStringLiteral("Delete File?")));
    ASSERT_EQ(Of(MX_CMD_FILE_DELETE).size(), 2u);
    EXPECT_EQ(Text(Of(MX_CMD_FILE_DELETE)[0].payload), QStringLiteral("D:\\Recordings\\c.bin"));
    // Until the new listing comes, the deleted rows are neither checked nor actionable.
    EXPECT_EQ(browser->m_nCheckedCount, 0);
    EXPECT_FALSE(browser->m_btnOpenFiles->isEnabled() || browser->m_btnDelete->isEnabled() ||
                 browser->m_btnCopy->isEnabled());
    EXPECT_EQ(browser->m_txtTotal->text(), QStringLiteral("Total:0 MB"));
    for (int row : {0, 2})
        EXPECT_EQ(browser->m_listFile->topLevelItem(row)->checkState(0), Qt::Unchecked) << row;
    browser->m_btnSelectAll->click();
    PumpPostedMessages();
    EXPECT_EQ(browser->m_txtTotal->text(), QStringLiteral("Total:3 MB"));
    EXPECT_EQ(browser->m_listFile->topLevelItem(0)->checkState(0), Qt::Unchecked);
    cmds.clear();
    browser->OnOpenFiles();
    ASSERT_EQ(Of(MX_CMD_PLAY_FILE).size(), 1u);
    EXPECT_EQ(Text(Of(MX_CMD_PLAY_FILE)[0].payload), QStringLiteral("D:\\Recordings\\b.bin"));

    // The new listing: nothing checked, and the total says so.
    FileReply({File(QStringLiteral("b.bin"), 3 * 1048576)});
    EXPECT_EQ(browser->m_txtTotal->text(), QStringLiteral("Total:0 MB"));
    EXPECT_EQ(browser->m_nCheckedCount, 0);
}

TEST_F(PlaybackWindows, ADeleteQuestionAnsweredAfterTheListChangedDeletesNothingAndSaysSo) {
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
    FileReply({File(QStringLiteral("a.bin")), File(QStringLiteral("b.bin")), File(QStringLiteral("c.bin"))});
    Check(0);
    boxes.answer = IDYES;
    browser->OnDelete(); // its new listing is still on the way
    Check(1);
    bool delivered = false;
    boxes.whileOpen = [&](const RecordingMessageBoxes::Box&) {
        if (delivered)
            return;
        delivered = true;
        FileReply({File(QStringLiteral("b.bin")), File(QStringLiteral("c.bin"))});
    };
    cmds.clear();
    browser->OnDelete();
    EXPECT_TRUE(delivered);
    EXPECT_TRUE(Of(MX_CMD_FILE_DELETE).empty());
    EXPECT_TRUE(
        boxes.Contains(QStringLiteral("The file list changed while you were asked. Nothing was deleted.")));
    EXPECT_EQ(browser->m_listFile->topLevelItemCount(), 2);
}

TEST_F(PlaybackWindows, AClickOnACheckBoxTogglesItOnceAndSelectsItsRow) {
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
    FileReply({File(QStringLiteral("a.bin")), File(QStringLiteral("b.bin"))});
    QTreeWidget* list = browser->m_listFile;
    list->setCurrentItem(list->topLevelItem(0));
    const QRect r = list->visualItemRect(list->topLevelItem(1));
    const QPoint box(r.left() + 10, r.center().y());
    ASSERT_LT(box.x(), 26);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box);
    PumpPostedMessages();
    EXPECT_EQ(list->topLevelItem(1)->checkState(0), Qt::Checked);
    EXPECT_EQ(browser->m_nCheckedCount, 1);
    EXPECT_EQ(list->selectedItems(), QList<QTreeWidgetItem*>{list->topLevelItem(1)});
    EXPECT_EQ(list->currentItem(), list->topLevelItem(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box);
    PumpPostedMessages();
    EXPECT_EQ(list->topLevelItem(1)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(browser->m_nCheckedCount, 0);
}

TEST_F(PlaybackWindows, OpenFilesAndCopyUseTheRowsFolderAfterUpdate) {
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
    FileReply({File(QStringLiteral("a.bin")), File(QStringLiteral("b.bin"))});
    Check(1);
    browser->OnUpdate(); // the tree is listed again: no folder is selected now
    FolderReply({Folder(CFolderTree::kRoot, QStringLiteral("C:\\")),
                 Folder(CFolderTree::kRoot, QStringLiteral("D:\\"))});
    ASSERT_EQ(browser->SelectedTag(), 0u);
    cmds.clear();
    browser->OnOpenFiles();
    ASSERT_EQ(Of(MX_CMD_PLAY_FILE).size(), 1u);
    EXPECT_EQ(Text(Of(MX_CMD_PLAY_FILE)[0].payload), QStringLiteral("D:\\Recordings\\b.bin"));
    EXPECT_EQ(browser->m_vecPlayList[0].m_strPath, QStringLiteral("D:\\Recordings\\b.bin"));
    CDialogCopyDrive dlg(browser);
    dlg.m_comboDrive->setCurrentIndex(dlg.m_comboDrive->findText(QStringLiteral("C:\\")));
    cmds.clear();
    dlg.OnCopy();
    ASSERT_EQ(Of(MX_CMD_COPY_FILE).size(), 1u);
    EXPECT_EQ(Text(Of(MX_CMD_COPY_FILE)[0].payload), QStringLiteral("D:\\Recordings\\b.bin"));
}

TEST_F(PlaybackWindows, AResetOrANewListingEndsAPendingRenameAndClosesItsBox) {
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
    FileReply({File(QStringLiteral("a.bin")), File(QStringLiteral("b.bin"))});
    auto renameTo = [&](int row, const QString& name) {
        browser->BeginRename(row);
        ASSERT_NE(browser->RenameEdit(), nullptr);
        browser->RenameEdit()->setText(name);
        QTest::keyClick(browser->RenameEdit(), Qt::Key_Return);
    };
    // A rename whose result is lost, then a disconnection: F2 works again.
    renameTo(0, QStringLiteral("x.bin"));
    ASSERT_TRUE(browser->Files().RenamePending());
    browser->ResetContents();
    EXPECT_FALSE(browser->Files().RenamePending());
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
    FileReply({File(QStringLiteral("a.bin")), File(QStringLiteral("b.bin"))});
    browser->BeginRename(1);
    EXPECT_NE(browser->RenameEdit(), nullptr);

    // A box left open over a reset closes and never commits.
    QPointer<QLineEdit> edit = browser->RenameEdit();
    ASSERT_TRUE(edit);
    edit->setText(QStringLiteral("late.bin"));
    cmds.clear();
    browser->ResetContents();
    EXPECT_EQ(browser->RenameEdit(), nullptr);
    if (edit) {
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(edit, &out);
    }
    EXPECT_TRUE(Of(MX_CMD_FILE_RENAME_FROM).empty());

    // A new listing (here the one a delete asks for) ends a pending rename, and
    // closes an open box the same way.
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
    FileReply({File(QStringLiteral("a.bin")), File(QStringLiteral("b.bin")), File(QStringLiteral("c.bin"))});
    boxes.answer = IDYES;
    Check(2);
    browser->OnDelete();
    renameTo(0, QStringLiteral("y.bin"));
    ASSERT_TRUE(browser->Files().RenamePending());
    FileReply({File(QStringLiteral("a.bin")), File(QStringLiteral("b.bin"))});
    EXPECT_FALSE(browser->Files().RenamePending());
    browser->BeginRename(0);
    edit = browser->RenameEdit();
    ASSERT_TRUE(edit);
    edit->setText(QStringLiteral("z.bin"));
    Check(1);
    browser->OnDelete();
    cmds.clear();
    FileReply({File(QStringLiteral("a.bin"))});
    EXPECT_EQ(browser->RenameEdit(), nullptr);
    if (edit) {
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(edit, &out);
    }
    EXPECT_TRUE(Of(MX_CMD_FILE_RENAME_FROM).empty());
}

TEST_F(PlaybackWindows, ATypedRenameHoldingANulIsRefusedWithAMessageAndNothingSent) {
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
    FileReply({File(QStringLiteral("a.bin")), File(QStringLiteral("b.bin"))});
    const QString nul(QChar(0));
    for (const QString& name : {QStringLiteral("x") + nul + QStringLiteral("y.bin"),
                                QStringLiteral("b.bin") + nul, nul + QStringLiteral("a.bin"), nul}) {
        cmds.clear();
        boxes.boxes.clear();
        browser->BeginRename(0);
        ASSERT_NE(browser->RenameEdit(), nullptr);
        browser->RenameEdit()->setText(name);
        ASSERT_EQ(browser->RenameEdit()->text(), name); // the box holds the NUL as typed
        QTest::keyClick(browser->RenameEdit(), Qt::Key_Return);
        EXPECT_TRUE(cmds.empty()) << name.size() << ": " << Text(cmds.front().payload).toStdString();
        EXPECT_TRUE(boxes.Contains(QStringLiteral("The file name must not contain a NUL character.")))
            << name.size();
        EXPECT_FALSE(browser->Files().RenamePending());
        EXPECT_EQ(browser->m_listFile->topLevelItem(0)->text(0), QStringLiteral("a.bin"));
    }
}

TEST_F(PlaybackWindows, AListedNameThatCannotBeAFileNameIsShownAndToldButNeverSent) {
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
    const QString bad = QStringLiteral("a/b/../../x_FM.bin");
    FileReply({File(bad, 1048576), File(QStringLiteral("good.bin"), 2 * 1048576)});
    QTreeWidget* list = browser->m_listFile;
    EXPECT_EQ(list->topLevelItem(0)->text(0), bad);
    EXPECT_NE(list->topLevelItem(0)->toolTip(0).indexOf(bad), -1);
    browser->m_btnSelectAll->click();
    EXPECT_EQ(browser->m_nCheckedCount, 1);
    EXPECT_EQ(browser->m_txtTotal->text(), QStringLiteral("Total:2 MB"));
    EXPECT_EQ(list->topLevelItem(0)->checkState(0), Qt::Unchecked);
    browser->m_btnUnselectAll->click();

    // A click on the row or its box checks nothing and says why.
    const QRect r = list->visualItemRect(list->topLevelItem(0));
    for (int x : {r.left() + 10, 120}) {
        boxes.boxes.clear();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(x, r.center().y()));
        PumpPostedMessages();
        EXPECT_EQ(list->topLevelItem(0)->checkState(0), Qt::Unchecked) << x;
        EXPECT_EQ(browser->m_nCheckedCount, 0) << x;
        ASSERT_EQ(boxes.boxes.size(), 1u) << x;
        EXPECT_NE(boxes.boxes[0].text.indexOf(bad), -1);
        EXPECT_NE(boxes.boxes[0].text.indexOf(QStringLiteral("cannot be played, copied, deleted or renamed")),
                  -1);
    }
    list->topLevelItem(0)->setCheckState(0, Qt::Checked); // as a key would
    PumpPostedMessages();
    EXPECT_EQ(browser->m_nCheckedCount, 0);
    EXPECT_EQ(list->topLevelItem(0)->checkState(0), Qt::Unchecked);
    boxes.boxes.clear();
    browser->BeginRename(0);
    EXPECT_EQ(browser->RenameEdit(), nullptr);
    EXPECT_EQ(boxes.boxes.size(), 1u);

    // Play, copy and delete take the good row only.
    browser->m_btnSelectAll->click();
    boxes.answer = IDYES;
    cmds.clear();
    {
        CDialogCopyDrive dlg(browser);
        dlg.m_comboDrive->setCurrentIndex(dlg.m_comboDrive->findText(QStringLiteral("C:\\")));
        dlg.OnCopy();
    }
    browser->OnOpenFiles();
    browser->OnDelete();
    for (MX_CMD_ID_e id : {MX_CMD_COPY_FILE, MX_CMD_PLAY_FILE, MX_CMD_FILE_DELETE}) {
        ASSERT_EQ(Of(id).size(), 1u) << int(id);
        EXPECT_EQ(Text(Of(id)[0].payload), QStringLiteral("D:\\Recordings\\good.bin")) << int(id);
    }
}

TEST_F(PlaybackWindows, AListedFolderNameThatCannotBePartOfAPathIsNotAskedFor) {
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(0));
    browser->m_treeFolder->setCurrentItem(Top(1)); // D:\ listed again, now with ".."
    FolderReply({Folder(Tag(Top(1)), QStringLiteral("Vectors")),
                 Folder(Tag(Top(1)), QStringLiteral("Recordings")),
                 Folder(Tag(Top(1)), QStringLiteral(".."))});
    QTreeWidgetItem* up = Top(1)->child(2);
    ASSERT_NE(up, nullptr);
    ASSERT_EQ(up->text(0), QStringLiteral(".."));
    cmds.clear();
    browser->m_treeFolder->setCurrentItem(up);
    EXPECT_TRUE(cmds.empty());
    EXPECT_TRUE(boxes.Contains(
        QStringLiteral("The instrument lists the folder \"..\", which cannot be part of a "
                       "path. Its files cannot be listed.\nThe file name must not be . or ..")));
}

TEST_F(PlaybackWindows, AFolderNameHoldingHalfACharacterIsGreyedToldAndNeverAskedFor) {
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(0));
    browser->m_treeFolder->setCurrentItem(Top(1));
    const QString high = QChar(0xD800) + QStringLiteral("Drafts");
    const QString low = QStringLiteral("Mix") + QChar(0xDC00);
    const QString pair = QString(QChar(0xD83D)) + QChar(0xDE00) + QStringLiteral("Vectors");
    FolderReply({Folder(Tag(Top(1)), high), Folder(Tag(Top(1)), low), Folder(Tag(Top(1)), pair)});
    ASSERT_EQ(Top(1)->childCount(), 3);
    const QBrush grey = browser->palette().brush(QPalette::Disabled, QPalette::Text);
    for (int i : {0, 1}) {
        QTreeWidgetItem* item = Top(1)->child(i);
        EXPECT_EQ(item->foreground(0), grey) << i;
        EXPECT_NE(item->toolTip(0).indexOf(QStringLiteral("lone UTF-16 surrogate")), -1) << i;
        cmds.clear();
        boxes.boxes.clear();
        browser->m_treeFolder->setCurrentItem(item);
        EXPECT_TRUE(cmds.empty()) << i << ": " << Text(cmds.front().payload.mid(4, 40)).toStdString();
        ASSERT_EQ(boxes.boxes.size(), 1u) << i;
        EXPECT_NE(boxes.boxes[0].text.indexOf(QStringLiteral("lone UTF-16 surrogate")), -1);
        EXPECT_EQ(browser->m_listFile->topLevelItemCount(), 0);
        EXPECT_FALSE(browser->NotListedText().isEmpty());
    }
    // A whole pair is one character like any other: asked for as listed.
    QTreeWidgetItem* good = Top(1)->child(2);
    EXPECT_NE(good->foreground(0), grey);
    cmds.clear();
    browser->m_treeFolder->setCurrentItem(good);
    ASSERT_EQ(cmds.size(), 2u);
    FolderItemRecord r;
    std::memcpy(&r, cmds[0].payload.constData(), sizeof r);
    EXPECT_EQ(QString(reinterpret_cast<const QChar*>(r.m_szPath)),
              QStringLiteral("D:\\") + pair + QLatin1Char('\\'));
}

TEST_F(PlaybackWindows, AcrossALinkDropTheBrowserSaysWhyItIsEmptyThenListsAsAFreshOpen) {
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
    const std::uint32_t before = queue.LastRef(MX_CMD_FILE_LIST); // answered only after the drop
    browser->LinkDown();
    EXPECT_EQ(browser->m_treeFolder->topLevelItemCount(), 0);
    EXPECT_EQ(browser->NotListedText(), QStringLiteral("Not listed: no instrument is connected"));

    // A hidden browser asks for nothing until its next Open.
    browser->hide();
    cmds.clear();
    browser->LinkUp();
    EXPECT_TRUE(cmds.empty());
    EXPECT_EQ(browser->NotListedText(), QString());
    bar->m_btnOpen->Click();
    EXPECT_EQ(Of(MX_CMD_FOLDER_LIST).size(), 1u);

    // One left open asks for the drives at once; the old link's answer is dropped.
    browser->LinkDown();
    cmds.clear();
    browser->LinkUp();
    ASSERT_EQ(Of(MX_CMD_FOLDER_LIST).size(), 1u);
    FolderItemRecord r;
    std::memcpy(&r, Of(MX_CMD_FOLDER_LIST)[0].payload.constData(), sizeof r);
    EXPECT_EQ(CFolderTree::FieldText(r.m_szPath, 260), QStringLiteral("root"));
    FileReplyTo(before, {File(QStringLiteral("old.bin"))});
    FolderReply({Folder(CFolderTree::kRoot, QStringLiteral("C:\\")),
                 Folder(CFolderTree::kRoot, QStringLiteral("D:\\"))});
    EXPECT_EQ(browser->m_treeFolder->topLevelItemCount(), 2);
    EXPECT_EQ(browser->m_listFile->topLevelItemCount(), 0);
    EXPECT_EQ(browser->NotListedText(), QString());
    EXPECT_EQ(browser->m_txtTotal->text(), QStringLiteral("Total:0 MB"));
}

TEST_F(PlaybackWindows, AHeldThumbFollowsTheDragAloneAndItsReleaseSeeksThere) {
    LoadTwo();
    bar->m_btnPlay->Click();
    Report(138, 20);
    CBitmapSlider* s = bar->m_sliderSeek;
    ASSERT_EQ(s->m_nPos, 20);
    cmds.clear();
    Mouse(QEvent::MouseButtonPress, s->PosToPixel(20));
    Mouse(QEvent::MouseMove, s->PosToPixel(70));
    PumpPostedMessages();
    const int dragged = s->m_nPos;
    ASSERT_GT(dragged, 60);
    EXPECT_EQ(bar->RowDigits(0), Digits(dragged));
    // The instrument's reports and measurement blocks go on while the thumb is held.
    Report(138, 21);
    bar->ShowPlayPosition(22);
    Report(145, 23);
    EXPECT_EQ(s->m_nPos, dragged);
    EXPECT_EQ(bar->RowDigits(0), Digits(dragged));
    // A report that comes between the release and its notice does not move the seek.
    Mouse(QEvent::MouseButtonRelease, s->PosToPixel(dragged));
    Report(138, 24);
    PumpPostedMessages();
    EXPECT_EQ(Seeks(), std::vector<int>{dragged});
    EXPECT_EQ(bar->m_nCurPos, dragged);
    EXPECT_EQ(bar->RowDigits(0), Digits(dragged));
    // Let go, the thumb follows the reports again.
    Report(138, dragged + 1);
    EXPECT_EQ(s->m_nPos, dragged + 1);
    // A thumb held over a reset (the link went) is let go without a seek.
    Mouse(QEvent::MouseButtonPress, s->PosToPixel(s->m_nPos));
    bar->ResetAll();
    cmds.clear();
    Mouse(QEvent::MouseButtonRelease, s->PosToPixel(s->m_nPos));
    PumpPostedMessages();
    EXPECT_TRUE(Seeks().empty());
    Report(138, 5);
    EXPECT_EQ(s->m_nPos, 5);
}

TEST_F(PlaybackWindows, ALoadedFileStaysPlayableAfterBrowsingAndPrevNextNeedAList) {
    LoadTwo();
    EXPECT_FALSE(bar->m_btnNext->m_bDisabled);
    // Browsing another folder empties the play list; the loaded file stays.
    browser->m_treeFolder->setCurrentItem(Top(1)->child(0));
    FileReply({File(QStringLiteral("v.bin"))});
    ASSERT_TRUE(browser->m_vecPlayList.empty());
    EXPECT_FALSE(bar->m_btnPlay->m_bDisabled);
    EXPECT_TRUE(bar->m_btnPrev->m_bDisabled);
    EXPECT_TRUE(bar->m_btnNext->m_bDisabled);
    cmds.clear();
    bar->m_btnPlay->Click();
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(cmds[0].id, MX_CMD_PLAY_START);
    TimeSet(0, 0, 30);
    EXPECT_EQ(Seeks(), std::vector<int>{30});
    bar->m_btnStop->Click();
    cmds.clear();
    bar->SendMessage(WM_COMMAND, CDumpPlayBar::kIdNext, 0);
    bar->SendMessage(WM_COMMAND, CDumpPlayBar::kIdPrev, 0);
    EXPECT_TRUE(cmds.empty());
    EXPECT_FALSE(bar->JumpPending());
    // Until the bar is reset.
    bar->ResetAll();
    bar->SendMessage(WM_COMMAND, CDumpPlayBar::kIdPlay, 0);
    TimeSet(0, 0, 10);
    EXPECT_TRUE(cmds.empty());
}

TEST_F(PlaybackWindows, StopOpenFilesAndClosingTheBrowserCancelAPendingJump) {
    LoadTwo();
    frame.Take();
    bar->m_btnNext->Click();
    ASSERT_TRUE(bar->JumpPending());
    // In the pause Stop still does something, Play nothing.
    EXPECT_FALSE(bar->m_btnStop->m_bDisabled);
    EXPECT_TRUE(bar->m_btnPlay->m_bDisabled);
    bar->m_btnStop->Click();
    EXPECT_FALSE(bar->JumpPending());
    EXPECT_TRUE(bar->m_btnStop->m_bDisabled);
    EXPECT_FALSE(bar->m_btnPlay->m_bDisabled);

    bar->m_btnPlay->Click();
    bar->m_btnNext->Click();
    ASSERT_TRUE(bar->JumpPending());
    browser->OnOpenFiles();
    EXPECT_FALSE(bar->JumpPending());

    bar->m_btnPrev->Click();
    ASSERT_TRUE(bar->JumpPending());
    browser->close();
    EXPECT_FALSE(bar->JumpPending());
    QTest::qWait(CDumpPlayBar::kJumpPauseMs + 500);
    EXPECT_TRUE(frame.Of(WM_PLAY_NEXT).empty());
    EXPECT_TRUE(frame.Of(WM_PLAY_PREV).empty());
}

TEST_F(PlaybackWindows, TimeSetChecksTheTotalTheSliderShows) {
    LoadTwo();
    g_Marlix.DeviceState.m_dSampleClockKHz = 2000.0; // a twice faster clock: 50 s
    bar->SendMessage(WM_SAMPLE_CLOCK_CHANGED, 0, 0);
    ASSERT_EQ(bar->m_sliderSeek->m_nMax, 50);
    TimeSet(0, 1, 0);
    EXPECT_TRUE(Seeks().empty());
    TimeSet(0, 0, 50);
    EXPECT_EQ(Seeks(), std::vector<int>{50});
    cmds.clear();
    g_Marlix.DeviceState.m_dSampleClockKHz = 500.0; // 200 s
    bar->SendMessage(WM_SAMPLE_CLOCK_CHANGED, 0, 0);
    TimeSet(0, 2, 30);
    EXPECT_EQ(Seeks(), std::vector<int>{150});
    EXPECT_EQ(bar->m_sliderSeek->m_nPos, 150);
}

TEST_F(PlaybackWindows, RepeatPlaysTheFileAgainFromTheStart) {
    LoadTwo();
    bar->m_chkRepeat->click();
    EXPECT_EQ(g_Marlix.DeviceState.m_bRepeat, 1);
    g_Marlix.DeviceState.m_nPlayStartSec = 75; // the start time is Play's, not the repeat's
    bar->m_btnPlay->Click();
    cmds.clear();
    bar->OnPlayFinished();
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(Seeks(), std::vector<int>{0});
    EXPECT_EQ(cmds[1].id, MX_CMD_PLAY_START);
    EXPECT_FALSE(bar->m_btnStop->m_bDisabled);
    EXPECT_TRUE(bar->m_btnOpen->m_bDisabled);
    // Unchecked, the end of the file stops as before.
    bar->m_chkRepeat->click();
    cmds.clear();
    bar->OnPlayFinished();
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(Seeks(), std::vector<int>{0});
    EXPECT_TRUE(bar->m_btnStop->m_bDisabled);
    EXPECT_FALSE(bar->m_btnPlay->m_bDisabled);

    // Repeat needs the loaded file, not a play list: browsing empties the list, the file plays on.
    browser->m_treeFolder->setCurrentItem(Top(1)->child(0));
    FileReply({File(QStringLiteral("v.bin"))});
    ASSERT_TRUE(browser->m_vecPlayList.empty());
    ASSERT_TRUE(bar->HasFile());
    bar->m_chkRepeat->click();
    bar->m_btnPlay->Click();
    cmds.clear();
    bar->OnPlayFinished();
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(Seeks(), std::vector<int>{0});
    EXPECT_EQ(cmds[1].id, MX_CMD_PLAY_START);
    EXPECT_FALSE(bar->m_btnStop->m_bDisabled);
}

TEST_F(PlaybackWindows, TheRepeatBoxShowsAnEmptyBoxWhenUnchecked) {
    bar->resize(950, 83);
    bar->show();
    QCheckBox* c = bar->m_chkRepeat;
    QStyleOptionButton opt;
    opt.initFrom(c);
    const QRect box = c->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, c).translated(c->pos());
    ASSERT_FALSE(box.isEmpty());
    // Orange pixels on the box's frame, and inside it only with the check mark.
    auto orange = [](QRgb p) { return qRed(p) > 150 && qGreen(p) > 60 && qGreen(p) < 170 && qBlue(p) < 90; };
    auto count = [&](bool frameOnly) {
        const QImage img = bar->grab().toImage();
        int n = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x) {
                const bool edge = x <= box.left() + 1 || x >= box.right() - 1 || y <= box.top() + 1 ||
                                  y >= box.bottom() - 1;
                if (edge == frameOnly && orange(img.pixel(x, y)))
                    ++n;
            }
        return n;
    };
    c->setChecked(false);
    EXPECT_GE(count(true), box.width() + box.height()) << "frame of the unchecked box";
    EXPECT_EQ(count(false), 0) << "inside of the unchecked box";
    c->setChecked(true);
    EXPECT_GT(count(false), 0) << "check mark";
}

TEST_F(PlaybackWindows, ALongDescriptionFitsItsFieldOrEndsWithAnEllipsis) {
    LoadTwo();
    const QString whole = QStringLiteral(
        "MP3, audio and data, Cd/No = 54 dB-Hz, urban slow fading, first adjacent interferers at -20 dB "
        "D/U on both sides, for the acquisition test at 87.9 MHz with a 372 kHz offset");
    CDumpPlayBar::InfoLabel* field = bar->m_txtDescription;
    browser->m_strCurrentDescription = whole;
    bar->LoadFile();
    const QRect room = field->contentsRect();
    const QRect used = QFontMetrics(field->font())
                           .boundingRect(QRect(0, 0, room.width(), 10000), Qt::TextWordWrap, field->text());
    EXPECT_LE(used.height(), room.height()) << field->text().toStdString();
    EXPECT_TRUE(field->text().endsWith(QChar(0x2026))) << field->text().toStdString();
    EXPECT_EQ(field->toolTip().toStdString(), whole.toStdString());
    EXPECT_EQ(field->font().pixelSize(), 16);
    EXPECT_TRUE(field->font().bold());
    // A short one is shown whole.
    browser->m_strCurrentDescription = QStringLiteral("MA1, audio mix, clean channel");
    bar->LoadFile();
    EXPECT_EQ(field->text().toStdString(), "MA1, audio mix, clean channel");
    EXPECT_EQ(field->toolTip().toStdString(), "MA1, audio mix, clean channel");
    bar->ResetAll();
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_TRUE(field->toolTip().isEmpty());
}

TEST_F(PlaybackWindows, PlaySendsByPlayModeAndStartTime) {
    LoadTwo();
    struct Case {
        std::int32_t mode, start;
        std::vector<MX_CMD_ID_e> sent;
        std::vector<int> seeks;
    };
    const Case cases[] = {
        {5, 0, {MX_CMD_PLAY_START}, {}},
        {5, 75, {MX_CMD_PLAY_SEEK, MX_CMD_PLAY_START}, {75}},
        {9, -3, {MX_CMD_PLAY_SEEK, MX_CMD_PLAY_START}, {-3}},
        {8, 75, {MX_CMD_PLAY_START_STATE8}, {}},
        {10, 0, {MX_CMD_PLAY_START_STATE10}, {}},
    };
    for (const Case& c : cases) {
        bar->m_btnStop->Click();
        cmds.clear();
        g_Marlix.DeviceState.m_nPlayMode = c.mode;
        g_Marlix.DeviceState.m_nPlayStartSec = c.start;
        bar->m_btnPlay->Click();
        std::vector<MX_CMD_ID_e> sent;
        for (const Cmd& k : cmds)
            sent.push_back(k.id);
        EXPECT_EQ(sent, c.sent) << c.mode << " " << c.start;
        EXPECT_EQ(Seeks(), c.seeks) << c.mode << " " << c.start;
    }
}

TEST_F(PlaybackWindows, PositionDigitsAreLimitedLikeTheSlider) {
    ListRootAndSelectD();
    browser->m_treeFolder->setCurrentItem(Top(1)->child(1));
    FileReply({File(QStringLiteral("a.bin"), 1000, 225)});
    Check(0);
    browser->OnOpenFiles();
    PlayResult(2);
    bar->LoadFile();
    for (int kind : {138, 145, 146, 200}) {
        Report(kind, 0xFFFFFFFFu);
        EXPECT_EQ(bar->RowDigits(0), Digits(225)) << kind;
        EXPECT_EQ(bar->m_nCurPos, 225) << kind;
    }
    bar->ShowPlayPosition(0xFFFFFFFFu);
    EXPECT_EQ(bar->RowDigits(0), Digits(225));
    bar->ShowPlayPosition(61);
    EXPECT_EQ(bar->RowDigits(0), Digits(61));
}
