#include "db/Connection.h"
#include "db/ConnectionSpec.h"
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

TEST(ConnectionSpecKeys, BracedAndQuotedValuesKeepTheirSeparatorsAndKeysIgnoreLetterCase)
{
    const ConnectionSpec spec(
        QStringLiteral(" driver = {SQLite3 ODBC Driver} ;DATABASE={/data/a;b}}c.db};Pwd='x;y}';Description=\"q;r\";"));
    EXPECT_EQ(spec.kind(), DriverKind::SQLite);
    EXPECT_EQ(spec.value(QStringLiteral("Driver")), QStringLiteral("SQLite3 ODBC Driver"));
    EXPECT_EQ(spec.value(QStringLiteral("database")), QStringLiteral("/data/a;b}c.db"));
    EXPECT_EQ(spec.value(QStringLiteral("PWD")), QStringLiteral("x;y}"));
    EXPECT_EQ(spec.value(QStringLiteral("DESCRIPTION")), QStringLiteral("q;r"));
    EXPECT_EQ(spec.description(), QStringLiteral("the SQLite file /data/a;b}c.db"));

    // A value given to a key reads back as it was given, whatever it holds,
    // both from the value and from its text read afresh.
    for (const QString& value :
         {QStringLiteral("a;b"), QStringLiteral("a}b"), QStringLiteral("{a}"), QStringLiteral("'quoted'"),
          QStringLiteral("\"quoted\""), QStringLiteral(" padded "), QStringLiteral("\ttab"), QStringLiteral("é € ü"),
          QString()}) {
        for (const ConnectionSpec& changed : {spec.WithValue(QStringLiteral("DataBase"), value),
                                              spec.WithKey(QStringLiteral("Extra"), value)}) {
            const QString key = changed.has(QStringLiteral("Extra")) ? QStringLiteral("extra") : QStringLiteral("Database");
            EXPECT_EQ(changed.value(key), value) << changed.text().toStdString();
            EXPECT_EQ(ConnectionSpec(changed.text()).value(key), value) << changed.text().toStdString();
            EXPECT_EQ(ConnectionSpec(changed.text()).value(QStringLiteral("PWD")), QStringLiteral("x;y}"));
        }
    }
    // Replacing a key leaves one of it; adding one keeps the text before it.
    EXPECT_EQ(spec.WithValue(QStringLiteral("database"), QStringLiteral("b.db")).keys().pairs().size(), spec.keys().pairs().size());
    EXPECT_TRUE(spec.WithKey(QStringLiteral("Timeout"), QStringLiteral("5")).text().startsWith(spec.text()));
}

TEST(ConnectionSpecKeys, KnowsTheKindOfDatabaseByDriverOrProvider)
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
        EXPECT_EQ(ConnectionSpec(QString::fromUtf8(c.text)).kind(), c.kind) << c.text;

    const ConnectionSpec dsn(QStringLiteral("DSN=Stats;UID=u;PWD=pw"));
    EXPECT_EQ(dsn.description(), QStringLiteral("the data source Stats"));
    EXPECT_FALSE(dsn.identity().isKnown()) << "which database a data source reaches is the driver manager's to say";
    EXPECT_FALSE(dsn.sameDatabaseAs(ConnectionSpec(QStringLiteral("dsn=Stats"))));
    EXPECT_FALSE(dsn.isProviderString());
    EXPECT_TRUE(ConnectionSpec(QStringLiteral("  provider=SQLOLEDB;Data Source=h")).isProviderString());
    EXPECT_TRUE(ConnectionSpec(QStringLiteral(" \t ")).isBlank());
}

TEST(ConnectionSpecKeys, NoPasswordAppearsInAnyDescription)
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
        const ConnectionSpec spec(text);
        ASSERT_TRUE(spec.text().contains(QStringLiteral("s3cr")));
        EXPECT_FALSE(spec.description().contains(QStringLiteral("s3cr"))) << spec.description().toStdString();
        const QString masked = spec.masked();
        EXPECT_FALSE(masked.contains(QStringLiteral("s3cr"))) << masked.toStdString();
        EXPECT_FALSE(masked.contains(QStringLiteral("e}t"))) << masked.toStdString();
        // Masked, the string still reads as the same keys.
        const ConnectionSpec reread(masked);
        ASSERT_EQ(reread.keys().pairs().size(), spec.keys().pairs().size()) << masked.toStdString();
        for (std::size_t i = 0; i < spec.keys().pairs().size(); ++i) {
            const auto& [key, value] = spec.keys().pairs()[i];
            EXPECT_EQ(reread.keys().pairs()[i].second, value == secret ? QStringLiteral("***") : value) << key.toStdString();
        }
        // The open's translation keeps the password, and the mask finds it
        // there too.
        const ConnectionSpec odbc = spec.ForOdbc({QStringLiteral("FreeTDS")});
        EXPECT_FALSE(odbc.masked().contains(QStringLiteral("s3cr"))) << odbc.masked().toStdString();
        EXPECT_FALSE(odbc.description().contains(QStringLiteral("s3cr")));
    }
    EXPECT_EQ(ConnectionSpec(QStringLiteral("Driver=SQLite3;Database=a.db")).masked(), QStringLiteral("Driver=SQLite3;Database=a.db"))
        << "a string without a password stays as written";
}

