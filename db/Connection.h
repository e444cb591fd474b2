#pragma once

#include "db/Dialect.h"
#include "db/OdbcApi.h"

#include <QString>

#include <memory>
#include <optional>

namespace qel {

// An open ODBC connection. Closed and freed with the object, on every way
// out of the operation that opened it.
class Connection {
public:
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the connection string as given, except that OLE DB provider
    // strings are translated for ODBC. With a command time-out, statements
    // of this connection wait that many seconds (0 lets them wait forever);
    // a negative one is refused. Throws DatabaseError on any failure.
    static std::unique_ptr<Connection> Open(const QString& connectionString,
                                            std::optional<int> commandTimeout = std::nullopt);

    const Dialect& dialect() const { return dialect_; }
    const QString& dbmsName() const { return dbmsName_; }
    std::optional<int> commandTimeout() const { return commandTimeout_; }
    SQLHDBC handle() const { return dbc_; }

    // Runs one SQL text; returns the number of rows it affected (0 when the
    // driver cannot tell).
    long long Execute(const QString& sql);

    // Transactions: see Transaction, which uses these.
    void SetAutoCommit(bool on);
    void Commit();
    void Rollback();

    // Throws the connection's diagnostics unless rc is a success.
    void Check(SQLRETURN rc, const char* call) const;

private:
    Connection() = default;
    void Connect(const QString& connectionString);
    void Disconnect();

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
    QString dbmsName_;
    Dialect dialect_;
    std::optional<int> commandTimeout_;
};

// The command time-out of a Timeout text: its leading integer read as the C
// library reads one (blanks and a sign allowed, no digits give 0); 0 becomes
// 300, any other value, negative ones too, is kept.
int CommandTimeout(const QString& timeoutText);

} // namespace qel
