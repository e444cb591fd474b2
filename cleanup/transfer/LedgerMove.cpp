#include "cleanup/transfer/LedgerMove.h"

#include "cleanup/transfer/BatchRetry.h"
#include "cleanup/transfer/TransferStatements.h"
#include "cleanup/transfer/WriterPacing.h"
#include "db/BatchInsert.h"
#include "db/CatalogStatements.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"
#include "db/Statement.h"
#include "db/Transaction.h"

#include <QRegularExpression>

#include <limits>

namespace qel {

namespace Sql = TransferStatements;

namespace {

// A batch read in full, whatever its size: a range of a key that is not
// unique holds every row of its last key value.
constexpr int kWholeResult = std::numeric_limits<int>::max();

std::vector<ValueForm> TextForms(int count)
{
    return std::vector<ValueForm>(static_cast<std::size_t>(count), ValueForm::Text);
}

// The texts of one row's first `count` columns.
QStringList RowTexts(const RowBatch& batch, int row, int count)
{
    QStringList texts;
    for (int i = 0; i < count; ++i)
        texts << batch.column(i).textAt(row);
    return texts;
}

// A SQLite key literal as SQLiteKeyLiteral writes it. The ledger's values
// go into statements on the source, so a value that is anything else (a
// ledger changed by hand) is refused rather than sent.
bool IsSQLiteLiteral(const QString& literal)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^(-?[0-9]+(\.[0-9]+)?([eE][-+]?[0-9]+)?|X'[0-9A-F]*'|CAST\(X'[0-9A-F]*' AS TEXT\))$)"));
    return pattern.match(literal).hasMatch();
}

QStringList SqlServerLiterals(const WalkKey& key, const QStringList& texts)
{
    QStringList literals;
    for (qsizetype i = 0; i < texts.size(); ++i)
        literals << WalkStatements::SqlServerKeyLiteral(key.serverTypes.value(i), texts[i]);
    return literals;
}

// What the program will not do with what it found.
DatabaseError Refusal(const Connection& source, const QString& text)
{
    return DatabaseError::Refusal(text, source.origin());
}

// A check of the program's own that failed.
DatabaseError Inconsistency(const Connection& source, const QString& text)
{
    return DatabaseError::Internal(text, source.origin());
}

} // namespace

LedgerMove::LedgerMove(const TableMove& move, Connection& target, QString targetTable, BackupLedger& ledger,
                       const std::vector<ColumnDefinition>& columns, QString selection)
    : move_(move), target_(target), targetTable_(std::move(targetTable)), ledger_(ledger), columns_(columns),
      reads_(ReadsFor(move.source.dialect(), columns)), selection_(std::move(selection))
{
}

KeyRange LedgerMove::RangeOf(const BackupLedger::Entry& entry) const
{
    if (move_.source.dialect().isSQLite()) {
        for (const QString& literal : entry.after + entry.through)
            if (!IsSQLiteLiteral(literal))
                throw Refusal(move_.source, QStringLiteral("The backup's record of a batch of %1 names a key that this "
                                                           "program did not write (%2); nothing was changed.")
                                                .arg(move_.table, literal.left(100)));
        return KeyRange{entry.after, entry.through};
    }
    return KeyRange{SqlServerLiterals(move_.key, entry.after), SqlServerLiterals(move_.key, entry.through)};
}

void LedgerMove::CreateHoldingTable()
{
    if (holdingTableReady_ || !move_.source.dialect().isSqlServer())
        return;
    QStringList definitions;
    for (ColumnDefinition column : columns_) {
        column.nullable = true;
        column.nativeType = move_.source.dialect().NativeTypeText(column.typeInfo());
        definitions << CatalogStatements::ColumnText(move_.source.dialect(), column);
    }
    move_.source.Execute(Sql::SqlServerCreateMovedTable(definitions));
    holdingTableReady_ = true;
}

RowBatch LedgerMove::TakeRange(const KeyRange& range)
{
    QStringList names;
    for (const ColumnDefinition& column : columns_)
        names << column.name;
    Statement take(move_.source);
    // The delete may wait for another session's locks; a stop cancels it
    // and the batch's transaction is rolled back.
    take.ExecDirect(Sql::SqlServerTakeRange(move_.table, names, reads_.expressions, move_.key, move_.condition, range),
                    Duration::Long);
    RowBatch count;
    if (!count.Fetch(take, {ValueForm::Integer}, 1) || count.column(0).integers[0] != static_cast<long long>(columns_.size()))
        throw ColumnsChanged();
    if (!take.NextResult())
        throw Inconsistency(move_.source, QStringLiteral("The rows of a batch of %1 were not handed back.").arg(move_.table));
    RowBatch batch;
    batch.Fetch(take, reads_.forms, kWholeResult);
    take.DrainResults();
    move_.source.Execute(Sql::SqlServerEmptyMovedTable());
    return batch;
}

