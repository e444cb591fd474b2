#pragma once

#include "AdoTypes.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

class Connection;

// A column as the catalogue describes and creates it.
struct ColumnDefinition {
    QString name;
    int type = adEmpty;  // ADO type code
    int definedSize = 0; // characters of a text column, bytes of a binary one
    bool nullable = true;
};

// The schema catalogue of one connection: its tables and their columns, and
// the statements that create, alter and drop them in the connection's own
// dialect. The table list is read once and then kept in step with the
// tables this catalogue drops and creates, so positions stay meaningful
// while a caller walks it and drops tables.
class Catalog {
public:
    explicit Catalog(Connection& connection) : connection_(connection) {}

    Connection& connection() const { return connection_; }

    int TableCount();
    QString TableName(int position);

    // The table of this name as the database spells it, found exactly or,
    // where the database ignores the case of names, in any case; nothing
    // when there is none.
    std::optional<QString> FindTable(const QString& name);

    // As FindTable, but a missing table is a DatabaseError.
    QString LookupTable(const QString& name);

    // Drops the table; a missing table is a DatabaseError.
    void DeleteTable(const QString& name);

    // Drops the table when it is there and can be dropped; a table that is
    // missing or refuses is passed over. Answers whether it was dropped.
    bool DeleteTableIfPresent(const QString& name);

    // The table's columns in their order; a missing table is a DatabaseError.
    std::vector<ColumnDefinition> Columns(const QString& table);

    // Creates a table with the given columns in one statement.
    void AppendTable(const QString& name, const std::vector<ColumnDefinition>& columns);

    void AppendColumn(const QString& table, const ColumnDefinition& column);
    void DeleteColumn(const QString& table, const QString& column);

    // Lets a text column of an Access table hold empty text. Jet keeps this
    // as a column property that its ODBC driver does not expose; columns
    // that this program creates in Access allow empty text already.
    void SetAllowZeroLength(const QString& table, const QString& column);

private:
    struct TableEntry {
        QString name;
        QString type;
    };
    std::vector<TableEntry>& Tables();
    QString ColumnDdl(const ColumnDefinition& column) const;

    Connection& connection_;
    std::optional<std::vector<TableEntry>> tables_;
};

std::unique_ptr<Catalog> BindCatalog(Connection& connection);
