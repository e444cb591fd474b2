#include "cleanup/CleanupDatabases.h"

#include "cleanup/Databases.h"
#include "db/DatabaseError.h"

namespace qel {

std::unique_ptr<CleanupDatabases> CleanupDatabases::Open(const CleanupSettings& settings, const QString& targetConnection,
                                                         const Options& options)
{
    auto d = std::make_unique<CleanupDatabases>();
    d->source = OpenDatabase(settings.statSrc, DatabaseRole::Statistics, options.commandTimeout);
    if (options.sendDateFormatPreamble && settings.sourceSQL != 0) {
        const QString preamble = d->source->dialect().DateFormatPreamble();
        if (!preamble.isEmpty())
            d->source->Execute(preamble);
    }
    d->sourceCatalog = std::make_unique<Catalog>(*d->source);
    if (settings.backupType != 0) {
        d->callCenter = OpenDatabase(settings.callCenterSrc, DatabaseRole::CallCentre);
        d->callCenterCatalog = std::make_unique<Catalog>(*d->callCenter);
        d->target = OpenDatabase(targetConnection, DatabaseRole::BackupTarget,
                                     options.timeoutOnTarget ? std::optional<int>(options.commandTimeout) : std::nullopt);
        d->targetCatalog = std::make_unique<Catalog>(*d->target);
        // A backup into the database it backs up would empty the reference
        // tables, or copy rows next to themselves and then delete both.
        const QString target = DatabaseIdentity(*d->target);
        if (!target.isEmpty()
            && (target == DatabaseIdentity(*d->source) || target == DatabaseIdentity(*d->callCenter)))
            throw DatabaseError::Internal(QStringLiteral(
                "The backup target is the statistics or the call-centre database itself; choose another database for "
                "the backup."));
    }
    return d;
}

bool RunCleanupStep(RecordTransfer& transfer, const CleanupDatabases& databases, const CleanupStep& step,
                    const StepSelection& selection, long long& deletedRecords)
{
    switch (step.rule) {
    case StepRule::ByCall:
        return transfer.BackupAndDeleteByCall(databases.Statistics(), step.table, step.column, selection.callSelection,
                                              deletedRecords);
    case StepRule::ByDate:
        return transfer.BackupAndDeleteBeforeDate(databases.Statistics(), step.table, step.column, selection.cutoff,
                                                  deletedRecords);
    case StepRule::BySurvey:
        return transfer.BackupAndDeleteBySurvey(databases.Statistics(), step.table, step.column, selection.surveyIds,
                                                deletedRecords);
    case StepRule::Whole:
        return transfer.BackupWholeTable(databases.ReferenceTables(), step.table);
    }
    return false;
}

} // namespace qel
