#include "cleanup/RunChecks.h"

#include "cleanup/TransferStatements.h"
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
