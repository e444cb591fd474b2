#pragma once

#include <OleDateTime.h>

#include <QString>

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

    // The date of a cut-off as the database compares it: "%m/%d/%Y" for
    // SQL Server and Access, ISO "%Y-%m-%d" for SQLite, whose dates are text.
    QString dateLiteral(const OleDateTime& date) const;

    // The statement that makes the server read quoted dates as month/day/year;
    // empty where no such statement exists.
    QString dateFormatPreamble() const;

    // The server's current local time as an SQL expression.
    QString currentTimeExpression() const;

    // A table or column name quoted so that any character in it is safe:
    // [name] with "]" doubled, or on SQLite "name" with '"' doubled.
    QString quoteIdentifier(const QString& name) const;

    // The declared type of a column created with this ADO type code and size.
    QString columnType(int adoType, int definedSize) const;

private:
    Kind kind_;
};
