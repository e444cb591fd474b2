#pragma once

#include "BackupFields.h"

#include <QSettings>

// The per-user settings of the tool: on Windows the registry key
// HKCU\Software\Marvolen\QelBackup, section Settings, shared with the tool
// this one replaces; elsewhere $XDG_CONFIG_HOME/Marvolen/QelBackup.conf.
class SettingsStore {
public:
    explicit SettingsStore(QSettings::Format format = QSettings::NativeFormat) : format_(format) {}

    // Reads the nine text settings into the fields; an empty Timeout becomes
    // "300". SourceSQL and BackupType are never read: they keep the values
    // the fields hold.
    void LoadSettings(BackupFields& fields) const;

    // Writes all eleven settings, the two options as integers. Write failures
    // are ignored: a clean-up goes on without them.
    void SaveSettings(const BackupFields& fields) const;

private:
    QSettings::Format format_;
};
