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

// "12,000 of 40,000 rows, 3,100 rows/s, 0:09 left" ("of about" when
// estimated); the parts that are not known yet are left out.
QString ProgressDetailText(const TableProgress& progress);

} // namespace qel
