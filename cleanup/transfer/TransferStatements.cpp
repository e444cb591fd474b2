#include "cleanup/transfer/TransferStatements.h"

#include "core/Format.h"

#include <algorithm>

namespace qel::TransferStatements {

namespace {

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

QString CallsBeforeDate(const QString& quotedDate)
{
    return Format(QStringLiteral("Start_Time<%s"), {quotedDate});
}

QString CallSelection(const QString& callCondition)
{
    return Format(QStringLiteral("Select CallID from Statistic_Call WHERE %s"), {callCondition});
}

QString CallSelectionBeforeDate(const QString& quotedDate)
{
    return CallSelection(CallsBeforeDate(quotedDate));
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

QString EmptyTable(const QString& targetTable)
{
    return QStringLiteral("DELETE FROM ") + targetTable;
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

namespace {

const Dialect& SQLite()
{
    static const Dialect dialect(Dialect::Kind::SQLite);
    return dialect;
}

const Dialect& SqlServer()
{
    static const Dialect dialect(Dialect::Kind::SqlServer);
    return dialect;
}

// "a AND b AND c" of the parts that are not empty; "1=1" of none.
QString Where(const QStringList& parts)
{
    QStringList present;
    for (const QString& part : parts)
        if (!part.isEmpty())
            present << part;
    return present.isEmpty() ? QStringLiteral("1=1") : present.join(QStringLiteral(" AND "));
}

QString SQLiteCondition(const QString& condition)
{
    return QStringLiteral("+(%1)").arg(condition);
}

QString SqlServerCondition(const QString& condition)
{
    return QStringLiteral("(%1)").arg(condition);
}

QStringList SQLiteKeyLiterals(const WalkKey& key)
{
    QStringList literals;
    for (const QString& column : key.columns)
        literals << WalkStatements::SQLiteKeyLiteral(column);
    return literals;
}

} // namespace

QString SQLiteWindowEnd(const QString& table, const WalkKey& key, const QStringList& after, int rowCount)
{
    return QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4 LIMIT 1 OFFSET %5")
        .arg(SQLiteKeyLiterals(key).join(QStringLiteral(", ")), table, Where({WalkStatements::After(SQLite(), key, after)}),
             WalkStatements::OrderBy(key), QString::number(std::max(rowCount, 1) - 1));
}

QString SQLiteKeyBounds(const QString& table, const WalkKey& key)
{
    // One subquery each: SQLite looks a lone min() or max() up at an end of
    // the key, but scans the whole table for both in one query, holding off
    // the product's writers while it does.
    const QString column = key.columns.value(0);
    return QStringLiteral("SELECT (SELECT CAST(min(%1) AS TEXT) FROM %2), (SELECT CAST(max(%1) AS TEXT) FROM %2)")
        .arg(column, table);
}

QString SQLiteDeleteRange(const QString& table, const WalkKey& key, const QString& condition, const KeyRange& range)
{
    return QStringLiteral("DELETE FROM %1 WHERE %2")
        .arg(table, Where({WalkStatements::RangeCondition(SQLite(), key, range), SQLiteCondition(condition)}));
}

QString SQLiteAddRangeToCallSet(const WalkKey& key, const QString& callCondition, const KeyRange& range)
{
    return QStringLiteral("INSERT OR IGNORE INTO %1 SELECT CallID FROM Statistic_Call WHERE %2")
        .arg(CallSetName(SQLite()), Where({WalkStatements::RangeCondition(SQLite(), key, range),
                                           SQLiteCondition(callCondition), QStringLiteral("CallID IS NOT NULL")}));
}

QString SQLiteCountRange(const QString& table, const WalkKey& key, const QString& condition, const KeyRange& range)
{
    return QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2")
        .arg(table, Where({WalkStatements::RangeCondition(SQLite(), key, range), SQLiteCondition(condition)}));
}

QString SQLiteDateFormOffender(const QString& table, const QString& column, const QDate& cutoff, const QString& range)
{
    const QString quoted = SQLite().QuoteIdentifier(column);
    const QString test = QStringLiteral("(%1 < %2 OR %1 >= x'') AND NOT (%1 >= '' AND %1 < x'' AND %1 GLOB "
                                        "'[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]*')")
                             .arg(quoted, SQLite().TextLiteral(SQLite().DateLiteral(cutoff)));
    return QStringLiteral("SELECT quote(%1), typeof(%1) FROM %2 WHERE %3 LIMIT 1")
        .arg(quoted, SQLite().QuoteIdentifier(table), range.isEmpty() ? test : Where({range, SQLiteCondition(test)}));
}

QString SQLiteCopyRange(const QString& attachedTarget, const QString& table, const QStringList& columns,
                        const WalkKey& key, const QString& condition, const KeyRange& range)
{
    const QString list = Quoted(SQLite(), columns);
    return QStringLiteral("INSERT INTO %1.%2 (%3) SELECT %3 FROM main.%4 WHERE %5")
        .arg(attachedTarget, SQLite().QuoteIdentifier(table), list, table,
             Where({WalkStatements::RangeCondition(SQLite(), key, range), SQLiteCondition(condition)}));
}

QString SQLiteReadBatch(const QString& table, const WalkKey& key, const QStringList& columnReads,
                        const QString& condition, const QStringList& after, int batchSize)
{
    return QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4 ORDER BY %5 LIMIT %6")
        .arg(SQLiteKeyLiterals(key).join(QStringLiteral(", ")), columnReads.join(QStringLiteral(", ")), table,
             Where({WalkStatements::After(SQLite(), key, after), SQLiteCondition(condition)}), WalkStatements::OrderBy(key),
             QString::number(batchSize));
}

QString SQLiteReadRange(const QString& table, const WalkKey& key, const QStringList& columnReads,
                        const QString& condition, const KeyRange& range)
{
    return QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4")
        .arg(columnReads.join(QStringLiteral(", ")), table,
             Where({WalkStatements::RangeCondition(SQLite(), key, range), SQLiteCondition(condition)}),
             WalkStatements::OrderBy(key));
}

QString SQLiteSchemaVersion()
{
    return QStringLiteral("PRAGMA main.schema_version");
}

QStringList SqlServerKeyTexts(const WalkKey& key)
{
    QStringList texts;
    for (qsizetype i = 0; i < key.columns.size(); ++i) {
        const QString type = key.serverTypes.value(i).section(QLatin1Char('('), 0, 0).toLower();
        const QString& column = key.columns[i];
        if (type.endsWith(QLatin1String("char")))
            texts << column;
        else if (type.startsWith(QLatin1String("date")) || type == QLatin1String("smalldatetime"))
            texts << QStringLiteral("CONVERT(nvarchar(64), %1, 121)").arg(column);
        else
            texts << QStringLiteral("CONVERT(nvarchar(64), %1)").arg(column);
    }
    return texts;
}

QString SqlServerBatchEnd(const QString& table, const WalkKey& key, const QString& condition, const QStringList& after,
                          int batchSize)
{
    return QStringLiteral("SELECT TOP (1) %1 FROM (SELECT TOP (%2) %3 FROM %4 WHERE %5 ORDER BY %6) AS Batch ORDER BY %7")
        .arg(SqlServerKeyTexts(key).join(QStringLiteral(", ")), QString::number(std::max(batchSize, 1)),
             key.columns.join(QStringLiteral(", ")), table,
             Where({WalkStatements::After(SqlServer(), key, after), SqlServerCondition(condition)}),
             WalkStatements::OrderBy(key), WalkStatements::OrderBy(key, true));
}

QString SqlServerDeleteRange(const QString& table, const WalkKey& key, const QString& condition, const KeyRange& range)
{
    return QStringLiteral("SET NOCOUNT ON; DELETE FROM %1 WHERE %2; SELECT ROWCOUNT_BIG()")
        .arg(table, Where({WalkStatements::RangeCondition(SqlServer(), key, range), SqlServerCondition(condition)}));
}

QString SqlServerDeleteTop(const QString& table, const QString& condition, int batchSize)
{
    return QStringLiteral("SET NOCOUNT ON; DELETE TOP (%1) FROM %2 WHERE %3; SELECT ROWCOUNT_BIG()")
        .arg(QString::number(batchSize), table, SqlServerCondition(condition));
}

QString SqlServerCounted(const QString& statement)
{
    return QStringLiteral("SET NOCOUNT ON; %1; SELECT ROWCOUNT_BIG()").arg(statement);
}

QString SqlServerMoveBatch(const QString& table, const QStringList& columns, const QString& targetTable,
                           const WalkKey& key, const QString& condition, const KeyRange& range, int batchSize)
{
    QStringList deleted;
    for (const QString& column : columns)
        deleted << QStringLiteral("DELETED.") + SqlServer().QuoteIdentifier(column);
    const bool top = batchSize > 0 && !key.walked();
    const QString topText = top ? QStringLiteral("TOP (%1) ").arg(batchSize) : QString();
    return QStringLiteral("SET NOCOUNT ON; SET XACT_ABORT ON; BEGIN TRANSACTION; "
                          "DELETE %1FROM %2 OUTPUT %3 INTO %4 (%5) WHERE %6; "
                          "DECLARE @moved bigint = ROWCOUNT_BIG(); "
                          "IF (%7) <> %8 BEGIN ROLLBACK TRANSACTION; SELECT CAST(-1 AS bigint); RETURN; END; "
                          "COMMIT TRANSACTION; SELECT @moved")
        .arg(topText, table, deleted.join(QStringLiteral(", ")), targetTable, Quoted(SqlServer(), columns),
             Where({WalkStatements::RangeCondition(SqlServer(), key, range), SqlServerCondition(condition)}),
             SqlServerColumnCount(table), QString::number(columns.size()));
}

QString SqlServerCreateMovedTable(const QStringList& columnDefinitions)
{
    return QStringLiteral("IF OBJECT_ID(N'tempdb..#QelMoved') IS NOT NULL DROP TABLE #QelMoved; "
                          "CREATE TABLE #QelMoved (%1)")
        .arg(columnDefinitions.join(QStringLiteral(", ")));
}

QString SqlServerTakeRange(const QString& table, const QStringList& columns, const QStringList& columnReads,
                           const WalkKey& key, const QString& condition, const KeyRange& range)
{
    QStringList deleted;
    for (const QString& column : columns)
        deleted << QStringLiteral("DELETED.") + SqlServer().QuoteIdentifier(column);
    return QStringLiteral("SET NOCOUNT ON; DELETE FROM %1 OUTPUT %2 INTO #QelMoved (%3) WHERE %4; %5; SELECT %6 FROM #QelMoved")
        .arg(table, deleted.join(QStringLiteral(", ")), Quoted(SqlServer(), columns),
             Where({WalkStatements::RangeCondition(SqlServer(), key, range), SqlServerCondition(condition)}),
             SqlServerColumnCount(table), columnReads.join(QStringLiteral(", ")));
}

QString SqlServerEmptyMovedTable()
{
    return QStringLiteral("DELETE FROM #QelMoved");
}

QString SqlServerColumnCount(const QString& table)
{
    return QStringLiteral("SELECT COUNT(*) FROM sys.columns WHERE object_id = OBJECT_ID(%1)")
        .arg(SqlServer().TextLiteral(table));
}

QString SqlServerMayInsert(const QString& backupDatabase, const QString& schema, const QStringList& tables)
{
    // A schema names one of the database a statement runs in, so the test
    // runs in the backup database: a USE inside EXECUTE lasts as long as
    // the EXECUTE.
    const Dialect& server = SqlServer();
    QStringList rights;
    if (!schema.isEmpty())
        rights << QStringLiteral("(HAS_PERMS_BY_NAME(%1, N'SCHEMA', N'INSERT'))").arg(server.TextLiteral(schema));
    for (const QString& table : tables)
        rights << QStringLiteral("(HAS_PERMS_BY_NAME(%1, N'OBJECT', N'INSERT'))").arg(server.TextLiteral(table));
    const QString test = QStringLiteral("USE %1; SELECT MIN(ISNULL(Granted, 0)) FROM (VALUES %2) AS Rights (Granted)")
                             .arg(server.QuoteIdentifier(backupDatabase), rights.join(QStringLiteral(", ")));
    return QStringLiteral("EXECUTE (%1)").arg(server.TextLiteral(test));
}

namespace {

// "OBJECT_ID(N'a'), OBJECT_ID(N'b')": the tables as the server finds them.
QString ObjectIds(const QStringList& tables)
{
    QStringList ids;
    for (const QString& table : tables)
        ids << QStringLiteral("OBJECT_ID(%1)").arg(SqlServer().TextLiteral(table));
    return ids.join(QStringLiteral(", "));
}

} // namespace

QString SqlServerBackupObstacles(const QStringList& tables)
{
    const QString ids = ObjectIds(tables);
    return QStringLiteral(
               "SELECT OBJECT_NAME(c.object_id), CASE WHEN c.is_identity = 1 THEN N'identity' WHEN c.is_computed = 1 "
               "THEN N'computed' WHEN c.system_type_id = 189 THEN N'rowversion' ELSE N'rule' END, c.name, c.name "
               "FROM sys.columns AS c WHERE c.object_id IN (%1) AND (c.is_identity = 1 OR c.is_computed = 1 OR "
               "c.system_type_id = 189 OR c.rule_object_id <> 0) "
               "UNION ALL SELECT OBJECT_NAME(t.parent_id), CASE WHEN t.is_instead_of_trigger = 1 THEN N'instead of' "
               "ELSE N'trigger' END, t.name, NULL FROM sys.triggers AS t WHERE t.parent_id IN (%1) AND t.is_disabled = 0 "
               "UNION ALL SELECT OBJECT_NAME(k.parent_object_id), N'check', k.name, COL_NAME(k.parent_object_id, "
               "k.parent_column_id) FROM sys.check_constraints AS k WHERE k.parent_object_id IN (%1) "
               "UNION ALL SELECT OBJECT_NAME(f.parent_object_id), N'foreign key', f.name, NULL FROM sys.foreign_keys AS f "
               "WHERE f.parent_object_id IN (%1) "
               "UNION ALL SELECT OBJECT_NAME(f.referenced_object_id), N'referenced', f.name, OBJECT_NAME(f.parent_object_id) "
               "FROM sys.foreign_keys AS f WHERE f.referenced_object_id IN (%1)")
        .arg(ids);
}

QString SqlServerUntravelledColumns(const QStringList& tables)
{
    return QStringLiteral("SELECT OBJECT_NAME(c.object_id), c.name, TYPE_NAME(c.user_type_id) FROM sys.columns AS c "
                          "JOIN sys.types AS t ON t.user_type_id = c.user_type_id WHERE c.object_id IN (%1) AND "
                          "(c.system_type_id = 98 OR t.is_assembly_type = 1) ORDER BY c.object_id, c.column_id")
        .arg(ObjectIds(tables));
}

} // namespace qel::TransferStatements
