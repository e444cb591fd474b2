#include "CleanupOperations.h"

#include <Catalog.h>
#include <Connection.h>
#include <DatabaseError.h>
#include <ErrorReport.h>
#include <Format.h>
#include <Recordset.h>
#include <StringTable.h>

void CleanupOperations::CleanSurveyTables(IdentifierSet legacySurveys, IdentifierSet newSurveys)
{
    const int timeout = CommandTimeout(fields_.Timeout);
    auto connection = OpenConnection(fields_.SurveyDB, timeout);
    auto catalog = BindCatalog(*connection);

    int removed = 0;
    for (const qint32 surveyId : legacySurveys) {
        // Response tables: every table named with the prefix and more. The
        // trailing underscore keeps survey 1's tables apart from survey 12's.
        // A drop moves the next table into the same position, so the count
        // is read again at every step. Failures here end the run.
        const QString prefix = Format(QStringLiteral("ZEBResponse%d_"), {surveyId});
        for (int position = 0; position < catalog->TableCount();) {
            const QString name = catalog->TableName(position);
            if (name.size() > prefix.size() && name.startsWith(prefix, Qt::CaseSensitive)) {
                catalog->DeleteTable(name);
                ++removed;
            } else {
                ++position;
            }
        }
        for (const char* format : {"ZEBDataStructure%d", "ZebSemiOpen%d"})
            if (catalog->DeleteTableIfPresent(Format(QLatin1String(format), {surveyId})))
                ++removed;
    }

    for (const qint32 surveyId : newSurveys)
        for (const char* format : {"Vorto%04ldData", "Vorto%04ldInterview", "Vorto%04ldSemiOpen"})
            if (catalog->DeleteTableIfPresent(Format(QLatin1String(format), {surveyId})))
                ++removed;

    feedback_.ShowMessage(Format(LoadText(IDS_SURVEY_TABLES_DELETED), {removed}), MessageKind::Information);
}

void CleanupOperations::CleanDeletedSurveys()
{
    try {
        const int timeout = CommandTimeout(fields_.Timeout);
        auto callCenter = OpenConnection(fields_.CallCenterSrc, timeout);
        auto surveys =
            OpenRecordset(*callCenter, QStringLiteral("Select SurveyID, InterviewStorage From Surveys Where Deleted <> 0"));

        IdentifierSet legacySurveys;
        IdentifierSet newSurveys;
        int rows = 0;
        for (; !surveys->IsEOF(); surveys->MoveNext()) {
            const Variant& storage = surveys->ReadField(1);
            if (!storage.isNull()) {
                const auto surveyId = static_cast<qint32>(surveys->ReadField(0).toInt64());
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
            ++rows;
        }

        // Deleted surveys of neither storage kind still get a run, which
        // reports 0.
        if (rows != 0)
            CleanSurveyTables(legacySurveys, newSurveys);
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, QStringLiteral("OnCmdListcleanup"), e);
    }
}
