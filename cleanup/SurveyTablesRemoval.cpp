#include "CleanupOperations.h"

void CleanupOperations::CleanSurveyTables(IdentifierSet legacySurveys, IdentifierSet newSurveys)
{
    (void)legacySurveys, (void)newSurveys;
}

void CleanupOperations::CleanDeletedSurveys() {}
