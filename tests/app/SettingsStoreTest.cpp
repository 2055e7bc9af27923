// The settings store: profile value names, device defaults, graph colours and the
// per-instrument output frequency and level.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/MarlixExApp.h"
#include "app/SettingKeyTable.h"
#include "platform/Profile.h"

namespace {

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Profile::SetStorageFolder(dir.path());
        saved = g_Marlix.DeviceState;
        theApp.m_pDeviceState = &g_Marlix.DeviceState;
        g_Marlix.DeviceState.m_strProfileSection = u"Marlix_127.0.0.9";
    }
    void TearDown() override {
        static_cast<DeviceSettings&>(g_Marlix.DeviceState) = saved;
        static_cast<DeviceStateTail&>(g_Marlix.DeviceState) = saved;
        theApp.m_pDeviceState = nullptr;
        Profile::SetStorageFolder(QString());
    }
    QTemporaryDir dir;
    DeviceState saved;
};

TEST(SettingKeys, RowsCarryTheirIndexAndName) {
    for (int i = 0; i < kSettingKeyCount; ++i)
        EXPECT_EQ(SettingKeyTable[i].m_nId, i);
    EXPECT_EQ(SettingKeyName(0), QStringLiteral("MxRecordPlayMode"));
    EXPECT_EQ(SettingKeyName(24), QStringLiteral("MxSpecBGColor"));
    EXPECT_EQ(SettingKeyName(34), QStringLiteral("MxSpecMinHoldColor"));
    EXPECT_EQ(SettingKeyName(57), QStringLiteral("MxIQBGColor"));
    EXPECT_EQ(SettingKeyName(67), QStringLiteral("MxIQMinHoldColor"));
    EXPECT_EQ(SettingKeyName(93), QStringLiteral("Mx2ZephyraFreq"));
    EXPECT_EQ(SettingKeyName(94), QStringLiteral("Mx2ZephyraPower"));
    EXPECT_EQ(SettingKeyName(95), QString());
    EXPECT_EQ(SettingKeyName(-1), QString());
    EXPECT_EQ(theApp.m_pSettingKeys, SettingKeyTable);
}

TEST_F(SettingsStore, EmptyProfileGivesTheDefaults) {
    DeviceState& s = g_Marlix.DeviceState;
    s.m_nZephyraFreqHz = 1;
    s.m_sZephyraPower = 1;
    s.m_aGraphColors[0] = GraphColorSet{};
    s.m_aGraphColors[0].m_clrBG = 0x12345678;
    s.m_nPlayBusy = 5;
    theApp.LoadDefaultSettings();
    EXPECT_EQ(s.m_nZephyraFreqHz, 87900000u);
    EXPECT_EQ(s.m_sZephyraPower, -200);
    EXPECT_EQ(s.m_nSystemMode, 7);
    EXPECT_EQ(s.m_nPlayBusy, 0);
    EXPECT_EQ(s.m_nResBW, 1);
    EXPECT_EQ(s.m_nAverageType, 0);
    EXPECT_EQ(s.m_nAverageCount, 10);
    EXPECT_EQ(s.m_nUpdateSpeed, 1);
    EXPECT_EQ(s.m_nOptionB, 30);
    EXPECT_DOUBLE_EQ(s.m_dSampleClockKHz, 46511.7188);
    EXPECT_EQ(s.m_nFullBandStartHz, 48000000u);
    EXPECT_EQ(s.m_nFullBandEndHz, 1000000000u);
    const int rec[5] = {0, 2, 0, 0, 200};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(s.m_anRecordOptions[i], rec[i]);
    const std::uint32_t want[11] = {0xFF000000, 0xFF7F7F7F, 0xFF3C3C3C, 0x000E7AE8, 0x00F0CAA6, 0x7FFFFFFF,
                                    0xAAE87A0E, 0xFEFFFFFF, 0x7F007FFF, 0xAA00FF00, 0xAA00FFFF};
    for (int set : {0, 3}) {
        const GraphColorSet& c = s.m_aGraphColors[set];
        const std::uint32_t got[11] = {c.m_clrBG,     c.m_clrAxis,    c.m_clrGrid,   c.m_clrText,
                                       c.m_clrTextFo, c.m_clrTextSe,  c.m_clrData,   c.m_clrFade,
                                       c.m_clrDrag,   c.m_clrMaxHold, c.m_clrMinHold};
        for (int i = 0; i < 11; ++i)
            EXPECT_EQ(got[i], want[i]) << "set " << set << " colour " << i;
    }
}

