#include "cleanup/transfer/BatchRetry.h"

namespace qel {

bool IsTransientBatchFailure(const Connection& connection, const DatabaseError& error)
{
    if (!connection.dialect().isSqlServer())
        return false;
    constexpr int kDeadlockVictim = 1205;
    constexpr int kLockTimeout = 1222;
    return error.sqlState() == QLatin1String("40001") || error.nativeError() == kDeadlockVictim
        || error.nativeError() == kLockTimeout;
}

DatabaseError BatchGivenUp(const DatabaseError& last, const QString& table)
{
    DatabaseError failed(last.source(),
                         QStringLiteral("%1 (a batch of %2 failed so %3 times; nothing of it was lost)")
                             .arg(last.description(), table)
                             .arg(kBatchAttempts),
                         last.sqlState(), last.nativeError());
    failed.setOrigin(last.origin());
    return failed;
}

} // namespace qel
