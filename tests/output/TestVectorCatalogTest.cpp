#include "output/TestVectorCatalog.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

namespace {

std::u16string U(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

std::string Describe(const std::string& name) {
    std::u16string out = u"stale";
    GetTestVectorDescription(U(name), out);
    return std::string(out.begin(), out.end());
}

const char* const kNoDescription = "No Description";

} // namespace

TEST(TestVectorCatalog, FixedRowsAreExact) {
    struct Row {
        std::size_t index;
        const char* name;
        const char* desc;
    };
    const Row rows[] = {
        {0, "IB_AM_e1_awgn.bin", "White Gaussian noise; Flat spectrum from -23 kHz to +23 kHz"},
        {1, "IB_AM_e1a_CW_dc.bin",
         "Unmodulated RF carrier for AM mode; Single RF carrier, frequency offset = 0 Hz"},
        {8, "IB_AMr208_e1awfa05.bin", "MA1, audio mix, clean channel"},
        {74, "IB_FM_e1_awgn.bin", "White Gaussian noise; Flat spectrum from -372 kHz to +372 kHz"},
        {78, "IB_FMr001_e1_cw_0_m200.bin", "Two RF carriers; Freqoffset1 = 0 Hz; Freqoffset2 = -200 kHz"},
        {110, "IB_FMr208c_e1wfc548.bin", "MP5, BER test pattern, Cd/No = 59 dB-Hz, urban fast fading"},
        {162, "IB_FMr430_e1wfr1071.bin",
         "CA Test Vector #2 - EVEN/ODD; Analog audio: 1-kHz tone; Digital audio: Music"},
        {216, "CC_TTN_FMr440a_e1wfr001.bin", kNoDescription},
        {294, "IB_FMr430_e1wfr1093.bin", "All-zero data pattern"},
        {710, "IB_FMr500_e1wfr1703.bin", kNoDescription},
        {746, "IB_FMr500_e1wfr1703.bin", kNoDescription},
        {738, "IB_AMr500_e1wfa1838.bin", "4095 Chip Test Vectors"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.index);
        EXPECT_EQ(TestVectorFileNameUtf8(r.index), r.name);
        EXPECT_EQ(TestVectorDescriptionUtf8(r.index), r.desc);
    }
}

TEST(TestVectorCatalog, LayoutCountsAndPatterns) {
    static_assert(sizeof(TestVectorInfo) == (60 + 265) * 2);
    static_assert(sizeof(g_TestVectorCatalog) / sizeof(g_TestVectorCatalog[0]) == 747);

    std::map<std::string, int> prefixes;
    std::map<std::string, int> occurrences;
    int noDescription = 0, u0 = 0, mcv = 0;
    std::size_t longestName = 0, longestDesc = 0;
    const std::regex usual(R"(^(IB|CC_TTN|CC)_(AM|FM)(r(\d{3}[a-z]?|MCV))?_(e1|u0)[A-Za-z0-9_]*\.bin$)");

    for (std::size_t i = 0; i < kTestVectorCount; ++i) {
        SCOPED_TRACE(i);
        const TestVectorInfo& row = g_TestVectorCatalog[i];
        const std::string name = TestVectorFileNameUtf8(i);
        const std::string desc = TestVectorDescriptionUtf8(i);

        // Zero-filled after the terminator, and ASCII only.
        for (std::size_t k = name.size(); k < 60; ++k)
            ASSERT_EQ(row.m_szFileName[k], 0);
        for (std::size_t k = desc.size(); k < 265; ++k)
            ASSERT_EQ(row.m_szDescription[k], 0);
        for (char16_t c : row.m_szFileName)
            ASSERT_LT(c, 0x80);
        for (char16_t c : row.m_szDescription)
            ASSERT_LT(c, 0x80);

        ASSERT_GE(name.size(), 5u);
        EXPECT_EQ(name.substr(name.size() - 4), ".bin");
        EXPECT_FALSE(desc.empty());
        longestName = std::max(longestName, name.size());
        longestDesc = std::max(longestDesc, desc.size());

        std::string prefix = "other";
        for (const char* p : {"IB_FM", "IB_AM", "CC_TTN_FM", "CC_FM", "mpl_vector"})
            if (name.rfind(p, 0) == 0) {
                prefix = p;
                break;
            }
        ++prefixes[prefix];
        if (prefix.rfind("IB_", 0) == 0 || prefix.rfind("CC_", 0) == 0) {
            EXPECT_TRUE(std::regex_match(name, usual)) << name;
        }

        ++occurrences[name];
        noDescription += desc == kNoDescription;
        u0 += name.find("_u0") != std::string::npos;
        mcv += name.find("rMCV") != std::string::npos;
    }

    EXPECT_EQ(prefixes["IB_FM"], 435);
    EXPECT_EQ(prefixes["IB_AM"], 225);
    EXPECT_EQ(prefixes["CC_TTN_FM"], 75);
    EXPECT_EQ(prefixes["CC_FM"], 6);
    EXPECT_EQ(prefixes["mpl_vector"], 5);
    EXPECT_EQ(prefixes["other"], 1);
    EXPECT_EQ(noDescription, 535);
    EXPECT_EQ(u0, 3);
    EXPECT_EQ(mcv, 1);
    EXPECT_EQ(longestName, 50u);
    EXPECT_EQ(longestDesc, 256u);

    int twice = 0;
    for (const auto& [name, count] : occurrences) {
        EXPECT_LE(count, 2) << name;
        if (count == 2) {
            ++twice;
            EXPECT_EQ(GetTestVectorDescriptionUtf8(name), kNoDescription) << name;
            for (std::size_t i = 0; i < kTestVectorCount; ++i)
                if (TestVectorFileNameUtf8(i) == name) {
                    EXPECT_EQ(TestVectorDescriptionUtf8(i), kNoDescription) << name;
                }
        }
    }
    EXPECT_EQ(twice, 15);
}

TEST(TestVectorCatalog, TwoCarrierNamesMatchTheirDescriptions) {
    // r001 names carry both offsets in kHz, m for minus.
    const std::regex twoCarrier(R"(^IB_(AM|FM)r001_e1_cw_(m?\d+)_(m?\d+)\.bin$)");
    auto text = [](const std::string& field) {
        const int v = field[0] == 'm' ? -std::stoi(field.substr(1)) : std::stoi(field);
        return v == 0 ? std::string("0 Hz") : std::to_string(v) + " kHz";
    };
    int found = 0;
    for (std::size_t i = 0; i < kTestVectorCount; ++i) {
        const std::string name = TestVectorFileNameUtf8(i);
        std::smatch m;
        if (!std::regex_match(name, m, twoCarrier))
            continue;
        ++found;
        EXPECT_EQ(TestVectorDescriptionUtf8(i),
                  "Two RF carriers; Freqoffset1 = " + text(m[2]) + "; Freqoffset2 = " + text(m[3]))
            << name;
    }
    EXPECT_GE(found, 2);
}

TEST(TestVectorCatalog, LookupHitsAndMisses) {
    struct Case {
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"IB_AM_e1_awgn.bin", "White Gaussian noise; Flat spectrum from -23 kHz to +23 kHz"},
        {"ib_am_e1_awgn.bin", ""},  // case matters
        {"IB_AM_e1_awgn.bin ", ""}, // no trimming
        {" IB_AM_e1_awgn.bin", ""},
        {"IB_AM_e1_awgn", ""},    // the extension is part of the name
        {"IB_AM_e1_awgn.bi", ""}, // prefix of a name is not a match
        {"", ""},
        {"IB_FMr500_e1wfr1703.bin", kNoDescription}, // listed twice
        {"CC_TTN_FMr440a_e1wfr001.bin", kNoDescription},
        {"IB_AMr500_e1wfa1838.bin", "4095 Chip Test Vectors"},
        {"not_in_catalog.bin", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Describe(c.name), c.expected); // output is emptied first
        EXPECT_EQ(GetTestVectorDescriptionUtf8(c.name), c.expected);
    }

    // Embedded NUL and a name longer than any row.
    std::u16string withNul = u"IB_AM_e1_awgn.bin";
    withNul.push_back(u'\0');
    std::u16string out = u"x";
    GetTestVectorDescription(withNul, out);
    EXPECT_TRUE(out.empty());
    GetTestVectorDescription(std::u16string(500, u'A'), out);
    EXPECT_TRUE(out.empty());

    // Non-ASCII UTF-8 never matches; out-of-range rows give empty text.
    EXPECT_EQ(GetTestVectorDescriptionUtf8("IB_AM_e1_awgn\xC3\xA9.bin"), "");
    EXPECT_EQ(TestVectorFileNameUtf8(kTestVectorCount), "");
}

TEST(TestVectorCatalog, EveryRowIsFoundWithItsFirstDescription) {
    for (std::size_t i = 0; i < kTestVectorCount; ++i) {
        const std::string name = TestVectorFileNameUtf8(i);
        std::size_t first = i;
        for (std::size_t k = 0; k < i; ++k)
            if (TestVectorFileNameUtf8(k) == name) {
                first = k;
                break;
            }
        EXPECT_EQ(GetTestVectorDescriptionUtf8(name), TestVectorDescriptionUtf8(first)) << name;
    }
}
