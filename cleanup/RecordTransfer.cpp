#include "cleanup/RecordTransfer.h"

#include "cleanup/ColumnReads.h"
#include "cleanup/ErrorReport.h"
#include "cleanup/LedgerMove.h"
#include "cleanup/RowCopy.h"
#include "cleanup/SchemaReplication.h"
#include "cleanup/TableMove.h"
#include "cleanup/TransferStatements.h"
#include "core/Progress.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"

namespace qel {

namespace Sql = TransferStatements;

QString BuildOrCondition(const QString& column, const IdentifierArray& ids)
{
    return Sql::SurveyCondition(column, ids);
}

bool RecordTransfer::BackupAndDeleteByCall(const QString& table, const QString& columnSuffix,
                                           const QString& callSelection, long long& deletedRecords, StageStep stage)
{
    return BackupAndDelete(table, Sql::ByCallCondition(columnSuffix, callSelection), deletedRecords, stage);
}

bool RecordTransfer::BackupAndDeleteBySurvey(const QString& table, const QString& column, const IdentifierArray& ids,
                                             long long& deletedRecords, StageStep stage)
{
    return BackupAndDelete(table, Sql::SurveyCondition(column, ids), deletedRecords, stage);
}

bool RecordTransfer::BackupAndDeleteBeforeDate(const QString& table, const QString& dateColumn, const QDate& cutoff,
                                               long long& deletedRecords)
{
    const QString quoted = Sql::QuotedDate(databases_.source->dialect(), cutoff, settings_.sourceSQL != 0);
    return BackupAndDelete(table, Sql::BeforeDateCondition(dateColumn, quoted), deletedRecords, StageStep::Next);
}

bool RecordTransfer::BackupAndDelete(const QString& table, const QString& condition, long long& deletedRecords,
                                     StageStep stage)
{
    if (stage == StageStep::Next)
        ++state_.stage;
    std::vector<ColumnDefinition> columns;
    if (databases_.route != BackupRoute::None) {
        SchemaReplication replication(state_, feedback_);
        if (!replication.ReplicateTable(*databases_.sourceCatalog, *databases_.targetCatalog, table, columns))
            return false;
    } else {
        feedback_.ShowStatus(DeletingRecordsText(state_.stage));
        feedback_.PumpMessages();
    }
    try {
        deletedRecords += Move(table, condition, columns);
        return true;
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, table, e);
        return false;
    }
}

long long RecordTransfer::Move(const QString& table, const QString& condition, const std::vector<ColumnDefinition>& columns)
{
    Connection& source = *databases_.source;
    TableMove move{source, table, condition, settings_.batchSize, &databases_.pacing, {}, stopRequested_};
    long long settled = 0;
    if (databases_.route != BackupRoute::None) {
        // Batches a run before left half done are settled first, and count
        // among the rows this step moves.
        const ColumnReads reads = ReadsFor(source.dialect(), columns);
        QString key;
        if (databases_.ledger) {
            key = source.dialect().isSQLite() ? QStringLiteral("rowid")
                                              : databases_.sourceCatalog->IntegerKeyColumn(table).value_or(QString());
            if (key.isEmpty() && databases_.route == BackupRoute::Ledger)
                throw DatabaseError::Internal(
                    QStringLiteral("%1 has no one-column primary key or unique index of whole numbers, which a backup "
                                   "into another server needs to know which rows it copied. Nothing of %1 was copied "
                                   "or deleted; back it up into a database of the same server, or give it such a key.")
                        .arg(table));
            // A table without such a key never went through the ledger.
            if (!key.isEmpty())
                settled = SettlePendingBatches(source, *databases_.ledger, table, key, reads);
        }
        // The rows to copy: counted beforehand where the server has the
        // indexes for it; on SQLite, where a count would cost another pass
        // over the table, reckoned from how far the walk has come.
        long long counted = -1;
        if (!source.dialect().isSQLite()) {
            Result count(source, Sql::Count(table, condition));
            counted = count.Next() ? count.Value(0).toInt64() : 0;
        }
        const int stage = state_.stage;
        move.onBatch = [this, stage, counted](long long moved, double walked) {
            const long long total = counted >= 0 ? std::max(counted, moved)
                : walked > 0 ? std::max(moved, static_cast<long long>(static_cast<double>(moved) / walked + 0.5))
                             : moved;
            feedback_.PumpMessages();
            feedback_.ShowStatus(RecordsCopiedText(stage, moved, total));
        };
        const QStringList names = NamesOf(columns);
        MoveResult result;
        switch (databases_.route) {
        case BackupRoute::Attached:
            result = MoveRowsAttached(move, QLatin1String(CleanupDatabases::kAttachedTarget), names);
            break;
        case BackupRoute::SameServer:
            result = MoveRowsOnServer(move, databases_.targetIdentity.database, names);
            break;
        default:
            result = MoveRowsThroughLedger(move, *databases_.target, *databases_.ledger, key, names, reads);
            break;
        }
        stopped_ = stopped_ || result.stopped;
        return settled + result.rows;
    }
    move.onBatch = [this](long long, double) { feedback_.PumpMessages(); };
    const MoveResult result = DeleteRows(move);
    stopped_ = stopped_ || result.stopped;
    return result.rows;
}

