#include "Catalog.h"

#include "Connection.h"
#include "DatabaseError.h"
#include "Recordset.h"

#include <QStringList>


std::vector<Catalog::TableEntry>& Catalog::Tables()
{
    if (!tables_) {
        std::vector<TableEntry> list;
        auto schema = Recordset::OpenTablesSchema(connection_);
        for (; !schema->IsEOF(); schema->MoveNext())
            list.push_back({schema->ReadField(QStringLiteral("TABLE_NAME")).text(),
                            schema->ReadField(QStringLiteral("TABLE_TYPE")).text()});
        tables_ = std::move(list);
    }
    return *tables_;
}

int Catalog::TableCount()
{
    return static_cast<int>(Tables().size());
}

QString Catalog::TableName(int position)
{
    auto& tables = Tables();
    if (position < 0 || position >= static_cast<int>(tables.size()))
        throw DatabaseError::ItemNotFound(QString::number(position));
    return tables[static_cast<std::size_t>(position)].name;
}

std::optional<QString> Catalog::FindTable(const QString& name)
{
    const auto& tables = Tables();
    for (const auto& t : tables)
        if (t.name == name)
            return t.name;
    // SQLite and Access know a table by any case of its name; a SQL Server
    // database may tell names apart by case, so there only the exact name
    // is the table asked for.
    const Dialect::Kind kind = connection_.dialect().kind();
    if (kind == Dialect::Kind::SQLite || kind == Dialect::Kind::Access)
        for (const auto& t : tables)
            if (t.name.compare(name, Qt::CaseInsensitive) == 0)
                return t.name;
    return std::nullopt;
}

QString Catalog::LookupTable(const QString& name)
{
    if (auto found = FindTable(name))
        return *found;
    throw DatabaseError::ItemNotFound(name);
}

void Catalog::DeleteTable(const QString& name)
{
    const QString actual = LookupTable(name);
    connection_.Execute(QStringLiteral("DROP TABLE %1;").arg(connection_.dialect().quoteIdentifier(actual)));
    auto& tables = Tables();
    for (auto it = tables.begin(); it != tables.end(); ++it) {
        if (it->name == actual) {
            tables.erase(it);
            break;
        }
    }
}

bool Catalog::DeleteTableIfPresent(const QString& name)
{
    try {
        DeleteTable(name);
        return true;
    } catch (const DatabaseError&) {
        return false;
    }
}

std::vector<ColumnDefinition> Catalog::Columns(const QString& table)
{
    const QString actual = LookupTable(table);
    Statement statement(connection_);
    // The name is a search pattern to SQLColumns ("_" matches any
    // character), so rows of other tables are filtered out below.
    statement.Check(SQLColumnsW(statement.handle(), nullptr, 0, nullptr, 0, ToSqlWChar(actual), SQL_NTS, nullptr, 0),
                    "SQLColumns");
    auto rows = Recordset::ReadResult(statement.handle());
    const Dialect::Kind kind = connection_.dialect().kind();
    std::vector<ColumnDefinition> columns;
    for (; !rows->IsEOF(); rows->MoveNext()) {
        if (rows->ReadField(2).text().compare(actual, Qt::CaseInsensitive) != 0)
            continue;
        ColumnDefinition column;
        column.name = rows->ReadField(3).text();
        const QString typeName = rows->ReadField(5).text();
        const long long columnSize = rows->ReadField(6).toInt64();
        // SQLite keeps the declared type text; Access types its columns
        // its own way; everywhere else the ODBC type says it.
        AdoColumnType type;
        if (kind == Dialect::Kind::SQLite)
            type = AdoTypeFromDeclaredType(typeName);
        else if (kind == Dialect::Kind::Access)
            type = AdoTypeFromAccessType(typeName, columnSize);
        if (type.type == adEmpty)
            type = AdoTypeFromOdbc(static_cast<SQLSMALLINT>(rows->ReadField(4).toInt64()), typeName, columnSize);
        column.type = type.type;
        column.definedSize = type.definedSize;
        column.nullable = rows->ReadField(10).toInt64() != SQL_NO_NULLS;
        columns.push_back(column);
    }
    return columns;
}

QString Catalog::ColumnDdl(const ColumnDefinition& column) const
{
    const Dialect& dialect = connection_.dialect();
    QString ddl = dialect.quoteIdentifier(column.name) + QLatin1Char(' ') + dialect.columnType(column.type, column.definedSize);
    if (dialect.kind() == Dialect::Kind::Access && column.type == adBoolean)
        return ddl; // Jet's yes/no columns take no nullability clause
    return ddl + (column.nullable ? QStringLiteral(" NULL") : QStringLiteral(" NOT NULL"));
}

void Catalog::AppendTable(const QString& name, const std::vector<ColumnDefinition>& columns)
{
    QStringList parts;
    for (const auto& column : columns)
        parts << ColumnDdl(column);
    connection_.Execute(QStringLiteral("CREATE TABLE %1 (%2)")
                            .arg(connection_.dialect().quoteIdentifier(name), parts.join(QStringLiteral(", "))));
    if (tables_) // a list read later finds the new table by itself
        tables_->push_back({name, QStringLiteral("TABLE")});
}

void Catalog::AppendColumn(const QString& table, const ColumnDefinition& column)
{
    const QString keyword = connection_.dialect().kind() == Dialect::Kind::Access ? QStringLiteral(" ADD COLUMN ")
                                                                                 : QStringLiteral(" ADD ");
    connection_.Execute(QStringLiteral("ALTER TABLE ") + connection_.dialect().quoteIdentifier(LookupTable(table))
                        + keyword + ColumnDdl(column));
}

void Catalog::DeleteColumn(const QString& table, const QString& column)
{
    const Dialect& dialect = connection_.dialect();
    connection_.Execute(QStringLiteral("ALTER TABLE %1 DROP COLUMN %2")
                            .arg(dialect.quoteIdentifier(LookupTable(table)), dialect.quoteIdentifier(column)));
}

void Catalog::SetAllowZeroLength(const QString& table, const QString& column)
{
    LookupTable(table);
    (void)column;
}

std::unique_ptr<Catalog> BindCatalog(Connection& connection)
{
    return std::make_unique<Catalog>(connection);
}
