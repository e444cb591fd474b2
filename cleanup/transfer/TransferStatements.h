#pragma once

#include "cleanup/Identifiers.h"
#include "cleanup/transfer/WalkKey.h"
#include "db/Dialect.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace qel {

// Every statement the statistics clean-ups send, built from the dialect of
// the connection it goes to, so that each text can be read and checked
// without a database. A condition is the text after WHERE.
namespace TransferStatements {

// The cut-off as the source compares it: its date literal between the
// quotes SourceSQL chooses, '...' for SQL Server, #...# for Access.
QString QuotedDate(const Dialect& source, const QDate& cutoff, bool sqlServerQuotes);

// The texts the clean-ups have always sent, one statement per table.
// The calls are chosen by a condition on Statistic_Call.
QString CallsBeforeDate(const QString& quotedDate); // the condition of old calls
QString CallSelection(const QString& callCondition);
QString CallSelectionBeforeDate(const QString& quotedDate); // old calls
QString ByCallCondition(const QString& columnSuffix, const QString& callSelection);
QString BeforeDateCondition(const QString& dateColumn, const QString& quotedDate);
QString Delete(const QString& table, const QString& condition);
// The rows a condition picks, counted as a 64-bit number where the
// database's plain count stops at 2^31 - 1.
QString Count(const Dialect& dialect, const QString& table, const QString& condition);

// " (col = v1)OR  (col = v2)...": one term per identifier, each written as
// a signed number; empty for an empty array.
QString SurveyCondition(const QString& column, const IdentifierArray& ids);

// A reference table copied whole: the backup's copy is emptied, then
// filled with the source's rows, read column by column. The backup's table
// is named as its statements write it (Catalog::StatementName).
QString EmptyTable(const QString& targetTable);
QString ReadTable(const QString& table, const QStringList& columnReads);

// The calls a batched clean-up takes, kept once per run in a temporary
// table of the connection, so that no batch evaluates the selection again.
QString CallSetName(const Dialect& dialect);
QStringList CreateCallSet(const Dialect& dialect);
QString AddToCallSet(const Dialect& dialect, const QString& callSelection);
QString CallSetSelection(const Dialect& dialect); // the subquery that reads it

// The batches of a table walk along its key (see WalkKey): each batch takes
// the rows of one range of keys, after the range before. A condition is
// wrapped in +( ) on SQLite so that the walk goes along the key and not
// along an index of the condition's columns. `where` parts that are empty
// are left out.

// SQLite: the key, as literals, of the rowCount-th row of the table after
// `after`, whatever the condition; no row when fewer are left. A range ends
// there: it holds at most that many rows the condition picks, and the
// condition is read once per row by the statement that takes them, as in
// a single statement over the whole table.
QString SQLiteWindowEnd(const QString& table, const WalkKey& key, const QStringList& after, int rowCount);
// SQLite: the first value of a date column that a comparison with the
// cut-off, made on texts, would misjudge, among the rows of a range of the
// table's key (a RangeCondition; all rows when empty). Only the texts
// before the cut-off need their form tested: a comparison makes a text
// (>= '' and < x'') of every other value.
QString SQLiteDateFormOffender(const QString& table, const QString& column, const QDate& cutoff, const QString& range);
// SQLite: the calls of one range of Statistic_Call that the condition
// picks, added to the call set.
QString SQLiteAddRangeToCallSet(const WalkKey& key, const QString& callCondition, const KeyRange& range);
// SQLite: how many rows of one range of the table's key the condition picks.
QString SQLiteCountRange(const QString& table, const WalkKey& key, const QString& condition, const KeyRange& range);
// The smallest and largest value of a one-column integer key, as texts.
QString SQLiteKeyBounds(const QString& table, const WalkKey& key);
QString SQLiteDeleteRange(const QString& table, const WalkKey& key, const QString& condition, const KeyRange& range);
QString SQLiteCopyRange(const QString& attachedTarget, const QString& table, const QStringList& columns,
                        const WalkKey& key, const QString& condition, const KeyRange& range);
// The next batch read into this program: its key as literals, then the
// columns.
QString SQLiteReadBatch(const QString& table, const WalkKey& key, const QStringList& columnReads,
                        const QString& condition, const QStringList& after, int batchSize);
// The rows of a range read again (without their key).
QString SQLiteReadRange(const QString& table, const WalkKey& key, const QStringList& columnReads,
                        const QString& condition, const KeyRange& range);
// The schema version of the file: it changes with every change of any
// table's columns.
QString SQLiteSchemaVersion();

// SQL Server: the key, as texts, of the last row of the next batch.
QString SqlServerBatchEnd(const QString& table, const WalkKey& key, const QString& condition, const QStringList& after,
                          int batchSize);
// The expressions that read a key's columns as texts.
QStringList SqlServerKeyTexts(const WalkKey& key);
// A batch deleted; its row count is selected, so that neither NOCOUNT in the
// server's options nor a trigger's own counts can be mistaken for it. With
// no key (an empty range and no walk) the first batchSize rows go.
QString SqlServerDeleteRange(const QString& table, const WalkKey& key, const QString& condition, const KeyRange& range);
QString SqlServerDeleteTop(const QString& table, const QString& condition, int batchSize);
// A statement of its own (the table's one delete when BatchSize is 0) sent
// as it is, with its row count selected after it.
QString SqlServerCounted(const QString& statement);
// Moves a batch into the table of the same name in another database of the
// same server in one transaction: rows leave the source as they arrive in
// the backup. The count of the source's columns is checked after the
// delete, whose locks keep them from changing: if a column was added since
// `columns` was read, the batch is undone and -1 is selected in place of
// the count. A batch size of 0 with an empty range moves every row.
QString SqlServerMoveBatch(const QString& table, const QStringList& columns, const QString& targetTable,
                           const WalkKey& key, const QString& condition, const KeyRange& range, int batchSize);
// The table that holds a batch between its delete and its save in another
// server: the source's columns as the server types them.
QString SqlServerCreateMovedTable(const QStringList& columnDefinitions);
// Deletes a range into that table, then selects the source's count of
// columns and the rows, read as `columnReads`.
QString SqlServerTakeRange(const QString& table, const QStringList& columns, const QStringList& columnReads,
                           const WalkKey& key, const QString& condition, const KeyRange& range);
QString SqlServerEmptyMovedTable();
// The count of a table's columns as the server has them now.
QString SqlServerColumnCount(const QString& table);

// 1 when this login may insert into every one of the backup tables named
// (schema and name, quoted) of the database `backupDatabase` and, when
// `schema` is not empty, into any table that schema will hold; 0
// otherwise. Evaluated in the backup database, where the login's user,
// its roles and their grants and denials there decide.
QString SqlServerMayInsert(const QString& backupDatabase, const QString& schema, const QStringList& tables);

// What in the backup's tables (schema and name, quoted) would refuse rows
// written into them: per row the table, the kind (identity, computed,
// rowversion, rule, instead of, trigger, check, foreign key, referenced),
// the column, trigger or constraint, and the column a CHECK is on (or, for
// a foreign key that references the table, the table it is defined on).
QString SqlServerBackupObstacles(const QStringList& tables);

// The columns of the tables whose values cannot be read and written again
// through this program: sql_variant and the CLR types (hierarchyid,
// geometry, geography, user-defined ones). Per row the table, the column
// and its type.
QString SqlServerUntravelledColumns(const QStringList& tables);

} // namespace TransferStatements

} // namespace qel
