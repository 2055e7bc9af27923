// marlix-sim on its own: clean stop, the exact log format, storage.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <regex>
#include <thread>

#include "LinkTestSupport.h"
#include "marlixmfc/MxProtocol.h"
#include "sim/MarlixSim.h"
#include "sim/SimStorage.h"

namespace {

// A bare UDP client standing for the library.
class RawClient {
public:
    RawClient() {
        fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = Addr("127.0.0.1");
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    ~RawClient() { ::close(fd); }
    void Send(const char* to, std::uint16_t id, std::uint16_t sel, const std::vector<std::uint8_t>& p) {
        for (const auto& d : mxp::EncodeMessage(0, id, sel, seq++, 0, p.data(), p.size()))
            SendRaw(to, d);
    }
    void SendRaw(const char* to, const std::vector<std::uint8_t>& d) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = Addr(to);
        a.sin_port = htons(TestPort());
        ::sendto(fd, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    // Next datagram's header id, or -1 after ms.
    int Receive(int ms, std::vector<std::uint8_t>* payload = nullptr) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, ms) <= 0)
            return -1;
        std::vector<std::uint8_t> buf(2000);
        const ssize_t n = ::recv(fd, buf.data(), buf.size(), 0);
        mxp::Datagram d;
        if (n < 0 ||
            mxp::DecodeDatagram(buf.data(), static_cast<std::size_t>(n), d) != mxp::DecodeError::None)
            return -2;
        if (payload)
            payload->assign(d.payload, d.payload + d.size);
        return d.h.id;
    }
    int fd;
    std::uint32_t seq = 1;
};

TEST(SimTest, StopsCleanlyOnSigintAndSigterm) {
    for (int sig : {SIGINT, SIGTERM}) {
        SimProcess sim("127.0.0.2");
        ASSERT_TRUE(sim.Start());
        ASSERT_TRUE(sim.Signal(sig));
        ASSERT_TRUE(sim.Wait(3000)) << sig;
        EXPECT_EQ(sim.exitCode, 0) << sig;
    }
}

TEST(SimTest, LogsEveryCommandInTheExactFormat) {
    SimProcess sim("127.0.0.2");
    ASSERT_TRUE(sim.Start());
    RawClient c;
    c.Send("127.0.0.2", MX_CMD_CONNECT, MX_RW_DEFAULT, {0, 0});
    EXPECT_EQ(c.Receive(2000), mxp::EV_CONNECT_STATE);
    c.Send("127.0.0.2", MX_CMD_STATUS, MX_RW_DEFAULT, {});
    EXPECT_EQ(c.Receive(2000), mxp::EV_STATUS);
    c.Send("127.0.0.2", MX_CMD_TEXT_COMMAND, MX_RW_DEFAULT, mxp::EncodeText(u"debugmarlix 1"));
    c.Send("127.0.0.2", 0x03, MX_RW_DEFAULT, {0xAB});
    c.Send("127.0.0.2", mxp::LINK_KEEPALIVE, MX_RW_DEFAULT, {});
    EXPECT_EQ(c.Receive(2000), mxp::EV_KEEPALIVE);
    c.SendRaw("127.0.0.2", {1, 2, 3}); // not a datagram of ours: not a command
    c.Send("127.0.0.2", MX_CMD_MODULE_CAL, MX_RW_CAL_DOC_GET, {});
    std::vector<std::uint8_t> p;
    EXPECT_EQ(c.Receive(2000, &p), mxp::EV_CAL_VALUE);
    EXPECT_EQ(p, mxp::EncodeU32s({2, 0}));
    ASSERT_TRUE(sim.Stop());
    const auto lines = sim.LogLines();
    ASSERT_EQ(lines.size(), 5u);
    const std::regex ms(R"(^\d+ )");
    std::vector<std::string> rest;
    for (const auto& l : lines) {
        EXPECT_TRUE(std::regex_search(l, ms)) << l;
        rest.push_back(l.substr(l.find(' ') + 1));
    }
    EXPECT_EQ(rest[0], "1 MX_CMD_CONNECT 1 2 0000");
    EXPECT_EQ(rest[1], "23 MX_CMD_STATUS 1 0 -");
    EXPECT_EQ(rest[2], "114 MX_CMD_TEXT_COMMAND 1 26 640065006200750067006d00610072006c006900780020003100");
    EXPECT_EQ(rest[3], "3 MX_CMD_UNKNOWN 1 1 ab");
    EXPECT_EQ(rest[4], "115 MX_CMD_MODULE_CAL 173 0 -");
    // Times are in arrival order.
    long long prev = -1;
    for (const auto& l : lines) {
        const long long t = std::stoll(l);
        EXPECT_GE(t, prev);
        prev = t;
    }
}

