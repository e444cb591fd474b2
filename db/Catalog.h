#pragma once

#include "db/ColumnType.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace qel {

class Connection;
class DatabaseError;

// A column as the catalogue describes and creates it.
struct ColumnDefinition {
    QString name;
    ColumnType type = ColumnType::Empty;
    int definedSize = 0; // characters of a text column, bytes of a binary one
    int precision = 0;   // digits of a decimal
    int scale = 0;       // decimal places; fractional-second digits of a time stamp
    bool nullable = true;
    QString typeName;    // the type as the database names it ("datetime2", "varchar(300)")
    // The type to create the column with, written as its database writes
    // it, when a table is given the columns of one of the same kind of
    // database; otherwise the type is written from the fields above.
    std::optional<QString> nativeType;

    ColumnTypeInfo typeInfo() const { return {type, definedSize, precision, scale, typeName}; }
    void setTypeInfo(const ColumnTypeInfo& info)
    {
        type = info.type;
        definedSize = info.definedSize;
        precision = info.precision;
        scale = info.scale;
        typeName = info.typeName;
    }
};

// A table the catalogue lists: its schema ("main" or an attached database's
// name on SQLite, the owner on SQL Server), name and kind.
struct TableEntry {
    QString schema;
    QString name;
    QString type; // "TABLE", "VIEW", ...
};

// The schema catalogue of one connection: the tables an unqualified name
// reaches (on SQL Server as the server resolves one for the login: its
// default schema, then dbo), their columns, and the statements that create, alter and drop
// them in the connection's own dialect. A table of the same name in two
// schemas stays two tables: look-ups take the one an unqualified name would
// reach. The list is read once and then kept in step with the tables this
// catalogue drops and creates, so positions stay meaningful while a caller
// walks it and drops tables.
class Catalog {
public:
    explicit Catalog(Connection& connection) : connection_(connection) {}

    Connection& connection() const { return connection_; }

    // Every table and view, in the order the database lists them.
    const std::vector<TableEntry>& Tables();
    int TableCount();
    QString TableName(int position);

    // The table an unqualified name reaches, found exactly or, where the
    // database ignores the case of names, in any case; nothing when there
    // is none.
    std::optional<TableEntry> FindTable(const QString& name);

    // As FindTable, but a missing table is a DatabaseError.
    TableEntry LookupTable(const QString& name);

    // Drops the table; a missing table is a DatabaseError.
    void DropTable(const QString& name);

    // Takes a table off this catalogue's list, as a drop does, without
    // dropping it (a preview's walk over the list picks the same tables).
    void Forget(const TableEntry& table);

    // Drops the table when it is there; a missing table, or a view of that
    // name, is passed over, also one that another program dropped after the
    // list was read. Answers whether it was dropped. Any other failure,
    // reading the list or dropping (a lock, a permission), is a
    // DatabaseError: a table that could not be dropped is not absent. (SQL
    // Server gives one message, 3701, for a missing table and a missing
    // right; the table is then looked up again.)
    bool DropTableIfPresent(const QString& name);

    // The table's columns in their order; a missing table is a DatabaseError.
    std::vector<ColumnDefinition> Columns(const QString& table);

    // The table as a statement names it: on SQL Server with its schema, so
    // that the statement reaches the table this catalogue found whatever
    // the login's default schema; a missing table is a DatabaseError.
    QString StatementName(const QString& table);

    // Creates a table with the given columns in one statement, in the
    // schema an unqualified name reaches, named explicitly on SQL Server.
    void CreateTable(const QString& name, const std::vector<ColumnDefinition>& columns);

    // Creates the table unless it is there, also when another connection
    // has created it since this catalogue read its list: a failed create
    // after which the table is found counts as done. The table may then
    // hold other columns than the given ones.
    void CreateTableIfMissing(const QString& name, const std::vector<ColumnDefinition>& columns);

    void AddColumn(const QString& table, const ColumnDefinition& column);
    void DropColumn(const QString& table, const QString& column);

    // Gives existing columns the types of the given definitions, keeping
    // every row and value: in place where the database can alter a column,
    // by rebuilding the table in one transaction on SQLite, which cannot.
    void ChangeColumnTypes(const QString& table, const std::vector<ColumnDefinition>& changed);

    // The schema an unqualified name reaches ("main" on SQLite, the login's
    // default schema on SQL Server); empty where the database cannot tell.
    QString DefaultSchema();

private:
    std::vector<TableEntry>& TableList();
    std::vector<TableEntry> ReadSQLiteTables();
    std::vector<TableEntry> ReadListedTables();
    std::vector<ColumnDefinition> ReadSQLiteColumns(const TableEntry& table);
    std::vector<ColumnDefinition> ReadListedColumns(const TableEntry& table);
    QString QualifiedName(const TableEntry& table) const;
    QString ExplicitName(const TableEntry& table) const;
    bool IsGone(const TableEntry& table, const DatabaseError& dropFailure);

    Connection& connection_;
    std::optional<std::vector<TableEntry>> tables_;
    QString defaultSchema_;
};

} // namespace qel
