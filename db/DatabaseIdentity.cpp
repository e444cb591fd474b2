#include "db/DatabaseIdentity.h"

#include "db/Connection.h"
#include "db/FileIdentity.h"
#include "db/Result.h"

namespace qel {

QString SQLiteDatabaseFile(Connection& connection)
{
    if (!connection.dialect().isSQLite())
        return {};
    Result rows(connection, QStringLiteral("SELECT file FROM pragma_database_list WHERE name = 'main'"));
    return rows.Next() ? rows.Value(0).text() : QString();
}

QString SqlServerIdentityQuery()
{
    return QStringLiteral("SELECT CAST(SERVERPROPERTY('ServerName') AS nvarchar(256)), DB_NAME()");
}

DatabaseIdentity IdentityOf(Connection& connection)
{
    DatabaseIdentity identity;
    switch (connection.dialect().kind()) {
    case Dialect::Kind::SQLite: {
        const QString file = SQLiteDatabaseFile(connection);
        if (!file.isEmpty()) {
            identity.database = FileIdentity(file);
            identity.shown = file;
        }
        break;
    }
    case Dialect::Kind::SqlServer: {
        Result rows(connection, SqlServerIdentityQuery());
        if (rows.Next()) {
            identity.server = rows.Value(0).text();
            identity.database = rows.Value(1).text();
            identity.shown = identity.server + QLatin1Char('/') + identity.database;
        }
        break;
    }
    default:
        break;
    }
    return identity;
}

} // namespace qel
