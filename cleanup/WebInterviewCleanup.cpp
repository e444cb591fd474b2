#include "CleanupOperations.h"

void CleanupOperations::CleanUnusedWebInterviewTables() {}
