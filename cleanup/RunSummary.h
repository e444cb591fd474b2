#pragma once

#include "cleanup/RunOutcome.h"

#include <QString>

namespace qel {

// What kind of clean-up a summary speaks of.
struct SummaryScope {
    bool statistics = false; // it deletes statistics rows (by date, by survey): their count is named, 0 too
    bool backup = false;     // with a backup: the rows were copied into it first
};

// The one line that ends every clean-up, after its own messages: the rows
// it deleted (and copied into the backup), the tables it dropped, the time
// it took and its rate, for example "Deleted 1,994 rows (1,994 copied to
// the backup) in 0.4 s, 4,985 rows/s", "Deleted 20 rows, dropped 6 tables
// in 1.2 s, 17 rows/s" or "Dropped 16 tables in 0.1 s". A run that stopped
// or failed says what it did before that.
QString RunSummaryText(const RunOutcome& outcome, const SummaryScope& scope, double seconds);

} // namespace qel
