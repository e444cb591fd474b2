#include "cleanup/CleanupOperations.h"

#include "cleanup/ErrorReport.h"
#include "core/Format.h"
#include "core/StringTable.h"

namespace qel {

void CleanupOperations::Begin()
{
    outcome_ = RunOutcome();
}

RunOutcome CleanupOperations::Stopped(long long deletedRecords)
{
    // Every batch before the stop is whole: deleted (and backed up), and
    // counted here; a rerun goes on from where this one stopped.
    outcome_.Stop();
    feedback_.ShowMessage(Format(LoadText(StringId::Stopped), {deletedRecords}), MessageKind::Stopped);
    return outcome_;
}

void CleanupOperations::Failed(const char* context, const DatabaseError& error)
{
    ReportFailure(feedback_, outcome_, QLatin1String(context), error);
}

void CleanupOperations::PrepareDrops(Catalog& catalog)
{
    catalog.setDropsListOnly(previewing_);
    if (droppedNames_)
        catalog.setOnDropped([names = droppedNames_](const QString& name) { names->append(name); });
}

} // namespace qel
