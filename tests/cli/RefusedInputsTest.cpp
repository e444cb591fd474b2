#include "cleanup/Databases.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"

#include "tests/cli/CommandLineFixture.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

using namespace qel;
using namespace qel::test;

// A SQLite file named through a data source (DSN) of the driver manager.
class DataSourceTest : public CommandLineTest {
protected:
    void SetUp() override
    {
        CommandLineTest::SetUp();
        QFile ini(odbcIni());
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Text));
        QTextStream out(&ini);
        out << "[QelStats]\nDriver=SQLite3\nDatabase=" << product.path(QStringLiteral("statistics.db")) << "\n\n"
            << "[QelMissing]\nDriver=SQLite3\nDatabase=" << missing() << "\n";
    }

    QString odbcIni() const { return temp.path(QStringLiteral("odbc.ini")); }
    QString missing() const { return temp.path(QStringLiteral("missing.db")); }
    QProcessEnvironment Environment() const
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("ODBCINI"), odbcIni());
        return env;
    }
};

TEST_F(DataSourceTest, AMissingFileIsNotCreatedAndADryRunOpensTheFileReadOnly)
{
    const Result r = Run(QStringList{"by-date"} + Settings() + QStringList{"--set", "StatSrc=DSN=QelMissing"}, Environment());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("the file %1 does not exist").arg(missing()))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(missing()));

    // Through the data source the run works as through the driver's name.
    const QString dsn = QStringLiteral("DSN=QelStats");
    const Result dry = Run(QStringList{"by-date", "--dry-run", "--before", "2024-03-05"} + Settings()
                               + QStringList{"--set", "StatSrc=" + dsn},
                           Environment());
    EXPECT_EQ(dry.exitCode, 0) << dry.err.toStdString();
    EXPECT_TRUE(dry.out.contains(QStringLiteral("Statistic_Call: "))) << dry.out.toStdString();

    // What the dry run opens: the file, read-only.
    qputenv("ODBCINI", odbcIni().toLocal8Bit());
    const QString readOnly = ReadOnlyConnectionString(dsn);
    EXPECT_TRUE(readOnly.contains(QLatin1String("mode=ro"))) << readOnly.toStdString();
    {
        const ReadOnlyOpening opening;
        auto connection = OpenDatabase(dsn, DatabaseRole::Statistics);
        EXPECT_GT(connection->Execute(QStringLiteral("SELECT 1")), -1);
        EXPECT_THROW(connection->Execute(QStringLiteral("CREATE TABLE Written (x)")), DatabaseError);
    }
    EXPECT_THROW(OpenDatabase(QStringLiteral("DSN=QelMissing"), DatabaseRole::Statistics), DatabaseError);
    qunsetenv("ODBCINI");
    EXPECT_FALSE(QFile::exists(missing()));
    EXPECT_FALSE(TableNames(product.statistics()).contains(QStringLiteral("Written")));
}
