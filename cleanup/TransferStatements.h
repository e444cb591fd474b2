#pragma once

#include "cleanup/Identifiers.h"
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
QString CallSelectionBeforeDate(const QString& quotedDate); // old calls
QString CallSelectionOfSurveys(const QString& surveyCondition);
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
// filled with the source's rows, read column by column.
QString EmptyTable(const Dialect& target, const QString& table);
QString ReadTable(const QString& table, const QStringList& columnReads);

// The calls a batched clean-up takes, kept once per run in a temporary
// table of the connection, so that no batch evaluates the selection again.
QString CallSetName(const Dialect& dialect);
QStringList CreateCallSet(const Dialect& dialect);
QString AddToCallSet(const Dialect& dialect, const QString& callSelection);
QString CallSetSelection(const Dialect& dialect); // the subquery that reads it

// SQLite: batches walk the table's rowids in windows, after `last` up to
// `end`, so that the table is read once however many batches it takes. The
// condition is wrapped in +( ) so that the walk goes by rowid and not by an
// index of the condition's columns.
QString SQLiteRowidBounds(const QString& table);
QString SqlServerKeyBounds(const QString& table, const QString& key);
QString SQLiteDeleteBatch(const QString& table, const QString& condition, qint64 last, qint64 end);
QString SQLiteCopyBatch(const QString& attachedTarget, const QString& table, const QStringList& columns,
                        const QString& condition, qint64 last, qint64 end);
// The rows of a batch read into this program: the rowid, then the columns.
QString SQLiteReadBatch(const QString& table, const QStringList& columnReads, const QString& condition, qint64 last,
                        int batchSize);
QString SQLiteDeleteKeys(const QString& table, const QString& keyList);
QString SQLiteReadKeys(const QString& table, const QStringList& columnReads, const QString& keyList);

// SQL Server: each batch takes the first rows the condition finds.
QString SqlServerDeleteBatch(const QString& table, const QString& condition, int batchSize);
// Moves a batch into a table of another database of the same server in one
// statement: the rows leave the source as they arrive in the target. A
// batch size of 0 moves the table's rows in one statement.
QString SqlServerMoveBatch(const QString& table, const QStringList& columns, const QString& targetDatabase,
                           const QString& condition, int batchSize);
// The rows of a batch read into this program along the table's key, held
// until the batch is deleted.
QString SqlServerReadBatch(const QString& table, const QString& key, const QStringList& columns,
                           const QString& condition, qint64 last, int batchSize);
// The rows of a batch just read, deleted again by the range of keys it
// spans: while the read's locks are held no other row of the range meets
// the condition.
QString SqlServerDeleteRange(const QString& table, const QString& key, const QString& condition, qint64 last,
                             qint64 end);
QString SqlServerDeleteKeys(const QString& table, const QString& key, const QString& keyList);
QString SqlServerReadKeys(const QString& table, const QString& key, const QStringList& columns, const QString& keyList);

} // namespace TransferStatements

} // namespace qel
