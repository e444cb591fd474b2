#include "db/ParsedConnection.h"
#include "db/ConnectionString.h"
#include "db/DatabaseError.h"
#include "db/DriverEncryption.h"

#include <gtest/gtest.h>

using namespace qel;

namespace {
const QStringList kLinuxDrivers{QStringLiteral("FreeTDS"), QStringLiteral("SQLite"), QStringLiteral("SQLite3")};
const QStringList kWindowsDrivers{QStringLiteral("SQL Server"), QStringLiteral("ODBC Driver 17 for SQL Server"),
                                  QStringLiteral("Microsoft Access Driver (*.mdb, *.accdb)")};
} // namespace

TEST(ConnectionStringTranslation, SqlServerProvidersBecomeTheBestInstalledDriver)
{
    EXPECT_EQ(TranslateConnectionString(
                  QStringLiteral("Provider=SQLOLEDB.1;Data Source=db01,1433;Initial Catalog=QEL;User ID=sa;Password=p;w"),
                  kLinuxDrivers),
              QStringLiteral("Driver={FreeTDS};Server=db01;Port=1433;Database=QEL;UID=sa;PWD=p"));
    EXPECT_EQ(TranslateConnectionString(
                  QStringLiteral("Provider=SQLNCLI11;Server=db01\\INST;Database=Stats;Integrated Security=SSPI"),
                  kWindowsDrivers),
              QStringLiteral("Driver={ODBC Driver 17 for SQL Server};Server=db01\\INST;Database=Stats;Trusted_Connection=Yes"));
    EXPECT_EQ(TranslateConnectionString(
                  QStringLiteral("Provider=MSOLEDBSQL19;Data Source=h;Initial Catalog=d;User ID=u;Password=\"a;b}\""),
                  kWindowsDrivers),
              QStringLiteral("Driver={ODBC Driver 17 for SQL Server};Server=h;Database=d;UID=u;PWD={a;b}}}"));
}

TEST(ConnectionStringTranslation, VersionEighteenOfTheDriverEncryptsOnlyWhenTheOldSettingsDid)
{
    const QStringList drivers{QStringLiteral("ODBC Driver 18 for SQL Server"), QStringLiteral("SQL Server")};
    EXPECT_EQ(TranslateConnectionString(QStringLiteral("Provider=SQLOLEDB;Data Source=h;Initial Catalog=d;Integrated Security=SSPI"), drivers),
              QStringLiteral("Driver={ODBC Driver 18 for SQL Server};Server=h;Database=d;Trusted_Connection=Yes;Encrypt=Optional"));
    EXPECT_EQ(TranslateConnectionString(QStringLiteral("Provider=SQLNCLI11;Server=h;Use Encryption for Data=True"), drivers),
              QStringLiteral("Driver={ODBC Driver 18 for SQL Server};Server=h;Encrypt=Yes"));
}

// Every way the providers ask for encryption, and for trusting the
// server's certificate, is carried over in the ODBC drivers' words; the
// connection then says it in the chosen driver's own (DriverEncryption).
TEST(ConnectionStringTranslation, AskedForEncryptionIsCarriedOverWhateverItsWords)
{
    const QStringList drivers{QStringLiteral("ODBC Driver 18 for SQL Server")};
    const auto translated = [&](const char* keys, const QStringList& installed) {
        return TranslateConnectionString(QStringLiteral("Provider=MSOLEDBSQL19;Server=h;") + QString::fromUtf8(keys), installed);
    };
    EXPECT_EQ(translated("Use Encryption for Data=Mandatory", drivers),
              QStringLiteral("Driver={ODBC Driver 18 for SQL Server};Server=h;Encrypt=Yes"));
    EXPECT_EQ(translated("Encrypt=strict;TrustServerCertificate=true", drivers),
              QStringLiteral("Driver={ODBC Driver 18 for SQL Server};Server=h;Encrypt=Strict;TrustServerCertificate=Yes"));
    EXPECT_EQ(translated("Use Encryption for Data=Optional;Trust Server Certificate=True", drivers),
              QStringLiteral("Driver={ODBC Driver 18 for SQL Server};Server=h;Encrypt=Optional;TrustServerCertificate=Yes"));
    EXPECT_EQ(translated("Encrypt=perhaps", drivers), QStringLiteral("Driver={ODBC Driver 18 for SQL Server};Server=h;Encrypt=perhaps"));
    EXPECT_EQ(translated("Encrypt=yes;TrustServerCertificate=yes", kLinuxDrivers),
              QStringLiteral("Driver={FreeTDS};Server=h;Encrypt=Yes;TrustServerCertificate=Yes"));
    EXPECT_EQ(translated("Encrypt=no", kLinuxDrivers), QStringLiteral("Driver={FreeTDS};Server=h"));
}

