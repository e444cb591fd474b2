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

TEST_F(RefusedInputsTest, BackupTargetsThatKeepNothingOrLandUnnamedAreRefusedWithExitTwo)
{
    struct Case {
        QString target;
        QString named; // what the message shows of it
    };
    const Case sqlTargets[] = {
        {QStringLiteral("Driver=SQLite3;Database=:memory:"), QStringLiteral("':memory:'")},
        {QStringLiteral("Driver=SQLite3;Database=file::memory:"), QStringLiteral("in-memory")},
        {QStringLiteral("Driver=SQLite3;Database={file:backup.db?cache=shared&mode=memory}"), QStringLiteral("in-memory")},
        {QStringLiteral("Driver=SQLite3;Database=file:///tmp/b.db?mode=%6Demory"), QStringLiteral("in-memory")},
        {QStringLiteral("Driver=SQLite3;Database=file:?mode=rwc"), QStringLiteral("temporary")},
        {QStringLiteral("Driver=SQLite3;Database=;Timeout=100"), QStringLiteral("empty database")},
        {QStringLiteral("Driver=SQLite3;Database=   "), QStringLiteral("empty database")},
        {QStringLiteral("Driver=SQLite3"), QStringLiteral("names no database")},
        {QStringLiteral("Driver=FreeTDS;Server=db01;UID=u;PWD=secret"), QStringLiteral("server db01")},
        {QStringLiteral("  "), QStringLiteral("StatTgt is empty")},
    };
    for (const Case& c : sqlTargets) {
        SCOPED_TRACE(c.target.toStdString());
        const QStringList backup = {"--set", "BackupType=1", "--set", "StatTgt=" + c.target};
        for (const QStringList& command : {QStringList{"by-date", "--before", "2024-03-05"},
                                           QStringList{"by-date", "--dry-run", "--before", "2024-03-05"},
                                           QStringList{"by-survey", "--ids", "1", "--stats"}}) {
            const Result r = ExpectRefused(command + Settings() + backup, 2, {QStringLiteral("qelcleanup: StatTgt"), c.named});
            EXPECT_FALSE(r.err.contains(QLatin1String("secret")));
            EXPECT_FALSE(r.err.contains(QLatin1String("the SQLite file :memory:")));
        }
    }
    ExpectRefused(QStringList{"by-date"} + Settings() + QStringList{"--set", "BackupType=2", "--set", "AccessTgt= "}, 2,
                  {QStringLiteral("AccessTgt is empty")});
    // Without a backup the target is not looked at.
    const Result r = Run(QStringList{"by-date", "--dry-run"} + Settings() + QStringList{"--set", "StatTgt=Driver=SQLite3;Database=:memory:"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
}

TEST_F(RefusedInputsTest, TimeoutTakesAWholeNumberFromZeroWhereverItComesFrom)
{
    for (const char* timeout : {"abc", "12x", "-1", "1.5", "+5"})
        ExpectRefused(QStringList{"by-date"} + Settings() + QStringList{"--set", QStringLiteral("Timeout=%1").arg(timeout)}, 2,
                      {QStringLiteral("Timeout takes a whole number of seconds from 0 up"), QStringLiteral("'%1'").arg(timeout)});
    // Empty and 0 keep meaning 300 seconds; blanks around a number are no mistake.
    for (const char* timeout : {"", "0", " 7 "}) {
        const Result r = Run(QStringList{"lists", "--dry-run"} + Settings() + QStringList{"--set", QStringLiteral("Timeout=%1").arg(timeout)});
        EXPECT_EQ(r.exitCode, 0) << timeout << ": " << r.err.toStdString();
    }

    // A value stored by hand is refused alike, by every command.
    QDir().mkpath(QFileInfo(settingsFile()).absolutePath());
    QFile file(settingsFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Settings]\nTimeout=12x\n");
    file.close();
    QStringList settings = Settings();
    settings.removeLast(); // the fixture's Timeout=30
    settings.removeLast();
    for (const char* command : {"by-date", "lists", "list-surveys"})
        ExpectRefused(QStringList{command} + settings, 2, {QStringLiteral("Timeout"), QStringLiteral("'12x'")});
}

TEST_F(RefusedInputsTest, ACutOffAfterTodayTakesAllowFuture)
{
    const QString tomorrow = QDate::currentDate().addDays(1).toString(Qt::ISODate);
    ExpectRefused(QStringList{"by-date", "--before", tomorrow} + Settings(), 2,
                  {QStringLiteral("--before %1 is after today").arg(tomorrow), QStringLiteral("--allow-future")});
    ExpectRefused(QStringList{"lists", "--allow-future"} + Settings(), 2, {QStringLiteral("--allow-future belongs to by-date")});

    const Result today = Run(QStringList{"by-date", "--dry-run", "--before", QDate::currentDate().toString(Qt::ISODate)} + Settings());
    EXPECT_EQ(today.exitCode, 0) << today.err.toStdString();
    const long long calls = Count(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call"));
    const Result allowed = Run(QStringList{"by-date", "--allow-future", "--before", tomorrow} + Settings());
    EXPECT_EQ(allowed.exitCode, 0) << allowed.err.toStdString();
    EXPECT_LT(Count(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), calls);
}

TEST_F(RefusedInputsTest, BySurveyWithNoKindToCleanIsRefused)
{
    for (const QStringList& command : {QStringList{"by-survey", "--ids", "2"}, QStringList{"by-survey", "--ids", "2", "--dry-run"}})
        ExpectRefused(command + Settings() + QStringList{"--set", "BackupType=1"}, 2,
                      {QStringLiteral("qelcleanup: choose at least one of --stats, --surveys, --web-interviews, --lists\n")});
}

TEST_F(RefusedInputsTest, DatesTheTextComparisonWouldMisjudgeStopTheRunBeforeAnyRowGoes)
{
    // Each a date of 2025, after the cut-off, in a form SQLite documents or
    // an administrator may have imported; the comparison with the cut-off
    // as text would delete the first three and keep the BLOB whatever it says.
    struct Case {
        const char* table;
        const char* column;
        const char* value;
        const char* shown;
        bool indexed;
    };
    const Case cases[] = {
        {"Statistic_Call", "Start_Time", "julianday('2025-01-01')", "2460676.5", false},
        {"Statistic_Alarms", "Time", "1735689600", "1735689600", true},
        {"Statistic_Pause", "Start_Time", "'01/01/2025'", "'01/01/2025'", true},
        {"Statistic_KeyIn", "StartTime", "CAST('2025-01-01' AS BLOB)", "X'323032352D30312D3031'", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        product.CreateAll();
        QStringList statements{QStringLiteral("UPDATE %1 SET %2 = %3 WHERE rowid = (SELECT max(rowid) FROM %1)")
                                   .arg(QLatin1String(c.table), QLatin1String(c.column), QLatin1String(c.value))};
        if (c.indexed)
            statements << QStringLiteral("CREATE INDEX Dates ON %1 (%2)").arg(QLatin1String(c.table), QLatin1String(c.column));
        ExecuteAll(product.statistics(), statements);
        // The check reads a table in one statement, or window by window
        // as the batches will (the value is in the last window).
        for (const char* batchSize : {"BatchSize=0", "BatchSize=3", "BatchSize=4000"})
            for (const QStringList& command : {QStringList{"by-date", "--dry-run", "--before", "2024-03-05"},
                                               QStringList{"by-date", "--before", "2024-03-05", "--set", "BackupType=1"}})
                ExpectRefused(command + Settings() + QStringList{"--set", batchSize}, 1,
                              {QStringLiteral("%1.%2 holds %3").arg(QLatin1String(c.table), QLatin1String(c.column),
                                                                    QLatin1String(c.shown)),
                               QStringLiteral("Nothing was deleted"), QStringLiteral("Database of StatSrc: the SQLite file ")});
        EXPECT_FALSE(QFile::exists(product.path(QStringLiteral("backup.db")))) << "the backup was not even made";
    }
    // By survey no date is compared: such values stand in no one's way.
    const Result r = Run(QStringList{"by-survey", "--ids", "3", "--stats"} + Settings());
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
}

TEST_F(RefusedInputsTest, AnAccessBackupWithoutItsDriverFailsTheDryRunAndTheRunBeforeAnyRowGoes)
{
    const QString file = temp.path(QStringLiteral("backup.mdb"));
    const QStringList access = {"--set", "BackupType=2", "--set", "AccessTgt=" + file};
    for (const QStringList& command : {QStringList{"by-date", "--dry-run"}, QStringList{"by-date"},
                                       QStringList{"by-survey", "--ids", "3", "--surveys", "--dry-run"}})
        ExpectRefused(command + Settings() + access, 1,
                      {QStringLiteral("The ODBC driver 'Microsoft Access Driver (*.mdb"), QStringLiteral("AccessTgt"),
                       QStringLiteral("Database of AccessTgt: the Access file %1").arg(file)});
    EXPECT_FALSE(QFile::exists(file));
}

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
