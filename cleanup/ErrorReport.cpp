#include "cleanup/ErrorReport.h"

#include "core/Format.h"
#include "core/StringTable.h"

namespace qel {

QString DatabaseErrorText(const QString& context, const DatabaseError& error)
{
    return Format(LoadText(StringId::DatabaseError), {context, error.source(), error.description()});
}

void ReportDatabaseError(Feedback& feedback, const QString& context, const DatabaseError& error)
{
    feedback.ShowMessage(DatabaseErrorText(context, error), MessageKind::DatabaseError);
}

} // namespace qel
