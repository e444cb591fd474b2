#include "cleanup/checks/RunChecks.h"

#include "cleanup/Databases.h"
#include "cleanup/transfer/TableMove.h"
#include "cleanup/transfer/TransferStatements.h"
#include "cleanup/transfer/WalkKey.h"
#include "cleanup/transfer/WriterPacing.h"
#include "db/Catalog.h"
#include "db/ParsedConnection.h"
#include "db/DriverRegistry.h"
#include "db/DataSources.h"
#include "db/DatabaseError.h"
#include "db/Result.h"

#include <algorithm>

namespace qel {

namespace Sql = TransferStatements;

namespace {

DatabaseError Refusal(const Connection& connection, const QString& text)
{
    return DatabaseError::Refusal(text, connection.origin());
}

} // namespace

void CheckStepTables(CleanupDatabases& databases, const std::vector<CleanupStep>& steps, bool sqlOnlySteps)
{
    QStringList missingStatistics;
    QStringList missingReferences;
    for (const CleanupStep& step : steps) {
        if (step.sqlOnly && !sqlOnlySteps)
            continue;
        if (step.rule == StepRule::Whole) {
            if (databases.route != BackupRoute::None && !databases.referenceCatalog().FindTable(step.table))
                missingReferences << step.table;
        } else if (!databases.sourceCatalog->FindTable(step.table)) {
            missingStatistics << step.table;
        }
    }
    QStringList problems;
    if (!missingStatistics.isEmpty())
        problems << QStringLiteral("the statistics database has no table %1").arg(missingStatistics.join(QStringLiteral(", ")));
    if (!missingReferences.isEmpty())
        problems << QStringLiteral("the call-centre database has no table %1, which the backup copies whole")
                        .arg(missingReferences.join(QStringLiteral(", ")));
    if (!problems.isEmpty())
        throw DatabaseError::Refusal(problems.join(QStringLiteral("; ")) + QStringLiteral(". Nothing was deleted."));
}

void CheckWalkKeys(CleanupDatabases& databases, const std::vector<CleanupStep>& steps, bool sqlOnlySteps, int batchSize,
                   bool throughThisProgram)
{
    const bool ledger = throughThisProgram;
    if (batchSize <= 0 && !ledger)
        return; // one statement per table walks nothing
    const Dialect& dialect = databases.source->dialect();
    QStringList unwalkable;
    for (const CleanupStep& step : steps) {
        if ((step.sqlOnly && !sqlOnlySteps) || step.rule == StepRule::Whole)
            continue;
        // SQLite refuses a table it cannot walk here, naming it.
        const WalkKey key = FindWalkKey(*databases.source, *databases.sourceCatalog, step.table, ConditionColumn(step));
        if (ledger && !dialect.isSQLite() && !key.walked())
            unwalkable << step.table;
    }
    if (!unwalkable.isEmpty() && databases.ledgerReason.isEmpty()) {
        DatabaseError error = DatabaseError::Refusal(
            QStringLiteral("%1: no clustered index and no unique index of numbers, dates or texts, and the column the "
                           "rows are chosen by is of another type. A backup into another server needs one to know "
                           "which rows it copied. Nothing was copied or deleted; back these tables up into a database "
                           "of the same server, or give them such an index.")
                .arg(unwalkable.join(QStringLiteral(", "))));
        error.setOrigin(databases.source->origin());
        throw error;
    }
    if (!unwalkable.isEmpty())
        throw Refusal(*databases.source,
                      QStringLiteral("%1: no clustered index and no unique index of numbers, dates or texts, and the "
                                     "column the rows are chosen by is of another type. The rows go through this "
                                     "program, because %2, and it needs one to know which rows it copied. Nothing was "
                                     "copied or deleted; allow the statistics login to insert into the backup, or give "
                                     "these tables such an index.")
                          .arg(unwalkable.join(QStringLiteral(", ")), databases.ledgerReason));
}

namespace {

// What makes a backup table refuse a row (see SqlServerBackupObstacles),
// in words; empty for a kind that refuses nothing on this route.
QString Obstacle(const QString& kind, const QString& table, const QString& name, const QString& column, bool withinServer)
{
    if (kind == QLatin1String("identity"))
        return QStringLiteral("%1.%2 is an IDENTITY column").arg(table, name);
    if (kind == QLatin1String("computed"))
        return QStringLiteral("%1.%2 is a computed column").arg(table, name);
    if (kind == QLatin1String("rowversion"))
        return QStringLiteral("%1.%2 is a rowversion column").arg(table, name);
    if (kind == QLatin1String("instead of"))
        return QStringLiteral("%1 has the INSTEAD OF trigger %2, which takes the rows in their place").arg(table, name);
    if (!withinServer)
        return {};
    if (kind == QLatin1String("rule"))
        return QStringLiteral("%1.%2 has a rule bound to it").arg(table, name);
    if (kind == QLatin1String("trigger"))
        return QStringLiteral("%1 has the enabled trigger %2").arg(table, name);
    if (kind == QLatin1String("check"))
        return column.isEmpty() ? QStringLiteral("%1 has the CHECK constraint %2").arg(table, name)
                                : QStringLiteral("%1.%3 has the CHECK constraint %2").arg(table, name, column);
    if (kind == QLatin1String("foreign key"))
        return QStringLiteral("%1 has the foreign key %2").arg(table, name);
    if (kind == QLatin1String("referenced"))
        return QStringLiteral("%1 is referenced by the foreign key %2 of %3").arg(table, name, column);
    return {};
}

bool Holds(const QStringList& tables, const QString& table)
{
    return tables.contains(table, Qt::CaseInsensitive);
}

// The backup's tables that are there already and would refuse rows.
QStringList BackupObstacles(CleanupDatabases& databases, const QStringList& moved, const QStringList& whole)
{
    Catalog& catalog = *databases.targetCatalog;
    QStringList names;
    for (const QString& table : moved + whole)
        if (catalog.FindTable(table) && !names.contains(catalog.StatementName(table)))
            names << catalog.StatementName(table);
    QStringList obstacles;
    if (names.isEmpty())
        return obstacles;
    for (Result rows(*databases.target, Sql::SqlServerBackupObstacles(names)); rows.Next();) {
        const QString table = rows.Value(0).text();
        // The reference tables are always copied through this program.
        const bool withinServer = databases.route == BackupRoute::SameServer && Holds(moved, table);
        const QString obstacle =
            Obstacle(rows.Value(1).text(), table, rows.Value(2).text(), rows.Value(3).text(), withinServer);
        if (!obstacle.isEmpty() && !obstacles.contains(obstacle))
            obstacles << obstacle;
    }
    return obstacles;
}

// The columns of a SQL Server source that cannot travel through this program.
QStringList UntravelledColumns(Connection& source, const QStringList& tables)
{
    QStringList columns;
    if (tables.isEmpty() || !source.dialect().isSqlServer())
        return columns;
    for (Result rows(source, Sql::SqlServerUntravelledColumns(tables)); rows.Next();)
        columns << QStringLiteral("%1.%2 (%3)").arg(rows.Value(0).text(), rows.Value(1).text(), rows.Value(2).text());
    return columns;
}

bool ComparesDates(const CleanupStep& step, bool sqlOnlySteps)
{
    return step.rule == StepRule::ByDate && (!step.sqlOnly || sqlOnlySteps);
}

} // namespace

void CheckBackupTables(CleanupDatabases& databases, const std::vector<CleanupStep>& steps, bool sqlOnlySteps)
{
    if (databases.route == BackupRoute::None)
        return;
    const QStringList moved = MovedTables(steps, sqlOnlySteps);
    QStringList whole;
    for (const CleanupStep& step : steps)
        if (step.rule == StepRule::Whole && !Holds(whole, step.table))
            whole << step.table;

    if (databases.target->dialect().isSqlServer()) {
        const QStringList obstacles = BackupObstacles(databases, moved, whole);
        if (!obstacles.isEmpty())
            throw Refusal(*databases.target,
                          QStringLiteral("The backup's tables would refuse the rows copied into them: %1. %2Change "
                                         "these tables, or back up into another database; nothing was copied or "
                                         "deleted.")
                              .arg(obstacles.join(QStringLiteral("; ")),
                                   databases.route == BackupRoute::SameServer
                                       ? QStringLiteral("Within one server the rows are moved by DELETE ... OUTPUT ... "
                                                        "INTO, which writes only into a table without enabled "
                                                        "triggers, CHECK constraints, foreign keys or rules. ")
                                       : QString()));
    }

    // Rows that come through this program: the statistics tables' on the
    // ledger's route, the reference tables' on every route.
    if (databases.route == BackupRoute::Ledger) {
        const QStringList columns = UntravelledColumns(*databases.source, moved);
        if (!columns.isEmpty())
            throw Refusal(*databases.source,
                          QStringLiteral("%1: values of these types cannot travel through this program, which copies "
                                         "the rows into the backup because %2. %3; nothing was copied or deleted.")
                              .arg(columns.join(QStringLiteral(", ")),
                                   databases.ledgerReason.isEmpty() ? QStringLiteral("it is not on the statistics "
                                                                                     "database's server")
                                                                    : databases.ledgerReason,
                                   databases.ledgerReason.isEmpty()
                                       ? QStringLiteral("Back these tables up into a database of the same server")
                                       : QStringLiteral("Allow the statistics login to insert into the backup")));
    }
    const QStringList references = UntravelledColumns(databases.referenceSource(), whole);
    if (!references.isEmpty())
        throw Refusal(databases.referenceSource(),
                      QStringLiteral("%1: values of these types cannot travel through this program, which copies the "
                                     "reference tables into the backup; nothing was copied or deleted.")
                          .arg(references.join(QStringLiteral(", "))));
}

void CheckDateColumns(const CleanupSettings& settings, const std::vector<CleanupStep>& steps, const QDate& cutoff)
{
    const bool sqlOnlySteps = settings.sourceSQL != 0;
    const ParsedConnection statistics(settings.statSrc);
    if (std::none_of(steps.begin(), steps.end(), [&](const CleanupStep& step) { return ComparesDates(step, sqlOnlySteps); })
        || !DatabaseReachedBy(statistics).isSQLite())
        return;
    const ReadOnlyOpening readOnly;
    auto source = OpenDatabase(statistics, DatabaseRole::Statistics, CommandTimeout(settings.timeout));
    WriterPacing pacing = WriterPacing::ForSQLite();
    CheckDateColumns(*source, steps, sqlOnlySteps, cutoff, settings.batchSize, &pacing);
}

namespace {

DatabaseError DateFormRefusal(const Connection& source, const CleanupStep& step, Result& offender)
{
    QString example = offender.Value(0).text();
    if (example.size() > 60)
        example = example.left(57) + QStringLiteral("...");
    DatabaseError error = DatabaseError::Refusal(
        QStringLiteral("%1.%2 holds %3, a %4 value: the clean-up compares the dates of %2 as texts in the form "
                       "YYYY-MM-DD, and would judge this one wrongly against the cut-off. Store the column's dates "
                       "as texts like '2024-03-05 14:30:00'. Nothing was deleted.")
            .arg(step.table, step.column, example, offender.Value(1).text()));
    error.setOrigin(source.origin());
    return error;
}

} // namespace

void CheckDateColumns(Connection& source, const std::vector<CleanupStep>& steps, bool sqlOnlySteps, const QDate& cutoff,
                      int batchSize, WriterPacing* pacing)
{
    const Dialect& dialect = source.dialect();
    if (!dialect.isSQLite())
        return;
    Catalog catalog(source);
    QStringList checked;
    for (const CleanupStep& step : steps) {
        if (!ComparesDates(step, sqlOnlySteps) || !catalog.FindTable(step.table))
            continue;
        const QString key = step.table + QLatin1Char('.') + step.column;
        if (checked.contains(key, Qt::CaseInsensitive))
            continue;
        checked << key;
        if (batchSize <= 0) {
            // One pass over the rows the run would delete, and the BLOBs,
            // which it would keep, ending at the first value out of form.
            // With an index on the column SQLite reads it in two ranges,
            // which hold numbers first and BLOBs last.
            Result offender(source, Sql::SQLiteDateFormOffender(step.table, step.column, cutoff, QString()), Duration::Long);
            if (offender.Next())
                throw DateFormRefusal(source, step, offender);
            continue;
        }
        // A batched clean-up reads the table as its deletes will, so that
        // the product's writers get in meanwhile.
        const WalkKey walkKey = FindWalkKey(source, catalog, step.table, step.column);
        ReadSQLiteTableInWindows(source, step.table, walkKey, batchSize, pacing, [&](const KeyRange& range) -> long long {
            Result offender(source, Sql::SQLiteDateFormOffender(step.table, step.column, cutoff,
                                                                WalkStatements::RangeCondition(dialect, walkKey, range)));
            if (offender.Next())
                throw DateFormRefusal(source, step, offender);
            return 0;
        });
    }
}

void CheckBackupDriver(const CleanupSettings& settings, const QString& targetConnection)
{
    if (settings.backupType == 0)
        return;
    const QStringList installed = InstalledOdbcDrivers();
    const ParsedConnection target(targetConnection);
    const ReachedDatabase reached = DatabaseReachedBy(target.isProviderString() ? target.ForOdbc(installed) : target);
    const QString driver = reached.driver.trimmed();
    if (driver.isEmpty() || driver.contains(QLatin1Char('/')) || driver.contains(QLatin1Char('\\')))
        return;
    for (const QString& name : installed)
        if (name.compare(driver, Qt::CaseInsensitive) == 0)
            return;
    const QString setting = settings.backupType == 2 ? QStringLiteral("AccessTgt") : QStringLiteral("StatTgt");
    DatabaseError error = DatabaseError::Setting(
        QStringLiteral("The ODBC driver '%1' that the backup in %2 needs is not installed on this machine, so no row "
                       "could be copied into the backup. Nothing was deleted. Installed drivers: %3.")
            .arg(driver, setting, installed.isEmpty() ? QStringLiteral("none") : installed.join(QStringLiteral(", "))));
    error.setOrigin(DatabaseOrigin(target, DatabaseRole::BackupTarget));
    throw error;
}

} // namespace qel
