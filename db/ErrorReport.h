#pragma once

#include "DatabaseError.h"

#include <Feedback.h>

#include <QString>

// The text of the database-error report: "ADO error in <context>
// ('<source>' : '<description>')".
QString DatabaseErrorText(const QString& context, const DatabaseError& error);

// Shows the report in a message box and returns when it is dismissed.
void ReportDatabaseError(Feedback& feedback, const QString& context, const DatabaseError& error);
