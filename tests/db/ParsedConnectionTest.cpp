#include "db/Connection.h"
#include "db/ParsedConnection.h"
#include "db/DatabaseIdentity.h"

#include "tests/support/TempDatabases.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QFile>

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

const QString kAccessDriver = QStringLiteral("Microsoft Access Driver (*.mdb, *.accdb)");

} // namespace

TEST(ParsedConnectionKeys, BracedAndQuotedValuesKeepTheirSeparatorsAndKeysIgnoreLetterCase)
{
    const ParsedConnection parsed(
        QStringLiteral(" driver = {SQLite3 ODBC Driver} ;DATABASE={/data/a;b}}c.db};Pwd='x;y}';Description=\"q;r\";"));
    EXPECT_EQ(parsed.kind(), DriverKind::SQLite);
    EXPECT_EQ(parsed.value(QStringLiteral("Driver")), QStringLiteral("SQLite3 ODBC Driver"));
    EXPECT_EQ(parsed.value(QStringLiteral("database")), QStringLiteral("/data/a;b}c.db"));
    EXPECT_EQ(parsed.value(QStringLiteral("PWD")), QStringLiteral("x;y}"));
    EXPECT_EQ(parsed.value(QStringLiteral("DESCRIPTION")), QStringLiteral("q;r"));
    EXPECT_EQ(parsed.description(), QStringLiteral("the SQLite file /data/a;b}c.db"));

    // A value given to a key reads back as it was given, whatever it holds,
    // both from the value and from its text read afresh.
    for (const QString& value :
         {QStringLiteral("a;b"), QStringLiteral("a}b"), QStringLiteral("{a}"), QStringLiteral("'quoted'"),
          QStringLiteral("\"quoted\""), QStringLiteral(" padded "), QStringLiteral("\ttab"), QStringLiteral("é € ü"),
          QString()}) {
        for (const ParsedConnection& changed : {parsed.WithValue(QStringLiteral("DataBase"), value),
                                              parsed.WithKey(QStringLiteral("Extra"), value)}) {
            const QString key = changed.has(QStringLiteral("Extra")) ? QStringLiteral("extra") : QStringLiteral("Database");
            EXPECT_EQ(changed.value(key), value) << changed.text().toStdString();
            EXPECT_EQ(ParsedConnection(changed.text()).value(key), value) << changed.text().toStdString();
            EXPECT_EQ(ParsedConnection(changed.text()).value(QStringLiteral("PWD")), QStringLiteral("x;y}"));
        }
    }
    // Replacing a key leaves one of it; adding one keeps the text before it.
    EXPECT_EQ(parsed.WithValue(QStringLiteral("database"), QStringLiteral("b.db")).keys().pairs().size(), parsed.keys().pairs().size());
    EXPECT_TRUE(parsed.WithKey(QStringLiteral("Timeout"), QStringLiteral("5")).text().startsWith(parsed.text()));
}

