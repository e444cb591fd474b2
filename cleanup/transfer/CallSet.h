#pragma once

#include <QString>
#include <QStringList>

namespace qel {

struct CleanupDatabases;

// The call selections a clean-up's steps read, from the conditions on
// Statistic_Call that choose the calls (see TransferStatements). A batched
// clean-up keeps the chosen calls once in a temporary table of the
// statistics connection, so that no batch evaluates the selection again;
// on SQLite that table is filled along Statistic_Call's key in windows,
// paced as the deletes are, so that the product's writers get in while the
// calls are read. A clean-up that goes one statement per table reads the
// selections as they are. A stop asked for through the thread's wait hook
// while the calls are read ends the reading with Interrupted.
QStringList PrepareCallSelections(CleanupDatabases& databases, int batchSize, const QStringList& callConditions);

} // namespace qel
