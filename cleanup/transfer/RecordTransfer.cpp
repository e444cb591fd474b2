#include "cleanup/transfer/RecordTransfer.h"

#include "cleanup/transfer/ColumnReads.h"
#include "cleanup/ErrorReport.h"
#include "cleanup/transfer/LedgerMove.h"
#include "cleanup/transfer/RowCopy.h"
#include "cleanup/transfer/SchemaReplication.h"
#include "cleanup/transfer/TableMove.h"
#include "cleanup/transfer/TransferStatements.h"
#include "cleanup/transfer/BatchRetry.h"
#include "cleanup/transfer/WalkKey.h"
#include "db/WaitHook.h"
#include "core/Progress.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"

#include <QElapsedTimer>

#include <memory>
#include <optional>

namespace qel {

namespace Sql = TransferStatements;

QString BuildOrCondition(const QString& column, const IdentifierArray& ids)
{
    return Sql::SurveyCondition(column, ids);
}

bool RecordTransfer::BackupAndDeleteByCall(const QString& table, const QString& columnSuffix,
                                           const QString& callSelection, long long& deletedRecords, StageStep stage)
{
    const QString origin = callSelectionOrigin_.isEmpty() ? callSelection : callSelectionOrigin_;
    return BackupAndDelete({table, Sql::ByCallCondition(columnSuffix, callSelection), QStringLiteral("CallID") + columnSuffix,
                            Sql::ByCallCondition(columnSuffix, origin)},
                           deletedRecords, stage);
}

bool RecordTransfer::BackupAndDeleteBySurvey(const QString& table, const QString& column, const IdentifierArray& ids,
                                             long long& deletedRecords, StageStep stage)
{
    const QString condition = Sql::SurveyCondition(column, ids);
    return BackupAndDelete({table, condition, column, condition}, deletedRecords, stage);
}

bool RecordTransfer::BackupAndDeleteBeforeDate(const QString& table, const QString& dateColumn, const QDate& cutoff,
                                               long long& deletedRecords)
{
    const QString quoted = Sql::QuotedDate(databases_.source->dialect(), cutoff, settings_.sourceSQL != 0);
    const QString condition = Sql::BeforeDateCondition(dateColumn, quoted);
    return BackupAndDelete({table, condition, dateColumn, condition}, deletedRecords, StageStep::Next);
}

bool RecordTransfer::BackupAndDelete(const StepRows& step, long long& deletedRecords, StageStep stage)
{
    if (stage == StageStep::Next)
        ++state_.stage;
    QElapsedTimer clock;
    clock.start();
    long long stepRows = 0; // rows of the step whose batches have committed
    // A stop during a wait for the database: the batch in flight was rolled
    // back, those before it have left the table.
    const auto stoppedInWait = [&] {
        stepRows += movedInStep_;
        deletedRecords += stepRows;
        Record(step.table, stepRows, clock.nsecsElapsed());
        stopped_ = true;
        return true;
    };
    // A column added to the table while its rows go is given to the backup
    // before the next batch; a table that keeps changing is let be.
    constexpr int kShapesPerStep = 8;
    for (int shape = 1;; ++shape) {
        std::vector<ColumnDefinition> columns;
        movedInStep_ = 0;
        try {
            if (!Prepare(step, columns)) {
                Record(step.table, stepRows, clock.nsecsElapsed());
                return false;
            }
        } catch (const Interrupted&) {
            return stoppedInWait();
        }
        try {
            stepRows += Move(step, columns);
            deletedRecords += stepRows;
            Record(step.table, stepRows, clock.nsecsElapsed());
            return true;
        } catch (const ColumnsChanged&) {
            stepRows += movedInStep_;
            if (shape < kShapesPerStep)
                continue;
            Record(step.table, stepRows, clock.nsecsElapsed());
            const DatabaseError error = DatabaseError::Refusal(
                QStringLiteral("The columns of %1 changed again and again while its rows were moved; the clean-up "
                               "stopped before the next batch. Run it again when the table has its final columns.")
                    .arg(step.table),
                databases_.source->origin());
            ReportFailure(feedback_, *outcome_, step.table, error);
            return false;
        } catch (const Interrupted&) {
            return stoppedInWait();
        } catch (const DatabaseError& e) {
            // The batches committed before the failure have left the table.
            Record(step.table, stepRows + movedInStep_, clock.nsecsElapsed());
            ReportFailure(feedback_, *outcome_, step.table, e);
            return false;
        }
    }
}

bool RecordTransfer::Prepare(const StepRows& step, std::vector<ColumnDefinition>& columns)
{
    if (databases_.route == BackupRoute::None) {
        feedback_.ShowStatus(DeletingRecordsText(state_.stage));
        feedback_.PumpMessages();
        return true;
    }
    SchemaReplication replication(state_, feedback_, *outcome_);
    return replication.ReplicateTable(*databases_.sourceCatalog, *databases_.targetCatalog, step.table, columns);
}

std::function<void()> RecordTransfer::ColumnCheck(const QString& table, const std::vector<ColumnDefinition>& columns)
{
    Connection& source = *databases_.source;
    if (!source.dialect().isSQLite() || databases_.route == BackupRoute::None)
        return {};
    const auto version = [&source] {
        Result row(source, Sql::SQLiteSchemaVersion());
        return row.Next() ? row.Value(0).toInt64() : 0;
    };
    auto known = std::make_shared<long long>(version());
    return [&source, table, columns, known, version, this] {
        // The schema version changes with any table's columns; only when it
        // has are this table's looked at again.
        const long long now = version();
        if (now == *known)
            return;
        const std::vector<ColumnDefinition> current = Catalog(source).Columns(table);
        bool same = current.size() == columns.size();
        for (std::size_t i = 0; same && i < current.size(); ++i)
            same = current[i].name == columns[i].name && current[i].typeName == columns[i].typeName;
        if (!same)
            throw ColumnsChanged();
        *known = now;
    };
}

void RecordTransfer::Record(const QString& table, long long moved, qint64 nanoseconds)
{
    RunOutcome::Table& entry = outcome_->TableEntry(table);
    entry.deleted += moved;
    if (databases_.route != BackupRoute::None)
        entry.copied += moved;
    entry.seconds += static_cast<double>(nanoseconds) / 1e9;
}

void RecordTransfer::EndProgress(const MoveResult& result)
{
    // The walk's last windows may have held no row to show: the estimate
    // of the last batch that had some is put right once the table is done.
    if (result.stopped || lastProgress_.done != result.rows || result.rows == 0)
        return;
    if (lastProgress_.estimated || lastProgress_.total != lastProgress_.done) {
        TableProgress done = lastProgress_;
        done.total = done.done;
        done.estimated = false;
        showProgress_(done);
    }
}

std::function<void(long long, double)> RecordTransfer::ProgressReport(Connection& source, const QString& table,
                                                                     const QString& condition,
                                                                     std::function<void(const TableProgress&)> show)
{
    // The rows to take: counted beforehand where the server has the indexes
    // for it; on SQLite, where a count would cost another pass over the
    // table, reckoned from how far the walk has come.
    long long counted = -1;
    if (const auto expected = expectedRows_.find(table); expected != expectedRows_.end()) {
        counted = expected->second;
    } else if (!source.dialect().isSQLite()) {
        // A count that fails (a scan past the command time-out) costs only
        // the total: the batches still go.
        try {
            Result count(source, Sql::Count(source.dialect(), table, condition), Duration::Long);
            counted = count.Next() ? count.Value(0).toInt64() : 0;
        } catch (const DatabaseError&) {
            counted = -1;
        }
    }
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    TableProgress base;
    base.stage = state_.stage;
    base.table = table;
    lastProgress_ = TableProgress();
    showProgress_ = [this, show](const TableProgress& progress) {
        lastProgress_ = progress;
        show(progress);
    };
    return [counted, clock, base, show = showProgress_](long long moved, double walked) {
        TableProgress progress = base;
        progress.done = moved;
        progress.estimated = counted < 0 && walked < 1.0;
        progress.total = counted >= 0 ? std::max(counted, moved) : EstimatedTotal(moved, walked);
        progress.seconds = static_cast<double>(clock->nsecsElapsed()) / 1e9;
        show(progress);
    };
}

long long RecordTransfer::Move(const StepRows& step, const std::vector<ColumnDefinition>& columns)
{
    Connection& source = *databases_.source;
    TableMove move{source,
                   step.table,
                   step.condition,
                   settings_.batchSize > 0 || databases_.route == BackupRoute::Ledger
                       ? FindWalkKey(source, *databases_.sourceCatalog, step.table, step.conditionColumn)
                       : WalkKey{},
                   settings_.batchSize,
                   &databases_.pacing,
                   {},
                   stopRequested_,
                   ColumnCheck(step.table, columns),
                   {}};
    if (databases_.route == BackupRoute::None) {
        move.onBatch = ProgressReport(source, step.table, step.condition, [this](const TableProgress& progress) {
            movedInStep_ = progress.done;
            feedback_.PumpMessages();
            feedback_.ShowProgress(progress);
        });
        const MoveResult result = DeleteRows(move);
        stopped_ = stopped_ || result.stopped;
        EndProgress(result);
        return result.rows;
    }

    // Batches a run before left half done are settled first, and count
    // among the rows this step moves.
    std::optional<LedgerMove> ledgerMove;
    long long settled = 0;
    if (databases_.ledger) {
        ledgerMove.emplace(move, *databases_.target, databases_.targetCatalog->StatementName(step.table), *databases_.ledger,
                           columns, step.selection);
        settled = ledgerMove->SettlePendingBatches();
        movedInStep_ = settled;
    }
    move.onBatch = ProgressReport(source, step.table, step.condition, [this, settled](const TableProgress& progress) {
        movedInStep_ = settled + progress.done;
        feedback_.PumpMessages();
        feedback_.ShowStatus(RecordsCopiedText(progress.stage, progress.done, progress.total));
        feedback_.ShowProgress(progress);
    });
    const QStringList names = NamesOf(columns);
    MoveResult result;
    switch (databases_.route) {
    case BackupRoute::Attached:
        move.backupOrigin = databases_.target->origin();
        result = MoveRowsAttached(move, QLatin1String(CleanupDatabases::kAttachedTarget), names);
        break;
    case BackupRoute::SameServer:
        result = MoveRowsOnServer(move, databases_.TargetTableName(step.table), names);
        break;
    default:
        result = ledgerMove->Move();
        break;
    }
    stopped_ = stopped_ || result.stopped;
    EndProgress(result);
    return settled + result.rows;
}

bool RecordTransfer::BackupWholeTable(const QString& table)
{
    ++state_.stage;
    if (databases_.route == BackupRoute::None)
        return true;
    std::vector<ColumnDefinition> columns;
    SchemaReplication replication(state_, feedback_, *outcome_);
    if (!replication.ReplicateTable(databases_.referenceCatalog(), *databases_.targetCatalog, table, columns))
        return false;
    try {
        // The target copy of a reference table always equals the source.
        const int stage = state_.stage;
        const long long copied = CopyWholeTable(databases_.referenceSource(), *databases_.target, table,
                                                databases_.targetCatalog->StatementName(table), columns, [this, stage](long long sofar) {
            feedback_.PumpMessages();
            feedback_.ShowStatus(RecordsCopiedText(stage, sofar, sofar));
        });
        outcome_->TableEntry(table).copied += copied;
        return true;
    } catch (const Interrupted&) {
        // The copy's transaction was rolled back; a rerun copies the table whole.
        stopped_ = true;
        return true;
    } catch (const DatabaseError& e) {
        ReportFailure(feedback_, *outcome_, table, e);
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
