#pragma once

#include "core/CleanupSettings.h"

#include <QSettings>
#include <QString>

namespace qel {

// The per-user settings of the tool, section "Settings": on Windows the
// registry key HKCU\Software\<organization>\<application>, shared with the
// tool this one replaces; elsewhere the file
// $XDG_CONFIG_HOME/<organization>/<application>.conf, which keeps values as
// a person writes them (see SettingsFileFormat.h).
class SettingsStore {
public:
    // The names under which the tool keeps its settings.
    static constexpr const char* kOrganization = "Marvolen";
    static constexpr const char* kApplication = "QelBackup";

    // The registry on Windows, the settings file elsewhere.
    static QSettings::Format DefaultFormat();

    explicit SettingsStore(QString organization = QLatin1String(kOrganization),
                           QString application = QLatin1String(kApplication),
                           QSettings::Format format = DefaultFormat());

    // Reads all eleven settings; an empty Timeout becomes "300". SourceSQL
    // and BackupType keep what the settings already hold when their entry
    // is missing or holds no whole number.
    void Load(CleanupSettings& settings) const;

    // Writes all eleven settings, the two options as integers. A write that
    // fails is not reported: a clean-up goes on without it.
    void Save(const CleanupSettings& settings) const;

    QSettings::Format format() const { return format_; }

    // Where the settings are kept: the file's path, or the registry key.
    QString location() const;

private:
    QString organization_;
    QString application_;
    QSettings::Format format_;
};

} // namespace qel
