#include "db/Connection.h"

#include "db/DataSources.h"
#include "db/DatabaseError.h"
#include "db/DriverConnect.h"
#include "db/DriverEncryption.h"
#include "db/DriverRegistry.h"
#include "db/LockWait.h"
#include "db/Result.h"
#include "db/Statement.h"

#include <QDir>
#include <QFileInfo>

#include <climits>
#include <cstdlib>

namespace qel {

Connection::~Connection()
{
    Disconnect();
    if (dbc_ != SQL_NULL_HDBC)
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    if (env_ != SQL_NULL_HENV)
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

void Connection::Check(SQLRETURN rc, const char* call) const
{
    try {
        CheckOdbc(rc, SQL_HANDLE_DBC, dbc_, call);
    } catch (DatabaseError& e) {
        e.setOrigin(origin_);
        throw;
    }
}

void Connection::CheckStatement(SQLRETURN rc, SQLHSTMT statement, const char* call) const
{
    try {
        CheckOdbc(rc, SQL_HANDLE_STMT, statement, call);
    } catch (DatabaseError& e) {
        e.setOrigin(origin_);
        throw;
    }
}

SQLRETURN Connection::RunWaitingForLock(SQLSMALLINT handleType, SQLHANDLE handle, const std::function<SQLRETURN()>& call) const
{
    if (!lockWaitSeconds_)
        return call();
    return qel::RunWaitingForLock(call, handleType, handle, *lockWaitSeconds_);
}

TextEncoding Connection::textEncoding()
{
    if (!textEncoding_)
        textEncoding_ = ProbeTextEncoding(*this);
    return *textEncoding_;
}

void Connection::Disconnect()
{
    if (connected_) {
        SQLDisconnect(dbc_);
        connected_ = false;
    }
}

void Connection::Connect(const ParsedConnection& connection)
{
    Check(DriverConnect(dbc_, connection), "SQLDriverConnect");
    connected_ = true;
    SQLWCHAR name[256] = {};
    SQLSMALLINT bytes = 0;
    Check(SQLGetInfoW(dbc_, SQL_DBMS_NAME, name, sizeof name, &bytes), "SQLGetInfo");
    dbmsName_ = FromSqlWChar(name, std::min<qsizetype>(bytes / static_cast<SQLSMALLINT>(sizeof(SQLWCHAR)), 255));
    dialect_ = Dialect::ForDbmsName(dbmsName_);
}

namespace {

// The keys this program adds to a SQLite connection string, each unless the
// string sets it itself: a short busy time-out when this program waits for
// locks (LockWait.h), and NoCreat when a missing file must not be created.
struct SQLiteKeys {
    ParsedConnection connection;
    bool programWaitsForLocks = false;
};

SQLiteKeys WithSQLiteKeys(const ParsedConnection& connection, std::optional<int> commandTimeout, MissingDatabase missing)
{
    SQLiteKeys keys{connection};
    if (commandTimeout && !connection.has(QStringLiteral("Timeout"))) {
        keys.connection = keys.connection.WithKey(QStringLiteral("Timeout"), QString::number(kDriverBusyMilliseconds));
        keys.programWaitsForLocks = true;
    }
    if (missing == MissingDatabase::Refuse && !connection.has(QStringLiteral("NoCreat")))
        keys.connection = keys.connection.WithKey(QStringLiteral("NoCreat"), QStringLiteral("1"));
    return keys;
}

// SQLite says no more than "connect failed" when it cannot open its file;
// a missing file or folder is the usual reason, and worth saying.
DatabaseError ExplainSQLiteConnectFailure(const DatabaseError& error, const std::optional<QString>& path)
{
    constexpr int kSqliteCantOpen = 14;
    if (error.nativeError() != kSqliteCantOpen || !path || path->isEmpty())
        return error;
    const QFileInfo file(*path);
    QString reason;
    if (!file.absoluteDir().exists())
        reason = QStringLiteral("the folder %1 does not exist").arg(QDir::toNativeSeparators(file.absolutePath()));
    else if (!file.exists())
        reason = QStringLiteral("the file %1 does not exist").arg(QDir::toNativeSeparators(file.absoluteFilePath()));
    else if (file.isDir())
        reason = QStringLiteral("%1 is a folder, not a database file").arg(QDir::toNativeSeparators(file.absoluteFilePath()));
    else
        return error;
    return DatabaseError(error.source(), error.description() + QStringLiteral(": ") + reason, error.sqlState(),
                         error.nativeError());
}

} // namespace

std::unique_ptr<Connection> Connection::Open(const QString& connectionString, std::optional<int> commandTimeout,
                                             MissingDatabase missing)
{
    return Open(ParsedConnection(connectionString), commandTimeout, missing);
}

std::unique_ptr<Connection> Connection::Open(const ParsedConnection& connection, std::optional<int> commandTimeout,
                                             MissingDatabase missing)
{
    if (commandTimeout && *commandTimeout < 0)
        throw DatabaseError::Setting(
            QStringLiteral("The command time-out of %1 seconds is out of range: it must be 0 or more.").arg(*commandTimeout));

    std::unique_ptr<Connection> c(new Connection);
    c->commandTimeout_ = commandTimeout;
    CheckOdbc(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &c->env_), SQL_HANDLE_ENV, SQL_NULL_HANDLE, "SQLAllocHandle");
    CheckOdbc(SQLSetEnvAttr(c->env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
              SQL_HANDLE_ENV, c->env_, "SQLSetEnvAttr");
    CheckOdbc(SQLAllocHandle(SQL_HANDLE_DBC, c->env_, &c->dbc_), SQL_HANDLE_ENV, c->env_, "SQLAllocHandle");

    ParsedConnection odbc = connection.isProviderString() ? connection.ForOdbc(InstalledOdbcDrivers()) : connection;
    odbc = WithDriverEncryption(odbc);
    // A SQLite file named through a data source gets the same keys as one
    // named by its driver: the driver manager says which driver a DSN names.
    const ReachedDatabase reached = DatabaseReachedBy(odbc);
    const bool namesSQLite = reached.isSQLite();
    if (namesSQLite) {
        const SQLiteKeys keys = WithSQLiteKeys(odbc, commandTimeout, missing);
        odbc = keys.connection;
        if (keys.programWaitsForLocks)
            c->lockWaitSeconds_ = commandTimeout;
    }

    try {
        c->Connect(odbc);
    } catch (const DatabaseError& e) {
        if (namesSQLite)
            throw ExplainSQLiteConnectFailure(e, reached.database);
        throw;
    }
    if (c->dialect_.isSQLite() && !namesSQLite) {
        // Reached through a data source the driver manager could not tell
        // about beforehand: reconnect with the keys. The file is there by
        // now, so whether it may be created is moot.
        const SQLiteKeys keys = WithSQLiteKeys(odbc, commandTimeout, MissingDatabase::Create);
        if (keys.connection.text() != odbc.text()) {
            c->Disconnect();
            c->Connect(keys.connection);
            if (keys.programWaitsForLocks)
                c->lockWaitSeconds_ = commandTimeout;
        }
    }
    return c;
}

long long Connection::Execute(const QString& sql, Duration duration)
{
    Statement statement(*this);
    if (!statement.ExecDirect(sql, duration))
        return 0;
    const long long rows = statement.RowCount();
    statement.DrainResults();
    return rows;
}

void Connection::SetAutoCommit(bool on)
{
    Check(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                            reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)), 0),
          "SQLSetConnectAttr");
}

void Connection::Commit()
{
    // A commit that meets a reader's lock may be tried again; the
    // transaction stays open until it succeeds.
    Check(RunWaitingForLock(SQL_HANDLE_DBC, dbc_, [this] { return SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT); }),
          "SQLEndTran");
}

void Connection::Rollback()
{
    Check(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK), "SQLEndTran");
}

int CommandTimeout(const QString& timeoutText)
{
    const QByteArray text = timeoutText.toLatin1();
    const long value = std::strtol(text.constData(), nullptr, 10);
    const int seconds = value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
    return seconds == 0 ? 300 : seconds;
}

} // namespace qel
