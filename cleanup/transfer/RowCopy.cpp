#include "cleanup/transfer/RowCopy.h"

#include "cleanup/transfer/ColumnReads.h"
#include "cleanup/transfer/SchemaReplication.h"
#include "cleanup/transfer/TransferStatements.h"
#include "db/BatchInsert.h"
#include "db/Connection.h"
#include "db/Statement.h"
#include "db/Transaction.h"

namespace qel {

namespace {

constexpr int kRowsPerBatch = 4000;

} // namespace

long long CopyWholeTable(Connection& source, Connection& target, const QString& table, const QString& targetTable,
                         const std::vector<ColumnDefinition>& sourceColumns,
                         const std::function<void(long long copied)>& onBatch)
{
    const ColumnReads reads = ReadsFor(source.dialect(), sourceColumns);
    Transaction save(target);
    target.Execute(TransferStatements::EmptyTable(targetTable));
    BatchInsert insert(target, targetTable, NamesOf(sourceColumns));
    Statement read(source);
    read.ExecDirect(TransferStatements::ReadTable(table, reads.expressions));
    long long copied = 0;
    for (RowBatch batch; batch.Fetch(read, reads.forms, kRowsPerBatch);) {
        insert.Insert(batch, 0);
        copied += batch.rowCount();
        if (onBatch)
            onBatch(copied);
    }
    save.Commit();
    return copied;
}

} // namespace qel
