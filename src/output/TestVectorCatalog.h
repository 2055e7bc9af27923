#pragma once

// Built-in catalog of the test-vector files an instrument may hold: file name
// and a one-line description of the signal in it. Pure C++ so that the
// simulated instrument can fill its storage from the same rows.

#include <cstddef>
#include <string>
#include <string_view>

struct TestVectorInfo {
    char16_t m_szFileName[60];     // UTF-16, NUL-terminated, zero-filled
    char16_t m_szDescription[265]; // UTF-16, NUL-terminated, zero-filled
};

inline constexpr std::size_t kTestVectorCount = 747;

extern const TestVectorInfo g_TestVectorCatalog[kTestVectorCount];

// Output is emptied first; stays empty for an empty or unknown name. The name
// must match a row exactly (case-sensitive, no trimming); the first match wins.
void GetTestVectorDescription(const std::u16string& strFileName, std::u16string& strDescription);

// Same lookup for UTF-8 callers (the simulator, tests). Non-ASCII input can
// never match, since every catalog name is ASCII.
std::string GetTestVectorDescriptionUtf8(std::string_view fileName);

// Row text as UTF-8 (catalog text is ASCII); index must be < kTestVectorCount.
std::string TestVectorFileNameUtf8(std::size_t row);
std::string TestVectorDescriptionUtf8(std::size_t row);
