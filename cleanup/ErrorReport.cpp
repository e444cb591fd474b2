#include "cleanup/ErrorReport.h"

#include "core/Format.h"
#include "core/StringTable.h"

namespace qel {

QString DatabaseErrorText(const QString& context, const DatabaseError& error)
{
    switch (error.kind()) {
    case DatabaseError::Kind::Refusal:
        return QStringLiteral("Refused in %1: %2").arg(context, error.description());
    case DatabaseError::Kind::Setting:
        return QStringLiteral("Settings error in %1: %2").arg(context, error.description());
    case DatabaseError::Kind::Database:
        break;
    }
    return Format(LoadText(StringId::DatabaseError), {context, error.source(), error.description()});
}

QString DatabaseErrorReport(const QString& context, const DatabaseError& error)
{
    const QString text = DatabaseErrorText(context, error);
    return error.origin().isEmpty() ? text : text + QLatin1Char('\n') + error.origin();
}

void ReportDatabaseError(Feedback& feedback, const QString& context, const DatabaseError& error)
{
    feedback.ShowMessage(DatabaseErrorReport(context, error), MessageKind::DatabaseError);
}

void ReportFailure(Feedback& feedback, RunOutcome& outcome, const QString& context, const DatabaseError& error)
{
    const QString report = DatabaseErrorReport(context, error);
    outcome.Fail(report);
    feedback.ShowMessage(report, MessageKind::DatabaseError);
}

} // namespace qel
