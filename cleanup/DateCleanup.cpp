#include "cleanup/transfer/CallSet.h"
#include "cleanup/transfer/CleanupDatabases.h"
#include "cleanup/CleanupOperations.h"
#include "cleanup/ErrorReport.h"
#include "cleanup/transfer/RecordTransfer.h"
#include "cleanup/checks/RunChecks.h"
#include "cleanup/transfer/StatisticsCatalogue.h"
#include "cleanup/transfer/TransferStatements.h"
#include "core/Format.h"
#include "core/Progress.h"
#include "core/StringTable.h"
#include "db/DatabaseError.h"

namespace qel {

RunOutcome CleanupOperations::CleanUpByDate(const QString& targetConnection)
{
    Begin();
    const WaitHookScope waits = StoppableWaits();
    long long deletedRecords = 0;
    try {
        // The cut-off is a calendar day; one that is no day at all takes no
        // row, rather than every row.
        if (!state_.removalDate.isValid())
            throw DatabaseError::Setting(QStringLiteral("The removal date is not a valid date; nothing was deleted."));

        ShowOpeningDatabases(feedback_);
        CheckBackupDriver(settings_, targetConnection);
        CheckDateColumns(settings_, DateCleanupSteps(), state_.removalDate);
        CleanupDatabases::Options options = databaseOptions_;
        options.commandTimeout = CommandTimeout(settings_.timeout);
        options.timeoutOnTarget = true;
        options.sendDateFormatPreamble = true;
        options.movedTables = MovedTables(DateCleanupSteps(), settings_.sourceSQL != 0);
        const auto databases = CleanupDatabases::Open(settings_, targetConnection, options);
        CheckStepTables(*databases, DateCleanupSteps(), settings_.sourceSQL != 0);
        CheckWalkKeys(*databases, DateCleanupSteps(), settings_.sourceSQL != 0, settings_.batchSize,
                      databases->route == BackupRoute::Ledger);
        CheckBackupTables(*databases, DateCleanupSteps(), settings_.sourceSQL != 0);

        // The old calls: those that started before the removal date, written
        // as the statistics database compares dates.
        RecordTransfer transfer(settings_, state_, feedback_, *databases);
        transfer.setStopRequested(stopRequested_);
        transfer.setOutcome(outcome_);
        transfer.setExpectedRows(expectedRows_);
        StepSelection selection;
        selection.cutoff = state_.removalDate;
        const QString oldCalls = TransferStatements::CallsBeforeDate(
            TransferStatements::QuotedDate(databases->source->dialect(), state_.removalDate, settings_.sourceSQL != 0));
        transfer.setCallSelectionOrigin(TransferStatements::CallSelection(oldCalls));
        selection.callSelections = PrepareCallSelections(*databases, settings_.batchSize, {oldCalls});

        state_.stage = 0;
        for (const CleanupStep& step : DateCleanupSteps()) {
            if (step.sqlOnly && settings_.sourceSQL == 0)
                continue;
            if (StopAsked())
                return Stopped(deletedRecords);
            if (!RunCleanupStep(transfer, step, selection, deletedRecords))
                return outcome_;
            if (transfer.stopped())
                return Stopped(deletedRecords);
        }
        feedback_.ShowMessage(Format(LoadText(StringId::CleanupSuccessful), {deletedRecords}), MessageKind::Information);
    } catch (const Interrupted&) {
        return Stopped(deletedRecords);
    } catch (const DatabaseError& e) {
        Failed(ReportContext::DateOrSurveyCleanup, e);
    }
    return outcome_;
}

} // namespace qel
