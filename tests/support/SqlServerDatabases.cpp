#include "tests/support/SqlServerDatabases.h"

#include "db/Connection.h"
#include "db/ConnectionString.h"
#include "db/DatabaseError.h"
#include "db/Result.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <optional>

namespace qel::test {

namespace {

// CREATE DATABASE copies the model database, which a busy server may take
// a while over.
constexpr int kAdminTimeoutSeconds = 120;

bool IsKey(const QString& key, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The string rebuilt from its pairs, the driver's name in braces as the
// driver managers document it.
QString Rebuilt(const std::vector<std::pair<QString, QString>>& pairs)
{
    QStringList parts;
    for (const auto& [key, value] : pairs) {
        if (IsKey(key, {"Driver"})) {
            QString escaped = value;
            escaped.replace(QLatin1Char('}'), QLatin1String("}}"));
            parts << key + QStringLiteral("={") + escaped + QLatin1Char('}');
        } else {
            parts << OdbcPair(key, value);
        }
    }
    return parts.join(QLatin1Char(';'));
}

QString Quoted(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char(']'), QLatin1String("]]"));
    return QLatin1Char('[') + quoted + QLatin1Char(']');
}

} // namespace

QString WithDatabase(const QString& connection, const QString& database)
{
    const ConnectionString parsed = ConnectionString::Parse(connection);
    std::vector<std::pair<QString, QString>> pairs;
    for (const auto& pair : parsed.pairs())
        if (!IsKey(pair.first, {"Database", "Initial Catalog"}))
            pairs.push_back(pair);
    pairs.emplace_back(QStringLiteral("Database"), database);
    return Rebuilt(pairs);
}

QString WithoutPassword(const QString& connection)
{
    auto pairs = ConnectionString::Parse(connection).pairs();
    for (auto& [key, value] : pairs)
        if (IsKey(key, {"PWD", "Password", "Jet OLEDB:Database Password"}))
            value = QStringLiteral("***");
    return Rebuilt(pairs);
}

QString WithLogin(const QString& connection, const QString& login, const QString& password)
{
    const ConnectionString parsed = ConnectionString::Parse(connection);
    std::vector<std::pair<QString, QString>> pairs;
    for (const auto& pair : parsed.pairs())
        if (!IsKey(pair.first, {"UID", "User ID", "PWD", "Password", "Trusted_Connection", "Integrated Security",
                                "Authentication"}))
            pairs.push_back(pair);
    pairs.emplace_back(QStringLiteral("UID"), login);
    pairs.emplace_back(QStringLiteral("PWD"), password);
    return Rebuilt(pairs);
}

SqlServerDatabases::SqlServerDatabases(const QString& serverConnection)
{
    admin_ = Connection::Open(serverConnection, kAdminTimeoutSeconds);
    if (!admin_->dialect().isSqlServer())
        throw DatabaseError::Internal(
            QStringLiteral("The database reached is %1, not SQL Server.").arg(admin_->dbmsName()));
    static int counter = 0;
    prefix_ = QStringLiteral("qel_%1_%2_%3")
                  .arg(QCoreApplication::applicationPid())
                  .arg(++counter)
                  .arg(QRandomGenerator::system()->bounded(0x1000000), 6, 16, QLatin1Char('0'));
    const QString& prefix = prefix_;
    try {
        connections_.callCenter = Create(serverConnection, prefix + QStringLiteral("_callcenter"));
        connections_.statistics = Create(serverConnection, prefix + QStringLiteral("_stats"));
        connections_.surveys = Create(serverConnection, prefix + QStringLiteral("_surveys"));
        connections_.webInterviews = Create(serverConnection, prefix + QStringLiteral("_webint"));
        connections_.webProduction = Create(serverConnection, prefix + QStringLiteral("_webprod"));
        connections_.lists = Create(serverConnection, prefix + QStringLiteral("_lists"));
        connections_.backup = Create(serverConnection, prefix + QStringLiteral("_backup"));
    } catch (const DatabaseError&) {
        try {
            DropAll();
        } catch (const DatabaseError&) {
            // The creation's failure is the one to report.
        }
        throw;
    }
}

SqlServerDatabases::~SqlServerDatabases()
{
    try {
        DropAll();
    } catch (const DatabaseError&) {
        // Reported by an explicit DropAll where it matters; a destructor cannot.
    }
}

QString SqlServerDatabases::Create(const QString& serverConnection, const QString& name)
{
    admin_->Execute(QStringLiteral("CREATE DATABASE %1").arg(Quoted(name)));
    created_ << name;
    return WithDatabase(serverConnection, name);
}

void SqlServerDatabases::DropAll()
{
    std::optional<DatabaseError> first;
    while (!created_.isEmpty()) {
        const QString name = created_.takeLast();
        try {
            // A connection a test left open would make DROP DATABASE fail.
            admin_->Execute(QStringLiteral("ALTER DATABASE %1 SET SINGLE_USER WITH ROLLBACK IMMEDIATE").arg(Quoted(name)));
            admin_->Execute(QStringLiteral("DROP DATABASE %1").arg(Quoted(name)));
        } catch (const DatabaseError& e) {
            if (!first)
                first = DatabaseError(e.source(), QStringLiteral("%1 (database %2)").arg(e.description(), name),
                                      e.sqlState(), e.nativeError());
        }
    }
    while (!logins_.empty()) {
        const QString name = logins_.back().first;
        logins_.pop_back();
        try {
            admin_->Execute(QStringLiteral("DROP LOGIN %1").arg(Quoted(name)));
        } catch (const DatabaseError& e) {
            if (!first)
                first = DatabaseError(e.source(), QStringLiteral("%1 (login %2)").arg(e.description(), name),
                                      e.sqlState(), e.nativeError());
        }
    }
    if (first)
        throw *first;
}

QString SqlServerDatabases::LoginsUnavailable()
{
    Result answer(*admin_, QStringLiteral("SELECT CAST(SERVERPROPERTY('IsIntegratedSecurityOnly') AS int), "
                                          "HAS_PERMS_BY_NAME(NULL, NULL, 'ALTER ANY LOGIN')"));
    if (!answer.Next())
        return QStringLiteral("the server did not say whether it takes SQL Server logins");
    if (answer.Value(0).toInt64() == 1)
        return QStringLiteral("the server takes Windows logins only, and this case needs a SQL Server login of its own");
    if (answer.Value(1).toInt64() != 1)
        return QStringLiteral("the login of %1 may not create logins (ALTER ANY LOGIN), which this case needs")
            .arg(QLatin1String("QEL_TEST_SQLSERVER"));
    return {};
}

QString SqlServerDatabases::CreateLogin(const QString& tag)
{
    const QString name = prefix_ + QLatin1Char('_') + tag;
    // A password of every kind of character, so that a password policy
    // never refuses it; the policy is left out all the same.
    const QString password = QStringLiteral("Qel-%1-x9Z")
                                 .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
    admin_->Execute(QStringLiteral("CREATE LOGIN %1 WITH PASSWORD = N'%2', CHECK_POLICY = OFF, DEFAULT_DATABASE = "
                                   "[master]")
                        .arg(Quoted(name), password));
    logins_.emplace_back(name, password);
    return name;
}

QString SqlServerDatabases::AsLogin(const QString& databaseConnection, const QString& login) const
{
    for (const auto& [name, password] : logins_)
        if (name == login)
            return WithLogin(databaseConnection, name, password);
    return databaseConnection;
}

} // namespace qel::test
