#pragma once

#include "db/Catalog.h"

#include <QString>

#include <functional>
#include <vector>

namespace qel {

class Connection;

// Makes a backup table hold exactly the rows of a source table: empties it
// and copies every source row through this program, in batches of bounded
// memory, all in one transaction of the backup, so that it is never seen
// half copied. `targetTable` is the backup's table as its statements name
// it (Catalog::StatementName). Answers the number of rows copied.
long long CopyWholeTable(Connection& source, Connection& target, const QString& table, const QString& targetTable,
                         const std::vector<ColumnDefinition>& sourceColumns,
                         const std::function<void(long long copied)>& onBatch = {});

} // namespace qel
