#include "cleanup/transfer/CallSet.h"
#include "cleanup/transfer/CleanupDatabases.h"
#include "cleanup/CleanupOperations.h"
#include "cleanup/Databases.h"
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

RunOutcome CleanupOperations::CleanUpBySurveys(const QString& targetConnection, const SurveySelection& surveys,
                                               const CleanOptions& options)
{
    Begin();
    IdentifierArray surveyIds = surveys.legacySurveyIds;
    surveyIds.insert(surveyIds.end(), surveys.newSurveyIds.begin(), surveys.newSurveyIds.end());
    long long deletedRecords = 0;
    const WaitHookScope waits = StoppableWaits();
    try {
        ShowOpeningDatabases(feedback_);
        CheckBackupDriver(settings_, targetConnection);
        CleanupDatabases::Options databaseOptions = databaseOptions_;
        databaseOptions.commandTimeout = CommandTimeout(settings_.timeout);
        if (options.stats)
            databaseOptions.movedTables = MovedTables(SurveyCleanupSteps(), settings_.sourceSQL != 0);
        const auto databases = CleanupDatabases::Open(settings_, targetConnection, databaseOptions);
        CheckStepTables(*databases, options.stats ? SurveyCleanupSteps() : ReferenceTableSteps(), settings_.sourceSQL != 0);
        std::vector<CleanupStep> copied = ReferenceTableSteps();
        if (options.stats) {
            CheckStepTables(*databases, ReferenceTableSteps(), true);
            CheckWalkKeys(*databases, SurveyCleanupSteps(), settings_.sourceSQL != 0, settings_.batchSize,
                      databases->route == BackupRoute::Ledger);
            copied.insert(copied.begin(), SurveyCleanupSteps().begin(), SurveyCleanupSteps().end());
        }
        CheckBackupTables(*databases, copied, settings_.sourceSQL != 0);
        CheckRemovalDatabases(options);

        // Many surveys go in parts, each a condition of its own.
        RecordTransfer transfer(settings_, state_, feedback_, *databases);
        transfer.setStopRequested(stopRequested_);
        transfer.setOutcome(outcome_);
        transfer.setExpectedRows(expectedRows_);
        StepSelection selection;
        selection.surveyParts = SurveyParts(surveyIds);
        QStringList callConditions;
        QStringList callSelections;
        for (const IdentifierArray& part : selection.surveyParts) {
            callConditions << TransferStatements::SurveyCondition(QStringLiteral("TaskID"), part);
            callSelections << TransferStatements::CallSelection(callConditions.back());
        }
        transfer.setCallSelectionOrigin(callSelections.join(QStringLiteral(" UNION ")));
        if (options.stats)
            selection.callSelections = PrepareCallSelections(*databases, settings_.batchSize, callConditions);

        if (options.stats) {
            state_.stage = 0;
            for (const CleanupStep& step : SurveyCleanupSteps()) {
                if (step.sqlOnly && settings_.sourceSQL == 0)
                    continue;
                if (StopAsked())
                    return Stopped(deletedRecords);
                if (!RunCleanupStep(transfer, step, selection, deletedRecords))
                    return outcome_;
                if (transfer.stopped())
                    return Stopped(deletedRecords);
            }
        }
        // The reference tables are copied into a backup also when no
        // statistics are cleaned; the stage counter then goes on from where it was.
        for (const CleanupStep& step : ReferenceTableSteps()) {
            if (StopAsked())
                return Stopped(deletedRecords);
            if (!RunCleanupStep(transfer, step, selection, deletedRecords))
                return outcome_;
        }
        // A stop asked for now leaves the tables, and the history, to a rerun.
        if (StopAsked())
            return Stopped(deletedRecords);

        // Between the kinds of tables a stop is heeded too; the history,
        // written last, then records none of them, and a rerun drops the rest.
        if (options.surveys)
            DropSurveyTables(IdentifierSet(surveys.legacySurveyIds.begin(), surveys.legacySurveyIds.end()),
                             IdentifierSet(surveys.newSurveyIds.begin(), surveys.newSurveyIds.end()));
        if (StopAsked())
            return Stopped(deletedRecords);
        if (options.webInterviews)
            DropWebInterviewTables(WebTitlesNoLongerInUse(surveys));
        if (StopAsked())
            return Stopped(deletedRecords);
        // The list removal reports its own failure; the run then ends
        // there, and nothing is recorded as cleaned.
        if (options.lists && !DropListTablesOfSurveys(surveyIds))
            return outcome_;

        RecordCleaningHistory(surveyIds, options);
        feedback_.ShowMessage(Format(LoadText(StringId::CleanupSuccessful), {deletedRecords}), MessageKind::Information);
    } catch (const Interrupted&) {
        return Stopped(deletedRecords);
    } catch (const DatabaseError& e) {
        Failed(ReportContext::DateOrSurveyCleanup, e);
    }
    return outcome_;
}

void CleanupOperations::CheckRemovalDatabases(const CleanOptions& options)
{
    // Every database the removals will reach is opened once before the
    // first statistics row goes, so that an unreachable one stops the run
    // while nothing is changed.
    const int timeout = CommandTimeout(settings_.timeout);
    if (options.surveys)
        OpenDatabase(settings_.surveyDB, DatabaseRole::Surveys, timeout);
    if (options.webInterviews)
        OpenDatabase(settings_.webInterviewDB, DatabaseRole::WebInterviews, timeout);
    if (options.lists)
        OpenDatabase(settings_.listDB, DatabaseRole::Lists, timeout);
    if (options.any())
        OpenDatabase(settings_.callCenterSrc, DatabaseRole::CallCentre, timeout);
}

void CleanupOperations::RecordCleaningHistory(const IdentifierArray& surveyIds, const CleanOptions& options)
{
    if (!options.any())
        return;
    auto connection = OpenDatabase(settings_.callCenterSrc, DatabaseRole::CallCentre, CommandTimeout(settings_.timeout));
    // The history comes into being with its first record; reading the
    // survey list never creates it.
    connection->Execute(CreateCleaningHistorySql(connection->dialect()));
    for (const quint32 id : surveyIds)
        for (const QString& sql : CleaningHistoryStatements(connection->dialect(), static_cast<qint32>(id), options))
            connection->Execute(sql);
}

} // namespace qel
