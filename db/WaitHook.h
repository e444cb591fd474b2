#pragma once

#include "db/OdbcApi.h"

#include <exception>
#include <functional>

namespace qel {

// What a wait for the database asks every few tens of milliseconds while it
// waits: the front end keeps its window answering, and says whether the user
// asked to stop. An answer of true ends the wait: a statement that runs is
// cancelled, a wait for another program's lock is given up, and Interrupted
// is thrown. Whatever the statement had done stays undone (its transaction
// or the statement itself is rolled back by the database).
using WaitHook = std::function<bool()>;

// The user asked to stop while the database was being waited for.
struct Interrupted : std::exception {
    const char* what() const noexcept override { return "stopped while waiting for the database"; }
};

// While one of these lives on a thread, the waits of that thread ask its
// hook (the innermost one's, when they nest).
class WaitHookScope {
public:
    explicit WaitHookScope(WaitHook hook);
    ~WaitHookScope();
    WaitHookScope(const WaitHookScope&) = delete;
    WaitHookScope& operator=(const WaitHookScope&) = delete;

private:
    WaitHook hook_;
    const WaitHook* outer_;
};

// Asks the thread's hook, if it has one; true when the wait is to end.
bool WaitAbandoned();

// Runs a call that executes a statement which may take long (a count over a
// whole table, a table's one delete). Without a hook on the thread it runs
// here. With one, it runs on a thread of its own while this one asks the
// hook; when the hook answers true, the statement is cancelled (SQLCancel)
// and, unless it had finished all the same, Interrupted is thrown.
SQLRETURN RunCancellable(SQLHSTMT statement, const std::function<SQLRETURN()>& call);

} // namespace qel
