#include "CleanupDatabases.h"
#include "CleanupOperations.h"
#include "StatisticsCatalogue.h"

#include <DatabaseError.h>
#include <ErrorReport.h>
#include <Format.h>
#include <Progress.h>
#include <StringTable.h>

bool CleanupOperations::DoSQLCleanup(const QString& targetConnection)
{
    try {
        ShowOpeningDatabases(feedback_);
        CleanupDatabases::Options options;
        options.commandTimeout = CommandTimeout(fields_.Timeout);
        options.timeoutOnTarget = true;
        options.sendDateFormatPreamble = true;
        const auto databases = CleanupDatabases::Open(fields_, targetConnection, options);

        // The old calls: those that started before the removal date, written
        // as the statistics database compares dates.
        RecordTransfer transfer(fields_, feedback_);
        StepSelection selection;
        selection.cutoff = fields_.removalDate;
        selection.callSelection = Format(QStringLiteral("Select CallID from Statistic_Call WHERE Start_Time<%s"),
                                         {transfer.QuotedDate(databases->source->dialect(), fields_.removalDate)});

        fields_.stage = 0;
        long long deletedRecords = 0;
        for (const CleanupStep& step : DateCleanupSteps()) {
            if (step.sqlOnly && fields_.SourceSQL == 0)
                continue;
            if (!RunCleanupStep(transfer, *databases, step, selection, deletedRecords))
                return false;
        }
        feedback_.ShowMessage(Format(LoadText(IDS_CLEANUP_SUCCESSFUL), {deletedRecords}), MessageKind::Information);
        return true;
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, QStringLiteral("DoSQLCleanup"), e);
        return false;
    }
}
