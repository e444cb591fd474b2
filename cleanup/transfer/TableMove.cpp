#include "cleanup/transfer/TableMove.h"

#include "cleanup/transfer/BatchRetry.h"
#include "cleanup/transfer/TransferStatements.h"
#include "cleanup/transfer/WriterPacing.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"
#include "db/Transaction.h"
#include "db/WaitHook.h"

#include <QElapsedTimer>

#include <algorithm>
#include <optional>

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
        move.pacing->AfterTransaction(move.source);
    if (move.onBatch && batchRows > 0)
        move.onBatch(moved, walked);
}


// The words of an error that may lie in the source or in the backup
// attached to it (a commit writes both files).
QString BothOrigins(const TableMove& move)
{
    return move.backupOrigin.isEmpty() ? move.source.origin()
                                       : QStringLiteral("%1; and its backup, %2").arg(move.source.origin(), move.backupOrigin);
}

// Commits a transaction, naming both files when the commit fails.
void CommitNamingBoth(const TableMove& move, Transaction& transaction)
{
    try {
        transaction.Commit();
    } catch (DatabaseError& e) {
        e.setOrigin(BothOrigins(move));
        throw;
    }
}

// Walks a SQL Server table along its key, one statement per batch, each
// retried when the server chose it as a deadlock's victim.
MoveResult WalkSqlServer(const TableMove& move, const std::function<long long(const KeyRange&)>& work)
{
    MoveResult result;
    QStringList after;
    for (;;) {
        if (StopRequested(move)) {
            result.stopped = true;
            return result;
        }
        const auto end = RetryBatch(move.source, move.table, [&] {
            return FirstRowTexts(move.source,
                                 Sql::SqlServerBatchEnd(move.table, move.key, move.condition, after, move.batchSize));
        });
        if (!end)
            return result;
        QStringList through;
        for (qsizetype i = 0; i < end->size(); ++i)
            through << WalkStatements::SqlServerKeyLiteral(move.key.serverTypes.value(i), end->at(i));
        const long long rows = RetryBatch(move.source, move.table, [&] { return work(KeyRange{after, through}); });
        after = through;
        result.rows += rows;
        AfterBatch(move, rows, result.rows, -1.0);
    }
}

// The count a SQL Server batch selects after its delete or move. The
// server may hold the batch on another session's locks for as long as its
// time-out allows; a stop cancels it there, and the server undoes it.
long long SelectedCount(Connection& connection, const QString& sql)
{
    Result count(connection, sql, Duration::Long);
    return count.Next() ? count.Value(0).toInt64() : 0;
}

} // namespace

// Walks a SQLite table along its key in windows of at most batchSize rows
// of the table, each window one batch: a batch thus takes at most batchSize
// rows, and each row is read once by the statements that take the rows, as
// by one statement over the whole table. Each transaction holds the write
// lock for a bounded time (see WriterPacing), taking windows one after
// another, each sized by how fast the rows went so far to end within that
// time; `work` deletes (and copies) the rows of one range that the
// condition picks and answers how many there were.
MoveResult WalkSQLiteTable(const TableMove& move, const std::function<long long(const KeyRange&)>& work)
{
    MoveResult result;
    const WalkProgress progress(move.source, move.table, move.key);
    double rowsPerMs = 0; // how fast windows have gone, in rows of the table, once one has
    QStringList after;
    for (bool finished = false; !finished;) {
        if (StopRequested(move)) {
            result.stopped = true;
            return result;
        }
        if (move.pacing)
            move.pacing->BeforeTransaction(move.source);
        const qint64 budgetMs = move.pacing ? move.pacing->TransactionMilliseconds() : 0;
        QElapsedTimer held;
        held.start();
        Transaction transaction(move.source);
        if (move.checkColumns)
            move.checkColumns();
        long long rows = 0;
        QStringList reached = after;
        do {
            const qint64 startedMs = held.elapsed();
            int size = move.batchSize;
            if (rowsPerMs > 0 && budgetMs > 0) {
                const double fits = rowsPerMs * static_cast<double>(std::max<qint64>(budgetMs - startedMs, 1));
                size = static_cast<int>(std::clamp(fits, 100.0, static_cast<double>(move.batchSize)));
            }
            KeyRange range{reached, {}};
            const auto end = FirstRowTexts(move.source, Sql::SQLiteWindowEnd(move.table, move.key, reached, size));
            if (end)
                range.through = *end;
            rows += work(range);
            finished = !end;
            if (end)
                reached = *end;
            const qint64 tookMs = held.elapsed() - startedMs;
            if (end && tookMs > 0)
                rowsPerMs = static_cast<double>(size) / static_cast<double>(tookMs);
        } while (!finished && held.elapsed() < budgetMs);
        CommitNamingBoth(move, transaction);
        after = reached;
        result.rows += rows;
        AfterBatch(move, rows, result.rows, finished ? 1.0 : progress.ShareAfter(after));
    }
    return result;
}

