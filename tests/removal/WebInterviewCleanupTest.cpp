#include "tests/removal/RemovalFixture.h"

#include "db/DatabaseError.h"
#include "cleanup/removal/WebInterviewTables.h"

using namespace qel;
using namespace qel::test;

namespace {

const QString kReport = QStringLiteral("OnBnClickedCmdWebsurveycleanup");

SurveyRow Survey(int id, const QString& title, bool deleted) { return {id, title, 0, deleted}; }

} // namespace

// The command: which titles are no longer in use.
using WebInterviewCleanup = RemovalTest;
QEL_ON_EVERY_BACKEND(WebInterviewCleanup);

TEST_P(WebInterviewCleanup, DropsTheTablesOfTitlesNoLongerInUseAndASecondRunFindsNone)
{
    db().CreateAll();
    const auto before = Contents(db().webInterviews());
    const auto callCenterBefore = Contents(db().callCenter());
    const auto webProductionBefore = Contents(db().webProduction());

    ops.CleanUpWebInterviews();

    // "Brand Tracker" is deleted as survey 7 but live as survey 2.
    ExpectOnlyMessage(Counted(StringId::WebTablesDeleted, 3));
    EXPECT_EQ(Contents(db().webInterviews()),
              Without(before, {"Customer Satisfaction 2019", "Product Launch", "Regional Study"}));
    EXPECT_EQ(Contents(db().callCenter()), callCenterBefore);
    EXPECT_EQ(Contents(db().webProduction()), webProductionBefore);

    feedback.messages.clear();
    ops.CleanUpWebInterviews();
    ExpectOnlyMessage(Counted(StringId::WebTablesDeleted, 0));
}

TEST_P(WebInterviewCleanup, TitleOfALiveSurveyIsKeptWhicheverRowComesFirst)
{
    db().CreateWebProduction({});
    settings.webInterviewDB = Unopenable();
    for (const bool liveFirst : {true, false}) {
        db().CreateCallCenter({Survey(1, QStringLiteral("Shared"), !liveFirst), Survey(2, QStringLiteral("Shared"), liveFirst)},
                              {});
        ops.CleanUpWebInterviews();
        EXPECT_TRUE(feedback.messages.empty()) << "live first: " << liveFirst;
    }
}

TEST_P(WebInterviewCleanup, ExternalNamesProtectOnlyTheirCapitalisedForm)
{
    db().CreateCallCenter({Survey(1, QStringLiteral("Web Only Feedback"), true), Survey(2, QStringLiteral("PANEL"), true),
                           Survey(3, QStringLiteral("Twice"), true), Survey(4, QStringLiteral("Twice"), true)},
                          {});
    db().CreateWebProduction({QStringLiteral("Web Only Feedback"), QStringLiteral("panel")});
    db().CreateWebInterviews({QStringLiteral("Web Only Feedback"), QStringLiteral("PANEL"), QStringLiteral("Twice")});
    const auto before = Contents(db().webInterviews());

    ops.CleanUpWebInterviews();

    ExpectOnlyMessage(Counted(StringId::WebTablesDeleted, 2));
    EXPECT_EQ(Contents(db().webInterviews()), Without(before, {"Web Only Feedback", "Twice"}));
}

TEST_P(WebInterviewCleanup, OnlyABooleanTrueMarksASurveyDeleted)
{
    db().CreateWebProduction({});
    settings.webInterviewDB = Unopenable();

    // NULL and false marks.
    db().CreateCallCenter({{1, QStringLiteral("A"), 0, std::nullopt}, Survey(2, QStringLiteral("B"), false)}, {});
    ops.CleanUpWebInterviews();
    EXPECT_TRUE(feedback.messages.empty());

    // A Deleted column of integers marks nothing, whatever its value.
    ExecuteAll(db().callCenter(),
               {QStringLiteral("DROP TABLE Surveys"),
                QStringLiteral("CREATE TABLE Surveys (SurveyID int, SurveyTitle nvarchar(255), Deleted int)"),
                QStringLiteral("INSERT INTO Surveys VALUES (1, 'A', 1), (2, 'B', -1), (3, 'C', 2)")});
    ops.CleanUpWebInterviews();
    EXPECT_TRUE(feedback.messages.empty()) << feedback.messageTexts().join(QLatin1Char('\n')).toStdString();
}

