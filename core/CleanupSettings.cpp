#include "core/CleanupSettings.h"

namespace qel {

const std::vector<SettingDefinition>& SettingDefinitions()
{
    using S = CleanupSettings;
    static const std::vector<SettingDefinition> settings = {
        {"CallCenterSrc", &S::callCenterSrc},
        {"StatSrc", &S::statSrc},
        {"Timeout", &S::timeout},
        {"SourceSQL", nullptr, &S::sourceSQL},
        {"StatTgt", &S::statTgt},
        {"AccessTgt", &S::accessTgt},
        {"ListDB", &S::listDB},
        {"BackupType", nullptr, &S::backupType},
        {"SurveyDB", &S::surveyDB},
        {"WebInterviewDB", &S::webInterviewDB},
        {"WebProdDB", &S::webProdDB},
        {"BatchSize", nullptr, &S::batchSize},
    };
    return settings;
}

const SettingDefinition* FindSetting(const QString& key)
{
    for (const SettingDefinition& setting : SettingDefinitions())
        if (key.compare(QLatin1String(setting.key), Qt::CaseInsensitive) == 0)
            return &setting;
    return nullptr;
}

} // namespace qel
