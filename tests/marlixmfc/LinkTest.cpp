// The device library against marlix-sim on loopback addresses.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <regex>
#include <set>
#include <thread>

#include "LinkTestSupport.h"
#include "marlixmfc/MxLinkConfig.h"
#include "marlixmfc/MxProtocol.h"

namespace {

const HWND kMain = FakeHwnd(0x100);
const HWND kDialog = FakeHwnd(0x200);
const HWND kBrowser = FakeHwnd(0x300);
const HWND kPlayBar = FakeHwnd(0x400);
const HWND kCal = FakeHwnd(0x500);

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseLoopback("127.0.0.2,127.0.0.3");
        lib = std::make_unique<CMarlixMFC>();
        lib->m_hNotifyWnd = kMain;
        lib->SetPostSink(&sink);
    }
    void TearDown() override {
        lib->CloseBroadCastRxThread();
        lib->CloseConnectedUDPThread();
        sink.PumpFor(0);
        lib.reset();
    }
    // The program's connection road, as far as the library sees it.
    bool Connect(const char* addr, HWND reply = kMain) {
        lib->DeviceState.m_nDeviceIP = Addr(addr);
        lib->BeginConnectedUDPThread();
        lib->DeviceState.m_nConnectState = 1;
        const std::uint16_t param = lib->DeviceDataStore.m_wConnectParam;
        lib->MxAddCmd(MX_CMD_CONNECT, MX_RW_DEFAULT, 2, &param, reply);
        const bool ok = sink.PumpUntil(
            [&] {
                const SeenMessage* m = sink.Last(WM_CONNECT_STATE);
                return m && m->wParam == 2;
            },
            5000);
        if (ok)
            lib->DeviceState.m_nConnectState = 2;
        return ok;
    }
    void Cmd(MX_CMD_ID_e id, const void* p, unsigned n, HWND h = kMain, MX_RW_ID_e rw = MX_RW_DEFAULT) {
        ASSERT_EQ(lib->MxAddCmd(id, rw, n, p, h), 1);
    }
    void CmdI32(MX_CMD_ID_e id, std::int32_t v, HWND h = kMain, MX_RW_ID_e rw = MX_RW_DEFAULT) {
        Cmd(id, &v, 4, h, rw);
    }
    void CmdText(MX_CMD_ID_e id, const std::u16string& s, HWND h) {
        Cmd(id, s.data(), static_cast<unsigned>(s.size() * 2), h);
    }
    bool WaitFor(UINT msg, std::size_t count, int ms = 5000) {
        return sink.PumpUntil([&] { return sink.Count(msg) >= count; }, ms);
    }
    static FolderItemRecord Folder(std::uint32_t tag, const std::u16string& path) {
        FolderItemRecord r{};
        r.m_hItem = tag;
        mxp::CopyZ(r.m_szPath, 260, path);
        return r;
    }

    QueueSink sink;
    std::unique_ptr<CMarlixMFC> lib;
};

TEST_F(LinkTest, DiscoveryOfTwoSimulatorsGivesTwoRecords) {
    SimProcess a("127.0.0.2", {"--name", "Bench A"});
    SimProcess b("127.0.0.3", {"--name", "Bench B"});
    ASSERT_TRUE(a.Start());
    ASSERT_TRUE(b.Start());
    ASSERT_TRUE(lib->BeginBroadCastRxThread());
    ASSERT_EQ(lib->MxSendtoBroadCast(MX_CMD_DISCOVER, MX_RW_BROADCAST, 0, nullptr, kDialog), 1);
    ASSERT_TRUE(WaitFor(WM_DEVICE_FOUND, 2));
    sink.PumpFor(300);
    lib->CloseBroadCastRxThread();
    std::set<std::string> found;
    for (const auto& m : sink.seen) {
        if (m.msg != WM_DEVICE_FOUND)
            continue;
        EXPECT_EQ(m.hwnd, kDialog);
        const std::string desc = m.device.m_szDescription;
        if (m.device.m_nIPAddress == Addr("127.0.0.2")) {
            EXPECT_EQ(desc, "Bench A");
        }
        if (m.device.m_nIPAddress == Addr("127.0.0.3")) {
            EXPECT_EQ(desc, "Bench B");
        }
        EXPECT_EQ(m.device.m_nBoardRev, 11u);
        EXPECT_EQ(m.device.m_abSWVer[3], 1);
        found.insert(mxp::Dotted(m.device.m_nIPAddress));
    }
    EXPECT_EQ(found, (std::set<std::string>{"127.0.0.2", "127.0.0.3"}));
    EXPECT_EQ(sink.Count(WM_DEVICE_FOUND), 2u);
    // The command log records the discovery.
    const auto lines = a.LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\d+ 0 MX_CMD_DISCOVER 4 0 -)"))) << lines[0];
}