TEST(DriverEncryption, EachDriverIsToldInItsOwnWordsOrTheConnectionIsRefused)
{
    const OdbcDriver freeTds{QStringLiteral("FreeTDS"), QStringLiteral("libtdsodbc.so")};
    const OdbcDriver driver18{QStringLiteral("ODBC Driver 18 for SQL Server"), QStringLiteral("libmsodbcsql-18.3.so.2.1")};
    const OdbcDriver driver17{QStringLiteral("ODBC Driver 17 for SQL Server"), QStringLiteral("msodbcsql17.dll")};
    const OdbcDriver sqlite{QStringLiteral("SQLite3"), QStringLiteral("libsqlite3odbc.so")};
    const QString trusted = QStringLiteral("Server=h;Encrypt=yes;TrustServerCertificate=yes");

    // FreeTDS under any name its library is registered with.
    EXPECT_EQ(WithDriverEncryption(trusted, freeTds), trusted + QStringLiteral(";Encryption=require"));
    EXPECT_EQ(WithDriverEncryption(trusted, {QStringLiteral("TDS"), QStringLiteral("/usr/lib64/libtdsodbc.so.0")}),
              trusted + QStringLiteral(";Encryption=require"));
    // Microsoft's drivers read the keys themselves; only 18 speaks TDS 8.0.
    for (const char* keys : {"Server=h;Encrypt=yes", "Server=h;Encrypt=Mandatory;TrustServerCertificate=no",
                             "Server=h;Encrypt=strict"})
        EXPECT_EQ(WithDriverEncryption(QString::fromUtf8(keys), driver18), QString::fromUtf8(keys));
    EXPECT_EQ(WithDriverEncryption(trusted, driver17), trusted);
    for (const char* keys : {"Server=h;Encrypt=strict", "Server=h;Encrypt=Mandatory", "Server=h;Encrypt=true"})
        EXPECT_THROW(WithDriverEncryption(QString::fromUtf8(keys), driver17), DatabaseError) << keys;
    // A driver not known to encrypt is not trusted to.
    EXPECT_THROW(WithDriverEncryption(trusted, sqlite), DatabaseError);
    EXPECT_THROW(WithDriverEncryption(trusted, OdbcDriver{}), DatabaseError);
    // Nothing asked: nothing changes, whatever the driver.
    for (const OdbcDriver& driver : {freeTds, sqlite, OdbcDriver{}})
        for (const char* keys : {"Driver=SQLite3;Database=/tmp/a.db", "Server=h;Encrypt=no;TrustServerCertificate=yes",
                                 "Server=h;Encrypt=Optional", "Server=h;Encrypt=false;Encryption=off"})
            EXPECT_EQ(WithDriverEncryption(QString::fromUtf8(keys), driver), QString::fromUtf8(keys));
}

TEST(ConnectionStringTranslation, JetProviderBecomesTheAccessDriver)
{
    EXPECT_EQ(TranslateConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\backup\\stats.mdb"),
                                        kWindowsDrivers),
              QStringLiteral("Driver={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=C:\\backup\\stats.mdb"));
    EXPECT_EQ(TranslateConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\b.mdb"),
                                        {QStringLiteral("Microsoft Access Driver (*.mdb)")}),
              QStringLiteral("Driver={Microsoft Access Driver (*.mdb)};DBQ=C:\\b.mdb"));
    // Where no Access driver is installed the string still names one, the
    // one a 64-bit program can load, and the driver manager's own error
    // says it is missing.
    EXPECT_EQ(TranslateConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/tmp/x.mdb"),
                                        kLinuxDrivers),
              QStringLiteral("Driver={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=/tmp/x.mdb"));
}

TEST(ConnectionStringTranslation, EveryOtherTextPassesUnchanged)
{
    for (const QString& s : {QStringLiteral("Driver=SQLite3;Database=/tmp/a.db"), QStringLiteral("DSN=Stats;UID=x"),
                             QStringLiteral("Provider=MSDASQL;DSN=Stats"), QString(), QStringLiteral("garbage ;;= text"),
                             QStringLiteral(" Driver={SQL Server};Server=x")})
        EXPECT_EQ(TranslateConnectionString(s, kLinuxDrivers), s) << s.toStdString();
}

TEST(ConnectionStringParsing, BracesQuotesAndCase)
{
    const auto cs = ConnectionString::Parse(QStringLiteral("Driver={SQL Server};pwd={a;b}}c};Name='x;y';Empty="));
    EXPECT_EQ(cs.value(QStringLiteral("DRIVER")), QStringLiteral("SQL Server"));
    EXPECT_EQ(cs.value(QStringLiteral("PWD")), QStringLiteral("a;b}c"));
    EXPECT_EQ(cs.value(QStringLiteral("name")), QStringLiteral("x;y"));
    EXPECT_EQ(cs.value(QStringLiteral("Empty")), QString());
    EXPECT_FALSE(cs.has(QStringLiteral("Missing")));
    EXPECT_EQ(AppendConnectionKey(QStringLiteral("Driver=SQLite3;Database=a"), QStringLiteral("Timeout"), QStringLiteral("5000")),
              QStringLiteral("Driver=SQLite3;Database=a;Timeout=5000"));
}

TEST(ConnectionStringDescription, NamesTheDatabaseAndNeverTheCredentials)
{
    EXPECT_EQ(DescribeDatabase(QStringLiteral("Driver=SQLite3;Database=/data/stats ü.db;Timeout=5")),
              QStringLiteral("the SQLite file /data/stats ü.db"));
    EXPECT_EQ(DescribeDatabase(QStringLiteral("Driver={ODBC Driver 18 for SQL Server};Server=db01\\INST;Database=Stats;"
                                              "UID=sa;PWD=secret")),
              QStringLiteral("server db01\\INST, database Stats"));
    EXPECT_EQ(DescribeDatabase(QStringLiteral("Provider=SQLOLEDB;Data Source=db01;Initial Catalog=QEL;User ID=sa;Password=pw")),
              QStringLiteral("server db01, database QEL"));
    EXPECT_EQ(DescribeDatabase(QStringLiteral("DSN=Stats;UID=u;PWD=pw")), QStringLiteral("the data source Stats"));
    EXPECT_EQ(DescribeDatabase(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\b.mdb")),
              QStringLiteral("the Access file C:\\b.mdb"));
    EXPECT_EQ(DescribeDatabase(QStringLiteral("Driver=No Such Driver")), QString());
}