bool RecordTransfer::BackupWholeTable(const QString& table)
{
    ++state_.stage;
    if (databases_.route == BackupRoute::None)
        return true;
    std::vector<ColumnDefinition> columns;
    SchemaReplication replication(state_, feedback_);
    if (!replication.ReplicateTable(databases_.referenceCatalog(), *databases_.targetCatalog, table, columns))
        return false;
    try {
        // The target copy of a reference table always equals the source.
        const int stage = state_.stage;
        CopyWholeTable(databases_.referenceSource(), *databases_.target, table, columns, [this, stage](long long copied) {
            feedback_.PumpMessages();
            feedback_.ShowStatus(RecordsCopiedText(stage, copied, copied));
        });
        return true;
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, table, e);
        return false;
    }
}

std::vector<IdentifierArray> SurveyParts(const IdentifierArray& ids)
{
    std::vector<IdentifierArray> parts;
    for (std::size_t first = 0; first < ids.size(); first += kSurveysPerCondition) {
        const std::size_t last = std::min(ids.size(), first + kSurveysPerCondition);
        parts.emplace_back(ids.begin() + static_cast<std::ptrdiff_t>(first), ids.begin() + static_cast<std::ptrdiff_t>(last));
    }
    return parts;
}

bool RunCleanupStep(RecordTransfer& transfer, const CleanupStep& step, const StepSelection& selection,
                    long long& deletedRecords)
{
    // A step taken in parts is one stage: later parts keep its number.
    const auto inParts = [&](std::size_t parts, const std::function<bool(std::size_t, StageStep)>& part) {
        for (std::size_t i = 0; i < parts; ++i) {
            if (!part(i, i == 0 ? StageStep::Next : StageStep::Same))
                return false;
            if (transfer.stopped())
                return true;
        }
        return true;
    };
    switch (step.rule) {
    case StepRule::ByCall:
        return inParts(selection.callSelections.size(), [&](std::size_t i, StageStep stage) {
            return transfer.BackupAndDeleteByCall(step.table, step.column, selection.callSelections[i], deletedRecords, stage);
        });
    case StepRule::ByDate:
        return transfer.BackupAndDeleteBeforeDate(step.table, step.column, selection.cutoff, deletedRecords);
    case StepRule::BySurvey:
        return inParts(selection.surveyParts.size(), [&](std::size_t i, StageStep stage) {
            return transfer.BackupAndDeleteBySurvey(step.table, step.column, selection.surveyParts[i], deletedRecords, stage);
        });
    case StepRule::Whole:
        return transfer.BackupWholeTable(step.table);
    }
    return false;
}

} // namespace qel
