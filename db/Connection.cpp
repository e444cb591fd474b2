#include "db/Connection.h"

#include "db/ConnectionString.h"
#include "db/DatabaseError.h"
#include "db/Statement.h"

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
    CheckOdbc(rc, SQL_HANDLE_DBC, dbc_, call);
}

void Connection::Disconnect()
{
    if (connected_) {
        SQLDisconnect(dbc_);
        connected_ = false;
    }
}

void Connection::Connect(const QString& connectionString)
{
    const SQLRETURN rc = SQLDriverConnectW(dbc_, nullptr, ToSqlWChar(connectionString), SQL_NTS, nullptr, 0,
                                           nullptr, SQL_DRIVER_NOPROMPT);
    Check(rc, "SQLDriverConnect");
    connected_ = true;
    SQLWCHAR name[256] = {};
    SQLSMALLINT bytes = 0;
    Check(SQLGetInfoW(dbc_, SQL_DBMS_NAME, name, sizeof name, &bytes), "SQLGetInfo");
    dbmsName_ = FromSqlWChar(name, std::min<qsizetype>(bytes / static_cast<SQLSMALLINT>(sizeof(SQLWCHAR)), 255));
    dialect_ = Dialect::ForDbmsName(dbmsName_);
}

namespace {

// SQLite ignores the statement time-out while it waits for another
// connection's lock; its own busy time-out, a connection key in
// milliseconds, has to carry the command time-out instead.
QString WithSQLiteKeys(const QString& connection, std::optional<int> commandTimeout)
{
    const ConnectionString parsed = ConnectionString::Parse(connection);
    QString result = connection;
    if (commandTimeout && !parsed.has(QStringLiteral("Timeout"))) {
        const long long ms = *commandTimeout == 0 ? INT_MAX : static_cast<long long>(*commandTimeout) * 1000;
        result = AppendConnectionKey(result, QStringLiteral("Timeout"), QString::number(std::min<long long>(ms, INT_MAX)));
    }
    return result;
}

bool NamesSQLiteDriver(const QString& connection)
{
    const auto driver = ConnectionString::Parse(connection).value(QStringLiteral("Driver"));
    return driver && driver->contains(QLatin1String("sqlite"), Qt::CaseInsensitive);
}

} // namespace

std::unique_ptr<Connection> Connection::Open(const QString& connectionString, std::optional<int> commandTimeout)
{
    if (commandTimeout && *commandTimeout < 0)
        throw DatabaseError::Internal(
            QStringLiteral("The command time-out of %1 seconds is out of range: it must be 0 or more.").arg(*commandTimeout));

    std::unique_ptr<Connection> c(new Connection);
    c->commandTimeout_ = commandTimeout;
    CheckOdbc(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &c->env_), SQL_HANDLE_ENV, SQL_NULL_HANDLE, "SQLAllocHandle");
    CheckOdbc(SQLSetEnvAttr(c->env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
              SQL_HANDLE_ENV, c->env_, "SQLSetEnvAttr");
    CheckOdbc(SQLAllocHandle(SQL_HANDLE_DBC, c->env_, &c->dbc_), SQL_HANDLE_ENV, c->env_, "SQLAllocHandle");

    QString odbcString = connectionString;
    if (odbcString.trimmed().startsWith(QLatin1String("Provider="), Qt::CaseInsensitive))
        odbcString = TranslateConnectionString(odbcString, InstalledOdbcDrivers());
    if (NamesSQLiteDriver(odbcString))
        odbcString = WithSQLiteKeys(odbcString, commandTimeout);

    c->Connect(odbcString);
    if (c->dialect_.isSQLite()) {
        // Reached through a data source name: reconnect with the keys.
        const QString withKeys = WithSQLiteKeys(odbcString, commandTimeout);
        if (withKeys != odbcString) {
            c->Disconnect();
            c->Connect(withKeys);
        }
    }
    return c;
}

long long Connection::Execute(const QString& sql)
{
    Statement statement(*this);
    if (!statement.ExecDirect(sql))
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
    Check(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT), "SQLEndTran");
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
