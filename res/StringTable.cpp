#include "StringTable.h"

#include <QHash>

QString LoadText(int id)
{
    static const QHash<int, QString> table = {
        {IDS_ABOUTBOX, QStringLiteral("&About QelBackup...")},
        {IDS_ADO_ERROR, QStringLiteral("ADO error in %s ('%s' : '%s')")},
        {IDS_STAGE, QStringLiteral("Stage %d/%d: %s")},
        {IDS_CREATING_FIELDS, QStringLiteral("Creating fields in target")},
        {IDS_RECORDS_COPIED, QStringLiteral("%d/%d records copied")},
        {IDS_DELETING_RECORDS, QStringLiteral("Deleting records")},
        {IDS_OPENING_DATABASES, QStringLiteral("Opening databases")},
        {IDS_CLEANUP_SUCCESSFUL, QStringLiteral("Clean up successful : %d records deleted!")},
        {IDS_YES, QStringLiteral("Yes")},
        {IDS_NO, QStringLiteral("No")},
        {IDS_LIST_TABLES_DELETED, QStringLiteral("%d old list tables have been deleted!")},
        {IDS_SURVEY_TABLES_DELETED, QStringLiteral("%d old survey tables have been deleted!")},
        {IDS_WEB_TABLES_DELETED, QStringLiteral("%d old web survey tables have been deleted!")},
    };
    return table.value(id);
}
