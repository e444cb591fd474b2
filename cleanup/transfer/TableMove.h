#pragma once

#include "cleanup/transfer/WalkKey.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace qel {

class Connection;
class WriterPacing;

// The rows of one table step on their way out of the source: the table,
// the condition that picks them (the text after WHERE), the key they are
// walked along and the batches they leave in. Each batch is its own short
// transaction, so that the product goes on writing during a clean-up and
// no statement nears the command time-out; a batch size of 0 takes the
// table in one statement.
struct TableMove {
    Connection& source;
    QString table;
    QString condition;
    WalkKey key;
    int batchSize = 0;
    WriterPacing* pacing = nullptr;
    // After each committed batch that moved rows: the rows moved so far, and
    // the share of the table walked (0 to 1), or -1 when the walk cannot tell.
    std::function<void(long long moved, double walked)> onBatch;
    std::function<bool()> stopRequested; // asked between batches
    // Asked inside each batch's transaction on SQLite, before any row goes:
    // throws when the table's columns are no longer those the step read
    // (see SchemaChange), so that no batch loses a column added meanwhile.
    std::function<void()> checkColumns;
    // The attached route's backup, in the words of an error report: a
    // statement that writes to it failed in it, not in the source.
    QString backupOrigin;
};

struct MoveResult {
    long long rows = 0;   // rows that left the source (and, with a backup, arrived in it)
    bool stopped = false; // ended early because a stop was asked for
};

// The texts of the first row a query answers, if it answers one: where the
// next batch of a walk ends.
std::optional<QStringList> FirstRowTexts(Connection& connection, const QString& sql);

// The share of a walk from `first` to `last` done once `reached` is.
double WalkedShare(qint64 first, qint64 reached, qint64 last);

// Walks a SQLite table along its key in windows, as every SQLite route
// does; `work` takes the rows of one range that the condition picks and
// answers how many there were. Reads walk this way too, so that the
// product's writers get in between windows.
MoveResult WalkSQLiteTable(const TableMove& move, const std::function<long long(const KeyRange&)>& work);

// A read before the deletes (a check, a count, the call set) walking a
// SQLite table as they will: in paced windows, asking the thread's wait
// hook between them as during one long statement, so that the front end
// keeps answering and a stop ends the read with Interrupted. Answers the
// sum of what `work` answered.
long long ReadSQLiteTableInWindows(Connection& source, const QString& table, const WalkKey& key, int batchSize,
                                   WriterPacing* pacing, const std::function<long long(const KeyRange&)>& work);

// Deletes the rows without a backup.
MoveResult DeleteRows(const TableMove& move);

// SQLite: copies each batch into the backup file attached to the source
// connection under attachedTarget, and deletes it, in one transaction of
// both files: a batch is in exactly one of them, whatever happens.
MoveResult MoveRowsAttached(const TableMove& move, const QString& attachedTarget, const QStringList& columns);

// SQL Server: moves each batch into `targetTable` (database, schema and
// name, quoted) of the same server with one statement (DELETE ... OUTPUT
// ... INTO), so that rows leave the source as they arrive in the backup.
MoveResult MoveRowsOnServer(const TableMove& move, const QString& targetTable, const QStringList& columns);

// How far a walk has come, for the progress: known for a one-column
// integer key (the rowid), from the key's bounds.
class WalkProgress {
public:
    WalkProgress(Connection& source, const QString& table, const WalkKey& key);
    // The share walked once the walk has passed `after` (the literals of
    // the last key taken); -1 when it cannot be told.
    double ShareAfter(const QStringList& after) const;

private:
    bool known_ = false;
    qint64 first_ = 0;
    qint64 last_ = 0;
};

} // namespace qel
