#include "cli/CommandLine.h"

#include "tests/cli/CommandLineFixture.h"

#include "core/NumberText.h"

#include <QFile>
#include <QRegularExpression>

using namespace qel;
using namespace qel::test;

TEST_F(CommandLineTest, TableRemovalCommandsPrintTheirCountsAndRemoveTheTables)
{
    Result r = Run(QStringList{"surveys"} + Settings());
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("16 old survey tables have been deleted!\n"));
    EXPECT_FALSE(TableNames(product.surveys()).contains(QStringLiteral("ZEBResponse1_1")));

    r = Run(QStringList{"lists"} + Settings());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("12 old list tables have been deleted!\n"));

    r = Run(QStringList{"web-interviews"} + Settings());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("3 old web survey tables have been deleted!\n"));
    // The run's summary, on standard error after the result message.
    static const QRegularExpression summary(QStringLiteral("^Dropped 3 tables in \\d+\\.\\d s\n$"));
    EXPECT_TRUE(summary.match(r.err).hasMatch()) << r.err.toStdString();
}

TEST_F(CommandLineTest, ByDateDeletesBeforeTheGivenDayWithABackupWhenAskedFor)
{
    const long long old = Count(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE Start_Time < '2024-03-05'"));
    ASSERT_GT(old, 0);
    const Result r = Run(QStringList{"by-date", "--before", "2024-03-05", "--set", "BackupType=1"} + Settings());
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Clean up successful : "))) << r.out.toStdString();
    // No progress when standard error is not a terminal: only the summary.
    static const QRegularExpression summary(QStringLiteral("^Deleted ([\\d,]+) rows \\(([\\d,]+) copied to the backup\\) in "
                                                           "\\d+\\.\\d s, [\\d,]+ rows/s\n$"));
    const QRegularExpressionMatch line = summary.match(r.err);
    ASSERT_TRUE(line.hasMatch()) << r.err.toStdString();
    const long long deleted = QString(line.captured(1)).remove(QLatin1Char(',')).toLongLong();
    EXPECT_EQ(r.out, QStringLiteral("Clean up successful : %1 records deleted!\n").arg(deleted));
    EXPECT_EQ(line.captured(2), line.captured(1));
    EXPECT_EQ(Count(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE Start_Time < '2024-03-05'")), 0);
    EXPECT_EQ(Count(product.backup(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), old);
}

TEST_F(CommandLineTest, VerboseShowsProgressOnStandardError)
{
    const Result r = Run(QStringList{"by-date", "--before", "2020-01-01", "--verbose"} + Settings());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("Clean up successful : 0 records deleted!\n"));
    // Every line says when it was written.
    static const QRegularExpression stamp(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d "));
    QStringList lines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3) << r.err.toStdString();
    EXPECT_TRUE(lines.takeLast().startsWith(QStringLiteral("Deleted 0 rows in "))) << "the summary ends the run";
    for (QString& line : lines) {
        EXPECT_TRUE(stamp.match(line).hasMatch()) << line.toStdString();
        line = line.mid(13);
    }
    EXPECT_TRUE(lines.contains(QStringLiteral("Opening databases")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Stage 1/21: Deleting records"))) << lines.join('\n').toStdString();
}

// With progress shown, the rows are counted first, as the window's
// confirmation counts them: every progress line then gives the same total,
// the run's, which is what the run deletes.
TEST_F(CommandLineTest, VerboseProgressIsTheWholeRunsAgainstOneCountedTotal)
{
    const Result r = Run(QStringList{"by-date", "--before", "2024-03-05", "--verbose", "--set", "BatchSize=3"} + Settings());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const long long deleted = r.out.section(QLatin1Char(' '), 4, 4).toLongLong();
    ASSERT_GT(deleted, 6) << r.out.toStdString();
    static const QRegularExpression progress(QStringLiteral("^\\S+   (\\w+): ([\\d,]+) of ([\\d,]+) rows"));
    QStringList tables;
    long long done = 0;
    for (const QString& line : r.err.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = progress.match(line);
        if (!m.hasMatch())
            continue;
        EXPECT_EQ(QString(m.captured(3)).remove(QLatin1Char(',')).toLongLong(), deleted) << line.toStdString();
        const long long now = QString(m.captured(2)).remove(QLatin1Char(',')).toLongLong();
        EXPECT_GE(now, done) << line.toStdString();
        done = now;
        if (!tables.contains(m.captured(1)))
            tables << m.captured(1);
    }
    EXPECT_GT(tables.size(), 2) << r.err.toStdString();
    EXPECT_EQ(done, deleted);
    EXPECT_TRUE(r.err.endsWith(QStringLiteral("\n"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.section(QLatin1Char('\n'), -2, -2).startsWith(QStringLiteral("Deleted %1 rows in ").arg(CountText(deleted))))
        << r.err.toStdString();
}

// "check" opens every database read-only and says how each answered; it
// creates nothing: no file for a SQLite path that is not there, no table.
TEST_F(CommandLineTest, CheckReportsEachSettingAndCreatesNothing)
{
    const auto before = FolderDigest(temp.path(QStringLiteral("product")));
    Result r = Run(QStringList{"check", "--set", "BackupType=1"} + Settings());
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 7) << r.out.toStdString();
    const char* settings[] = {"CallCenterSrc", "StatSrc", "SurveyDB", "WebInterviewDB", "WebProdDB", "ListDB", "StatTgt"};
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(lines[i].startsWith(QLatin1String(settings[i]) + QStringLiteral(": OK"))) << lines[i].toStdString();

    // A backup target that is not there yet is only looked for.
    const QString newBackup = temp.path(QStringLiteral("product/new-backup.db"));
    const QString missing = temp.path(QStringLiteral("product/missing-lists.db"));
    r = Run(QStringList{"check"} + Settings()
            + QStringList{"--set", "BackupType=1", "--set", "StatTgt=Driver=SQLite3;Database=" + newBackup, "--set",
                          "ListDB=Driver=SQLite3;Database=" + missing});
    EXPECT_EQ(r.exitCode, 1);
    lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 7) << r.out.toStdString();
    EXPECT_TRUE(lines[5].startsWith(QStringLiteral("ListDB: FAILED, the SQLite file %1: ").arg(missing))) << lines[5].toStdString();
    EXPECT_EQ(lines[6], QStringLiteral("StatTgt: OK, the SQLite file %1, not there yet: the first clean-up with a backup creates it")
                            .arg(newBackup));
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_FALSE(QFile::exists(newBackup));
    EXPECT_EQ(FolderDigest(temp.path(QStringLiteral("product"))), before) << "no file created or written, no table made";
    EXPECT_FALSE(QFile::exists(settingsFile())) << "nothing stored";

    // The dry-run and report switches belong to the clean-ups.
    EXPECT_EQ(Run(QStringList{"check", "--dry-run"} + Settings()).exitCode, 2);
}

// The dry run of a drop names the database of its tables.
TEST_F(CommandLineTest, DryRunsNameTheDatabaseTheirTablesWouldBeDroppedFrom)
{
    const Result r = Run(QStringList{"lists", "--dry-run"} + Settings());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Database of ListDB: "))) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(QLatin1Char(':')));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Table to drop: ")));
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("12 tables would be dropped\nDry run: nothing was changed.\n"))) << r.out.toStdString();
}

