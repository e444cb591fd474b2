#pragma once

#include "db/ParsedConnection.h"
#include "db/Dialect.h"
#include "db/OdbcApi.h"
#include "db/Statement.h"
#include "db/TextEncoding.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace qel {

// What opening a database whose file is missing does: create it, or
// refuse (SQLite; other databases are never created by a connection).
enum class MissingDatabase { Create, Refuse };

// An open ODBC connection. Closed and freed with the object, on every way
// out of the operation that opened it.
class Connection {
public:
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the connection string as given, except that OLE DB provider
    // strings are translated for ODBC and asked-for encryption is said in
    // the driver's own words, or refused (DriverEncryption.h). The string
    // reaches the driver intact whatever letters it holds
    // (DriverConnect.h). With a command time-out, statements of this
    // connection wait that many seconds (0 lets them wait forever), also
    // for another connection's lock on a SQLite database, which they wait
    // for once; a negative one is refused. Throws DatabaseError on any
    // failure. A string given as text is read once, and every step of the
    // open works on what was read.
    static std::unique_ptr<Connection> Open(const ParsedConnection& connection,
                                            std::optional<int> commandTimeout = std::nullopt,
                                            MissingDatabase missing = MissingDatabase::Create);
    static std::unique_ptr<Connection> Open(const QString& connectionString,
                                            std::optional<int> commandTimeout = std::nullopt,
                                            MissingDatabase missing = MissingDatabase::Create);

    const Dialect& dialect() const { return dialect_; }
    const QString& dbmsName() const { return dbmsName_; }
    std::optional<int> commandTimeout() const { return commandTimeout_; }
    SQLHDBC handle() const { return dbc_; }

    // Runs one SQL text; returns the number of rows it affected (0 when the
    // driver cannot tell).
    long long Execute(const QString& sql, Duration duration = Duration::Short);

    // Transactions: see Transaction, which uses these.
    void SetAutoCommit(bool on);
    void Commit();
    void Rollback();

    // Throws the connection's diagnostics unless rc is a success.
    void Check(SQLRETURN rc, const char* call) const;

    // Throws the diagnostics of one of this connection's statements unless
    // rc is a success.
    void CheckStatement(SQLRETURN rc, SQLHSTMT statement, const char* call) const;

    // Runs a call that executes a statement of this connection. On SQLite,
    // while another connection holds the database locked, the call is run
    // again until the command time-out has passed (see LockWait.h).
    SQLRETURN RunWaitingForLock(SQLSMALLINT handleType, SQLHANDLE handle, const std::function<SQLRETURN()>& call) const;

    // How texts travel through this connection's driver (asked once).
    TextEncoding textEncoding();

    // Which database this is, in words a report can show; every error this
    // connection raises carries it.
    const QString& origin() const { return origin_; }
    void setOrigin(const QString& origin) { origin_ = origin; }

private:
    Connection() = default;
    void Connect(const ParsedConnection& connection);
    void Disconnect();

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
    QString dbmsName_;
    Dialect dialect_;
    std::optional<int> commandTimeout_;
    std::optional<int> lockWaitSeconds_; // set when this program, not the driver, waits for SQLite's locks
    QString origin_;
    std::optional<TextEncoding> textEncoding_;
};

// The command time-out of a Timeout text: its leading integer read as the C
// library reads one (blanks and a sign allowed, no digits give 0); 0 becomes
// 300, any other value, negative ones too, is kept.
int CommandTimeout(const QString& timeoutText);

} // namespace qel
