#include "core/RunProgress.h"

#include <algorithm>

namespace qel {

void RunProgress::Begin(long long expectedRows)
{
    expected_ = expectedRows;
    finished_ = 0;
    stage_ = -1;
    table_.clear();
    tableDone_ = 0;
    tableSeconds_ = 0;
    clock_.start();
}

TableProgress RunProgress::Add(const TableProgress& table)
{
    if (!clock_.isValid())
        clock_.start();
    // A table's count starts again with each of its parts (a long list of
    // surveys goes in parts), and so does its clock: a count or a clock that
    // went back is a new part, whose rows come on top of the earlier ones.
    if (table.stage != stage_ || table.table != table_ || table.done < tableDone_ || table.seconds < tableSeconds_) {
        finished_ += tableDone_;
        stage_ = table.stage;
        table_ = table.table;
    }
    tableDone_ = table.done;
    tableSeconds_ = table.seconds;

    TableProgress run;
    run.stage = table.stage;
    run.table = table.table;
    run.done = finished_ + tableDone_;
    run.total = expected_ >= 0 ? std::max(expected_, run.done) : -1;
    run.seconds = static_cast<double>(clock_.nsecsElapsed()) / 1e9;
    return run;
}

} // namespace qel
