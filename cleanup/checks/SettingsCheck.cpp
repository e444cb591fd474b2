#include "cleanup/checks/SettingsCheck.h"

#include "cleanup/checks/BackupTarget.h"

namespace qel {

std::optional<SettingProblem> CheckSettings(const CleanupSettings& settings, bool copiesIntoBackup)
{
    if (auto problem = FindSettingProblem(settings))
        return problem;
    if (copiesIntoBackup)
        return BackupTargetProblem(settings);
    return std::nullopt;
}

} // namespace qel