TEST_F(LinkTest, OverriddenTargetsAreTheOnlyOnesAsked) {
    UseLoopback("127.0.0.2");
    SimProcess a("127.0.0.2");
    SimProcess b("127.0.0.3");
    ASSERT_TRUE(a.Start());
    ASSERT_TRUE(b.Start());
    EXPECT_EQ(lib->GetDiscoveryTargets(), std::vector<std::string>{"127.0.0.2"});
    ASSERT_TRUE(lib->BeginBroadCastRxThread());
    lib->MxSendtoBroadCast(MX_CMD_DISCOVER, MX_RW_BROADCAST, 0, nullptr, kDialog);
    ASSERT_TRUE(WaitFor(WM_DEVICE_FOUND, 1));
    sink.PumpFor(500);
    EXPECT_EQ(sink.Count(WM_DEVICE_FOUND), 1u);
    EXPECT_EQ(sink.Last(WM_DEVICE_FOUND)->device.m_nIPAddress, Addr("127.0.0.2"));
    EXPECT_EQ(lib->GetLinkCounters().txDatagrams, 1u);
    EXPECT_TRUE(b.LogLines().empty());
}

TEST_F(LinkTest, ConnectStatusSystemModeAndSettingRoundTrip) {
    SimProcess sim("127.0.0.2", {"--status", "0x1404", "--serial", "ZX-0042"});
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(Connect("127.0.0.2"));
    const SeenMessage* cs = sink.Last(WM_CONNECT_STATE);
    EXPECT_EQ(cs->hwnd, kMain);
    EXPECT_EQ(lib->DeviceState.m_strProfileSection, u"Marlix_ZX-0042");
    EXPECT_EQ(lib->DeviceState.m_nProductCatalog, MX_PRODUCT_ZEPHYRA);

    Cmd(MX_CMD_STATUS, nullptr, 0);
    ASSERT_TRUE(WaitFor(WM_STATUS_MESSAGE, 1));
    EXPECT_EQ(sink.Last(WM_STATUS_MESSAGE)->wParam, 0x1404u);
    EXPECT_EQ(sink.Last(WM_STATUS_MESSAGE)->hwnd, kMain);

    // System mode 7: wait box around the limits.
    const std::size_t before = sink.seen.size();
    CmdI32(MX_CMD_SYSTEM_MODE, 7);
    ASSERT_TRUE(WaitFor(WM_WAIT_DONE, 1));
    std::vector<UINT> order;
    for (std::size_t i = before; i < sink.seen.size(); ++i)
        order.push_back(sink.seen[i].msg);
    EXPECT_EQ(order, (std::vector<UINT>{WM_WAIT_SHOW, WM_GRAPH_AXES_UPDATE, WM_WAIT_DONE}));
    EXPECT_EQ(lib->DeviceState.m_nFreqMinHz, 500000u);
    EXPECT_EQ(lib->DeviceState.m_nFreqMaxHz, 2000000000u);
    lib->DeviceState.m_nFreqMaxHz = 0;
    lib->Mx2InitMinMaxValueForSystemMode(7, nullptr);
    EXPECT_EQ(lib->DeviceState.m_nFreqMaxHz, 2000000000u);
    EXPECT_EQ(lib->Mx2IQRateConfirm(lib->DeviceState.m_nProductCatalog, 60000000u), 60000000u);

    // Calibration values written and read back.
    CmdI32(MX_CMD_MODULE_CAL, 123, kCal, MX_RW_CAL_UPC_SET);
    CmdI32(MX_CMD_MODULE_CAL, -25, kCal, MX_RW_CAL_ATT_SET);
    CmdI32(MX_CMD_MODULE_CAL, 7, kCal, MX_RW_CAL_DOC_SET);
    Cmd(MX_CMD_MODULE_CAL, nullptr, 0, kCal, MX_RW_CAL_UPC_GET);
    Cmd(MX_CMD_MODULE_CAL, nullptr, 0, kCal, MX_RW_CAL_ATT_GET);
    Cmd(MX_CMD_MODULE_CAL, nullptr, 0, kCal, MX_RW_CAL_DOC_GET);
    ASSERT_TRUE(WaitFor(WM_CAL_VALUE, 3));
    std::vector<std::pair<WPARAM, LPARAM>> cal;
    for (const auto& m : sink.seen)
        if (m.msg == WM_CAL_VALUE) {
            EXPECT_EQ(m.hwnd, kCal);
            cal.emplace_back(m.wParam, m.lParam);
        }
    EXPECT_EQ(cal, (std::vector<std::pair<WPARAM, LPARAM>>{{0, 123}, {1, -25}, {2, 7}}));

    // A frequency and a level as the front panel sends them, seen in the command log.
    const std::uint32_t freq = 98100000;
    Cmd(MX_CMD_ZEPHYRA_FREQ, &freq, 4);
    const std::int16_t level = -305;
    Cmd(MX_CMD_ZEPHYRA_POWER, &level, 2);
    Cmd(MX_CMD_STATUS, nullptr, 0);
    ASSERT_TRUE(WaitFor(WM_STATUS_MESSAGE, 2));
    const auto lines = sim.LogLines();
    const std::regex format(R"((\d+) (\d+) (MX_CMD_[A-Z0-9_]+) (\d+) (\d+) ([0-9a-f]+|-))");
    for (const auto& l : lines)
        EXPECT_TRUE(std::regex_match(l, format)) << l;
    auto has = [&](const std::string& tail) {
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.size() > tail.size() && l.compare(l.find(' ') + 1, std::string::npos, tail) == 0;
        });
    };
    EXPECT_TRUE(has("1 MX_CMD_CONNECT 1 2 0000"));
    EXPECT_TRUE(has("23 MX_CMD_STATUS 1 0 -"));
    EXPECT_TRUE(has("70 MX_CMD_SYSTEM_MODE 1 4 07000000"));
    EXPECT_TRUE(has("83 MX_CMD_ZEPHYRA_FREQ 1 4 20e3d805"));
    EXPECT_TRUE(has("116 MX_CMD_ZEPHYRA_POWER 1 2 cffe"));
    EXPECT_TRUE(has("115 MX_CMD_MODULE_CAL 169 4 e7ffffff"));
    // Keep-alives are link traffic, not commands: never in the log.
    for (const auto& l : lines)
        EXPECT_EQ(l.find(" 255 "), std::string::npos) << l;
}

