#pragma once

#include <BackupFields.h>
#include <Feedback.h>
#include <Identifiers.h>

#include <QString>

// The five clean-ups, run against the main window's fields and reporting
// through its feedback. The command handlers of the window (and the command
// line) run their common prologue and then call one of these.
class CleanupOperations {
public:
    CleanupOperations(BackupFields& fields, Feedback& feedback) : fields_(fields), feedback_(feedback) {}

    // Clean-up by date: statistics rows before the removal date, with a
    // backup copy first when BackupType asks for one.
    bool DoSQLCleanup(const QString& targetConnection);

    // Clean-up of the chosen surveys, kind by kind, then the history.
    bool DoSurveyCleanup(const QString& targetConnection, TableNameSet surveyNames,
                         const IdentifierArray& legacySurveyIds, const IdentifierArray& newSurveyIds,
                         bool cleanStats, bool cleanSurveys, bool cleanWebInterviews, bool cleanLists);

    // Records in CleaningHistory when each chosen kind was cleaned.
    bool UpdateCleaningHistory(const IdentifierArray& surveyIds, bool cleanStats, bool cleanSurveys,
                               bool cleanWebInterviews, bool cleanLists);

    // Drops the data tables of the given surveys from the surveys database.
    void CleanSurveyTables(IdentifierSet legacySurveys, IdentifierSet newSurveys);

    // Drops the tables of the lists of the given surveys from the list database.
    void CleanListTables(const IdentifierArray& surveyIds);

    // Drops the web-interview tables named in the set and shows the count.
    void DropWebInterviewTables(const TableNameSet& names);

    // The work of the three table-removal buttons after their prologue:
    // surveys marked deleted, lists marked deleted, web-interview tables of
    // titles no longer in use.
    void CleanDeletedSurveys();
    void CleanDeletedLists();
    void CleanUnusedWebInterviewTables();

    BackupFields& fields() { return fields_; }
    Feedback& feedback() { return feedback_; }

private:
    BackupFields& fields_;
    Feedback& feedback_;
};
