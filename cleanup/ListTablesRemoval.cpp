#include "CleanupOperations.h"

void CleanupOperations::CleanListTables(const IdentifierArray& surveyIds)
{
    (void)surveyIds;
}

void CleanupOperations::CleanDeletedLists() {}
