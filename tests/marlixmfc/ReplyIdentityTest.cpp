// Answers and the commands they answer, against a scripted instrument on
// loopback: an answer reaches the window that asked with its command's identity,
// once; one naming no outstanding command is dropped and counted; one the decoder
// refuses tells the asking window that its listing will not come; and commands
// go out paced: at most a window of them beyond the instrument's answer to the
// keep-alive after them, and still, window by window, to an instrument that never
// answers one.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>

#include "LinkTestSupport.h"
#include "ScriptedInstrument.h"
#include "marlixmfc/MxProtocol.h"

namespace {

const HWND kMain = FakeHwnd(0x100);
const HWND kBrowser = FakeHwnd(0x300);
const HWND kCopy = FakeHwnd(0x600);
constexpr const char* kAddr = "127.0.0.45";

class ReplyIdentity : public ::testing::Test {
protected:
    void SetUp() override {
        UseLoopback(kAddr);
        ASSERT_TRUE(inst.bound);
        lib.m_hNotifyWnd = kMain;
        lib.SetPostSink(&sink);
        DeviceInfoRecord rec{};
        rec.m_nSpectrumPoints = 8192;
        ASSERT_TRUE(inst.Connect(lib, sink, rec));
    }
    void TearDown() override {
        lib.CloseConnectedUDPThread();
        sink.PumpFor(0);
        UseLoopback("127.0.0.2,127.0.0.3");
    }
    std::uint32_t Queue(MX_CMD_ID_e id, const void* p, unsigned n, HWND h) {
        std::uint32_t ref = 0;
        EXPECT_EQ(lib.MxAddCmd(id, MX_RW_DEFAULT, n, p, h, &ref), 1);
        return ref;
    }
    // Until the instrument has count commands besides the connect.
    bool Received(std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (inst.commands.size() < count + 1 && std::chrono::steady_clock::now() < deadline)
            inst.Serve(10);
        return inst.commands.size() >= count + 1;
    }
    // Serves until pred holds; an instrument that answers no keep-alive still shows
    // it is alive (a status every 250 ms), so only pacing holds commands back.
    bool ServeUntil(const std::function<bool()>& pred, int ms = 20000) {
        const auto start = std::chrono::steady_clock::now();
        auto life = start;
        while (!pred() && std::chrono::steady_clock::now() - start < std::chrono::milliseconds(ms)) {
            inst.Serve(10);
            if (std::chrono::steady_clock::now() - life > std::chrono::milliseconds(250)) {
                life = std::chrono::steady_clock::now();
                inst.SendU32s(mxp::EV_STATUS, {0x1B0C});
            }
        }
        return pred();
    }
    void QueueSpeeds(int n) {
        for (int i = 0; i < n; ++i) {
            const std::int32_t v = i;
            Queue(MX_CMD_UPDATE_SPEED, &v, 4, kMain);
        }
    }
    std::vector<SeenMessage> Of(UINT msg) const {
        std::vector<SeenMessage> v;
        for (const SeenMessage& m : sink.seen)
            if (m.msg == msg)
                v.push_back(m);
        return v;
    }

    ScriptedInstrument inst{kAddr};
    QueueSink sink;
    CMarlixMFC lib;
};

TEST_F(ReplyIdentity, AnAnswerReachesItsAskerOnceAndOnesNamingNothingAreDropped) {
    FolderItemRecord rec{};
    rec.m_hItem = 7;
    mxp::CopyZ(rec.m_szPath, 260, u"D:\\");
    const std::uint32_t files = Queue(MX_CMD_FILE_LIST, &rec, sizeof rec, kBrowser);
    const std::uint32_t folders = Queue(MX_CMD_FOLDER_LIST, &rec, sizeof rec, kBrowser);
    const std::u16string path = u"D:\\a.bin";
    const std::uint32_t copy = Queue(MX_CMD_COPY_FILE, path.data(), unsigned(path.size() * 2), kCopy);
    ASSERT_TRUE(Received(3));
    EXPECT_EQ(inst.commands[1].seq, files); // the identity is the command's number on the wire
    EXPECT_EQ(inst.commands[3].seq, copy);

    lib.DeviceDataStore.m_vecFiles.assign(2, FileInfoRecord{});
    const auto folderList = [](std::uint32_t tag) {
        FolderItemRecord e{};
        e.m_hItem = tag;
        mxp::CopyZ(e.m_szPath, 260, u"Vectors");
        mxp::Writer w;
        w.U32(1);
        mxp::PutFolderItem(w, e);
        return w.Data();
    };
    // A file list claiming more entries than a listing may hold: refused by the decoder.
    inst.SendU32s(mxp::EV_FILE_LIST, {9000}, files);
    inst.Send(mxp::EV_FOLDER_LIST, folders, folderList(7));
    inst.Send(mxp::EV_FOLDER_LIST, folders, folderList(7)); // repeated
    inst.Send(mxp::EV_FOLDER_LIST, 424242, folderList(7));  // never asked for
    inst.SendU32s(mxp::EV_PLAY_FILE_RESULT, {2}, 0);        // names nothing
    for (int i = 0; i < 3; ++i)
        inst.SendU32s(mxp::EV_COPY_PROGRESS, {100}, copy); // the same file done three times
    inst.SendU32s(mxp::EV_STATUS, {0x1B0C}, copy);
    sink.PumpUntil([&] { return lib.GetLinkCounters().dropUnmatched >= 5 && !Of(WM_STATUS_MESSAGE).empty(); },
                   10000);
    sink.PumpFor(200);

    const auto lists = Of(WM_FILE_LIST_READY);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].hwnd, kBrowser);
    EXPECT_EQ(lists[0].wParam, MX_LIST_REFUSED);
    EXPECT_EQ(lists[0].ref, files);
    EXPECT_EQ(lib.DeviceDataStore.m_vecFiles.size(), 2u); // untouched
    const auto folderAnswers = Of(WM_FOLDER_LIST_READY);
    ASSERT_EQ(folderAnswers.size(), 1u);
    EXPECT_EQ(folderAnswers[0].ref, folders);
    EXPECT_TRUE(Of(WM_PLAY_FILE_RESULT).empty());
    const auto progress = Of(WM_COPY_PROGRESS);
    ASSERT_EQ(progress.size(), 1u);
    EXPECT_EQ(progress[0].hwnd, kCopy);
    EXPECT_EQ(progress[0].ref, copy);
    EXPECT_EQ(lib.GetLinkCounters().dropUnmatched, 5u);
}

