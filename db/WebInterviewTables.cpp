#include "WebInterviewTables.h"

#include "Connection.h"
#include "Recordset.h"

#include <BackupFields.h>
#include <Feedback.h>
#include <Format.h>
#include <StringTable.h>

#include <QStringList>

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

void DropWebInterviewTables(const BackupFields& fields, Feedback& feedback, const TableNameSet& names)
{
    const int timeout = CommandTimeout(fields.Timeout);
    auto connection = OpenConnection(fields.WebInterviewDB, timeout);

    QStringList dropList;
    {
        auto schema = Recordset::OpenTablesSchema(*connection);
        for (; !schema->IsEOF(); schema->MoveNext()) {
            const QString name = VariantToText(schema->ReadField(QStringLiteral("TABLE_NAME")));
            const QString type = VariantToText(schema->ReadField(QStringLiteral("TABLE_TYPE")));
            if (type.compare(QLatin1String("table"), Qt::CaseInsensitive) != 0)
                continue;
            if (names.count(MatchKey(name)) != 0)
                dropList << name;
        }
    }

    // The name goes between the dialect's quotes with its quote characters
    // doubled, so no table name can end the statement early.
    for (const QString& name : dropList)
        connection->Execute(QStringLiteral("DROP TABLE %1;").arg(connection->dialect().quoteIdentifier(name)));

    feedback.ShowMessage(Format(LoadText(IDS_WEB_TABLES_DELETED), {static_cast<int>(dropList.size())}),
                         MessageKind::Information);
}
