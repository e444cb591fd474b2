#pragma once

#include "db/ColumnType.h"

#include <QDate>
#include <QString>

#include <optional>

namespace qel {

// The few texts that differ between the databases this program talks to,
// chosen from what the open connection reports as its DBMS name. Everything
// else is sent as written, in the SQL Server dialect.
class Dialect {
public:
    enum class Kind { SqlServer, SQLite, Access, Other };

    explicit Dialect(Kind kind = Kind::SqlServer) : kind_(kind) {}
    static Dialect ForDbmsName(const QString& dbmsName);

    Kind kind() const { return kind_; }
    bool isSQLite() const { return kind_ == Kind::SQLite; }
    bool isSqlServer() const { return kind_ == Kind::SqlServer; }

    // The date of a cut-off as the database compares it: "%m/%d/%Y" for
    // SQL Server and Access, ISO "%Y-%m-%d" for SQLite, whose dates are text.
    QString DateLiteral(const QDate& date) const;

    // The statement that makes the server read quoted dates as month/day/year;
    // empty where no such statement exists.
    QString DateFormatPreamble() const;

    // The server's current local time as an SQL expression.
    QString CurrentTimeExpression() const;

    // A text as an SQL literal, "'" doubled: N'...' on SQL Server, so that a
    // character outside the database's code page arrives as it is, '...'
    // elsewhere.
    QString TextLiteral(const QString& text) const;

    // A table or column name quoted so that any character in it is safe:
    // [name] with "]" doubled, or on SQLite "name" with '"' doubled.
    QString QuoteIdentifier(const QString& name) const;

    // The declared type of a column created with this type.
    QString ColumnTypeText(const ColumnTypeInfo& type) const;

    // The type of a column of this kind of database written as the
    // database itself writes it, so that a column created with it in
    // another database of the same kind takes every value the same way:
    // SQLite's declared type as it stands (its affinity decides how values
    // are kept); a SQL Server system type with its length, precision or
    // scale ("nvarchar(max)", "datetimeoffset(7)", "decimal(38,4)"),
    // rowversion as the binary(8) that holds its values. Nothing for a type
    // another database may not know (an alias type) or one of another kind.
    std::optional<QString> NativeTypeText(const ColumnTypeInfo& type) const;

    // Whether the database knows a table by any letter case of its name.
    bool namesIgnoreCase() const { return kind_ == Kind::SQLite || kind_ == Kind::Access; }

private:
    Kind kind_;
};

} // namespace qel