BackupLedger::Entry LedgerMove::EntryFor(const RowBatch& batch, int firstColumn, const QStringList& after,
                                         const QStringList& through)
{
    BackupLedger::Entry entry;
    entry.table = move_.table;
    entry.batchId = ledger_.NextBatchId();
    entry.keyColumns = move_.key.columns;
    entry.after = after;
    entry.through = through;
    entry.selection = selection_;
    entry.rows = batch.rowCount();
    entry.fingerprint = batch.Fingerprint(firstColumn);
    return entry;
}

void LedgerMove::Save(const RowBatch& batch, int firstColumn, const BackupLedger::Entry& entry)
{
    QStringList names;
    for (const ColumnDefinition& column : columns_)
        names << column.name;
    try {
        Transaction save(target_);
        // The batch before is done: its source commit was seen. Its entry
        // goes with this save, which spares the backup a commit per batch.
        if (deletedBatch_)
            ledger_.Forget(*deletedBatch_);
        BatchInsert insert(target_, targetTable_, names);
        insert.Insert(batch, firstColumn);
        ledger_.Record(entry);
        save.Commit();
        deletedBatch_.reset();
    } catch (...) {
        // Should the batch before keep its entry, a rerun forgets it.
        try {
            ForgetDeletedBatch();
        } catch (...) {
        }
        throw;
    }
}

void LedgerMove::ForgetDeletedBatch()
{
    if (deletedBatch_)
        ledger_.Forget(*deletedBatch_);
    deletedBatch_.reset();
}

long long LedgerMove::SettlePendingBatches()
{
    const bool sqlite = move_.source.dialect().isSQLite();
    long long deleted = 0;
    for (const BackupLedger::Entry& entry : ledger_.Pending(move_.table)) {
        const QString where = QStringLiteral("The backup holds a batch of %1 rows of %2 whose delete from the "
                                             "statistics database was not seen to finish")
                                  .arg(entry.rows)
                                  .arg(move_.table);
        if (entry.keyColumns != move_.key.columns)
            throw Refusal(move_.source, where + QStringLiteral(", and %1 is now walked by other columns (%2, then %3). "
                                                               "Nothing of %1 was changed.")
                                                    .arg(move_.table, move_.key.columns.join(QStringLiteral(", ")),
                                                         entry.keyColumns.join(QStringLiteral(", "))));
        if (entry.selection != selection_)
            throw Refusal(move_.source, where + QStringLiteral(". It was chosen by %1; run the clean-up again as that one "
                                                               "was run, so that it can finish the batch. Nothing of %2 "
                                                               "was changed.")
                                                    .arg(entry.selection, move_.table));
        const KeyRange range = RangeOf(entry);
        Transaction hold(move_.source);
        RowBatch now;
        if (sqlite) {
            Statement read(move_.source);
            read.ExecDirect(Sql::SQLiteReadRange(move_.table, move_.key, reads_.expressions, move_.condition, range));
            now.Fetch(read, reads_.forms, kWholeResult);
        } else {
            CreateHoldingTable();
            now = TakeRange(range);
        }
        if (now.rowCount() == entry.rows && now.Fingerprint(0) == entry.fingerprint) {
            // The batch is in the backup and still in the source: its source
            // never committed. It leaves the source now, uncopied.
            if (sqlite && move_.source.Execute(Sql::SQLiteDeleteRange(move_.table, move_.key, move_.condition, range)) != entry.rows)
                throw Refusal(move_.source, where + QStringLiteral(", and it could not be deleted whole; nothing was changed."));
            hold.Commit();
            deleted += entry.rows;
        } else if (now.rowCount() != 0) {
            // The range holds other rows than the backup: not a state this
            // program leaves. Nothing is guessed at; the entry stays.
            throw Refusal(move_.source,
                          where + QStringLiteral(", and the statistics database now holds %1 different rows in its place. "
                                                 "Nothing of %2 was changed; compare the backup with the statistics "
                                                 "database before the next clean-up.")
                                      .arg(now.rowCount())
                                      .arg(move_.table));
        } else {
            // None of the rows is left: the source had committed. It is let
            // go first: with the backup attached to it, its transaction
            // holds the backup's file too.
            hold.Commit();
        }
        ledger_.Forget(entry);
    }
    return deleted;
}

MoveResult LedgerMove::Move()
{
    if (!move_.source.dialect().isSQLite() && !move_.source.dialect().isSqlServer())
        throw Refusal(move_.source, QStringLiteral("A statistics database of this kind (%1) cannot be backed up row by "
                                                   "row; nothing of %2 was copied or deleted.")
                                        .arg(move_.source.dbmsName(), move_.table));
    try {
        MoveResult result = move_.source.dialect().isSQLite() ? MoveSQLite() : MoveSqlServer();
        ForgetDeletedBatch();
        return result;
    } catch (...) {
        deletedBatch_.reset(); // a rerun forgets it
        throw;
    }
}