// What the System page and the calibration dialog rely on: drives found on
// external storage and on a rescan, the "none" answer, calibration values kept.
TEST(SimTest, DrivesAndCalibrationValues) {
    auto events = [](RawClient& c) {
        std::vector<std::pair<int, std::uint32_t>> out;
        std::vector<std::uint8_t> p;
        for (int id; (id = c.Receive(300, &p)) >= 0;)
            out.emplace_back(id,
                             p.size() >= 4 ? std::uint32_t(p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24) : 0u);
        return out;
    };
    using E = std::vector<std::pair<int, std::uint32_t>>;
    const int reset = mxp::EV_DRIVE_LIST_RESET, found = mxp::EV_DRIVE_FOUND;
    {
        SimProcess sim("127.0.0.2");
        ASSERT_TRUE(sim.Start());
        RawClient c;
        c.Send("127.0.0.2", MX_CMD_CONNECT, MX_RW_DEFAULT, {0, 0});
        EXPECT_EQ(c.Receive(2000), mxp::EV_CONNECT_STATE);
        c.Send("127.0.0.2", MX_CMD_RESCAN_DISK, MX_RW_DEFAULT, {});
        EXPECT_EQ(events(c), (E{{reset, 0}, {found, 25}})); // internal storage: no external drive
        c.Send("127.0.0.2", MX_CMD_STORAGE, MX_RW_DEFAULT, mxp::EncodeU32s({1}));
        EXPECT_EQ(events(c), (E{{reset, 0}, {found, 4}, {found, 5}}));
        c.Send("127.0.0.2", MX_CMD_RESCAN_DISK, MX_RW_DEFAULT, {});
        EXPECT_EQ(events(c), (E{{reset, 0}, {found, 4}, {found, 5}}));

        const std::int32_t minus25 = -25;
        std::vector<std::uint8_t> v(4);
        std::memcpy(v.data(), &minus25, 4);
        c.Send("127.0.0.2", MX_CMD_MODULE_CAL, MX_RW_CAL_ATT_SET, v);
        c.Send("127.0.0.2", MX_CMD_MODULE_CAL, MX_RW_CAL_ATT_GET, {});
        std::vector<std::uint8_t> p;
        EXPECT_EQ(c.Receive(2000, &p), mxp::EV_CAL_VALUE);
        EXPECT_EQ(p, mxp::EncodeU32s({1, std::uint32_t(minus25)}));
        c.Send("127.0.0.2", MX_CMD_MODULE_CAL, MX_RW_CAL_UPC_GET, {});
        EXPECT_EQ(c.Receive(2000, &p), mxp::EV_CAL_VALUE);
        EXPECT_EQ(p, mxp::EncodeU32s({0, 0}));
    }
    {
        SimProcess sim("127.0.0.2", {"--no-external"});
        ASSERT_TRUE(sim.Start());
        RawClient c;
        c.Send("127.0.0.2", MX_CMD_CONNECT, MX_RW_DEFAULT, {0, 0});
        EXPECT_EQ(c.Receive(2000), mxp::EV_CONNECT_STATE);
        c.Send("127.0.0.2", MX_CMD_STORAGE, MX_RW_DEFAULT, mxp::EncodeU32s({1}));
        EXPECT_EQ(events(c), (E{{found, 25}}));
    }
}

