// The playback rules without a window: button looks, time digits, the commands
// of Play, position kinds, the clock scaling, the play time digits, the folder
// tree's tags and paths, the file rows and the play list, rename checks, the
// Prev/Next wrap and the copy progress.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "output/CopyProgress.h"
#include "output/FileListModel.h"
#include "output/FolderTree.h"
#include "output/PlayBarRules.h"
#include "output/PlayTimeRules.h"

namespace {
using namespace PlayBarRules;

FolderItemRecord Folder(std::uint32_t tag, const char16_t* name) {
    FolderItemRecord r;
    std::memset(&r, 0, sizeof r);
    r.m_hItem = tag;
    for (int i = 0; name[i]; ++i)
        r.m_szPath[i] = name[i];
    return r;
}

FileInfoRecord File(const char16_t* name, int fm, std::uint64_t size, double clock, std::uint32_t sec,
                    std::int32_t power) {
    FileInfoRecord r;
    std::memset(&r, 0, sizeof r);
    for (int i = 0; name[i]; ++i)
        r.m_szName[i] = name[i];
    r.m_bFM = fm;
    r.m_llSize = size;
    r.m_dSampleClock = clock;
    r.m_nTimeSec = sec;
    r.m_nPower = power;
    return r;
}
} // namespace

TEST(PlayBarRules, ButtonLooksFollowTheTable) {
    const Look E = Look::Enabled, D = Look::Disabled, U = Look::Unchanged;
    struct Row {
        BarAction action;
        std::size_t items;
        bool file;
        Look open, play, stop, prevNext, timeSet;
    };
    const Row rows[] = {
        {BarAction::ClearFile, 3, true, E, D, D, D, E}, {BarAction::LoadFile, 1, true, U, E, D, D, U},
        {BarAction::LoadFile, 2, true, U, E, D, E, U},  {BarAction::Play, 3, true, D, U, E, U, U},
        {BarAction::Stop, 3, true, E, E, D, U, U},      {BarAction::Finished, 3, true, E, E, D, U, U},
        {BarAction::Finished, 3, false, E, D, D, U, U}, {BarAction::ResetAll, 3, true, E, D, D, D, U},
    };
    for (const Row& r : rows) {
        const ButtonLooks l = LooksAfter(r.action, r.items, r.file);
        EXPECT_EQ(l.open, r.open) << int(r.action);
        EXPECT_EQ(l.play, r.play) << int(r.action);
        EXPECT_EQ(l.stop, r.stop) << int(r.action);
        EXPECT_EQ(l.prevNext, r.prevNext) << int(r.action) << " items " << r.items;
        EXPECT_EQ(l.timeSet, r.timeSet) << int(r.action);
    }
}

