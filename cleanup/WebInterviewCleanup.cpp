#include "cleanup/CleanupOperations.h"
#include "cleanup/Databases.h"
#include "cleanup/ErrorReport.h"
#include "cleanup/WebInterviewTables.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"

namespace qel {

void CleanupOperations::DropWebInterviewTables(const TableNameSet& names)
{
    qel::DropWebInterviewTables(settings_, feedback_, names);
}

void CleanupOperations::CleanUpWebInterviews()
{
    try {
        const int timeout = CommandTimeout(settings_.timeout);

        // Names still in use: every web survey's external name in capitals,
        // and below the title of every survey that is not deleted.
        TableNameSet liveNames;
        auto webProduction = OpenDatabase(settings_.webProdDB, DatabaseRole::WebProduction, timeout);
        for (Result webSurveys(*webProduction, QStringLiteral("Select strExtName from WP_Survey")); webSurveys.Next();)
            liveNames.insert(FieldText(webSurveys.Value(0)).toUpper());

        auto callCenter = OpenDatabase(settings_.callCenterSrc, DatabaseRole::CallCentre, timeout);
        TableNameSet doomedTitles;
        for (Result surveys(*callCenter, QStringLiteral("Select SurveyID,SurveyTitle,Deleted from Surveys Where (SurveyID >0)"));
             surveys.Next();) {
            const QString title = FieldText(surveys.Value(1));
            const FieldValue& deleted = surveys.Value(2);
            // Only a boolean true marks a survey deleted; NULL, false and
            // values of any other type do not.
            if (deleted.type() == FieldValue::Type::Bool && deleted.integer() != 0) {
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
        ReportDatabaseError(feedback_, QLatin1String(ReportContext::WebInterviewRemoval), e);
    }
}

} // namespace qel
