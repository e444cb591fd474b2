#pragma once

#include "core/CleanupSettings.h"
#include "core/RunState.h"

#include <QString>

namespace qel {

// The connection string of the backup target: with BackupType 2 the Jet
// provider string for the Access file AccessTgt, otherwise StatTgt. Sets the
// run's access-target flag to match.
QString TargetConnection(const CleanupSettings& settings, RunState& state);

} // namespace qel
