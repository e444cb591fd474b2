#include "db/ConnectionString.h"

namespace qel {

ConnectionString ConnectionString::Parse(const QString& text)
{
    ConnectionString result;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        while (pos < n && (text.at(pos) == QLatin1Char(';') || text.at(pos).isSpace()))
            ++pos;
        if (pos >= n)
            break;
        const qsizetype eq = text.indexOf(QLatin1Char('='), pos);
        if (eq < 0)
            break;
        const QString key = text.mid(pos, eq - pos).trimmed();
        pos = eq + 1;
        while (pos < n && text.at(pos).isSpace())
            ++pos;
        QString value;
        const QChar open = pos < n ? text.at(pos) : QChar();
        if (open == QLatin1Char('{') || open == QLatin1Char('"') || open == QLatin1Char('\'')) {
            const QChar close = open == QLatin1Char('{') ? QLatin1Char('}') : open;
            ++pos;
            while (pos < n) {
                if (text.at(pos) == close) {
                    if (pos + 1 < n && text.at(pos + 1) == close) { // doubled: a literal
                        value.append(close);
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                value.append(text.at(pos++));
            }
            const qsizetype semi = text.indexOf(QLatin1Char(';'), pos);
            pos = semi < 0 ? n : semi + 1;
        } else {
            const qsizetype semi = text.indexOf(QLatin1Char(';'), pos);
            value = text.mid(pos, (semi < 0 ? n : semi) - pos).trimmed();
            pos = semi < 0 ? n : semi + 1;
        }
        result.pairs_.emplace_back(key, value);
    }
    return result;
}

std::optional<QString> ConnectionString::value(const QString& key) const
{
    for (const auto& [k, v] : pairs_)
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return v;
    return std::nullopt;
}

QString OdbcPair(const QString& key, const QString& value)
{
    const bool needsBraces = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('{'))
        || value.contains(QLatin1Char('}')) || value.startsWith(QLatin1Char(' ')) || value.endsWith(QLatin1Char(' '));
    if (!needsBraces)
        return key + QLatin1Char('=') + value;
    QString escaped = value;
    escaped.replace(QLatin1Char('}'), QLatin1String("}}"));
    return key + QLatin1String("={") + escaped + QLatin1Char('}');
}

QString AppendConnectionKey(const QString& connection, const QString& key, const QString& value)
{
    QString result = connection;
    if (!result.trimmed().isEmpty() && !result.trimmed().endsWith(QLatin1Char(';')))
        result += QLatin1Char(';');
    return result + OdbcPair(key, value);
}

namespace {

QString FirstOf(const ConnectionString& cs, std::initializer_list<const char*> keys)
{
    for (const char* key : keys)
        if (auto v = cs.value(QLatin1String(key)))
            return *v;
    return {};
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

// A driver name in braces, as the driver managers document it.
QString DriverPair(const QString& driver)
{
    QString escaped = driver;
    escaped.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QStringLiteral("Driver={") + escaped + QLatin1Char('}');
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

QString TranslateSqlServer(const ConnectionString& cs, const QStringList& installed)
{
    // "SQL Server" is the driver every Windows has.
    const QString driver = PreferredDriver(installed,
                                           {QStringLiteral("ODBC Driver 18 for SQL Server"),
                                            QStringLiteral("ODBC Driver 17 for SQL Server"), QStringLiteral("FreeTDS"),
                                            QStringLiteral("SQL Server")},
                                           QStringLiteral("SQL Server"));
    const bool freeTds = driver.compare(QLatin1String("FreeTDS"), Qt::CaseInsensitive) == 0;
    QStringList parts{DriverPair(driver)};

    QString server = FirstOf(cs, {"Data Source", "Server", "Address", "Addr", "Network Address"});
    if (!server.isEmpty()) {
        // FreeTDS takes the port as a key of its own rather than "host,port".
        const qsizetype comma = server.indexOf(QLatin1Char(','));
        if (freeTds && comma > 0) {
            parts << OdbcPair(QStringLiteral("Server"), server.left(comma).trimmed());
            parts << OdbcPair(QStringLiteral("Port"), server.mid(comma + 1).trimmed());
        } else {
            parts << OdbcPair(QStringLiteral("Server"), server);
        }
    }
    const QString database = FirstOf(cs, {"Initial Catalog", "Database"});
    if (!database.isEmpty())
        parts << OdbcPair(QStringLiteral("Database"), database);
    if (IsTrue(FirstOf(cs, {"Integrated Security", "Trusted_Connection"})))
        parts << QStringLiteral("Trusted_Connection=Yes");
    const QString user = FirstOf(cs, {"User ID", "UID", "User"});
    if (!user.isEmpty())
        parts << OdbcPair(QStringLiteral("UID"), user);
    if (auto password = cs.value(QStringLiteral("Password")); password || cs.has(QStringLiteral("PWD")))
        parts << OdbcPair(QStringLiteral("PWD"), password ? *password : *cs.value(QStringLiteral("PWD")));
    // Encryption is carried over in the words of Microsoft's ODBC drivers;
    // the connection says it in the chosen driver's own words, or refuses
    // (DriverEncryption.h). The OLE DB providers encrypt only when told to;
    // version 18 of Microsoft's driver would insist, and refuse servers the
    // old settings reached.
    const QString encrypt = EncryptWords(FirstOf(cs, {"Use Encryption for Data", "Encrypt"}));
    if (!encrypt.isEmpty())
        parts << OdbcPair(QStringLiteral("Encrypt"), encrypt);
    else if (driver.startsWith(QLatin1String("ODBC Driver 18"), Qt::CaseInsensitive))
        parts << QStringLiteral("Encrypt=Optional");
    if (IsTrue(FirstOf(cs, {"TrustServerCertificate", "Trust Server Certificate"})))
        parts << QStringLiteral("TrustServerCertificate=Yes");
    return parts.join(QLatin1Char(';'));
}

QString TranslateJet(const ConnectionString& cs, const QStringList& installed)
{
    // The Access Database Engine's driver, named for both file kinds, is the
    // only one a 64-bit program can load; the older name is the 32-bit Jet
    // driver's.
    const QString ace = QStringLiteral("Microsoft Access Driver (*.mdb, *.accdb)");
    const QString driver = PreferredDriver(installed, {ace, QStringLiteral("Microsoft Access Driver (*.mdb)")}, ace);
    QStringList parts{DriverPair(driver)};
    parts << OdbcPair(QStringLiteral("DBQ"), FirstOf(cs, {"Data Source", "DBQ"}));
    const QString user = FirstOf(cs, {"User ID", "UID"});
    if (!user.isEmpty())
        parts << OdbcPair(QStringLiteral("UID"), user);
    const QString password = FirstOf(cs, {"Password", "PWD", "Jet OLEDB:Database Password"});
    if (!password.isEmpty())
        parts << OdbcPair(QStringLiteral("PWD"), password);
    return parts.join(QLatin1Char(';'));
}

} // namespace

QString TranslateConnectionString(const QString& connection, const QStringList& installedDrivers)
{
    if (!connection.trimmed().startsWith(QLatin1String("Provider="), Qt::CaseInsensitive))
        return connection;
    const ConnectionString cs = ConnectionString::Parse(connection);
    const QString provider = cs.value(QStringLiteral("Provider")).value_or(QString()).trimmed().toLower();
    if (provider.startsWith(QLatin1String("sqloledb")) || provider.startsWith(QLatin1String("sqlncli"))
        || provider.startsWith(QLatin1String("msoledbsql")))
        return TranslateSqlServer(cs, installedDrivers);
    if (provider.startsWith(QLatin1String("microsoft.jet.oledb")))
        return TranslateJet(cs, installedDrivers);
    return connection;
}

QString DescribeDatabase(const QString& connection)
{
    const ConnectionString cs = ConnectionString::Parse(connection);
    const QString provider = cs.value(QStringLiteral("Provider")).value_or(QString()).trimmed().toLower();
    const QString driver = cs.value(QStringLiteral("Driver")).value_or(QString());
    if (provider.startsWith(QLatin1String("microsoft.jet.oledb")))
        return QStringLiteral("the Access file %1").arg(FirstOf(cs, {"Data Source"}));
    const QString file = FirstOf(cs, {"DBQ"});
    if (!file.isEmpty())
        return QStringLiteral("the file %1").arg(file);
    const QString database = FirstOf(cs, {"Database", "Initial Catalog"});
    if (driver.contains(QLatin1String("sqlite"), Qt::CaseInsensitive))
        return database.isEmpty() ? QStringLiteral("a SQLite database without a file name")
                                  : QStringLiteral("the SQLite file %1").arg(database);
    QStringList parts;
    const QString dsn = FirstOf(cs, {"DSN"});
    if (!dsn.isEmpty())
        parts << QStringLiteral("the data source %1").arg(dsn);
    const QString server = FirstOf(cs, {"Server", "Data Source", "Address", "Addr", "Network Address"});
    if (!server.isEmpty())
        parts << QStringLiteral("server %1").arg(server);
    if (!database.isEmpty())
        parts << QStringLiteral("database %1").arg(database);
    return parts.join(QStringLiteral(", "));
}

} // namespace qel
