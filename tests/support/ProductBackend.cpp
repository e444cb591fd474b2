#include "tests/support/ProductBackend.h"

#include "db/DatabaseError.h"
#include "tests/support/SqlServerDatabases.h"

namespace qel::test {

namespace {

QString ServerConnection()
{
    return qEnvironmentVariable(kSqlServerVariable);
}

std::unique_ptr<SqlServerDatabases> ServerFor(Backend backend)
{
    if (backend != Backend::SqlServer)
        return nullptr;
    return std::make_unique<SqlServerDatabases>(ServerConnection());
}

ProductDatabases ProductIn(Backend backend, const TempDatabases& files, const SqlServerDatabases* server)
{
    if (backend == Backend::SqlServer)
        return ProductDatabases(server->connections());
    return ProductDatabases(files.path(QStringLiteral("product")));
}

} // namespace

std::string BackendName(Backend backend)
{
    return backend == Backend::SqlServer ? "SqlServer" : "SQLite";
}

QString ProductBackend::Unavailable(Backend backend)
{
    if (backend == Backend::SqlServer && ServerConnection().trimmed().isEmpty())
        return QStringLiteral("%1 is not set: this case runs on SQL Server when it holds an ODBC connection string of a "
                              "login that may create databases, for example "
                              "Driver={ODBC Driver 18 for SQL Server};Server=db01;UID=qeltest;PWD=...;Encrypt=Optional")
            .arg(QLatin1String(kSqlServerVariable));
    return {};
}

ProductBackend::ProductBackend(Backend backend)
    : kind_(backend), server_(ServerFor(backend)), product_(ProductIn(backend, files_, server_.get()))
{
}

ProductBackend::~ProductBackend() = default;

QString ProductBackend::DateLiteral(const QDate& date) const
{
    const QString format = kind_ == Backend::SqlServer ? QStringLiteral("yyyyMMdd") : QStringLiteral("yyyy-MM-dd");
    return QLatin1Char('\'') + date.toString(format) + QLatin1Char('\'');
}

void ProductBackend::Release()
{
    if (server_)
        server_->DropAll();
}

std::string ProductBackend::SetUpFailure(Backend backend, const DatabaseError& error)
{
    QString where = QString::fromStdString(BackendName(backend));
    if (backend == Backend::SqlServer)
        where = QStringLiteral("The SQL Server of %1 (%2)")
                    .arg(QLatin1String(kSqlServerVariable), WithoutPassword(ServerConnection()));
    return QStringLiteral("%1 could not give this test its databases: %2: %3")
        .arg(where, error.source(), error.description())
        .toStdString();
}

} // namespace qel::test
