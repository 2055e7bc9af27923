// Profile value names, reached by row index.
#pragma once
#include <QString>
#include <cstdint>

struct SettingKeyEntry {
    std::int32_t m_nId;    // equals the row index
    char16_t m_szName[20]; // zero-padded
};

constexpr int kSettingKeyCount = 95;
extern const SettingKeyEntry SettingKeyTable[kSettingKeyCount];

// Rows the program reads and writes.
enum SettingKeyRow : int {
    KEY_SPEC_BG_COLOR = 24, // .. 34: the spectrum colour set
    KEY_SPEC_MINHOLD_COLOR = 34,
    KEY_IQ_BG_COLOR = 57, // .. 67: the IQ colour set
    KEY_IQ_MINHOLD_COLOR = 67,
    KEY_ZEPHYRA_FREQ = 93,
    KEY_ZEPHYRA_POWER = 94,
};

// Name of a row; empty for a row outside the table.
QString SettingKeyName(int row);

// Profile sections of the settings store.
inline const QString kGraphColorSection = QStringLiteral("MxGraphColor");
