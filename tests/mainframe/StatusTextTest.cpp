// Status codes to texts, and what each status pane shows for a value.
#include <gtest/gtest.h>

#include "mainframe/PendingPanes.h"
#include "mainframe/StatusText.h"

#include <cmath>
#include <regex>
#include <set>

#include "DocTable.h"

namespace {

TEST(StatusText, CodesMapToTheirTextsExactly) {
    struct {
        std::int32_t code;
        const char* text;
    } cases[] = {
        {0, ""},
        {1, ""},
        {0x1000, "Err"},
        {0x1008, "Err:TriggerType"},
        {0x1110, "Err:Get Rate"},
        {0x1214, "Err:Rom U D"},
        {0x1308, "Err:FFS freq param"},
        {0x1310, "Err:FFS Res Param"},
        {0x1400, "Err:DAC"},
        {0x1404, "Err:DAC Lock"},
        {0x140A, "Err:DAC DELAY"},
        {0x1501, "Err:ADF 2400M Param"},
        {0x1600, "Err:ADF 60M"},
        {0x1701, "Err:AttenPlus param"},
        {0x1801, "Err:DC param"},
        {0x1901, "Err:Atten Param"},
        {0x1A01, "Err:Download"},
        {0x1B02, "Err:delete"},
        {0x1B0D, "Err:rename"},
        {0x1B0E, "Saturation"},
        {0x1B0F, "Invalide Mode"},
        {0x1C00, "Infinite Record Full Space"},
        {0x1D08, "Err:QSys Time Out"},
        {0x1E03, "Err:Invalid Trig Out Level Param"},
        {0x1F03, "Err:No DSP Crypto Mem"},
        {0xF000, "Tx Buffer First Full"},
        // Not in the table, also inside a group, and negative.
        {2, "Error Unknown"},
        {0x1009, "Error Unknown"},
        {0x120A, "Error Unknown"},
        {0x1213, "Error Unknown"},
        {0x1309, "Error Unknown"},
        {0x1502, "Error Unknown"},
        {0x1A00, "Error Unknown"},
        {0xF001, "Error Unknown"},
        {-1, "Error Unknown"},
        {INT32_MIN, "Error Unknown"},
        {INT32_MAX, "Error Unknown"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StatusText::CodeText(c.code), QString::fromUtf8(c.text)) << std::hex << c.code;
}

TEST(StatusText, PanesShowTheirValues) {
    struct {
        int pane;
        std::uint32_t value;
        const char* text; // nullptr: the pane stays as it was
    } cases[] = {
        {1, 0, "Disconnected"},
        {1, 1, "Connecting"},
        {1, 2, "Connected"},
        {1, 4, nullptr},
        {2, 1, "Trigger On"},
        {2, 0, "Trigger Off"},
        {2, 2, nullptr},
        {3, 0, "Ref Int"},
        {3, 1, "Ref Ext"},
        {3, 7, nullptr},
        {4, 0, "AGC Off"},
        {4, 1, "AGC On"},
        {4, 0xFFFFFFFF, nullptr},
        {5, 0, "A:\\"},
        {5, 3, "D:\\"},
        {5, 24, "Y:\\"},
        {5, 25, " "},
        {5, 0xFFFFFFFF, " "},
        {7, 0, "0 KB/s"},
        {7, 999, "0 KB/s"},
        {7, 1999, "1 KB/s"},
        {7, 0xFFFFFFFF, "4294967 KB/s"},
        {0, 5, nullptr},
        {6, 5, nullptr},
        {8, 0, nullptr},
        {-1, 0, nullptr},
    };
    for (const auto& c : cases) {
        const auto got = StatusText::PaneText(c.pane, c.value);
        if (c.text) {
            ASSERT_TRUE(got.has_value()) << c.pane << "/" << c.value;
            EXPECT_EQ(*got, QString::fromUtf8(c.text)) << c.pane << "/" << c.value;
        } else {
            EXPECT_FALSE(got.has_value()) << c.pane << "/" << c.value;
        }
    }
}

TEST(StatusText, TransferProgressStaysWithin0To100WithoutOverflow) {
    EXPECT_EQ(StatusText::TransferPercent(0, 0), 100);
    EXPECT_EQ(StatusText::TransferPercent(5, 0), 100);
    EXPECT_EQ(StatusText::TransferPercent(0, 10), 0);
    EXPECT_EQ(StatusText::TransferPercent(1, 3), 33);
    EXPECT_EQ(StatusText::TransferPercent(10, 10), 100);
    // done * 100 above 32 bits: 3e9 of 4e9 is 75 %, not a wrapped number.
    EXPECT_EQ(StatusText::TransferPercent(3000000000u, 4000000000u), 75);
    EXPECT_EQ(StatusText::TransferPercent(50000000u, 100000000u), 50);
    // More done than the total (a counter reset mid-transfer) shows full, not 200 %.
    EXPECT_EQ(StatusText::TransferPercent(20, 10), 100);
}

TEST(PendingPanes, TheNewestOfEachPaneWaitsAndTheFirstStartsTheFrame) {
    PendingPanes p;
    EXPECT_TRUE(p.Set(0, 0x1404));
    EXPECT_FALSE(p.Set(0, 0x1B0E));
    EXPECT_FALSE(p.Set(7, 1999));
    EXPECT_FALSE(p.Set(8, 1)); // no such pane
    EXPECT_FALSE(p.Set(-1, 1));
    p.Set(6, 40);
    p.Drop(6);
    EXPECT_EQ(p.Take(), (std::vector<std::pair<int, UINT>>{{0, 0x1B0E}, {7, 1999}}));
    EXPECT_TRUE(p.Empty());
    EXPECT_TRUE(p.Set(6, 100));
}

TEST(PendingPanes, AFrameIsOneRefreshOfTheDisplayWithinSaneBounds) {
    const std::pair<double, UINT> cases[] = {{60.0, 17}, {144.0, 7}, {1000.0, 4}, {10.0, 50},
                                             {0.0, 16},  {-5.0, 16}, {NAN, 16}};
    for (const auto& [hz, ms] : cases)
        EXPECT_EQ(PendingPanes::FrameMs(hz), ms) << hz;
}

// The document an instrument is written from gives every text, exactly.
TEST(StatusText, TheLinkDocumentListsEveryCodeWithItsText) {
    const std::string doc = ReadSourceFile(ZEPHYRA_SOURCE_DIR "/docs/link-protocol.md");
    const std::vector<std::string> rows = TableAfterHeading(doc, "### Status codes");
    ASSERT_GT(rows.size(), 2u) << "no table under \"### Status codes\"";
    const std::regex pair(R"re(0x([0-9A-F]{4}) "([^"]*)")re");
    std::set<std::int32_t> listed;
    for (const std::string& row : rows) {
        for (auto it = std::sregex_iterator(row.begin(), row.end(), pair); it != std::sregex_iterator();
             ++it) {
            const auto code = std::int32_t(std::stoul((*it)[1].str(), nullptr, 16));
            EXPECT_EQ(StatusText::CodeText(code).toStdString(), (*it)[2].str()) << row;
            EXPECT_TRUE(listed.insert(code).second) << "listed twice: " << (*it)[1].str();
        }
    }
    const QString unknown = QStringLiteral("Error Unknown");
    for (std::int32_t code = 2; code <= 0xFFFF; ++code)
        if (StatusText::CodeText(code) != unknown) {
            EXPECT_TRUE(listed.count(code)) << std::hex << code << " is missing from the document";
        }
}

} // namespace
