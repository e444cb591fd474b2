#include "SettingsStore.h"

namespace {

constexpr const char* kOrganization = "Marvolen";
constexpr const char* kApplication = "QelBackup";
constexpr const char* kSection = "Settings";

QString ReadText(const QSettings& settings, const char* key)
{
    const QVariant value = settings.value(QLatin1String(key));
    return value.isValid() ? value.toString() : QString();
}

} // namespace

void SettingsStore::LoadSettings(BackupFields& fields) const
{
    QSettings settings(format_, QSettings::UserScope, QLatin1String(kOrganization), QLatin1String(kApplication));
    settings.beginGroup(QLatin1String(kSection));
    fields.CallCenterSrc = ReadText(settings, "CallCenterSrc");
    fields.StatSrc = ReadText(settings, "StatSrc");
    fields.Timeout = ReadText(settings, "Timeout");
    if (fields.Timeout.isEmpty())
        fields.Timeout = QStringLiteral("300");
    fields.StatTgt = ReadText(settings, "StatTgt");
    fields.AccessTgt = ReadText(settings, "AccessTgt");
    fields.ListDB = ReadText(settings, "ListDB");
    fields.SurveyDB = ReadText(settings, "SurveyDB");
    fields.WebInterviewDB = ReadText(settings, "WebInterviewDB");
    fields.WebProdDB = ReadText(settings, "WebProdDB");
}

void SettingsStore::SaveSettings(const BackupFields& fields) const
{
    QSettings settings(format_, QSettings::UserScope, QLatin1String(kOrganization), QLatin1String(kApplication));
    settings.beginGroup(QLatin1String(kSection));
    settings.setValue(QStringLiteral("CallCenterSrc"), fields.CallCenterSrc);
    settings.setValue(QStringLiteral("StatSrc"), fields.StatSrc);
    settings.setValue(QStringLiteral("Timeout"), fields.Timeout);
    settings.setValue(QStringLiteral("SourceSQL"), static_cast<int>(fields.SourceSQL));
    settings.setValue(QStringLiteral("StatTgt"), fields.StatTgt);
    settings.setValue(QStringLiteral("AccessTgt"), fields.AccessTgt);
    settings.setValue(QStringLiteral("ListDB"), fields.ListDB);
    settings.setValue(QStringLiteral("BackupType"), static_cast<int>(fields.BackupType));
    settings.setValue(QStringLiteral("SurveyDB"), fields.SurveyDB);
    settings.setValue(QStringLiteral("WebInterviewDB"), fields.WebInterviewDB);
    settings.setValue(QStringLiteral("WebProdDB"), fields.WebProdDB);
    settings.endGroup();
    settings.sync(); // a failed write is not reported
}
