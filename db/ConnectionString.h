#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace qel {

// A connection string as key=value pairs separated by semicolons. Values may
// be enclosed in braces or quotes so that they can hold semicolons.
class ConnectionString {
public:
    static ConnectionString Parse(const QString& text);

    // The value of the first key of this name, compared without letter case.
    std::optional<QString> value(const QString& key) const;
    bool has(const QString& key) const { return value(key).has_value(); }

    const std::vector<std::pair<QString, QString>>& pairs() const { return pairs_; }

private:
    std::vector<std::pair<QString, QString>> pairs_;
};

// Writes one key=value pair for an ODBC connection string, in braces when
// the value needs them.
QString OdbcPair(const QString& key, const QString& value);

// Appends key=value to a connection string, with a separator when needed.
QString AppendConnectionKey(const QString& connection, const QString& key, const QString& value);

// Settings written for the OLE DB providers name a provider; the driver
// manager needs a driver. A string that starts with "Provider=" naming the
// SQL Server providers (SQLOLEDB, SQLNCLI*, MSOLEDBSQL*) or the Jet provider
// is rewritten for the matching ODBC driver, carrying over the server,
// database, integrated security, user and password. Any other text is
// returned unchanged. installedDrivers names the drivers to prefer among.
QString TranslateConnectionString(const QString& connection, const QStringList& installedDrivers);

// The database a connection string reaches, in words a report can show:
// "the SQLite file PATH", "server S, database D", "the data source N", ...;
// empty when the string names none. User names and passwords are never
// part of it.
QString DescribeDatabase(const QString& connection);

} // namespace qel
