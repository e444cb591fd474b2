#include "db/Catalog.h"

#include "db/CatalogStatements.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"
#include "db/SQLiteTableDefinition.h"
#include "db/Transaction.h"

#include <QStringList>


namespace qel {

namespace {

// Names equal when only the case of the letters A to Z differs: SQLite
// folds those alone, so "ZEBLiſt1" with a long s is another table than
// "ZEBList1".
bool EqualFoldingAscii(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    const auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c; };
    for (qsizetype i = 0; i < a.size(); ++i)
        if (fold(a.at(i).unicode()) != fold(b.at(i).unicode()))
            return false;
    return true;
}

// SQLite's word for a drop of a table that is already gone.
bool SaysNoSuchTable(const DatabaseError& error)
{
    return error.description().contains(QLatin1String("no such table"), Qt::CaseInsensitive);
}

// SQL Server's Msg 3701, "Cannot drop the table ..., because it does not
// exist or you do not have permission": either half.
constexpr int kCannotDropTable = 3701;

// SQLite's legacy ALTER TABLE ... RENAME for as long as the object lives:
// it renames the table alone, without reading the views and triggers that
// name it.
class LegacyRenaming {
public:
    explicit LegacyRenaming(Connection& connection) : connection_(connection)
    {
        connection_.Execute(QStringLiteral("PRAGMA legacy_alter_table = ON"));
    }
    ~LegacyRenaming()
    {
        try {
            connection_.Execute(QStringLiteral("PRAGMA legacy_alter_table = OFF"));
        } catch (const DatabaseError&) {
            // The connection goes with its catalogue; the setting with it.
        }
    }
    LegacyRenaming(const LegacyRenaming&) = delete;
    LegacyRenaming& operator=(const LegacyRenaming&) = delete;

private:
    Connection& connection_;
};

} // namespace

const std::vector<TableEntry>& Catalog::Tables()
{
    return TableList();
}

std::vector<TableEntry>& Catalog::TableList()
{
    if (!tables_)
        tables_ = connection_.dialect().isSQLite() ? ReadSQLiteTables() : ReadListedTables();
    return *tables_;
}

// SQLite: main first, then the attached databases, in the order an
// unqualified name is looked up (temporary tables are this program's own
// and are left out).
std::vector<TableEntry> Catalog::ReadSQLiteTables()
{
    defaultSchema_ = QStringLiteral("main");
    QStringList schemas;
    for (Result rows(connection_, QStringLiteral("SELECT name FROM pragma_database_list ORDER BY seq")); rows.Next();) {
        const QString schema = rows.Value(0).text();
        if (schema != QLatin1String("temp"))
            schemas << schema;
    }
    std::vector<TableEntry> tables;
    for (const QString& schema : schemas) {
        const QString sql = QStringLiteral("SELECT name, upper(type) FROM %1.sqlite_master WHERE type IN ('table', 'view') "
                                           "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid")
                                .arg(connection_.dialect().QuoteIdentifier(schema));
        for (Result rows(connection_, sql); rows.Next();)
            tables.push_back({schema, rows.Value(0).text(), rows.Value(1).text()});
    }
    return tables;
}

// SQL Server: the tables an unqualified name reaches, as the server
// resolves it for this login: its default schema's, then those of dbo that
// no table of the default schema hides. Elsewhere the driver's list.
std::vector<TableEntry> Catalog::ReadListedTables()
{
    std::vector<TableEntry> tables;
    if (connection_.dialect().isSqlServer()) {
        Result schema(connection_, CatalogStatements::DefaultSchema());
        if (schema.Next())
            defaultSchema_ = schema.Value(0).text();
        for (Result rows(connection_, CatalogStatements::ResolvedTables()); rows.Next();)
            tables.push_back({rows.Value(0).text(), rows.Value(1).text(), rows.Value(2).text()});
        return tables;
    }
    for (Result rows = Result::Tables(connection_); rows.Next();)
        tables.push_back({rows.Value(QStringLiteral("TABLE_SCHEM")).text(), rows.Value(QStringLiteral("TABLE_NAME")).text(),
                          rows.Value(QStringLiteral("TABLE_TYPE")).text()});
    return tables;
}

