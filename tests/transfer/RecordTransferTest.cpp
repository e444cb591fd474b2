#include <Catalog.h>
#include <Connection.h>
#include <DatabaseError.h>
#include <Recordset.h>
#include <RecordTransfer.h>
#include <RowCopy.h>

#include <ProductDatabases.h>
#include <RecordingFeedback.h>
#include <TempDatabases.h>

#include <gtest/gtest.h>

TEST(BuildOrConditionTest, TermsAndTheirBlanks)
{
    EXPECT_EQ(BuildOrCondition(QStringLiteral("SurveyID"), {3, 7}), QStringLiteral(" (SurveyID = 3)OR  (SurveyID = 7)"));
    EXPECT_EQ(BuildOrCondition(QStringLiteral("SurveyID"), {12}), QStringLiteral(" (SurveyID = 12)"));
    EXPECT_EQ(BuildOrCondition(QStringLiteral("TaskID"), {}), QString());
    EXPECT_EQ(BuildOrCondition(QStringLiteral("TaskID"), {4294967295u}), QStringLiteral(" (TaskID = -1)"));
}

TEST(DateLiteralTest, QuotedBySourceSqlAndFormattedByTheDialect)
{
    BackupFields fields;
    RecordingFeedback feedback;
    RecordTransfer transfer(fields, feedback);
    const OleDateTime march5 = OleDateTime::FromDate(2024, 3, 5, 14, 30);
    fields.SourceSQL = 1;
    EXPECT_EQ(transfer.QuotedDate(Dialect(Dialect::Kind::SqlServer), march5), QStringLiteral("'03/05/2024'"));
    EXPECT_EQ(transfer.QuotedDate(Dialect(Dialect::Kind::SQLite), march5), QStringLiteral("'2024-03-05'"));
    fields.SourceSQL = 0;
    EXPECT_EQ(transfer.QuotedDate(Dialect(Dialect::Kind::Access), march5), QStringLiteral("#03/05/2024#"));
    EXPECT_EQ(DateLiteral(Dialect(Dialect::Kind::SqlServer), OleDateTime()), QString());
    EXPECT_EQ(DateLiteral(Dialect(Dialect::Kind::SqlServer), OleDateTime::Invalid()), QStringLiteral("Invalid DateTime"));
}

class RecordTransferTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        source = OpenConnection(temp.connection(QStringLiteral("source.db")));
        target = OpenConnection(temp.connection(QStringLiteral("target.db")));
        source->Execute(QStringLiteral("CREATE TABLE Statistic_Call (CallID int, TaskID int, Start_Time datetime, Note varchar(20))"));
        source->Execute(QStringLiteral("INSERT INTO Statistic_Call VALUES (1, 5, '2024-03-04 23:59:59', 'old'), "
                                       "(2, 6, '2024-03-05 00:00:00', 'cut-off day'), (3, 5, '2024-01-01 08:00:00', NULL), "
                                       "(4, 7, '2024-06-01 10:00:00', 'new')"));
        source->Execute(QStringLiteral("CREATE TABLE Statistic_TransferMC (CallID1 int, CallID int)"));
        source->Execute(QStringLiteral("INSERT INTO Statistic_TransferMC VALUES (1, 4), (4, 1), (3, 3)"));
        sourceCatalog = BindCatalog(*source);
        targetCatalog = BindCatalog(*target);
        fields.BackupType = 1;
        fields.accessTarget = false;
        fields.stage = 0;
    }

    TransferHandles Handles() { return {*source, *sourceCatalog, target.get(), targetCatalog.get()}; }
    long long Count(Connection& c, const QString& sql) { return OpenRecordset(c, sql)->ReadField(0).toInt64(); }

    TempDatabases temp;
    BackupFields fields;
    RecordingFeedback feedback;
    std::unique_ptr<Connection> source, target;
    std::unique_ptr<Catalog> sourceCatalog, targetCatalog;
    const QString oldCalls = QStringLiteral("Select CallID from Statistic_Call WHERE Start_Time<'2024-03-05'");
};

