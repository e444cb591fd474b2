#include "db/DriverEncryption.h"

#include "db/DatabaseError.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace qel {

namespace {

enum class Asked { Nothing, Mandatory, Strict, Unknown };

// Encrypt as Microsoft's drivers read it: yes, true and mandatory encrypt
// and check the server's certificate; no, false and optional leave it to
// the server; strict is TDS 8.0, encrypted from the first byte.
Asked EncryptionAsked(const std::optional<QString>& encrypt)
{
    if (!encrypt)
        return Asked::Nothing;
    const QString value = encrypt->trimmed().toLower();
    if (value == QLatin1String("yes") || value == QLatin1String("true") || value == QLatin1String("mandatory"))
        return Asked::Mandatory;
    if (value == QLatin1String("no") || value == QLatin1String("false") || value == QLatin1String("optional"))
        return Asked::Nothing;
    if (value == QLatin1String("strict"))
        return Asked::Strict;
    return Asked::Unknown;
}

bool IsYes(const std::optional<QString>& value)
{
    if (!value)
        return false;
    const QString v = value->trimmed().toLower();
    return v == QLatin1String("yes") || v == QLatin1String("true");
}

enum class Family { FreeTds, Microsoft, Other };

struct EncryptingDriver {
    Family family = Family::Other;
    int version = 0; // of Microsoft's "ODBC Driver N for SQL Server"; 0 for its older drivers
};

EncryptingDriver KindOf(const OdbcDriver& driver)
{
    const QString file = QFileInfo(driver.library).fileName();
    if (driver.name.contains(QLatin1String("FreeTDS"), Qt::CaseInsensitive)
        || file.contains(QLatin1String("tdsodbc"), Qt::CaseInsensitive))
        return {Family::FreeTds, 0};
    static const QRegularExpression named(QStringLiteral("^ODBC Driver (\\d+) for SQL Server$"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression library(QStringLiteral("msodbcsql-?(\\d+)"), QRegularExpression::CaseInsensitiveOption);
    if (const auto match = named.match(driver.name.trimmed()); match.hasMatch())
        return {Family::Microsoft, match.captured(1).toInt()};
    if (const auto match = library.match(file); match.hasMatch())
        return {Family::Microsoft, match.captured(1).toInt()};
    if (driver.name.startsWith(QLatin1String("SQL Server Native Client"), Qt::CaseInsensitive)
        || file.contains(QLatin1String("sqlncli"), Qt::CaseInsensitive))
        return {Family::Microsoft, 0};
    return {};
}

// An encryption setting of the connection string that the driver cannot be
// given.
[[noreturn]] void Refuse(const QString& why)
{
    throw DatabaseError::Setting(why);
}

QString DriverWords(const OdbcDriver& driver)
{
    return driver.name.isEmpty() ? QStringLiteral("the driver of this connection") : QStringLiteral("the driver %1").arg(driver.name);
}

ParsedConnection ForFreeTds(const ParsedConnection& parsed, Asked asked, const QString& encrypt)
{
    if (asked == Asked::Strict)
        Refuse(QStringLiteral("Encrypt=strict asks for TDS 8.0, which the FreeTDS driver does not speak; use Microsoft's "
                              "ODBC Driver 18 for SQL Server, or Encrypt=yes."));
    if (asked == Asked::Unknown)
        Refuse(QStringLiteral("Encrypt=%1 is not a value the FreeTDS driver can be given; write Encrypt=yes or Encrypt=no.")
                   .arg(encrypt));
    if (!IsYes(parsed.value(QStringLiteral("TrustServerCertificate"))))
        Refuse(QStringLiteral("Encrypt=%1 asks for the server's certificate to be checked, which the FreeTDS driver does "
                              "only for a server of freetds.conf that names a \"ca file\". Add "
                              "TrustServerCertificate=yes to encrypt without that check, or use Microsoft's ODBC "
                              "Driver 18 for SQL Server.")
                   .arg(encrypt));
    if (const auto own = parsed.value(QStringLiteral("Encryption"))) {
        if (own->trimmed().compare(QLatin1String("require"), Qt::CaseInsensitive) != 0)
            Refuse(QStringLiteral("Encrypt=%1 and Encryption=%2 disagree; the FreeTDS driver encrypts only with "
                                  "Encryption=require.")
                       .arg(encrypt, *own));
        return parsed;
    }
    return parsed.WithKey(QStringLiteral("Encryption"), QStringLiteral("require"));
}

} // namespace

QString WithDriverEncryption(const QString& connection, const OdbcDriver& driver)
{
    return WithDriverEncryption(ParsedConnection(connection), driver).text();
}

ParsedConnection WithDriverEncryption(const ParsedConnection& connection, const OdbcDriver& driver)
{
    const std::optional<QString> encrypt = connection.value(QStringLiteral("Encrypt"));
    const Asked asked = EncryptionAsked(encrypt);
    if (asked == Asked::Nothing)
        return connection;

    const EncryptingDriver kind = KindOf(driver);
    switch (kind.family) {
    case Family::FreeTds:
        return ForFreeTds(connection, asked, encrypt->trimmed());
    case Family::Microsoft:
        // Version 18 reads every word of Encrypt; the older drivers know
        // yes and no alone, and no TDS 8.0.
        if (kind.version >= 18)
            return connection;
        if (asked == Asked::Strict)
            Refuse(QStringLiteral("Encrypt=strict asks for TDS 8.0, which %1 does not speak; use ODBC Driver 18 for SQL "
                                  "Server or later.")
                       .arg(DriverWords(driver)));
        if (encrypt->trimmed().compare(QLatin1String("yes"), Qt::CaseInsensitive) != 0)
            Refuse(QStringLiteral("%1 knows Encrypt=yes and Encrypt=no alone; write Encrypt=yes rather than Encrypt=%2.")
                       .arg(driver.name, encrypt->trimmed()));
        return connection;
    case Family::Other:
        break;
    }
    Refuse(QStringLiteral("Encrypt=%1 cannot be passed on: %2 is not known to encrypt its connections; use Microsoft's "
                          "ODBC Driver 18 for SQL Server or FreeTDS.")
               .arg(encrypt->trimmed(), DriverWords(driver)));
}

ParsedConnection WithDriverEncryption(const ParsedConnection& connection)
{
    if (EncryptionAsked(connection.value(QStringLiteral("Encrypt"))) == Asked::Nothing)
        return connection;
    return WithDriverEncryption(connection, DriverOf(connection));
}

} // namespace qel
