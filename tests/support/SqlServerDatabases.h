#pragma once

#include "fixtures/ProductDatabases.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

namespace qel {
class Connection;
}

namespace qel::test {

// The connection string with its database set to the one named; every other
// key is kept as written.
QString WithDatabase(const QString& connection, const QString& database);

// The connection string as messages may show it: passwords replaced.
QString WithoutPassword(const QString& connection);

// The connection string with the SQL Server login and password given in
// place of whichever login or Windows authentication it named.
QString WithLogin(const QString& connection, const QString& login, const QString& password);

// Seven new databases on a SQL Server, for the product's six and a backup
// target, named after this process and a counter (qel_<pid>_<n>_<tag>_stats,
// ...), so that test programs running side by side, here or on another
// machine, never share one. They are dropped when the object goes; a
// program killed before that leaves them behind under those names.
class SqlServerDatabases {
public:
    // Throws DatabaseError when the server cannot be reached, is not SQL
    // Server, or refuses to create a database; nothing is left behind then.
    explicit SqlServerDatabases(const QString& serverConnection);
    ~SqlServerDatabases();
    SqlServerDatabases(const SqlServerDatabases&) = delete;
    SqlServerDatabases& operator=(const SqlServerDatabases&) = delete;

    const ProductConnections& connections() const { return connections_; }

    // Drops the databases, first closing every connection to them, and the
    // logins made for the test. Throws the first DatabaseError after trying
    // them all.
    void DropAll();

    // Why this server cannot give a test a login of its own: it takes
    // Windows logins only, or the login of the variable may not create
    // logins (ALTER ANY LOGIN); empty when it can.
    QString LoginsUnavailable();

    // A new SQL Server login of this test, with no user in any database
    // yet; dropped with the databases. Answers its name.
    QString CreateLogin(const QString& tag);

    // A connection string of one of the test's databases for a login made
    // by CreateLogin.
    QString AsLogin(const QString& databaseConnection, const QString& login) const;

private:
    QString Create(const QString& serverConnection, const QString& name);

    std::unique_ptr<Connection> admin_;
    QString prefix_;
    QStringList created_;
    std::vector<std::pair<QString, QString>> logins_; // name, password
    ProductConnections connections_;
};

} // namespace qel::test
