#include <gtest/gtest.h>

#include <algorithm>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <vector>

#include "mainframe/ConnectLogic.h"
#include "mainframe/ConnectSequence.h"

using namespace ConnectLogic;

TEST(DeviceAddress, OnlyDottedUnicastAddressesAreAccepted) {
    struct Case {
        const char* text;
        bool ok;
        std::uint32_t netOrder;
    };
    const Case cases[] = {
        {"127.0.0.2", true, 0x0200007Fu},
        {"192.168.0.10", true, 0x0A00A8C0u},
        {" 10.0.0.5 ", true, 0x0500000Au}, // blanks around it do not change the address
        {"255.255.255.255", false, 0},     // would broadcast
        {"0.0.0.0", false, 0},
        {"", false, 0},
        {"localhost", false, 0},
        {"1.2.3", false, 0},
        {"1.2.3.4.5", false, 0},
        {"1.2.3.256", false, 0},
        {"1.2..4", false, 0},
        {"1.2.3.4x", false, 0},
        {"0x7f.0.0.1", false, 0},
        {"-1.2.3.4", false, 0},
        {"1234.2.3.4", false, 0},
    };
    for (const Case& c : cases) {
        std::uint32_t ip = 0xDEADBEEF;
        EXPECT_EQ(ParseDeviceAddress(QString::fromLatin1(c.text), &ip), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(ip, c.netOrder) << c.text;
        }
    }
    EXPECT_TRUE(InvalidAddressMessage(QStringLiteral("abc")).contains(QStringLiteral("abc")));
}

TEST(AddressHistory, ElevenAddressesKeepTheNewestTen) {
    QStringList h;
    for (int i = 1; i <= 10; ++i) {
        HistoryEdit e = AddToHistory(h, QStringLiteral("10.0.0.%1").arg(i));
        EXPECT_EQ(e.kind, HistoryEdit::Inserted);
        EXPECT_EQ(e.removedIndex, -1);
        EXPECT_FALSE(e.selectInserted);
    }
    HistoryEdit e = AddToHistory(h, QStringLiteral("10.0.0.11"));
    EXPECT_EQ(e.kind, HistoryEdit::Inserted);
    EXPECT_EQ(e.removedIndex, 9);
    ASSERT_EQ(h.size(), 10);
    EXPECT_EQ(h.front(), QStringLiteral("10.0.0.11"));
    EXPECT_EQ(h.back(), QStringLiteral("10.0.0.2"));
    EXPECT_FALSE(h.contains(QStringLiteral("10.0.0.1")));
}

TEST(AddressHistory, ReuseMovesToTopAndTextsCompareExactly) {
    QStringList h{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    HistoryEdit e = AddToHistory(h, QStringLiteral("c"));
    EXPECT_EQ(e.kind, HistoryEdit::Moved);
    EXPECT_EQ(e.removedIndex, 2);
    EXPECT_TRUE(e.selectInserted);
    EXPECT_EQ(h, (QStringList{QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b")}));

    EXPECT_EQ(AddToHistory(h, QStringLiteral("c ")).kind, HistoryEdit::Inserted);
    EXPECT_EQ(AddToHistory(h, QStringLiteral("A")).kind, HistoryEdit::Inserted);
    EXPECT_EQ(h.size(), 5);

    EXPECT_EQ(AddToHistory(h, QString()).kind, HistoryEdit::None);
    EXPECT_EQ(h.size(), 5);
}

TEST(DeviceListTexts, VersionsAndBoardRevisions) {
    const std::uint8_t v[4] = {4, 1, 0, 1};
    EXPECT_EQ(FormatVersion(v), QStringLiteral("1.0.1.4"));
    const std::pair<std::uint32_t, const char*> revs[] = {
        {0, "(x.x)"},  {1, "(1.0)"},  {2, "(1.1)"},           {10, "(1.9)"},
        {11, "(2.0)"}, {12, "(1.0)"}, {0xFFFFFFFFu, "(1.0)"},
    };
    for (auto [rev, text] : revs)
        EXPECT_EQ(BoardRevisionText(rev), QString::fromLatin1(text)) << rev;

    const QStringList rows{QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3")};
    EXPECT_EQ(FindRow(rows, 2, QStringLiteral("127.0.0.3")), 1);
    EXPECT_EQ(FindRow(rows, 1, QStringLiteral("127.0.0.3")), -1); // only the rows of this search
    EXPECT_EQ(FindRow(rows, 5, QStringLiteral("127.0.0.4")), -1);
}

namespace {
struct SequenceRecorder {
    std::vector<std::string> steps;
    CConnectSequence seq;
    SequenceRecorder() {
        seq.SetHooks({
            [this] {
                steps.push_back("disconnect");
                seq.Cancel(); // as the frame's disconnect does
            },
            [this](std::uint32_t ip) { steps.push_back("address " + std::to_string(ip)); },
            [this] { steps.push_back("begin"); },
            [this] { steps.push_back("connect"); },
        });
    }
};
} // namespace

TEST(ConnectSequence, DisconnectsWithOldAddressThenPausesWithoutBlocking) {
    SequenceRecorder r;
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(r.seq.Start(QStringLiteral("127.0.0.2")));
    EXPECT_LT(clock.elapsed(), 400); // returned at once: the pause is the timer's
    EXPECT_EQ(r.steps, (std::vector<std::string>{"disconnect", "address " + std::to_string(0x0200007Fu)}));
    EXPECT_TRUE(r.seq.IsPausing());

    while (r.seq.IsPausing() && clock.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_GE(clock.elapsed(), CConnectSequence::kPauseMs - 5);
    EXPECT_EQ(r.steps.size(), 4u);
    EXPECT_EQ(r.steps[2], "begin");
    EXPECT_EQ(r.steps[3], "connect");
}

TEST(ConnectSequence, InvalidAddressDoesNothingAndCancelDropsPendingStart) {
    SequenceRecorder r;
    const unsigned serial0 = r.seq.Serial();
    EXPECT_FALSE(r.seq.Start(QStringLiteral("255.255.255.255")));
    EXPECT_FALSE(r.seq.Start(QStringLiteral("not an address")));
    EXPECT_TRUE(r.steps.empty());
    EXPECT_EQ(r.seq.Serial(), serial0);

    ASSERT_TRUE(r.seq.Start(QStringLiteral("127.0.0.2")));
    const unsigned serial1 = r.seq.Serial();
    EXPECT_NE(serial1, serial0);
    r.seq.Cancel();
    EXPECT_FALSE(r.seq.IsPausing());
    EXPECT_NE(r.seq.Serial(), serial1);
    r.seq.PauseElapsed(); // a late timer does nothing now
    EXPECT_EQ(r.steps.size(), 2u);

    // A second start during the pause replaces the first.
    r.steps.clear();
    ASSERT_TRUE(r.seq.Start(QStringLiteral("127.0.0.2")));
    ASSERT_TRUE(r.seq.Start(QStringLiteral("127.0.0.3")));
    r.seq.PauseElapsed();
    r.seq.PauseElapsed();
    EXPECT_EQ(std::count(r.steps.begin(), r.steps.end(), "connect"), 1);
    EXPECT_EQ(r.steps[r.steps.size() - 3], "address " + std::to_string(0x0300007Fu));
}
