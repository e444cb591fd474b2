#pragma once

#include <QString>
#include <QStringList>

namespace qel {

class Catalog;
class Connection;
class Dialect;

// The columns a table's batches walk along, in order, so that each batch
// takes the rows of one range of key values and the next batch goes on
// after it: no batch scans from the table's start again, empty stretches of
// the key cost nothing, and a batch is known afterwards by its range alone,
// whatever the rows hold.
//
// SQLite: the rowid, under a name of it that no column hides (rowid,
// _rowid_ or oid), or the primary key of a table WITHOUT ROWID.
// SQL Server: the clustered index, else the column the condition compares
// (rows it picks never have NULL there), else a unique index; its values
// must have a text form the server reads back exactly. A table with none
// is walked whole (see `walked()`).
struct WalkKey {
    QStringList columns;  // quoted for the dialect, in index order; empty: none
    bool unique = true;   // one row per key value (else a batch takes all rows of its last value)
    // SQL Server: each column's type as the server names it, for reading
    // a value back from its text ("datetime2(7)", "int").
    QStringList serverTypes;

    bool walked() const { return !columns.isEmpty(); }
};

// The walk key of a table; `conditionColumn` is the column the step's
// condition compares (CallID, a date, a survey), a candidate on SQL Server.
// A SQLite table whose every rowid name is a column is refused with a
// DatabaseError that names it: its rows cannot be told apart safely.
WalkKey FindWalkKey(Connection& connection, Catalog& catalog, const QString& table, const QString& conditionColumn);

// A range of a walk: the rows whose key lies after `after` up to and
// including `through`, each a list of SQL literals, one per key column.
// An empty `after` starts at the table's first row; an empty `through`
// runs to its end.
struct KeyRange {
    QStringList after;
    QStringList through;
};

namespace WalkStatements {

// SQLite: an expression that writes a key column's value as an SQL literal
// that reads back as exactly that value (texts as their bytes, so that a
// NUL inside one survives).
QString SQLiteKeyLiteral(const QString& quotedColumn);
// SQL Server: the text of a key value as read (the driver's own text of
// it), as a literal of the column's type.
QString SqlServerKeyLiteral(const QString& serverType, const QString& valueText);

// "key > after", "key <= through", for one or several columns; empty when
// the bound is open.
QString After(const Dialect& dialect, const WalkKey& key, const QStringList& after);
QString Through(const Dialect& dialect, const WalkKey& key, const QStringList& through);
// The range's bounds joined with AND (empty for the whole table).
QString RangeCondition(const Dialect& dialect, const WalkKey& key, const KeyRange& range);
QString OrderBy(const WalkKey& key, bool descending = false);

// The SQL Server catalogue query for the candidates of a table's walk key.
QString SqlServerIndexColumns(const QString& table);
QString SqlServerColumnTypes(const QString& table);

} // namespace WalkStatements

} // namespace qel
