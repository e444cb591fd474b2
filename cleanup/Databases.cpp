#include "cleanup/Databases.h"

#include "db/DataSources.h"
#include "db/DatabaseError.h"

#include <QFileInfo>
#include <QStringList>
#include <QUrl>

namespace qel {

namespace {

// The setting a connection string came from. The backup target is StatTgt,
// or with BackupType 2 the Access driver's string built from AccessTgt.
QString SettingOf(const ParsedConnection& connection, DatabaseRole role)
{
    if (role == DatabaseRole::BackupTarget && connection.kind() == DriverKind::Access)
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
    return ReadOnlyConnection(ParsedConnection(connectionString)).text();
}

ParsedConnection ReadOnlyConnection(const ParsedConnection& connection)
{
    // The file is named by the string's Database key or by the data source
    // it names; either way the string's key is what the driver opens.
    const ReachedDatabase reached = DatabaseReachedBy(connection);
    const std::optional<QString>& database = reached.database;
    if (!reached.isSQLite() || !database || database->isEmpty()
        || database->startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return connection;
    // A file that is not there is left to the usual open, which says so.
    const QFileInfo file(*database);
    if (!file.isFile())
        return connection;
    const QString uri = QUrl::fromLocalFile(file.absoluteFilePath()).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=ro");
    return connection.WithValue(QStringLiteral("Database"), uri);
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
    return DatabaseOrigin(ParsedConnection(connectionString), role);
}

QString DatabaseOrigin(const ParsedConnection& connection, DatabaseRole role)
{
    const QString database = connection.description();
    const QString setting = SettingOf(connection, role);
    return database.isEmpty() ? QStringLiteral("Database of %1").arg(setting)
                              : QStringLiteral("Database of %1: %2").arg(setting, database);
}

std::unique_ptr<Connection> OpenDatabase(const QString& connectionString, DatabaseRole role,
                                         std::optional<int> commandTimeout)
{
    return OpenDatabase(ParsedConnection(connectionString), role, commandTimeout);
}

std::unique_ptr<Connection> OpenDatabase(const ParsedConnection& setting, DatabaseRole role,
                                         std::optional<int> commandTimeout)
{
    // The driver manager would answer "Data source name not found".
    if (setting.isBlank())
        throw EmptySettingError(role);

    const QString origin = DatabaseOrigin(setting, role);
    const MissingDatabase missing = role == DatabaseRole::BackupTarget ? MissingDatabase::Create : MissingDatabase::Refuse;
    try {
        const ParsedConnection opened = readOnlyOpenings > 0 ? ReadOnlyConnection(setting) : setting;
        auto connection = Connection::Open(opened, commandTimeout, missing);
        connection->setOrigin(origin);
        return connection;
    } catch (DatabaseError& e) {
        e.setOrigin(origin);
        throw;
    }
}

} // namespace qel
