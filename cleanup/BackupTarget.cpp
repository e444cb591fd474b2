#include "cleanup/BackupTarget.h"

#include "core/Format.h"
#include "core/StringTable.h"

namespace qel {

QString TargetConnection(const CleanupSettings& settings, RunState& state)
{
    state.accessTarget = settings.backupType == 2;
    if (state.accessTarget)
        return Format(QString::fromLatin1(DialogText::JetConnectionFormat), {settings.accessTgt});
    return settings.statTgt;
}

} // namespace qel
