#include "cleanup/RunOutcome.h"

namespace qel {

RunOutcome::Table& RunOutcome::TableEntry(const QString& table)
{
    for (Table& entry : tables)
        if (entry.table == table)
            return entry;
    tables.push_back(Table{table});
    return tables.back();
}

long long RunOutcome::deletedRows() const
{
    long long rows = 0;
    for (const Table& entry : tables)
        rows += entry.deleted;
    return rows;
}

long long RunOutcome::copiedRows() const
{
    long long rows = 0;
    for (const Table& entry : tables)
        rows += entry.copied;
    return rows;
}

void RunOutcome::Fail(const QString& report)
{
    if (result == Result::Failed)
        return;
    result = Result::Failed;
    error = report;
}

void RunOutcome::Stop()
{
    if (result == Result::Completed)
        result = Result::Stopped;
}

} // namespace qel
