#include "CleanupOperations.h"

#include <Connection.h>
#include <DatabaseError.h>
#include <ErrorReport.h>
#include <Recordset.h>
#include <Variant.h>
#include <WebInterviewTables.h>

void CleanupOperations::DropWebInterviewTables(const TableNameSet& names)
{
    ::DropWebInterviewTables(fields_, feedback_, names);
}

void CleanupOperations::CleanUnusedWebInterviewTables()
{
    try {
        const int timeout = CommandTimeout(fields_.Timeout);

        // Names still in use: every web survey's external name in capitals,
        // and below the title of every survey that is not deleted.
        TableNameSet liveNames;
        auto webProduction = OpenConnection(fields_.WebProdDB, timeout);
        auto webSurveys = OpenRecordset(*webProduction, QStringLiteral("Select strExtName from WP_Survey"));
        for (; !webSurveys->IsEOF(); webSurveys->MoveNext())
            liveNames.insert(VariantToText(webSurveys->ReadField(0)).toUpper());

        auto callCenter = OpenConnection(fields_.CallCenterSrc, timeout);
        auto surveys =
            OpenRecordset(*callCenter, QStringLiteral("Select SurveyID,SurveyTitle,Deleted from Surveys Where (SurveyID >0)"));
        TableNameSet doomedTitles;
        for (; !surveys->IsEOF(); surveys->MoveNext()) {
            const QString title = VariantToText(surveys->ReadField(1));
            const Variant& deleted = surveys->ReadField(2);
            // Only a boolean true marks a survey deleted; NULL, false and
            // values of any other type do not.
            if (deleted.type() == Variant::Type::Bool && deleted.integer() != 0) {
                if (liveNames.count(title) == 0)
                    doomedTitles.insert(title);
            } else {
                doomedTitles.erase(title);
                liveNames.insert(title);
            }
        }

        if (doomedTitles.empty())
            return;
        DropWebInterviewTables(doomedTitles);
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, QStringLiteral("OnBnClickedCmdWebsurveycleanup"), e);
    }
}
