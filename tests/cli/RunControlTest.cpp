#include "cleanup/Databases.h"
#include "cleanup/RunRecord.h"
#include "db/DatabaseError.h"
#include "db/Connection.h"
#include "fixtures/StatisticsSchema.h"
#include "tests/support/OperatingSystem.h"
#include "tests/support/Rows.h"

#include "tests/cli/CommandLineFixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <map>

using namespace qel;
using namespace qel::test;

namespace {

QJsonObject ReadJson(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QJsonDocument::fromJson(file.readAll()).object();
}

// The per-table counts of a report.
std::map<QString, long long> ReportedDeletes(const QJsonObject& report)
{
    std::map<QString, long long> rows;
    for (const QJsonValue& table : report.value(QStringLiteral("tables")).toArray())
        rows[table[QStringLiteral("table")].toString()] = table[QStringLiteral("deleted")].toInteger();
    return rows;
}

// "Statistic_Agent: 12 records would be deleted..." lines of a dry run.
std::map<QString, long long> PreviewedDeletes(const QString& out)
{
    std::map<QString, long long> rows;
    static const QRegularExpression line(QStringLiteral("^(\\w+): (\\d+) records would be deleted"),
                                         QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(out); it.hasNext();) {
        const auto match = it.next();
        rows[match.captured(1)] = match.captured(2).toLongLong();
    }
    rows.erase(QStringLiteral("Total"));
    return rows;
}

QStringList PreviewedDrops(const QString& out)
{
    QStringList names;
    for (const QString& line : out.split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("Table to drop: ")))
            names << line.mid(15);
    names.sort();
    return names;
}

std::map<QString, long long> TableCounts(const QString& connection)
{
    std::map<QString, long long> rows;
    for (const StatisticsTable& table : StatisticsTables())
        rows[table.name] = CountRows(connection, QStringLiteral("SELECT COUNT(*) FROM %1").arg(table.name));
    return rows;
}

QStringList Dropped(const QStringList& before, const QStringList& after)
{
    QStringList gone;
    for (const QString& name : before)
        if (!after.contains(name))
            gone << name;
    gone.sort();
    return gone;
}

} // namespace

TEST_F(CommandLineTest, ADryRunChangesNoByteAndCountsWhatTheRunThenDeletes)
{
    const QString folder = temp.path(QStringLiteral("product"));
    const auto bytes = FolderDigest(folder);
    const QStringList backup = {"--set", "BackupType=1", "--before", "2024-03-05"};
    const QString dryReport = temp.path(QStringLiteral("dry.json"));
    Result dry = Run(QStringList{"by-date", "--dry-run", "--report", dryReport} + backup + Settings());
    ASSERT_EQ(dry.exitCode, 0) << dry.err.toStdString();
    EXPECT_EQ(FolderDigest(folder), bytes) << "a dry run wrote to a database, or created the backup";
    const auto previewed = PreviewedDeletes(dry.out);
    ASSERT_EQ(previewed.size(), StatisticsTables().size()) << dry.out.toStdString();
    EXPECT_TRUE(dry.out.contains(QStringLiteral("Agents: "))) << "the reference tables are copied whole";
    EXPECT_TRUE(dry.out.endsWith(QStringLiteral("Dry run: nothing was changed.\n")));
    EXPECT_TRUE(ReadJson(dryReport).value(QStringLiteral("dryRun")).toBool());

    // The run deletes what the preview counted, and its report says so.
    const auto before = TableCounts(product.statistics());
    const QString report = temp.path(QStringLiteral("run.json"));
    const Result run = Run(QStringList{"by-date", "--report", report} + backup + Settings());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const auto after = TableCounts(product.statistics());
    const QJsonObject json = ReadJson(report);
    const auto reported = ReportedDeletes(json);
    long long total = 0;
    for (const StatisticsTable& table : StatisticsTables()) {
        const long long left = before.at(table.name) - after.at(table.name);
        total += left;
        EXPECT_EQ(previewed.at(table.name), left) << table.name.toStdString();
        EXPECT_EQ(reported.at(table.name), left) << table.name.toStdString();
        EXPECT_EQ(CountRows(product.backup(), QStringLiteral("SELECT COUNT(*) FROM %1").arg(table.name)), left);
    }
    EXPECT_GT(total, 0);
    EXPECT_EQ(json.value(QStringLiteral("deleted")).toInteger(), total);
    EXPECT_EQ(json.value(QStringLiteral("outcome")).toString(), QStringLiteral("completed"));
    EXPECT_EQ(json.value(QStringLiteral("before")).toString(), QStringLiteral("2024-03-05"));
    EXPECT_EQ(run.out, QStringLiteral("Clean up successful : %1 records deleted!\n").arg(total));
}

