#include "CleaningHistory.h"
#include "CleanupDatabases.h"
#include "CleanupOperations.h"
#include "StatisticsCatalogue.h"

#include <DatabaseError.h>
#include <ErrorReport.h>
#include <Format.h>
#include <Progress.h>
#include <StringTable.h>

bool CleanupOperations::DoSurveyCleanup(const QString& targetConnection, TableNameSet surveyNames,
                                        const IdentifierArray& legacySurveyIds, const IdentifierArray& newSurveyIds,
                                        bool cleanStats, bool cleanSurveys, bool cleanWebInterviews, bool cleanLists)
{
    IdentifierArray surveyIds = legacySurveyIds;
    surveyIds.insert(surveyIds.end(), newSurveyIds.begin(), newSurveyIds.end());
    StepSelection selection;
    selection.surveyIds = surveyIds;
    selection.callSelection =
        Format(QStringLiteral("Select CallID from Statistic_Call WHERE %s"), {BuildOrCondition(QStringLiteral("TaskID"), surveyIds)});
    long long deletedRecords = 0;

    try {
        ShowOpeningDatabases(feedback_);
        CleanupDatabases::Options options;
        options.commandTimeout = CommandTimeout(fields_.Timeout);
        const auto databases = CleanupDatabases::Open(fields_, targetConnection, options);
        RecordTransfer transfer(fields_, feedback_);

        if (cleanStats) {
            fields_.stage = 0;
            for (const CleanupStep& step : SurveyCleanupSteps()) {
                if (step.sqlOnly && fields_.SourceSQL == 0)
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

        if (cleanSurveys) {
            const IdentifierSet legacy(legacySurveyIds.begin(), legacySurveyIds.end());
            const IdentifierSet newer(newSurveyIds.begin(), newSurveyIds.end());
            CleanSurveyTables(legacy, newer);
        }
        if (cleanWebInterviews)
            DropWebInterviewTables(surveyNames);
        if (cleanLists)
            CleanListTables(surveyIds);

        UpdateCleaningHistory(surveyIds, cleanStats, cleanSurveys, cleanWebInterviews, cleanLists);
        feedback_.ShowMessage(Format(LoadText(IDS_CLEANUP_SUCCESSFUL), {deletedRecords}), MessageKind::Information);
        return true;
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, QStringLiteral("DoSQLCleanup"), e);
        return false;
    }
}

bool CleanupOperations::UpdateCleaningHistory(const IdentifierArray& surveyIds, bool cleanStats, bool cleanSurveys,
                                              bool cleanWebInterviews, bool cleanLists)
{
    const CleanOptions options{cleanStats, cleanSurveys, cleanWebInterviews, cleanLists};
    if (!options.any())
        return true;
    auto connection = OpenConnection(fields_.CallCenterSrc, CommandTimeout(fields_.Timeout));
    for (const quint32 id : surveyIds)
        for (const QString& sql : CleaningHistoryStatements(connection->dialect(), static_cast<qint32>(id), options))
            connection->Execute(sql);
    return true;
}
