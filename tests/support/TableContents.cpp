#include "tests/support/TableContents.h"

#include "db/Connection.h"
#include "db/Result.h"
#include "fixtures/ProductDatabases.h"

#include <algorithm>

namespace qel::test {

QStringList ColumnsOf(const QString& connection, const QString& table)
{
    auto c = Connection::Open(connection);
    QStringList columns;
    QString quoted = table;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    for (Result r(*c, QStringLiteral("SELECT name FROM pragma_table_info('%1') ORDER BY cid").arg(quoted)); r.Next();)
        columns << r.Value(0).text();
    return columns;
}

QStringList RowTexts(const QString& connection, const QString& table, const QStringList& columns, const QString& where)
{
    // quote() writes a text only up to a NUL inside it: such a text is
    // written as its bytes.
    QStringList values;
    for (const QString& column : columns)
        values << QStringLiteral("CASE WHEN typeof(\"%1\") = 'text' AND instr(CAST(\"%1\" AS BLOB), x'00') > 0 "
                                 "THEN 'text:' || hex(\"%1\") ELSE quote(\"%1\") END")
                      .arg(column);
    auto c = Connection::Open(connection);
    QStringList rows;
    QString sql = QStringLiteral("SELECT %1 FROM \"%2\"").arg(values.join(QStringLiteral(" || '|' || ")), table);
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    for (Result r(*c, sql); r.Next();)
        rows << r.Value(0).text();
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString RowDifference(const QStringList& expected, const QStringList& actual)
{
    QStringList missing;
    QStringList extra;
    std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(), std::back_inserter(missing));
    std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(), std::back_inserter(extra));
    if (missing.isEmpty() && extra.isEmpty())
        return {};
    return QStringLiteral("%1 rows missing (e.g. %2), %3 rows too many (e.g. %4)")
        .arg(missing.size())
        .arg(missing.mid(0, 3).join(QStringLiteral("; ")))
        .arg(extra.size())
        .arg(extra.mid(0, 3).join(QStringLiteral("; ")));
}

QStringList Together(const QStringList& a, const QStringList& b)
{
    QStringList all = a + b;
    std::sort(all.begin(), all.end());
    return all;
}

std::map<QString, QStringList> DatabaseRows(const QString& connection)
{
    std::map<QString, QStringList> tables;
    for (const QString& table : TableNames(connection))
        tables[table] = RowTexts(connection, table, ColumnsOf(connection, table));
    return tables;
}

QString IntegrityOf(const QString& connection)
{
    auto c = Connection::Open(connection);
    QStringList findings;
    for (Result r(*c, QStringLiteral("PRAGMA integrity_check")); r.Next();)
        findings << r.Value(0).text();
    return findings.join(QLatin1Char('\n'));
}

} // namespace qel::test
