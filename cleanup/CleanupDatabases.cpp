#include "CleanupDatabases.h"

#include <DatabaseError.h>

std::unique_ptr<CleanupDatabases> CleanupDatabases::Open(const BackupFields& fields, const QString& targetConnection,
                                                         const Options& options)
{
    auto d = std::make_unique<CleanupDatabases>();
    d->source = OpenConnection(fields.StatSrc, options.commandTimeout);
    if (options.sendDateFormatPreamble && fields.SourceSQL != 0) {
        const QString preamble = d->source->dialect().dateFormatPreamble();
        if (!preamble.isEmpty())
            d->source->Execute(preamble);
    }
    d->sourceCatalog = BindCatalog(*d->source);
    if (fields.BackupType != 0) {
        d->callCenter = OpenConnection(fields.CallCenterSrc);
        d->callCenterCatalog = BindCatalog(*d->callCenter);
        d->target = OpenConnection(targetConnection,
                                   options.timeoutOnTarget ? std::optional<int>(options.commandTimeout) : std::nullopt);
        d->targetCatalog = BindCatalog(*d->target);
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
        return transfer.BackupAndDeleteByCallID(databases.Statistics(), step.table, step.column, selection.callSelection,
                                                deletedRecords);
    case StepRule::ByDate:
        return transfer.BackupAndDeleteBeforeDate(databases.Statistics(), step.table, step.column, selection.cutoff,
                                                  deletedRecords);
    case StepRule::BySurvey:
        return transfer.BackupAndDeleteWhere(databases.Statistics(), step.table, step.column, selection.surveyIds,
                                             deletedRecords);
    case StepRule::Whole:
        return transfer.BackupWholeTable(databases.ReferenceTables(), step.table);
    }
    return false;
}