TEST_F(ReplyIdentity, CommandsStillGoOutPacedToAnInstrumentThatNeverAnswersAKeepAlive) {
    // Nothing is read (so no keep-alive is answered) until all are queued.
    for (int i = 0; i < 40; ++i) {
        const std::int32_t v = i;
        Queue(MX_CMD_UPDATE_SPEED, &v, 4, kMain);
    }
    // The first 32, then a wait of its own for an answer that does not come; only
    // once it has given up does the instrument read (and answer) anything.
    ASSERT_TRUE(sink.PumpUntil([&] { return lib.GetLinkCounters().pacingTimeouts >= 1; }, 20000));
    ASSERT_TRUE(Received(40));
    for (int i = 0; i < 40; ++i) {
        std::int32_t v = -1;
        ASSERT_EQ(inst.commands[std::size_t(i) + 1].payload.size(), 4u);
        std::memcpy(&v, inst.commands[std::size_t(i) + 1].payload.data(), 4);
        EXPECT_EQ(v, i); // in order
    }
    EXPECT_GE(lib.GetLinkCounters().pacingTimeouts, 1u);
}

TEST_F(ReplyIdentity, EachWindowGoesOutAfterItsOwnTimeOutToAnInstrumentThatNeverAnswersAKeepAlive) {
    inst.answerKeepAlives = false;
    QueueSpeeds(80); // three windows: two time-outs
    EXPECT_TRUE(ServeUntil([&] { return inst.commands.size() >= 81; }));
    EXPECT_EQ(inst.commands.size(), 81u);
    for (std::size_t i = 1; i < inst.commands.size(); ++i) {
        std::int32_t v = -1;
        std::memcpy(&v, inst.commands[i].payload.data(), 4);
        ASSERT_EQ(v, std::int32_t(i - 1)); // in order
    }
    EXPECT_GE(lib.GetLinkCounters().pacingTimeouts, 2u);
}

TEST_F(ReplyIdentity, OnlyTheAnswerToTheKeepAliveAfterAWindowOpensTheNext) {
    inst.answerKeepAlives = false;
    QueueSpeeds(63); // the connect and 31: one window
    ASSERT_TRUE(ServeUntil([&] {
        return inst.commands.size() >= 32 && inst.keepAlives.size() > inst.commands[31].keepAlivesBefore;
    }));
    ASSERT_EQ(inst.commands.size(), 32u);
    // An answer naming what went before the window's keep-alive (the window's last
    // command) shows nothing of the window: the next waits for the time-out.
    inst.Send(mxp::EV_KEEPALIVE, inst.commands.back().seq, {});
    ASSERT_TRUE(ServeUntil([&] { return inst.commands.size() > 32; }));
    EXPECT_GE(lib.GetLinkCounters().pacingTimeouts, 1u)
        << "the next window went out on another keep-alive's answer";
}

TEST_F(ReplyIdentity, NoMoreThanAWindowOfCommandsArrivesBetweenTwoKeepAlives) {
    QueueSpeeds(1000);
    ASSERT_TRUE(ServeUntil([&] { return inst.commands.size() >= 1001; }));
    std::size_t longest = 0, run = 0;
    for (std::size_t i = 0; i < inst.commands.size(); ++i) {
        run =
            i > 0 && inst.commands[i].keepAlivesBefore == inst.commands[i - 1].keepAlivesBefore ? run + 1 : 1;
        longest = std::max(longest, run);
    }
    // What the instrument's receive buffer must hold at most, whatever its pace.
    EXPECT_LE(longest, 32u);
}

} // namespace
