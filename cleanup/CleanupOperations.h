#pragma once

#include "cleanup/BackupTarget.h"
#include "cleanup/CleaningHistory.h"
#include "cleanup/CleanupDatabases.h"
#include "cleanup/Identifiers.h"
#include "cleanup/SurveyList.h"
#include "core/CleanupSettings.h"
#include "core/Feedback.h"
#include "core/RunState.h"

#include <QString>

#include <functional>

namespace qel {

// The five clean-ups, run with the stored settings and the state of the run,
// reporting through the feedback. The window's command handlers (and the
// command line) do their common first steps and then call one of these.
class CleanupOperations {
public:
    CleanupOperations(const CleanupSettings& settings, RunState& state, Feedback& feedback)
        : settings_(settings), state_(state), feedback_(feedback) {}

    // Clean-up by date: statistics rows before the removal date, with a
    // backup copy first when BackupType asks for one.
    bool CleanUpByDate(const QString& targetConnection);

    // Clean-up of the chosen surveys, kind by kind, then the history.
    bool CleanUpBySurveys(const QString& targetConnection, const SurveySelection& selection, const CleanOptions& options);

    // Records in CleaningHistory when each chosen kind was cleaned.
    void RecordCleaningHistory(const IdentifierArray& surveyIds, const CleanOptions& options);

    // Drops the data tables of the given surveys from the surveys database.
    void DropSurveyTables(const IdentifierSet& legacySurveys, const IdentifierSet& newSurveys);

    // Drops the tables of the lists of the given surveys from the list
    // database. Reports its own database errors; answers false after one.
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
    void CleanUpDeletedSurveys();
    void CleanUpDeletedLists();
    void CleanUpWebInterviews();

    // Asked between batches of the statistics clean-ups: true ends the run
    // after the batch in flight.
    void setStopRequested(std::function<bool()> stopRequested) { stopRequested_ = std::move(stopRequested); }

    // How the statistics clean-ups open their databases (the benchmark
    // makes a backup go row by row).
    void setDatabaseOptions(const CleanupDatabases::Options& options) { databaseOptions_ = options; }

private:
    void CheckRemovalDatabases(const CleanOptions& options);
    bool ReportStopped(long long deletedRecords);

    const CleanupSettings& settings_;
    RunState& state_;
    Feedback& feedback_;
    std::function<bool()> stopRequested_;
    CleanupDatabases::Options databaseOptions_;
};

} // namespace qel
