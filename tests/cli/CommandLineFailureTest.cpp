#include "db/Connection.h"

#include "tests/cli/CommandLineFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

using namespace qel;
using namespace qel::test;

namespace {

// A second connection holding the database locked, as another program
// would, until it goes.
std::unique_ptr<Connection> HoldLocked(const QString& connection)
{
    auto holder = Connection::Open(connection);
    holder->Execute(QStringLiteral("BEGIN EXCLUSIVE"));
    return holder;
}

} // namespace

// What the command line does when a database fails it: exit 1 with the
// report and the database it came from, and nothing counted or recorded.
class CommandLineFailureTest : public CommandLineTest {
protected:
    QString FileOf(const char* name) const { return product.path(QLatin1String(name)); }
    // Rows of CleaningHistory, which only a run that records one creates.
    long long HistoryRows()
    {
        if (!TableNames(product.callCenter()).contains(QStringLiteral("CleaningHistory")))
            return 0;
        return Count(product.callCenter(), QStringLiteral("SELECT COUNT(*) FROM CleaningHistory"));
    }
};

TEST_F(CommandLineFailureTest, ALockedDatabaseFailsEachRemovalWithinOneTimeoutAndRecordsNothing)
{
    struct Case {
        QStringList command;
        QString locked;
        const char* setting;
        const char* file;
        const char* context;
    };
    const Case cases[] = {
        {{"lists"}, product.lists(), "ListDB", "lists.db", "OnCmdListcleanup"},
        {{"surveys"}, product.surveys(), "SurveyDB", "surveys.db", "OnCmdListcleanup"},
        {{"web-interviews"}, product.webInterviews(), "WebInterviewDB", "webinterviews.db", "OnBnClickedCmdWebsurveycleanup"},
        {{"by-survey", "--ids", "1,3", "--surveys", "--lists"}, product.surveys(), "SurveyDB", "surveys.db", "DoSQLCleanup"},
        {{"by-survey", "--ids", "42", "--lists"}, product.lists(), "ListDB", "lists.db", "OnCmdListcleanup"},
    };
    for (const Case& c : cases) {
        const QStringList tables = TableNames(c.locked);
        const auto holder = HoldLocked(c.locked);
        QElapsedTimer timer;
        timer.start();
        const Result r = Run(c.command + Settings() + QStringList{"--set", "Timeout=1"});
        const std::string what = c.command.join(' ').toStdString();
        EXPECT_LT(timer.elapsed(), 1900) << what;
        EXPECT_EQ(r.exitCode, 1) << what;
        EXPECT_EQ(r.err, QStringLiteral("ADO error in %1 ('SQLite' : 'database is locked (5)')\nDatabase of %2: the SQLite file %3\n")
                             .arg(QLatin1String(c.context), QLatin1String(c.setting), FileOf(c.file)))
            << what;
        EXPECT_FALSE(r.out.contains(QLatin1String("have been deleted"))) << what;
        EXPECT_FALSE(r.out.contains(QLatin1String("Clean up successful"))) << what;
        holder->Execute(QStringLiteral("ROLLBACK"));
        EXPECT_EQ(TableNames(c.locked), tables) << what;
    }
    EXPECT_EQ(HistoryRows(), 0);
}

