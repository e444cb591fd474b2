#pragma once

#include "cleanup/transfer/BackupLedger.h"
#include "cleanup/transfer/ColumnReads.h"
#include "cleanup/transfer/TableMove.h"
#include "db/Catalog.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace qel {

class Connection;

// Moves a table's rows into a backup reached only through this program
// (another server, an Access file, or a copy forced to go row by row).
// Each batch is one range of the table's walk key: the source's transaction
// takes it (on SQLite reads it under the write lock, on SQL Server deletes
// it into a table of the connection), the backup commits its rows together
// with an entry in its ledger, then the source deletes and commits. Batches
// that a run before left in the ledger are settled first (see
// SettlePendingBatches), so that no row is copied twice and none is lost,
// whatever ended that run. The table needs no key of its own.
class LedgerMove {
public:
    // `targetTable` is the backup's table as its statements name it;
    // `columns` are the source's columns in order; `selection` says what
    // chose the rows, so that a batch is settled only by a run that chooses
    // rows the same way.
    LedgerMove(const TableMove& move, Connection& target, QString targetTable, BackupLedger& ledger,
               const std::vector<ColumnDefinition>& columns, QString selection);

    // Settles the ledger's batches of the table: a batch whose rows are all
    // still in the source is deleted there now (its copy is in the backup),
    // one whose rows are all gone is forgotten; anything else is refused,
    // naming the batch. Answers the rows deleted.
    long long SettlePendingBatches();

    MoveResult Move();

private:
    MoveResult MoveSQLite();
    MoveResult MoveSqlServer();
    // SQL Server: deletes the rows of a range into the connection's holding
    // table and reads them back, inside the caller's transaction.
    RowBatch TakeRange(const KeyRange& range);
    // Saves a batch in the backup with its ledger entry, dropping the entry
    // of the batch before (whose source commit was seen) in the same
    // transaction.
    void Save(const RowBatch& batch, int firstColumn, const BackupLedger::Entry& entry);
    void ForgetDeletedBatch();
    BackupLedger::Entry EntryFor(const RowBatch& batch, int firstColumn, const QStringList& after,
                                 const QStringList& through);
    KeyRange RangeOf(const BackupLedger::Entry& entry) const;
    void CreateHoldingTable();

    const TableMove& move_;
    Connection& target_;
    QString targetTable_;
    BackupLedger& ledger_;
    std::vector<ColumnDefinition> columns_;
    ColumnReads reads_;
    QString selection_;
    bool holdingTableReady_ = false;
    std::optional<BackupLedger::Entry> deletedBatch_;
};

} // namespace qel