MoveResult LedgerMove::MoveSQLite()
{
    MoveResult result;
    const WalkProgress progress(move_.source, move_.table, move_.key);
    const int keyCount = static_cast<int>(move_.key.columns.size());
    // A batch is bounded even when the table would go in one statement: the
    // ledger names each batch the backup received.
    const int batchSize = move_.batchSize > 0 ? move_.batchSize : 4000;
    std::vector<ValueForm> forms = TextForms(keyCount);
    forms.insert(forms.end(), reads_.forms.begin(), reads_.forms.end());
    QStringList after;
    RowBatch batch;
    for (;;) {
        if (move_.stopRequested && move_.stopRequested()) {
            result.stopped = true;
            return result;
        }
        if (move_.pacing)
            move_.pacing->BeforeTransaction(move_.source);
        // The source is held from the read to the delete, so that the rows
        // deleted are exactly the rows copied.
        Transaction hold(move_.source);
        if (move_.checkColumns)
            move_.checkColumns();
        {
            Statement read(move_.source);
            read.ExecDirect(Sql::SQLiteReadBatch(move_.table, move_.key, reads_.expressions, move_.condition, after, batchSize));
            batch.Fetch(read, forms, batchSize);
        }
        if (batch.rowCount() == 0) {
            hold.Commit();
            return result;
        }
        const QStringList through = RowTexts(batch, batch.rowCount() - 1, keyCount);
        BackupLedger::Entry entry = EntryFor(batch, keyCount, after, through);
        Save(batch, keyCount, entry);
        const long long deleted =
            move_.source.Execute(Sql::SQLiteDeleteRange(move_.table, move_.key, move_.condition, KeyRange{after, through}));
        if (deleted != entry.rows)
            throw Inconsistency(move_.source, QStringLiteral("%1 rows of %2 were copied into the backup but %3 would be deleted "
                                                       "from the statistics database; the delete was undone and the "
                                                       "backup's ledger keeps the batch.")
                                            .arg(entry.rows)
                                            .arg(move_.table)
                                            .arg(deleted));
        hold.Commit();
        deletedBatch_ = std::move(entry);
        result.rows += deleted;
        after = through;
        if (move_.pacing)
            move_.pacing->AfterTransaction(move_.source);
        const bool walkedThrough = batch.rowCount() < batchSize;
        if (move_.onBatch)
            move_.onBatch(result.rows, walkedThrough ? 1.0 : progress.ShareAfter(after));
        if (walkedThrough)
            return result;
    }
}

MoveResult LedgerMove::MoveSqlServer()
{
    if (!move_.key.walked())
        throw Refusal(move_.source,
                      QStringLiteral("%1 has no column to walk its rows by: no clustered index and no unique index of "
                                     "numbers, dates or texts, and the column its rows are chosen by is of another "
                                     "type. A backup into another server needs one to know which rows it copied. "
                                     "Nothing of %1 was copied or deleted; back it up into a database of the same "
                                     "server, or give it such an index.")
                          .arg(move_.table));
    CreateHoldingTable();
    MoveResult result;
    const int batchSize = move_.batchSize > 0 ? move_.batchSize : 4000;
    QStringList after; // the key's texts, as the ledger keeps them
    for (;;) {
        if (move_.stopRequested && move_.stopRequested()) {
            result.stopped = true;
            return result;
        }
        const auto end = RetryBatch(move_.source, move_.table, [&] {
            return FirstRowTexts(move_.source, Sql::SqlServerBatchEnd(move_.table, move_.key, move_.condition,
                                                                      SqlServerLiterals(move_.key, after), batchSize));
        });
        if (!end)
            return result;
        const KeyRange range{SqlServerLiterals(move_.key, after), SqlServerLiterals(move_.key, *end)};
        // The delete's locks on the rows it takes last until the backup has
        // committed them; no other row is locked, and no range.
        for (int attempt = 1;; ++attempt) {
            Transaction hold(move_.source);
            RowBatch batch;
            BackupLedger::Entry entry;
            try {
                // A save the backup gave up is undone there: the batch is taken again.
                batch = TakeRange(range);
                if (batch.rowCount() > 0) {
                    entry = EntryFor(batch, 0, after, *end);
                    Save(batch, 0, entry);
                }
            } catch (const DatabaseError& e) {
                if (!IsTransientBatchFailure(move_.source, e))
                    throw;
                if (attempt < kBatchAttempts)
                    continue;
                throw BatchGivenUp(e, move_.table);
            }
            if (batch.rowCount() > 0) {
                hold.Commit();
                deletedBatch_ = std::move(entry);
                result.rows += batch.rowCount();
                if (move_.onBatch)
                    move_.onBatch(result.rows, -1.0);
            } else {
                hold.Commit();
            }
            break;
        }
        after = *end;
    }
}

} // namespace qel