long long ReadSQLiteTableInWindows(Connection& source, const QString& table, const WalkKey& key, int batchSize,
                                   WriterPacing* pacing, const std::function<long long(const KeyRange&)>& work)
{
    const TableMove walk{source, table, QString(), key, batchSize, pacing, {}, WaitAbandoned, {}, {}};
    const MoveResult read = WalkSQLiteTable(walk, work);
    if (read.stopped)
        throw Interrupted();
    return read.rows;
}

std::optional<QStringList> FirstRowTexts(Connection& connection, const QString& sql)
{
    // Where the next batch ends: on SQL Server a read that may wait for
    // another session's locks.
    Result rows(connection, sql, connection.dialect().isSqlServer() ? Duration::Long : Duration::Short);
    if (!rows.Next())
        return std::nullopt;
    QStringList texts;
    for (int i = 0; i < rows.ColumnCount(); ++i)
        texts << rows.Value(i).text();
    return texts;
}

double WalkedShare(qint64 first, qint64 reached, qint64 last)
{
    if (reached >= last)
        return 1.0;
    return (static_cast<double>(reached) - static_cast<double>(first) + 1.0)
        / (static_cast<double>(last) - static_cast<double>(first) + 1.0);
}

WalkProgress::WalkProgress(Connection& source, const QString& table, const WalkKey& key)
{
    if (!source.dialect().isSQLite() || key.columns.size() != 1)
        return;
    Result bounds(source, Sql::SQLiteKeyBounds(table, key));
    if (!bounds.Next() || bounds.Value(0).isNull())
        return;
    bool firstOk = false;
    bool lastOk = false;
    first_ = bounds.Value(0).text().toLongLong(&firstOk);
    last_ = bounds.Value(1).text().toLongLong(&lastOk);
    known_ = firstOk && lastOk;
}

double WalkProgress::ShareAfter(const QStringList& after) const
{
    bool ok = false;
    const qint64 reached = after.value(0).toLongLong(&ok);
    return known_ && ok ? WalkedShare(first_, reached, last_) : -1.0;
}

