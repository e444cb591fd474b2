#include "cleanup/checks/BackupTarget.h"

#include "db/ParsedConnection.h"
#include "db/DataSources.h"
#include "db/DriverRegistry.h"

#include <QStringList>
#include <QUrl>

namespace qel {

namespace {

QString Decoded(const QString& text)
{
    return QUrl::fromPercentEncoding(text.toUtf8());
}

} // namespace

QString TargetConnection(const CleanupSettings& settings, RunState& state)
{
    state.accessTarget = settings.backupType == 2;
    if (state.accessTarget)
        // Blanks around the path are no part of the file's name.
        return ParsedConnection::AccessFile(settings.accessTgt.trimmed(), InstalledOdbcDrivers()).text();
    return settings.statTgt;
}

QString TransientSQLiteDatabase(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.compare(QLatin1String(":memory:"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("an in-memory SQLite database");
    if (!trimmed.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return {};
    // A URI: file:PATH?KEY=VALUE&...#FRAGMENT, each part percent-encoded.
    QString rest = trimmed.mid(5);
    rest = rest.left(rest.indexOf(QLatin1Char('#')) < 0 ? rest.size() : rest.indexOf(QLatin1Char('#')));
    const qsizetype question = rest.indexOf(QLatin1Char('?'));
    QString path = Decoded(question < 0 ? rest : rest.left(question));
    const QString query = question < 0 ? QString() : rest.mid(question + 1);
    if (path.startsWith(QLatin1String("//"))) // an authority, then the path
        path = path.mid(path.indexOf(QLatin1Char('/'), 2) < 0 ? path.size() : path.indexOf(QLatin1Char('/'), 2));
    for (const QString& parameter : query.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        const QString key = Decoded(parameter.section(QLatin1Char('='), 0, 0)).trimmed();
        const QString value = Decoded(parameter.section(QLatin1Char('='), 1)).trimmed();
        if ((key.compare(QLatin1String("mode"), Qt::CaseInsensitive) == 0
             && value.compare(QLatin1String("memory"), Qt::CaseInsensitive) == 0)
            || (key.compare(QLatin1String("vfs"), Qt::CaseInsensitive) == 0
                && value.compare(QLatin1String("memdb"), Qt::CaseInsensitive) == 0))
            return QStringLiteral("an in-memory SQLite database");
    }
    if (path.compare(QLatin1String(":memory:"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("an in-memory SQLite database");
    if (path.trimmed().isEmpty())
        return QStringLiteral("a temporary SQLite database, deleted when its connection closes,");
    return {};
}

std::optional<SettingProblem> BackupTargetProblem(const CleanupSettings& settings)
{
    if (settings.backupType == 0)
        return std::nullopt;
    if (settings.backupType == 2) {
        if (settings.accessTgt.trimmed().isEmpty())
            return SettingProblem{QStringLiteral("AccessTgt"),
                                  QStringLiteral("AccessTgt is empty: choose the Access file the backup goes into "
                                                 "(\"Browse...\" in the window, or --set AccessTgt=...)")};
        return std::nullopt;
    }

    const QString key = QStringLiteral("StatTgt");
    const auto problem = [&key](const QString& text) { return SettingProblem{key, text}; };
    if (settings.statTgt.trimmed().isEmpty())
        return problem(QStringLiteral("StatTgt is empty: name the database the backup goes into (in the window, or "
                                      "with --set StatTgt=...)"));
    const ParsedConnection setting(settings.statTgt);
    const ReachedDatabase reached =
        DatabaseReachedBy(setting.isProviderString() ? setting.ForOdbc(InstalledOdbcDrivers()) : setting);
    // A data source the driver manager does not know fails the open, which
    // says so.
    if (!reached.dataSource.isEmpty() && !reached.knownDataSource)
        return std::nullopt;
    const QString described = setting.description();
    const QString where = described.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(described);
    if (!reached.database)
        return problem(QStringLiteral("StatTgt names no database%1, so the backup would land where no setting says: "
                                      "name it with Database=...")
                           .arg(where));
    if (reached.database->trimmed().isEmpty())
        return problem(QStringLiteral("StatTgt names an empty database (Database=%1), so the backup would land where no "
                                      "setting says: name it with Database=...")
                           .arg(*reached.database));
    if (reached.isSQLite()) {
        const QString transient = TransientSQLiteDatabase(*reached.database);
        if (!transient.isEmpty())
            return problem(QStringLiteral("StatTgt names %1 '%2', which keeps nothing once the run ends: name a "
                                          "database file for the backup")
                               .arg(transient, *reached.database));
    }
    return std::nullopt;
}

} // namespace qel
