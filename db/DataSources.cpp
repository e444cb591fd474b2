#include "db/DataSources.h"

#include "db/OdbcApi.h"

#include <odbcinst.h>

#include <initializer_list>

namespace qel {

namespace {

// One entry of a section of the driver manager's odbc.ini or odbcinst.ini
// (on Windows, the registry keys of the same names).
QString ProfileString(const QString& section, const char* key, const char* file)
{
#ifdef _WIN32
    wchar_t buffer[1024] = {};
    const std::wstring sectionText = section.toStdWString();
    const std::wstring keyText = QString::fromLatin1(key).toStdWString();
    const std::wstring fileText = QString::fromLatin1(file).toStdWString();
    const int length = SQLGetPrivateProfileStringW(sectionText.c_str(), keyText.c_str(), L"", buffer, 1024, fileText.c_str());
    return length > 0 ? QString::fromWCharArray(buffer, std::min(length, 1023)) : QString();
#else
    // unixODBC's wide entry points size their narrow copies by characters;
    // its narrow ones take UTF-8 as it is.
    char buffer[1024] = {};
    const QByteArray sectionText = section.toUtf8();
    const int length = SQLGetPrivateProfileString(sectionText.constData(), key, "", buffer, sizeof buffer, file);
    return length > 0 ? QString::fromUtf8(buffer, std::min(length, static_cast<int>(sizeof buffer) - 1)) : QString();
#endif
}

// The driver name SQLDataSources gives for a DSN (its description column),
// which on Windows is the only place that names the driver rather than its
// library.
std::optional<QString> ListedDriver(const QString& name)
{
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return std::nullopt;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    std::optional<QString> driver;
    SQLWCHAR dsn[512];
    SQLWCHAR description[512];
    SQLSMALLINT dsnLength = 0;
    SQLSMALLINT descriptionLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDataSourcesW(env, direction, dsn, 512, &dsnLength, description, 512, &descriptionLength))) {
        direction = SQL_FETCH_NEXT;
        if (FromSqlWChar(dsn, std::min<qsizetype>(dsnLength, 511)).compare(name, Qt::CaseInsensitive) == 0) {
            driver = FromSqlWChar(description, std::min<qsizetype>(descriptionLength, 511));
            break;
        }
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return driver;
}

bool NamesLibrary(const QString& driver)
{
    return driver.contains(QLatin1Char('/')) || driver.contains(QLatin1Char('\\'));
}

std::optional<QString> FirstKey(const ParsedConnection& parsed, std::initializer_list<const char*> keys)
{
    for (const char* key : keys)
        if (auto value = parsed.value(QLatin1String(key)))
            return value;
    return std::nullopt;
}

} // namespace

std::optional<DataSource> LookUpDataSource(const QString& name)
{
    if (name.trimmed().isEmpty())
        return std::nullopt;
    const std::optional<QString> listed = ListedDriver(name.trimmed());
    if (!listed)
        return std::nullopt;
    DataSource source;
    const QString entryDriver = ProfileString(name.trimmed(), "Driver", "odbc.ini");
    if (NamesLibrary(entryDriver)) {
        source.driver = *listed;
        source.driverLibrary = entryDriver;
    } else {
        source.driver = entryDriver.isEmpty() ? *listed : entryDriver;
        source.driverLibrary = ProfileString(source.driver, "Driver", "odbcinst.ini");
    }
    source.database = ProfileString(name.trimmed(), "Database", "odbc.ini");
    if (source.database.isEmpty())
        source.database = ProfileString(name.trimmed(), "DBQ", "odbc.ini");
    return source;
}

bool ReachedDatabase::isSQLite() const
{
    return driver.contains(QLatin1String("sqlite"), Qt::CaseInsensitive)
        || driverLibrary.contains(QLatin1String("sqlite"), Qt::CaseInsensitive);
}

ReachedDatabase DatabaseReachedBy(const QString& connectionString)
{
    return DatabaseReachedBy(ParsedConnection(connectionString));
}

ReachedDatabase DatabaseReachedBy(const ParsedConnection& parsed)
{
    ReachedDatabase reached;
    reached.driver = parsed.value(QStringLiteral("Driver")).value_or(QString());
    // The driver manager takes the driver a string names over its DSN.
    std::optional<DataSource> source;
    if (reached.driver.isEmpty()) {
        reached.dataSource = parsed.value(QStringLiteral("DSN")).value_or(QString()).trimmed();
        if (!reached.dataSource.isEmpty())
            source = LookUpDataSource(reached.dataSource);
    }
    if (source) {
        reached.knownDataSource = true;
        reached.driver = source->driver;
        reached.driverLibrary = source->driverLibrary;
    }
    // The SQLite driver opens the file its Database key names, and no other
    // key; a key of the string goes before the data source's entry.
    reached.database = reached.isSQLite() ? parsed.value(QStringLiteral("Database"))
                                          : FirstKey(parsed, {"Database", "DBQ", "Initial Catalog"});
    if (!reached.database && source && !source->database.isEmpty())
        reached.database = source->database;
    return reached;
}

} // namespace qel
