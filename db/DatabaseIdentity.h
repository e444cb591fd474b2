#pragma once

#include <QString>

namespace qel {

class Connection;

// What a connection reaches, told from what the database itself says rather
// than from the connection string, so that two strings that lead to one
// database are seen to: for a SQLite database the identity of its file, for
// SQL Server the server's own name and the database's name.
// (ParsedConnection::identity tells the same from a string's keys alone,
// before anything is opened: a file's identity is the same either way; a
// server there is named as the string names it, so compare such an
// identity with another string's only.)
struct DatabaseIdentity {
    QString server;   // empty for a file database
    QString database; // the file's identity, or the database name
    QString shown;    // for messages: the file's path, or server/database

    bool isKnown() const { return !database.isEmpty(); }
    bool sameServerAs(const DatabaseIdentity& other) const
    {
        return !server.isEmpty() && server.compare(other.server, Qt::CaseInsensitive) == 0;
    }
    bool operator==(const DatabaseIdentity& other) const
    {
        return isKnown() && server.compare(other.server, Qt::CaseInsensitive) == 0
            && database.compare(other.database, server.isEmpty() ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0;
    }
};

// The identity of the database a connection reaches; not known for a
// database held in memory or of a kind that cannot tell.
DatabaseIdentity IdentityOf(Connection& connection);

// SQL Server: the server's own name and the database's, in that order.
QString SqlServerIdentityQuery();

// The file of a SQLite connection's main database; empty for any other
// database or one held in memory.
QString SQLiteDatabaseFile(Connection& connection);

} // namespace qel