TEST(ParsedConnectionKeys, KnowsTheKindOfDatabaseByDriverOrProvider)
{
    const struct {
        const char* text;
        DriverKind kind;
    } cases[] = {
        {"Driver=SQLite3;Database=a.db", DriverKind::SQLite},
        {"DRIVER={SQLite3 ODBC Driver};Database=a.db", DriverKind::SQLite},
        {"Driver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so;Database=a.db", DriverKind::SQLite},
        {"Driver={ODBC Driver 18 for SQL Server};Server=h", DriverKind::SqlServer},
        {"driver={sql server};server=h", DriverKind::SqlServer},
        {"Driver=FreeTDS;Server=h", DriverKind::SqlServer},
        {"Provider=SQLOLEDB.1;Data Source=h", DriverKind::SqlServer},
        {"provider=msoledbsql19;Data Source=h", DriverKind::SqlServer},
        {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=b.mdb", DriverKind::Access},
        {"Driver={Microsoft Access Driver (*.mdb)};DBQ=b.mdb", DriverKind::Access},
        // A data source names its driver in the driver manager's entry only.
        {"DSN=Stats;UID=u", DriverKind::Other},
        {"dsn=SQLiteStats", DriverKind::Other},
        {"Driver={PostgreSQL Unicode};Server=h", DriverKind::Other},
        {"", DriverKind::Other},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParsedConnection(QString::fromUtf8(c.text)).kind(), c.kind) << c.text;

    const ParsedConnection dsn(QStringLiteral("DSN=Stats;UID=u;PWD=pw"));
    EXPECT_EQ(dsn.description(), QStringLiteral("the data source Stats"));
    EXPECT_FALSE(dsn.identity().isKnown()) << "which database a data source reaches is the driver manager's to say";
    EXPECT_FALSE(dsn.sameDatabaseAs(ParsedConnection(QStringLiteral("dsn=Stats"))));
    EXPECT_FALSE(dsn.isProviderString());
    EXPECT_TRUE(ParsedConnection(QStringLiteral("  provider=SQLOLEDB;Data Source=h")).isProviderString());
    EXPECT_TRUE(ParsedConnection(QStringLiteral(" \t ")).isBlank());
}

TEST(ParsedConnectionKeys, NoPasswordAppearsInAnyDescription)
{
    const QString secret = QStringLiteral("s3cr;e}t");
    const QString braced = QStringLiteral("{s3cr;e}}t}");
    for (const QString& text :
         {QStringLiteral("Driver=SQLite3;Database=/d/a.db;PWD=%1").arg(braced),
          QStringLiteral("Driver={ODBC Driver 18 for SQL Server};Server=h;Database=d;UID=sa;pwd=%1").arg(braced),
          QStringLiteral("Provider=SQLOLEDB;Data Source=h;Initial Catalog=d;User ID=sa;Password=%1").arg(braced),
          QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\b.mdb;Jet OLEDB:Database Password=%1").arg(braced),
          QStringLiteral("DSN=Stats;UID=u;PASSWORD=%1").arg(braced),
          QStringLiteral("Driver={%1};Server=h;Database=d;PWD=%2").arg(kAccessDriver, braced)}) {
        const ParsedConnection parsed(text);
        ASSERT_TRUE(parsed.text().contains(QStringLiteral("s3cr")));
        EXPECT_FALSE(parsed.description().contains(QStringLiteral("s3cr"))) << parsed.description().toStdString();
        const QString masked = parsed.masked();
        EXPECT_FALSE(masked.contains(QStringLiteral("s3cr"))) << masked.toStdString();
        EXPECT_FALSE(masked.contains(QStringLiteral("e}t"))) << masked.toStdString();
        // Masked, the string still reads as the same keys.
        const ParsedConnection reread(masked);
        ASSERT_EQ(reread.keys().pairs().size(), parsed.keys().pairs().size()) << masked.toStdString();
        for (std::size_t i = 0; i < parsed.keys().pairs().size(); ++i) {
            const auto& [key, value] = parsed.keys().pairs()[i];
            EXPECT_EQ(reread.keys().pairs()[i].second, value == secret ? QStringLiteral("***") : value) << key.toStdString();
        }
        // The open's translation keeps the password, and the mask finds it
        // there too.
        const ParsedConnection odbc = parsed.ForOdbc({QStringLiteral("FreeTDS")});
        EXPECT_FALSE(odbc.masked().contains(QStringLiteral("s3cr"))) << odbc.masked().toStdString();
        EXPECT_FALSE(odbc.description().contains(QStringLiteral("s3cr")));
    }
    EXPECT_EQ(ParsedConnection(QStringLiteral("Driver=SQLite3;Database=a.db")).masked(), QStringLiteral("Driver=SQLite3;Database=a.db"))
        << "a string without a password stays as written";
}

TEST(ParsedConnectionIdentity, SqlServerDatabasesCompareByServerAndDatabaseWithoutLetterCase)
{
    const ParsedConnection provider(QStringLiteral("Provider=SQLOLEDB;Data Source=DB01\\INST;Initial Catalog=Stats;User ID=a"));
    const ParsedConnection odbc(QStringLiteral("Driver={ODBC Driver 18 for SQL Server};server=db01\\inst;DATABASE=stats;UID=b"));
    EXPECT_TRUE(provider.sameDatabaseAs(odbc));
    EXPECT_EQ(provider.identity().shown, QStringLiteral("DB01\\INST/Stats"));
    EXPECT_FALSE(provider.sameDatabaseAs(ParsedConnection(QStringLiteral("Driver=FreeTDS;Server=db01\\inst;Database=Stats2"))));
    EXPECT_FALSE(provider.sameDatabaseAs(ParsedConnection(QStringLiteral("Driver=FreeTDS;Server=db02;Database=Stats"))));
    // Without a database name the login's default is reached, which the
    // string does not say.
    const ParsedConnection noDatabase(QStringLiteral("Driver=FreeTDS;Server=db01\\inst"));
    EXPECT_FALSE(noDatabase.identity().isKnown());
    EXPECT_FALSE(noDatabase.sameDatabaseAs(noDatabase));
}

TEST(ParsedConnectionIdentity, TwoSpellingsOfOneFileAreOneDatabase)
{
    TempDatabases temp;
    const QString file = temp.path(QStringLiteral("stats.db"));
    Connection::Open(temp.connection(QStringLiteral("stats.db")))->Execute(QStringLiteral("CREATE TABLE t (x int)"));
    ASSERT_TRUE(QFile::exists(file));
    const QString folder = QFileInfo(file).absolutePath();
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("sub")));
#ifndef _WIN32
    ASSERT_TRUE(QFile::link(file, folder + QStringLiteral("/link.db")));
