#include <CleaningHistory.h>
#include <CleanupOperations.h>
#include <Connection.h>
#include <Recordset.h>
#include <StatisticsSchema.h>

#include <ProductDatabases.h>
#include <RecordingFeedback.h>
#include <TempDatabases.h>

#include <gtest/gtest.h>

namespace {

// Every statistics row, as text, so that "untouched to the row" can be checked.
QStringList Snapshot(const QString& connection, const QString& table, const QString& where = QStringLiteral("1=1"))
{
    auto c = OpenConnection(connection);
    auto rs = OpenRecordset(*c, QStringLiteral("SELECT * FROM %1 WHERE %2").arg(table, where));
    QStringList rows;
    for (; !rs->IsEOF(); rs->MoveNext()) {
        QStringList fields;
        for (int i = 0; i < rs->FieldCount(); ++i)
            fields << QString::number(rs->ReadField(i).integer()) + QLatin1Char('|') + QString::number(rs->ReadField(i).real())
                          + QLatin1Char('|') + rs->ReadField(i).text();
        rows << fields.join(QLatin1Char(','));
    }
    rows.sort();
    return rows;
}

} // namespace

class SurveyCleanupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        product.CreateAll();
        product.ApplyTo(fields);
        fields.Timeout = QStringLiteral("30");
        // The selection dialog makes sure of the history table before any clean-up by survey.
        ExecuteAll(product.callCenter(), {CreateCleaningHistorySql(Dialect(Dialect::Kind::SQLite))});
    }

    bool Run(const IdentifierArray& legacy, const IdentifierArray& newer, bool stats, bool surveys, bool web, bool lists,
             const TableNameSet& names = {})
    {
        return CleanupOperations(fields, feedback)
            .DoSurveyCleanup(BuildTargetConnection(fields), names, legacy, newer, stats, surveys, web, lists);
    }

    long long Count(const QString& connection, const QString& sql) { return CountRows(connection, sql); }

    TempDatabases temp;
    ProductDatabases product{temp.path(QStringLiteral("product"))};
    BackupFields fields;
    RecordingFeedback feedback;
};

TEST_F(SurveyCleanupTest, StatisticsOfTheChosenSurveyGoByTheirOwnColumnsAndOthersStayToTheRow)
{
    const QString stats = product.statistics();
    const QString others = QStringLiteral("CallID IN (SELECT CallID FROM Statistic_Call WHERE TaskID <> 42)");
    const QStringList agentsOfOthers = Snapshot(stats, QStringLiteral("Statistic_Agent"), others);
    const QStringList alarmsOfOthers = Snapshot(stats, QStringLiteral("Statistic_Alarms"), QStringLiteral("SurveyID <> 42"));
    const QStringList supervisors = Snapshot(stats, QStringLiteral("Statistic_SessionSupervisor"));
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
    EXPECT_EQ(fields.stage, 20); // 17 statistics steps and the three reference tables
}

TEST_F(SurveyCleanupTest, SurveyTablesOfBothStorageKindsGoAndOnlyThey)
{
    ASSERT_TRUE(Run({1, 2}, {3}, false, true, false, false));
    const QStringList tables = TableNames(product.surveys());
    for (const char* gone : {"ZEBResponse1_1", "ZEBResponse2_3", "ZEBDataStructure1", "ZebSemiOpen2", "Vorto0003Data",
                                "Vorto0003Interview", "Vorto0003SemiOpen"})
        EXPECT_FALSE(tables.contains(QLatin1String(gone))) << gone;
    for (const char* kept : {"ZEBResponse12_1", "ZEBDataStructure12", "Vorto0004Data", "Vorto0042SemiOpen", "Settings"})
        EXPECT_TRUE(tables.contains(QLatin1String(kept))) << kept;
    EXPECT_EQ(feedback.messageTexts(), (QStringList{"13 old survey tables have been deleted!",
                                                    "Clean up successful : 0 records deleted!"}));
}

TEST_F(SurveyCleanupTest, WithNoOptionTheReferenceStepsStillRunAndTheHistoryIsLeftAlone)
{
    fields.BackupType = 1;
    ASSERT_TRUE(Run({2}, {}, false, false, false, false));
    EXPECT_EQ(feedback.messageTexts(), QStringList{QStringLiteral("Clean up successful : 0 records deleted!")});
    EXPECT_EQ(Count(product.backup(), QStringLiteral("SELECT COUNT(*) FROM Agents")), 12);
    EXPECT_EQ(Count(product.callCenter(), QStringLiteral("SELECT COUNT(*) FROM CleaningHistory")), 0);
}

