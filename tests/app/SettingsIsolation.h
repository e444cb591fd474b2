#pragma once

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSettings>

// The tool's settings as this test program sees them: the native store under
// $XDG_CONFIG_HOME, group Settings.
inline QString SettingsFilePath()
{
    return QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("Marvolen/QelBackup.conf"));
}

class StoredSettings : public QSettings {
public:
    StoredSettings() : QSettings(NativeFormat, UserScope, QStringLiteral("Marvolen"), QStringLiteral("QelBackup"))
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
