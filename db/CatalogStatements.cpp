#include "db/CatalogStatements.h"

#include <QStringList>

namespace qel::CatalogStatements {

QString DefaultSchema()
{
    return QStringLiteral("SELECT SCHEMA_NAME()");
}

QString ResolvedTables()
{
    // OBJECT_ID of the bare name finds the object the server would take for
    // it, in this database's collation, so that of two tables of one name
    // the one an unqualified statement reaches is kept.
    return QStringLiteral("SELECT s.name, o.name, CASE o.type WHEN 'V' THEN 'VIEW' ELSE 'TABLE' END AS kind "
                          "FROM sys.objects AS o JOIN sys.schemas AS s ON s.schema_id = o.schema_id "
                          "WHERE o.type IN ('U', 'V') AND o.is_ms_shipped = 0 "
                          "AND o.object_id = OBJECT_ID(QUOTENAME(o.name)) ORDER BY kind, o.name");
}

QString SchemaQualifiedName(const Dialect& dialect, const QString& schema, const QString& name)
{
    if (schema.isEmpty())
        return dialect.QuoteIdentifier(name);
    return dialect.QuoteIdentifier(schema) + QLatin1Char('.') + dialect.QuoteIdentifier(name);
}

QString QualifiedName(const Dialect& dialect, const QString& schema, const QString& name, const QString& defaultSchema)
{
    if (schema.isEmpty() || schema.compare(defaultSchema, Qt::CaseInsensitive) == 0)
        return dialect.QuoteIdentifier(name);
    return dialect.QuoteIdentifier(schema) + QLatin1Char('.') + dialect.QuoteIdentifier(name);
}

QString ColumnText(const Dialect& dialect, const ColumnDefinition& column)
{
    const QString type = column.nativeType ? *column.nativeType : dialect.ColumnTypeText(column.typeInfo());
    QString text = dialect.QuoteIdentifier(column.name) + (type.isEmpty() ? QString() : QLatin1Char(' ') + type);
    if (dialect.kind() == Dialect::Kind::Access && column.type == ColumnType::Boolean)
        return text; // Jet's yes/no columns take no nullability clause
    return text + (column.nullable ? QStringLiteral(" NULL") : QStringLiteral(" NOT NULL"));
}

QString CreateTable(const Dialect& dialect, const QString& qualifiedName, const std::vector<ColumnDefinition>& columns)
{
    QStringList parts;
    for (const ColumnDefinition& column : columns)
        parts << ColumnText(dialect, column);
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(qualifiedName, parts.join(QStringLiteral(", ")));
}

QString TableObjectId(const QString& qualifiedName)
{
    QString literal = qualifiedName;
    literal.replace(QLatin1Char('\''), QLatin1String("''"));
    return QStringLiteral("SELECT OBJECT_ID(N'%1', N'U')").arg(literal);
}

QString CreateTableIfMissing(const Dialect& dialect, const QString& qualifiedName,
                             const std::vector<ColumnDefinition>& columns)
{
    const QString create = CreateTable(dialect, qualifiedName, columns);
    if (dialect.isSQLite())
        return QStringLiteral("CREATE TABLE IF NOT EXISTS") + create.mid(12);
    if (dialect.isSqlServer())
        return QStringLiteral("IF OBJECT_ID(%1, N'U') IS NULL\n").arg(dialect.TextLiteral(qualifiedName)) + create;
    return create;
}

QString DropTable(const QString& qualifiedName)
{
    return QStringLiteral("DROP TABLE %1;").arg(qualifiedName);
}

QString AddColumn(const Dialect& dialect, const QString& qualifiedName, const ColumnDefinition& column)
{
    const QString keyword = dialect.kind() == Dialect::Kind::Access ? QStringLiteral(" ADD COLUMN ") : QStringLiteral(" ADD ");
    return QStringLiteral("ALTER TABLE ") + qualifiedName + keyword + ColumnText(dialect, column);
}

QString DropColumn(const Dialect& dialect, const QString& qualifiedName, const QString& column)
{
    return QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(qualifiedName, dialect.QuoteIdentifier(column));
}

QString AlterColumn(const Dialect& dialect, const QString& qualifiedName, const ColumnDefinition& column)
{
    return QStringLiteral("ALTER TABLE %1 ALTER COLUMN %2").arg(qualifiedName, ColumnText(dialect, column));
}

} // namespace qel::CatalogStatements
