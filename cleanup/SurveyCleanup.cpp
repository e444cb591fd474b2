#include "cleanup/CleanupDatabases.h"
#include "cleanup/CleanupOperations.h"
#include "cleanup/Databases.h"
#include "cleanup/ErrorReport.h"
#include "cleanup/StatisticsCatalogue.h"
#include "core/Format.h"
#include "core/Progress.h"
#include "core/StringTable.h"
#include "db/DatabaseError.h"

namespace qel {

bool CleanupOperations::CleanUpBySurveys(const QString& targetConnection, const SurveySelection& surveys,
                                         const CleanOptions& options)
{
    IdentifierArray surveyIds = surveys.legacySurveyIds;
    surveyIds.insert(surveyIds.end(), surveys.newSurveyIds.begin(), surveys.newSurveyIds.end());
    StepSelection selection;
    selection.surveyIds = surveyIds;
    selection.callSelection = Format(QStringLiteral("Select CallID from Statistic_Call WHERE %s"),
                                     {BuildOrCondition(QStringLiteral("TaskID"), surveyIds)});
    long long deletedRecords = 0;

    try {
        ShowOpeningDatabases(feedback_);
        CleanupDatabases::Options databaseOptions;
        databaseOptions.commandTimeout = CommandTimeout(settings_.timeout);
        const auto databases = CleanupDatabases::Open(settings_, targetConnection, databaseOptions);
        RecordTransfer transfer(settings_, state_, feedback_);

        if (options.stats) {
            state_.stage = 0;
            for (const CleanupStep& step : SurveyCleanupSteps()) {
                if (step.sqlOnly && settings_.sourceSQL == 0)
                    continue;
                if (!RunCleanupStep(transfer, *databases, step, selection, deletedRecords))
                    return false;
            }
        }
        // The reference tables are copied into a backup also when no
        // statistics are cleaned; the stage counter then goes on from where it was.
        for (const CleanupStep& step : ReferenceTableSteps())
            if (!RunCleanupStep(transfer, *databases, step, selection, deletedRecords))
                return false;

        if (options.surveys)
            DropSurveyTables(IdentifierSet(surveys.legacySurveyIds.begin(), surveys.legacySurveyIds.end()),
                             IdentifierSet(surveys.newSurveyIds.begin(), surveys.newSurveyIds.end()));
        if (options.webInterviews)
            DropWebInterviewTables(WebTitlesNoLongerInUse(surveys));
        // The list removal reports its own failure; the run then ends
        // there, and nothing is recorded as cleaned.
        if (options.lists && !DropListTablesOfSurveys(surveyIds))
            return false;

        RecordCleaningHistory(surveyIds, options);
        feedback_.ShowMessage(Format(LoadText(StringId::CleanupSuccessful), {deletedRecords}), MessageKind::Information);
        return true;
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, QLatin1String(ReportContext::DateOrSurveyCleanup), e);
        return false;
    }
}

void CleanupOperations::RecordCleaningHistory(const IdentifierArray& surveyIds, const CleanOptions& options)
{
    if (!options.any())
        return;
    auto connection = OpenDatabase(settings_.callCenterSrc, DatabaseRole::CallCentre, CommandTimeout(settings_.timeout));
    for (const quint32 id : surveyIds)
        for (const QString& sql : CleaningHistoryStatements(connection->dialect(), static_cast<qint32>(id), options))
            connection->Execute(sql);
}

} // namespace qel