TEST_P(WebInterviewCleanup, NullTitleIsTheEmptyName)
{
    db().CreateWebInterviews({QStringLiteral("Kept")});
    const auto before = Contents(db().webInterviews());

    // Handed on as the empty name, which no table has.
    db().CreateCallCenter({Survey(1, QString(), true)}, {});
    db().CreateWebProduction({QStringLiteral("Kept")});
    ops.CleanUpWebInterviews();
    ExpectOnlyMessage(Counted(StringId::WebTablesDeleted, 0));
    EXPECT_EQ(Contents(db().webInterviews()), before);

    // A web survey without external name keeps the empty name in use.
    feedback.messages.clear();
    db().CreateWebProduction({QString()});
    ops.CleanUpWebInterviews();
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_P(WebInterviewCleanup, FailuresAnywhereAreReportedOnce)
{
    db().CreateAll();
    const auto before = Contents(db().webInterviews());

    for (QString CleanupSettings::*field : {&CleanupSettings::webProdDB, &CleanupSettings::callCenterSrc, &CleanupSettings::webInterviewDB}) {
        db().ApplyTo(settings);
        settings.*field = Unopenable();
        feedback.messages.clear();
        ops.CleanUpWebInterviews();
        ExpectOnlyReport(kReport);
    }
    EXPECT_EQ(Contents(db().webInterviews()), before);
}

// The removal itself: which tables of the web-interviews database go.
using WebInterviewTableRemoval = RemovalTest;
QEL_ON_EVERY_BACKEND(WebInterviewTableRemoval);

// Foreign keys that hold only with a SQLite connection key, and tables
// listed in the order they were created.
using WebInterviewTableRemovalOnSQLite = OnSQLite<RemovalTest>;

TEST_P(WebInterviewTableRemoval, UnderscoreBeforeADigitIsIgnoredWhenMatching)
{
    db().CreateWebInterviews({QStringLiteral("_2019Survey"), QStringLiteral("2019Survey"), QStringLiteral("_Alpha"),
                              QStringLiteral("__2019"), QStringLiteral("_7")});
    const auto before = Contents(db().webInterviews());

    ops.DropWebInterviewTables({QStringLiteral("_2019Survey"), QStringLiteral("Alpha"), QStringLiteral("_2019")});
    ExpectOnlyMessage(Counted(StringId::WebTablesDeleted, 0));
    EXPECT_EQ(Contents(db().webInterviews()), before);

    feedback.messages.clear();
    ops.DropWebInterviewTables({QStringLiteral("2019Survey"), QStringLiteral("_Alpha"), QStringLiteral("__2019"),
                                QStringLiteral("7")});
    ExpectOnlyMessage(Counted(StringId::WebTablesDeleted, 5));
    EXPECT_EQ(Contents(db().webInterviews()), Without(before, {"_2019Survey", "2019Survey", "_Alpha", "__2019", "_7"}));
}

TEST_P(WebInterviewTableRemoval, OnlyBaseTablesWithTheExactNameGo)
{
    db().CreateWebInterviews({QStringLiteral("Regional Study"), QStringLiteral("Kept")});
    ExecuteAll(db().webInterviews(), {QStringLiteral("CREATE VIEW %1 AS SELECT * FROM Kept")
                                          .arg(Quoted(db().webInterviews(), QStringLiteral("Doomed View")))});
    const auto before = Contents(db().webInterviews());

    ops.DropWebInterviewTables({QStringLiteral("REGIONAL STUDY"), QStringLiteral("regional study"),
                                QStringLiteral("Doomed View")});
    ExpectOnlyMessage(Counted(StringId::WebTablesDeleted, 0));

    feedback.messages.clear();
    ops.DropWebInterviewTables({});
    ExpectOnlyMessage(Counted(StringId::WebTablesDeleted, 0));
    EXPECT_EQ(Contents(db().webInterviews()), before);
}

TEST_P(WebInterviewTableRemoval, NamesThatNeedQuotingAreDroppedSafely)
{
    const QString odd = QStringLiteral("Odd] \"Name\"; DROP TABLE WI_Config; --");
    const QString bracketed = QStringLiteral("[Bracketed]]");
    db().CreateWebInterviews({odd, bracketed, QStringLiteral("With 'Quote'")});
    const auto before = Contents(db().webInterviews());

    ops.DropWebInterviewTables({odd, bracketed, QStringLiteral("With 'Quote'")});

    ExpectOnlyMessage(Counted(StringId::WebTablesDeleted, 3));
    EXPECT_EQ(Contents(db().webInterviews()), Without(before, {odd, bracketed, QStringLiteral("With 'Quote'")}));
}

TEST_F(WebInterviewTableRemovalOnSQLite, FailedDropLeavesEarlierDropsAndShowsNoCount)
{
    // With foreign keys enforced, Table C cannot go while a row refers to it.
    // The tables are listed, and dropped, in the order they were created.
    db().CreateWebInterviews({QStringLiteral("A"), QStringLiteral("B")});
    ExecuteAll(db().webInterviews(),
               {QStringLiteral("CREATE TABLE C (InterviewID int PRIMARY KEY)"), QStringLiteral("INSERT INTO C VALUES (1)"),
                QStringLiteral("CREATE TABLE Child (InterviewID int REFERENCES C (InterviewID))"),
                QStringLiteral("INSERT INTO Child VALUES (1)"), QStringLiteral("CREATE TABLE D (a int)"),
                QStringLiteral("CREATE TABLE E (a int)")});
    settings.webInterviewDB += QStringLiteral(";FKSupport=1");
    const auto before = Contents(db().webInterviews());

    EXPECT_THROW(ops.DropWebInterviewTables({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                                             QStringLiteral("D"), QStringLiteral("E")}),
                 DatabaseError);

    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(Contents(db().webInterviews()), Without(before, {"A", "B"}));
}
