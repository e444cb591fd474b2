#include "cleanup/checks/ConnectionCheck.h"

#include "cleanup/checks/BackupTarget.h"
#include "cleanup/checks/RunChecks.h"
#include "cleanup/Databases.h"
#include "core/RunState.h"
#include "db/Connection.h"
#include "db/ConnectionString.h"
#include "db/DataSources.h"
#include "db/DatabaseError.h"

#include <QFileInfo>
#include <QUrl>

#include <optional>

namespace qel {

namespace {

QString ProblemOf(const DatabaseError& error)
{
    return error.source().isEmpty() ? error.description()
                                    : QStringLiteral("%1 (%2)").arg(error.description(), error.source());
}

ConnectionCheck Opened(const QString& setting, const QString& connection, DatabaseRole role, int timeout)
{
    ConnectionCheck check;
    check.setting = setting;
    check.database = DescribeDatabase(connection);
    try {
        OpenDatabase(connection, role, timeout);
    } catch (const DatabaseError& e) {
        check.result = ConnectionCheck::Result::Failed;
        check.problem = ProblemOf(e);
    }
    return check;
}

// The file of a SQLite backup target, when the connection string (or the
// data source it names) names one as a path or a file: URI.
std::optional<QString> SQLiteFile(const QString& connection)
{
    const ReachedDatabase reached = DatabaseReachedBy(connection);
    if (!reached.isSQLite() || !reached.database || reached.database->trimmed().isEmpty())
        return std::nullopt;
    const QString database = reached.database->trimmed();
    if (!database.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return database;
    const QString path = QUrl(database).path();
    return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
}

ConnectionCheck BackupTarget(const CleanupSettings& settings, int timeout)
{
    RunState state;
    const QString target = TargetConnection(settings, state);
    ConnectionCheck check;
    check.setting = settings.backupType == 2 ? QStringLiteral("AccessTgt") : QStringLiteral("StatTgt");
    check.database = DescribeDatabase(target);
    if (settings.backupType == 0) {
        check.result = ConnectionCheck::Result::NotUsed;
        return check;
    }
    if (const auto problem = BackupTargetProblem(settings)) {
        check.result = ConnectionCheck::Result::Failed;
        check.problem = problem->text;
        return check;
    }
    try {
        CheckBackupDriver(settings, target);
    } catch (const DatabaseError& e) {
        check.result = ConnectionCheck::Result::Failed;
        check.problem = ProblemOf(e);
        return check;
    }
    // Opening a SQLite file that is not there would create it: it is only
    // looked for, and its folder, where the first clean-up with a backup
    // will create it.
    if (const auto file = SQLiteFile(target); file && !QFileInfo::exists(*file)) {
        const QFileInfo info(*file);
        if (QFileInfo(info.absolutePath()).isDir()) {
            check.result = ConnectionCheck::Result::CreatedByRun;
        } else {
            check.result = ConnectionCheck::Result::Failed;
            check.problem = QStringLiteral("the folder %1 does not exist").arg(info.absolutePath());
        }
        return check;
    }
    return Opened(check.setting, target, DatabaseRole::BackupTarget, timeout);
}

} // namespace

std::vector<ConnectionCheck> CheckConnections(const CleanupSettings& settings, Feedback& feedback)
{
    // Every SQLite file opens read-only here, and only the backup target
    // may be created by OpenDatabase: it is looked for first.
    ReadOnlyOpening readOnly;
    const int timeout = CommandTimeout(settings.timeout);
    const struct {
        DatabaseRole role;
        const QString* connection;
    } databases[] = {
        {DatabaseRole::CallCentre, &settings.callCenterSrc}, {DatabaseRole::Statistics, &settings.statSrc},
        {DatabaseRole::Surveys, &settings.surveyDB},         {DatabaseRole::WebInterviews, &settings.webInterviewDB},
        {DatabaseRole::WebProduction, &settings.webProdDB},  {DatabaseRole::Lists, &settings.listDB},
    };
    std::vector<ConnectionCheck> checks;
    for (const auto& database : databases) {
        const QString setting = QLatin1String(SettingKeyOf(database.role));
        feedback.ShowStatus(QStringLiteral("Opening %1").arg(setting));
        feedback.PumpMessages();
        checks.push_back(Opened(setting, *database.connection, database.role, timeout));
    }
    feedback.ShowStatus(QStringLiteral("Opening the backup target"));
    feedback.PumpMessages();
    checks.push_back(BackupTarget(settings, timeout));
    return checks;
}

QString ConnectionCheckText(const ConnectionCheck& check)
{
    const QString where = check.database.isEmpty() ? QString() : QStringLiteral(", ") + check.database;
    switch (check.result) {
    case ConnectionCheck::Result::Open:
        return QStringLiteral("%1: OK%2").arg(check.setting, where);
    case ConnectionCheck::Result::NotUsed:
        return QStringLiteral("%1: not used, no backup is chosen (BackupType 0)").arg(check.setting);
    case ConnectionCheck::Result::CreatedByRun:
        return QStringLiteral("%1: OK%2, not there yet: the first clean-up with a backup creates it")
            .arg(check.setting, where);
    case ConnectionCheck::Result::Failed:
        break;
    }
    return QStringLiteral("%1: FAILED%2: %3").arg(check.setting, where, check.problem);
}

} // namespace qel
