#include "cleanup/CleanupOperations.h"
#include "cleanup/Databases.h"
#include "cleanup/ErrorReport.h"
#include "cleanup/removal/RemovalStatements.h"
#include "core/Format.h"
#include "core/StringTable.h"
#include "db/Catalog.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"

namespace qel {

void CleanupOperations::DropSurveyTables(const IdentifierSet& legacySurveys, const IdentifierSet& newSurveys)
{
    auto connection = OpenDatabase(settings_.surveyDB, DatabaseRole::Surveys, CommandTimeout(settings_.timeout));
    Catalog catalog(*connection);

    int removed = 0;
    for (const qint32 surveyId : legacySurveys) {
        // Response tables: every table named with the prefix and more. The
        // trailing underscore keeps survey 1's tables apart from survey 12's.
        // A drop moves the next table into the same position, so the count
        // is read again at every step. Failures here end the run.
        const QString prefix = Format(QStringLiteral("ZEBResponse%d_"), {surveyId});
        for (int position = 0; position < catalog.TableCount();) {
            const QString name = catalog.TableName(position);
            if (name.size() > prefix.size() && name.startsWith(prefix, Qt::CaseSensitive)) {
                drops_->Drop(catalog, name);
                ++removed;
            } else {
                ++position;
            }
        }
        for (const char* format : {"ZEBDataStructure%d", "ZebSemiOpen%d"})
            if (drops_->DropIfPresent(catalog, Format(QLatin1String(format), {surveyId})))
                ++removed;
    }

    for (const qint32 surveyId : newSurveys)
        for (const char* format : {"Vorto%04ldData", "Vorto%04ldInterview", "Vorto%04ldSemiOpen"})
            if (drops_->DropIfPresent(catalog, Format(QLatin1String(format), {surveyId})))
                ++removed;

    feedback_.ShowMessage(Format(LoadText(StringId::SurveyTablesDeleted), {removed}), MessageKind::Information);
}

RunOutcome CleanupOperations::CleanUpDeletedSurveys()
{
    Begin();
    try {
        auto callCenter = OpenDatabase(settings_.callCenterSrc, DatabaseRole::CallCentre, CommandTimeout(settings_.timeout));
        IdentifierSet legacySurveys;
        IdentifierSet newSurveys;
        int rows = 0;
        for (Result surveys(*callCenter, RemovalStatements::DeletedSurveys());
             surveys.Next(); ++rows) {
            const FieldValue& storage = surveys.Value(1);
            if (storage.isNull())
                continue;
            const auto surveyId = static_cast<qint32>(surveys.Value(0).toInt64());
            switch (static_cast<qint32>(storage.toInt64())) {
            case 1:
                legacySurveys.insert(surveyId);
                break;
            case 2:
                newSurveys.insert(surveyId);
                break;
            default:
                break;
            }
        }
        // Deleted surveys of neither storage kind still get a run, which
        // reports 0.
        if (rows != 0)
            DropSurveyTables(legacySurveys, newSurveys);
    } catch (const DatabaseError& e) {
        Failed(ReportContext::TableRemoval, e);
    }
    return outcome_;
}

} // namespace qel
