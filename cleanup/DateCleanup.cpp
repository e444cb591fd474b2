#include "cleanup/CleanupDatabases.h"
#include "cleanup/CleanupOperations.h"
#include "cleanup/ErrorReport.h"
#include "cleanup/StatisticsCatalogue.h"
#include "core/Format.h"
#include "core/Progress.h"
#include "core/StringTable.h"
#include "db/DatabaseError.h"

namespace qel {

bool CleanupOperations::CleanUpByDate(const QString& targetConnection)
{
    try {
        ShowOpeningDatabases(feedback_);
        CleanupDatabases::Options options;
        options.commandTimeout = CommandTimeout(settings_.timeout);
        options.timeoutOnTarget = true;
        options.sendDateFormatPreamble = true;
        const auto databases = CleanupDatabases::Open(settings_, targetConnection, options);

        // The old calls: those that started before the removal date, written
        // as the statistics database compares dates.
        RecordTransfer transfer(settings_, state_, feedback_);
        StepSelection selection;
        selection.cutoff = state_.removalDate;
        selection.callSelection = Format(QStringLiteral("Select CallID from Statistic_Call WHERE Start_Time<%s"),
                                         {transfer.QuotedDate(databases->source->dialect(), state_.removalDate)});

        state_.stage = 0;
        long long deletedRecords = 0;
        for (const CleanupStep& step : DateCleanupSteps()) {
            if (step.sqlOnly && settings_.sourceSQL == 0)
                continue;
            if (!RunCleanupStep(transfer, *databases, step, selection, deletedRecords))
                return false;
        }
        feedback_.ShowMessage(Format(LoadText(StringId::CleanupSuccessful), {deletedRecords}), MessageKind::Information);
        return true;
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, QLatin1String(ReportContext::DateOrSurveyCleanup), e);
        return false;
    }
}

} // namespace qel
