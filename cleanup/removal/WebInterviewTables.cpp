#include "cleanup/removal/WebInterviewTables.h"

#include "cleanup/Databases.h"
#include "core/Format.h"
#include "core/StringTable.h"
#include "db/Catalog.h"
#include "db/Connection.h"

#include <QStringList>

namespace qel {

namespace {

// The name a table is looked up by: without the leading underscore of a
// name that starts with "_" and a digit, otherwise the name itself.
QString MatchKey(const QString& tableName)
{
    if (tableName.size() >= 2 && tableName.at(0) == QLatin1Char('_') && tableName.at(1) >= QLatin1Char('0')
        && tableName.at(1) <= QLatin1Char('9'))
        return tableName.mid(1);
    return tableName;
}

} // namespace

void DropWebInterviewTables(const CleanupSettings& settings, Feedback& feedback, const TableNameSet& names,
                            TableDrops& drops)
{
    auto connection = OpenDatabase(settings.webInterviewDB, DatabaseRole::WebInterviews, CommandTimeout(settings.timeout));
    Catalog catalog(*connection);

    QStringList dropList;
    for (const TableEntry& table : catalog.Tables())
        if (table.type.compare(QLatin1String("table"), Qt::CaseInsensitive) == 0 && names.count(MatchKey(table.name)) != 0)
            dropList << table.name;

    // The name goes between the dialect's quotes with its quote characters
    // doubled, so no table name can end the statement early.
    for (const QString& name : dropList)
        drops.Drop(catalog, name);

    feedback.ShowMessage(Format(LoadText(StringId::WebTablesDeleted), {static_cast<int>(dropList.size())}),
                         MessageKind::Information);
}

} // namespace qel