int Catalog::TableCount()
{
    return static_cast<int>(Tables().size());
}

QString Catalog::TableName(int position)
{
    const auto& tables = Tables();
    if (position < 0 || position >= static_cast<int>(tables.size()))
        throw DatabaseError::ItemNotFound(QString::number(position));
    return tables[static_cast<std::size_t>(position)].name;
}

std::optional<TableEntry> Catalog::FindTable(const QString& name)
{
    const auto& tables = Tables();
    for (const auto& t : tables)
        if (t.name == name)
            return t;
    // SQLite and Access know a table by other letter cases of its name,
    // SQLite by the cases of A to Z alone; a SQL Server database may tell
    // names apart by case, so there only the exact name is the table asked
    // for.
    const Dialect& dialect = connection_.dialect();
    if (dialect.isSQLite()) {
        for (const auto& t : tables)
            if (EqualFoldingAscii(t.name, name))
                return t;
    } else if (dialect.namesIgnoreCase()) {
        for (const auto& t : tables)
            if (t.name.compare(name, Qt::CaseInsensitive) == 0)
                return t;
    }
    return std::nullopt;
}

TableEntry Catalog::LookupTable(const QString& name)
{
    if (auto found = FindTable(name))
        return *found;
    DatabaseError error = DatabaseError::ItemNotFound(name);
    error.setOrigin(connection_.origin());
    throw error;
}

QString Catalog::QualifiedName(const TableEntry& table) const
{
    return CatalogStatements::QualifiedName(connection_.dialect(), table.schema, table.name, defaultSchema_);
}

QString Catalog::ExplicitName(const TableEntry& table) const
{
    if (!connection_.dialect().isSqlServer())
        return QualifiedName(table);
    return CatalogStatements::SchemaQualifiedName(connection_.dialect(), table.schema, table.name);
}

QString Catalog::StatementName(const QString& table)
{
    return ExplicitName(LookupTable(table));
}

void Catalog::DropTable(const QString& name)
{
    const TableEntry table = LookupTable(name);
    connection_.Execute(CatalogStatements::DropTable(QualifiedName(table)));
    Forget(table);
}

void Catalog::Forget(const TableEntry& table)
{
    auto& tables = TableList();
    for (auto it = tables.begin(); it != tables.end(); ++it) {
        if (it->schema == table.schema && it->name == table.name) {
            tables.erase(it);
            break;
        }
    }
}

bool Catalog::IsGone(const TableEntry& table, const DatabaseError& dropFailure)
{
    if (!connection_.dialect().isSqlServer())
        return SaysNoSuchTable(dropFailure);
    if (dropFailure.nativeError() != kCannotDropTable)
        return false;
    // The message does not tell a missing table from a missing right: the
    // table is gone only when the server no longer finds it.
    try {
        Result id(connection_, CatalogStatements::TableObjectId(
                                   CatalogStatements::QualifiedName(connection_.dialect(), table.schema, table.name, {})));
        return id.Next() && id.Value(0).isNull();
    } catch (const DatabaseError&) {
        return false; // the drop's own failure is the one to report
    }
}

bool Catalog::DropTableIfPresent(const QString& name)
{
    // A view of that name is no table to drop.
    const auto found = FindTable(name);
    if (!found || found->type.compare(QLatin1String("TABLE"), Qt::CaseInsensitive) != 0)
        return false;
    try {
        DropTable(name);
        return true;
    } catch (const DatabaseError& e) {
        // Passed over only when another program dropped it since the list
        // was read.
        if (!IsGone(*found, e))
            throw;
        Forget(*found);
        return false;
    }
}

std::vector<ColumnDefinition> Catalog::Columns(const QString& table)
{
    const TableEntry entry = LookupTable(table);
    return connection_.dialect().isSQLite() ? ReadSQLiteColumns(entry) : ReadListedColumns(entry);
}