TEST_F(CommandLineFailureTest, AnUnreachableListDatabaseEndsTheCleanUpBySurveyBeforeItBegins)
{
    const long long calls = CountRows(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE TaskID = 42"));
    const Result r = Run(QStringList{"by-survey", "--ids", "42", "--stats", "--lists"} + Settings()
                         + QStringList{"--set", "ListDB=Driver=No Such Driver"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("ADO error in DoSQLCleanup ('unixODBC Driver Manager' : "))) << r.err.toStdString();
    EXPECT_EQ(CountRows(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE TaskID = 42")), calls)
        << "no statistics row went before the list database was found unreachable";
    EXPECT_TRUE(r.err.endsWith(QStringLiteral("\nDatabase of ListDB\n"))) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_EQ(HistoryRows(), 0);
}

TEST_F(CommandLineFailureTest, MissingSourcesAreNamedAndNeverCreated)
{
    const QString missing = FileOf("missing-callcenter.db");
    Result r = Run(QStringList{"list-surveys"} + Settings() + QStringList{"--set", "CallCenterSrc=" + SQLiteConnection(missing)});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("ADO error in CSelectSurveysDlg ('SQLite' : 'connect failed: the file %1 does not exist')\n"
                                                "Database of CallCenterSrc: the SQLite file %1\n")
                                     .arg(missing)))
        << r.err.toStdString();

    const QString folder = FileOf("no such folder");
    r = Run(QStringList{"surveys"} + Settings() + QStringList{"--set", "SurveyDB=" + SQLiteConnection(folder + "/surveys.db")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("connect failed: the folder %1 does not exist").arg(folder))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_FALSE(QFile::exists(folder));
}

TEST_F(CommandLineFailureTest, EachReportNamesItsSettingAndAnEmptyOneSaysHowToSetIt)
{
    const QStringList noDriver{"Driver=No Such Driver"};
    const Result webProduction = Run(QStringList{"web-interviews"} + Settings() + QStringList{"--set", "WebProdDB=" + noDriver[0]});
    const Result webInterviews = Run(QStringList{"web-interviews"} + Settings() + QStringList{"--set", "WebInterviewDB=" + noDriver[0]});
    EXPECT_TRUE(webProduction.err.endsWith(QStringLiteral("\nDatabase of WebProdDB\n"))) << webProduction.err.toStdString();
    EXPECT_TRUE(webInterviews.err.endsWith(QStringLiteral("\nDatabase of WebInterviewDB\n"))) << webInterviews.err.toStdString();

    const Result empty = Run(QStringList{"by-date"} + Settings() + QStringList{"--set", "StatSrc="});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.err, QStringLiteral("Settings error in DoSQLCleanup: StatSrc is empty: set it in the window or with "
                                        "--set StatSrc=...\n"));
}

TEST_F(CommandLineFailureTest, AWebTableWhoseTitleALiveSurveyStillUsesIsKept)
{
    // Surveys 2 (live) and 7 (deleted) share "Brand Tracker".
    const Result r = Run(QStringList{"by-survey", "--ids", "7", "--web-interviews"} + Settings());
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("The web interview tables of \"Brand Tracker\" are kept: survey 2, which is not deleted, still "
                                    "uses this title.\n0 old web survey tables have been deleted!\n"
                                    "Clean up successful : 0 records deleted!\n"));
    EXPECT_TRUE(TableNames(product.webInterviews()).contains(QStringLiteral("Brand Tracker")));
}

TEST_F(CommandLineFailureTest, PathsWithAnyLettersServeAsSourceAndBackupTarget)
{
    const QString folder = product.path(TempDatabases::AwkwardName());
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString source = folder + QStringLiteral("/stätistics €.db");
    const QString target = folder + QStringLiteral("/bäckup 調査.db");
    ASSERT_TRUE(QFile::copy(FileOf("statistics.db"), source));
    const QString before = QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE Start_Time < '2024-03-05'");
    const long long old = Count(SQLiteConnection(source), before);

    const Result r = Run(QStringList{"by-date", "--before", "2024-03-05"} + Settings()
                         + QStringList{"--set", "BackupType=1", "--set", "StatSrc=" + SQLiteConnection(source), "--set",
                                       "StatTgt=" + SQLiteConnection(target)});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(Count(SQLiteConnection(source), before), 0);
    EXPECT_EQ(Count(SQLiteConnection(target), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), old);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name), (QStringList{"bäckup 調査.db", "stätistics €.db"}));
}

TEST_F(CommandLineFailureTest, WithoutACommandOrADisplayTheProgramPointsAtHelp)
{
    const Result r = Run({});
    EXPECT_EQ(r.exitCode, 2);
#if QELCLEANUP_HAS_WINDOW
    EXPECT_EQ(r.err, QStringLiteral("qelcleanup: no display to show the window on; give a command to run without one\n"
                                    "Try 'qelcleanup --help' for more information.\n"));
#else
    EXPECT_EQ(r.err, QStringLiteral("qelcleanup: this qelcleanup was built without the window; give a command to run\n"
                                    "Try 'qelcleanup --help' for more information.\n"));
#endif
    EXPECT_TRUE(r.out.isEmpty());
}

#if !QELCLEANUP_HAS_WINDOW
// Built without the window, a display changes nothing: the program says so
// and leaves the toolkit's options alone.
TEST_F(CommandLineFailureTest, BuiltWithoutTheWindowNoCommandIsAUsageErrorAlsoUnderADisplay)
{
    QProcessEnvironment display;
    display.insert(QStringLiteral("DISPLAY"), QStringLiteral(":0"));
    display.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const QStringList& arguments : {QStringList{}, QStringList{"-platform", "offscreen"}}) {
        const Result r = Run(arguments, display);
        EXPECT_EQ(r.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("qelcleanup: this qelcleanup was built without the window")))
            << r.err.toStdString();
    }
}
#endif