MoveResult DeleteRows(const TableMove& move)
{
    const Dialect& dialect = move.source.dialect();
    const bool walked = move.key.walked() && move.batchSize > 0;
    if (dialect.isSQLite() && walked)
        return WalkSQLiteTable(move, [&](const KeyRange& range) {
            return move.source.Execute(Sql::SQLiteDeleteRange(move.table, move.key, move.condition, range));
        });
    if (dialect.isSqlServer() && walked)
        return WalkSqlServer(move, [&](const KeyRange& range) {
            return SelectedCount(move.source, Sql::SqlServerDeleteRange(move.table, move.key, move.condition, range));
        });
    if (dialect.isSqlServer() && move.batchSize > 0) {
        // No key to walk: each batch takes the first rows the server finds.
        MoveResult result;
        for (;;) {
            if (StopRequested(move)) {
                result.stopped = true;
                return result;
            }
            const long long deleted = RetryBatch(move.source, move.table, [&] {
                return SelectedCount(move.source, Sql::SqlServerDeleteTop(move.table, move.condition, move.batchSize));
            });
            result.rows += deleted;
            AfterBatch(move, deleted, result.rows, -1.0);
            if (deleted < move.batchSize)
                return result;
        }
    }
    // One statement for the table, as the tool always sent it.
    MoveResult result;
    const QString statement = Sql::Delete(move.table, move.condition);
    if (dialect.isSqlServer())
        result.rows = RetryBatch(move.source, move.table,
                                 [&] { return SelectedCount(move.source, Sql::SqlServerCounted(statement)); });
    else
        result.rows = move.source.Execute(statement, Duration::Long);
    AfterBatch(move, result.rows, result.rows, 1.0);
    return result;
}

MoveResult MoveRowsAttached(const TableMove& move, const QString& attachedTarget, const QStringList& columns)
{
    const auto moveRange = [&](const KeyRange& range) {
        long long copied = 0;
        // One statement may copy the whole table (no batches): it runs where
        // a stop can cancel it, and its transaction is then rolled back.
        const Duration duration = move.batchSize > 0 ? Duration::Short : Duration::Long;
        try {
            copied = move.source.Execute(
                Sql::SQLiteCopyRange(attachedTarget, move.table, columns, move.key, move.condition, range), duration);
        } catch (DatabaseError& e) {
            // The copy writes only the backup: what refused it is there (a
            // column it alone has, its own rule, a folder it cannot write).
            if (!move.backupOrigin.isEmpty())
                e.setOrigin(move.backupOrigin);
            throw;
        }
        const long long deleted =
            move.source.Execute(Sql::SQLiteDeleteRange(move.table, move.key, move.condition, range), duration);
        // One transaction holds the write lock on the source: the two
        // statements see the same rows. Anything else is rolled back.
        if (copied != deleted)
            throw DatabaseError::Internal(QStringLiteral("%1 rows of %2 were copied into the backup but %3 deleted from the "
                                                         "statistics database; the batch was undone.")
                                              .arg(copied)
                                              .arg(move.table)
                                              .arg(deleted),
                                          BothOrigins(move));
        return deleted;
    };
    if (move.batchSize > 0)
        return WalkSQLiteTable(move, moveRange);

    // One batch of the whole table, still one transaction.
    MoveResult result;
    Transaction whole(move.source);
    if (move.checkColumns)
        move.checkColumns();
    result.rows = moveRange(KeyRange{});
    CommitNamingBoth(move, whole);
    AfterBatch(move, result.rows, result.rows, 1.0);
    return result;
}

MoveResult MoveRowsOnServer(const TableMove& move, const QString& targetTable, const QStringList& columns)
{
    const auto moveBatch = [&](const WalkKey& key, const KeyRange& range, int batchSize) {
        const long long moved = SelectedCount(
            move.source, Sql::SqlServerMoveBatch(move.table, columns, targetTable, key, move.condition, range, batchSize));
        if (moved < 0)
            throw ColumnsChanged();
        return moved;
    };
    if (move.key.walked() && move.batchSize > 0)
        return WalkSqlServer(move, [&](const KeyRange& range) { return moveBatch(move.key, range, 0); });
    MoveResult result;
    for (;;) {
        if (StopRequested(move)) {
            result.stopped = true;
            return result;
        }
        const long long moved =
            RetryBatch(move.source, move.table, [&] { return moveBatch(WalkKey{}, KeyRange{}, move.batchSize); });
        result.rows += moved;
        AfterBatch(move, moved, result.rows, move.batchSize <= 0 ? 1.0 : -1.0);
        if (move.batchSize <= 0 || moved < move.batchSize)
            return result;
    }
}

} // namespace qel
