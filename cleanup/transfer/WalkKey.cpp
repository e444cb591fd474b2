#include "cleanup/transfer/WalkKey.h"

#include "db/Catalog.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"
#include "db/Statement.h"

#include <map>

namespace qel {

namespace {

// The names SQLite answers to with the rowid, unless a column has taken them.
const char* const kRowidNames[] = {"_rowid_", "rowid", "oid"};

// Whether a table has no rowid at all. SQLite 3.37 and later say so in
// pragma_table_list; before that a rowid name that no column hides is
// tried.
bool WithoutRowid(Connection& connection, const TableEntry& table, const QString& freeRowidName)
{
    try {
        Result list(connection, QStringLiteral("SELECT wr FROM pragma_table_list WHERE schema = %1 AND name = %2")
                                    .arg(connection.dialect().TextLiteral(table.schema), connection.dialect().TextLiteral(table.name)));
        if (list.Next())
            return list.Value(0).toInt64() != 0;
    } catch (const DatabaseError&) {
    }
    if (freeRowidName.isEmpty())
        return false;
    try {
        Statement probe(connection);
        probe.ExecDirect(QStringLiteral("SELECT %1 FROM %2.%3 LIMIT 0")
                             .arg(freeRowidName, connection.dialect().QuoteIdentifier(table.schema),
                                  connection.dialect().QuoteIdentifier(table.name)));
        return false;
    } catch (const DatabaseError&) {
        return true;
    }
}

WalkKey SQLiteWalkKey(Connection& connection, Catalog& catalog, const QString& table)
{
    const TableEntry entry = catalog.LookupTable(table);
    const Dialect& dialect = connection.dialect();
    QStringList names;
    std::map<int, QString> primaryKey;
    for (Result rows(connection, QStringLiteral("SELECT name, pk FROM pragma_table_info(%1, %2)")
                                     .arg(connection.dialect().TextLiteral(entry.name), connection.dialect().TextLiteral(entry.schema)));
         rows.Next();) {
        names << rows.Value(0).text();
        if (const auto position = rows.Value(1).toInt64(); position > 0)
            primaryKey[static_cast<int>(position)] = rows.Value(0).text();
    }
    QString freeRowidName;
    for (const char* name : kRowidNames) {
        if (!names.contains(QLatin1String(name), Qt::CaseInsensitive)) {
            freeRowidName = QLatin1String(name);
            break;
        }
    }
    WalkKey key;
    if (WithoutRowid(connection, entry, freeRowidName)) {
        for (const auto& [position, column] : primaryKey)
            key.columns << dialect.QuoteIdentifier(column);
        return key;
    }
    if (freeRowidName.isEmpty()) {
        DatabaseError error = DatabaseError::Refusal(
            QStringLiteral("%1 has columns named rowid, _rowid_ and oid, which hide the row numbers its rows are "
                           "told apart by; it cannot be cleaned safely. Nothing of %1 was copied or deleted.")
                .arg(table));
        error.setOrigin(connection.origin());
        throw error;
    }
    key.columns << freeRowidName;
    return key;
}

// Types whose values the server writes as text and reads back exactly,
// and in the same order as it sorts them.
bool WalkableServerType(const QString& type)
{
    static const QStringList types = {
        QStringLiteral("tinyint"),   QStringLiteral("smallint"),  QStringLiteral("int"),
        QStringLiteral("bigint"),    QStringLiteral("decimal"),   QStringLiteral("numeric"),
        QStringLiteral("bit"),       QStringLiteral("date"),      QStringLiteral("datetime"),
        QStringLiteral("datetime2"), QStringLiteral("smalldatetime"), QStringLiteral("datetimeoffset"),
        QStringLiteral("char"),      QStringLiteral("varchar"),   QStringLiteral("nchar"),
        QStringLiteral("nvarchar"),  QStringLiteral("uniqueidentifier"),
    };
    return types.contains(type.toLower());
}

// "datetime2(7)", "decimal(18,4)", "nvarchar(50)": a server type as a
// CONVERT names it.
QString ServerTypeText(const QString& type, long long maxLength, long long precision, long long scale)
{
    const QString name = type.toLower();
    if (name == QLatin1String("decimal") || name == QLatin1String("numeric"))
        return QStringLiteral("%1(%2,%3)").arg(name).arg(precision).arg(scale);
    if (name == QLatin1String("datetime2") || name == QLatin1String("datetimeoffset"))
        return QStringLiteral("%1(%2)").arg(name).arg(scale);
    if (name == QLatin1String("nchar") || name == QLatin1String("nvarchar"))
        return QStringLiteral("%1(%2)").arg(name).arg(maxLength / 2);
    if (name == QLatin1String("char") || name == QLatin1String("varchar"))
        return QStringLiteral("%1(%2)").arg(name).arg(maxLength);
    return name;
}

struct ServerColumn {
    QString name;
    QString type;       // as CONVERT names it
    bool walkable = false;
    bool nullable = true;
};

WalkKey SqlServerWalkKey(Connection& connection, const QString& table, const QString& conditionColumn)
{
    const Dialect& dialect = connection.dialect();
    std::map<QString, ServerColumn> columns; // by lower-case name
    for (Result rows(connection, WalkStatements::SqlServerColumnTypes(table)); rows.Next();) {
        ServerColumn c;
        c.name = rows.Value(0).text();
        const QString type = rows.Value(1).text();
        c.type = ServerTypeText(type, rows.Value(2).toInt64(), rows.Value(3).toInt64(), rows.Value(4).toInt64());
        // Texts of the (max) kinds cannot be index keys and are not walked.
        c.walkable = WalkableServerType(type) && rows.Value(2).toInt64() != -1;
        c.nullable = rows.Value(5).toInt64() != 0;
        columns[c.name.toLower()] = c;
    }

    struct Index {
        bool clustered = false;
        bool unique = false;
        QStringList columns;
    };
    std::map<long long, Index> indexes;
    for (Result rows(connection, WalkStatements::SqlServerIndexColumns(table)); rows.Next();) {
        Index& index = indexes[rows.Value(0).toInt64()];
        index.clustered = rows.Value(1).toInt64() == 1;
        index.unique = rows.Value(2).toInt64() != 0;
        index.columns << rows.Value(3).text();
    }
    const auto keyOf = [&](const QStringList& names, bool unique, bool nullsAllowed) -> std::optional<WalkKey> {
        WalkKey key;
        key.unique = unique;
        for (const QString& name : names) {
            const auto it = columns.find(name.toLower());
            if (it == columns.end() || !it->second.walkable || (it->second.nullable && !nullsAllowed))
                return std::nullopt;
            key.columns << dialect.QuoteIdentifier(it->second.name);
            key.serverTypes << it->second.type;
        }
        return key.columns.isEmpty() ? std::nullopt : std::optional<WalkKey>(key);
    };
    // The clustered index holds the rows in its order: a walk along it
    // reads each page once.
    for (const auto& [id, index] : indexes)
        if (index.clustered)
            if (auto key = keyOf(index.columns, index.unique, false))
                return *key;
    // The condition's own column: a row it picks is never NULL there.
    if (!conditionColumn.isEmpty())
        if (auto key = keyOf({conditionColumn}, false, true))
            return *key;
    for (const auto& [id, index] : indexes)
        if (index.unique)
            if (auto key = keyOf(index.columns, true, false))
                return *key;
    return {};
}

} // namespace

WalkKey FindWalkKey(Connection& connection, Catalog& catalog, const QString& table, const QString& conditionColumn)
{
    if (connection.dialect().isSQLite())
        return SQLiteWalkKey(connection, catalog, table);
    if (connection.dialect().isSqlServer())
        return SqlServerWalkKey(connection, table, conditionColumn);
    return {};
}

namespace WalkStatements {

QString SQLiteKeyLiteral(const QString& quotedColumn)
{
    // quote() stops a text at a NUL and writes infinities as names; a text
    // goes as its bytes, an infinity as a number too large for a double.
    return QStringLiteral("CASE typeof(%1) WHEN 'text' THEN 'CAST(X''' || hex(%1) || ''' AS TEXT)' "
                          "WHEN 'real' THEN CASE WHEN %1 = 9e999 THEN '9e999' WHEN %1 = -9e999 THEN '-9e999' "
                          "ELSE quote(%1) END ELSE quote(%1) END")
        .arg(quotedColumn);
}

QString SqlServerKeyLiteral(const QString& serverType, const QString& valueText)
{
    const QString name = serverType.section(QLatin1Char('('), 0, 0).toLower();
    QString quoted = valueText;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    if (name == QLatin1String("char") || name == QLatin1String("varchar"))
        return QLatin1Char('\'') + quoted + QLatin1Char('\'');
    if (name == QLatin1String("nchar") || name == QLatin1String("nvarchar"))
        return QStringLiteral("N'") + quoted + QLatin1Char('\'');
    if (name.startsWith(QLatin1String("date")) || name == QLatin1String("smalldatetime"))
        return QStringLiteral("CONVERT(%1, N'%2', 121)").arg(serverType, quoted);
    if (name == QLatin1String("uniqueidentifier"))
        return QStringLiteral("CONVERT(uniqueidentifier, N'%1')").arg(quoted);
    return valueText; // digits
}

namespace {

// One column: "k > v". Several, as SQL Server has no row values:
// "(k1 > v1 OR (k1 = v1 AND k2 > v2))"; SQLite compares row values.
QString Compare(const Dialect& dialect, const QStringList& columns, const QStringList& values, const QString& op)
{
    if (columns.size() == 1)
        return QStringLiteral("%1 %2 %3").arg(columns.first(), op, values.first());
    if (dialect.isSQLite())
        return QStringLiteral("(%1) %2 (%3)").arg(columns.join(QStringLiteral(", ")), op, values.join(QStringLiteral(", ")));
    // op is ">" or "<=": the last column decides on equal leading columns.
    const QString strict = op == QLatin1String(">") ? QStringLiteral(">") : QStringLiteral("<");
    QStringList terms;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        QStringList parts;
        for (qsizetype j = 0; j < i; ++j)
            parts << QStringLiteral("%1 = %2").arg(columns[j], values[j]);
        const bool last = i + 1 == columns.size();
        parts << QStringLiteral("%1 %2 %3").arg(columns[i], last ? op : strict, values[i]);
        terms << (parts.size() == 1 ? parts.first() : QLatin1Char('(') + parts.join(QStringLiteral(" AND ")) + QLatin1Char(')'));
    }
    return QLatin1Char('(') + terms.join(QStringLiteral(" OR ")) + QLatin1Char(')');
}

} // namespace

QString After(const Dialect& dialect, const WalkKey& key, const QStringList& after)
{
    return after.isEmpty() ? QString() : Compare(dialect, key.columns, after, QStringLiteral(">"));
}

QString Through(const Dialect& dialect, const WalkKey& key, const QStringList& through)
{
    return through.isEmpty() ? QString() : Compare(dialect, key.columns, through, QStringLiteral("<="));
}

QString RangeCondition(const Dialect& dialect, const WalkKey& key, const KeyRange& range)
{
    QStringList parts;
    if (const QString after = After(dialect, key, range.after); !after.isEmpty())
        parts << after;
    if (const QString through = Through(dialect, key, range.through); !through.isEmpty())
        parts << through;
    return parts.join(QStringLiteral(" AND "));
}

QString OrderBy(const WalkKey& key, bool descending)
{
    if (!descending)
        return key.columns.join(QStringLiteral(", "));
    QStringList columns;
    for (const QString& column : key.columns)
        columns << column + QStringLiteral(" DESC");
    return columns.join(QStringLiteral(", "));
}

QString SqlServerIndexColumns(const QString& table)
{
    return QStringLiteral(
               "SELECT i.index_id, i.type, i.is_unique, c.name FROM sys.indexes AS i "
               "JOIN sys.index_columns AS ic ON ic.object_id = i.object_id AND ic.index_id = i.index_id "
               "JOIN sys.columns AS c ON c.object_id = ic.object_id AND c.column_id = ic.column_id "
               "WHERE i.object_id = OBJECT_ID(%1) AND ic.key_ordinal > 0 AND i.is_disabled = 0 AND i.has_filter = 0 "
               "ORDER BY i.index_id, ic.key_ordinal")
        .arg(Dialect(Dialect::Kind::SqlServer).TextLiteral(table));
}

QString SqlServerColumnTypes(const QString& table)
{
    return QStringLiteral("SELECT c.name, TYPE_NAME(c.system_type_id), c.max_length, c.precision, c.scale, "
                          "c.is_nullable FROM sys.columns AS c WHERE c.object_id = OBJECT_ID(%1) ORDER BY c.column_id")
        .arg(Dialect(Dialect::Kind::SqlServer).TextLiteral(table));
}

} // namespace WalkStatements

} // namespace qel