TEST(SimTest, OutputSettingsOutsideTheReportedLimitsAreRefused) {
    SimOptions opt;
    opt.bind = "127.0.0.4";
    opt.port = TestPort();
    CMarlixSim sim(opt);
    ASSERT_TRUE(sim.Open());
    RawClient c;
    // Sends one command and returns the status code answered to it, or -1 for none.
    auto statusFor = [&](std::uint16_t id, const std::vector<std::uint8_t>& payload) -> long long {
        c.Send("127.0.0.4", id, MX_RW_DEFAULT, payload);
        sim.Poll(200);
        std::vector<std::uint8_t> p;
        const int got = c.Receive(100, &p);
        if (got != mxp::EV_STATUS)
            return -1;
        std::uint32_t code = 0;
        return mxp::DecodeU32s(p.data(), p.size(), &code, 1) ? code : -2;
    };
    auto u16 = [](std::int16_t v) {
        return std::vector<std::uint8_t>{static_cast<std::uint8_t>(v & 0xFF),
                                         static_cast<std::uint8_t>((v >> 8) & 0xFF)};
    };
    auto f64 = [](double v) {
        std::vector<std::uint8_t> b(8);
        std::memcpy(b.data(), &v, 8);
        return b;
    };
    c.Send("127.0.0.4", MX_CMD_CONNECT, MX_RW_DEFAULT, {0, 0});
    sim.Poll(200);
    ASSERT_EQ(c.Receive(500), mxp::EV_CONNECT_STATE);

    const mxp::Limits l = mxp::DefaultLimits(MX2_SYSTEM_MODE_ZEPHYRA);
    EXPECT_EQ(statusFor(MX_CMD_ZEPHYRA_FREQ, mxp::EncodeU32s({98100000u})), -1);
    EXPECT_EQ(statusFor(MX_CMD_ZEPHYRA_POWER, u16(-300)), -1);
    EXPECT_EQ(statusFor(MX_CMD_SAMPLE_CLOCK, f64(744187.5)), -1);
    for (std::uint32_t hz : {0u, l.freqMinHz - 1, l.freqMaxHz + 1, 0xFFFFFFFFu}) {
        EXPECT_EQ(statusFor(MX_CMD_ZEPHYRA_FREQ, mxp::EncodeU32s({hz})), 0x1308) << hz;
        EXPECT_EQ(sim.OutputFrequencyHz(), 98100000u) << hz;
    }
    for (int level : {-1000, l.levelMin - 1, l.levelMax + 1, 350, -32768, 32767}) {
        EXPECT_EQ(statusFor(MX_CMD_ZEPHYRA_POWER, u16(static_cast<std::int16_t>(level))), 0x1901) << level;
        EXPECT_EQ(sim.OutputLevel(), -300) << level;
    }
    for (double clock : {0.0, -46511.71875, std::nan(""), HUGE_VAL, 2e9}) {
        EXPECT_EQ(statusFor(MX_CMD_SAMPLE_CLOCK, f64(clock)), 0x1E04) << clock;
        EXPECT_EQ(sim.SampleClockKHz(), 744187.5) << clock;
    }
    // The limits themselves are inside.
    EXPECT_EQ(statusFor(MX_CMD_ZEPHYRA_FREQ, mxp::EncodeU32s({l.freqMaxHz})), -1);
    EXPECT_EQ(sim.OutputFrequencyHz(), l.freqMaxHz);
    EXPECT_EQ(statusFor(MX_CMD_ZEPHYRA_POWER, u16(static_cast<std::int16_t>(l.levelMin))), -1);
    EXPECT_EQ(sim.OutputLevel(), l.levelMin);
    EXPECT_EQ(statusFor(MX_CMD_ZEPHYRA_POWER, u16(static_cast<std::int16_t>(l.levelMax))), -1);
    EXPECT_EQ(sim.OutputLevel(), l.levelMax);
}

// A long run tells lost blocks from the count of blocks sent: one silent
// stretch sends nothing and counts nothing.
TEST(SimTest, CountsOnlyTheBlocksItSent) {
    SimOptions opt;
    opt.bind = "127.0.0.4";
    opt.port = TestPort();
    opt.spectrumPoints = 16;
    CMarlixSim sim(opt);
    ASSERT_TRUE(sim.Open());
    RawClient c;
    auto heardFor = [&](int ms) {
        std::uint64_t blocks = 0;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < until) {
            sim.Poll(10);
            for (int id; (id = c.Receive(0)) != -1;)
                blocks += id == mxp::EV_MEASURE;
        }
        return blocks;
    };
    c.Send("127.0.0.4", MX_CMD_CONNECT, MX_RW_DEFAULT, {0, 0});
    c.Send("127.0.0.4", MX_CMD_UPDATE_SPEED, MX_RW_DEFAULT, mxp::EncodeU32s({0}));
    c.Send("127.0.0.4", MX_CMD_PLAY_FILE, MX_RW_DEFAULT,
           mxp::EncodeText(u"D:\\Vectors\\FM\\IB_FM_e1_CW_dc.bin"));
    c.Send("127.0.0.4", MX_CMD_PLAY_START, MX_RW_DEFAULT, {});
    const std::uint64_t first = heardFor(600);
    EXPECT_GT(first, 5u);
    EXPECT_EQ(sim.BlocksSent(), first);
    sim.SetSilent(true);
    EXPECT_EQ(heardFor(300), 0u);
    EXPECT_EQ(sim.BlocksSent(), first);
    sim.SetSilent(false);
    const std::uint64_t second = heardFor(400);
    EXPECT_GT(second, 2u);
    EXPECT_EQ(sim.BlocksSent(), first + second);
}

