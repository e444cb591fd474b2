#include "cleanup/TableMove.h"

#include "cleanup/TransferStatements.h"
#include "cleanup/WriterPacing.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"
#include "db/Transaction.h"

#include <limits>
#include <optional>

namespace qel {

namespace Sql = TransferStatements;

namespace {

bool StopRequested(const TableMove& move)
{
    return move.stopRequested && move.stopRequested();
}

// A batch that moved nothing (the last one may find no row) shows nothing.
void AfterBatch(const TableMove& move, long long batchRows, long long moved)
{
    if (move.pacing)
        move.pacing->AfterBatch();
    if (move.onBatch && batchRows > 0)
        move.onBatch(moved);
}

// The end of the next SQLite batch: the rowid of its last row, or nothing
// when the rows left fit in one batch.
std::optional<qint64> NextBatchEnd(const TableMove& move, qint64 last)
{
    Result end(move.source, Sql::SQLiteBatchEnd(move.table, move.condition, last, move.batchSize));
    if (!end.Next())
        return std::nullopt;
    return end.Value(0).toInt64();
}

// Walks a SQLite table by rowid, one transaction per batch; `work` deletes
// (and copies) the batch's rows and answers how many left.
MoveResult WalkSQLiteBatches(const TableMove& move,
                             const std::function<long long(qint64 last, const qint64* end)>& work)
{
    MoveResult result;
    qint64 last = std::numeric_limits<qint64>::min();
    for (;;) {
        if (StopRequested(move)) {
            result.stopped = true;
            return result;
        }
        Transaction batch(move.source);
        const std::optional<qint64> end = NextBatchEnd(move, last);
        const long long batchRows = work(last, end ? &*end : nullptr);
        result.rows += batchRows;
        batch.Commit();
        AfterBatch(move, batchRows, result.rows);
        if (!end)
            return result;
        last = *end;
    }
}

} // namespace

MoveResult DeleteRows(const TableMove& move)
{
    const Dialect& dialect = move.source.dialect();
    if (move.batchSize <= 0 || !(dialect.isSQLite() || dialect.isSqlServer())) {
        MoveResult result;
        result.rows = move.source.Execute(Sql::Delete(move.table, move.condition));
        AfterBatch(move, result.rows, result.rows);
        return result;
    }
    if (dialect.isSQLite())
        return WalkSQLiteBatches(move, [&](qint64 last, const qint64* end) {
            return move.source.Execute(Sql::SQLiteDeleteBatch(move.table, move.condition, last, end));
        });

    MoveResult result;
    for (;;) {
        if (StopRequested(move)) {
            result.stopped = true;
            return result;
        }
        const long long deleted = move.source.Execute(Sql::SqlServerDeleteBatch(move.table, move.condition, move.batchSize));
        result.rows += deleted;
        AfterBatch(move, deleted, result.rows);
        if (deleted < move.batchSize)
            return result;
    }
}

MoveResult MoveRowsAttached(const TableMove& move, const QString& attachedTarget, const QStringList& columns)
{
    const auto moveBatch = [&](qint64 last, const qint64* end) {
        const long long copied = move.source.Execute(
            Sql::SQLiteCopyBatch(attachedTarget, move.table, columns, move.condition, last, end));
        const long long deleted = move.source.Execute(Sql::SQLiteDeleteBatch(move.table, move.condition, last, end));
        // One transaction holds the write lock on the source: the two
        // statements see the same rows. Anything else is rolled back.
        if (copied != deleted)
            throw DatabaseError::Internal(QStringLiteral("%1 rows of %2 were copied but %3 deleted; the batch was undone.")
                                              .arg(copied)
                                              .arg(move.table)
                                              .arg(deleted));
        return deleted;
    };
    if (move.batchSize > 0)
        return WalkSQLiteBatches(move, moveBatch);

    // One batch of the whole table, still one transaction.
    MoveResult result;
    Transaction whole(move.source);
    result.rows = moveBatch(std::numeric_limits<qint64>::min(), nullptr);
    whole.Commit();
    AfterBatch(move, result.rows, result.rows);
    return result;
}

MoveResult MoveRowsOnServer(const TableMove& move, const QString& targetDatabase, const QStringList& columns)
{
    MoveResult result;
    for (;;) {
        if (StopRequested(move)) {
            result.stopped = true;
            return result;
        }
        const long long moved = move.source.Execute(
            Sql::SqlServerMoveBatch(move.table, columns, targetDatabase, move.condition, move.batchSize));
        result.rows += moved;
        AfterBatch(move, moved, result.rows);
        if (move.batchSize <= 0 || moved < move.batchSize)
            return result;
    }
}

} // namespace qel