TEST_F(SurveyCleanupTest, TheHistoryRecordsEachKindAndASecondCleanUpOnlyItsOwnColumn)
{
    ASSERT_TRUE(Run({}, {42}, true, false, false, false));
    ExecuteAll(product.callCenter(), {QStringLiteral("UPDATE CleaningHistory SET StatsCleaned = '2020-01-01 00:00:00'")});
    ASSERT_TRUE(Run({}, {42}, false, false, false, true));

    auto c = OpenConnection(product.callCenter());
    auto rs = OpenRecordset(*c, QStringLiteral("SELECT SurveyID, StatsCleaned, SurveysCleaned, WebInterviewsCleaned, "
                                               "ListsCleaned FROM CleaningHistory"));
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->ReadField(0).integer(), 42);
    EXPECT_EQ(OleDateTime(rs->ReadField(1).real()).toDateTime(), QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
    EXPECT_TRUE(rs->ReadField(2).isNull());
    EXPECT_TRUE(rs->ReadField(3).isNull());
    ASSERT_EQ(rs->ReadField(4).type(), Variant::Type::Date);
    EXPECT_LT(std::abs(OleDateTime(rs->ReadField(4).real()).toDateTime().secsTo(QDateTime::currentDateTime())), 120);
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

TEST_F(SurveyCleanupTest, AFailingListRemovalStillRecordsTheHistoryAndEndsWithTheCount)
{
    fields.ListDB = QStringLiteral("Driver=No Such Driver;Database=x");
    ASSERT_TRUE(Run({}, {42}, false, false, false, true));
    ASSERT_EQ(feedback.messages.size(), 2u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in OnCmdListcleanup (")));
    EXPECT_EQ(feedback.messages[1].text, QStringLiteral("Clean up successful : 0 records deleted!"));
    EXPECT_EQ(Count(product.callCenter(), QStringLiteral("SELECT COUNT(*) FROM CleaningHistory WHERE ListsCleaned IS NOT NULL")), 1);
}

TEST_F(SurveyCleanupTest, AFailingSurveyTablesRemovalStopsBeforeTheHistory)
{
    fields.SurveyDB = QStringLiteral("Driver=No Such Driver;Database=x");
    EXPECT_FALSE(Run({1}, {}, true, true, false, false));
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in DoSQLCleanup (")));
    EXPECT_EQ(Count(product.callCenter(), QStringLiteral("SELECT COUNT(*) FROM CleaningHistory")), 0);
}

TEST_F(SurveyCleanupTest, TablesAreRemovedInTheirFixedOrderBeforeTheFinalMessage)
{
    ASSERT_TRUE(Run({1}, {3}, true, true, true, true,
                    {QStringLiteral("Customer Satisfaction 2019"), QStringLiteral("Product Launch")}));
    QStringList texts = feedback.messageTexts();
    ASSERT_EQ(texts.size(), 4);
    EXPECT_TRUE(texts[0].endsWith(QLatin1String("old survey tables have been deleted!")));
    EXPECT_EQ(texts[1], QStringLiteral("2 old web survey tables have been deleted!"));
    EXPECT_EQ(texts[2], QStringLiteral("6 old list tables have been deleted!"));
    EXPECT_TRUE(texts[3].startsWith(QLatin1String("Clean up successful : ")));
    EXPECT_EQ(Count(product.callCenter(), QStringLiteral("SELECT COUNT(*) FROM CleaningHistory WHERE StatsCleaned IS NOT NULL "
                                                         "AND SurveysCleaned IS NOT NULL AND WebInterviewsCleaned IS NOT NULL "
                                                         "AND ListsCleaned IS NOT NULL")),
              2);
}

TEST_F(SurveyCleanupTest, WithABackupTheSurveysRowsAreCopiedBeforeTheyGo)
{
    fields.BackupType = 1;
    const long long calls = Count(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE TaskID IN (4, 7)"));
    ASSERT_TRUE(Run({}, {4, 7}, true, false, false, false));
    EXPECT_EQ(Count(product.backup(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), calls);
    EXPECT_EQ(Count(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE TaskID IN (4, 7)")), 0);
}
