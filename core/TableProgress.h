#pragma once

#include <QString>

namespace qel {

// Where the statistics clean-up stands with one table, after each batch.
struct TableProgress {
    int stage = 0;           // the step number of the stage texts
    QString table;
    long long done = 0;      // rows that have left the table so far in this step
    long long total = 0;     // rows the step takes in all, done included; negative when not known
    bool estimated = false;  // total reckoned from how far the walk has come, not counted
    double seconds = 0;      // since the step's first batch began

    // Rows per second so far; 0 before the first row.
    double rate() const;
    // Seconds the rest would take at the rate so far; negative when unknown.
    double secondsLeft() const;
};

// The rows a step takes in all, reckoned from the rows moved so far and the
// share of the walk they came from (0 to 1): at least done, and done alone
// while nothing is known. A share near zero gives the largest count a long
// long holds rather than a conversion beyond its range.
long long EstimatedTotal(long long done, double share);

// "12,000 of 40,000 rows, 3,100 rows/s, 0:09 left" ("of about" when
// estimated); the parts that are not known yet are left out.
QString ProgressDetailText(const TableProgress& progress);

} // namespace qel
