// docs/link-protocol.md against the code: the command table names every id of
// MX_CMD_ID_e with the payload size the codec accepts, and the event table
// every event, so that an instrument written from the document speaks the link.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "DocTable.h"
#include "device/MxTypes.h"
#include "marlixmfc/MxProtocol.h"

namespace {

std::string Document() {
    return ReadSourceFile(ZEPHYRA_SOURCE_DIR "/docs/link-protocol.md");
}

TEST(ProtocolDoc, CommandTableMatchesTheIdsAndPayloadSizes) {
    const std::vector<std::string> rows = TableAfterHeading(Document(), "### Command ids");
    ASSERT_GT(rows.size(), 2u) << "no table under \"### Command ids\"";
    const std::regex row(R"(^\| 0x([0-9A-F]+) \| (\d+) \| `(\w+)` \| ([0-9–]+) \| (\w+) \|.*)");
    std::set<unsigned> seen;
    int parsed = 0;
    for (const std::string& line : rows) {
        std::smatch m;
        if (!std::regex_match(line, m, row))
            continue; // heading and rule
        ++parsed;
        const unsigned id = static_cast<unsigned>(std::stoul(m[1].str(), nullptr, 16));
        SCOPED_TRACE(line);
        EXPECT_EQ(std::stoul(m[2].str()), id);
        const std::string name = m[3].str();
        if (id == mxp::LINK_KEEPALIVE)
            EXPECT_EQ(name, "LINK_KEEPALIVE");
        else
            EXPECT_EQ(MxCmdName(id) ? std::string(MxCmdName(id)) : std::string("(none)"), name);
        // One selector or a range "168–170".
        std::vector<unsigned> selectors;
        const std::string sel = m[4].str();
        const std::size_t dash = sel.find("–");
        if (dash == std::string::npos) {
            selectors.push_back(static_cast<unsigned>(std::stoul(sel)));
        } else {
            for (unsigned v = std::stoul(sel.substr(0, dash)); v <= std::stoul(sel.substr(dash + 3)); ++v)
                selectors.push_back(v);
        }
        const std::string size = m[5].str();
        const int want = size == "text" ? -1 : std::stoi(size);
        for (unsigned s : selectors)
            EXPECT_EQ(mxp::CommandPayloadSize(id, s), want) << "selector " << s;
        seen.insert(id);
    }
    EXPECT_GE(parsed, MX_CMD_COUNT + 1);
    for (MX_CMD_ID_e id : g_aMxCmdIds)
        EXPECT_TRUE(seen.count(id)) << MxCmdName(id) << " is missing from the table";
    EXPECT_TRUE(seen.count(mxp::LINK_KEEPALIVE));
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(MX_CMD_COUNT + 1));
}

TEST(ProtocolDoc, EventTableNamesEveryEvent) {
    const std::vector<std::string> rows = TableAfterHeading(Document(), "## Events (instrument → library)");
    ASSERT_GT(rows.size(), 2u);
    const std::regex row(R"(^\| 0x([0-9A-F]+) \| `(\w+)` \|.*)");
    std::set<unsigned> seen;
    for (const std::string& line : rows) {
        std::smatch m;
        if (!std::regex_match(line, m, row))
            continue;
        const unsigned id = static_cast<unsigned>(std::stoul(m[1].str(), nullptr, 16));
        ASSERT_NE(mxp::EventName(id), nullptr) << line;
        EXPECT_EQ(std::string(mxp::EventName(id)), m[2].str()) << line;
        seen.insert(id);
    }
    for (unsigned id = 0x100; id < 0x200; ++id) {
        if (mxp::EventName(id)) {
            EXPECT_TRUE(seen.count(id)) << mxp::EventName(id) << " is missing from the table";
        }
    }
}

} // namespace