// SQLite keeps each column's declared type as written: it says the type.
std::vector<ColumnDefinition> Catalog::ReadSQLiteColumns(const TableEntry& table)
{
    std::vector<ColumnDefinition> columns;
    const QString sql = QStringLiteral("SELECT name, type, \"notnull\" FROM pragma_table_info(%1, %2) ORDER BY cid")
                            .arg(connection_.dialect().TextLiteral(table.name), connection_.dialect().TextLiteral(table.schema));
    for (Result rows(connection_, sql); rows.Next();) {
        ColumnDefinition column;
        column.name = rows.Value(0).text();
        const QString declared = rows.Value(1).text();
        ColumnTypeInfo type = ColumnTypeFromDeclaration(declared);
        if (type.type == ColumnType::Empty) // no or an unknown declared type: any value, kept as text
            type = {ColumnType::LongVarChar, kLongTextSize};
        type.typeName = declared;
        column.setTypeInfo(type);
        column.nullable = rows.Value(2).toInt64() == 0;
        columns.push_back(column);
    }
    return columns;
}

std::vector<ColumnDefinition> Catalog::ReadListedColumns(const TableEntry& table)
{
    // The names are search patterns to SQLColumns ("_" matches any
    // character), so rows of other tables are filtered out below.
    const bool access = connection_.dialect().kind() == Dialect::Kind::Access;
    std::vector<ColumnDefinition> columns;
    for (Result rows = Result::Columns(connection_, table.schema, table.name); rows.Next();) {
        if (rows.Value(2).text() != table.name || rows.Value(1).text() != table.schema)
            continue;
        ColumnDefinition column;
        column.name = rows.Value(3).text();
        const QString typeName = rows.Value(5).text();
        const long long columnSize = rows.Value(6).toInt64();
        const int decimalDigits = static_cast<int>(rows.Value(8).toInt64());
        // Access types its columns its own way; everywhere else the ODBC
        // type says it.
        ColumnTypeInfo type;
        if (access)
            type = ColumnTypeFromAccess(typeName, columnSize);
        if (type.type == ColumnType::Empty)
            type = ColumnTypeFromOdbc(static_cast<SQLSMALLINT>(rows.Value(4).toInt64()), typeName, columnSize, decimalDigits);
        type.typeName = typeName;
        column.setTypeInfo(type);
        column.nullable = rows.Value(10).toInt64() != SQL_NO_NULLS;
        columns.push_back(column);
    }
    return columns;
}

void Catalog::CreateTable(const QString& name, const std::vector<ColumnDefinition>& columns)
{
    const TableEntry entry{DefaultSchema(), name, QStringLiteral("TABLE")};
    connection_.Execute(CatalogStatements::CreateTable(connection_.dialect(), ExplicitName(entry), columns));
    if (tables_) // a list read later finds the new table by itself
        tables_->push_back(entry);
}

void Catalog::CreateTableIfMissing(const QString& name, const std::vector<ColumnDefinition>& columns)
{
    const TableEntry entry{DefaultSchema(), name, QStringLiteral("TABLE")};
    try {
        connection_.Execute(CatalogStatements::CreateTableIfMissing(connection_.dialect(), ExplicitName(entry), columns));
    } catch (const DatabaseError&) {
        // Two runs may test for the table at once on a server, and one
        // create then fails; the table is there all the same.
        tables_.reset();
        if (FindTable(name))
            return;
        throw;
    }
    if (tables_ && !FindTable(name))
        tables_->push_back(entry);
}

void Catalog::AddColumn(const QString& table, const ColumnDefinition& column)
{
    connection_.Execute(CatalogStatements::AddColumn(connection_.dialect(), StatementName(table), column));
}

void Catalog::DropColumn(const QString& table, const QString& column)
{
    connection_.Execute(CatalogStatements::DropColumn(connection_.dialect(), StatementName(table), column));
}