TEST(ConnectionSpecIdentity, SqlServerDatabasesCompareByServerAndDatabaseWithoutLetterCase)
{
    const ConnectionSpec provider(QStringLiteral("Provider=SQLOLEDB;Data Source=DB01\\INST;Initial Catalog=Stats;User ID=a"));
    const ConnectionSpec odbc(QStringLiteral("Driver={ODBC Driver 18 for SQL Server};server=db01\\inst;DATABASE=stats;UID=b"));
    EXPECT_TRUE(provider.sameDatabaseAs(odbc));
    EXPECT_EQ(provider.identity().shown, QStringLiteral("DB01\\INST/Stats"));
    EXPECT_FALSE(provider.sameDatabaseAs(ConnectionSpec(QStringLiteral("Driver=FreeTDS;Server=db01\\inst;Database=Stats2"))));
    EXPECT_FALSE(provider.sameDatabaseAs(ConnectionSpec(QStringLiteral("Driver=FreeTDS;Server=db02;Database=Stats"))));
    // Without a database name the login's default is reached, which the
    // string does not say.
    const ConnectionSpec noDatabase(QStringLiteral("Driver=FreeTDS;Server=db01\\inst"));
    EXPECT_FALSE(noDatabase.identity().isKnown());
    EXPECT_FALSE(noDatabase.sameDatabaseAs(noDatabase));
}

TEST(ConnectionSpecIdentity, TwoSpellingsOfOneFileAreOneDatabase)
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

    const ConnectionSpec plain(QStringLiteral("Driver=SQLite3;Database=%1").arg(file));
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
        EXPECT_TRUE(plain.sameDatabaseAs(ConnectionSpec(text))) << text.toStdString();
    EXPECT_EQ(plain.identity().shown, file);

    // The identity is the one the open connection tells.
    const auto connection = Connection::Open(plain);
    EXPECT_EQ(plain.identity(), IdentityOf(*connection));

    // A file not made yet is named by its absolute path.
    const ConnectionSpec fresh(QStringLiteral("Driver=SQLite3;Database=%1/new.db").arg(folder));
    EXPECT_TRUE(fresh.sameDatabaseAs(ConnectionSpec(QStringLiteral("Driver=SQLite3;Database=%1/sub/../new.db").arg(folder))));
    EXPECT_FALSE(fresh.sameDatabaseAs(plain));
    EXPECT_FALSE(fresh.sameDatabaseAs(ConnectionSpec(QStringLiteral("Driver=SQLite3;Database=%1/other.db").arg(folder))));

    // Databases held in memory are no file, and never one another.
    for (const char* memory : {"Driver=SQLite3;Database=:memory:", "Driver=SQLite3;Database=file:x?mode=memory",
                               "Driver=SQLite3;Database=", "Driver=SQLite3"}) {
        const ConnectionSpec spec(QString::fromUtf8(memory));
        EXPECT_FALSE(spec.identity().isKnown()) << memory;
        EXPECT_FALSE(spec.sameDatabaseAs(spec)) << memory;
    }
}

TEST(ConnectionSpecAccess, TheAccessFileIsAnOdbcStringThatKeepsItsPathWhateverItHolds)
{
    for (const QString& path : {QStringLiteral("C:\\Backup Files\\\u00e9t\u00e9 \u20ac.mdb"),
                                QStringLiteral("/backups/stat, 2024;old}.mdb"), QStringLiteral("\u0421\u0442\u0430\u0442.accdb")}) {
        const ConnectionSpec target = ConnectionSpec::AccessFile(path, {QStringLiteral("SQLite3"), kAccessDriver});
        EXPECT_TRUE(target.text().startsWith(QStringLiteral("Driver={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=")))
            << target.text().toStdString();
        EXPECT_FALSE(target.isProviderString());
        EXPECT_EQ(target.kind(), DriverKind::Access);
        EXPECT_EQ(target.value(QStringLiteral("dbq")), path);
        EXPECT_EQ(ConnectionSpec(target.text()).value(QStringLiteral("DBQ")), path) << target.text().toStdString();
        EXPECT_EQ(target.description(), QStringLiteral("the Access file %1").arg(path));
        EXPECT_EQ(target.ForOdbc({}).text(), target.text()) << "an ODBC string is opened as it is";
        // The same text the provider string of the file was opened with.
        EXPECT_EQ(ConnectionSpec(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1").arg(OdbcPair({}, path).mid(1)))
                      .ForOdbc({kAccessDriver})
                      .text(),
                  target.text());
        EXPECT_TRUE(target.sameDatabaseAs(ConnectionSpec::AccessFile(path, {})));
    }
    // Where only the 32-bit Jet driver is installed it is the one named;
    // where none is, the one a 64-bit program can load.
    EXPECT_EQ(ConnectionSpec::AccessFile(QStringLiteral("b.mdb"), {QStringLiteral("microsoft access driver (*.mdb)")}).text(),
              QStringLiteral("Driver={microsoft access driver (*.mdb)};DBQ=b.mdb"));
    EXPECT_EQ(ConnectionSpec::AccessFile(QStringLiteral("b.mdb"), {}).text(),
              QStringLiteral("Driver={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=b.mdb"));
}
