#pragma once

#include <QString>

#include <map>
#include <optional>

namespace qel {

// The CREATE TABLE text SQLite keeps for a table (sqlite_master.sql),
// rewritten for a rebuild of the table: the table named `newName` (already
// quoted), and the columns named in `types` (compared without letter case)
// declared with the given types. Everything else stays as written: the
// other columns, every constraint, default and collation, the table's
// options (WITHOUT ROWID). Nothing when the text is not a column list this
// can read, or names a column of `types` it does not hold.
std::optional<QString> RewriteTableDefinition(const QString& createSql, const QString& newName,
                                              const std::map<QString, QString>& types);

} // namespace qel
