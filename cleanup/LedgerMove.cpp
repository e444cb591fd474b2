#include "cleanup/LedgerMove.h"

#include "cleanup/BackupLedger.h"
#include "cleanup/TransferStatements.h"
#include "cleanup/WriterPacing.h"
#include "db/BatchInsert.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"
#include "db/Statement.h"
#include "db/Transaction.h"

#include <limits>
#include <optional>

namespace qel {

namespace Sql = TransferStatements;

namespace {

// The reading of a batch: the key first, then the columns.
std::vector<ValueForm> BatchForms(const ColumnReads& reads)
{
    std::vector<ValueForm> forms{ValueForm::Integer};
    forms.insert(forms.end(), reads.forms.begin(), reads.forms.end());
    return forms;
}

std::vector<qint64> KeysOf(const RowBatch& batch)
{
    const RowBatch::Column& key = batch.column(0);
    return std::vector<qint64>(key.integers.begin(), key.integers.end());
}

RowBatch ReadKeys(Connection& source, const QString& table, const QString& key, const ColumnReads& reads,
                  const std::vector<qint64>& keys)
{
    const QString list = BackupLedger::KeyList(keys);
    Statement statement(source);
    statement.ExecDirect(source.dialect().isSQLite() ? Sql::SQLiteReadKeys(table, reads.expressions, list)
                                                     : Sql::SqlServerReadKeys(table, key, reads.expressions, list));
    RowBatch batch;
    batch.Fetch(statement, BatchForms(reads), std::numeric_limits<int>::max());
    return batch;
}

// The smallest and largest key of the table, for telling how far a walk is.
std::pair<qint64, qint64> KeyBounds(Connection& source, const QString& table, const QString& key)
{
    Result bounds(source, source.dialect().isSQLite() ? Sql::SQLiteRowidBounds(table) : Sql::SqlServerKeyBounds(table, key));
    if (!bounds.Next())
        return {0, 0};
    return {bounds.Value(0).toInt64(), bounds.Value(1).toInt64()};
}

QString DeleteKeysText(Connection& source, const QString& table, const QString& key, const std::vector<qint64>& keys)
{
    const QString list = BackupLedger::KeyList(keys);
    return source.dialect().isSQLite() ? Sql::SQLiteDeleteKeys(table, list) : Sql::SqlServerDeleteKeys(table, key, list);
}

} // namespace

long long SettlePendingBatches(Connection& source, BackupLedger& ledger, const QString& table, const QString& key,
                               const ColumnReads& reads)
{
    long long deleted = 0;
    for (const BackupLedger::Entry& entry : ledger.Pending(table)) {
        Transaction hold(source);
        const RowBatch now = ReadKeys(source, table, key, reads, entry.keys);
        if (now.rowCount() == entry.rows && now.Fingerprint(1) == entry.fingerprint) {
            // The batch is in the backup and still in the source: its delete
            // never committed. It leaves the source now, uncopied.
            if (source.Execute(DeleteKeysText(source, table, key, entry.keys)) != entry.rows)
                throw DatabaseError::Internal(QStringLiteral("A batch of %1 already in the backup could not be deleted whole.").arg(table));
            hold.Commit();
            deleted += entry.rows;
        } else if (now.rowCount() != 0) {
            // Some of the keys hold other rows than the backup: not a state
            // this program leaves. Nothing is guessed at; the entry stays.
            throw DatabaseError::Internal(
                QStringLiteral("The backup holds a batch of %1 rows of %2 (keys %3) whose delete was not seen to finish, "
                               "and the source now holds different rows under %4 of those keys. Nothing of %2 was "
                               "changed; compare the backup's rows with the source before the next clean-up.")
                    .arg(entry.rows)
                    .arg(table, BackupLedger::EncodeKeys(entry.keys))
                    .arg(now.rowCount()));
        } else {
            // None of the rows is left: the delete had committed. The source
            // is let go first: with the backup attached to it, its
            // transaction holds the backup's file too.
            hold.Commit();
        }
        ledger.Forget(entry);
    }
    return deleted;
}

MoveResult MoveRowsThroughLedger(const TableMove& move, Connection& target, BackupLedger& ledger, const QString& key,
                                 const QStringList& columns, const ColumnReads& reads)
{
    MoveResult result;
    BatchInsert insert(target, move.table, columns);
    const std::vector<ValueForm> forms = BatchForms(reads);
    const bool sqlite = move.source.dialect().isSQLite();
    // A batch is bounded even when the table would go in one statement:
    // the ledger names each row the backup received.
    const int batchSize = move.batchSize > 0 ? move.batchSize : 4000;
    qint64 last = std::numeric_limits<qint64>::min();
    const auto [firstKey, lastKey] = KeyBounds(move.source, move.table, key);
    RowBatch batch;
    // The ledger entry of a batch whose delete has committed. It is dropped
    // in the transaction that saves the next batch, which spares the target
    // a commit per batch; until then a rerun would find its keys gone from
    // the source and drop it just the same (unless the product has since
    // reused those rowids, when the rerun refuses the table, not guessing).
    std::optional<BackupLedger::Entry> deletedBatch;
    const auto forgetDeletedBatch = [&] {
        if (deletedBatch)
            ledger.Forget(*deletedBatch);
        deletedBatch.reset();
    };
    for (;;) {
        if (move.stopRequested && move.stopRequested()) {
            forgetDeletedBatch();
            result.stopped = true;
            return result;
        }
        // The source is held from the read to the delete, so that the rows
        // deleted are exactly the rows copied.
        Transaction hold(move.source);
        {
            Statement read(move.source);
            read.ExecDirect(sqlite ? Sql::SQLiteReadBatch(move.table, reads.expressions, move.condition, last, batchSize)
                                   : Sql::SqlServerReadBatch(move.table, key, reads.expressions, move.condition, last,
                                                             batchSize));
            batch.Fetch(read, forms, batchSize);
        }
        if (batch.rowCount() == 0) {
            hold.Commit();
            forgetDeletedBatch();
            return result;
        }
        BackupLedger::Entry entry;
        entry.table = move.table;
        entry.keys = KeysOf(batch);
        entry.rows = batch.rowCount();
        entry.fingerprint = batch.Fingerprint(1);
        try {
            Transaction save(target);
            if (deletedBatch)
                ledger.Forget(*deletedBatch);
            insert.Insert(batch, 1);
            ledger.Record(entry);
            save.Commit();
        } catch (...) {
            // The batch before is done whatever became of this one. Should
            // its entry not go either, a rerun drops it.
            try {
                forgetDeletedBatch();
            } catch (...) {
            }
            throw;
        }
        deletedBatch.reset();
        // The rows the read found after `last` up to the batch's last key are
        // the batch: the source has been held since.
        const long long deleted = move.source.Execute(
            sqlite ? Sql::SQLiteDeleteBatch(move.table, move.condition, last, entry.keys.back())
                   : Sql::SqlServerDeleteRange(move.table, key, move.condition, last, entry.keys.back()));
        if (deleted != entry.rows)
            throw DatabaseError::Internal(QStringLiteral("%1 rows of %2 were copied but %3 would be deleted; the delete "
                                                         "was undone and the backup's ledger keeps the batch.")
                                              .arg(entry.rows)
                                              .arg(move.table)
                                              .arg(deleted));
        hold.Commit();
        result.rows += deleted;
        last = entry.keys.back();
        deletedBatch = std::move(entry);
        if (move.pacing)
            move.pacing->AfterBatch(move.source);
        const bool walkedThrough = batch.rowCount() < batchSize;
        if (move.onBatch)
            move.onBatch(result.rows, walkedThrough ? 1.0 : WalkedShare(firstKey, last, lastKey));
        if (walkedThrough) {
            forgetDeletedBatch();
            return result;
        }
    }
}

} // namespace qel
