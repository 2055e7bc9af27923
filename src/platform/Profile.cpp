#include "Profile.h"

#include <QDir>
#include <QSettings>
#include <memory>

namespace {
QString g_company = QStringLiteral("Corvanta");
QString g_application = QStringLiteral("Zephyra");
QString g_folder;
std::unique_ptr<QSettings> g_settings;

QSettings& Store() {
    if (!g_settings) {
        if (g_folder.isEmpty())
            g_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, g_company,
                                                     g_application);
        else
            g_settings = std::make_unique<QSettings>(
                QDir(g_folder).filePath(g_company + QStringLiteral(".ini")), QSettings::IniFormat);
    }
    return *g_settings;
}

QString Key(const QString& section, const QString& entry) {
    // Sections are groups; an empty section name would put values at the top level.
    return (section.isEmpty() ? QStringLiteral("General") : section) + QLatin1Char('/') + entry;
}
} // namespace

namespace Profile {

void SetRegistryKey(const QString& company) {
    g_company = company.isEmpty() ? QStringLiteral("Corvanta") : company;
    g_settings.reset();
}

void SetStorageFolder(const QString& folder) {
    if (g_settings)
        g_settings->sync();
    g_folder = folder;
    g_settings.reset();
}

int GetProfileInt(const QString& section, const QString& entry, int nDefault) {
    QVariant v = Store().value(Key(section, entry));
    if (!v.isValid())
        return nDefault;
    bool ok = false;
    // Stored as signed or unsigned 32-bit text; anything else is not ours.
    qlonglong n = v.toString().toLongLong(&ok, 0);
    if (!ok || n < INT32_MIN || n > UINT32_MAX)
        return nDefault;
    return static_cast<int>(static_cast<std::uint32_t>(n));
}

bool WriteProfileInt(const QString& section, const QString& entry, int nValue) {
    Store().setValue(Key(section, entry), nValue);
    return Store().status() == QSettings::NoError;
}

bool HasProfileValue(const QString& section, const QString& entry) {
    return Store().contains(Key(section, entry));
}

void DeleteSection(const QString& section) {
    Store().remove(section);
}

void Flush() {
    if (g_settings)
        g_settings->sync();
}

} // namespace Profile
