#include "cleanup/CleanupOperations.h"

#include "cleanup/ErrorReport.h"
#include "core/Format.h"
#include "core/StringTable.h"

namespace qel {

CleanupOperations::CleanupOperations(const CleanupSettings& settings, RunState& state, Feedback& feedback)
    : settings_(settings), state_(state), feedback_(feedback), drops_(TableDrops::Dropping(outcome_.droppedTables))
{
}

CleanupOperations::CleanupOperations(const CleanupSettings& settings, RunState& state, Feedback& feedback,
                                     QStringList& dropped)
    : settings_(settings), state_(state), feedback_(feedback), drops_(TableDrops::ListingOnly(dropped))
{
}

CleanupOperations::~CleanupOperations() = default;

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

} // namespace qel
