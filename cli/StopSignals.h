#pragma once

#include "core/StopFlag.h"

#include <memory>

namespace qel {

// The one place that asks the platform for the stop signals: Ctrl-C and
// SIGTERM on POSIX systems, the console's Ctrl-C and Ctrl-Break on Windows.
// While an object lives, each sets the flag, which the running clean-up
// reads between batches; none ends the process, so a second Ctrl-C does not
// cut a batch short either. The first one says on standard error that the
// run is stopping. A closed pipe on the output is not a reason to end the
// run either. The object's end gives each signal back the action it had
// before, so that one ignored by whoever started the program (a closed
// pipe's under a shell that ignores it, Ctrl-C's in a background job) stays
// ignored for the rest of the run.
class StopSignals {
public:
    explicit StopSignals(StopFlag& flag);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    struct Previous; // the actions found, in the platform's terms
    std::unique_ptr<Previous> previous_;
};

} // namespace qel
