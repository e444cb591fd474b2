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

namespace {

// Drops the three tables of every list the query finds. Nothing is shown,
// and the list database is not opened, when it finds none.
void DropTablesOfListsFound(const CleanupSettings& settings, Feedback& feedback, Connection& callCenter,
                            const QString& listQuery, TableDrops& drops)
{
    IdentifierSet listIds;
    int rows = 0;
    for (Result lists(callCenter, listQuery); lists.Next(); ++rows)
        listIds.insert(static_cast<qint32>(lists.Value(0).toInt64()));
    if (rows == 0)
        return;

    auto listDatabase = OpenDatabase(settings.listDB, DatabaseRole::Lists, CommandTimeout(settings.timeout));
    Catalog catalog(*listDatabase);
    int removed = 0;
    for (const qint32 listId : listIds)
        for (const char* format : {"ZEBCall%d", "ZEBList%d", "ZEBEmail%d"})
            if (drops.DropIfPresent(catalog, Format(QString::fromLatin1(format), {listId})))
                ++removed;
    feedback.ShowMessage(Format(LoadText(StringId::ListTablesDeleted), {removed}), MessageKind::Information);
}

} // namespace

bool CleanupOperations::DropListTablesOfSurveys(const IdentifierArray& surveyIds)
{
    // No survey has no list: nothing is opened, asked or shown.
    const std::optional<QString> listQuery = RemovalStatements::ListsOfSurveys(surveyIds);
    if (!listQuery)
        return true;
    try {
        auto callCenter = OpenDatabase(settings_.callCenterSrc, DatabaseRole::CallCentre, CommandTimeout(settings_.timeout));
        DropTablesOfListsFound(settings_, feedback_, *callCenter, *listQuery,
                               *drops_);
        return true;
    } catch (const DatabaseError& e) {
        Failed(ReportContext::TableRemoval, e);
        return false;
    }
}

RunOutcome CleanupOperations::CleanUpDeletedLists()
{
    Begin();
    try {
        auto callCenter = OpenDatabase(settings_.callCenterSrc, DatabaseRole::CallCentre, CommandTimeout(settings_.timeout));
        DropTablesOfListsFound(settings_, feedback_, *callCenter, RemovalStatements::DeletedLists(),
                               *drops_);
    } catch (const DatabaseError& e) {
        Failed(ReportContext::TableRemoval, e);
    }
    return outcome_;
}

} // namespace qel