TEST_F(CommandLineTest, DryRunsOfTheRemovalsNameTheTablesTheRunsThenDrop)
{
    const QString folder = temp.path(QStringLiteral("product"));
    struct Case {
        QStringList command;
        QString connection;
    };
    const QList<Case> cases = {{{"surveys"}, product.surveys()},
                               {{"lists"}, product.lists()},
                               {{"web-interviews"}, product.webInterviews()}};
    for (const Case& c : cases) {
        const auto bytes = FolderDigest(folder);
        const Result dry = Run(c.command + QStringList{"--dry-run"} + Settings());
        ASSERT_EQ(dry.exitCode, 0) << dry.err.toStdString();
        EXPECT_EQ(FolderDigest(folder), bytes) << c.command.first().toStdString();
        const QStringList listed = PreviewedDrops(dry.out);
        EXPECT_FALSE(listed.isEmpty()) << dry.out.toStdString();
        EXPECT_TRUE(dry.out.contains(QStringLiteral("%1 tables would be dropped\n").arg(listed.size())));
        EXPECT_FALSE(dry.out.contains(QStringLiteral("have been deleted"))) << dry.out.toStdString();

        const QStringList tables = TableNames(c.connection);
        const Result run = Run(c.command + Settings());
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(Dropped(tables, TableNames(c.connection)), listed) << c.command.first().toStdString();
    }

    // Clean-up by survey of every kind: not even CleaningHistory is written.
    product.CreateAll();
    const auto bytes = FolderDigest(folder);
    const QStringList bySurvey = {"by-survey", "--ids", "1,3", "--stats", "--surveys", "--lists", "--web-interviews"};
    const Result dry = Run(bySurvey + QStringList{"--dry-run"} + Settings());
    ASSERT_EQ(dry.exitCode, 0) << dry.err.toStdString();
    EXPECT_EQ(FolderDigest(folder), bytes);
    const auto previewed = PreviewedDeletes(dry.out);
    QStringList before;
    for (const QString& connection : {product.surveys(), product.lists(), product.webInterviews()})
        before += TableNames(connection);
    const auto statsBefore = TableCounts(product.statistics());
    const Result run = Run(bySurvey + Settings());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList after;
    for (const QString& connection : {product.surveys(), product.lists(), product.webInterviews()})
        after += TableNames(connection);
    EXPECT_EQ(Dropped(before, after), PreviewedDrops(dry.out));
    const auto statsAfter = TableCounts(product.statistics());
    for (const auto& [table, rows] : previewed)
        EXPECT_EQ(rows, statsBefore.at(table) - statsAfter.at(table)) << table.toStdString();
}

