#include "db/ParsedConnection.h"

#include "db/FileIdentity.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QUrlQuery>

#include <utility>

namespace qel {

namespace {

QString ProviderOf(const ConnectionString& keys)
{
    return keys.value(QStringLiteral("Provider")).value_or(QString()).trimmed().toLower();
}

bool IsSqlServerProvider(const QString& provider)
{
    return provider.startsWith(QLatin1String("sqloledb")) || provider.startsWith(QLatin1String("sqlncli"))
        || provider.startsWith(QLatin1String("msoledbsql"));
}

bool IsJetProvider(const QString& provider)
{
    return provider.startsWith(QLatin1String("microsoft.jet.oledb"));
}

// The kind of a driver by its registered name or its library's file name.
DriverKind KindOfDriver(const QString& driver)
{
    const auto has = [&driver](const char* part) { return driver.contains(QLatin1String(part), Qt::CaseInsensitive); };
    if (has("sqlite"))
        return DriverKind::SQLite;
    if (has("Microsoft Access Driver") || has("odbcjt32") || has("aceodbc"))
        return DriverKind::Access;
    if (driver.trimmed().compare(QLatin1String("SQL Server"), Qt::CaseInsensitive) == 0 || has("for SQL Server")
        || has("SQL Server Native Client") || has("FreeTDS") || has("tdsodbc") || has("msodbcsql") || has("sqlncli")
        || has("sqlsrv32"))
        return DriverKind::SqlServer;
    return DriverKind::Other;
}

DriverKind KindOf(const ConnectionString& keys)
{
    const QString provider = ProviderOf(keys);
    if (IsSqlServerProvider(provider))
        return DriverKind::SqlServer;
    if (IsJetProvider(provider))
        return DriverKind::Access;
    return KindOfDriver(keys.value(QStringLiteral("Driver")).value_or(QString()));
}

// The first of the preferred drivers that is installed; the fallback when
// none is, so that the driver manager's own error names it.
QString PreferredDriver(const QStringList& installed, const QStringList& preferences, const QString& fallback)
{
    for (const QString& wanted : preferences)
        for (const QString& name : installed)
            if (name.compare(wanted, Qt::CaseInsensitive) == 0)
                return name;
    return fallback;
}

bool IsTrue(const QString& v)
{
    const QString s = v.trimmed().toLower();
    return s == QLatin1String("sspi") || s == QLatin1String("true") || s == QLatin1String("yes");
}

// The provider's encryption setting as Encrypt's value: Yes or Strict when
// it asks for encryption, empty when it does not, and a value neither
// provider nor driver knows as written, for the driver to refuse.
QString EncryptWords(const QString& setting)
{
    const QString s = setting.trimmed().toLower();
    if (s.isEmpty() || s == QLatin1String("false") || s == QLatin1String("no") || s == QLatin1String("optional"))
        return {};
    if (s == QLatin1String("true") || s == QLatin1String("yes") || s == QLatin1String("mandatory"))
        return QStringLiteral("Yes");
    if (s == QLatin1String("strict"))
        return QStringLiteral("Strict");
    return setting.trimmed();
}

// The identity of a database file named as a driver would open it: a path,
// or for SQLite a file: URI.
DatabaseIdentity FileDatabase(const QString& name)
{
    DatabaseIdentity identity;
    QString path = name.trimmed();
    if (path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(path);
        const QUrlQuery query(url);
        if (query.queryItemValue(QStringLiteral("mode")).compare(QLatin1String("memory"), Qt::CaseInsensitive) == 0
            || query.queryItemValue(QStringLiteral("vfs")).compare(QLatin1String("memdb"), Qt::CaseInsensitive) == 0)
            return identity;
        path = url.toLocalFile();
    }
    if (path.isEmpty() || path.compare(QLatin1String(":memory:"), Qt::CaseInsensitive) == 0)
        return identity;
    identity.shown = name.trimmed();
    identity.database = FileIdentity(path);
    if (!identity.database.isEmpty())
        return identity;
    // A file not there yet: its absolute path, through the real folder
    // where that exists.
    const QFileInfo file(path);
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    QString absolute = folder.isEmpty() ? QDir::cleanPath(file.absoluteFilePath()) : folder + QLatin1Char('/') + file.fileName();
#ifdef _WIN32
    absolute = absolute.toLower(); // file names there are compared without letter case
#endif
    identity.database = QStringLiteral("path:") + absolute;
    return identity;
}

} // namespace

ParsedConnection::ParsedConnection(const QString& text)
    : ParsedConnection(text, ConnectionString::Parse(text))
{
}

ParsedConnection::ParsedConnection(QString text, ConnectionString keys)
    : text_(std::move(text))
    , keys_(std::move(keys))
    , kind_(KindOf(keys_))
{
}

ParsedConnection ParsedConnection::AccessFile(const QString& path, const QStringList& installedDrivers)
{
    const QString ace = QStringLiteral("Microsoft Access Driver (*.mdb, *.accdb)");
    const QString driver = PreferredDriver(installedDrivers, {ace, QStringLiteral("Microsoft Access Driver (*.mdb)")}, ace);
    return ParsedConnection().WithKey(QStringLiteral("Driver"), driver).WithKey(QStringLiteral("DBQ"), path);
}

QString ParsedConnection::firstOf(std::initializer_list<const char*> keys) const
{
    for (const char* key : keys)
        if (auto v = keys_.value(QLatin1String(key)))
            return *v;
    return {};
}

bool ParsedConnection::isProviderString() const
{
    return text_.trimmed().startsWith(QLatin1String("Provider="), Qt::CaseInsensitive);
}

ParsedConnection ParsedConnection::WithKey(const QString& key, const QString& value) const
{
    ConnectionString keys = keys_;
    keys.Append(key, value);
    // A driver's name goes in braces, as the driver managers document it.
    if (key.compare(QLatin1String("Driver"), Qt::CaseInsensitive) == 0 && !value.startsWith(QLatin1Char('{'))) {
        QString escaped = value;
        escaped.replace(QLatin1Char('}'), QLatin1String("}}"));
        QString text = text_;
        if (!text.trimmed().isEmpty() && !text.trimmed().endsWith(QLatin1Char(';')))
            text += QLatin1Char(';');
        return ParsedConnection(text + key + QLatin1String("={") + escaped + QLatin1Char('}'), std::move(keys));
    }
    return ParsedConnection(AppendConnectionKey(text_, key, value), std::move(keys));
}

ParsedConnection ParsedConnection::WithValue(const QString& key, const QString& value) const
{
    if (!has(key))
        return WithKey(key, value);
    ConnectionString keys;
    QStringList pairs;
    for (const auto& [k, v] : keys_.pairs()) {
        const QString& kept = k.compare(key, Qt::CaseInsensitive) == 0 ? value : v;
        keys.Append(k, kept);
        pairs << OdbcPair(k, kept);
    }
    return ParsedConnection(pairs.join(QLatin1Char(';')), std::move(keys));
}

ParsedConnection ParsedConnection::ForOdbc(const QStringList& installed) const
{
    if (!isProviderString())
        return *this;
    const QString provider = ProviderOf(keys_);
    if (IsSqlServerProvider(provider)) {
        // "SQL Server" is the driver every Windows has.
        const QString driver = PreferredDriver(installed,
                                               {QStringLiteral("ODBC Driver 18 for SQL Server"),
                                                QStringLiteral("ODBC Driver 17 for SQL Server"), QStringLiteral("FreeTDS"),
                                                QStringLiteral("SQL Server")},
                                               QStringLiteral("SQL Server"));
        const bool freeTds = driver.compare(QLatin1String("FreeTDS"), Qt::CaseInsensitive) == 0;
        ParsedConnection odbc = ParsedConnection().WithKey(QStringLiteral("Driver"), driver);

        const QString server = firstOf({"Data Source", "Server", "Address", "Addr", "Network Address"});
        if (!server.isEmpty()) {
            // FreeTDS takes the port as a key of its own rather than "host,port".
            const qsizetype comma = server.indexOf(QLatin1Char(','));
            if (freeTds && comma > 0)
                odbc = odbc.WithKey(QStringLiteral("Server"), server.left(comma).trimmed())
                           .WithKey(QStringLiteral("Port"), server.mid(comma + 1).trimmed());
            else
                odbc = odbc.WithKey(QStringLiteral("Server"), server);
        }
        const QString database = firstOf({"Initial Catalog", "Database"});
        if (!database.isEmpty())
            odbc = odbc.WithKey(QStringLiteral("Database"), database);
        if (IsTrue(firstOf({"Integrated Security", "Trusted_Connection"})))
            odbc = odbc.WithKey(QStringLiteral("Trusted_Connection"), QStringLiteral("Yes"));
        const QString user = firstOf({"User ID", "UID", "User"});
        if (!user.isEmpty())
            odbc = odbc.WithKey(QStringLiteral("UID"), user);
        if (auto password = value(QStringLiteral("Password")); password || has(QStringLiteral("PWD")))
            odbc = odbc.WithKey(QStringLiteral("PWD"), password ? *password : *value(QStringLiteral("PWD")));
        // Encryption is carried over in the words of Microsoft's ODBC
        // drivers; the connection says it in the chosen driver's own words,
        // or refuses (DriverEncryption.h). The OLE DB providers encrypt only
        // when told to; version 18 of Microsoft's driver would insist, and
        // refuse servers the old settings reached.
        const QString encrypt = EncryptWords(firstOf({"Use Encryption for Data", "Encrypt"}));
        if (!encrypt.isEmpty())
            odbc = odbc.WithKey(QStringLiteral("Encrypt"), encrypt);
        else if (driver.startsWith(QLatin1String("ODBC Driver 18"), Qt::CaseInsensitive))
            odbc = odbc.WithKey(QStringLiteral("Encrypt"), QStringLiteral("Optional"));
        if (IsTrue(firstOf({"TrustServerCertificate", "Trust Server Certificate"})))
            odbc = odbc.WithKey(QStringLiteral("TrustServerCertificate"), QStringLiteral("Yes"));
        return odbc;
    }
    if (IsJetProvider(provider)) {
        ParsedConnection odbc = AccessFile(firstOf({"Data Source", "DBQ"}), installed);
        const QString user = firstOf({"User ID", "UID"});
        if (!user.isEmpty())
            odbc = odbc.WithKey(QStringLiteral("UID"), user);
        const QString password = firstOf({"Password", "PWD", "Jet OLEDB:Database Password"});
        if (!password.isEmpty())
            odbc = odbc.WithKey(QStringLiteral("PWD"), password);
        return odbc;
    }
    return *this;
}

QString ParsedConnection::description() const
{
    if (IsJetProvider(ProviderOf(keys_)))
        return QStringLiteral("the Access file %1").arg(firstOf({"Data Source"}));
    const QString file = firstOf({"DBQ"});
    if (!file.isEmpty())
        return (kind_ == DriverKind::Access ? QStringLiteral("the Access file %1") : QStringLiteral("the file %1")).arg(file);
    const QString database = firstOf({"Database", "Initial Catalog"});
    if (kind_ == DriverKind::SQLite)
        return database.isEmpty() ? QStringLiteral("a SQLite database without a file name")
                                  : QStringLiteral("the SQLite file %1").arg(database);
    QStringList parts;
    const QString dsn = firstOf({"DSN"});
    if (!dsn.isEmpty())
        parts << QStringLiteral("the data source %1").arg(dsn);
    const QString server = firstOf({"Server", "Data Source", "Address", "Addr", "Network Address"});
    if (!server.isEmpty())
        parts << QStringLiteral("server %1").arg(server);
    if (!database.isEmpty())
        parts << QStringLiteral("database %1").arg(database);
    return parts.join(QStringLiteral(", "));
}

QString ParsedConnection::masked() const
{
    bool anySecret = false;
    QStringList pairs;
    for (const auto& [key, value] : keys_.pairs()) {
        const bool secret = IsPasswordKey(key);
        anySecret = anySecret || secret;
        pairs << OdbcPair(key, secret ? QStringLiteral("***") : value);
    }
    return anySecret ? pairs.join(QLatin1Char(';')) : text_;
}

DatabaseIdentity ParsedConnection::identity() const
{
    switch (kind_) {
    case DriverKind::SQLite:
        // The driver opens the file its Database key names, and no other.
        return FileDatabase(value(QStringLiteral("Database")).value_or(QString()));
    case DriverKind::Access:
        return FileDatabase(isProviderString() ? firstOf({"Data Source"}) : firstOf({"DBQ"}));
    case DriverKind::SqlServer: {
        DatabaseIdentity identity;
        const QString server = firstOf({"Server", "Data Source", "Address", "Addr", "Network Address"}).trimmed();
        const QString database = firstOf({"Database", "Initial Catalog"}).trimmed();
        if (server.isEmpty() || database.isEmpty())
            return identity;
        identity.server = server;
        identity.database = database;
        identity.shown = server + QLatin1Char('/') + database;
        return identity;
    }
    case DriverKind::Other:
        break;
    }
    return {};
}

bool IsPasswordKey(const QString& key)
{
    // A key read after text the parser passed over ("x;PWD") is the last
    // part of it.
    const QString k = key.section(QLatin1Char(';'), -1).trimmed();
    return k.compare(QLatin1String("PWD"), Qt::CaseInsensitive) == 0
        || k.contains(QLatin1String("password"), Qt::CaseInsensitive);
}

QString TranslateConnectionString(const QString& connection, const QStringList& installedDrivers)
{
    return ParsedConnection(connection).ForOdbc(installedDrivers).text();
}

QString DescribeDatabase(const QString& connection)
{
    return ParsedConnection(connection).description();
}

} // namespace qel
