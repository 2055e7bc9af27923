// The measurement road end to end: marlix-sim plays a test vector, the library
// reassembles each block and computes its spectrum, the test thread stands for
// the GUI thread and reads DeviceDataStore when WM_MEASURE_DATA arrives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "LinkTestSupport.h"
#include "marlixmfc/MxProtocol.h"

namespace {

const HWND kMain = FakeHwnd(0x100);
const HWND kBrowser = FakeHwnd(0x300);
const HWND kPlayBar = FakeHwnd(0x400);
constexpr const char* kSimAddr = "127.0.0.41";
constexpr double kFmClock = 744187.5, kAmClock = 46511.71875;
// 50 ohm: 0 dBm = 46.99 dBmV = 106.99 dBuV.
constexpr double kDbmV = 46.9897, kDbuV = 106.9897;

double ToDb(double mw) {
    return 10.0 * std::log10(mw);
}
double ToMw(double db) {
    return std::pow(10.0, db / 10.0);
}

struct Block {
    WPARAM wParam = 0;
    int points = 0;
    std::vector<double> spectrum;
    std::uint32_t positionSec = 0;
    int playMode = 0;
    std::int16_t firstI = 0;
};

class MeasureTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseLoopback(kSimAddr);
        lib = std::make_unique<CMarlixMFC>();
        lib->m_hNotifyWnd = kMain;
        lib->SetPostSink(&sink);
    }
    void TearDown() override {
        lib->CloseConnectedUDPThread();
        sink.PumpFor(0);
        lib.reset();
    }

    bool Start(std::vector<std::string> args = {}) {
        sim = std::make_unique<SimProcess>(kSimAddr, std::move(args));
        if (!sim->Start())
            return false;
        lib->DeviceState.m_nDeviceIP = Addr(kSimAddr);
        lib->BeginConnectedUDPThread();
        const std::uint16_t param = 0;
        lib->MxAddCmd(MX_CMD_CONNECT, MX_RW_DEFAULT, 2, &param, kMain);
        return sink.PumpUntil(
            [&] {
                const SeenMessage* m = sink.Last(WM_CONNECT_STATE);
                return m && m->wParam == 2;
            },
            10000);
    }
    void CmdI32(MX_CMD_ID_e id, std::int32_t v) {
        ASSERT_EQ(lib->MxAddCmd(id, MX_RW_DEFAULT, 4, &v, kMain), 1);
    }
    void SetGain(std::int16_t tenths) {
        lib->DeviceState.m_sZephyraPower = tenths;
        ASSERT_EQ(lib->MxAddCmd(MX_CMD_ZEPHYRA_POWER, MX_RW_DEFAULT, 2, &tenths, kMain), 1);
    }

    // The file's power from the instrument's file list, as the program reads it (tenths of dBm).
    int FilePower(const std::u16string& folder, const std::u16string& name) {
        FolderItemRecord req{};
        mxp::CopyZ(req.m_szPath, 260, folder);
        const std::size_t before = sink.Count(WM_FILE_LIST_READY);
        EXPECT_EQ(lib->MxAddCmd(MX_CMD_FILE_LIST, MX_RW_DEFAULT, sizeof req, &req, kBrowser), 1);
        EXPECT_TRUE(sink.PumpUntil([&] { return sink.Count(WM_FILE_LIST_READY) > before; }, 10000));
        for (const FileInfoRecord& f : lib->DeviceDataStore.m_vecFiles)
            if (mxp::FromZ(f.m_szName, 100) == name)
                return f.m_nPower;
        ADD_FAILURE() << "no such file";
        return 0;
    }

    // Plays a file at a gain; returns the output level in dBm (gain plus the file's power).
    double Play(const std::u16string& folder, const std::u16string& name, std::int16_t gainTenths) {
        const int power = FilePower(folder, name);
        CmdI32(MX_CMD_UPDATE_SPEED, 0);
        SetGain(gainTenths);
        const std::u16string path = folder + name;
        const std::size_t before = sink.Count(WM_PLAY_FILE_RESULT);
        EXPECT_EQ(lib->MxAddCmd(MX_CMD_PLAY_FILE, MX_RW_DEFAULT, static_cast<unsigned>(path.size() * 2),
                                path.data(), kBrowser),
                  1);
        EXPECT_TRUE(sink.PumpUntil([&] { return sink.Count(WM_PLAY_FILE_RESULT) > before; }, 10000));
        EXPECT_EQ(sink.Last(WM_PLAY_FILE_RESULT)->wParam, 2u);
        EXPECT_EQ(lib->MxAddCmd(MX_CMD_PLAY_START, MX_RW_DEFAULT, 0, nullptr, kPlayBar), 1);
        return gainTenths / 10.0 + power / 10.0;
    }

    // The next count measurement blocks as the GUI thread sees them.
    std::vector<Block> Blocks(std::size_t count, int timeoutMs = 30000) {
        std::vector<Block> got;
        sink.PumpUntil([&] { return got.size() >= count; }, timeoutMs,
                       [&](const SeenMessage& m) {
                           if (m.msg != WM_MEASURE_DATA || got.size() >= count)
                               return;
                           Block b;
                           b.wParam = m.wParam;
                           b.points = lib->DeviceState.m_nSpectrumPoints;
                           if (m.wParam != 1)
                               b.spectrum.assign(lib->DeviceDataStore.m_adSpectrum,
                                                 lib->DeviceDataStore.m_adSpectrum + b.points);
                           b.positionSec = lib->DeviceDataStore.m_nPlayPosSec;
                           b.playMode = lib->DeviceState.m_nPlayMode;
                           b.firstI = lib->DeviceDataStore.m_asISamples[0];
                           got.push_back(std::move(b));
                       });
        EXPECT_EQ(got.size(), count) << "measurement blocks did not arrive";
        return got;
    }

    // Blocks computed before a setting changed may still be on their way.
    void SkipInFlight() { Blocks(5); }

    static int Peak(const Block& b) {
        return static_cast<int>(std::max_element(b.spectrum.begin(), b.spectrum.end()) - b.spectrum.begin());
    }
    static int BinOf(double offsetHz, double clock, int n) {
        return n / 2 + static_cast<int>(std::lround(offsetHz / (clock / n)));
    }

    QueueSink sink;
    std::unique_ptr<CMarlixMFC> lib;
    std::unique_ptr<SimProcess> sim;
};