TEST_F(CommandLineTest, EveryRunLeavesALineInTheRunLogAndReportsMaskPasswords)
{
    const QString report = temp.path(QStringLiteral("lists.json"));
    Result r = Run(QStringList{"lists", "--report", report} + Settings()
                   + QStringList{"--set", "StatTgt=Driver=SQLite3;Database=/nowhere/b.db;PWD=s3cret"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QFile reportFile(report);
    ASSERT_TRUE(reportFile.open(QIODevice::ReadOnly));
    const QByteArray text = reportFile.readAll();
    EXPECT_FALSE(text.contains("s3cret"));
    const QJsonObject json = QJsonDocument::fromJson(text).object();
    EXPECT_EQ(json[QStringLiteral("settings")][QStringLiteral("StatTgt")].toString(),
              QStringLiteral("Driver=SQLite3;Database=/nowhere/b.db;PWD=***"));
    EXPECT_EQ(json[QStringLiteral("droppedTables")].toArray().size(), 12);

    r = Run(QStringList{"by-date"} + Settings() + QStringList{"--set", "StatSrc=Driver=SQLite3;Database=/no/such/dir/x.db"});
    EXPECT_EQ(r.exitCode, 1);

    QFile log(dataHome() + QStringLiteral("/Marvolen/QelCleanup/runs.jsonl"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = log.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3); // two lines and the end
    EXPECT_EQ(QJsonDocument::fromJson(lines[0]).object(), json) << "the log holds the report's record";
    const QJsonObject failed = QJsonDocument::fromJson(lines[1]).object();
    EXPECT_EQ(failed[QStringLiteral("outcome")].toString(), QStringLiteral("failed"));
    EXPECT_TRUE(failed[QStringLiteral("error")].toString().startsWith(QStringLiteral("ADO error in DoSQLCleanup")));
}

TEST_F(CommandLineTest, HelpNamesTheExitCodesTheSettingsFileAndTheWindow)
{
    const Result r = Run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
#if QELCLEANUP_HAS_WINDOW
    const QString withoutCommand = QStringLiteral("Without a command the program opens the QelCleanup window.");
#else
    const QString withoutCommand = QStringLiteral("This qelcleanup was built without the window: give a command.");
#endif
    for (const QString& part : {QStringLiteral("--dry-run"), QStringLiteral("--report <FILE>"), withoutCommand,
                                QStringLiteral("Settings: ") + settingsFile(), QStringLiteral("  0  the clean-up completed"),
                                QStringLiteral("  1  a database error"), QStringLiteral("  2  usage error"),
                                QStringLiteral("  3  stopped by Ctrl-C or SIGTERM")})
        EXPECT_TRUE(r.out.contains(part)) << part.toStdString() << "\n" << r.out.toStdString();
}

TEST(RunRecord, MasksEveryPasswordKeyAndLeavesOtherStringsAsWritten)
{
    EXPECT_EQ(MaskPasswords(QStringLiteral("Driver={ODBC Driver 18 for SQL Server};Server=db;UID=sa;PWD={a;b}}c}")),
              QStringLiteral("Driver=ODBC Driver 18 for SQL Server;Server=db;UID=sa;PWD=***"));
    EXPECT_EQ(MaskPasswords(QStringLiteral("Provider=SQLOLEDB;Password=x;Jet OLEDB:Database Password=y")),
              QStringLiteral("Provider=SQLOLEDB;Password=***;Jet OLEDB:Database Password=***"));
    EXPECT_FALSE(MaskPasswords(QStringLiteral("Driver=x;junk;pwd=secret")).contains(QStringLiteral("secret")));
    EXPECT_EQ(MaskPasswords(QStringLiteral("Driver=SQLite3;Database=/d/s.db")), QStringLiteral("Driver=SQLite3;Database=/d/s.db"));
}

// Ctrl-C in the middle of a clean-up with a backup, in batches of 50: the
// run ends after a whole batch with 3, every row that left the statistics
// is in the backup once, and a rerun ends where an uninterrupted run does.
TEST_F(CommandLineTest, CtrlCStopsAfterAWholeBatchAndARerunCarriesOn)
{
    if (!CanInterruptChildren())
        GTEST_SKIP() << "this system cannot send a child program Ctrl-C";
    FixtureOptions options;
    options.calls = 3000;
    product.CreateAll(options);
    const QString original = temp.path(QStringLiteral("original.db"));
    ASSERT_TRUE(QFile::copy(product.path(QStringLiteral("statistics.db")), original));
    const QStringList arguments = QStringList{"by-date", "--before", "2024-03-05", "--set", "BackupType=1", "--set",
                                              "BatchSize=50", "--verbose"}
        + Settings();

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
    process.setProcessEnvironment(env);
    const QString report = temp.path(QStringLiteral("stopped.json"));
    process.start(QStringLiteral(QELCLEANUP_BINARY), arguments + QStringList{"--report", report});
    process.setReadChannel(QProcess::StandardError);
    QByteArray err;
    // A few batches into the third table, Ctrl-C, and again: the second
    // must not end the process mid-batch.
    while (!err.contains("Statistic_InboundGroup: ") && process.state() != QProcess::NotRunning)
        if (process.waitForReadyRead(30000))
            err += process.readAllStandardError();
    ASSERT_EQ(process.state(), QProcess::Running) << err.toStdString();
    ASSERT_TRUE(Interrupt(process));
    // The second Ctrl-C comes once the first is taken, as a person's would.
    while (!err.contains("stopping after the batch in flight") && process.state() != QProcess::NotRunning)
        if (process.waitForReadyRead(30000))
            err += process.readAllStandardError();
    ASSERT_TRUE(Interrupt(process)) << "the run is still going after the first Ctrl-C";
    ASSERT_TRUE(process.waitForFinished(60000));
    err += process.readAllStandardError();
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 3) << err.toStdString();
    const QRegularExpressionMatch stopped = QRegularExpression(QStringLiteral("^Stopped: (\\d+) records deleted\n$")).match(out);
    ASSERT_TRUE(stopped.hasMatch()) << out.toStdString();
    EXPECT_TRUE(err.contains("stopping after the batch in flight"));

    // Both files are sound, and each row is in exactly one of them.
    for (const QString& connection : {product.statistics(), product.backup()})
        EXPECT_EQ(CountRows(connection, QStringLiteral("SELECT COUNT(*) FROM pragma_integrity_check WHERE integrity_check <> 'ok'")), 0);
    auto backupFile = Connection::Open(product.backup());
    backupFile->Execute(QStringLiteral("ATTACH DATABASE '%1' AS original")
                            .arg(QString(original).replace(QLatin1Char('\''), QStringLiteral("''"))));
    const QJsonObject json = ReadJson(report);
    EXPECT_EQ(json[QStringLiteral("outcome")].toString(), QStringLiteral("stopped"));
    const auto reported = ReportedDeletes(json);
    long long left = 0;
    const QStringList backupTables = TableNames(product.backup());
    for (const StatisticsTable& table : StatisticsTables()) {
        const long long originalRows = CountRows(SQLiteConnection(original), QStringLiteral("SELECT COUNT(*) FROM %1").arg(table.name));
        const long long sourceRows = CountRows(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM %1").arg(table.name));
        const long long backupRows = backupTables.contains(table.name)
            ? CountRows(product.backup(), QStringLiteral("SELECT COUNT(*) FROM %1").arg(table.name))
            : 0;
        EXPECT_EQ(sourceRows + backupRows, originalRows) << table.name.toStdString();
        EXPECT_EQ(reported.count(table.name) ? reported.at(table.name) : 0, backupRows) << table.name.toStdString();
        left += originalRows - sourceRows;
        if (backupRows == 0)
            continue;
        // The rows in the backup are rows of the original, none twice.
        const long long strays = Scalar(
            *backupFile,
            QStringLiteral("SELECT (SELECT COUNT(*) FROM (SELECT * FROM main.%1 EXCEPT SELECT * FROM original.%1)) "
                           "+ (SELECT COUNT(*) FROM main.%1) - (SELECT COUNT(*) FROM (SELECT DISTINCT * FROM main.%1))")
                .arg(table.name));
        EXPECT_EQ(strays, 0) << table.name.toStdString();
    }
    backupFile.reset();
    EXPECT_EQ(left, stopped.captured(1).toLongLong());
    EXPECT_GT(left, 0);

    // The rerun takes the rest; together the two took what one run takes
    // from a copy of the original.
    const Result rerun = Run(arguments);
    ASSERT_EQ(rerun.exitCode, 0) << rerun.err.toStdString();
    const QString uninterrupted = temp.path(QStringLiteral("uninterrupted.db"));
    ASSERT_TRUE(QFile::copy(original, uninterrupted));
    const Result whole = Run(QStringList{"by-date", "--before", "2024-03-05"} + Settings()
                             + QStringList{"--set", "StatSrc=" + SQLiteConnection(uninterrupted)});
    ASSERT_EQ(whole.exitCode, 0) << whole.err.toStdString();
    const auto count = [](const QString& text) {
        return QRegularExpression(QStringLiteral("(\\d+) records deleted")).match(text).captured(1).toLongLong();
    };
    EXPECT_EQ(left + count(rerun.out), count(whole.out));
    EXPECT_EQ(TableCounts(product.statistics()), TableCounts(SQLiteConnection(uninterrupted)));
    for (const StatisticsTable& table : StatisticsTables())
        EXPECT_EQ(CountRows(product.backup(), QStringLiteral("SELECT COUNT(*) FROM %1").arg(table.name)),
                  CountRows(SQLiteConnection(original), QStringLiteral("SELECT COUNT(*) FROM %1").arg(table.name))
                      - CountRows(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM %1").arg(table.name)))
            << table.name.toStdString();
}


// A preview opens SQLite files read-only: a write that slipped into it
// fails instead of changing the file, also in a folder whose name a URI
// must escape.
TEST(ReadOnlyOpening, SQLiteFilesOpenReadOnlyWhileOneLives)
{
    TempDatabases temp;
    QDir().mkpath(temp.path(TempDatabases::AwkwardName() + QStringLiteral(" #%?")));
    const QString file = temp.path(TempDatabases::AwkwardName() + QStringLiteral(" #%?/calls.db"));
    const QString connection = SQLiteConnection(file);
    ExecuteAll(connection, {QStringLiteral("CREATE TABLE Calls (ID INTEGER)"), QStringLiteral("INSERT INTO Calls VALUES (1)")});
    {
        ReadOnlyOpening readOnly;
        auto opened = OpenDatabase(connection, DatabaseRole::Statistics);
        EXPECT_EQ(Scalar(*opened, QStringLiteral("SELECT COUNT(*) FROM Calls")), 1);
        EXPECT_THROW(opened->Execute(QStringLiteral("INSERT INTO Calls VALUES (2)")), DatabaseError);
        // A missing file is reported as the usual open reports it.
        try {
            OpenDatabase(SQLiteConnection(temp.path(QStringLiteral("none.db"))), DatabaseRole::Statistics);
            ADD_FAILURE() << "a missing file opened";
        } catch (const DatabaseError& e) {
            EXPECT_TRUE(e.description().contains(QStringLiteral("does not exist"))) << e.description().toStdString();
        }
    }
    OpenDatabase(connection, DatabaseRole::Statistics)->Execute(QStringLiteral("INSERT INTO Calls VALUES (2)"));
    EXPECT_EQ(CountRows(connection, QStringLiteral("SELECT COUNT(*) FROM Calls")), 2);
}
