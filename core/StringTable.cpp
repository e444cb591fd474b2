#include "core/StringTable.h"

namespace qel {

QString LoadText(StringId id)
{
    switch (id) {
    case StringId::AboutBox: return QStringLiteral("&About QelBackup...");
    case StringId::DatabaseError: return QStringLiteral("ADO error in %s ('%s' : '%s')");
    case StringId::Stage: return QStringLiteral("Stage %d/%d: %s");
    case StringId::CreatingFields: return QStringLiteral("Creating fields in target");
    case StringId::RecordsCopied: return QStringLiteral("%d/%d records copied");
    case StringId::DeletingRecords: return QStringLiteral("Deleting records");
    case StringId::OpeningDatabases: return QStringLiteral("Opening databases");
    case StringId::CleanupSuccessful: return QStringLiteral("Clean up successful : %d records deleted!");
    case StringId::Yes: return QStringLiteral("Yes");
    case StringId::No: return QStringLiteral("No");
    case StringId::ListTablesDeleted: return QStringLiteral("%d old list tables have been deleted!");
    case StringId::SurveyTablesDeleted: return QStringLiteral("%d old survey tables have been deleted!");
    case StringId::WebTablesDeleted: return QStringLiteral("%d old web survey tables have been deleted!");
    case StringId::Stopped: return QStringLiteral("Stopped: %d records deleted");
    }
    return {};
}

} // namespace qel
