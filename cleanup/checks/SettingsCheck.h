#pragma once

#include "core/CleanupSettings.h"
#include "core/SettingRules.h"

#include <optional>

namespace qel {

// What a command cannot start with, found from the settings before
// anything is opened: a value a setting cannot take (SettingRules), and for
// the clean-ups that copy into the backup (copiesIntoBackup), a backup
// target that would keep nothing or land where no setting names
// (BackupTargetProblem). Both front ends ask here: the command line ends
// with a usage error, the window shows the text and starts nothing.
std::optional<SettingProblem> CheckSettings(const CleanupSettings& settings, bool copiesIntoBackup);

} // namespace qel
