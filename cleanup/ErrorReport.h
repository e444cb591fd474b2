#pragma once

#include "cleanup/RunOutcome.h"
#include "core/Feedback.h"
#include "db/DatabaseError.h"

#include <QString>

namespace qel {

// The words that name, in the database-error report, where a failure was
// caught. Users and support know the tool's failures by them.
namespace ReportContext {
inline constexpr const char* DateOrSurveyCleanup = "DoSQLCleanup";
inline constexpr const char* TableRemoval = "OnCmdListcleanup";
inline constexpr const char* WebInterviewRemoval = "OnBnClickedCmdWebsurveycleanup";
inline constexpr const char* SurveySelection = "CSelectSurveysDlg";
inline constexpr const char* CreateField = "CDBListADO::CreateField";
inline constexpr const char* SourceTable = "CreateFieldInTarget(1)";
inline constexpr const char* NewTargetTable = "CreateFieldInTarget(2)";
} // namespace ReportContext

// The text of the database-error report: "ADO error in <context>
// ('<source>' : '<description>')"; for a refusal "Refused in <context>:
// <description>", for a setting that cannot be used "Settings error in
// <context>: <description>".
QString DatabaseErrorText(const QString& context, const DatabaseError& error);

// The whole report: that text, and below it, when the error knows it, the
// database it came from ("Database of ListDB: the SQLite file ...").
QString DatabaseErrorReport(const QString& context, const DatabaseError& error);

// Shows the whole report in a message box and returns when it is dismissed.
void ReportDatabaseError(Feedback& feedback, const QString& context, const DatabaseError& error);

// Shows the report as ReportDatabaseError does and notes in the run's
// outcome that it failed, with that report.
void ReportFailure(Feedback& feedback, RunOutcome& outcome, const QString& context, const DatabaseError& error);

} // namespace qel
