// Where the library may send: the overrides, and the loopback-only guard.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "LinkTestSupport.h"
#include "marlixmfc/MxLinkConfig.h"

namespace {

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override { UseLoopback("127.0.0.2,127.0.0.3"); }
    void TearDown() override { UseLoopback("127.0.0.2,127.0.0.3"); }
};

TEST_F(ConfigTest, OverrideReplacesTheDefaultTargets) {
    const auto defaults = mxp::DefaultDiscoveryTargets();
    ASSERT_NE(std::find(defaults.begin(), defaults.end(), Addr("255.255.255.255")), defaults.end());
    const mxp::LinkConfig c = mxp::ReadLinkConfig();
    EXPECT_TRUE(c.targetsOverridden);
    EXPECT_EQ(c.targets, (std::vector<std::uint32_t>{Addr("127.0.0.2"), Addr("127.0.0.3")}));
    for (std::uint32_t d : defaults)
        EXPECT_EQ(std::find(c.targets.begin(), c.targets.end(), d), c.targets.end());
    CMarlixMFC lib;
    EXPECT_EQ(lib.GetDiscoveryTargets(), (std::vector<std::string>{"127.0.0.2", "127.0.0.3"}));
    EXPECT_EQ(lib.GetPort(), TestPort());
}

TEST_F(ConfigTest, AnInvalidOverrideGivesNoTargetsNeverTheDefaults) {
    ::setenv("MARLIX_DISCOVERY_TARGETS", "not-an-address, 300.1.1.1,,", 1);
    const mxp::LinkConfig c = mxp::ReadLinkConfig();
    EXPECT_TRUE(c.targetsOverridden);
    EXPECT_TRUE(c.targets.empty());
    CMarlixMFC lib;
    EXPECT_TRUE(lib.GetDiscoveryTargets().empty());
    ASSERT_TRUE(lib.BeginBroadCastRxThread());
    EXPECT_EQ(lib.MxSendtoBroadCast(MX_CMD_DISCOVER, MX_RW_BROADCAST, 0, nullptr, FakeHwnd(1)), 0);
    lib.CloseBroadCastRxThread();
    EXPECT_EQ(lib.GetLinkCounters().txDatagrams, 0u);
}

TEST_F(ConfigTest, LoopbackOnlyRefusesDiscoveryWithoutOverride) {
    ::unsetenv("MARLIX_DISCOVERY_TARGETS");
    CMarlixMFC lib;
    EXPECT_TRUE(lib.GetDiscoveryTargets().empty());
    ASSERT_TRUE(lib.BeginBroadCastRxThread());
    EXPECT_EQ(lib.MxSendtoBroadCast(MX_CMD_DISCOVER, MX_RW_BROADCAST, 0, nullptr, FakeHwnd(1)), 0);
    lib.CloseBroadCastRxThread();
    EXPECT_EQ(lib.GetLinkCounters().txDatagrams, 0u);
    EXPECT_EQ(lib.GetLinkCounters().refusedTargets, 1u);
}

TEST_F(ConfigTest, LoopbackOnlyFiltersLanTargetsAndConnections) {
    ::setenv("MARLIX_DISCOVERY_TARGETS", "10.1.2.3,127.0.0.2,192.168.1.255", 1);
    CMarlixMFC lib;
    EXPECT_EQ(lib.GetDiscoveryTargets(), std::vector<std::string>{"127.0.0.2"});
    const mxp::LinkConfig c = mxp::ReadLinkConfig();
    EXPECT_FALSE(mxp::MaySendTo(c, Addr("10.1.2.3"), false));
    EXPECT_FALSE(mxp::MaySendTo(c, Addr("255.255.255.255"), false));
    EXPECT_TRUE(mxp::MaySendTo(c, Addr("127.0.0.9"), false));
    // A connection to a LAN address is refused: nothing is sent, no reply comes.
    QueueSink sink;
    lib.SetPostSink(&sink);
    lib.DeviceState.m_nDeviceIP = Addr("10.1.2.3");
    ASSERT_TRUE(lib.BeginConnectedUDPThread());
    const std::uint16_t param = 0;
    EXPECT_EQ(lib.MxAddCmd(MX_CMD_CONNECT, MX_RW_DEFAULT, 2, &param, FakeHwnd(1)), 1);
    sink.PumpFor(300);
    lib.CreateUDP_TxSocket();
    EXPECT_EQ(lib.SendCmdData(MX_CMD_DISCONNECT, MX_RW_DEFAULT, 0, nullptr), 0);
    lib.CloseConnectedUDPThread();
    EXPECT_EQ(lib.GetLinkCounters().txDatagrams, 0u);
    EXPECT_GE(lib.GetLinkCounters().refusedTargets, 1u);
    EXPECT_TRUE(sink.seen.empty());
}

