#include "cli/StopSignals.h"

#include "tests/support/OperatingSystem.h"

#include <gtest/gtest.h>

#include <ostream>

namespace qel::test {

void PrintTo(SignalAction action, std::ostream* os)
{
    const char* names[] = {"default", "ignored", "handled", "other"};
    *os << names[static_cast<int>(action)];
}

namespace {

// While a clean-up runs, Ctrl-C and SIGTERM ask it to stop and a closed pipe
// is ignored; afterwards each signal has what it had before, whether the
// default, ignored (a run under a shell that ignores it) or another handler.
TEST(StopSignals, GiveEachSignalBackTheActionItHadBefore)
{
    if (!CanSetSignalActions())
        GTEST_SKIP() << "no POSIX signals here";
    const StopSignalActions found = CurrentStopSignalActions();
    using A = SignalAction;
    for (const StopSignalActions& before : {StopSignalActions{A::Ignored, A::Handled, A::Ignored},
                                            StopSignalActions{A::Handled, A::Ignored, A::Default},
                                            StopSignalActions{A::Default, A::Default, A::Handled}}) {
        SetStopSignalActions(before);
        StopFlag flag;
        {
            StopSignals taken(flag);
            const StopSignalActions during = CurrentStopSignalActions();
            EXPECT_EQ(during.interrupt, A::Other);
            EXPECT_EQ(during.terminate, A::Other);
            EXPECT_EQ(during.pipe, A::Ignored);
        }
        const StopSignalActions after = CurrentStopSignalActions();
        EXPECT_EQ(after.interrupt, before.interrupt);
        EXPECT_EQ(after.terminate, before.terminate);
        EXPECT_EQ(after.pipe, before.pipe);
    }
    SetStopSignalActions(found);
}

} // namespace
} // namespace qel::test
