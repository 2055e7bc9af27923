// Integer preferences by section and value name under the company key.
// Windows: the current user's registry; here: Qt's native settings file.
#pragma once
#include <QString>

namespace Profile {
// Key (company) and application; default "Corvanta" / "Zephyra".
void SetRegistryKey(const QString& company);
// Tests: keep the store in an INI file inside this folder instead (empty: back to native).
void SetStorageFolder(const QString& folder);
// Values are 32-bit; unsigned colours such as 0xFF000000 round-trip through int.
int GetProfileInt(const QString& section, const QString& entry, int nDefault);
bool WriteProfileInt(const QString& section, const QString& entry, int nValue);
bool HasProfileValue(const QString& section, const QString& entry);
// Removes a whole section (the saved workspace discarded at start-up).
void DeleteSection(const QString& section);
void Flush();
} // namespace Profile
