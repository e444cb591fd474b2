#pragma once

#include "cleanup/transfer/CleanupDatabases.h"
#include "cleanup/Identifiers.h"
#include "cleanup/RunOutcome.h"
#include "cleanup/transfer/StatisticsCatalogue.h"
#include "core/CleanupSettings.h"
#include "core/Feedback.h"
#include "core/RunState.h"
#include "core/TableProgress.h"
#include "db/Dialect.h"

#include <QDate>
#include <QString>

#include <functional>

namespace qel {

struct MoveResult;

// The rows of the statistics tables leave table by table through these
// steps: each advances the stage counter and moves the chosen rows out of
// the statistics database in batches; with a backup each batch is copied
// into the backup target and deleted as one (see CleanupDatabases for the
// routes), so that no row is deleted unless its copy is committed. The
// rows moved are added to the caller's counter. Failures are reported with
// the table's name and answered false.
// Whether a step begins a new stage, or goes on with the stage of the part
// before it.
enum class StageStep { Next, Same };

class RecordTransfer {
public:
    RecordTransfer(const CleanupSettings& settings, RunState& state, Feedback& feedback, CleanupDatabases& databases)
        : settings_(settings), state_(state), feedback_(feedback), databases_(databases) {}

    // The rows whose call identifier column (CallID followed by the suffix)
    // is in the call selection.
    bool BackupAndDeleteByCall(const QString& table, const QString& columnSuffix, const QString& callSelection,
                               long long& deletedRecords, StageStep stage = StageStep::Next);
    // The rows whose column equals one of the identifiers.
    bool BackupAndDeleteBySurvey(const QString& table, const QString& column, const IdentifierArray& ids,
                                 long long& deletedRecords, StageStep stage = StageStep::Next);
    // The rows whose date column lies before the cut-off day.
    bool BackupAndDeleteBeforeDate(const QString& table, const QString& dateColumn, const QDate& cutoff,
                                   long long& deletedRecords);
    // Copies a reference table whole into the backup; deletes nothing.
    bool BackupWholeTable(const QString& table);

    // Asked between batches; true ends the step after the batch in flight.
    void setStopRequested(std::function<bool()> stopRequested) { stopRequested_ = std::move(stopRequested); }
    bool stopped() const { return stopped_; }

    // The outcome each table's rows, seconds and copies, and a failure, are
    // added to: the operation's.
    void setOutcome(RunOutcome& outcome) { outcome_ = &outcome; }

    // The call selections the run's call set was built from, joined: what
    // the by-call steps choose, in words that stay the same from one run to
    // the next (the backup's ledger keeps them with each batch).
    void setCallSelectionOrigin(const QString& origin) { callSelectionOrigin_ = origin; }

private:
    // One step's rows: the table, the condition that picks them, the column
    // it compares, and what chose them (see setCallSelectionOrigin).
    struct StepRows {
        QString table;
        QString condition;
        QString conditionColumn;
        QString selection;
    };

    // Advances the stage and moves the rows the condition picks.
    bool BackupAndDelete(const StepRows& step, long long& deletedRecords, StageStep stage);
    long long Move(const StepRows& step, const std::vector<ColumnDefinition>& columns);
    // Throws ColumnsChanged when the source table's columns are no longer
    // `columns`; asked inside each batch's transaction on SQLite.
    std::function<void()> ColumnCheck(const QString& table, const std::vector<ColumnDefinition>& columns);
    // Shows the step's final count where the last batch only estimated it.
    void EndProgress(const MoveResult& result);
    // Adds a step's rows and time to the outcome.
    void Record(const QString& table, long long moved, qint64 nanoseconds);
    // The batch callback of a step, which shows where the step stands.
    std::function<void(long long, double)> ProgressReport(Connection& source, const QString& table, const QString& condition,
                                                          std::function<void(const TableProgress&)> show);

    const CleanupSettings& settings_;
    RunState& state_;
    Feedback& feedback_;
    CleanupDatabases& databases_;
    std::function<bool()> stopRequested_;
    bool stopped_ = false;
    RunOutcome ownOutcome_;
    RunOutcome* outcome_ = &ownOutcome_;
    QString callSelectionOrigin_;
    long long movedInStep_ = 0;                                // rows of the step in flight whose batches have committed
    TableProgress lastProgress_;                               // shown last for the step in flight
    std::function<void(const TableProgress&)> showProgress_;  // how the step in flight shows it
};

// What chooses the rows of a step: the call selection, the cut-off or the
// surveys. A long list of surveys goes in parts, each its own condition,
// so that no statement outgrows what a database parses; so does the call
// selection that depends on it.
struct StepSelection {
    QStringList callSelections;
    QDate cutoff;
    std::vector<IdentifierArray> surveyParts;
};

// The surveys in parts of at most kSurveysPerCondition identifiers, in order.
inline constexpr int kSurveysPerCondition = 400;
std::vector<IdentifierArray> SurveyParts(const IdentifierArray& ids);

// Takes one catalogue step: the transfer its rule names.
bool RunCleanupStep(RecordTransfer& transfer, const CleanupStep& step, const StepSelection& selection,
                    long long& deletedRecords);

// " (col = v1)OR  (col = v2)...": one term per identifier, each written as a
// signed number; empty for an empty array.
QString BuildOrCondition(const QString& column, const IdentifierArray& ids);

} // namespace qel