struct CwCase {
    const char16_t* folder;
    const char16_t* name;
    std::vector<double> offsetsHz; // equal carriers sharing the output level
    double clock;
    std::int16_t gainTenths;
};

TEST_F(MeasureTest, CarrierShowsAtItsBinAndLevelInEveryUnit) {
    const CwCase cases[] = {
        {u"D:\\Vectors\\FM\\", u"IB_FM_e1_CW_p100.bin", {100000.0}, kFmClock, -50},
        {u"D:\\Vectors\\FM\\", u"IB_FMr001_e1_cw_0_m200.bin", {0.0, -200000.0}, kFmClock, 100},
        {u"D:\\Vectors\\AM\\", u"IB_AM_e1_CW_m5.bin", {-5000.0}, kAmClock, -437},
    };
    ASSERT_TRUE(Start());
    for (const CwCase& c : cases) {
        SCOPED_TRACE(mxp::ToUtf8(c.name));
        lib->DeviceState.m_dSampleClockKHz = c.clock;
        lib->SetPowerUnitdBType(POWER_UNIT_DBM);
        const double level = Play(c.folder, c.name, c.gainTenths);
        SkipInFlight();
        const struct {
            Power_Unit_dB_e unit;
            double offset;
        } units[] = {{POWER_UNIT_DBM, 0.0}, {POWER_UNIT_DBMV, kDbmV}, {POWER_UNIT_DBUV, kDbuV}};
        for (const auto& u : units) {
            SCOPED_TRACE(static_cast<int>(u.unit));
            lib->SetPowerUnitdBType(u.unit);
            SkipInFlight();
            const double each = level - ToDb(static_cast<double>(c.offsetsHz.size()));
            for (const Block& b : Blocks(3)) {
                ASSERT_EQ(b.wParam, 0u);
                ASSERT_EQ(b.points, 8192);
                EXPECT_EQ(b.playMode, 5);
                EXPECT_NEAR(b.spectrum[Peak(b)], each + u.offset, 0.5);
                for (double f : c.offsetsHz) {
                    // Each carrier is the highest bin of its neighbourhood, at its share of the level.
                    const int want = BinOf(f, c.clock, b.points);
                    const int near = static_cast<int>(
                        std::max_element(b.spectrum.begin() + want - 20, b.spectrum.begin() + want + 21) -
                        b.spectrum.begin());
                    EXPECT_NEAR(near, want, 1) << f;
                    EXPECT_NEAR(b.spectrum[near], each + u.offset, 0.5) << f;
                }
            }
        }
    }
}

TEST_F(MeasureTest, InversionMirrorsTheCarrierOnce) {
    // Instrument inversion, the library's inversion, side of the +100 kHz carrier shown.
    const struct {
        int instrument, library, side;
    } cases[] = {{0, 0, +1}, {1, 0, -1}, {0, 1, -1}, {1, 1, -1}};
    ASSERT_TRUE(Start());
    lib->DeviceState.m_dSampleClockKHz = kFmClock;
    Play(u"D:\\Vectors\\FM\\", u"IB_FM_e1_CW_p100.bin", 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.instrument << c.library);
        CmdI32(MX_CMD_SPECTRAL_INV, c.instrument);
        lib->SetSpectralInv(static_cast<_MxSpectralInv_e>(c.library));
        SkipInFlight();
        const Block b = Blocks(1).at(0);
        EXPECT_NEAR(Peak(b), BinOf(c.side * 100000.0, kFmClock, b.points), 1);
    }
}

