#include "db/Transaction.h"

#include "db/Connection.h"
#include "db/DatabaseError.h"

namespace qel {

Transaction::Transaction(Connection& connection) : connection_(connection)
{
    statements_ = connection_.dialect().isSQLite();
    if (statements_)
        connection_.Execute(QStringLiteral("BEGIN IMMEDIATE"));
    else
        connection_.SetAutoCommit(false);
}

Transaction::~Transaction()
{
    if (!open_)
        return;
    try {
        if (statements_) {
            connection_.Execute(QStringLiteral("ROLLBACK"));
        } else {
            connection_.Rollback();
            connection_.SetAutoCommit(true);
        }
    } catch (const DatabaseError&) {
        // The connection is gone or broken; the database rolls back what it
        // holds of this transaction when the connection closes.
    }
}

void Transaction::Commit()
{
    if (statements_) {
        connection_.Execute(QStringLiteral("COMMIT"));
        open_ = false;
        return;
    }
    connection_.Commit();
    open_ = false;
    connection_.SetAutoCommit(true);
}

} // namespace qel
