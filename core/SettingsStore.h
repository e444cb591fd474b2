#pragma once

#include "core/CleanupSettings.h"

#include <QSettings>
#include <QString>

namespace qel {

// The per-user settings of the tool, section "Settings": on Windows the
// registry key HKCU\Software\<organization>\<application>, shared with the
// tool this one replaces; elsewhere $XDG_CONFIG_HOME/<organization>/<application>.conf.
class SettingsStore {
public:
    // The names under which the tool keeps its settings.
    static constexpr const char* kOrganization = "Marvolen";
    static constexpr const char* kApplication = "QelBackup";

    explicit SettingsStore(QString organization = QLatin1String(kOrganization),
                           QString application = QLatin1String(kApplication),
                           QSettings::Format format = QSettings::NativeFormat);

    // Reads the nine text settings; an empty Timeout becomes "300".
    // SourceSQL and BackupType are never read: they keep what the
    // settings already hold.
    void Load(CleanupSettings& settings) const;

    // Writes all eleven settings, the two options as integers. A write that
    // fails is not reported: a clean-up goes on without it.
    void Save(const CleanupSettings& settings) const;

private:
    QString organization_;
    QString application_;
    QSettings::Format format_;
};

} // namespace qel
