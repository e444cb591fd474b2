#include "cleanup/RunChecks.h"

#include "cleanup/TransferStatements.h"
#include "cleanup/WalkKey.h"
#include "db/DatabaseError.h"

namespace qel {

namespace Sql = TransferStatements;

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
        throw DatabaseError::Internal(problems.join(QStringLiteral("; ")) + QStringLiteral(". Nothing was deleted."));
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
        const QString conditionColumn = step.rule == StepRule::ByCall ? QStringLiteral("CallID") + step.column : step.column;
        // SQLite refuses a table it cannot walk here, naming it.
        const WalkKey key = FindWalkKey(*databases.source, *databases.sourceCatalog, step.table, conditionColumn);
        if (ledger && !dialect.isSQLite() && !key.walked())
            unwalkable << step.table;
    }
    if (!unwalkable.isEmpty()) {
        DatabaseError error = DatabaseError::Internal(
            QStringLiteral("%1: no clustered index and no unique index of numbers, dates or texts, and the column the "
                           "rows are chosen by is of another type. A backup into another server needs one to know "
                           "which rows it copied. Nothing was copied or deleted; back these tables up into a database "
                           "of the same server, or give them such an index.")
                .arg(unwalkable.join(QStringLiteral(", "))));
        error.setOrigin(databases.source->origin());
        throw error;
    }
}

QStringList PrepareCallSelections(CleanupDatabases& databases, int batchSize, const QStringList& selections)
{
    Connection& source = *databases.source;
    const Dialect& dialect = source.dialect();
    if (batchSize <= 0 || !(dialect.isSQLite() || dialect.isSqlServer()))
        return selections;
    for (const QString& sql : Sql::CreateCallSet(dialect))
        source.Execute(sql);
    for (const QString& selection : selections)
        source.Execute(Sql::AddToCallSet(dialect, selection));
    return {Sql::CallSetSelection(dialect)};
}

} // namespace qel