TEST_F(LinkTest, FolderAndFileLists) {
    SimProcess sim("127.0.0.2");
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(Connect("127.0.0.2"));
    FolderItemRecord root = Folder(MX_TVI_ROOT, u"root");
    Cmd(MX_CMD_FOLDER_LIST, &root, sizeof root, kBrowser);
    ASSERT_TRUE(WaitFor(WM_FOLDER_LIST_READY, 1));
    EXPECT_EQ(sink.Last(WM_FOLDER_LIST_READY)->hwnd, kBrowser);
    ASSERT_EQ(lib->DeviceDataStore.m_vecFolders.size(), 2u);
    EXPECT_EQ(lib->DeviceDataStore.m_vecFolders[0].m_hItem, MX_TVI_ROOT);
    EXPECT_EQ(mxp::FromZ(lib->DeviceDataStore.m_vecFolders[0].m_szPath, 260), u"C:\\");
    EXPECT_EQ(mxp::FromZ(lib->DeviceDataStore.m_vecFolders[1].m_szPath, 260), u"D:\\");

    FolderItemRecord d = Folder(0x1234, u"D:\\");
    Cmd(MX_CMD_FOLDER_LIST, &d, sizeof d, kBrowser);
    Cmd(MX_CMD_FILE_LIST, &d, sizeof d, kBrowser);
    ASSERT_TRUE(WaitFor(WM_FILE_LIST_READY, 1));
    std::vector<std::u16string> names;
    for (const auto& f : lib->DeviceDataStore.m_vecFolders) {
        EXPECT_EQ(f.m_hItem, 0x1234u);
        names.push_back(mxp::FromZ(f.m_szPath, 260));
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Vectors", u"Recordings"}));
    EXPECT_TRUE(lib->DeviceDataStore.m_vecFiles.empty());

    // The FM vectors: a list big enough to travel in fragments.
    FolderItemRecord fm = Folder(0x99, u"D:\\Vectors\\FM\\");
    Cmd(MX_CMD_FILE_LIST, &fm, sizeof fm, kBrowser);
    ASSERT_TRUE(WaitFor(WM_FILE_LIST_READY, 2));
    const auto& files = lib->DeviceDataStore.m_vecFiles;
    ASSERT_GE(files.size(), 1u);
    for (const auto& f : files) {
        EXPECT_NE(f.m_bFM, 0);
        EXPECT_DOUBLE_EQ(f.m_dSampleClock, 744187.5);
        EXPECT_GE(f.m_nTimeSec, 1u);
        EXPECT_EQ(f.m_llSize, static_cast<std::uint64_t>(f.m_nTimeSec * 744187.5 + 0.5));
        EXPECT_FALSE(mxp::FromZ(f.m_szName, 100).empty());
    }
    std::printf("FM file list: %zu entries\n", files.size());
}

TEST_F(LinkTest, PlayPositionAndEndOfFile) {
    SimProcess sim("127.0.0.2", {"--play-speed", "2"});
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(Connect("127.0.0.2"));
    EXPECT_EQ(lib->AllocPlayPowerGPSLogBuffer(3), TRUE);
    CmdText(MX_CMD_PLAY_FILE, u"D:\\Recordings\\rec_short_FM.bin", kBrowser);
    ASSERT_TRUE(WaitFor(WM_PLAY_FILE_RESULT, 1));
    EXPECT_EQ(sink.Last(WM_PLAY_FILE_RESULT)->wParam, 2u);
    EXPECT_EQ(sink.Last(WM_PLAY_FILE_RESULT)->hwnd, kBrowser);

    CmdI32(MX_CMD_PLAY_SEEK, 1, kPlayBar);
    ASSERT_TRUE(WaitFor(WM_PLAY_POSITION, 1));
    EXPECT_EQ(sink.Last(WM_PLAY_POSITION)->wParam, 145u);
    EXPECT_EQ(lib->DeviceDataStore.m_nPlayPosSec, 1u);

    Cmd(MX_CMD_PLAY_START, nullptr, 0, kPlayBar);
    ASSERT_TRUE(WaitFor(WM_PLAY_POSITION, 2));
    EXPECT_EQ(sink.Last(WM_PLAY_POSITION)->wParam, 138u);
    EXPECT_EQ(sink.Last(WM_PLAY_POSITION)->hwnd, kPlayBar);
    EXPECT_EQ(lib->DeviceState.m_nPlayMode, 5);
    std::uint32_t highest = 0;
    ASSERT_TRUE(sink.PumpUntil([&] { return sink.Count(WM_PLAY_EVENT) >= 1; }, 8000,
                               [&](const SeenMessage& m) {
                                   if (m.msg == WM_PLAY_POSITION && m.wParam == 138)
                                       highest = std::max(highest, lib->DeviceDataStore.m_nPlayPosSec);
                               }));
    EXPECT_GE(highest, 2u);
    EXPECT_EQ(sink.Last(WM_PLAY_EVENT)->wParam, 9u);
    EXPECT_EQ(sink.Last(WM_PLAY_EVENT)->hwnd, kMain);
    EXPECT_EQ(lib->DeviceState.m_nPlayMode, 9);
    ASSERT_TRUE(sink.PumpUntil([&] { return sink.Last(WM_PLAY_POSITION)->wParam == 146; }, 2000));
    EXPECT_EQ(lib->DeviceDataStore.m_nPlayPosSec, 0u);

    // Stop while playing reports 146 with the position reached.
    Cmd(MX_CMD_PLAY_START, nullptr, 0, kPlayBar);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    lib->DeviceState.m_nPlayMode = 9;
    Cmd(MX_CMD_PLAY_STOP, nullptr, 0, kPlayBar);
    const std::size_t n146 = std::count_if(sink.seen.begin(), sink.seen.end(), [](const SeenMessage& m) {
        return m.msg == WM_PLAY_POSITION && m.wParam == 146;
    });
    ASSERT_TRUE(sink.PumpUntil(
        [&] {
            return static_cast<std::size_t>(
                       std::count_if(sink.seen.begin(), sink.seen.end(), [](const SeenMessage& m) {
                           return m.msg == WM_PLAY_POSITION && m.wParam == 146;
                       })) > n146;
        },
        3000));
}

// "D:\Recordings\Bulk\bulk_00042_AM.bin" for 42: the simulator's bulk folder.
std::u16string BulkPath(int i) {
    std::string n = std::to_string(i);
    n.insert(0, 5 - std::min<std::size_t>(5, n.size()), '0');
    std::u16string s = u"D:\\Recordings\\Bulk\\bulk_";
    for (char c : n)
        s += char16_t(c);
    return s + (i % 2 ? u"_FM.bin" : u"_AM.bin");
}

TEST_F(LinkTest, EachAnswerCarriesItsCommandsIdentityWhateverElseIsOutstanding) {
    SimProcess sim("127.0.0.2");
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(Connect("127.0.0.2"));
    const HWND kCopy = FakeHwnd(0x600);
    // A copy of 600 files: 1,200 commands, all outstanding while the first file copies.
    std::vector<std::uint32_t> fileRefs;
    const std::int32_t drive = 4;
    for (int i = 1; i <= 600; ++i) {
        std::uint32_t a = 0, b = 0;
        ASSERT_EQ(lib->MxAddCmd(MX_CMD_COPY_DRIVE, MX_RW_DEFAULT, 4, &drive, kCopy, &a), 1);
        const std::u16string path = BulkPath(i);
        ASSERT_EQ(
            lib->MxAddCmd(MX_CMD_COPY_FILE, MX_RW_DEFAULT, unsigned(path.size() * 2), path.data(), kCopy, &b),
            1);
        ASSERT_NE(a, 0u);
        ASSERT_NE(b, a);
        fileRefs.push_back(b);
    }
    FolderItemRecord rec = Folder(0x77, u"D:\\Recordings\\");
    std::uint32_t listRef = 0;
    ASSERT_EQ(lib->MxAddCmd(MX_CMD_FILE_LIST, MX_RW_DEFAULT, sizeof rec, &rec, kBrowser, &listRef), 1);
    ASSERT_TRUE(sink.PumpUntil(
        [&] { return sink.Count(WM_COPY_PROGRESS) >= 8 && sink.Count(WM_FILE_LIST_READY) >= 1; }, 20000));
    Cmd(MX_CMD_COPY_CANCEL, nullptr, 0, kCopy);
    std::vector<std::uint32_t> progressRefs;
    for (const auto& m : sink.seen) {
        if (m.msg == WM_COPY_PROGRESS && progressRefs.size() < 8) {
            EXPECT_EQ(m.hwnd, kCopy) << "progress " << m.wParam << " went elsewhere";
            progressRefs.push_back(m.ref);
        }
        if (m.msg == WM_FILE_LIST_READY) {
            EXPECT_EQ(m.hwnd, kBrowser);
            EXPECT_EQ(m.ref, listRef);
        }
    }
    const std::uint32_t a = fileRefs[0], b = fileRefs[1];
    EXPECT_EQ(progressRefs, (std::vector<std::uint32_t>{a, a, a, a, b, b, b, b}));
}

// Lines of the simulator's log naming command name.
std::size_t LoggedCount(const SimProcess& sim, const std::string& name) {
    std::size_t n = 0;
    for (const std::string& l : sim.LogLines())
        n += l.find(" " + name + " ") != std::string::npos;
    return n;
}

// A Linux system's default socket receive buffer, as an instrument keeps it.
const std::vector<std::string> kDefaultReceiveBuffer = {"--rcvbuf", "212992"};

TEST_F(LinkTest, FiveThousandDeletesAllReachAnInstrumentWithTheDefaultReceiveBuffer) {
    SimProcess sim("127.0.0.2", kDefaultReceiveBuffer);
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(Connect("127.0.0.2"));
    for (int i = 1; i <= 5000; ++i)
        CmdText(MX_CMD_FILE_DELETE, BulkPath(i), kBrowser);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while (LoggedCount(sim, "MX_CMD_FILE_DELETE") < 5000 && std::chrono::steady_clock::now() < deadline)
        sink.PumpFor(200);
    sink.PumpFor(300);
    EXPECT_EQ(LoggedCount(sim, "MX_CMD_FILE_DELETE"), 5000u);
    EXPECT_EQ(sink.Count(WM_STATUS_MESSAGE), 0u) << "a delete named a file that was gone";
}

TEST_F(LinkTest, ACopyOfAThousandFilesReportsEveryFileOnceToItsWindow) {
    std::vector<std::string> args = kDefaultReceiveBuffer;
    args.insert(args.end(), {"--copy-ms", "1"});
    SimProcess sim("127.0.0.2", args);
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(Connect("127.0.0.2"));
    const HWND kCopy = FakeHwnd(0x600);
    std::vector<std::uint32_t> fileRefs;
    const std::int32_t drive = 4;
    for (int i = 1; i <= 1000; ++i) {
        std::uint32_t ref = 0;
        CmdI32(MX_CMD_COPY_DRIVE, drive, kCopy);
        const std::u16string path = BulkPath(i);
        ASSERT_EQ(lib->MxAddCmd(MX_CMD_COPY_FILE, MX_RW_DEFAULT, unsigned(path.size() * 2), path.data(),
                                kCopy, &ref),
                  1);
        fileRefs.push_back(ref);
    }
    const auto done = [&] {
        std::size_t n = 0;
        for (const auto& m : sink.seen)
            n += m.msg == WM_COPY_PROGRESS && m.wParam == 100;
        return n;
    };
    ASSERT_TRUE(sink.PumpUntil([&] { return done() >= 1000; }, 120000)) << done() << " files reported";
    std::vector<std::uint32_t> doneRefs;
    for (const auto& m : sink.seen) {
        if (m.msg != WM_COPY_PROGRESS)
            continue;
        EXPECT_EQ(m.hwnd, kCopy);
        if (m.wParam == 100)
            doneRefs.push_back(m.ref);
    }
    EXPECT_EQ(doneRefs, fileRefs);
    EXPECT_EQ(LoggedCount(sim, "MX_CMD_COPY_FILE"), 1000u);
}

TEST_F(LinkTest, RenameCopyAndDrives) {
    SimProcess sim("127.0.0.2");
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(Connect("127.0.0.2"));
    CmdText(MX_CMD_FILE_RENAME_FROM, u"D:\\Recordings\\rec_0001_AM.bin", kBrowser);
    CmdText(MX_CMD_FILE_RENAME_TO, u"D:\\Recordings\\renamed_AM.bin", kBrowser);
    ASSERT_TRUE(WaitFor(WM_RENAME_RESULT, 1));
    EXPECT_EQ(sink.Last(WM_RENAME_RESULT)->wParam, 2u);

    CmdI32(MX_CMD_STORAGE, 1, kDialog);
    ASSERT_TRUE(WaitFor(WM_DRIVE_FOUND, 2));
    EXPECT_EQ(sink.Count(WM_DRIVE_LIST_RESET), 1u);
    EXPECT_EQ(sink.Last(WM_DRIVE_FOUND)->hwnd, kDialog);

    const HWND kCopy = FakeHwnd(0x600);
    CmdI32(MX_CMD_COPY_DRIVE, 4, kCopy);
    CmdText(MX_CMD_COPY_FILE, u"D:\\Recordings\\renamed_AM.bin", kCopy);
    ASSERT_TRUE(sink.PumpUntil(
        [&] { return sink.Last(WM_COPY_PROGRESS) && sink.Last(WM_COPY_PROGRESS)->wParam == 100; }, 5000));
    EXPECT_EQ(sink.Last(WM_COPY_PROGRESS)->hwnd, kCopy);
    EXPECT_GE(sink.Count(WM_TRANSFER_PROGRESS), 1u);
    EXPECT_EQ(lib->DeviceDataStore.m_nTransferDone, lib->DeviceDataStore.m_nTransferTotal);
    ASSERT_NE(sink.Last(WM_TRANSFER_RATE), nullptr);
    EXPECT_EQ(sink.Last(WM_TRANSFER_RATE)->wParam, 25000000u);
    FolderItemRecord e = Folder(7, u"E:\\");
    Cmd(MX_CMD_FILE_LIST, &e, sizeof e, kBrowser);
    ASSERT_TRUE(WaitFor(WM_FILE_LIST_READY, 1));
    ASSERT_EQ(lib->DeviceDataStore.m_vecFiles.size(), 1u);
    EXPECT_EQ(mxp::FromZ(lib->DeviceDataStore.m_vecFiles[0].m_szName, 100), u"renamed_AM.bin");
}

TEST_F(LinkTest, StatusTextsGoToTheNotificationWindowWhoeverAsked) {
    SimProcess sim("127.0.0.2", {"--no-external"});
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(Connect("127.0.0.2"));
    const HWND kCopy = FakeHwnd(0x600), kPanel = FakeHwnd(0x700);
    CmdText(MX_CMD_PLAY_FILE, u"D:\\Recordings\\missing.bin", kBrowser);
    CmdText(MX_CMD_FILE_DELETE, u"D:\\Recordings\\missing.bin", kBrowser);
    CmdText(MX_CMD_FILE_RENAME_FROM, u"D:\\Recordings\\missing.bin", kBrowser);
    CmdText(MX_CMD_FILE_RENAME_TO, u"D:\\Recordings\\other.bin", kBrowser);
    CmdI32(MX_CMD_COPY_DRIVE, 4, kCopy);
    CmdText(MX_CMD_COPY_FILE, u"D:\\Recordings\\rec_0001_AM.bin", kCopy);
    const std::uint32_t tooHigh = mxp::DefaultLimits(7).freqMaxHz + 1;
    Cmd(MX_CMD_ZEPHYRA_FREQ, &tooHigh, 4, kPanel);
    ASSERT_TRUE(WaitFor(WM_STATUS_MESSAGE, 5));
    sink.PumpFor(200);
    std::vector<WPARAM> codes;
    std::vector<std::pair<HWND, WPARAM>> toAskers;
    for (const auto& m : sink.seen)
        if (m.msg == WM_STATUS_MESSAGE) {
            if (m.hwnd == kMain)
                codes.push_back(m.wParam);
            else
                toAskers.emplace_back(m.hwnd, m.wParam);
        }
    // "Err:Play file", "Err:delete", "Err:rename", "Err:No Ext Drive", "Err:FFS freq param".
    EXPECT_EQ(codes, (std::vector<WPARAM>{0x1B00, 0x1B02, 0x1B0D, 0x1B0B, 0x1308}));
    // A window whose own request is still waiting hears it too: the copy (the play and
    // rename had their answers already; a delete waits for none).
    EXPECT_EQ(toAskers, (std::vector<std::pair<HWND, WPARAM>>{{kCopy, 0x1B0B}}));
    // The answers that are theirs still go to the windows that asked.
    EXPECT_EQ(sink.Last(WM_PLAY_FILE_RESULT)->hwnd, kBrowser);
    EXPECT_EQ(sink.Last(WM_RENAME_RESULT)->hwnd, kBrowser);
}

TEST_F(LinkTest, LinkLossWhenTheSimulatorFallsSilent) {
    SimProcess sim("127.0.0.2");
    ASSERT_TRUE(sim.Start());
    lib->SetLinkTimeoutMs(1000); // raised to the shortest safe timeout
    ASSERT_TRUE(Connect("127.0.0.2"));
    // When the test last saw a datagram come in: on a busy machine the keep-alives
    // run late, so the silence is timed from there, not from the signal.
    std::uint64_t rx = lib->GetLinkCounters().rxDatagrams;
    auto lastRx = std::chrono::steady_clock::now();
    const auto watchRx = [&] {
        const std::uint64_t now = lib->GetLinkCounters().rxDatagrams;
        if (now != rx) {
            rx = now;
            lastRx = std::chrono::steady_clock::now();
        }
    };
    // Keep-alives keep the link up past the timeout.
    sink.PumpUntil([&] { return watchRx(), false; }, mxp::kMinLinkTimeoutMs + 1500);
    EXPECT_EQ(sink.Last(WM_CONNECT_STATE)->wParam, 2u);
    EXPECT_EQ(lib->GetLinkCounters().linkLost, 0u);
    ASSERT_TRUE(sim.Signal(SIGUSR1)); // falls silent
    ASSERT_TRUE(sink.PumpUntil([&] { return watchRx(), sink.Last(WM_CONNECT_STATE)->wParam == 4; }, 10000));
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - lastRx)
            .count();
    // The test may see the last datagram a little after it came.
    EXPECT_GE(waited, static_cast<long long>(mxp::kMinLinkTimeoutMs - 500));
    EXPECT_EQ(sink.Last(WM_CONNECT_STATE)->hwnd, kMain);
    EXPECT_EQ(lib->GetLinkCounters().linkLost, 1u);
    // Commands queued after the loss return at once and go nowhere.
    const auto c0 = std::chrono::steady_clock::now();
    lib->MxAddCmd(MX_CMD_STATUS, MX_RW_DEFAULT, 0, nullptr, kMain);
    lib->CloseConnectedUDPThread();
    EXPECT_LT(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - c0).count(),
        500);
}

