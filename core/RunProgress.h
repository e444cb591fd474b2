#pragma once

#include "core/TableProgress.h"

#include <QElapsedTimer>
#include <QString>

namespace qel {

// Where a whole clean-up stands, gathered from the progress its tables
// report one after the other: the rows done in all its tables of the rows
// the run takes in all, one rate since the run began, and the time left for
// the rest of the run rather than for the table in hand.
class RunProgress {
public:
    // A run begins: `expectedRows` is what its preview counted, negative
    // when nobody counted (the total is then not known).
    void Begin(long long expectedRows);

    // Takes a table's progress after one of its batches and answers the
    // run's: the stage and table in hand, the rows done so far in the whole
    // run of the run's total (never below what is done), the seconds since
    // Begin.
    TableProgress Add(const TableProgress& table);

    long long expectedRows() const { return expected_; }

private:
    QElapsedTimer clock_;
    long long expected_ = -1;
    long long finished_ = 0; // rows of the tables, and parts of tables, before the one in hand
    int stage_ = -1;
    QString table_;
    long long tableDone_ = 0;
    double tableSeconds_ = 0;
};

} // namespace qel
