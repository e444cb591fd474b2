#pragma once

#include "cleanup/checks/BackupTarget.h"
#include "cleanup/surveys/CleaningHistory.h"
#include "cleanup/transfer/CleanupDatabases.h"
#include "cleanup/CleanupPreview.h"
#include "cleanup/Identifiers.h"
#include "cleanup/RunOutcome.h"
#include "cleanup/removal/TableDrops.h"
#include "cleanup/surveys/SurveyList.h"
#include "core/CleanupSettings.h"
#include "core/Feedback.h"
#include "core/RunState.h"

#include <QString>

#include <functional>

namespace qel {

class DatabaseError;
struct StepSelection;

// The five clean-ups, run with the stored settings and the state of the run,
// reporting through the feedback. The window's command handlers (and the
// command line) do their common first steps and then call one of these;
// each answers its outcome: what it deleted, copied and dropped, and how it
// ended.
class CleanupOperations {
public:
    CleanupOperations(const CleanupSettings& settings, RunState& state, Feedback& feedback);
    ~CleanupOperations();
    CleanupOperations(const CleanupOperations&) = delete;
    CleanupOperations& operator=(const CleanupOperations&) = delete;

    // Clean-up by date: statistics rows before the removal date, with a
    // backup copy first when BackupType asks for one.
    RunOutcome CleanUpByDate(const QString& targetConnection);

    // Clean-up of the chosen surveys, kind by kind, then the history.
    RunOutcome CleanUpBySurveys(const QString& targetConnection, const SurveySelection& selection, const CleanOptions& options);

    // Records in CleaningHistory when each chosen kind was cleaned.
    void RecordCleaningHistory(const IdentifierArray& surveyIds, const CleanOptions& options);

    // Drops the data tables of the given surveys from the surveys database.
    void DropSurveyTables(const IdentifierSet& legacySurveys, const IdentifierSet& newSurveys);

    // Drops the tables of the lists of the given surveys from the list
    // database. Reports its own database errors (into the outcome); answers
    // false after one.
    bool DropListTablesOfSurveys(const IdentifierArray& surveyIds);

    // Drops the web-interview tables named in the set and shows the count.
    void DropWebInterviewTables(const TableNameSet& names);

    // The selection's titles whose web-interview tables may go: a title that
    // a survey outside the selection still uses, one not marked deleted, is
    // left out, and a message names its tables as kept.
    TableNameSet WebTitlesNoLongerInUse(const SurveySelection& selection);

    // The three "Cleanup Deleted" commands: the data tables of surveys marked
    // deleted, the tables of lists marked deleted, and the web-interview
    // tables of titles no longer in use.
    RunOutcome CleanUpDeletedSurveys();
    RunOutcome CleanUpDeletedLists();
    RunOutcome CleanUpWebInterviews();

    // The previews of the five clean-ups: what each would delete, copy and
    // drop, found by the same selection, with every SQLite file opened
    // read-only and nothing written anywhere (no call set, no history, no
    // backup target). Database errors are reported through the feedback as
    // the clean-ups report them, and the outcome failed; a stop, which shows
    // "Stopped: 0 records deleted", is a stopped one. The outcome holds no
    // rows: the preview does.
    RunOutcome PreviewByDate(const QString& targetConnection, CleanupPreview& preview);
    RunOutcome PreviewBySurveys(const QString& targetConnection, const SurveySelection& selection,
                                const CleanOptions& options, CleanupPreview& preview);
    RunOutcome PreviewDeletedSurveys(CleanupPreview& preview);
    RunOutcome PreviewDeletedLists(CleanupPreview& preview);
    RunOutcome PreviewWebInterviews(CleanupPreview& preview);

    // Asked between batches of the statistics clean-ups, and before each of
    // their steps: true ends the run after the batch in flight.
    void setStopRequested(std::function<bool()> stopRequested) { stopRequested_ = std::move(stopRequested); }

    // How the statistics clean-ups open their databases (the benchmark
    // makes a backup go row by row).
    void setDatabaseOptions(const CleanupDatabases::Options& options) { databaseOptions_ = options; }

private:
    void CheckRemovalDatabases(const CleanOptions& options);
    // Begins an operation's outcome; each public operation starts with it.
    void Begin();
    // Notes and shows a stop; answers the outcome.
    RunOutcome Stopped(long long deletedRecords);
    // Notes and shows a failure.
    void Failed(const char* context, const DatabaseError& error);
    bool StopAsked() const { return stopRequested_ && stopRequested_(); }

    // The operations of a preview's removals: their drops only list the
    // tables, into `dropped`.
    CleanupOperations(const CleanupSettings& settings, RunState& state, Feedback& feedback, QStringList& dropped);
    // A removal run in preview, with its results kept off the feedback.
    RunOutcome PreviewRemoval(CleanupPreview& preview, const std::function<void(CleanupOperations&)>& removal);
    // Counts the rows of each step of a statistics clean-up; false after a
    // stop or a failure, which the outcome notes.
    bool PreviewStatistics(const QString& targetConnection, const std::vector<CleanupStep>& steps, bool referenceSteps,
                           const StepSelection& selection, CleanupPreview& preview);

    const CleanupSettings& settings_;
    RunState& state_;
    Feedback& feedback_;
    std::function<bool()> stopRequested_;
    CleanupDatabases::Options databaseOptions_;
    RunOutcome outcome_;
    // How the removals drop: for real, noting into the outcome, or in a
    // preview only listing.
    std::unique_ptr<TableDrops> drops_;
};

} // namespace qel
