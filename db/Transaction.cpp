#include "db/Transaction.h"

#include "db/Connection.h"
#include "db/DatabaseError.h"

namespace qel {

Transaction::Transaction(Connection& connection) : connection_(connection)
{
    connection_.SetAutoCommit(false);
}

Transaction::~Transaction()
{
    if (!open_)
        return;
    try {
        connection_.Rollback();
        connection_.SetAutoCommit(true);
    } catch (const DatabaseError&) {
        // The connection is gone or broken; the database rolls back what it
        // holds of this transaction when the connection closes.
    }
}

void Transaction::Commit()
{
    connection_.Commit();
    open_ = false;
    connection_.SetAutoCommit(true);
}

} // namespace qel
