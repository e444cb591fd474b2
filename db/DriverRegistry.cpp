#include "db/DriverRegistry.h"

#include "db/OdbcApi.h"

#include <algorithm>
#include <functional>

namespace qel {

namespace {

// An environment handle for the lists, freed on every way out.
class ListEnvironment {
public:
    ListEnvironment()
    {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
            env_ = SQL_NULL_HENV;
        else
            SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    }
    ~ListEnvironment()
    {
        if (env_ != SQL_NULL_HENV)
            SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }
    ListEnvironment(const ListEnvironment&) = delete;
    ListEnvironment& operator=(const ListEnvironment&) = delete;

    SQLHENV handle() const { return env_; }

private:
    SQLHENV env_ = SQL_NULL_HENV;
};

// Each registered driver with its attributes ("Driver=libtdsodbc.so", ...),
// until the visitor answers true.
void VisitDrivers(const std::function<bool(const QString& name, const QStringList& attributes)>& visit)
{
    ListEnvironment env;
    if (env.handle() == SQL_NULL_HENV)
        return;
    SQLWCHAR description[512];
    SQLWCHAR attributes[4096];
    SQLSMALLINT descriptionLength = 0;
    SQLSMALLINT attributesLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDriversW(env.handle(), direction, description, 512, &descriptionLength, attributes, 4096,
                                     &attributesLength))) {
        direction = SQL_FETCH_NEXT;
        // The attributes come as key=value texts, each ended by a zero.
        const QString packed = FromSqlWChar(attributes, std::clamp<qsizetype>(attributesLength, 0, 4095));
        if (visit(FromSqlWChar(description, std::clamp<qsizetype>(descriptionLength, 0, 511)),
                  packed.split(QChar(0), Qt::SkipEmptyParts)))
            return;
    }
}

// The driver a data source is set up with, as the driver manager lists it.
QString DriverOfDataSource(const QString& dsn)
{
    ListEnvironment env;
    if (env.handle() == SQL_NULL_HENV)
        return {};
    SQLWCHAR name[SQL_MAX_DSN_LENGTH + 1];
    SQLWCHAR driver[1024];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT driverLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDataSourcesW(env.handle(), direction, name, SQL_MAX_DSN_LENGTH + 1, &nameLength, driver, 1024,
                                         &driverLength))) {
        direction = SQL_FETCH_NEXT;
        if (FromSqlWChar(name, std::clamp<qsizetype>(nameLength, 0, SQL_MAX_DSN_LENGTH)).compare(dsn, Qt::CaseInsensitive) == 0)
            return FromSqlWChar(driver, std::clamp<qsizetype>(driverLength, 0, 1023));
    }
    return {};
}

QString AttributeValue(const QStringList& attributes, const QString& key)
{
    for (const QString& attribute : attributes)
        if (attribute.section(QLatin1Char('='), 0, 0).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return attribute.section(QLatin1Char('='), 1).trimmed();
    return {};
}

bool NamesLibraryFile(const QString& driver)
{
    return driver.contains(QLatin1Char('/')) || driver.contains(QLatin1Char('\\'))
        || driver.endsWith(QLatin1String(".so"), Qt::CaseInsensitive)
        || driver.endsWith(QLatin1String(".dll"), Qt::CaseInsensitive)
        || driver.endsWith(QLatin1String(".dylib"), Qt::CaseInsensitive);
}

} // namespace

QStringList InstalledOdbcDrivers()
{
    QStringList names;
    VisitDrivers([&](const QString& name, const QStringList&) {
        names << name;
        return false;
    });
    return names;
}

OdbcDriver DriverOf(const QString& connection)
{
    return DriverOf(ParsedConnection(connection));
}

OdbcDriver DriverOf(const ParsedConnection& parsed)
{
    QString driver = parsed.value(QStringLiteral("Driver")).value_or(QString()).trimmed();
    if (driver.isEmpty())
        if (const auto dsn = parsed.value(QStringLiteral("DSN")))
            driver = DriverOfDataSource(dsn->trimmed());
    if (driver.isEmpty())
        return {};

    OdbcDriver found;
    VisitDrivers([&](const QString& name, const QStringList& attributes) {
        if (name.compare(driver, Qt::CaseInsensitive) != 0)
            return false;
        // unixODBC loads Driver64 in a 64-bit program when the entry has one.
        QString library;
        if (sizeof(void*) == 8)
            library = AttributeValue(attributes, QStringLiteral("Driver64"));
        if (library.isEmpty())
            library = AttributeValue(attributes, QStringLiteral("Driver"));
        found = {name, library};
        return true;
    });
    if (found.name.isEmpty() && NamesLibraryFile(driver))
        found = {driver, driver};
    return found;
}

} // namespace qel