TEST_F(MeasureTest, WhiteNoiseIntegratesToItsTotalPower) {
    const struct {
        const char16_t* folder;
        const char16_t* name;
        double clock;
    } cases[] = {{u"D:\\Vectors\\FM\\", u"IB_FM_e1_awgn.bin", kFmClock},
                 {u"D:\\Vectors\\AM\\", u"IB_AM_e1_awgn.bin", kAmClock}};
    ASSERT_TRUE(Start());
    for (const auto& c : cases) {
        SCOPED_TRACE(mxp::ToUtf8(c.name));
        lib->DeviceState.m_dSampleClockKHz = c.clock;
        const double level = Play(c.folder, c.name, -300);
        SkipInFlight();
        for (const Block& b : Blocks(3)) {
            lib->DeviceState.m_nSpectrumPoints = b.points;
            std::copy(b.spectrum.begin(), b.spectrum.end(), lib->DeviceDataStore.m_adSpectrum);
            EXPECT_NEAR(lib->CalcuBandPower(0, b.points - 1), level, 0.5);
            // The shown part, centre +-0.4 span, holds 80 % of flat noise.
            lib->CalcuExcludeCnt(c.clock, 0.2 * c.clock);
            const int e = lib->GetExcludeCnt();
            EXPECT_NEAR(lib->CalcuBandPower(e / 2, b.points - (e - e / 2) - 1), level + ToDb(0.8), 0.5);
        }
    }
}

TEST_F(MeasureTest, AveragingFollowsALevelStepAsAnExponentialAverage) {
    ASSERT_TRUE(Start());
    lib->DeviceState.m_dSampleClockKHz = kFmClock;
    const int bin = BinOf(100000.0, kFmClock, 8192);
    Play(u"D:\\Vectors\\FM\\", u"IB_FM_e1_CW_p100.bin", 0);
    for (int count : {1, 4, 10}) {
        SCOPED_TRACE(count);
        SetGain(0);
        SkipInFlight();
        lib->SetAverageType(count > 1 ? MX_AVERAGE_EXPONENTIAL : MX_AVERAGE_OFF, count);
        // Settled: three blocks in a row agree.
        double last = 0.0;
        int steady = 0;
        for (int k = 0; k < 200 && steady < 3; ++k) {
            const double v = Blocks(1).at(0).spectrum.at(bin);
            steady = std::fabs(v - last) < 0.01 ? steady + 1 : 0;
            last = v;
        }
        ASSERT_EQ(steady, 3) << "the level did not settle";
        Blocks(static_cast<std::size_t>(count) + 2); // a running mean until count blocks are in
        const double p1 = ToMw(last), p2 = p1 / 100.0;
        SetGain(-200);
        const std::vector<Block> seen = Blocks(static_cast<std::size_t>(3 * count + 12));
        // The first block made at the new level leaves the old one.
        std::size_t first = seen.size();
        for (std::size_t k = 0; k < seen.size(); ++k)
            if (std::fabs(seen[k].spectrum.at(bin) - last) > 0.05) {
                first = k;
                break;
            }
        ASSERT_LT(first + 2 * count + 2, seen.size()) << "the step did not show";
        for (std::size_t k = first; k < first + 2 * count + 2; ++k) {
            const double want =
                p2 + (p1 - p2) * std::pow(1.0 - 1.0 / count, static_cast<double>(k - first + 1));
            EXPECT_NEAR(seen[k].spectrum[bin], ToDb(want), 0.2) << "block " << k - first;
        }
    }
}

TEST_F(MeasureTest, NoBlocksWithoutPlayAndIqOnlyForAnOddPointCount) {
    ASSERT_TRUE(Start({"--points", "1001"}));
    CmdI32(MX_CMD_UPDATE_SPEED, 0);
    sink.PumpFor(600);
    EXPECT_EQ(sink.Count(WM_MEASURE_DATA), 0u);

    lib->DeviceState.m_dSampleClockKHz = kFmClock;
    Play(u"D:\\Vectors\\FM\\", u"IB_FM_e1_CW_p100.bin", 0);
    // A spectrum needs an even count: such blocks come as I and Q samples only.
    for (const Block& b : Blocks(3)) {
        EXPECT_EQ(b.wParam, 1u);
        EXPECT_EQ(b.points, 1001);
        EXPECT_EQ(b.playMode, 5);
    }
    ASSERT_EQ(lib->MxAddCmd(MX_CMD_PLAY_STOP, MX_RW_DEFAULT, 0, nullptr, kPlayBar), 1);
    ASSERT_TRUE(sink.PumpUntil(
        [&] {
            const SeenMessage* m = sink.Last(WM_PLAY_POSITION);
            return m && m->wParam == 146;
        },
        10000));
    const std::size_t stopped = sink.Count(WM_MEASURE_DATA);
    sink.PumpFor(600);
    EXPECT_EQ(sink.Count(WM_MEASURE_DATA), stopped);
    EXPECT_EQ(lib->GetLinkCounters().dropMalformed, 0u);
}

} // namespace
