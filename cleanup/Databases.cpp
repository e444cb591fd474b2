#include "cleanup/Databases.h"

#include "db/ConnectionString.h"
#include "db/DatabaseError.h"

namespace qel {

namespace {

// The setting a connection string came from. The backup target is StatTgt,
// or with BackupType 2 the Jet string built from AccessTgt.
QString SettingOf(const QString& connectionString, DatabaseRole role)
{
    if (role == DatabaseRole::BackupTarget
        && connectionString.trimmed().startsWith(QLatin1String("Provider=Microsoft.Jet"), Qt::CaseInsensitive))
        return QStringLiteral("AccessTgt");
    return QLatin1String(SettingKeyOf(role));
}

DatabaseError EmptySettingError(DatabaseRole role)
{
    const QString key = QLatin1String(SettingKeyOf(role));
    // The backup target has no field in the window.
    const QString where = role == DatabaseRole::BackupTarget ? QStringLiteral("set it with --set %1=...")
                                                             : QStringLiteral("set it in the window or with --set %1=...");
    return DatabaseError::Internal(QStringLiteral("%1 is empty: ").arg(key) + where.arg(key));
}

} // namespace

const char* SettingKeyOf(DatabaseRole role)
{
    switch (role) {
    case DatabaseRole::CallCentre: return "CallCenterSrc";
    case DatabaseRole::Statistics: return "StatSrc";
    case DatabaseRole::Surveys: return "SurveyDB";
    case DatabaseRole::WebInterviews: return "WebInterviewDB";
    case DatabaseRole::WebProduction: return "WebProdDB";
    case DatabaseRole::Lists: return "ListDB";
    case DatabaseRole::BackupTarget: return "StatTgt";
    }
    return "";
}

QString DatabaseOrigin(const QString& connectionString, DatabaseRole role)
{
    const QString database = DescribeDatabase(connectionString);
    const QString setting = SettingOf(connectionString, role);
    return database.isEmpty() ? QStringLiteral("Database of %1").arg(setting)
                              : QStringLiteral("Database of %1: %2").arg(setting, database);
}

std::unique_ptr<Connection> OpenDatabase(const QString& connectionString, DatabaseRole role,
                                         std::optional<int> commandTimeout)
{
    // The driver manager would answer "Data source name not found".
    if (connectionString.trimmed().isEmpty())
        throw EmptySettingError(role);

    const QString origin = DatabaseOrigin(connectionString, role);
    const MissingDatabase missing = role == DatabaseRole::BackupTarget ? MissingDatabase::Create : MissingDatabase::Refuse;
    try {
        auto connection = Connection::Open(connectionString, commandTimeout, missing);
        connection->setOrigin(origin);
        return connection;
    } catch (DatabaseError& e) {
        e.setOrigin(origin);
        throw;
    }
}

} // namespace qel
