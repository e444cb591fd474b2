#include "cleanup/surveys/CleaningHistory.h"
#include "cleanup/CleanupOperations.h"
#include "db/Connection.h"
#include "db/Result.h"
#include "fixtures/FixtureSql.h"
#include "fixtures/StatisticsSchema.h"

#include "fixtures/ProductDatabases.h"
#include "tests/support/BackendTest.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/Rows.h"

#include <QTimeZone>

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

// Every row of a table, whole and in a fixed order, so that "untouched to
// the row" can be checked. The first column of these tables numbers the
// fixture's rows.
std::vector<Row> Snapshot(const QString& connection, const QString& table, const QString& where = QStringLiteral("1=1"))
{
    return ReadRows(connection, QStringLiteral("SELECT * FROM %1 WHERE %2 ORDER BY 1").arg(table, where));
}

// The database's own clock, which the history's times come from.
QDateTime DatabaseNow(const QString& connection)
{
    auto c = Connection::Open(connection);
    const FieldValue now = ReadRows(*c, QStringLiteral("SELECT ") + c->dialect().CurrentTimeExpression()).at(0).at(0);
    if (now.type() != FieldValue::Type::DateTime) // SQLite answers with text
        return QDateTime::fromString(now.text(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const WallClock& t = now.dateTime();
    return QDateTime(t.date(), QTime(t.hour, t.minute, t.second));
}

} // namespace

class SurveyCleanupTest : public BackendTest {
protected:
    void SetUpProduct() override
    {
        product().CreateAll();
        product().ApplyTo(settings);
        settings.timeout = QStringLiteral("30");
        // The selection dialog makes sure of the history table before any clean-up by survey.
        auto callCenter = Connection::Open(product().callCenter());
        callCenter->Execute(CreateCleaningHistorySql(callCenter->dialect()));
    }

    bool Run(const IdentifierArray& legacy, const IdentifierArray& newer, bool stats, bool surveys, bool web, bool lists,
             const TableNameSet& names = {})
    {
        SurveySelection selection;
        selection.surveyNames = names;
        selection.legacySurveyIds = legacy;
        selection.newSurveyIds = newer;
        return CleanupOperations(settings, state, feedback)
            .CleanUpBySurveys(TargetConnection(settings, state), selection, CleanOptions{stats, surveys, web, lists})
            .completed();
    }

    long long Count(const QString& connection, const QString& sql) { return CountRows(connection, sql); }

    CleanupSettings settings;
    RunState state;
    RecordingFeedback feedback;
};

QEL_ON_EVERY_BACKEND(SurveyCleanupTest);

TEST_P(SurveyCleanupTest, StatisticsOfTheChosenSurveyGoByTheirOwnColumnsAndOthersStayToTheRow)
{
    const QString stats = product().statistics();
    const QString others = QStringLiteral("CallID IN (SELECT CallID FROM Statistic_Call WHERE TaskID <> 42)");
    const auto agentsOfOthers = Snapshot(stats, QStringLiteral("Statistic_Agent"), others);
    const auto alarmsOfOthers = Snapshot(stats, QStringLiteral("Statistic_Alarms"), QStringLiteral("SurveyID <> 42"));
    const auto supervisors = Snapshot(stats, QStringLiteral("Statistic_SessionSupervisor"));
    const long long doomedCalls = Count(stats, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE TaskID = 42"));
    ASSERT_GT(doomedCalls, 0);
    ASSERT_GT(Count(stats, QStringLiteral("SELECT COUNT(*) FROM Statistic_Pause WHERE OutboundSurveyID = 42")), 0);

    long long expected = 0;
    for (const auto& t : StatisticsTables()) {
        if (!t.callColumn.isEmpty())
            expected += Count(stats, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 IN (SELECT CallID FROM Statistic_Call WHERE TaskID = 42)")
                                         .arg(t.name, t.callColumn));
        else if (!t.surveyColumn.isEmpty())
            expected += Count(stats, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 = 42").arg(t.name, t.surveyColumn));
    }

    ASSERT_TRUE(Run({}, {42}, true, false, false, false));
    EXPECT_EQ(feedback.messageTexts(), QStringList{QStringLiteral("Clean up successful : %1 records deleted!").arg(expected)});
    for (const auto& t : StatisticsTables()) {
        if (!t.surveyColumn.isEmpty()) {
            EXPECT_EQ(Count(stats, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 = 42").arg(t.name, t.surveyColumn)), 0)
                << t.name.toStdString();
        }
    }
    EXPECT_EQ(Snapshot(stats, QStringLiteral("Statistic_Agent")), agentsOfOthers);
    EXPECT_EQ(Snapshot(stats, QStringLiteral("Statistic_Alarms")), alarmsOfOthers);
    EXPECT_EQ(Snapshot(stats, QStringLiteral("Statistic_SessionSupervisor")), supervisors); // not a survey table
    EXPECT_EQ(state.stage, 20); // 17 statistics steps and the three reference tables
}

TEST_P(SurveyCleanupTest, SurveyTablesOfBothStorageKindsGoAndOnlyThey)
{
    ASSERT_TRUE(Run({1, 2}, {3}, false, true, false, false));
    const QStringList tables = TableNames(product().surveys());
    for (const char* gone : {"ZEBResponse1_1", "ZEBResponse2_3", "ZEBDataStructure1", "ZebSemiOpen2", "Vorto0003Data",
                                "Vorto0003Interview", "Vorto0003SemiOpen"})
        EXPECT_FALSE(tables.contains(QLatin1String(gone))) << gone;
    for (const char* kept : {"ZEBResponse12_1", "ZEBDataStructure12", "Vorto0004Data", "Vorto0042SemiOpen", "Settings"})
        EXPECT_TRUE(tables.contains(QLatin1String(kept))) << kept;
    EXPECT_EQ(feedback.messageTexts(), (QStringList{"13 old survey tables have been deleted!",
                                                    "Clean up successful : 0 records deleted!"}));
}

TEST_P(SurveyCleanupTest, WithNoOptionTheReferenceStepsStillRunAndTheHistoryIsLeftAlone)
{
    settings.backupType = 1;
    ASSERT_TRUE(Run({2}, {}, false, false, false, false));
    EXPECT_EQ(feedback.messageTexts(), QStringList{QStringLiteral("Clean up successful : 0 records deleted!")});
    EXPECT_EQ(Count(product().backup(), QStringLiteral("SELECT COUNT(*) FROM Agents")), 12);
    EXPECT_EQ(Count(product().callCenter(), QStringLiteral("SELECT COUNT(*) FROM CleaningHistory")), 0);
}

TEST_P(SurveyCleanupTest, TheHistoryRecordsEachKindAndASecondCleanUpOnlyItsOwnColumn)
{
    ASSERT_TRUE(Run({}, {42}, true, false, false, false));
    {
        auto callCenter = Connection::Open(product().callCenter());
        const QDateTime longAgo(QDate(2020, 1, 1), QTime(0, 0), QTimeZone::utc());
        callCenter->Execute(QStringLiteral("UPDATE CleaningHistory SET StatsCleaned = %1").arg(SqlLiteral(callCenter->dialect(), longAgo)));
    }
    ASSERT_TRUE(Run({}, {42}, false, false, false, true));

    const auto rows = ReadRows(product().callCenter(), QStringLiteral("SELECT SurveyID, StatsCleaned, SurveysCleaned, "
                                                                    "WebInterviewsCleaned, ListsCleaned FROM CleaningHistory"));
    ASSERT_EQ(rows.size(), 1u);
    const Row& row = rows[0];
    EXPECT_EQ(row[0].integer(), 42);
    EXPECT_EQ(row[1].dateTime(), (WallClock{2020, 1, 1, 0, 0, 0, 0}));
    EXPECT_TRUE(row[2].isNull());
    EXPECT_TRUE(row[3].isNull());
    ASSERT_EQ(row[4].type(), FieldValue::Type::DateTime);
    const WallClock& cleaned = row[4].dateTime();
    const QDateTime cleanedAt(cleaned.date(), QTime(cleaned.hour, cleaned.minute, cleaned.second));
    EXPECT_LT(std::abs(cleanedAt.secsTo(DatabaseNow(product().callCenter()))), 120);
}

TEST(CleaningHistoryText, SqlServerTextsAreExact)
{
    const Dialect sqlServer(Dialect::Kind::SqlServer);
    EXPECT_EQ(CleaningHistoryStatements(sqlServer, 42, {true, false, false, true}),
              QStringList{QStringLiteral("IF EXISTS(SELECT * FROM CleaningHistory WHERE SurveyID = 42)\nBEGIN\n"
                                         "UPDATE CleaningHistory SET StatsCleaned = GETDATE(),ListsCleaned = GETDATE() WHERE SurveyID = 42\n"
                                         "END\nELSE\nBEGIN\n"
                                         "INSERT INTO CleaningHistory(SurveyID, StatsCleaned, SurveysCleaned, WebInterviewsCleaned, ListsCleaned)\n"
                                         "VALUES(42, GETDATE(), NULL, NULL, GETDATE())\nEND\n")});
    EXPECT_EQ(CreateCleaningHistorySql(sqlServer),
              QStringLiteral("IF OBJECT_ID(N'CleaningHistory', N'U') IS NULL\nBEGIN\nCREATE TABLE CleaningHistory ("
                             "[SurveyID] [int] NOT NULL,[StatsCleaned][datetime] NULL,[SurveysCleaned][datetime] NULL,"
                             "[WebInterviewsCleaned][datetime] NULL,[ListsCleaned][datetime] NULL,)\nEND\n"));
    // An identifier above the signed range is written as the server stores it.
    EXPECT_TRUE(CleaningHistoryStatements(sqlServer, static_cast<qint32>(4294967295u), {true, false, false, false})
                    .first()
                    .contains(QLatin1String("SurveyID = -1)")));
}

TEST_P(SurveyCleanupTest, AnUnreachableListDatabaseStopsTheRunBeforeAnyStatisticsRowGoes)
{
    settings.listDB = QStringLiteral("Driver=No Such Driver;Database=x");
    const long long calls = Count(product().statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE TaskID = 42"));
    EXPECT_FALSE(Run({}, {42}, true, false, false, true));
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in DoSQLCleanup (")));
    EXPECT_EQ(Count(product().statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE TaskID = 42")), calls);
    EXPECT_EQ(Count(product().callCenter(), QStringLiteral("SELECT COUNT(*) FROM CleaningHistory")), 0);
}

// Surveys of no storage kind give titles but no identifiers: with lists
// chosen the run asks for the lists of no survey, which it must not send
// as "IN ()", a syntax error on SQL Server after the statistics went.
TEST_P(SurveyCleanupTest, SurveysOfNoStorageKindWithListsChosenAskForNoListAndSucceed)
{
    const QStringList lists = TableNames(product().lists());
    ASSERT_TRUE(Run({}, {}, true, false, false, true, {QStringLiteral("Product Launch")}));
    EXPECT_EQ(feedback.messageTexts(), QStringList{QStringLiteral("Clean up successful : 0 records deleted!")});
    EXPECT_EQ(TableNames(product().lists()), lists);
    EXPECT_EQ(Count(product().callCenter(), QStringLiteral("SELECT COUNT(*) FROM CleaningHistory")), 0);
}

using SurveyCleanupOnSQLite = OnSQLite<SurveyCleanupTest>;

TEST_F(SurveyCleanupOnSQLite, AFailingListRemovalEndsTheRunWithoutHistoryOrSuccess)
{
    // The list database opens, but another program holds its write lock,
    // so no table of it can be dropped.
    settings.timeout = QStringLiteral("1");
    auto holder = Connection::Open(product().lists());
    holder->Execute(QStringLiteral("BEGIN IMMEDIATE"));
    EXPECT_FALSE(Run({}, {42}, false, false, false, true));
    holder->Execute(QStringLiteral("ROLLBACK"));
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in OnCmdListcleanup ("))) << feedback.messages[0].text.toStdString();
    EXPECT_EQ(Count(product().callCenter(), QStringLiteral("SELECT COUNT(*) FROM CleaningHistory")), 0);
}

TEST_P(SurveyCleanupTest, AFailingSurveyTablesRemovalStopsBeforeTheHistory)
{
    settings.surveyDB = QStringLiteral("Driver=No Such Driver;Database=x");
    EXPECT_FALSE(Run({1}, {}, true, true, false, false));
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in DoSQLCleanup (")));
    EXPECT_EQ(Count(product().callCenter(), QStringLiteral("SELECT COUNT(*) FROM CleaningHistory")), 0);
}

TEST_P(SurveyCleanupTest, TablesAreRemovedInTheirFixedOrderBeforeTheFinalMessage)
{
    ASSERT_TRUE(Run({1}, {3}, true, true, true, true,
                    {QStringLiteral("Customer Satisfaction 2019"), QStringLiteral("Product Launch")}));
    QStringList texts = feedback.messageTexts();
    ASSERT_EQ(texts.size(), 4);
    EXPECT_TRUE(texts[0].endsWith(QLatin1String("old survey tables have been deleted!")));
    EXPECT_EQ(texts[1], QStringLiteral("2 old web survey tables have been deleted!"));
    EXPECT_EQ(texts[2], QStringLiteral("6 old list tables have been deleted!"));
    EXPECT_TRUE(texts[3].startsWith(QLatin1String("Clean up successful : ")));
    EXPECT_EQ(Count(product().callCenter(), QStringLiteral("SELECT COUNT(*) FROM CleaningHistory WHERE StatsCleaned IS NOT NULL "
                                                         "AND SurveysCleaned IS NOT NULL AND WebInterviewsCleaned IS NOT NULL "
                                                         "AND ListsCleaned IS NOT NULL")),
              2);
}

TEST_P(SurveyCleanupTest, WithABackupTheSurveysRowsAreCopiedBeforeTheyGo)
{
    settings.backupType = 1;
    const long long calls = Count(product().statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE TaskID IN (4, 7)"));
    ASSERT_TRUE(Run({}, {4, 7}, true, false, false, false));
    EXPECT_EQ(Count(product().backup(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), calls);
    EXPECT_EQ(Count(product().statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE TaskID IN (4, 7)")), 0);
}