TEST_F(SettingsStore, GraphColoursRoundTripThroughTheProfile) {
    DeviceState& s = g_Marlix.DeviceState;
    std::uint32_t* spectrum = &s.m_aGraphColors[0].m_clrBG;
    std::uint32_t* iq = &s.m_aGraphColors[3].m_clrBG;
    for (int i = 0; i < 11; ++i) {
        spectrum[i] = 0xF0000000u + std::uint32_t(i); // above INT32_MAX: must survive as unsigned
        iq[i] = 0x00100000u + std::uint32_t(i);
    }
    for (int key = 24; key <= 34; ++key)
        theApp.SaveGraphColor(key);
    for (int key = 57; key <= 67; ++key)
        theApp.SaveGraphColor(key);
    for (int key = 35; key <= 56; ++key)
        theApp.SaveGraphColor(key); // unused sets: nothing written
    for (int key = 35; key <= 56; ++key)
        EXPECT_FALSE(Profile::HasProfileValue(kGraphColorSection, SettingKeyName(key))) << key;

    s.m_aGraphColors[0] = GraphColorSet{};
    s.m_aGraphColors[3] = GraphColorSet{};
    theApp.LoadDefaultSettings();
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(spectrum[i], 0xF0000000u + std::uint32_t(i));
        EXPECT_EQ(iq[i], 0x00100000u + std::uint32_t(i));
    }
}

TEST_F(SettingsStore, FrequencyAndLevelAreKeptPerInstrument) {
    theApp.SaveZephyraFreq(98100000u);
    theApp.SaveZephyraPower(-355);
    g_Marlix.DeviceState.m_strProfileSection = u"Marlix_127.0.0.10";
    theApp.LoadDefaultSettings();
    EXPECT_EQ(g_Marlix.DeviceState.m_nZephyraFreqHz, 87900000u);
    EXPECT_EQ(g_Marlix.DeviceState.m_sZephyraPower, -200);
    g_Marlix.DeviceState.m_strProfileSection = u"Marlix_127.0.0.9";
    theApp.LoadDefaultSettings();
    // The limits before an instrument reports its own hold 98.1 MHz: nothing is cut.
    EXPECT_EQ(g_Marlix.DeviceState.m_nZephyraFreqHz, 98100000u);
    EXPECT_EQ(g_Marlix.DeviceState.m_sZephyraPower, -355);
}

// Design records the fake graph library hands out and takes back, by graph number.
GraphDesignInfo g_design[5];
int g_setCalls = 0;

