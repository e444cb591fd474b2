#include "db/WaitHook.h"

#include <future>

namespace qel {

namespace {

thread_local const WaitHook* currentHook = nullptr;

// How often a wait asks its hook: well within the second in which a stop
// is to be answered, seldom enough to cost nothing.
constexpr std::chrono::milliseconds kAskEvery(50);

} // namespace

WaitHookScope::WaitHookScope(WaitHook hook) : hook_(std::move(hook)), outer_(currentHook)
{
    currentHook = &hook_;
}

WaitHookScope::~WaitHookScope()
{
    currentHook = outer_;
}

bool WaitAbandoned()
{
    return currentHook && (*currentHook)();
}

SQLRETURN RunCancellable(SQLHSTMT statement, const std::function<SQLRETURN()>& call)
{
    if (!currentHook)
        return call();
    // The call runs elsewhere; the hook is asked here, on the thread whose
    // window it keeps answering.
    std::future<SQLRETURN> running = std::async(std::launch::async, call);
    bool cancelled = false;
    while (running.wait_for(kAskEvery) != std::future_status::ready) {
        if (!cancelled && (*currentHook)()) {
            SQLCancel(statement);
            cancelled = true;
        }
    }
    const SQLRETURN rc = running.get();
    if (cancelled && !SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
        throw Interrupted();
    return rc;
}

} // namespace qel
