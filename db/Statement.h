#pragma once

#include "db/OdbcApi.h"

#include <QString>

namespace qel {

class Connection;

// How long a statement may take: a batch of a clean-up is short by design;
// a count over a whole table, or a table's one delete, may take long, and
// runs so that a stop is answered while it does (see WaitHook.h).
enum class Duration { Short, Long };

// One ODBC statement handle of a connection, freed with the object. The
// connection's command time-out is applied to it.
class Statement {
public:
    explicit Statement(Connection& connection);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    SQLHSTMT handle() const { return handle_; }
    Connection& connection() const { return connection_; }

    // Runs a text; returns false when the driver says there is no data
    // (an UPDATE or DELETE that touched no row), true otherwise.
    bool ExecDirect(const QString& sql, Duration duration = Duration::Short);

    // Prepares a text to be run with Execute, with parameters bound first.
    void Prepare(const QString& sql);
    bool Execute();

    // The rows the last statement affected; 0 when the driver cannot tell.
    long long RowCount() const;

    // Moves to the next result of a batch of statements; false when there
    // is none.
    bool NextResult();

    // Reads the remaining results of a batch, so that their errors surface.
    void DrainResults();

    // Throws the statement's diagnostics unless rc is a success.
    void Check(SQLRETURN rc, const char* call) const;

private:
    Connection& connection_;
    SQLHSTMT handle_ = SQL_NULL_HSTMT;
};

} // namespace qel