TEST(SimTest, TwoSimulatorsShareAPortOnDifferentAddresses) {
    SimProcess a("127.0.0.2"), b("127.0.0.3");
    ASSERT_TRUE(a.Start());
    ASSERT_TRUE(b.Start());
    SimProcess clash("127.0.0.2");
    EXPECT_FALSE(clash.Start()); // the address is taken: it fails instead of sharing
}

TEST(SimStorageTest, CatalogFilesWithClocksTimesAndSizes) {
    SimStorage s(true);
    EXPECT_EQ(s.Roots(false), (std::vector<std::u16string>{u"C:\\", u"D:\\"}));
    EXPECT_EQ(s.Roots(true).size(), 4u);
    EXPECT_EQ(s.Folders(u"D:\\"), (std::vector<std::u16string>{u"Vectors", u"Recordings"}));
    EXPECT_EQ(s.Folders(u"D:\\Vectors\\"), (std::vector<std::u16string>{u"AM", u"FM", u"Other"}));
    EXPECT_EQ(s.Folders(u"D:\\Recordings\\"), std::vector<std::u16string>{u"Bulk"});
    EXPECT_EQ(s.FileCount(), 747u + 2u + SimStorage::kBulkFiles);
    ASSERT_NE(s.Files(u"D:\\Recordings\\Bulk\\"), nullptr);
    EXPECT_EQ(s.Files(u"D:\\Recordings\\Bulk\\")->size(), SimStorage::kBulkFiles);
    EXPECT_NE(s.Find(u"D:\\Recordings\\Bulk\\bulk_05000_AM.bin"), nullptr);
    const SimFile* f = s.Find(u"D:\\Recordings\\rec_short_FM.bin");
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->fm);
    EXPECT_EQ(f->timeSec, 3u);
    EXPECT_EQ(f->size, static_cast<std::uint64_t>(3 * 744187.5 + 0.5));
    EXPECT_TRUE(s.Rename(u"D:\\Recordings\\rec_0001_AM.bin", u"D:\\Recordings\\x_AM.bin"));
    EXPECT_FALSE(s.Rename(u"D:\\Recordings\\x_AM.bin", u"D:\\Recordings\\rec_short_FM.bin"));
    EXPECT_TRUE(s.CopyToDrive(u"D:\\Recordings\\x_AM.bin", 4));
    ASSERT_NE(s.Files(u"E:\\"), nullptr);
    EXPECT_EQ(s.Files(u"E:\\")->size(), 1u);
    EXPECT_FALSE(s.CopyToDrive(u"D:\\Recordings\\x_AM.bin", 7));
    EXPECT_TRUE(s.Delete(u"D:\\Recordings\\x_AM.bin"));
    EXPECT_EQ(s.Find(u"D:\\Recordings\\x_AM.bin"), nullptr);
    EXPECT_FALSE(SimStorage(false).HasDrive(4));
}

TEST(SimStorageTest, OnlyPathsOfTheDocumentedFormatAreFound) {
    SimStorage s(true);
    // Folders: a drive, then each name with one backslash after it.
    for (const char16_t* bad : {u"D:\\\\", u"D:", u"D:\\Vectors", u"D:\\\\Vectors\\", u"D:\\Vectors\\\\",
                                u"D:\\Vectors\\..\\Vectors\\", u"D:/Vectors/", u"d:\\", u"\\"}) {
        EXPECT_EQ(s.Files(bad), nullptr);
        EXPECT_TRUE(s.Folders(bad).empty());
    }
    EXPECT_NE(s.Files(u"D:\\"), nullptr);
    // Files: the folder's path followed by the name.
    ASSERT_TRUE(s.CopyToDrive(u"D:\\Recordings\\rec_0001_AM.bin", 2));
    EXPECT_NE(s.Find(u"C:\\rec_0001_AM.bin"), nullptr);
    for (const char16_t* bad :
         {u"C:\\\\rec_0001_AM.bin", u"D:\\Recordings\\\\rec_0001_AM.bin", u"D:\\Recordings/rec_0001_AM.bin",
          u"D:\\Vectors\\..\\Recordings\\rec_0001_AM.bin", u"D:Recordings\\rec_0001_AM.bin"})
        EXPECT_EQ(s.Find(bad), nullptr);
    EXPECT_FALSE(s.Delete(u"C:\\\\rec_0001_AM.bin"));
    EXPECT_FALSE(s.Rename(u"C:\\\\rec_0001_AM.bin", u"C:\\\\x.bin"));
    EXPECT_FALSE(s.Rename(u"C:\\rec_0001_AM.bin", u"C:\\..\\x.bin"));
    EXPECT_FALSE(s.CopyToDrive(u"C:\\\\rec_0001_AM.bin", 4));
}

} // namespace