TEST_F(SettingsStore, ApplyGraphColorsPutsTheRightSetIntoExistingGraphsOnly) {
    const auto keepGet = theApp.m_pfnVarolGraph_GetDesignInfo;
    const auto keepSet = theApp.m_pfnVarolGraph_SetDesignInfo;
    theApp.m_pfnVarolGraph_GetDesignInfo = [](int g, GraphDesignInfo* info) -> int {
        *info = g_design[g];
        return -1;
    };
    theApp.m_pfnVarolGraph_SetDesignInfo = [](int g, const GraphDesignInfo* info) -> int {
        g_design[g] = *info;
        ++g_setCalls;
        return -1;
    };
    for (auto& d : g_design) {
        d = GraphDesignInfo{};
        d.m_fScale = 2.5f; // a field the colours must leave alone
    }
    g_setCalls = 0;
    DeviceState& s = g_Marlix.DeviceState;
    s.m_aGraphColors[0].m_clrData = 0x11111111;
    s.m_aGraphColors[0].m_clrMinHold = 0x22222222;
    s.m_aGraphColors[3].m_clrData = 0x33333333;
    s.m_aGraphColors[3].m_clrMaxHold = 0x44444444;
    int created[5];
    std::copy(std::begin(theApp.m_bGraphCreated), std::end(theApp.m_bGraphCreated), created);

    theApp.m_bGraphCreated[0] = theApp.m_bGraphCreated[3] = theApp.m_bGraphCreated[4] = 0;
    for (int g = 0; g < 5; ++g)
        theApp.ApplyGraphColors(g);
    theApp.ApplyGraphColors(7);
    EXPECT_EQ(g_setCalls, 0);

    theApp.m_bGraphCreated[0] = theApp.m_bGraphCreated[3] = theApp.m_bGraphCreated[4] = 1;
    for (int g : {0, 3, 4})
        theApp.ApplyGraphColors(g);
    EXPECT_EQ(g_setCalls, 3);
    EXPECT_EQ(g_design[0].m_clrData, 0x11111111u);
    EXPECT_EQ(g_design[0].m_clrMinHold, 0x22222222u);
    for (int g : {3, 4}) {
        EXPECT_EQ(g_design[g].m_clrData, 0x33333333u);
        EXPECT_EQ(g_design[g].m_clrMaxHold, 0x44444444u);
        EXPECT_EQ(g_design[g].m_clrBG, s.m_aGraphColors[3].m_clrBG);
        EXPECT_EQ(g_design[g].m_fScale, 2.5f);
    }

    std::copy(std::begin(created), std::end(created), theApp.m_bGraphCreated);
    theApp.m_pfnVarolGraph_GetDesignInfo = keepGet;
    theApp.m_pfnVarolGraph_SetDesignInfo = keepSet;
}

// The stored level is the front panel's shown level: everything the panel shows
// comes back (-110.0 to +10.0 dBm), and nothing wraps in the cut to 16 bits.
TEST_F(SettingsStore, AStoredLevelComesBackAsShownAndDoesNotWrapAround) {
    const DeviceState& s = g_Marlix.DeviceState;
    struct {
        int stored, want;
    } cases[] = {{-1100, -1100}, {-905, -905}, {100, 100}, {-200, -200}, {40000, 100}, {-40000, -1100}};
    for (auto c : cases) {
        theApp.SaveZephyraPower(c.stored); // 40000 cut to 16 bits would read -25536
        theApp.LoadDefaultSettings();
        EXPECT_EQ(s.m_sZephyraPower, c.want) << c.stored;
    }
}

TEST(SettingsClamp, StoredFrequencyAndLevelStayInsideTheLimits) {
    DeviceState s;
    s.m_nFreqMinHz = 50000000u;
    s.m_nFreqMaxHz = 1000000000u;
    struct {
        std::uint32_t stored, want;
    } freqs[] = {
        {87900000u, 87900000u}, {1u, 50000000u}, {0xFFFFFFFFu, 1000000000u}, {1000000000u, 1000000000u}};
    for (auto c : freqs)
        EXPECT_EQ(CMarlixExApp::ClampStoredFrequency(c.stored, s), c.want) << c.stored;
    struct {
        int stored, want;
    } levels[] = {{-200, -200}, {40000, 100}, {-40000, -1100}, {300, 100}, {-1100, -1100}, {-1101, -1100}};
    for (auto c : levels)
        EXPECT_EQ(CMarlixExApp::ClampStoredLevel(c.stored), c.want) << c.stored;
    // Without limits from the library the frequency is taken as stored.
    s.m_nFreqMinHz = s.m_nFreqMaxHz = 0;
    EXPECT_EQ(CMarlixExApp::ClampStoredFrequency(123u, s), 123u);
}

} // namespace