TEST_F(CommandLineTest, BySurveyCleansTheChosenKindsInOrder)
{
    const Result r = Run(QStringList{"by-survey", "--ids", "1,3", "--surveys", "--lists"} + Settings());
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("8 old survey tables have been deleted!\n6 old list tables have been deleted!\n"
                                    "Clean up successful : 0 records deleted!\n"));
    EXPECT_EQ(Count(product.callCenter(), QStringLiteral("SELECT COUNT(*) FROM CleaningHistory WHERE SurveysCleaned IS NOT NULL "
                                                         "AND ListsCleaned IS NOT NULL AND StatsCleaned IS NULL")),
              2);
}

TEST_F(CommandLineTest, ListSurveysPrintsTheDialogsTable)
{
    const Result r = Run(QStringList{"list-surveys"} + Settings());
    EXPECT_EQ(r.exitCode, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 9);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Id  Name ")));
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("Lists Cleaned")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1   Customer Satisfaction 2019  Legacy   Yes      Never")));
    EXPECT_EQ(lines[0].indexOf(QStringLiteral("Storage")), lines[1].indexOf(QStringLiteral("Legacy")));
}

TEST_F(CommandLineTest, ABadConnectionStringExitsWithOneAndChangesNothing)
{
    const QStringList before = TableNames(product.surveys());
    Result r = Run(QStringList{"surveys"} + Settings() + QStringList{"--set", "CallCenterSrc=Driver=No Such Driver"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("ADO error in OnCmdListcleanup ('unixODBC Driver Manager' : "))) << r.err.toStdString();
    EXPECT_EQ(TableNames(product.surveys()), before);

    r = Run(QStringList{"by-date"} + Settings() + QStringList{"--set", "StatSrc=Driver=SQLite3;Database=/no/such/dir/x.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("ADO error in DoSQLCleanup ('SQLite' : "))) << r.err.toStdString();
}

TEST_F(CommandLineTest, SettingsPersistOnlyWithSave)
{
    Result r = Run(QStringList{"list-surveys"} + Settings());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(QFile::exists(settingsFile()));

    r = Run(QStringList{"list-surveys", "--save"} + Settings());
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_TRUE(QFile::exists(settingsFile()));

    // The stored settings now serve a run without any --set.
    r = Run({"lists"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("12 old list tables have been deleted!\n"));
}

TEST_F(CommandLineTest, UsageErrorsExitWithTwoAndTouchNothing)
{
    const QStringList tables = TableNames(product.surveys());
    const long long calls = Count(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call"));
    const QList<QStringList> mistakes = {
        {"frobnicate"},
        {"by-date", "--before", "2024-13-01"},
        {"by-date", "--before", "-2025-01-01"},
        {"by-date", "--set", "NoSuchKey=1"},
        {"by-date", "--set", "BackupType=yes"},
        {"by-date", "--before", "2024-01-01", "--set", "BatchSize=-1"},
        {"lists", "--before", "2024-01-01"},
        {"by-survey", "--ids", "1,x"},
        {"by-survey", "--ids", "1,999", "--surveys"},
        {"by-date", "--no-such-option"},
        {"surveys", "lists"},
    };
    for (const QStringList& mistake : mistakes) {
        const Result r = Run(mistake + Settings() + QStringList{"--save"});
        EXPECT_EQ(r.exitCode, 2) << mistake.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << mistake.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("qelcleanup: "))) << r.err.toStdString();
    }
    EXPECT_EQ(TableNames(product.surveys()), tables);
    EXPECT_FALSE(TableNames(product.callCenter()).contains(QStringLiteral("CleaningHistory")));
    EXPECT_EQ(Count(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), calls);
    EXPECT_FALSE(QFile::exists(settingsFile()));
}

TEST(CommandLineDispatch, CommandsGoToTheCommandLineAndToolkitOptionsToTheWindow)
{
    EXPECT_FALSE(IsCommandLineRun({"qelcleanup"}));
    EXPECT_FALSE(IsCommandLineRun({"qelcleanup", "-platform", "offscreen"}));
    EXPECT_TRUE(IsCommandLineRun({"qelcleanup", "by-date"}));
    EXPECT_TRUE(IsCommandLineRun({"qelcleanup", "unknown"}));
    EXPECT_TRUE(IsCommandLineRun({"qelcleanup", "--help"}));
    EXPECT_TRUE(IsCommandLineRun({"qelcleanup", "--set=Timeout=5", "lists"}));
}
