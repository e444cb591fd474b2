#pragma once

#include "db/ConnectionString.h"
#include "db/DatabaseIdentity.h"

#include <QString>
#include <QStringList>

#include <initializer_list>
#include <optional>

namespace qel {

// The kind of database a connection string's own keys name, by its driver
// or OLE DB provider. A data source (DSN) names its driver in the driver
// manager's entry, not in the string: such a string is Other here
// (DatabaseReachedBy in DataSources.h asks the driver manager).
enum class DriverKind { SQLite, SqlServer, Access, Other };

// A connection string read once: its keys, the kind of database they name,
// which database that is, and how to speak of it without its password.
// Adding or replacing a key gives a new value without reading any text
// again, so that an open reads its setting once however many steps look
// at it.
class ParsedConnection {
public:
    ParsedConnection() = default;
    explicit ParsedConnection(const QString& text);

    // The ODBC string that opens an Access file: the Access Database
    // Engine's driver, named for both file kinds (the only one a 64-bit
    // program can load), or the older Jet driver where that alone is
    // installed; the first when neither is, so that the driver manager's
    // own error says it is missing.
    static ParsedConnection AccessFile(const QString& path, const QStringList& installedDrivers);

    // The string as written, or as built.
    const QString& text() const { return text_; }
    const ConnectionString& keys() const { return keys_; }
    std::optional<QString> value(const QString& key) const { return keys_.value(key); }
    bool has(const QString& key) const { return keys_.has(key); }
    // The value of the first of these keys the string has; empty for none.
    QString firstOf(std::initializer_list<const char*> keys) const;

    bool isBlank() const { return text_.trimmed().isEmpty(); }
    // Written for an OLE DB provider ("Provider=..."), not for ODBC.
    bool isProviderString() const;
    DriverKind kind() const { return kind_; }

    // The ODBC string for this one: a string for the SQL Server providers
    // (SQLOLEDB, SQLNCLI*, MSOLEDBSQL*) or the Jet provider rewritten for
    // the matching driver among the installed ones, carrying over the
    // server, database, integrated security, encryption, user and
    // password; any other string as it is.
    ParsedConnection ForOdbc(const QStringList& installedDrivers) const;

    // The key appended, after a separator where one is needed.
    ParsedConnection WithKey(const QString& key, const QString& value) const;
    // Every key of that name given this value; appended when there is none.
    ParsedConnection WithValue(const QString& key, const QString& value) const;

    // The database in words a report can show: "the SQLite file PATH",
    // "the Access file PATH", "server S, database D", "the data source N",
    // ...; empty when the string names none. User names and passwords are
    // never part of it.
    QString description() const;

    // The string with the value of every password key written as ***; a
    // string without one as written.
    QString masked() const;

    // Which database the keys name, for telling whether two settings name
    // one database: the file of a SQLite or Access database (the file
    // itself where it exists, so that any path to it is the same; its
    // absolute path where it does not yet), or the server and database of
    // SQL Server. Not known for a data source, a database held in memory,
    // a server without a database name, or any other kind.
    DatabaseIdentity identity() const;
    bool sameDatabaseAs(const ParsedConnection& other) const { return identity() == other.identity(); }

private:
    ParsedConnection(QString text, ConnectionString keys);

    QString text_;
    ConnectionString keys_;
    DriverKind kind_ = DriverKind::Other;
};

// Whether a key holds a password: PWD, or any key with "password" in it
// ("Password", "Jet OLEDB:Database Password").
bool IsPasswordKey(const QString& key);

// ParsedConnection(connection).ForOdbc(installedDrivers).text().
QString TranslateConnectionString(const QString& connection, const QStringList& installedDrivers);

// ParsedConnection(connection).description().
QString DescribeDatabase(const QString& connection);

} // namespace qel
