#include "cleanup/CleanupOperations.h"
#include "cleanup/Databases.h"
#include "cleanup/ErrorReport.h"
#include "cleanup/removal/RemovalStatements.h"
#include "cleanup/removal/WebInterviewTables.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"

namespace qel {

namespace {

// Only a boolean true marks a survey deleted; NULL, false and values of any
// other type do not.
bool MarkedDeleted(const FieldValue& deleted)
{
    return deleted.type() == FieldValue::Type::Bool && deleted.integer() != 0;
}

} // namespace

void CleanupOperations::DropWebInterviewTables(const TableNameSet& names)
{
    qel::DropWebInterviewTables(settings_, feedback_, names, *drops_);
}

RunOutcome CleanupOperations::CleanUpWebInterviews()
{
    Begin();
    try {
        const int timeout = CommandTimeout(settings_.timeout);

        // Names still in use: every web survey's external name in capitals,
        // and below the title of every survey that is not deleted.
        TableNameSet liveNames;
        auto webProduction = OpenDatabase(settings_.webProdDB, DatabaseRole::WebProduction, timeout);
        for (Result webSurveys(*webProduction, RemovalStatements::WebSurveyNames()); webSurveys.Next();)
            liveNames.insert(FieldText(webSurveys.Value(0)).toUpper());

        auto callCenter = OpenDatabase(settings_.callCenterSrc, DatabaseRole::CallCentre, timeout);
        TableNameSet doomedTitles;
        for (Result surveys(*callCenter, RemovalStatements::SurveyTitles()); surveys.Next();) {
            const QString title = FieldText(surveys.Value(1));
            if (MarkedDeleted(surveys.Value(2))) {
                if (liveNames.count(title) == 0)
                    doomedTitles.insert(title);
            } else {
                doomedTitles.erase(title);
                liveNames.insert(title);
            }
        }

        if (!doomedTitles.empty())
            DropWebInterviewTables(doomedTitles);
    } catch (const DatabaseError& e) {
        Failed(ReportContext::WebInterviewRemoval, e);
    }
    return outcome_;
}

TableNameSet CleanupOperations::WebTitlesNoLongerInUse(const SurveySelection& selection)
{
    std::set<qint32> selected;
    for (const IdentifierArray* ids : {&selection.legacySurveyIds, &selection.newSurveyIds})
        for (const quint32 id : *ids)
            selected.insert(static_cast<qint32>(id));

    TableNameSet titles = selection.surveyNames;
    auto callCenter = OpenDatabase(settings_.callCenterSrc, DatabaseRole::CallCentre, CommandTimeout(settings_.timeout));
    for (Result surveys(*callCenter, RemovalStatements::SurveyTitles()); surveys.Next();) {
        const auto id = static_cast<qint32>(surveys.Value(0).toInt64());
        const QString title = FieldText(surveys.Value(1));
        if (selected.count(id) != 0 || MarkedDeleted(surveys.Value(2)) || titles.erase(title) == 0)
            continue;
        feedback_.ShowMessage(QStringLiteral("The web interview tables of \"%1\" are kept: survey %2, which is not deleted, "
                                             "still uses this title.")
                                  .arg(title)
                                  .arg(id),
                              MessageKind::Information);
    }
    return titles;
}

} // namespace qel
