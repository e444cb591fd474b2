#include "ErrorReport.h"

#include <Format.h>
#include <StringTable.h>

QString DatabaseErrorText(const QString& context, const DatabaseError& error)
{
    return Format(LoadText(IDS_ADO_ERROR), {context, error.source(), error.description()});
}

void ReportDatabaseError(Feedback& feedback, const QString& context, const DatabaseError& error)
{
    feedback.ShowMessage(DatabaseErrorText(context, error), MessageKind::DatabaseError);
}