TEST_F(LinkTest, ReconnectAfterTheSimulatorRestarts) {
    auto sim = std::make_unique<SimProcess>("127.0.0.2");
    ASSERT_TRUE(sim->Start());
    lib->SetLinkTimeoutMs(mxp::kMinLinkTimeoutMs);
    ASSERT_TRUE(Connect("127.0.0.2"));
    ASSERT_TRUE(sim->Stop());
    EXPECT_EQ(sim->exitCode, 0);
    ASSERT_TRUE(sink.PumpUntil([&] { return sink.Last(WM_CONNECT_STATE)->wParam == 4; }, 10000));
    // The program's disconnect (state 4: nothing sent), then a new connection.
    lib->CreateUDP_TxSocket();
    lib->DeviceState.m_nConnectState = 0;
    lib->CloseConnectedUDPThread();
    sim = std::make_unique<SimProcess>("127.0.0.2");
    ASSERT_TRUE(sim->Start());
    sink.seen.clear();
    ASSERT_TRUE(Connect("127.0.0.2"));
    Cmd(MX_CMD_STATUS, nullptr, 0);
    ASSERT_TRUE(WaitFor(WM_STATUS_MESSAGE, 1));
    // A disconnect sent at once reaches the instrument.
    EXPECT_EQ(lib->SendCmdData(MX_CMD_DISCONNECT, MX_RW_DEFAULT, 0, nullptr), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto lines = sim->LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find(" 2 MX_CMD_DISCONNECT 1 0 -"), std::string::npos) << lines.back();
}

