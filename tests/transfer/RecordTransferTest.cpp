#include "db/Catalog.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"
#include "cleanup/RecordTransfer.h"
#include "cleanup/RowCopy.h"
#include "cleanup/ErrorReport.h"

#include "fixtures/ProductDatabases.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/Rows.h"
#include "tests/support/TempDatabases.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

TEST(BuildOrConditionTest, TermsAndTheirBlanks)
{
    EXPECT_EQ(BuildOrCondition(QStringLiteral("SurveyID"), {3, 7}), QStringLiteral(" (SurveyID = 3)OR  (SurveyID = 7)"));
    EXPECT_EQ(BuildOrCondition(QStringLiteral("SurveyID"), {12}), QStringLiteral(" (SurveyID = 12)"));
    EXPECT_EQ(BuildOrCondition(QStringLiteral("TaskID"), {}), QString());
    EXPECT_EQ(BuildOrCondition(QStringLiteral("TaskID"), {4294967295u}), QStringLiteral(" (TaskID = -1)"));
}

TEST(DateLiteralTest, QuotedBySourceSqlAndFormattedByTheDialect)
{
    CleanupSettings settings;
    RunState state;
    RecordingFeedback feedback;
    RecordTransfer transfer(settings, state, feedback);
    const QDate march5(2024, 3, 5);
    settings.sourceSQL = 1;
    EXPECT_EQ(transfer.QuotedDate(Dialect(Dialect::Kind::SqlServer), march5), QStringLiteral("'03/05/2024'"));
    EXPECT_EQ(transfer.QuotedDate(Dialect(Dialect::Kind::SQLite), march5), QStringLiteral("'2024-03-05'"));
    settings.sourceSQL = 0;
    EXPECT_EQ(transfer.QuotedDate(Dialect(Dialect::Kind::Access), march5), QStringLiteral("#03/05/2024#"));
}

TEST(ErrorReportTest, ShowsContextSourceAndDescriptionThroughTheFeedback)
{
    RecordingFeedback feedback;
    ReportDatabaseError(feedback, QStringLiteral("DoSQLCleanup"),
                        DatabaseError(QStringLiteral("SQLite"), QStringLiteral("no such table: x")));
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_EQ(feedback.messages[0].text, QStringLiteral("ADO error in DoSQLCleanup ('SQLite' : 'no such table: x')"));
    EXPECT_EQ(feedback.messages[0].kind, MessageKind::DatabaseError);
}

class RecordTransferTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        source = Connection::Open(temp.connection(QStringLiteral("source.db")));
        target = Connection::Open(temp.connection(QStringLiteral("target.db")));
        source->Execute(QStringLiteral("CREATE TABLE Statistic_Call (CallID int, TaskID int, Start_Time datetime, Note varchar(20))"));
        source->Execute(QStringLiteral("INSERT INTO Statistic_Call VALUES (1, 5, '2024-03-04 23:59:59', 'old'), "
                                       "(2, 6, '2024-03-05 00:00:00', 'cut-off day'), (3, 5, '2024-01-01 08:00:00', NULL), "
                                       "(4, 7, '2024-06-01 10:00:00', 'new')"));
        source->Execute(QStringLiteral("CREATE TABLE Statistic_TransferMC (CallID1 int, CallID int)"));
        source->Execute(QStringLiteral("INSERT INTO Statistic_TransferMC VALUES (1, 4), (4, 1), (3, 3)"));
        sourceCatalog = BindCatalog(*source);
        targetCatalog = BindCatalog(*target);
        settings.backupType = 1;
        state.accessTarget = false;
        state.stage = 0;
    }

    TransferHandles Handles() { return {*source, *sourceCatalog, target.get(), targetCatalog.get()}; }
    long long Count(Connection& c, const QString& sql) { return Scalar(c, sql); }
    RecordTransfer Transfer() { return RecordTransfer(settings, state, feedback); }

    TempDatabases temp;
    CleanupSettings settings;
    RunState state;
    RecordingFeedback feedback;
    std::unique_ptr<Connection> source, target;
    std::unique_ptr<Catalog> sourceCatalog, targetCatalog;
    const QString oldCalls = QStringLiteral("Select CallID from Statistic_Call WHERE Start_Time<'2024-03-05'");
};

