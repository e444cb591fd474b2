#pragma once

#include "db/Catalog.h"
#include "db/Dialect.h"

#include <QString>

#include <vector>

namespace qel {

// The statements the schema catalogue sends, built from the dialect of its
// connection, so that each text can be read and checked without a database.
// A qualified name is a table name already quoted by QualifiedName.
namespace CatalogStatements {

// SQL Server: the schema an unqualified table name reaches.
QString DefaultSchema();

// SQL Server: the tables and views an unqualified name reaches, as the
// server resolves it for this login (its default schema, then dbo): schema,
// name and "TABLE" or "VIEW", tables first, each by name.
QString ResolvedTables();

// The table quoted for the dialect, with its schema in front only when it
// is not the one an unqualified name reaches.
QString QualifiedName(const Dialect& dialect, const QString& schema, const QString& name, const QString& defaultSchema);

// The table quoted with its schema whenever the schema is known, so that a
// statement reaches that table whatever the login's default schema.
QString SchemaQualifiedName(const Dialect& dialect, const QString& schema, const QString& name);

// "[name] type NULL": a column as a table definition or ALTER TABLE writes it.
QString ColumnText(const Dialect& dialect, const ColumnDefinition& column);

// SQL Server: the table's object id, NULL when the server finds no such
// table. The qualified name names the schema.
QString TableObjectId(const QString& qualifiedName);

QString CreateTable(const Dialect& dialect, const QString& qualifiedName, const std::vector<ColumnDefinition>& columns);
// The same, creating nothing when the table is there: CREATE TABLE IF NOT
// EXISTS on SQLite, a test of OBJECT_ID before it on SQL Server; elsewhere
// the plain statement.
QString CreateTableIfMissing(const Dialect& dialect, const QString& qualifiedName,
                             const std::vector<ColumnDefinition>& columns);
QString DropTable(const QString& qualifiedName);
QString AddColumn(const Dialect& dialect, const QString& qualifiedName, const ColumnDefinition& column);
QString DropColumn(const Dialect& dialect, const QString& qualifiedName, const QString& column);
// Gives a column another type in place, keeping its values (not SQLite).
QString AlterColumn(const Dialect& dialect, const QString& qualifiedName, const ColumnDefinition& column);

} // namespace CatalogStatements

} // namespace qel
