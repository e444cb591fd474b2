#include "cleanup/BatchRetry.h"

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

} // namespace qel
