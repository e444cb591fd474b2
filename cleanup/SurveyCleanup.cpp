#include "CleanupOperations.h"

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
