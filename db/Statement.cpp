#include "db/Statement.h"

#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/WaitHook.h"

namespace qel {

Statement::Statement(Connection& connection) : connection_(connection)
{
    connection_.Check(SQLAllocHandle(SQL_HANDLE_STMT, connection_.handle(), &handle_), "SQLAllocHandle");
    if (const auto timeout = connection_.commandTimeout()) {
        // A driver that cannot time statements out says so with a warning
        // or SQLSTATE HYC00; the statement then runs without a limit.
        SQLSetStmtAttr(handle_, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(*timeout)), 0);
    }
}

Statement::~Statement()
{
    if (handle_ != SQL_NULL_HSTMT)
        SQLFreeHandle(SQL_HANDLE_STMT, handle_);
}

void Statement::Check(SQLRETURN rc, const char* call) const
{
    connection_.CheckStatement(rc, handle_, call);
}

bool Statement::ExecDirect(const QString& sql, Duration duration)
{
    const auto execute = [&] { return SQLExecDirectW(handle_, ToSqlWChar(sql), SQL_NTS); };
    const SQLRETURN rc = connection_.RunWaitingForLock(SQL_HANDLE_STMT, handle_, [&] {
        return duration == Duration::Long ? RunCancellable(handle_, execute) : execute();
    });
    Check(rc, "SQLExecDirect");
    return rc != SQL_NO_DATA;
}

void Statement::Prepare(const QString& sql)
{
    Check(connection_.RunWaitingForLock(SQL_HANDLE_STMT, handle_,
                                        [&] { return SQLPrepareW(handle_, ToSqlWChar(sql), SQL_NTS); }),
          "SQLPrepare");
}

bool Statement::Execute()
{
    const SQLRETURN rc = connection_.RunWaitingForLock(SQL_HANDLE_STMT, handle_, [this] { return SQLExecute(handle_); });
    Check(rc, "SQLExecute");
    return rc != SQL_NO_DATA;
}

long long Statement::RowCount() const
{
    SQLLEN rows = 0;
    Check(SQLRowCount(handle_, &rows), "SQLRowCount");
    return rows < 0 ? 0 : static_cast<long long>(rows);
}

bool Statement::NextResult()
{
    const SQLRETURN rc = SQLMoreResults(handle_);
    if (rc == SQL_NO_DATA)
        return false;
    Check(rc, "SQLMoreResults");
    return true;
}

void Statement::DrainResults()
{
    for (;;) {
        const SQLRETURN rc = SQLMoreResults(handle_);
        if (rc == SQL_NO_DATA)
            break;
        Check(rc, "SQLMoreResults");
    }
}

} // namespace qel
