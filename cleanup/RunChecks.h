#pragma once

#include "cleanup/CleanupDatabases.h"
#include "cleanup/StatisticsCatalogue.h"

#include <QStringList>

#include <vector>

namespace qel {

// Checks, before the first row is deleted, that every table a clean-up
// will take is there: the statistics tables of its steps, and with a
// backup the reference tables it copies whole. Throws a DatabaseError that
// names what is missing, so that a run never stops half-way for a table it
// could have seen was missing.
void CheckStepTables(CleanupDatabases& databases, const std::vector<CleanupStep>& steps, bool sqlOnlySteps);

// Checks, before the first row is deleted, that the rows of every statistics
// table of the steps can be walked in batches (see WalkKey) on the route the
// backup takes: a SQLite table whose every name of the rowid is a column,
// and, when the rows go through this program (into another server), a
// table it cannot walk, are refused with a DatabaseError that names them.
void CheckWalkKeys(CleanupDatabases& databases, const std::vector<CleanupStep>& steps, bool sqlOnlySteps, int batchSize,
                   bool throughThisProgram);

// The call selections a batched clean-up reads: the calls of the given
// selections kept once in a temporary table of the statistics connection
// (see TransferStatements), or, when the clean-up goes one statement per
// table, the selections as they are.
QStringList PrepareCallSelections(CleanupDatabases& databases, int batchSize, const QStringList& selections);

} // namespace qel
