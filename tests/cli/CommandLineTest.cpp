#include "cli/CommandLine.h"

#include "tests/cli/CommandLineFixture.h"

#include <QFile>

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
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
}

TEST_F(CommandLineTest, ByDateDeletesBeforeTheGivenDayWithABackupWhenAskedFor)
{
    const long long old = Count(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE Start_Time < '2024-03-05'"));
    ASSERT_GT(old, 0);
    const Result r = Run(QStringList{"by-date", "--before", "2024-03-05", "--set", "BackupType=1"} + Settings());
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Clean up successful : "))) << r.out.toStdString();
    EXPECT_TRUE(r.err.isEmpty()); // no progress when standard error is not a terminal
    EXPECT_EQ(Count(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE Start_Time < '2024-03-05'")), 0);
    EXPECT_EQ(Count(product.backup(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), old);
}

TEST_F(CommandLineTest, VerboseShowsProgressOnStandardError)
{
    const Result r = Run(QStringList{"by-date", "--before", "2020-01-01", "--verbose"} + Settings());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("Clean up successful : 0 records deleted!\n"));
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Opening databases\nStage 1/21: Deleting records\n"))) << r.err.toStdString();
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
