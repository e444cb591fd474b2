#include "db/LockWait.h"

#include "db/WaitHook.h"

#include <QDeadlineTimer>
#include <QThread>

namespace qel {

namespace {
constexpr int kSqliteBusy = 5;          // SQLite's result code for a database locked by another connection
constexpr unsigned long kPauseMs = 20; // between two tries, should a try fail at once
} // namespace

bool AnswersDatabaseLocked(SQLSMALLINT handleType, SQLHANDLE handle)
{
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLWCHAR text[8];
    SQLSMALLINT length = 0;
    const SQLRETURN rc = SQLGetDiagRecW(handleType, handle, 1, state, &native, text, 8, &length);
    return SQL_SUCCEEDED(rc) && native == kSqliteBusy;
}

SQLRETURN RunWaitingForLock(const std::function<SQLRETURN()>& call, SQLSMALLINT handleType, SQLHANDLE handle,
                            int seconds)
{
    const QDeadlineTimer deadline = seconds > 0 ? QDeadlineTimer(static_cast<qint64>(seconds) * 1000)
                                                : QDeadlineTimer(QDeadlineTimer::Forever);
    for (;;) {
        const SQLRETURN rc = call();
        if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA || deadline.hasExpired() || !AnswersDatabaseLocked(handleType, handle))
            return rc;
        // A stop is answered within the wait, not after the time-out.
        if (WaitAbandoned())
            throw Interrupted();
        QThread::msleep(kPauseMs);
    }
}

} // namespace qel
