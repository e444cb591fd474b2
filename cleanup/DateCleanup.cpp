#include "CleanupOperations.h"

bool CleanupOperations::DoSQLCleanup(const QString& targetConnection)
{
    (void)targetConnection;
    return true;
}