void Catalog::ChangeColumnTypes(const QString& table, const std::vector<ColumnDefinition>& changed)
{
    if (changed.empty())
        return;
    const TableEntry entry = LookupTable(table);
    const Dialect& dialect = connection_.dialect();
    if (!dialect.isSQLite()) {
        for (const ColumnDefinition& column : changed)
            connection_.Execute(CatalogStatements::AlterColumn(dialect, ExplicitName(entry), column));
        return;
    }

    // SQLite keeps a column's declared type for good: the table is built
    // again with the new types and the rows are carried over, all in one
    // transaction, so that a failure leaves the table as it was. The new
    // table is the old one's own definition with only those types changed,
    // so its constraints, defaults and options stay; its indexes and
    // triggers, which go with the old table, are made again from their
    // definitions.
    std::map<QString, QString> types;
    QStringList changedNames;
    std::vector<ColumnDefinition> columns = Columns(table);
    for (ColumnDefinition& column : columns) {
        column.nativeType = column.typeName; // the columns not changed keep their declared types as written
        for (const ColumnDefinition& change : changed)
            if (column.name.compare(change.name, Qt::CaseInsensitive) == 0) {
                column = change;
                types[column.name.toLower()] = column.nativeType ? *column.nativeType : dialect.ColumnTypeText(column.typeInfo());
                changedNames << column.name;
            }
    }
    QStringList names;
    for (const ColumnDefinition& column : columns)
        names << dialect.QuoteIdentifier(column.name);
    const TableEntry rebuilt{entry.schema, entry.name + QStringLiteral("_QelRebuild"), entry.type};
    const QString master = QStringLiteral("%1.sqlite_master").arg(dialect.QuoteIdentifier(entry.schema));
    QString definition;
    for (Result rows(connection_, QStringLiteral("SELECT sql FROM %1 WHERE type = 'table' AND name = %2")
                                      .arg(master, connection_.dialect().TextLiteral(entry.name)));
         rows.Next();)
        definition = rows.Value(0).text();
    QStringList dependents; // CREATE INDEX and CREATE TRIGGER texts, in their order
    QStringList dependentNames;
    for (Result rows(connection_, QStringLiteral("SELECT name, sql FROM %1 WHERE type IN ('index', 'trigger') AND "
                                                 "tbl_name = %2 AND sql IS NOT NULL ORDER BY rowid")
                                      .arg(master, connection_.dialect().TextLiteral(entry.name)));
         rows.Next();) {
        dependentNames << rows.Value(0).text();
        dependents << rows.Value(1).text();
    }
    // Their texts name no schema; made again anywhere but in main they would
    // land in main.
    if (!dependents.isEmpty() && entry.schema != QLatin1String("main")) {
        DatabaseError error = DatabaseError::Refusal(
            QStringLiteral("The columns %1 of %2.%3 must be widened, which rebuilds the table and would lose its indexes "
                           "and triggers %4; widen them by hand. Nothing was changed.")
                .arg(changedNames.join(QStringLiteral(", ")), entry.schema, entry.name,
                     dependentNames.join(QStringLiteral(", "))));
        error.setOrigin(connection_.origin());
        throw error;
    }
    const std::optional<QString> rewritten = RewriteTableDefinition(definition, QualifiedName(rebuilt), types);

    // Views that read the table would make SQLite refuse the renaming while
    // the old table is gone; the legacy renaming leaves them be, and they
    // read the rebuilt table once it has the old name again.
    const LegacyRenaming legacy(connection_);
    Transaction transaction(connection_);
    connection_.Execute(rewritten ? *rewritten : CatalogStatements::CreateTable(dialect, QualifiedName(rebuilt), columns));
    connection_.Execute(QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3")
                            .arg(QualifiedName(rebuilt), names.join(QStringLiteral(", ")), QualifiedName(entry)));
    connection_.Execute(CatalogStatements::DropTable(QualifiedName(entry)));
    connection_.Execute(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(QualifiedName(rebuilt), dialect.QuoteIdentifier(entry.name)));
    for (const QString& sql : dependents)
        connection_.Execute(sql);
    transaction.Commit();
}

QString Catalog::DefaultSchema()
{
    TableList(); // reading the list learns the schema
    return defaultSchema_;
}

} // namespace qel
