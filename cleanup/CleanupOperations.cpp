#include "cleanup/CleanupOperations.h"

#include "core/Format.h"
#include "core/StringTable.h"

namespace qel {

bool CleanupOperations::ReportStopped(long long deletedRecords)
{
    // Every batch before the stop is whole: deleted (and backed up), and
    // counted here; a rerun goes on from where this one stopped.
    feedback_.ShowMessage(Format(LoadText(StringId::Stopped), {deletedRecords}), MessageKind::Stopped);
    return false;
}

void CleanupOperations::setRunRecord(RunRecord* record)
{
    record_ = record;
    if (!previewing_)
        droppedNames_ = record ? &record->droppedTables : nullptr;
}

void CleanupOperations::PrepareDrops(Catalog& catalog)
{
    catalog.setDropsListOnly(previewing_);
    if (droppedNames_)
        catalog.setOnDropped([names = droppedNames_](const QString& name) { names->append(name); });
}

} // namespace qel
