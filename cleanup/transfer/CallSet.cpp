#include "cleanup/transfer/CallSet.h"

#include "cleanup/transfer/CleanupDatabases.h"
#include "cleanup/transfer/TableMove.h"
#include "cleanup/transfer/TransferStatements.h"
#include "cleanup/transfer/WalkKey.h"
#include "db/Connection.h"

namespace qel {

namespace Sql = TransferStatements;

namespace {

const QString kCallTable = QStringLiteral("Statistic_Call");

void FillSQLiteCallSet(CleanupDatabases& databases, int batchSize, const QStringList& callConditions)
{
    Connection& source = *databases.source;
    const WalkKey key = FindWalkKey(source, *databases.sourceCatalog, kCallTable, QStringLiteral("CallID"));
    for (const QString& condition : callConditions) {
        ReadSQLiteTableInWindows(source, kCallTable, key, batchSize, &databases.pacing, [&](const KeyRange& range) {
            return source.Execute(Sql::SQLiteAddRangeToCallSet(key, condition, range));
        });
    }
}

} // namespace

QStringList PrepareCallSelections(CleanupDatabases& databases, int batchSize, const QStringList& callConditions)
{
    QStringList selections;
    for (const QString& condition : callConditions)
        selections << Sql::CallSelection(condition);
    Connection& source = *databases.source;
    const Dialect& dialect = source.dialect();
    if (batchSize <= 0 || !(dialect.isSQLite() || dialect.isSqlServer()))
        return selections;
    for (const QString& sql : Sql::CreateCallSet(dialect))
        source.Execute(sql);
    if (dialect.isSQLite()) {
        FillSQLiteCallSet(databases, batchSize, callConditions);
    } else {
        for (const QString& selection : selections)
            source.Execute(Sql::AddToCallSet(dialect, selection), Duration::Long);
    }
    return {Sql::CallSetSelection(dialect)};
}

} // namespace qel
