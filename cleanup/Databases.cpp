#include "cleanup/Databases.h"

#include "db/ConnectionString.h"
#include "db/DataSources.h"
#include "db/DatabaseError.h"

#include <QFileInfo>
#include <QStringList>
#include <QUrl>

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
    return DatabaseError::Setting(QStringLiteral("%1 is empty: ").arg(key) + where.arg(key));
}

thread_local int readOnlyOpenings = 0;

} // namespace

ReadOnlyOpening::ReadOnlyOpening()
{
    ++readOnlyOpenings;
}

ReadOnlyOpening::~ReadOnlyOpening()
{
    --readOnlyOpenings;
}

QString ReadOnlyConnectionString(const QString& connectionString)
{
    // The file is named by the string's Database key or by the data source
    // it names; either way the string's key is what the driver opens.
    const ReachedDatabase reached = DatabaseReachedBy(connectionString);
    const std::optional<QString>& database = reached.database;
    if (!reached.isSQLite() || !database || database->isEmpty()
        || database->startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return connectionString;
    // A file that is not there is left to the usual open, which says so.
    const QFileInfo file(*database);
    if (!file.isFile())
        return connectionString;
    const QString uri = QUrl::fromLocalFile(file.absoluteFilePath()).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=ro");
    const ConnectionString parsed = ConnectionString::Parse(connectionString);
    if (!parsed.has(QStringLiteral("Database")))
        return AppendConnectionKey(connectionString, QStringLiteral("Database"), uri);
    QStringList pairs;
    for (const auto& [key, value] : parsed.pairs())
        pairs << OdbcPair(key, key.compare(QLatin1String("Database"), Qt::CaseInsensitive) == 0 ? uri : value);
    return pairs.join(QLatin1Char(';'));
}

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
        const QString opened = readOnlyOpenings > 0 ? ReadOnlyConnectionString(connectionString) : connectionString;
        auto connection = Connection::Open(opened, commandTimeout, missing);
        connection->setOrigin(origin);
        return connection;
    } catch (DatabaseError& e) {
        e.setOrigin(origin);
        throw;
    }
}

} // namespace qel