TEST_F(LinkTest, DisconnectGoesToThePreviousInstrument) {
    SimProcess a("127.0.0.2");
    SimProcess b("127.0.0.3");
    ASSERT_TRUE(a.Start());
    ASSERT_TRUE(b.Start());
    ASSERT_TRUE(Connect("127.0.0.2"));
    // The program writes the new address first, then ends the old link.
    lib->DeviceState.m_nDeviceIP = Addr("127.0.0.3");
    lib->CreateUDP_TxSocket();
    EXPECT_EQ(lib->SendCmdData(MX_CMD_DISCONNECT, MX_RW_DEFAULT, 0, nullptr), 1);
    lib->CloseConnectedUDPThread();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto la = a.LogLines();
    ASSERT_FALSE(la.empty());
    EXPECT_NE(la.back().find("MX_CMD_DISCONNECT"), std::string::npos);
    EXPECT_TRUE(b.LogLines().empty());
}

TEST_F(LinkTest, MalformedAndForeignDatagramsAreDroppedWithoutEffect) {
    SimProcess sim("127.0.0.2", {"--status", "5"});
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(Connect("127.0.0.2"));
    Cmd(MX_CMD_STATUS, nullptr, 0);
    ASSERT_TRUE(WaitFor(WM_STATUS_MESSAGE, 1));
    const MxLinkCounters c0 = lib->GetLinkCounters();
    const std::size_t seen0 = sink.seen.size();
    ASSERT_TRUE(sim.Signal(SIGUSR2)); // malformed and foreign datagrams
    sink.PumpFor(500);
    Cmd(MX_CMD_STATUS, nullptr, 0);
    ASSERT_TRUE(WaitFor(WM_STATUS_MESSAGE, 2));
    sink.PumpFor(200);
    // Nothing but the real answer arrived.
    std::vector<UINT> after;
    for (std::size_t i = seen0; i < sink.seen.size(); ++i)
        after.push_back(sink.seen[i].msg);
    EXPECT_EQ(after, std::vector<UINT>{WM_STATUS_MESSAGE});
    EXPECT_EQ(sink.Last(WM_STATUS_MESSAGE)->wParam, 5u);
    EXPECT_EQ(lib->DeviceDataStore.m_vecFiles.size(), 0u);
    const MxLinkCounters c = lib->GetLinkCounters();
    EXPECT_GE(c.dropBadMagic - c0.dropBadMagic, 3u);
    EXPECT_GE(c.dropTruncated - c0.dropTruncated, 2u);
    EXPECT_GE(c.dropOversized - c0.dropOversized, 2u);
    EXPECT_GE(c.dropReassembly - c0.dropReassembly, 1u);
    EXPECT_GE(c.dropMalformed - c0.dropMalformed, 6u + 7u); // 7 undefined connect states
    EXPECT_GE(c.dropUnexpected - c0.dropUnexpected, 3u);
    EXPECT_GE(c.dropForeign - c0.dropForeign, 1u);
    EXPECT_EQ(lib->DeviceState.m_nConnectState, 2);
    std::printf(
        "dropped: magic/version/flags %llu, truncated %llu, oversized %llu, reassembly %llu, malformed %llu, "
        "unexpected %llu, foreign %llu\n",
        (unsigned long long)(c.dropBadMagic - c0.dropBadMagic),
        (unsigned long long)(c.dropTruncated - c0.dropTruncated),
        (unsigned long long)(c.dropOversized - c0.dropOversized),
        (unsigned long long)(c.dropReassembly - c0.dropReassembly),
        (unsigned long long)(c.dropMalformed - c0.dropMalformed),
        (unsigned long long)(c.dropUnexpected - c0.dropUnexpected),
        (unsigned long long)(c.dropForeign - c0.dropForeign));

    // The link goes on: keep-alives keep it up, and its loss is still seen.
    sink.PumpFor(static_cast<int>(mxp::kDefaultLinkTimeoutMs) + 500);
    EXPECT_EQ(lib->GetLinkCounters().linkLost, 0u);
    ASSERT_TRUE(sim.Signal(SIGUSR1));
    ASSERT_TRUE(sink.PumpUntil([&] { return sink.Count(WM_CONNECT_STATE) == 2; }, 10000));
    EXPECT_EQ(sink.Last(WM_CONNECT_STATE)->wParam, static_cast<WPARAM>(MX_CONNECT_LOST));
}

TEST_F(LinkTest, WithoutASinkDeliveriesAreDroppedSafely) {
    SimProcess sim("127.0.0.2");
    ASSERT_TRUE(sim.Start());
    lib->SetPostSink(nullptr);
    ASSERT_TRUE(lib->BeginBroadCastRxThread());
    lib->MxSendtoBroadCast(MX_CMD_DISCOVER, MX_RW_BROADCAST, 0, nullptr, kDialog);
    for (int i = 0; i < 100 && lib->GetLinkCounters().rxAccepted == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    lib->CloseBroadCastRxThread();
    EXPECT_EQ(lib->GetLinkCounters().rxAccepted, 1u);
    EXPECT_EQ(sink.posted, 0u);
}

} // namespace