TEST_F(RecordTransferTest, BeforeDateCopiesThenDeletesAndKeepsTheCutOffDay)
{
    long long deleted = 10;
    ASSERT_TRUE(Transfer().BackupAndDeleteBeforeDate(Handles(), QStringLiteral("Statistic_Call"), QStringLiteral("Start_Time"),
                                                     QDate(2024, 3, 5), deleted));
    EXPECT_EQ(deleted, 12);
    EXPECT_EQ(state.stage, 1);
    EXPECT_EQ(Count(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), 2);
    EXPECT_EQ(Count(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE CallID = 2")), 1);
    const auto copied = ReadRows(*target, QStringLiteral("SELECT CallID, Start_Time, Note FROM Statistic_Call ORDER BY CallID"));
    ASSERT_EQ(copied.size(), 2u);
    EXPECT_EQ(copied[0][0].integer(), 1);
    EXPECT_EQ(copied[0][2].text(), QStringLiteral("old"));
    EXPECT_TRUE(copied[1][2].isNull());
    EXPECT_EQ(feedback.statuses, (QStringList{"Stage 1/21: Creating fields in target", "Stage 1/21: 2/2 records copied",
                                              "Stage 1/21: Deleting records"}));
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(RecordTransferTest, SuffixOneSelectsCallIdOne)
{
    long long deleted = 0;
    settings.backupType = 0;
    ASSERT_TRUE(Transfer().BackupAndDeleteByCall(Handles(), QStringLiteral("Statistic_TransferMC"), QStringLiteral("1"),
                                                 oldCalls, deleted));
    EXPECT_EQ(deleted, 2); // CallID1 1 and 3; the row with CallID 1 but CallID1 4 stays
    EXPECT_EQ(Count(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_TransferMC WHERE CallID1 = 4")), 1);
}

TEST_F(RecordTransferTest, NoBackupTouchesNoTargetButStillAdvancesTheStage)
{
    settings.backupType = 0;
    RecordTransfer transfer = Transfer();
    long long deleted = 0;
    const TransferHandles noTarget{*source, *sourceCatalog};
    EXPECT_TRUE(transfer.BackupWholeTable(noTarget, QStringLiteral("Statistic_Call")));
    EXPECT_TRUE(transfer.BackupAndDeleteBySurvey(noTarget, QStringLiteral("Statistic_Call"), QStringLiteral("TaskID"), {5}, deleted));
    EXPECT_EQ(state.stage, 2);
    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(feedback.statuses, QStringList{QStringLiteral("Stage 2/21: Deleting records")});
    EXPECT_TRUE(TableNames(temp.connection(QStringLiteral("target.db"))).isEmpty());
}

TEST_F(RecordTransferTest, EmptySelectionCopiesNothingAndStillDeletes)
{
    long long deleted = 0;
    state.stage = 3;
    ASSERT_TRUE(Transfer().BackupAndDeleteBySurvey(Handles(), QStringLiteral("Statistic_Call"), QStringLiteral("TaskID"), {99},
                                                   deleted));
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(feedback.statuses, (QStringList{"Stage 4/21: Creating fields in target", "Stage 4/21: Deleting records"}));
    EXPECT_EQ(Count(*target, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), 0);
}

TEST_F(RecordTransferTest, CopyFailingOnItsThirdRowKeepsTwoRowsAndDeletesNothing)
{
    for (const CopyMethod method : {CopyMethod::Fastest, CopyMethod::RowByRow}) {
        feedback = RecordingFeedback();
        target->Execute(QStringLiteral("DROP TABLE IF EXISTS Statistic_Agent"));
        source->Execute(QStringLiteral("DROP TABLE IF EXISTS Statistic_Agent"));
        source->Execute(QStringLiteral("CREATE TABLE Statistic_Agent (CallID int, AgentID int)"));
        source->Execute(QStringLiteral("INSERT INTO Statistic_Agent VALUES (1, 10), (3, 11), (1, 12), (3, 13)"));
        // The backup's own rule refuses the third row.
        target->Execute(QStringLiteral("CREATE TABLE Statistic_Agent (CallID int, AgentID int CHECK (AgentID <> 12))"));

        FieldNameList names{QStringLiteral("CallID"), QStringLiteral("AgentID")};
        RecordTransfer transfer = Transfer();
        if (method == CopyMethod::Fastest) {
            long long deleted = 0;
            targetCatalog = BindCatalog(*target);
            sourceCatalog = BindCatalog(*source);
            EXPECT_FALSE(transfer.BackupAndDeleteByCall(Handles(), QStringLiteral("Statistic_Agent"), QString(), oldCalls, deleted));
            EXPECT_EQ(deleted, 0);
            ASSERT_EQ(feedback.messages.size(), 1u);
            EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in Statistic_Agent ('SQLite' : ")))
                << feedback.messages[0].text.toStdString();
        } else {
            EXPECT_THROW(CopyRows(*source, *target, QStringLiteral("Statistic_Agent"), QStringLiteral(" WHERE CallID in (") + oldCalls + ")",
                                  names, feedback, 1, CopyMethod::RowByRow),
                         DatabaseError);
        }
        EXPECT_EQ(Count(*target, QStringLiteral("SELECT COUNT(*) FROM Statistic_Agent")), 2);
        EXPECT_EQ(Count(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_Agent")), 4);
    }
}

TEST_F(RecordTransferTest, WholeTableCopyLeavesExactlyTheSourceRows)
{
    target->Execute(QStringLiteral("CREATE TABLE Statistic_Call (CallID int, TaskID int, Start_Time datetime, Note varchar(20))"));
    target->Execute(QStringLiteral("INSERT INTO Statistic_Call VALUES (90, 1, NULL, 'stale'), (91, 1, NULL, 'stale'), "
                                   "(92, 1, NULL, 'stale'), (93, 1, NULL, 'stale'), (94, 1, NULL, 'stale')"));
    targetCatalog = BindCatalog(*target);
    ASSERT_TRUE(Transfer().BackupWholeTable(Handles(), QStringLiteral("Statistic_Call")));
    EXPECT_EQ(Count(*target, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), 4);
    EXPECT_EQ(Count(*target, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE CallID >= 90")), 0);
    EXPECT_EQ(Count(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), 4); // nothing deleted
}

TEST_F(RecordTransferTest, RowByRowCopyCarriesEveryTypeAndNull)
{
    source->Execute(QStringLiteral("CREATE TABLE Mixed (s smallint, i int, b bigint, t tinyint, f bit, r real, d float, n numeric, "
                                   "dt datetime, v varchar(300), w nvarchar(20), x text, bin blob)"));
    source->Execute(QStringLiteral("INSERT INTO Mixed VALUES (-2, 70000, 9000000000, 200, 1, 1.5, 2.25, 12.5, '2024-03-04 10:11:12', "
                                   "'%1', 'wide ä€', 'long', x'00ff'), (NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL)")
                        .arg(QString(300, QLatin1Char('v'))));
    FieldNameList names;
    ASSERT_TRUE(SchemaReplication(state, feedback).ReplicateTable(*BindCatalog(*source), *targetCatalog, QStringLiteral("Mixed"), names));
    EXPECT_EQ(CopyRows(*source, *target, QStringLiteral("Mixed"), QString(), names, feedback, 1, CopyMethod::RowByRow), 2);
    EXPECT_EQ(ReadRows(*target, QStringLiteral("SELECT * FROM Mixed")), ReadRows(*source, QStringLiteral("SELECT * FROM Mixed")));
}

TEST_F(RecordTransferTest, CopyCadenceOfTwentyFiveRows)
{
    source->Execute(QStringLiteral("CREATE TABLE Many (n int)"));
    source->Execute(QStringLiteral("WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r WHERE i < 25) "
                                   "INSERT INTO Many SELECT i FROM r"));
    target->Execute(QStringLiteral("CREATE TABLE Many (n int)"));
    EXPECT_EQ(CopyRows(*source, *target, QStringLiteral("Many"), QString(), {QStringLiteral("n")}, feedback, 7,
                       CopyMethod::RowByRow), 25);
    EXPECT_EQ(feedback.pumps, 23);
    EXPECT_EQ(feedback.statuses.size(), 25);
    EXPECT_EQ(feedback.statuses.first(), QStringLiteral("Stage 7/21: 1/25 records copied"));
    EXPECT_EQ(feedback.lastStatus(), QStringLiteral("Stage 7/21: 25/25 records copied"));
}