TEST(PlayBarRules, TimeDigitsAreHhMmSsUpTo995959) {
    struct Row {
        std::uint32_t s;
        std::array<int, 6> d;
    };
    const Row rows[] = {
        {0, {0, 0, 0, 0, 0, 0}},           {59, {0, 0, 0, 0, 5, 9}},
        {3599, {0, 0, 5, 9, 5, 9}},        {3661, {0, 1, 0, 1, 0, 1}},
        {36000 + 754, {1, 0, 1, 2, 3, 4}}, {359999, {9, 9, 5, 9, 5, 9}},
        {360000, {9, 9, 5, 9, 5, 9}},      {std::numeric_limits<std::uint32_t>::max(), {9, 9, 5, 9, 5, 9}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(TimeDigits(r.s), r.d) << r.s;
}

TEST(PlayBarRules, PlaySendsByPlayModeAndStartTime) {
    auto ids = [](const std::vector<Command>& v) {
        std::vector<MX_CMD_ID_e> out;
        for (const Command& c : v)
            out.push_back(c.id);
        return out;
    };
    EXPECT_EQ(ids(PlayCommands(9, 0)), std::vector<MX_CMD_ID_e>{MX_CMD_PLAY_START});
    const std::vector<Command> withStart = PlayCommands(5, 75);
    ASSERT_EQ(ids(withStart), (std::vector<MX_CMD_ID_e>{MX_CMD_PLAY_SEEK, MX_CMD_PLAY_START}));
    EXPECT_EQ(withStart[0].payload, (std::vector<std::uint8_t>{75, 0, 0, 0}));
    EXPECT_TRUE(withStart[1].payload.empty());
    EXPECT_EQ(ids(PlayCommands(8, 75)), std::vector<MX_CMD_ID_e>{MX_CMD_PLAY_START_STATE8});
    EXPECT_EQ(ids(PlayCommands(10, 0)), std::vector<MX_CMD_ID_e>{MX_CMD_PLAY_START_STATE10});
    EXPECT_EQ(SeekCommand(-1).payload, (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(PlayBarRules, PositionKindsMoveTheSlider) {
    EXPECT_EQ(SliderAfterPosition(138, 42, 7), 42);
    EXPECT_EQ(SliderAfterPosition(145, 42, 7), 42);
    EXPECT_EQ(SliderAfterPosition(146, 42, 7), 0);
    EXPECT_EQ(SliderAfterPosition(139, 42, 7), 7);
    // Shown within the slider's range, however large the report.
    EXPECT_EQ(ShownPosition(0xFFFFFFFFu, 0, 225), 225);
    EXPECT_EQ(ShownPosition(0x80000000u, 0, 8192), 8192);
    EXPECT_EQ(ShownPosition(61, 0, 225), 61);
    EXPECT_EQ(ShownPosition(61, 0, -5), 0);
}

TEST(PlayBarRules, ClockChangeScalesTheFilesOwnTime) {
    EXPECT_EQ(ScaledTotalSeconds(100, 1000.0, 2000.0, 100), 50);
    EXPECT_EQ(ScaledTotalSeconds(100, 1000.0, 400.0, 100), 250);
    EXPECT_EQ(ScaledTotalSeconds(61, 744187.5, 744187.5, 0), 61);
    // A clock that is no clock changes nothing.
    EXPECT_EQ(ScaledTotalSeconds(100, 1000.0, 0.0, 77), 77);
    EXPECT_EQ(ScaledTotalSeconds(100, 0.0, 1000.0, 77), 77);
    EXPECT_EQ(ScaledTotalSeconds(100, 1000.0, std::numeric_limits<double>::quiet_NaN(), 77), 77);
    EXPECT_EQ(ScaledTotalSeconds(100, 5e-324, 1000.0, 77), 77);
    EXPECT_EQ(ScaledTotalSeconds(100, 1e308, 1000.0, 77), 77);
    EXPECT_EQ(ScaledTotalSeconds(2000000000, 9e6, 1.0, 0), std::numeric_limits<std::int32_t>::max());
}

TEST(PlayTimeRules, DigitsClampAndApplySeeksWithinTheFile) {
    using namespace PlayTimeRules;
    EXPECT_EQ(NextDigit(0, '7', kLimits[2]), 5); // typed 7 into minutes tens
    EXPECT_EQ(NextDigit(0, 0, 9), 0);            // Down on 0 does not wrap
    EXPECT_EQ(NextDigit(9, 1, 9), 9);
    EXPECT_EQ(NextDigit(4, 1, 9), 5);
    EXPECT_EQ(NextDigit(4, '2', 9), 2);
    EXPECT_EQ(NextDigit(4, 'A', 9), 9);
    EXPECT_EQ(NextDigit(4, -100000, 9), 0);

    const std::array<int, 6> t130 = {0, 0, 0, 1, 3, 0};
    EXPECT_EQ(Seconds(t130), 90);
    EXPECT_EQ(ApplySeek(t130, true, 90), std::optional<std::int32_t>(90));
    EXPECT_EQ(ApplySeek(t130, true, 89), std::nullopt);
    EXPECT_EQ(ApplySeek(t130, false, 1000), std::nullopt);
    EXPECT_EQ(Seconds({9, 9, 5, 9, 5, 9}), 359999);
}

TEST(FolderTree, RootReplyReplacesTheTreeAndNodeRepliesAddChildren) {
    CFolderTree tree;
    bool cleared = false;
    auto ins =
        tree.ApplyReply({Folder(CFolderTree::kRoot, u"C:\\"), Folder(CFolderTree::kRoot, u"D:\\")}, cleared);
    ASSERT_EQ(ins.size(), 2u);
    EXPECT_TRUE(cleared);
    const std::uint32_t d = ins[1].tag;
    ins = tree.ApplyReply({Folder(d, u"Vectors"), Folder(d, u"Recordings")}, cleared);
    EXPECT_FALSE(cleared);
    ASSERT_EQ(ins.size(), 2u);
    const std::uint32_t vectors = ins[0].tag;
    ins = tree.ApplyReply({Folder(vectors, u"AM")}, cleared);
    EXPECT_EQ(tree.Path(ins[0].tag), QStringLiteral("D:\\Vectors\\AM\\"));
    EXPECT_EQ(tree.Path(vectors), QStringLiteral("D:\\Vectors\\"));
    EXPECT_EQ(tree.Path(d), QStringLiteral("D:\\")); // the drive's own backslash is the closing one
    EXPECT_EQ(tree.Path(0), QStringLiteral("\\"));
    EXPECT_EQ(tree.Size(), 5u);

    // Root again: everything is replaced, and old tags are gone for good.
    ins = tree.ApplyReply({Folder(CFolderTree::kRoot, u"E:\\")}, cleared);
    EXPECT_TRUE(cleared);
    EXPECT_EQ(tree.Size(), 1u);
    EXPECT_FALSE(tree.Exists(d));
    EXPECT_NE(ins[0].tag, d);
}

TEST(FolderTree, ReplyForANodeThatIsGoneIsDropped) {
    CFolderTree tree;
    bool cleared = false;
    const std::uint32_t d = tree.ApplyReply({Folder(CFolderTree::kRoot, u"D:\\")}, cleared)[0].tag;
    const std::uint32_t v = tree.ApplyReply({Folder(d, u"Vectors")}, cleared)[0].tag;
    tree.RemoveChildren(d); // the user selected D:\ again before the answer for Vectors came
    EXPECT_TRUE(tree.ApplyReply({Folder(v, u"AM"), Folder(v, u"FM")}, cleared).empty());
    EXPECT_EQ(tree.Size(), 1u);
    EXPECT_TRUE(tree.Children(d).empty());
}

TEST(FolderTree, AnswersFillTheNodeTheirRequestNamedOnce) {
    CFolderTree tree;
    std::vector<CFolderTree::Insert> ins;
    bool cleared = false;
    tree.RequestSent(CFolderTree::kRoot, 1);
    ASSERT_TRUE(tree.TakeAnswer(1, {Folder(CFolderTree::kRoot, u"C:\\"), Folder(CFolderTree::kRoot, u"D:\\")},
                                ins, cleared));
    ASSERT_EQ(ins.size(), 2u);
    const std::uint32_t c = ins[0].tag, d = ins[1].tag;
    // A, B, A again before A's first answer: A's children come once.
    tree.RequestSent(d, 2);
    tree.RequestSent(c, 3);
    tree.RequestSent(d, 4);
    EXPECT_FALSE(tree.TakeAnswer(2, {Folder(d, u"Vectors")}, ins, cleared)); // superseded
    ASSERT_TRUE(tree.TakeAnswer(4, {Folder(d, u"Vectors"), Folder(d, u"Recordings")}, ins, cleared));
    EXPECT_EQ(tree.Children(d).size(), 2u);
    EXPECT_FALSE(
        tree.TakeAnswer(4, {Folder(d, u"Vectors"), Folder(d, u"Recordings")}, ins, cleared)); // repeat
    EXPECT_EQ(tree.Children(d).size(), 2u);
    // C's answer, however late, fills C only, even with entries tagged for D.
    ASSERT_TRUE(tree.TakeAnswer(3, {Folder(c, u"System"), Folder(d, u"Intruder")}, ins, cleared));
    ASSERT_EQ(ins.size(), 1u);
    EXPECT_EQ(tree.Path(ins[0].tag), QStringLiteral("C:\\System\\"));
    EXPECT_EQ(tree.Children(d).size(), 2u);
    // A refused answer ends its request only.
    tree.RequestSent(c, 5);
    tree.RequestSent(d, 6);
    EXPECT_EQ(tree.TakeRefusal(5), c);
    EXPECT_FALSE(tree.Awaiting(c));
    EXPECT_TRUE(tree.Awaiting(d));
    EXPECT_EQ(tree.DroppedReplies(), 2u);
}

TEST(FolderTree, RequestsAndFieldsStayWithinTheirRecords) {
    FolderItemRecord r;
    std::memset(&r, 0x55, sizeof r);
    ASSERT_TRUE(CFolderTree::MakeRequest(7, QStringLiteral("D:\\Vectors\\"), r));
    EXPECT_EQ(r.m_hItem, 7u);
    EXPECT_EQ(CFolderTree::FieldText(r.m_szPath, 260), QStringLiteral("D:\\Vectors\\"));
    EXPECT_EQ(r.m_szPath[259], 0); // zero-filled behind the text

    const QString fits(259, QLatin1Char('a'));
    EXPECT_TRUE(CFolderTree::MakeRequest(7, fits, r));
    FolderItemRecord untouched = r;
    EXPECT_FALSE(CFolderTree::MakeRequest(9, fits + QLatin1Char('b'), r));
    EXPECT_EQ(std::memcmp(&r, &untouched, sizeof r), 0);

    // A reply field without a terminator is read up to its end and no further.
    FolderItemRecord full[2];
    for (char16_t& c : full[0].m_szPath)
        c = u'x';
    full[1].m_hItem = 0x00790079u; // what would follow in memory
    EXPECT_EQ(CFolderTree::FieldText(full[0].m_szPath, 260).size(), 260);

    // The code units as they came: no byte-order mark taken off or obeyed, no
    // half character mended into another one.
    for (const char16_t* name : {u"\xFEFFx.bin", u"\xFFFEx.bin", u"\xD800x", u"x\xDC00", u"\xD83D\xDE00"}) {
        FolderItemRecord f = Folder(1, name);
        EXPECT_EQ(CFolderTree::FieldText(f.m_szPath, 260), QString(reinterpret_cast<const QChar*>(name)))
            << std::hex << unsigned(name[0]);
    }
}

TEST(FileListModel, RowsShowTheSevenColumns) {
    const FileRow am =
        CFileListModel::RowFromRecord(File(u"IB_AM_e1_awgn.bin", 0, 1234, 46511.71875, 61, -205));
    const QString expected[7] = {
        QStringLiteral("IB_AM_e1_awgn.bin"),
        QStringLiteral("AM"),
        QStringLiteral("-20.5"),
        QStringLiteral("White Gaussian noise; Flat spectrum from -23 kHz to +23 kHz"),
        QStringLiteral("46511.7188"),
        QStringLiteral("1234"),
        QStringLiteral("61")};
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(CFileListModel::ColumnText(am, c), expected[c]) << c;
    const FileRow other =
        CFileListModel::RowFromRecord(File(u"mine.bin", 7, 0x8000000000000001ull, 1.0, 3, 0));
    EXPECT_EQ(CFileListModel::ColumnText(other, 1), QStringLiteral("FM"));
    EXPECT_EQ(CFileListModel::ColumnText(other, 3), QString());
    EXPECT_EQ(CFileListModel::ColumnText(other, 5), QStringLiteral("9223372036854775809"));
    EXPECT_EQ(CFileListModel::ColumnText(other, 2), QStringLiteral("0.0"));
}

TEST(FileListModel, AnAnswerIsTakenOnlyForTheRequestItNamesWhateverItsDelay) {
    CFileListModel m;
    const QString a = QStringLiteral("D:\\Vectors\\AM\\"), b = QStringLiteral("D:\\Recordings\\");
    m.RequestSent(a, 11);
    m.RequestSent(b, 12); // the user went on to b before a's answer came
    // b's answer first, then a's, late: a's files never become b's rows.
    ASSERT_TRUE(m.TakeReply({File(u"rec.bin", 1, 1, 1.0, 1, 0)}, 12, b));
    EXPECT_FALSE(m.TakeReply({File(u"am1.bin", 0, 1, 1.0, 1, 0)}, 11, b));
    ASSERT_EQ(m.RowCount(), 1);
    EXPECT_EQ(m.Folder(), b);
    m.SetChecked(0, true);
    EXPECT_EQ(m.CheckedPaths(false), QStringList{b + QStringLiteral("rec.bin")});
    // A repeat, an answer never asked for, one naming nothing: dropped and counted.
    EXPECT_FALSE(m.TakeReply({File(u"x.bin", 0, 1, 1.0, 1, 0)}, 12, b));
    EXPECT_FALSE(m.TakeReply({}, 99, b));
    EXPECT_FALSE(m.TakeReply({}, 0, b));
    EXPECT_EQ(m.RowCount(), 1);
    EXPECT_EQ(m.DroppedReplies(), 4u);
    // A request that was not queued waits for nothing.
    m.RequestSent(a, 0);
    EXPECT_FALSE(m.Awaiting(a));
}

TEST(FileListModel, ALostOrRefusedAnswerLeavesOnlyItsOwnFolderUnlisted) {
    CFileListModel m;
    const QString a = QStringLiteral("D:\\A\\"), b = QStringLiteral("D:\\B\\"), c = QStringLiteral("D:\\C\\");
    m.RequestSent(a, 1); // never answered
    m.RequestSent(b, 2); // refused by the decoder
    m.RequestSent(c, 3);
    EXPECT_FALSE(m.TakeRefusal(2, c)); // not the folder shown
    EXPECT_FALSE(m.Awaiting(b));
    ASSERT_TRUE(m.TakeReply({File(u"c.bin", 0, 1, 1.0, 1, 0)}, 3, c));
    EXPECT_EQ(m.Rows()[0].name, QStringLiteral("c.bin"));
    EXPECT_TRUE(m.Awaiting(a));
    m.RequestSent(b, 4);
    EXPECT_TRUE(m.TakeRefusal(4, b)); // the folder shown is not listed
    // A folder asked again: only the newest answer counts.
    m.RequestSent(c, 5);
    m.RequestSent(c, 6);
    EXPECT_FALSE(m.TakeReply({File(u"old.bin", 0, 1, 1.0, 1, 0)}, 5, c));
    ASSERT_TRUE(m.TakeReply({File(u"new.bin", 0, 1, 1.0, 1, 0)}, 6, c));
    EXPECT_EQ(m.Rows()[0].name, QStringLiteral("new.bin"));
}

TEST(FileListModel, PlayListKeepsEachFilesRecordAndTotalsRoundDown) {
    CFileListModel m;
    const QString f = QStringLiteral("D:\\Vectors\\FM\\");
    m.RequestSent(f, 1);
    ASSERT_TRUE(m.TakeReply({File(u"a.bin", 1, 1048575, 744187.5, 300, -105),
                             File(u"b.bin", 0, 2 * 1048576ull + 5, 46511.71875, 61, -203),
                             File(u"c.bin", 0, 1048576, 46511.71875, 62, -201)},
                            1, f));
    m.SetChecked(0, true);
    m.SetChecked(1, true);
    EXPECT_EQ(m.CheckedCount(), 2);
    EXPECT_EQ(CFileListModel::TotalText(m.CheckedBytes()), QStringLiteral("Total:3 MB"));
    EXPECT_EQ(CFileListModel::TotalText(1048575), QStringLiteral("Total:0 MB"));
    EXPECT_EQ(CFileListModel::TotalText(m.AllBytes()), QStringLiteral("Total:4 MB"));
    const std::vector<PlayListItem> list = m.BuildPlayList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].m_nRow, 1);
    EXPECT_EQ(list[1].m_strPath, f + QStringLiteral("b.bin"));
    EXPECT_EQ(list[1].m_dSampleClock, 46511.71875); // not the four decimals shown
    EXPECT_EQ(list[1].m_nPower, -203);
    EXPECT_EQ(list[1].m_llSize, std::int64_t(2 * 1048576ull + 5));
    EXPECT_EQ(list[1].m_bFM, 0);
    EXPECT_EQ(list[0].m_bFM, 1);
    EXPECT_EQ(list[0].m_nTimeSec, 300);
    EXPECT_EQ(m.CheckedPaths(true), (QStringList{f + QStringLiteral("b.bin"), f + QStringLiteral("a.bin")}));
}

TEST(FileListModel, RenameIsCheckedAndAppliesToTheFileItWasStartedOn) {
    const QString f = QStringLiteral("D:\\Recordings\\");
    struct Case {
        QString name;
        bool ok;
    };
    const Case cases[] = {{QStringLiteral("new.bin"), true},
                          {QString(), false},
                          {QStringLiteral("   "), false},
                          {QStringLiteral("a\\b.bin"), false},
                          {QStringLiteral("a/b.bin"), false},
                          {QStringLiteral(".."), false},
                          {QStringLiteral("C:x.bin"), false},
                          {QString(99, QLatin1Char('n')), true},
                          {QString(100, QLatin1Char('n')), false},
                          {QStringLiteral("..x.bin"), true},
                          // The instrument would read a NUL as the name's end.
                          {QStringLiteral("a") + QChar(0) + QStringLiteral("b.bin"), false},
                          {QStringLiteral("x.bin") + QChar(0), false},
                          {QString(QChar(0)), false}};
    for (const Case& c : cases)
        EXPECT_EQ(CFileListModel::RenameError(c.name, f).isEmpty(), c.ok) << c.name.toStdString();
    EXPECT_FALSE(
        CFileListModel::RenameError(QString(90, QLatin1Char('n')), QString(170, QLatin1Char('p'))).isEmpty());

    CFileListModel m;
    m.RequestSent(f, 1);
    ASSERT_TRUE(m.TakeReply({File(u"x.bin", 0, 1, 1.0, 1, 0), File(u"y.bin", 0, 1, 1.0, 1, 0)}, 1, f));
    m.RenameSent(f, QStringLiteral("y.bin"), QStringLiteral("IB_AM_e1_awgn.bin"), 20);
    // The folder was listed again meanwhile, in another order.
    m.RequestSent(f, 2);
    ASSERT_TRUE(m.TakeReply({File(u"y.bin", 0, 1, 1.0, 1, 0), File(u"x.bin", 0, 1, 1.0, 1, 0)}, 2, f));
    EXPECT_EQ(m.RenameResult(true, 19), -1); // another command's result
    EXPECT_TRUE(m.RenamePending());
    EXPECT_EQ(m.RenameResult(true, 20), 0);
    EXPECT_EQ(m.Rows()[0].name, QStringLiteral("IB_AM_e1_awgn.bin"));
    EXPECT_FALSE(m.Rows()[0].description.isEmpty());
    EXPECT_EQ(m.Rows()[1].name, QStringLiteral("x.bin"));
    EXPECT_FALSE(m.RenamePending());

    m.RenameSent(f, QStringLiteral("x.bin"), QStringLiteral("z.bin"), 21);
    EXPECT_EQ(m.RenameResult(false, 21), -1);
    EXPECT_EQ(m.Rows()[1].name, QStringLiteral("x.bin"));
    EXPECT_FALSE(m.RenamePending());
    EXPECT_EQ(m.RenameResult(true, 21), -1); // nothing outstanding: a repeat changes nothing
}

TEST(PlayList, PrevAndNextWrapAtBothEnds) {
    EXPECT_EQ(PlayListNext(0, 3), 1);
    EXPECT_EQ(PlayListNext(2, 3), 0);
    EXPECT_EQ(PlayListNext(7, 3), 0);
    EXPECT_EQ(PlayListPrev(0, 3), 2);
    EXPECT_EQ(PlayListPrev(2, 3), 1);
    EXPECT_EQ(PlayListPrev(9, 3), 2);
    EXPECT_EQ(PlayListNext(0, 1), 0);
    EXPECT_EQ(PlayListNext(0, 0), -1);
    EXPECT_EQ(PlayListPrev(0, 0), -1);
}

TEST(CopyProgress, DrivesAndProgressOverTheSnapshot) {
    EXPECT_EQ(CCopyProgress::DriveIndex(QStringLiteral("A:\\")), 0);
    EXPECT_EQ(CCopyProgress::DriveIndex(QStringLiteral("D:\\")), 3);
    EXPECT_EQ(CCopyProgress::DriveIndex(QStringLiteral("Z:\\")), 25);
    for (const char* bad : {"Select", "d:\\", "D:", "D:\\x", "", "AA:\\"})
        EXPECT_EQ(CCopyProgress::DriveIndex(QString::fromLatin1(bad)), -1) << bad;

    CCopyProgress p;
    p.SetFiles({QStringLiteral("a.bin"), QStringLiteral("b.bin"), QStringLiteral("c.bin")});
    for (int i = 0; i < 3; ++i)
        p.FileQueued(i, 10u + std::uint32_t(i));
    EXPECT_EQ(p.StartText(), QStringLiteral("0/3"));
    EXPECT_EQ(p.TotalText(), QStringLiteral("3/3"));
    EXPECT_EQ(p.CurrentName(), QStringLiteral("a.bin"));
    EXPECT_FALSE(p.OnProgress(40, 10));
    EXPECT_EQ(p.FilePercent(), 40);
    EXPECT_EQ(p.Copied(), 0);
    EXPECT_FALSE(p.OnProgress(100, 10));
    EXPECT_EQ(p.CurrentName(), QStringLiteral("b.bin"));
    EXPECT_EQ(p.DoneText(), QStringLiteral("1/3"));
    EXPECT_FALSE(p.OnProgress(100, 11));
    EXPECT_TRUE(p.OnProgress(100, 12));
    EXPECT_TRUE(p.Done());
    EXPECT_EQ(p.CurrentName(), QString());
    EXPECT_FALSE(p.OnProgress(100, 12)); // late reports change nothing
    EXPECT_EQ(p.Copied(), 3);
}

TEST(CopyProgress, AReportCountsOnlyForTheFileItNamesAndOnce) {
    CCopyProgress p;
    p.SetFiles({QStringLiteral("a.bin"), QStringLiteral("b.bin"), QStringLiteral("c.bin")});
    for (int i = 0; i < 3; ++i)
        p.FileQueued(i, 10u + std::uint32_t(i));
    // Three reports of 100 for the first file's command: one file done, not the copy.
    EXPECT_FALSE(p.OnProgress(100, 10));
    EXPECT_FALSE(p.OnProgress(100, 10));
    EXPECT_FALSE(p.OnProgress(100, 10));
    EXPECT_EQ(p.Copied(), 1);
    EXPECT_FALSE(p.Done());
    // Reports naming no file of this copy change nothing.
    EXPECT_FALSE(p.OnProgress(100, 0));
    EXPECT_FALSE(p.OnProgress(100, 99));
    EXPECT_EQ(p.Copied(), 1);
    EXPECT_EQ(p.Dropped(), 4u);
    // Progress of the file it names, whichever comes.
    EXPECT_FALSE(p.OnProgress(50, 12));
    EXPECT_EQ(p.CurrentName(), QStringLiteral("c.bin"));
    EXPECT_FALSE(p.OnProgress(100, 12));
    EXPECT_EQ(p.CurrentName(), QStringLiteral("b.bin"));
    EXPECT_TRUE(p.OnProgress(100, 11));
    EXPECT_EQ(p.FileOf(11), 1);

    // Two of three queued: only those two are waited for.
    p.SetFiles({QStringLiteral("a.bin"), QStringLiteral("b.bin"), QStringLiteral("c.bin")});
    p.FileQueued(0, 20);
    p.FileQueued(1, 21);
    p.KeepFirst(2);
    EXPECT_EQ(p.TotalText(), QStringLiteral("2/2"));
    EXPECT_FALSE(p.OnProgress(100, 20));
    EXPECT_TRUE(p.OnProgress(100, 21));
}

TEST(FileListModel, AListedNameThatCannotBeAFileNameIsShownButNeverUsed) {
    struct Case {
        const char16_t* name;
        bool usable;
    };
    const Case cases[] = {{u"x_FM.bin", true},
                          {u"..x.bin", true},
                          {u"a/b/../../x_FM.bin", false},
                          {u"..\\..\\System\\x.bin", false},
                          {u"..", false},
                          {u".", false},
                          {u"C:x.bin", false},
                          {u"", false},
                          {u"\xD800x_FM.bin", false}, // half a character: U+FFFD would name another file
                          {u"x_FM.bin\xDC00", false}};
    const QString f = QStringLiteral("D:\\Vectors\\");
    std::vector<FileInfoRecord> reply;
    for (const Case& c : cases)
        reply.push_back(File(c.name, 1, 1048576, 1.0, 1, 0));
    CFileListModel m;
    m.RequestSent(f, 1);
    ASSERT_TRUE(m.TakeReply(reply, 1, f));
    for (int i = 0; i < m.RowCount(); ++i) {
        const FileRow& row = m.Rows()[std::size_t(i)];
        EXPECT_EQ(row.name, QString(reinterpret_cast<const QChar*>(cases[i].name))); // shown as it is
        EXPECT_EQ(row.Actionable(), cases[i].usable) << row.name.toStdString();
        EXPECT_EQ(CFileListModel::UnusableText(row).isEmpty(), cases[i].usable) << row.name.toStdString();
        m.SetChecked(i, true);
        EXPECT_EQ(m.IsChecked(i), cases[i].usable) << row.name.toStdString();
    }
    EXPECT_NE(CFileListModel::UnusableText(m.Rows()[2]).indexOf(QStringLiteral("a/b/../../x_FM.bin")), -1);
    m.SetAllChecked(true);
    EXPECT_EQ(m.CheckedCount(), 2);
    EXPECT_EQ(m.CheckedBytes(), 2 * 1048576u);
    EXPECT_EQ(m.CheckedPaths(false),
              (QStringList{f + QStringLiteral("x_FM.bin"), f + QStringLiteral("..x.bin")}));
    const std::vector<PlayListItem> list = m.BuildPlayList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].m_strPath, f + QStringLiteral("..x.bin"));
}

TEST(FolderTree, AListedFolderNameThatCannotBePartOfAPathIsFound) {
    CFolderTree tree;
    bool cleared = false;
    const auto top = tree.ApplyReply({Folder(CFolderTree::kRoot, u"D:\\"), Folder(CFolderTree::kRoot, u"Net"),
                                      Folder(CFolderTree::kRoot, u"..")},
                                     cleared);
    ASSERT_EQ(top.size(), 3u);
    const auto kids = tree.ApplyReply(
        {Folder(top[0].tag, u"Vectors"), Folder(top[0].tag, u"FM\\"), Folder(top[0].tag, u"a/b"),
         Folder(top[0].tag, u".."), Folder(top[0].tag, u"x\\..\\y"), Folder(top[0].tag, u"C:"),
         Folder(top[0].tag, u"\xD800x"), Folder(top[0].tag, u"x\xDC00"), Folder(top[0].tag, u"\xD83D\xDE00")},
        cleared);
    ASSERT_EQ(kids.size(), 9u);
    const auto deep = tree.ApplyReply({Folder(kids[3].tag, u"AM")}, cleared);
    QString bad;
    EXPECT_FALSE(tree.BadName(top[0].tag, bad));
    EXPECT_FALSE(tree.BadName(top[1].tag, bad));
    EXPECT_FALSE(tree.BadName(kids[0].tag, bad));
    EXPECT_FALSE(tree.BadName(kids[1].tag, bad)); // its own closing backslash
    EXPECT_FALSE(tree.BadName(kids[8].tag, bad)); // a whole surrogate pair
    for (std::uint32_t t : {top[2].tag, kids[2].tag, kids[3].tag, kids[4].tag, kids[5].tag, kids[6].tag,
                            kids[7].tag, deep[0].tag}) {
        EXPECT_TRUE(tree.BadName(t, bad)) << tree.Path(t).toStdString();
        EXPECT_FALSE(bad.isEmpty());
    }
    EXPECT_TRUE(tree.BadName(deep[0].tag, bad));
    EXPECT_EQ(bad, QStringLiteral("..")); // the ancestor's
}