TEST_F(ConfigTest, WithoutLoopbackOnlyAConnectionNeverGoesToABroadcastAddress) {
    ::unsetenv("MARLIX_LOOPBACK_ONLY");
    const mxp::LinkConfig c = mxp::ReadLinkConfig();
    EXPECT_FALSE(mxp::MaySendTo(c, Addr("255.255.255.255"), false));
    EXPECT_FALSE(mxp::MaySendTo(c, Addr("0.0.0.0"), false));
    EXPECT_FALSE(mxp::MaySendTo(c, Addr("239.1.1.1"), false));
    for (std::uint32_t b : mxp::DefaultDiscoveryTargets())
        EXPECT_FALSE(mxp::MaySendTo(c, b, false));
}

TEST_F(ConfigTest, PortAndTimeoutFromTheEnvironment) {
    ::setenv("MARLIX_PORT", "41234", 1);
    ::setenv("MARLIX_LINK_TIMEOUT_MS", "5000", 1);
    mxp::LinkConfig c = mxp::ReadLinkConfig();
    EXPECT_EQ(c.port, 41234);
    EXPECT_EQ(c.linkTimeoutMs, 5000u);
    ::setenv("MARLIX_PORT", "70000", 1);
    ::unsetenv("MARLIX_LINK_TIMEOUT_MS");
    c = mxp::ReadLinkConfig();
    EXPECT_EQ(c.port, 50600);
    EXPECT_EQ(c.linkTimeoutMs, 4000u);
}

TEST_F(ConfigTest, LinkTimeoutStaysWellAboveTheKeepAlivePeriod) {
    // A timeout near the keep-alive period would report a healthy link as lost.
    ASSERT_GE(mxp::kMinLinkTimeoutMs, 3 * mxp::kKeepAlivePeriodMs);
    const struct {
        const char* text;
        unsigned expected;
    } cases[] = {
        {"200", mxp::kMinLinkTimeoutMs},
        {"1000", mxp::kMinLinkTimeoutMs},
        {"2999", mxp::kMinLinkTimeoutMs},
        {"3000", 3000},
        {"9000", 9000},
        {"99999999999", mxp::kMaxLinkTimeoutMs},
        {"0", mxp::kDefaultLinkTimeoutMs},
        {"-5", mxp::kDefaultLinkTimeoutMs},
        {"soon", mxp::kDefaultLinkTimeoutMs},
        {"3000ms", mxp::kDefaultLinkTimeoutMs},
    };
    for (const auto& t : cases) {
        ::setenv("MARLIX_LINK_TIMEOUT_MS", t.text, 1);
        EXPECT_EQ(mxp::ReadLinkConfig().linkTimeoutMs, t.expected) << t.text;
    }
    ::unsetenv("MARLIX_LINK_TIMEOUT_MS");
    EXPECT_EQ(mxp::SafeLinkTimeoutMs(1), mxp::kMinLinkTimeoutMs);
}

TEST(DottedTest, ParsesOnlyFourDecimalParts) {
    std::uint32_t a;
    EXPECT_TRUE(mxp::ParseDotted("127.0.0.2", a));
    EXPECT_EQ(mxp::Dotted(a), "127.0.0.2");
    for (const char* bad :
         {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4 ", "a.b.c.d", "1..2.3", "0001.1.1.1"})
        EXPECT_FALSE(mxp::ParseDotted(bad, a)) << bad;
}

} // namespace
