#include "cleanup/Databases.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"

#include "tests/cli/CommandLineFixture.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

using namespace qel;
using namespace qel::test;

// Inputs a run cannot be trusted with are refused before anything is
// opened for writing, each with a message that names the setting or the
// table, and every file stays as it was.
class RefusedInputsTest : public CommandLineTest {
protected:
    QString Folder() const { return temp.path(QStringLiteral("product")); }

    // Runs a command that must be refused with `exitCode`; the message on
    // standard error must hold every one of `named`.
    Result ExpectRefused(const QStringList& arguments, int exitCode, const QStringList& named)
    {
        const auto bytes = FolderDigest(Folder());
        const Result r = Run(arguments);
        const std::string what = arguments.join(' ').toStdString();
        EXPECT_EQ(r.exitCode, exitCode) << what << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << what << "\n" << r.out.toStdString();
        for (const QString& name : named)
            EXPECT_TRUE(r.err.contains(name)) << what << ": '" << name.toStdString() << "' in\n" << r.err.toStdString();
        EXPECT_EQ(FolderDigest(Folder()), bytes) << what;
        EXPECT_TRUE(QDir(workFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty())
            << what << ": a file was written into the working folder";
        return r;
    }
};

TEST_F(RefusedInputsTest, ListSurveysOnlyReadsAndServesAReadOnlyCopy)
{
    Result r = Run(QStringList{"list-surveys"} + Settings());
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_FALSE(TableNames(product.callCenter()).contains(QStringLiteral("CleaningHistory")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("Never")));

    if (!CanDenyWrites())
        GTEST_SKIP() << "an administrator's child writes read-only files here";
    const QString copy = temp.path(QStringLiteral("copy/callcenter.db"));
    QDir().mkpath(QFileInfo(copy).absolutePath());
    ASSERT_TRUE(QFile::copy(product.path(QStringLiteral("callcenter.db")), copy));
    ASSERT_TRUE(QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    const auto bytes = FolderDigest(QFileInfo(copy).absolutePath());
    ChildLimits limits;
    limits.honourFileModes = true;
    const Result copied = Run(QStringList{"list-surveys"} + Settings() + QStringList{"--set", "CallCenterSrc=" + SQLiteConnection(copy)},
                              {}, limits);
    EXPECT_EQ(copied.exitCode, 0) << copied.err.toStdString();
    EXPECT_EQ(copied.out, r.out);
    EXPECT_EQ(FolderDigest(QFileInfo(copy).absolutePath()), bytes);
}

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
