#include "cleanup/TransferStatements.h"

#include "core/Format.h"

namespace qel::TransferStatements {

namespace {

// The rowids of a window: after the last one of the window before, up to
// its end.
QString Window(qint64 last, qint64 end)
{
    return QStringLiteral("rowid > %1 AND rowid <= %2").arg(QString::number(last), QString::number(end));
}

QString Quoted(const Dialect& dialect, const QStringList& names)
{
    QStringList quoted;
    for (const QString& name : names)
        quoted << dialect.QuoteIdentifier(name);
    return quoted.join(QStringLiteral(", "));
}

} // namespace

QString QuotedDate(const Dialect& source, const QDate& cutoff, bool sqlServerQuotes)
{
    const QString literal = source.DateLiteral(cutoff).left(256);
    return sqlServerQuotes ? QStringLiteral("'%1'").arg(literal) : QStringLiteral("#%1#").arg(literal);
}

QString CallSelectionBeforeDate(const QString& quotedDate)
{
    return Format(QStringLiteral("Select CallID from Statistic_Call WHERE Start_Time<%s"), {quotedDate});
}

QString CallSelectionOfSurveys(const QString& surveyCondition)
{
    return Format(QStringLiteral("Select CallID from Statistic_Call WHERE %s"), {surveyCondition});
}

QString ByCallCondition(const QString& columnSuffix, const QString& callSelection)
{
    return Format(QStringLiteral("CallID%s in (%s)"), {columnSuffix, callSelection});
}

QString BeforeDateCondition(const QString& dateColumn, const QString& quotedDate)
{
    return Format(QStringLiteral("%s < %s"), {dateColumn, quotedDate});
}

QString Delete(const QString& table, const QString& condition)
{
    return Format(QStringLiteral("DELETE  FROM %s WHERE %s"), {table, condition});
}

QString Count(const Dialect& dialect, const QString& table, const QString& condition)
{
    const QString count = dialect.isSqlServer() ? QStringLiteral("COUNT_BIG(*)") : QStringLiteral("COUNT(*)");
    return Format(QStringLiteral("SELECT %s FROM %s WHERE %s"), {count, table, condition});
}

QString SurveyCondition(const QString& column, const IdentifierArray& ids)
{
    QString condition;
    for (const quint32 id : ids) {
        const QString piece = Format(QStringLiteral(" (%s = %ld)"), {column, static_cast<qint32>(id)});
        if (!condition.isEmpty())
            condition += QStringLiteral("OR ");
        condition += piece;
    }
    return condition;
}

QString EmptyTable(const Dialect& target, const QString& table)
{
    return QStringLiteral("DELETE FROM ") + target.QuoteIdentifier(table);
}

QString ReadTable(const QString& table, const QStringList& columnReads)
{
    return QStringLiteral("SELECT %1 FROM %2").arg(columnReads.join(QStringLiteral(", ")), table);
}

QString CallSetName(const Dialect& dialect)
{
    return dialect.isSQLite() ? QStringLiteral("temp.QelCleanupCalls") : QStringLiteral("#QelCleanupCalls");
}

QStringList CreateCallSet(const Dialect& dialect)
{
    const QString name = CallSetName(dialect);
    if (dialect.isSQLite())
        return {QStringLiteral("DROP TABLE IF EXISTS %1").arg(name),
                // The rowid itself: SQLite looks an IN list up in a rowid
                // table, while any other column is copied into a list anew
                // by every statement.
                QStringLiteral("CREATE TABLE %1 (CallID INTEGER PRIMARY KEY)").arg(name)};
    return {QStringLiteral("IF OBJECT_ID(N'tempdb..%1') IS NOT NULL DROP TABLE %1").arg(name),
            QStringLiteral("CREATE TABLE %1 (CallID bigint NOT NULL PRIMARY KEY)").arg(name)};
}

QString AddToCallSet(const Dialect& dialect, const QString& callSelection)
{
    const QString name = CallSetName(dialect);
    if (dialect.isSQLite())
        return QStringLiteral("INSERT OR IGNORE INTO %1 SELECT CallID FROM (%2) WHERE CallID IS NOT NULL").arg(name, callSelection);
    return QStringLiteral("INSERT INTO %1 SELECT DISTINCT CallID FROM (%2) AS Calls WHERE CallID IS NOT NULL "
                          "AND CallID NOT IN (SELECT CallID FROM %1)")
        .arg(name, callSelection);
}

QString CallSetSelection(const Dialect& dialect)
{
    return QStringLiteral("SELECT CallID FROM %1").arg(CallSetName(dialect));
}

QString SQLiteRowidBounds(const QString& table)
{
    return QStringLiteral("SELECT min(rowid), max(rowid) FROM %1").arg(table);
}

QString SQLiteDeleteBatch(const QString& table, const QString& condition, qint64 last, qint64 end)
{
    return QStringLiteral("DELETE FROM %1 WHERE %2 AND +(%3)").arg(table, Window(last, end), condition);
}

QString SQLiteCopyBatch(const QString& attachedTarget, const QString& table, const QStringList& columns,
                        const QString& condition, qint64 last, qint64 end)
{
    const Dialect sqlite(Dialect::Kind::SQLite);
    const QString list = Quoted(sqlite, columns);
    return QStringLiteral("INSERT INTO %1.%2 (%3) SELECT %3 FROM main.%4 WHERE %5 AND +(%6)")
        .arg(attachedTarget, sqlite.QuoteIdentifier(table), list, table, Window(last, end), condition);
}

QString SQLiteReadBatch(const QString& table, const QStringList& columnReads, const QString& condition, qint64 last,
                        int batchSize)
{
    return QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid > %3 AND +(%4) ORDER BY rowid LIMIT %5")
        .arg(columnReads.join(QStringLiteral(", ")), table, QString::number(last), condition, QString::number(batchSize));
}

QString SQLiteDeleteKeys(const QString& table, const QString& keyList)
{
    return QStringLiteral("DELETE FROM %1 WHERE rowid IN (%2)").arg(table, keyList);
}

QString SQLiteReadKeys(const QString& table, const QStringList& columnReads, const QString& keyList)
{
    return QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid IN (%3) ORDER BY rowid")
        .arg(columnReads.join(QStringLiteral(", ")), table, keyList);
}

QString SqlServerDeleteBatch(const QString& table, const QString& condition, int batchSize)
{
    return Format(QStringLiteral("DELETE TOP (%d) FROM %s WHERE %s"), {batchSize, table, condition});
}

QString SqlServerMoveBatch(const QString& table, const QStringList& columns, const QString& targetDatabase,
                           const QString& condition, int batchSize)
{
    const Dialect sqlServer(Dialect::Kind::SqlServer);
    QStringList deleted;
    for (const QString& column : columns)
        deleted << QStringLiteral("DELETED.") + sqlServer.QuoteIdentifier(column);
    const QString top = batchSize > 0 ? Format(QStringLiteral("TOP (%d) "), {batchSize}) : QString();
    return Format(QStringLiteral("DELETE %sFROM %s OUTPUT %s INTO %s.dbo.%s (%s) WHERE %s"),
                  {top, table, deleted.join(QStringLiteral(", ")), sqlServer.QuoteIdentifier(targetDatabase),
                   sqlServer.QuoteIdentifier(table), Quoted(sqlServer, columns), condition});
}

QString SqlServerReadBatch(const QString& table, const QString& key, const QStringList& columns,
                           const QString& condition, qint64 last, int batchSize)
{
    const Dialect sqlServer(Dialect::Kind::SqlServer);
    const QString quotedKey = sqlServer.QuoteIdentifier(key);
    return QStringLiteral("SELECT TOP (%1) %2, %3 FROM %4 WITH (UPDLOCK, HOLDLOCK) WHERE %2 > %5 AND (%6) ORDER BY %2")
        .arg(QString::number(batchSize), quotedKey, Quoted(sqlServer, columns), table, QString::number(last), condition);
}

QString SqlServerDeleteRange(const QString& table, const QString& key, const QString& condition, qint64 last,
                             qint64 end)
{
    const QString quotedKey = Dialect(Dialect::Kind::SqlServer).QuoteIdentifier(key);
    return QStringLiteral("DELETE FROM %1 WHERE %2 > %3 AND %2 <= %4 AND (%5)")
        .arg(table, quotedKey, QString::number(last), QString::number(end), condition);
}

QString SqlServerDeleteKeys(const QString& table, const QString& key, const QString& keyList)
{
    return QStringLiteral("DELETE FROM %1 WHERE %2 IN (%3)")
        .arg(table, Dialect(Dialect::Kind::SqlServer).QuoteIdentifier(key), keyList);
}

QString SqlServerReadKeys(const QString& table, const QString& key, const QStringList& columns, const QString& keyList)
{
    const Dialect sqlServer(Dialect::Kind::SqlServer);
    const QString quotedKey = sqlServer.QuoteIdentifier(key);
    return QStringLiteral("SELECT %1, %2 FROM %3 WHERE %1 IN (%4) ORDER BY %1")
        .arg(quotedKey, Quoted(sqlServer, columns), table, keyList);
}

QString SqlServerKeyBounds(const QString& table, const QString& key)
{
    return QStringLiteral("SELECT MIN(%1), MAX(%1) FROM %2").arg(Dialect(Dialect::Kind::SqlServer).QuoteIdentifier(key), table);
}

} // namespace qel::TransferStatements
