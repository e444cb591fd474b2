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
    BackupTarget,  // StatTgt, or with BackupType 2 the Access file AccessTgt
};

// The settings key that names the database of a role.
const char* SettingKeyOf(DatabaseRole role);

// The line a database-error report adds to say where the failure came
// from: the setting and the database it names, never a password. A backup
// target that names the Access driver is the one built from AccessTgt.
QString DatabaseOrigin(const ParsedConnection& connection, DatabaseRole role);
QString DatabaseOrigin(const QString& connectionString, DatabaseRole role);

// Opens the database of a role from its connection string. Every clean-up
// opens its databases here, so that what is checked of a connection, and
// what a failure says about it, is the same everywhere:
// - an empty connection string is an error that says which setting to fill;
// - a SQLite file that does not exist is an error, never created, except
//   for the backup target, which may be new;
// - every error of the connection, now or later, carries DatabaseOrigin.
// The setting is read once for all of these and the open itself.
std::unique_ptr<Connection> OpenDatabase(const ParsedConnection& connection, DatabaseRole role,
                                         std::optional<int> commandTimeout = std::nullopt);
std::unique_ptr<Connection> OpenDatabase(const QString& connectionString, DatabaseRole role,
                                         std::optional<int> commandTimeout = std::nullopt);

// While one of these lives on a thread, OpenDatabase opens SQLite files on
// that thread read-only (as a file: URI with mode=ro), so that a preview
// that ran into a write by mistake would fail rather than change a file.
// Other databases open as usual; a preview sends them nothing but reads.
class ReadOnlyOpening {
public:
    ReadOnlyOpening();
    ~ReadOnlyOpening();
    ReadOnlyOpening(const ReadOnlyOpening&) = delete;
    ReadOnlyOpening& operator=(const ReadOnlyOpening&) = delete;
};

// The connection string that opens the same SQLite file read-only; any
// other string as it is.
ParsedConnection ReadOnlyConnection(const ParsedConnection& connection);
QString ReadOnlyConnectionString(const QString& connectionString);

} // namespace qel
