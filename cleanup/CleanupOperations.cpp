#include "CleanupOperations.h"

bool CleanupOperations::DoSQLCleanup(const QString& targetConnection)
{
    (void)targetConnection;
    return true;
}

bool CleanupOperations::DoSurveyCleanup(const QString& targetConnection, TableNameSet surveyNames,
                                        const IdentifierArray& legacySurveyIds, const IdentifierArray& newSurveyIds,
                                        bool cleanStats, bool cleanSurveys, bool cleanWebInterviews, bool cleanLists)
{
    (void)targetConnection, (void)surveyNames, (void)legacySurveyIds, (void)newSurveyIds;
    (void)cleanStats, (void)cleanSurveys, (void)cleanWebInterviews, (void)cleanLists;
    return true;
}

bool CleanupOperations::UpdateCleaningHistory(const IdentifierArray& surveyIds, bool cleanStats, bool cleanSurveys,
                                              bool cleanWebInterviews, bool cleanLists)
{
    (void)surveyIds, (void)cleanStats, (void)cleanSurveys, (void)cleanWebInterviews, (void)cleanLists;
    return true;
}

void CleanupOperations::CleanSurveyTables(IdentifierSet legacySurveys, IdentifierSet newSurveys)
{
    (void)legacySurveys, (void)newSurveys;
}

void CleanupOperations::CleanListTables(const IdentifierArray& surveyIds)
{
    (void)surveyIds;
}

void CleanupOperations::CleanDeletedSurveys() {}
void CleanupOperations::CleanDeletedLists() {}
void CleanupOperations::CleanUnusedWebInterviewTables() {}