TEST_F(RecordTransferTest, BeforeDateCopiesThenDeletesAndKeepsTheCutOffDay)
{
    long long deleted = 10;
    ASSERT_TRUE(RecordTransfer(fields, feedback)
                    .BackupAndDeleteBeforeDate(Handles(), QStringLiteral("Statistic_Call"), QStringLiteral("Start_Time"),
                                               OleDateTime::FromDate(2024, 3, 5, 16), deleted));
    EXPECT_EQ(deleted, 12);
    EXPECT_EQ(fields.stage, 1);
    EXPECT_EQ(Count(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), 2);
    EXPECT_EQ(Count(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE CallID = 2")), 1);
    auto copied = OpenRecordset(*target, QStringLiteral("SELECT CallID, Start_Time, Note FROM Statistic_Call ORDER BY CallID"));
    ASSERT_EQ(copied->RecordCount(), 2);
    EXPECT_EQ(copied->ReadField(0).integer(), 1);
    EXPECT_EQ(copied->ReadField(2).text(), QStringLiteral("old"));
    copied->MoveNext();
    EXPECT_TRUE(copied->ReadField(2).isNull());
    EXPECT_EQ(feedback.statuses, (QStringList{"Stage 1/21: Creating fields in target", "Stage 1/21: 2/2 records copied",
                                              "Stage 1/21: Deleting records"}));
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(RecordTransferTest, SuffixOneSelectsCallIdOne)
{
    long long deleted = 0;
    fields.BackupType = 0;
    ASSERT_TRUE(RecordTransfer(fields, feedback)
                    .BackupAndDeleteByCallID(Handles(), QStringLiteral("Statistic_TransferMC"), QStringLiteral("1"), oldCalls,
                                             deleted));
    EXPECT_EQ(deleted, 2); // CallID1 1 and 3; the row with CallID 1 but CallID1 4 stays
    EXPECT_EQ(Count(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_TransferMC WHERE CallID1 = 4")), 1);
}

TEST_F(RecordTransferTest, NoBackupTouchesNoTargetButStillAdvancesTheStage)
{
    fields.BackupType = 0;
    RecordTransfer transfer(fields, feedback);
    long long deleted = 0;
    const TransferHandles noTarget{*source, *sourceCatalog};
    EXPECT_TRUE(transfer.BackupWholeTable(noTarget, QStringLiteral("Statistic_Call")));
    EXPECT_TRUE(transfer.BackupAndDeleteWhere(noTarget, QStringLiteral("Statistic_Call"), QStringLiteral("TaskID"), {5}, deleted));
    EXPECT_EQ(fields.stage, 2);
    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(feedback.statuses, QStringList{QStringLiteral("Stage 2/21: Deleting records")});
    EXPECT_TRUE(TableNames(temp.connection(QStringLiteral("target.db"))).isEmpty());
}

TEST_F(RecordTransferTest, EmptySelectionCopiesNothingAndStillDeletes)
{
    long long deleted = 0;
    fields.stage = 3;
    ASSERT_TRUE(RecordTransfer(fields, feedback)
                    .BackupAndDeleteWhere(Handles(), QStringLiteral("Statistic_Call"), QStringLiteral("TaskID"), {99}, deleted));
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
        RecordTransfer transfer(fields, feedback);
        if (method == CopyMethod::Fastest) {
            long long deleted = 0;
            targetCatalog = BindCatalog(*target);
            sourceCatalog = BindCatalog(*source);
            EXPECT_FALSE(transfer.BackupAndDeleteByCallID(Handles(), QStringLiteral("Statistic_Agent"), QString(), oldCalls, deleted));
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
    ASSERT_TRUE(RecordTransfer(fields, feedback).BackupWholeTable(Handles(), QStringLiteral("Statistic_Call")));
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
    ASSERT_TRUE(SchemaReplication(fields, feedback).CreateFieldInTarget(*BindCatalog(*source), *targetCatalog, QStringLiteral("Mixed"), names));
    EXPECT_EQ(CopyRows(*source, *target, QStringLiteral("Mixed"), QString(), names, feedback, 1, CopyMethod::RowByRow), 2);

    auto a = OpenRecordset(*source, QStringLiteral("SELECT * FROM Mixed"));
    auto b = OpenRecordset(*target, QStringLiteral("SELECT * FROM Mixed"));
    ASSERT_EQ(b->RecordCount(), 2);
    for (; !a->IsEOF(); a->MoveNext(), b->MoveNext())
        for (int i = 0; i < a->FieldCount(); ++i) {
            EXPECT_EQ(a->ReadField(i).type(), b->ReadField(i).type()) << i;
            EXPECT_EQ(a->ReadField(i).integer(), b->ReadField(i).integer()) << i;
            EXPECT_EQ(a->ReadField(i).real(), b->ReadField(i).real()) << i;
            EXPECT_EQ(a->ReadField(i).text(), b->ReadField(i).text()) << i;
            EXPECT_EQ(a->ReadField(i).bytes(), b->ReadField(i).bytes()) << i;
        }
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
