#pragma once

#include "db/OdbcApi.h"

#include <functional>

namespace qel {

// Waiting for another connection's lock on a SQLite database.
//
// The SQLite ODBC driver waits for its busy time-out (the connection key
// Timeout) once when it opens a database, for a setting it makes there, and
// then for each try of a statement, of which it makes two. A lock held by
// another program cost three command time-outs that way. So the driver is
// given the short busy time-out below, and the program waits itself, once,
// for the command time-out: it runs the statement again for as long as the
// answer is "database is locked".
inline constexpr int kDriverBusyMilliseconds = 100;

// Whether the last call on the handle failed because another connection
// holds the database locked (SQLite's SQLITE_BUSY).
bool AnswersDatabaseLocked(SQLSMALLINT handleType, SQLHANDLE handle);

// Runs the call; while it fails with "database is locked", runs it again,
// until the given number of seconds has passed since the first try (0: no
// limit), or until the thread's wait hook (WaitHook.h) asks to stop, which
// throws Interrupted. Returns the last try's return code; its diagnostics
// stay on the handle.
SQLRETURN RunWaitingForLock(const std::function<SQLRETURN()>& call, SQLSMALLINT handleType, SQLHANDLE handle,
                            int seconds);

} // namespace qel
