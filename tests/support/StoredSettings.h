#pragma once

#include "tests/support/TestSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace qel::test {

// The tests' settings as the store keeps them, section Settings, read and
// written behind the program's back in the store's own format.
class StoredSettings : public QSettings {
public:
    StoredSettings() : QSettings(SettingsStore::DefaultFormat(), UserScope, kTestOrganization, kTestApplication)
    {
        beginGroup(QStringLiteral("Settings"));
    }
    void put(const char* key, const QVariant& value)
    {
        setValue(QLatin1String(key), value);
        sync();
    }
    QVariant get(const char* key)
    {
        sync();
        return value(QLatin1String(key));
    }
};

// The file that holds the tests' settings (outside Windows).
inline QString SettingsFilePath()
{
    return StoredSettings().fileName();
}

// Empties the store and removes its file, as on a first run.
inline void ForgetSettings()
{
    {
        StoredSettings settings;
        settings.endGroup();
        settings.clear();
    }
    QFile::remove(SettingsFilePath());
}

// Dates the file back, so that the next read parses it from disk again
// instead of taking what this process wrote from memory.
inline void ReadAgainFromDisk()
{
    QFile file(SettingsFilePath());
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
}

// The settings file as a person edits it (outside Windows): its bytes,
// and writing it anew.
inline QByteArray SettingsFileText()
{
    QFile file(SettingsFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
inline void WriteSettingsFileText(const QByteArray& text)
{
    QDir().mkpath(QFileInfo(SettingsFilePath()).absolutePath());
    QFile file(SettingsFilePath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text);
    file.close();
    ReadAgainFromDisk();
}

} // namespace qel::test
