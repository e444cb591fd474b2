#include "CleanupOperations.h"

#include <Catalog.h>
#include <Connection.h>
#include <DatabaseError.h>
#include <ErrorReport.h>
#include <Format.h>
#include <Recordset.h>
#include <StringTable.h>

namespace {

const QString kReportContext = QStringLiteral("OnCmdListcleanup");

// Drops the three tables of every list the query found. Nothing is shown,
// and the list database is not opened, when it found none.
void RemoveListTables(const BackupFields& fields, Feedback& feedback, Recordset& lists, int timeout)
{
    IdentifierSet listIds;
    int rows = 0;
    for (; !lists.IsEOF(); lists.MoveNext()) {
        listIds.insert(static_cast<qint32>(lists.ReadField(0).toInt64()));
        ++rows;
    }
    if (rows == 0)
        return;

    auto listDatabase = OpenConnection(fields.ListDB, timeout);
    auto catalog = BindCatalog(*listDatabase);
    int removed = 0;
    for (const qint32 listId : listIds) {
        for (const char* format : {"ZEBCall%d", "ZEBList%d", "ZEBEmail%d"})
            if (catalog->DeleteTableIfPresent(Format(QString::fromLatin1(format), {listId})))
                ++removed;
    }
    feedback.ShowMessage(Format(LoadText(IDS_LIST_TABLES_DELETED), {removed}), MessageKind::Information);
}

} // namespace

void CleanupOperations::CleanListTables(const IdentifierArray& surveyIds)
{
    try {
        const int timeout = CommandTimeout(fields_.Timeout);
        QString idText;
        for (std::size_t i = 0; i < surveyIds.size(); ++i)
            idText += Format(QString::fromLatin1(i == 0 ? "%d" : ",%d"), {static_cast<qint32>(surveyIds[i])});
        const QString sql = Format(QStringLiteral("Select ListID from Lists Where SurveyID IN (%s)"), {idText});

        auto callCenter = OpenConnection(fields_.CallCenterSrc, timeout);
        auto lists = OpenRecordset(*callCenter, sql);
        RemoveListTables(fields_, feedback_, *lists, timeout);
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, kReportContext, e);
    }
}

void CleanupOperations::CleanDeletedLists()
{
    try {
        const int timeout = CommandTimeout(fields_.Timeout);
        auto callCenter = OpenConnection(fields_.CallCenterSrc, timeout);
        auto lists = OpenRecordset(*callCenter, QStringLiteral("Select ListID from Lists Where Deleted <> 0"));
        RemoveListTables(fields_, feedback_, *lists, timeout);
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, kReportContext, e);
    }
}