#endif

    const ParsedConnection plain(QStringLiteral("Driver=SQLite3;Database=%1").arg(file));
    QStringList spellings = {
        QStringLiteral("DRIVER={SQLite3 ODBC Driver};database={%1/sub/../stats.db};Timeout=5").arg(folder),
        QStringLiteral("Driver=SQLite3;Database=%1/./stats.db").arg(folder),
        QStringLiteral("Driver=SQLite3;Database=%1?mode=ro")
            .arg(QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded)),
    };
#ifndef _WIN32
    spellings << QStringLiteral("Driver=SQLite3;Database=%1/link.db").arg(folder);
#endif
    for (const QString& text : spellings)
        EXPECT_TRUE(plain.sameDatabaseAs(ParsedConnection(text))) << text.toStdString();
    EXPECT_EQ(plain.identity().shown, file);

    // The identity is the one the open connection tells.
    const auto connection = Connection::Open(plain);
    EXPECT_EQ(plain.identity(), IdentityOf(*connection));

    // A file not made yet is named by its absolute path.
    const ParsedConnection fresh(QStringLiteral("Driver=SQLite3;Database=%1/new.db").arg(folder));
    EXPECT_TRUE(fresh.sameDatabaseAs(ParsedConnection(QStringLiteral("Driver=SQLite3;Database=%1/sub/../new.db").arg(folder))));
    EXPECT_FALSE(fresh.sameDatabaseAs(plain));
    EXPECT_FALSE(fresh.sameDatabaseAs(ParsedConnection(QStringLiteral("Driver=SQLite3;Database=%1/other.db").arg(folder))));

    // Databases held in memory are no file, and never one another.
    for (const char* memory : {"Driver=SQLite3;Database=:memory:", "Driver=SQLite3;Database=file:x?mode=memory",
                               "Driver=SQLite3;Database=", "Driver=SQLite3"}) {
        const ParsedConnection parsed(QString::fromUtf8(memory));
        EXPECT_FALSE(parsed.identity().isKnown()) << memory;
        EXPECT_FALSE(parsed.sameDatabaseAs(parsed)) << memory;
    }
}

TEST(ParsedConnectionAccess, TheAccessFileIsAnOdbcStringThatKeepsItsPathWhateverItHolds)
{
    for (const QString& path : {QStringLiteral("C:\\Backup Files\\\u00e9t\u00e9 \u20ac.mdb"),
                                QStringLiteral("/backups/stat, 2024;old}.mdb"), QStringLiteral("\u0421\u0442\u0430\u0442.accdb")}) {
        const ParsedConnection target = ParsedConnection::AccessFile(path, {QStringLiteral("SQLite3"), kAccessDriver});
        EXPECT_TRUE(target.text().startsWith(QStringLiteral("Driver={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=")))
            << target.text().toStdString();
        EXPECT_FALSE(target.isProviderString());
        EXPECT_EQ(target.kind(), DriverKind::Access);
        EXPECT_EQ(target.value(QStringLiteral("dbq")), path);
        EXPECT_EQ(ParsedConnection(target.text()).value(QStringLiteral("DBQ")), path) << target.text().toStdString();
        EXPECT_EQ(target.description(), QStringLiteral("the Access file %1").arg(path));
        EXPECT_EQ(target.ForOdbc({}).text(), target.text()) << "an ODBC string is opened as it is";
        // The same text the provider string of the file was opened with.
        EXPECT_EQ(ParsedConnection(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1").arg(OdbcPair({}, path).mid(1)))
                      .ForOdbc({kAccessDriver})
                      .text(),
                  target.text());
        EXPECT_TRUE(target.sameDatabaseAs(ParsedConnection::AccessFile(path, {})));
    }
    // Where only the 32-bit Jet driver is installed it is the one named;
    // where none is, the one a 64-bit program can load.
    EXPECT_EQ(ParsedConnection::AccessFile(QStringLiteral("b.mdb"), {QStringLiteral("microsoft access driver (*.mdb)")}).text(),
              QStringLiteral("Driver={microsoft access driver (*.mdb)};DBQ=b.mdb"));
    EXPECT_EQ(ParsedConnection::AccessFile(QStringLiteral("b.mdb"), {}).text(),
              QStringLiteral("Driver={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=b.mdb"));
}
