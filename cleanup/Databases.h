#pragma once

#include "db/Connection.h"

#include <QString>

#include <memory>
#include <optional>

namespace qel {

// The databases the clean-ups reach, each named by a stored setting.
enum class DatabaseRole {
    CallCentre,    // CallCenterSrc
    Statistics,    // StatSrc
    Surveys,       // SurveyDB
    WebInterviews, // WebInterviewDB
    WebProduction, // WebProdDB
    Lists,         // ListDB
    BackupTarget,  // StatTgt, or the Access file AccessTgt
};

// The settings key that names the database of a role.
const char* SettingKeyOf(DatabaseRole role);

// Opens the database of a role from its connection string. Every clean-up
// opens its databases here, so that what is checked of a connection, and
// what a failure says about it, is the same everywhere.
std::unique_ptr<Connection> OpenDatabase(const QString& connectionString, DatabaseRole role,
                                         std::optional<int> commandTimeout = std::nullopt);

} // namespace qel
