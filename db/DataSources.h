#pragma once

#include "db/ParsedConnection.h"

#include <QString>

#include <optional>

namespace qel {

// What the driver manager knows of a data source name (DSN): the driver
// its entry names (the name under which the driver is installed, and its
// library where the entry or the driver list tells it) and the database it
// points at.
struct DataSource {
    QString driver;        // "SQLite3", "FreeTDS", ...
    QString driverLibrary; // "libsqlite3odbc.so", a path, or empty
    QString database;      // the entry's Database (or DBQ), empty when it names none
};

// The user or system data source of that name; nothing when the driver
// manager knows none.
std::optional<DataSource> LookUpDataSource(const QString& name);

// The database a connection string reaches, as far as it can be told
// without connecting: the driver and database its own keys name, or, for a
// key it leaves out, those of the data source it names.
struct ReachedDatabase {
    QString driver;        // the driver's name, or its library, as named
    QString driverLibrary; // where a data source told it
    std::optional<QString> database; // Database, DBQ or Initial Catalog; nothing when no key names one
    QString dataSource;    // the DSN the string names, empty for none
    bool knownDataSource = false; // the driver manager knows that DSN

    // The SQLite ODBC driver, by its name or its library.
    bool isSQLite() const;
};
ReachedDatabase DatabaseReachedBy(const ParsedConnection& connection);
ReachedDatabase DatabaseReachedBy(const QString& connectionString);

} // namespace qel
