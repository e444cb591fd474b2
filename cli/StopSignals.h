#pragma once

#include "core/StopFlag.h"

namespace qel {

// The one place that asks the platform for the stop signals: Ctrl-C and
// SIGTERM on POSIX systems, the console's Ctrl-C, Ctrl-Break and close
// events on Windows. Each sets the flag, which the running clean-up reads
// between batches; none ends the process, so a second Ctrl-C does not cut
// a batch short either. The first one says on standard error that the run
// is stopping.
void InstallStopSignals(StopFlag& flag);

} // namespace qel
