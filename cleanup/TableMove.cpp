#include "cleanup/TableMove.h"

#include "cleanup/TransferStatements.h"
#include "cleanup/WriterPacing.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"
#include "db/Transaction.h"

#include <algorithm>
#include <limits>

namespace qel {

namespace Sql = TransferStatements;

namespace {

bool StopRequested(const TableMove& move)
{
    return move.stopRequested && move.stopRequested();
}

// A batch that moved nothing (the last one may find no row) shows nothing.
void AfterBatch(const TableMove& move, long long batchRows, long long moved, double walked)
{
    if (move.pacing)
        move.pacing->AfterBatch(move.source);
    if (move.onBatch && batchRows > 0)
        move.onBatch(moved, walked);
}

} // namespace

double WalkedShare(qint64 first, qint64 reached, qint64 last)
{
    if (reached >= last)
        return 1.0;
    return (static_cast<double>(reached) - static_cast<double>(first) + 1.0)
        / (static_cast<double>(last) - static_cast<double>(first) + 1.0);
}

namespace {

// Walks a SQLite table once, in windows of its rowids, one transaction per
// window; `work` deletes (and copies) the window's rows that the condition
// picks and answers how many there were. A window never holds more than a
// batch of such rows: one that does is rolled back and taken again half as
// wide. Windows grow where few rows match, so that a table whose old rows
// lie far apart takes few batches; each statement finds its window through
// the rowid, never by scanning from the table's start.
MoveResult WalkSQLiteWindows(const TableMove& move, const std::function<long long(qint64 last, qint64 end)>& work)
{
    MoveResult result;
    qint64 first = 0;
    qint64 lastRow = 0;
    {
        Result bounds(move.source, Sql::SQLiteRowidBounds(move.table));
        if (!bounds.Next() || bounds.Value(0).isNull())
            return result; // an empty table
        first = bounds.Value(0).toInt64();
        lastRow = bounds.Value(1).toInt64();
    }
    const qint64 batch = move.batchSize;
    qint64 width = batch;
    qint64 last = first > std::numeric_limits<qint64>::min() ? first - 1 : first;
    while (last < lastRow) {
        if (StopRequested(move)) {
            result.stopped = true;
            return result;
        }
        const quint64 remaining = static_cast<quint64>(lastRow) - static_cast<quint64>(last);
        const qint64 end = remaining <= static_cast<quint64>(width) ? lastRow : last + width;
        Transaction window(move.source);
        const long long rows = work(last, end);
        if (rows > batch) {
            width = std::max(batch, width / 2); // rolled back with the window
            continue;
        }
        window.Commit();
        result.rows += rows;
        last = end;
        AfterBatch(move, rows, result.rows, WalkedShare(first, last, lastRow));
        // Aim the next window at nine tenths of a batch at this density.
        width = rows > 0 ? std::clamp(width * batch * 9 / 10 / rows, batch, 64 * batch) : std::min(width * 2, 64 * batch);
    }
    return result;
}

} // namespace

MoveResult DeleteRows(const TableMove& move)
{
    const Dialect& dialect = move.source.dialect();
    if (move.batchSize <= 0 || !(dialect.isSQLite() || dialect.isSqlServer())) {
        MoveResult result;
        result.rows = move.source.Execute(Sql::Delete(move.table, move.condition));
        AfterBatch(move, result.rows, result.rows, 1.0);
        return result;
    }
    if (dialect.isSQLite())
        return WalkSQLiteWindows(move, [&](qint64 last, qint64 end) {
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
        AfterBatch(move, deleted, result.rows, -1.0);
        if (deleted < move.batchSize)
            return result;
    }
}

MoveResult MoveRowsAttached(const TableMove& move, const QString& attachedTarget, const QStringList& columns)
{
    const auto moveBatch = [&](qint64 last, qint64 end) {
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
        return WalkSQLiteWindows(move, moveBatch);

    // One batch of the whole table, still one transaction.
    MoveResult result;
    Transaction whole(move.source);
    result.rows = moveBatch(std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
    whole.Commit();
    AfterBatch(move, result.rows, result.rows, 1.0);
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
        AfterBatch(move, moved, result.rows, move.batchSize <= 0 ? 1.0 : -1.0);
        if (move.batchSize <= 0 || moved < move.batchSize)
            return result;
    }
}

} // namespace qel
