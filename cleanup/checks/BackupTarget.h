#pragma once

#include "core/CleanupSettings.h"
#include "core/RunState.h"
#include "core/SettingRules.h"

#include <QString>

#include <optional>

namespace qel {

// The connection string of the backup target: with BackupType 2 the Jet
// provider string for the Access file AccessTgt, otherwise StatTgt. Sets the
// run's access-target flag to match.
QString TargetConnection(const CleanupSettings& settings, RunState& state);

// Why the backup the settings choose could not keep the rows copied into
// it, found from the settings alone, before anything is opened: an empty
// StatTgt or AccessTgt; a StatTgt that names no database, or an empty one
// (the SQLite driver then writes a file named after the connection string
// into the working folder); a SQLite database held in memory or deleted
// when its connection closes (":memory:", "file::memory:", a file: URI
// with mode=memory or without a path). A data source's entry counts as
// part of the string. Nothing without a backup or when all is well.
std::optional<SettingProblem> BackupTargetProblem(const CleanupSettings& settings);

// Why a SQLite database of this name keeps nothing once its connection
// closes ("an in-memory SQLite database"); empty for a file that stays.
QString TransientSQLiteDatabase(const QString& name);

} // namespace qel
