#pragma once

#include "cleanup/ColumnReads.h"
#include "cleanup/TableMove.h"

#include <QString>
#include <QStringList>

namespace qel {

class BackupLedger;
class Connection;

// Moves a table's rows into a backup reached only through this program
// (another server, an Access file, or a copy forced to go row by row): each
// batch is read along the table's key while the source holds it, saved in
// the backup together with an entry in the backup's ledger, then deleted
// from the source by its keys. Batches that a run before left in the
// ledger are settled first, so that no row is copied twice and none is
// lost, whatever ended that run. `key` is the column the batches walk:
// "rowid" on SQLite, a unique integer column elsewhere.
MoveResult MoveRowsThroughLedger(const TableMove& move, Connection& target, BackupLedger& ledger, const QString& key,
                                 const QStringList& columns, const ColumnReads& reads);

// Settles the ledger's batches of the table (see BackupLedger) and answers
// how many rows of them were deleted from the source now.
long long SettlePendingBatches(Connection& source, BackupLedger& ledger, const QString& table, const QString& key,
                               const ColumnReads& reads);

} // namespace qel
