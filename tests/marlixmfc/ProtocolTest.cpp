// The shared codec: header, fragmentation, reassembly, records, and rejection of
// what does not fit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <set>

#include "LinkTestSupport.h"
#include "marlixmfc/MxProtocol.h"

using namespace mxp;

namespace {

std::vector<std::uint8_t> One(std::uint16_t id, const std::vector<std::uint8_t>& p,
                              std::uint8_t flags = FLAG_FROM_INSTRUMENT) {
    auto v = EncodeMessage(flags, id, MX_RW_DEFAULT, 77, 5, p.data(), p.size());
    EXPECT_EQ(v.size(), 1u);
    return v[0];
}

TEST(ProtocolTest, HeaderIsLittleEndianAndRoundTrips) {
    const std::vector<std::uint8_t> payload = {1, 2, 3, 4};
    auto d = EncodeMessage(0, MX_CMD_ZEPHYRA_FREQ, MX_RW_DEFAULT, 0x01020304, 0x0A0B0C0D, payload.data(), 4);
    ASSERT_EQ(d.size(), 1u);
    const std::vector<std::uint8_t> expect = {'M', 'R', 'L', 'X', 1,    0,    0x53, 0,    1, 0, 4, 0,
                                              4,   3,   2,   1,   0x0D, 0x0C, 0x0B, 0x0A, 1, 2, 3, 4};
    EXPECT_EQ(d[0], expect);
    Datagram g;
    ASSERT_EQ(DecodeDatagram(d[0].data(), d[0].size(), g), DecodeError::None);
    EXPECT_EQ(g.h.id, MX_CMD_ZEPHYRA_FREQ);
    EXPECT_EQ(g.h.seq, 0x01020304u);
    EXPECT_EQ(g.h.ref, 0x0A0B0C0Du);
    EXPECT_EQ(g.size, 4u);
    EXPECT_EQ(std::memcmp(g.payload, payload.data(), 4), 0);
}

TEST(ProtocolTest, DecoderRejectsWhatDoesNotFit) {
    auto good = One(EV_STATUS, EncodeU32s({1}));
    Datagram g;
    EXPECT_EQ(DecodeDatagram(good.data(), 19, g), DecodeError::Truncated);
    EXPECT_EQ(DecodeDatagram(good.data(), good.size() - 1, g), DecodeError::Truncated);
    auto longer = good;
    longer.push_back(0);
    EXPECT_EQ(DecodeDatagram(longer.data(), longer.size(), g), DecodeError::Oversized);
    std::vector<std::uint8_t> huge(kMaxDatagram + 1, 0);
    std::copy(good.begin(), good.end(), huge.begin());
    EXPECT_EQ(DecodeDatagram(huge.data(), huge.size(), g), DecodeError::Oversized);
    auto bad = good;
    bad[0] = 'X';
    EXPECT_EQ(DecodeDatagram(bad.data(), bad.size(), g), DecodeError::BadMagic);
    bad = good;
    bad[4] = 2;
    EXPECT_EQ(DecodeDatagram(bad.data(), bad.size(), g), DecodeError::BadVersion);
    bad = good;
    bad[5] |= 0x40;
    EXPECT_EQ(DecodeDatagram(bad.data(), bad.size(), g), DecodeError::BadFlags);
    EXPECT_EQ(DecodeDatagram(nullptr, 0, g), DecodeError::Truncated);
}

TEST(ProtocolTest, BigBlocksAreFragmentedAndReassembledInAnyOrder) {
    std::vector<std::uint8_t> block(2 * 2 * 30720 + 16);
    std::iota(block.begin(), block.end(), 0);
    auto frags =
        EncodeMessage(FLAG_FROM_INSTRUMENT, EV_MEASURE, MX_RW_DEFAULT, 9, 3, block.data(), block.size());
    ASSERT_EQ(frags.size(), (block.size() + kMaxChunk - 1) / kMaxChunk);
    for (const auto& f : frags)
        EXPECT_LE(f.size(), kMaxDatagram);
    std::mt19937 rng(1);
    std::shuffle(frags.begin(), frags.end(), rng);
    frags.insert(frags.begin() + 3, frags[7]); // a duplicate
    Reassembler r;
    Message m;
    int complete = 0;
    for (const auto& f : frags) {
        Datagram g;
        ASSERT_EQ(DecodeDatagram(f.data(), f.size(), g), DecodeError::None);
        if (r.Add(g, 1000, m) == Reassembler::Result::Complete)
            ++complete;
    }
    EXPECT_EQ(complete, 1);
    EXPECT_EQ(m.h.id, EV_MEASURE);
    EXPECT_EQ(m.h.seq, 9u);
    EXPECT_EQ(m.h.ref, 3u);
    EXPECT_EQ(m.payload, block);
    EXPECT_EQ(r.BytesHeld(), 0u);
}

TEST(ProtocolTest, ReassemblyMemoryIsBounded) {
    Reassembler r;
    Message m;
    std::vector<std::uint8_t> block(kMaxMessage);
    // Start many messages, never finish them: at most kSlots are held.
    for (std::uint32_t s = 1; s <= 50; ++s) {
        auto frags = EncodeMessage(FLAG_FROM_INSTRUMENT, EV_FILE_LIST, 1, s, 0, block.data(), block.size());
        Datagram g;
        ASSERT_EQ(DecodeDatagram(frags[0].data(), frags[0].size(), g), DecodeError::None);
        EXPECT_EQ(r.Add(g, s, m), Reassembler::Result::Incomplete);
        EXPECT_LE(r.BytesHeld(), Reassembler::kSlots * kMaxMessage);
    }
    EXPECT_GE(r.Dropped(), 46u);
    // Expiry frees what is left.
    auto frags = EncodeMessage(FLAG_FROM_INSTRUMENT, EV_FILE_LIST, 1, 999, 0, block.data(), 5000);
    Datagram g;
    ASSERT_EQ(DecodeDatagram(frags[0].data(), frags[0].size(), g), DecodeError::None);
    r.Add(g, 100000, m);
    EXPECT_EQ(r.BytesHeld(), 5000u);
}

TEST(ProtocolTest, InconsistentFragmentsAreRejected) {
    std::vector<std::uint8_t> block(5000, 7);
    auto frags = EncodeMessage(FLAG_FROM_INSTRUMENT, EV_FILE_LIST, 1, 4, 0, block.data(), block.size());
    Datagram g;
    // Offset not on a chunk boundary.
    auto f = frags[1];
    f[kHeaderSize + 4] += 1;
    EXPECT_EQ(DecodeDatagram(f.data(), f.size(), g), DecodeError::BadFragment);
    // Total too large.
    f = frags[0];
    f[kHeaderSize + 3] = 0x7F;
    EXPECT_EQ(DecodeDatagram(f.data(), f.size(), g), DecodeError::BadFragment);
    // Same seq with another total abandons the first message.
    Reassembler r;
    Message m;
    ASSERT_EQ(DecodeDatagram(frags[0].data(), frags[0].size(), g), DecodeError::None);
    r.Add(g, 0, m);
    std::vector<std::uint8_t> other(9000, 1);
    auto frags2 = EncodeMessage(FLAG_FROM_INSTRUMENT, EV_FILE_LIST, 1, 4, 0, other.data(), other.size());
    ASSERT_EQ(DecodeDatagram(frags2[1].data(), frags2[1].size(), g), DecodeError::None);
    EXPECT_EQ(r.Add(g, 0, m), Reassembler::Result::Incomplete);
    EXPECT_EQ(r.Dropped(), 1u);
}

TEST(ProtocolTest, RecordsRoundTripAndUnterminatedTextIsRejected) {
    DeviceInfoRecord d{};
    CopyZ(d.m_szDescription, 32, std::string("Bench"));
    CopyZ(d.m_szSerial, 32, std::string("S1"));
    d.m_nIPAddress = Addr("127.0.0.2");
    d.m_abSWVer[3] = 7;
    d.m_nBoardRev = 3;
    d.m_abDSPVer[0] = 9;
    Writer w;
    PutDeviceInfo(w, d);
    ASSERT_EQ(w.Data().size(), kDeviceInfoSize);
    EXPECT_EQ(std::memcmp(w.Data().data() + 0x70, "Bench", 6), 0);
    EXPECT_EQ(w.Data()[0x90 + 3], 7);
    EXPECT_EQ(w.Data()[0xA4], 3);
    EXPECT_EQ(w.Data()[0xC0], 9);
    DeviceInfoRecord back;
    Reader rd(w.Data().data(), w.Data().size());
    ASSERT_TRUE(GetDeviceInfo(rd, back));
    EXPECT_EQ(std::memcmp(&back, &d, sizeof d), 0);
    auto raw = w.Data();
    std::memset(raw.data() + 0x70, 'A', 32);
    Reader rd2(raw.data(), raw.size());
    EXPECT_FALSE(GetDeviceInfo(rd2, back));
    Reader rd3(raw.data(), 100);
    EXPECT_FALSE(GetDeviceInfo(rd3, back));

    std::vector<FileInfoRecord> files(2);
    CopyZ(files[0].m_szName, 100, std::u16string(u"a.bin"));
    files[0].m_llSize = 0xFFFFFFFFFFFFFFFFull;
    files[0].m_dSampleClock = 744187.5;
    files[0].m_nPower = -205;
    CopyZ(files[1].m_szName, 100, std::u16string(u"b.bin"));
    auto enc = EncodeFileList(files);
    ASSERT_EQ(enc.size(), 4 + 2 * kFileInfoSize);
    std::vector<FileInfoRecord> dec;
    ASSERT_TRUE(DecodeFileList(enc.data(), enc.size(), dec));
    ASSERT_EQ(dec.size(), 2u);
    EXPECT_EQ(std::memcmp(&dec[0], &files[0], sizeof(FileInfoRecord)), 0);
    EXPECT_FALSE(DecodeFileList(enc.data(), enc.size() - 1, dec)); // short
    auto more = EncodeU32s({3});
    more.insert(more.end(), enc.begin() + 4, enc.end());
    EXPECT_FALSE(DecodeFileList(more.data(), more.size(), dec)); // count beyond the bytes
    auto unterminated = enc;
    for (std::size_t i = 0; i < 200; i += 2)
        unterminated[4 + 4 + i] = 'Z';
    EXPECT_FALSE(DecodeFileList(unterminated.data(), unterminated.size(), dec));

    std::vector<FolderItemRecord> folders(1);
    folders[0].m_hItem = MX_TVI_ROOT;
    CopyZ(folders[0].m_szPath, 260, std::u16string(u"D:\\"));
    auto fe = EncodeFolderList(folders);
    std::vector<FolderItemRecord> fd;
    ASSERT_TRUE(DecodeFolderList(fe.data(), fe.size(), fd));
    EXPECT_EQ(fd[0].m_hItem, MX_TVI_ROOT);
    auto many = EncodeU32s({kMaxFolderEntries + 1});
    EXPECT_FALSE(DecodeFolderList(many.data(), many.size(), fd));
}

TEST(ProtocolTest, MeasureLimitsAndText) {
    std::vector<std::int16_t> i(100), q(100);
    for (int k = 0; k < 100; ++k) {
        i[k] = static_cast<std::int16_t>(k - 50);
        q[k] = static_cast<std::int16_t>(-k);
    }
    MeasureHead h{0, 100, 5, 42};
    auto e = EncodeMeasure(h, i.data(), q.data());
    MeasureHead back;
    std::vector<std::int16_t> iq;
    ASSERT_TRUE(DecodeMeasure(e.data(), e.size(), back, iq));
    EXPECT_EQ(back.points, 100u);
    EXPECT_EQ(back.positionSec, 42u);
    EXPECT_EQ(iq[0], -50);
    EXPECT_EQ(iq[199], -99);
    EXPECT_FALSE(DecodeMeasure(e.data(), e.size() - 2, back, iq));
    auto e2 = EncodeU32s({0, MX_MAX_POINTS + 1, 5, 0}); // more points than the arrays hold
    e2.resize(16 + 4 * std::size_t(MX_MAX_POINTS + 1));
    EXPECT_FALSE(DecodeMeasure(e2.data(), e2.size(), back, iq));
    auto e3 = EncodeU32s({0, 0, 5, 0}); // no points
    EXPECT_FALSE(DecodeMeasure(e3.data(), e3.size(), back, iq));

    Limits l;
    l.freqMinHz = 10;
    l.freqMaxHz = 20;
    l.spectrumPoints = 8192;
    auto le = EncodeLimits(l);
    ASSERT_EQ(le.size(), kLimitsSize);
    Limits lb;
    ASSERT_TRUE(DecodeLimits(le.data(), le.size(), lb));
    EXPECT_EQ(lb.freqMaxHz, 20u);
    l.freqMinHz = 30; // min above max
    le = EncodeLimits(l);
    EXPECT_FALSE(DecodeLimits(le.data(), le.size(), lb));

    std::u16string s;
    const std::vector<std::uint8_t> one = {'A', 0};
    ASSERT_TRUE(DecodeText(one.data(), 2, s));
    EXPECT_EQ(s, u"A");
    EXPECT_FALSE(DecodeText(one.data(), 1, s));
    EXPECT_EQ(EncodeText(u"D:\\x"), (std::vector<std::uint8_t>{'D', 0, ':', 0, '\\', 0, 'x', 0}));
    EXPECT_EQ(ToUtf8(u"Zephyra\u2122"), "Zephyra\xE2\x84\xA2");
    EXPECT_EQ(FromUtf8("Zephyra\xE2\x84\xA2"), u"Zephyra\u2122");
    char16_t buf[4];
    CopyZ(buf, 4, std::u16string(u"abcdef"));
    EXPECT_EQ(FromZ(buf, 4), u"abc");
}

TEST(ProtocolTest, CommandIdsAndPayloadSizes) {
    std::set<unsigned> ids;
    for (auto id : g_aMxCmdIds) {
        ids.insert(id);
        ASSERT_NE(MxCmdName(id), nullptr);
        EXPECT_EQ(std::string(MxCmdName(id)).rfind("MX_CMD_", 0), 0u);
        EXPECT_NE(CommandPayloadSize(id, MX_RW_DEFAULT), -2);
    }
    EXPECT_EQ(ids.size(), 35u);
    EXPECT_EQ(MxCmdName(0x03), nullptr);
    EXPECT_EQ(CommandPayloadSize(MX_CMD_ZEPHYRA_POWER, 1), 2);
    EXPECT_EQ(CommandPayloadSize(MX_CMD_SAMPLE_CLOCK, 1), 8);
    EXPECT_EQ(CommandPayloadSize(MX_CMD_FOLDER_LIST, 1), 524);
    EXPECT_EQ(CommandPayloadSize(MX_CMD_MODULE_CAL, MX_RW_CAL_ATT_SET), 4);
    EXPECT_EQ(CommandPayloadSize(MX_CMD_MODULE_CAL, MX_RW_CAL_ATT_GET), 0);
    EXPECT_EQ(WM_CONNECT_STATE, 0x82Fu);
    EXPECT_EQ(WM_DEVICE_FOUND, 0x7F7u);
    EXPECT_EQ(WM_MEASURE_DATA, 0x7F0u);
}

} // namespace
