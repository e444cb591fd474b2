#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace qel {

// How one step of a statistics clean-up chooses its rows.
enum class StepRule {
    ByCall,   // the call identifier column is in the call selection
    ByDate,   // the date column is before the removal date
    BySurvey, // the column equals one of the chosen surveys
    Whole,    // copied whole into the backup, never deleted
};

struct CleanupStep {
    QString table;
    StepRule rule;
    QString column;   // suffix to "CallID" for ByCall; the column otherwise
    bool sqlOnly;     // taken only when the statistics database is SQL Server
};

// The column a step's condition compares: CallID with its suffix, or the
// step's column.
QString ConditionColumn(const CleanupStep& step);

// The tables of the clean-up by date, in the order they are taken: the
// tables keyed by call before Statistic_Call, whose rows the call
// selection reads; the three reference tables of the call centre last.
const std::vector<CleanupStep>& DateCleanupSteps();

// The statistics tables of the clean-up by survey, in order.
const std::vector<CleanupStep>& SurveyCleanupSteps();

// The reference tables copied whole into a backup by both clean-ups.
const std::vector<CleanupStep>& ReferenceTableSteps();

// The tables of the steps whose rows are deleted (and moved into a backup),
// each once, in order; the SQL-only steps only when they are taken.
QStringList MovedTables(const std::vector<CleanupStep>& steps, bool sqlOnlySteps);

} // namespace qel
