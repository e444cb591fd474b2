// No SQL Server answers here, so every statement the statistics clean-ups
// send to one is checked as text, whole and to the character: a blank too
// many or too few is a different statement.
#include "cleanup/transfer/BackupLedger.h"
#include "cleanup/surveys/CleaningHistory.h"
#include "cleanup/transfer/ColumnUnion.h"
#include "cleanup/transfer/RecordTransfer.h"
#include "cleanup/transfer/SchemaReplication.h"
#include "cleanup/transfer/StatisticsCatalogue.h"
#include "cleanup/transfer/TransferStatements.h"
#include "db/CatalogStatements.h"
#include "db/DatabaseIdentity.h"
#include "db/Dialect.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <limits>

using namespace qel;

namespace Sql = qel::TransferStatements;

namespace {

const Dialect kSqlServer(Dialect::Kind::SqlServer);

// A text the program builds and the text it must be.
struct Text {
    const char* what;
    QString built;
    QString expected;
};

void ExpectTexts(const std::vector<Text>& texts)
{
    for (const Text& t : texts)
        EXPECT_EQ(t.built, t.expected) << t.what;
}

// The one delete a step sends when no backup is made and the table goes in
// one statement (BatchSize=0), or, batched, the condition it repeats.
QString StepCondition(const CleanupStep& step, const QString& callSelection, const QString& quotedDate,
                      const IdentifierArray& surveys)
{
    switch (step.rule) {
    case StepRule::ByCall: return Sql::ByCallCondition(step.column, callSelection);
    case StepRule::ByDate: return Sql::BeforeDateCondition(step.column, quotedDate);
    case StepRule::BySurvey: return Sql::SurveyCondition(step.column, surveys);
    case StepRule::Whole: break;
    }
    return {};
}

QStringList StepDeletes(const std::vector<CleanupStep>& steps, const QString& callSelection, const QString& quotedDate,
                        const IdentifierArray& surveys)
{
    QStringList deletes;
    for (const CleanupStep& step : steps)
        if (step.rule != StepRule::Whole)
            deletes << Sql::Delete(step.table, StepCondition(step, callSelection, quotedDate, surveys));
    return deletes;
}

ColumnDefinition Column(const char* name, ColumnType type, int size = 0, int precision = 0, int scale = 0,
                        const char* typeName = "")
{
    ColumnDefinition c;
    c.name = QString::fromUtf8(name);
    c.type = type;
    c.definedSize = size;
    c.precision = precision;
    c.scale = scale;
    c.typeName = QString::fromUtf8(typeName);
    return c;
}

} // namespace

TEST(SqlServerStatisticsTexts, TheCleanupByDateSendsTheseInOneStatementPerTable)
{
    const QString quoted = Sql::QuotedDate(kSqlServer, QDate(2024, 3, 5), true);
    const QString calls = Sql::CallSelectionBeforeDate(quoted);
    ExpectTexts({
        {"preamble", kSqlServer.DateFormatPreamble(), QStringLiteral("SET DATEFORMAT mdy")},
        {"call selection", calls, QStringLiteral("Select CallID from Statistic_Call WHERE Start_Time<'03/05/2024'")},
    });

    const QString old = QStringLiteral(" in (Select CallID from Statistic_Call WHERE Start_Time<'03/05/2024')");
    const QStringList expected{
        QStringLiteral("DELETE  FROM Statistic_Agent WHERE CallID") + old,
        QStringLiteral("DELETE  FROM Statistic_ExternalNumber WHERE CallID") + old,
        QStringLiteral("DELETE  FROM Statistic_InboundGroup WHERE CallID") + old,
        QStringLiteral("DELETE  FROM Statistic_Location WHERE CallID") + old,
        QStringLiteral("DELETE  FROM Statistic_OutboundGroup WHERE CallID") + old,
        QStringLiteral("DELETE  FROM Statistic_Project WHERE CallID") + old,
        QStringLiteral("DELETE  FROM Statistic_RoutePath WHERE CallID") + old,
        QStringLiteral("DELETE  FROM Statistic_Transfer WHERE CallID") + old,
        QStringLiteral("DELETE  FROM Statistic_TransferMC WHERE CallID1") + old,
        QStringLiteral("DELETE  FROM Statistic_Call WHERE Start_Time < '03/05/2024'"),
        QStringLiteral("DELETE  FROM Statistic_Alarms WHERE Time < '03/05/2024'"),
        QStringLiteral("DELETE  FROM Statistic_KeyIn WHERE StartTime < '03/05/2024'"),
        QStringLiteral("DELETE  FROM Statistic_Pause WHERE Start_Time < '03/05/2024'"),
        QStringLiteral("DELETE  FROM Statistic_Session WHERE StartTime < '03/05/2024'"),
        QStringLiteral("DELETE  FROM Statistic_SessionSupervisor WHERE StartTime < '03/05/2024'"),
        QStringLiteral("DELETE  FROM Statistic_WebInterview WHERE StartTime < '03/05/2024'"),
        QStringLiteral("DELETE  FROM Statistic_WebInterviewEvent WHERE EventTime < '03/05/2024'"),
        QStringLiteral("DELETE  FROM Statistic_WebInterviewSession WHERE StartTime < '03/05/2024'"),
        QStringLiteral("DELETE  FROM Statistic_GroupMembership WHERE EventTime < '03/05/2024'"),
        QStringLiteral("DELETE  FROM Statistic_Messages WHERE MessageTime < '03/05/2024'"),
        QStringLiteral("DELETE  FROM Statistic_Predictive WHERE StartTime < '03/05/2024'"),
        QStringLiteral("DELETE  FROM Statistic_SessionAPI WHERE StartTime < '03/05/2024'"),
    };
    EXPECT_EQ(StepDeletes(DateCleanupSteps(), calls, quoted, {}), expected);
}

TEST(SqlServerStatisticsTexts, AnAccessSourceGetsItsDatesBetweenHashSigns)
{
    const QString quoted = Sql::QuotedDate(Dialect(Dialect::Kind::Access), QDate(2024, 12, 31), false);
    ExpectTexts({
        {"call selection", Sql::CallSelectionBeforeDate(quoted),
         QStringLiteral("Select CallID from Statistic_Call WHERE Start_Time<#12/31/2024#")},
        {"by date", Sql::Delete(QStringLiteral("Statistic_KeyIn"), Sql::BeforeDateCondition(QStringLiteral("StartTime"), quoted)),
         QStringLiteral("DELETE  FROM Statistic_KeyIn WHERE StartTime < #12/31/2024#")},
    });
}

TEST(SqlServerStatisticsTexts, TheCleanupBySurveySendsTheseInOneStatementPerTable)
{
    const IdentifierArray surveys{3, 7};
    const QString calls = Sql::CallSelection(Sql::SurveyCondition(QStringLiteral("TaskID"), surveys));
    EXPECT_EQ(calls, QStringLiteral("Select CallID from Statistic_Call WHERE  (TaskID = 3)OR  (TaskID = 7)"));

    const QString ofSurveys = QStringLiteral(" in (Select CallID from Statistic_Call WHERE  (TaskID = 3)OR  (TaskID = 7))");
    const QStringList expected{
        QStringLiteral("DELETE  FROM Statistic_Agent WHERE CallID") + ofSurveys,
        QStringLiteral("DELETE  FROM Statistic_ExternalNumber WHERE CallID") + ofSurveys,
        QStringLiteral("DELETE  FROM Statistic_InboundGroup WHERE CallID") + ofSurveys,
        QStringLiteral("DELETE  FROM Statistic_Location WHERE CallID") + ofSurveys,
        QStringLiteral("DELETE  FROM Statistic_OutboundGroup WHERE CallID") + ofSurveys,
        QStringLiteral("DELETE  FROM Statistic_Project WHERE CallID") + ofSurveys,
        QStringLiteral("DELETE  FROM Statistic_RoutePath WHERE CallID") + ofSurveys,
        QStringLiteral("DELETE  FROM Statistic_Transfer WHERE CallID") + ofSurveys,
        QStringLiteral("DELETE  FROM Statistic_TransferMC WHERE CallID1") + ofSurveys,
        QStringLiteral("DELETE  FROM Statistic_Call WHERE  (TaskID = 3)OR  (TaskID = 7)"),
        QStringLiteral("DELETE  FROM Statistic_Alarms WHERE  (SurveyID = 3)OR  (SurveyID = 7)"),
        QStringLiteral("DELETE  FROM Statistic_KeyIn WHERE  (TaskID = 3)OR  (TaskID = 7)"),
        QStringLiteral("DELETE  FROM Statistic_Pause WHERE  (OutboundSurveyID = 3)OR  (OutboundSurveyID = 7)"),
        QStringLiteral("DELETE  FROM Statistic_Session WHERE  (OutboundTaskID = 3)OR  (OutboundTaskID = 7)"),
        QStringLiteral("DELETE  FROM Statistic_WebInterview WHERE  (TaskID = 3)OR  (TaskID = 7)"),
        QStringLiteral("DELETE  FROM Statistic_WebInterviewEvent WHERE  (TaskID = 3)OR  (TaskID = 7)"),
        QStringLiteral("DELETE  FROM Statistic_WebInterviewSession WHERE  (TaskID = 3)OR  (TaskID = 7)"),
    };
    EXPECT_EQ(StepDeletes(SurveyCleanupSteps(), calls, QString(), surveys), expected);
}

TEST(SqlServerStatisticsTexts, ManySurveysGoInPartsOfFourHundredEachTheSameText)
{
    IdentifierArray surveys;
    for (quint32 id = 1; id <= 401; ++id)
        surveys.push_back(id);
    const std::vector<IdentifierArray> parts = SurveyParts(surveys);
    ASSERT_EQ(parts.size(), 2u);

    QString firstPart;
    for (int id = 1; id <= 400; ++id)
        firstPart += (id == 1 ? QString() : QStringLiteral("OR ")) + QStringLiteral(" (TaskID = %1)").arg(id);
    ExpectTexts({
        {"first part", Sql::SurveyCondition(QStringLiteral("TaskID"), parts[0]), firstPart},
        {"second part", Sql::Delete(QStringLiteral("Statistic_Call"), Sql::SurveyCondition(QStringLiteral("TaskID"), parts[1])),
         QStringLiteral("DELETE  FROM Statistic_Call WHERE  (TaskID = 401)")},
        {"single survey", Sql::CallSelection(Sql::SurveyCondition(QStringLiteral("TaskID"), {42})),
         QStringLiteral("Select CallID from Statistic_Call WHERE  (TaskID = 42)")},
        {"identifier past the signed range", Sql::SurveyCondition(QStringLiteral("SurveyID"), {4294967295u, 2147483648u}),
         QStringLiteral(" (SurveyID = -1)OR  (SurveyID = -2147483648)")},
    });
}

// Batched (the default BatchSize of 4000), the calls are gathered once into
// a temporary table of the connection and each batch takes the first rows
// its condition finds.
TEST(SqlServerStatisticsTexts, BatchedDeletesTakeTheFirstRowsOfTheCallSet)
{
    const QString cutoff = Sql::QuotedDate(kSqlServer, QDate(2024, 3, 5), true);
    const QString calls = Sql::CallSetSelection(kSqlServer);
    ExpectTexts({
        {"drop a call set left over", Sql::CreateCallSet(kSqlServer).value(0),
         QStringLiteral("IF OBJECT_ID(N'tempdb..#QelCleanupCalls') IS NOT NULL DROP TABLE #QelCleanupCalls")},
        {"create the call set", Sql::CreateCallSet(kSqlServer).value(1),
         QStringLiteral("CREATE TABLE #QelCleanupCalls (CallID bigint NOT NULL PRIMARY KEY)")},
        {"fill it", Sql::AddToCallSet(kSqlServer, Sql::CallSelectionBeforeDate(cutoff)),
         QStringLiteral("INSERT INTO #QelCleanupCalls SELECT DISTINCT CallID FROM (Select CallID from Statistic_Call "
                        "WHERE Start_Time<'03/05/2024') AS Calls WHERE CallID IS NOT NULL AND CallID NOT IN "
                        "(SELECT CallID FROM #QelCleanupCalls)")},
        {"read it", calls, QStringLiteral("SELECT CallID FROM #QelCleanupCalls")},
    });
    EXPECT_EQ(Sql::CreateCallSet(kSqlServer).size(), 2);
}

namespace {

WalkKey Key(const QStringList& columns, const QStringList& types, bool unique)
{
    WalkKey key;
    key.columns = columns;
    key.serverTypes = types;
    key.unique = unique;
    return key;
}

} // namespace

// Batches walk a key: the clustered index, or the column the condition
// compares. Each batch is the rows of one range of its values, found as the
// next rows after the range before, so no batch scans the table from its
// start again; its row count is selected, so that NOCOUNT or a trigger's
// counts cannot end the walk early.
TEST(SqlServerStatisticsTexts, BatchesWalkAKeyAndCountTheirOwnRows)
{
    const QString calls = Sql::CallSetSelection(kSqlServer);
    const QString byCall = Sql::ByCallCondition(QStringLiteral("1"), calls);
    const WalkKey callKey = Key({QStringLiteral("[CallID1]")}, {QStringLiteral("int")}, false);
    const WalkKey dateKey = Key({QStringLiteral("[Start_Time]")}, {QStringLiteral("datetime")}, false);
    WalkKey twoColumns = Key({QStringLiteral("[Site]"), QStringLiteral("[At]")},
                             {QStringLiteral("int"), QStringLiteral("datetime2(7)")}, true);
    const QString at = WalkStatements::SqlServerKeyLiteral(QStringLiteral("datetime2(7)"), QStringLiteral("2024-03-04 23:59:59.9999999"));
    ExpectTexts({
        {"the first batch's end", Sql::SqlServerBatchEnd(QStringLiteral("Statistic_TransferMC"), callKey, byCall, {}, 4000),
         QStringLiteral("SELECT TOP (1) CONVERT(nvarchar(64), [CallID1]) FROM (SELECT TOP (4000) [CallID1] FROM "
                        "Statistic_TransferMC WHERE (CallID1 in (SELECT CallID FROM #QelCleanupCalls)) ORDER BY [CallID1]) "
                        "AS Batch ORDER BY [CallID1] DESC")},
        {"the next one's", Sql::SqlServerBatchEnd(QStringLiteral("Statistic_TransferMC"), callKey, byCall, {QStringLiteral("4711")}, 4000),
         QStringLiteral("SELECT TOP (1) CONVERT(nvarchar(64), [CallID1]) FROM (SELECT TOP (4000) [CallID1] FROM "
                        "Statistic_TransferMC WHERE [CallID1] > 4711 AND (CallID1 in (SELECT CallID FROM #QelCleanupCalls)) "
                        "ORDER BY [CallID1]) AS Batch ORDER BY [CallID1] DESC")},
        {"a batch by call", Sql::SqlServerDeleteRange(QStringLiteral("Statistic_TransferMC"), callKey, byCall,
                                                      {{QStringLiteral("4711")}, {QStringLiteral("9000000000")}}),
         QStringLiteral("SET NOCOUNT ON; DELETE FROM Statistic_TransferMC WHERE [CallID1] > 4711 AND [CallID1] <= 9000000000 "
                        "AND (CallID1 in (SELECT CallID FROM #QelCleanupCalls)); SELECT ROWCOUNT_BIG()")},
        {"a date read back as the column's own type",
         WalkStatements::SqlServerKeyLiteral(QStringLiteral("datetime"), QStringLiteral("2024-03-04 23:59:59.997")),
         QStringLiteral("CONVERT(datetime, N'2024-03-04 23:59:59.997', 121)")},
        {"the first batch by date", Sql::SqlServerDeleteRange(QStringLiteral("Statistic_Alarms"), dateKey,
                                                              QStringLiteral("Time < '03/05/2024'"),
                                                              {{}, {WalkStatements::SqlServerKeyLiteral(QStringLiteral("datetime"), QStringLiteral("2024-01-01 00:00:00.000"))}}),
         QStringLiteral("SET NOCOUNT ON; DELETE FROM Statistic_Alarms WHERE [Start_Time] <= CONVERT(datetime, N'2024-01-01 "
                        "00:00:00.000', 121) AND (Time < '03/05/2024'); SELECT ROWCOUNT_BIG()")},
        {"a date key read as text", Sql::SqlServerKeyTexts(dateKey).join(QString()),
         QStringLiteral("CONVERT(nvarchar(64), [Start_Time], 121)")},
        {"texts, numbers and identifiers as literals",
         QStringList({WalkStatements::SqlServerKeyLiteral(QStringLiteral("nvarchar(20)"), QStringLiteral("O'Brien")),
                      WalkStatements::SqlServerKeyLiteral(QStringLiteral("varchar(20)"), QStringLiteral("a")),
                      WalkStatements::SqlServerKeyLiteral(QStringLiteral("decimal(38,4)"), QStringLiteral("-12.5000")),
                      WalkStatements::SqlServerKeyLiteral(QStringLiteral("uniqueidentifier"), QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"))})
             .join(QStringLiteral(" | ")),
         QStringLiteral("N'O''Brien' | 'a' | -12.5000 | CONVERT(uniqueidentifier, N'6F9619FF-8B86-D011-B42D-00C04FC964FF')")},
        {"a key of two columns", WalkStatements::RangeCondition(kSqlServer, twoColumns, {{QStringLiteral("1"), at}, {QStringLiteral("2"), at}}),
         QStringLiteral("([Site] > 1 OR ([Site] = 1 AND [At] > CONVERT(datetime2(7), N'2024-03-04 23:59:59.9999999', 121))) AND "
                        "([Site] < 2 OR ([Site] = 2 AND [At] <= CONVERT(datetime2(7), N'2024-03-04 23:59:59.9999999', 121)))")},
        {"no key: the first rows found", Sql::SqlServerDeleteTop(QStringLiteral("Statistic_Pause"), Sql::SurveyCondition(QStringLiteral("OutboundSurveyID"), {3, 7}), 250),
         QStringLiteral("SET NOCOUNT ON; DELETE TOP (250) FROM Statistic_Pause WHERE ( (OutboundSurveyID = 3)OR  "
                        "(OutboundSurveyID = 7)); SELECT ROWCOUNT_BIG()")},
        {"BatchSize 0: the table's one statement, counted", Sql::SqlServerCounted(Sql::Delete(QStringLiteral("Statistic_Call"), QStringLiteral("Start_Time < '03/05/2024'"))),
         QStringLiteral("SET NOCOUNT ON; DELETE  FROM Statistic_Call WHERE Start_Time < '03/05/2024'; SELECT ROWCOUNT_BIG()")},
        {"where the key comes from", WalkStatements::SqlServerIndexColumns(QStringLiteral("Statistic_Agent")),
         QStringLiteral("SELECT i.index_id, i.type, i.is_unique, c.name FROM sys.indexes AS i JOIN sys.index_columns AS ic ON "
                        "ic.object_id = i.object_id AND ic.index_id = i.index_id JOIN sys.columns AS c ON c.object_id = "
                        "ic.object_id AND c.column_id = ic.column_id WHERE i.object_id = OBJECT_ID(N'Statistic_Agent') AND "
                        "ic.key_ordinal > 0 AND i.is_disabled = 0 AND i.has_filter = 0 ORDER BY i.index_id, ic.key_ordinal")},
        {"and its columns' types", WalkStatements::SqlServerColumnTypes(QStringLiteral("Statistic_Agent")),
         QStringLiteral("SELECT c.name, TYPE_NAME(c.system_type_id), c.max_length, c.precision, c.scale, c.is_nullable "
                        "FROM sys.columns AS c WHERE c.object_id = OBJECT_ID(N'Statistic_Agent') ORDER BY c.column_id")},
    });
}

// A backup into another database of the same server: each batch leaves the
// source as it arrives in the backup, in one statement.
TEST(SqlServerStatisticsTexts, TheMoveIntoABackupOfTheSameServer)
{
    const QStringList columns{QStringLiteral("CallID"), QStringLiteral("Agent]Name")};
    const QString byCall = Sql::ByCallCondition(QString(), Sql::CallSetSelection(kSqlServer));
    ExpectTexts({
        {"a batch of a walked key", Sql::SqlServerMoveBatch(QStringLiteral("Statistic_Agent"), columns, QStringLiteral("[qel_backup].[dbo].[Statistic_Agent]"),
                                                            Key({QStringLiteral("[CallID]")}, {QStringLiteral("int")}, false), byCall,
                                                            {{QStringLiteral("5")}, {QStringLiteral("4711")}}, 4000),
         QStringLiteral("SET NOCOUNT ON; SET XACT_ABORT ON; BEGIN TRANSACTION; DELETE FROM Statistic_Agent OUTPUT "
                        "DELETED.[CallID], DELETED.[Agent]]Name] INTO [qel_backup].[dbo].[Statistic_Agent] ([CallID], "
                        "[Agent]]Name]) WHERE [CallID] > 5 AND [CallID] <= 4711 AND (CallID in (SELECT CallID FROM "
                        "#QelCleanupCalls)); DECLARE @moved bigint = ROWCOUNT_BIG(); IF (SELECT COUNT(*) FROM sys.columns "
                        "WHERE object_id = OBJECT_ID(N'Statistic_Agent')) <> 2 BEGIN ROLLBACK TRANSACTION; SELECT CAST(-1 "
                        "AS bigint); RETURN; END; COMMIT TRANSACTION; SELECT @moved")},
        {"a batch without a key", Sql::SqlServerMoveBatch(QStringLiteral("Statistic_Agent"), columns, QStringLiteral("[qel_backup].[audit].[Statistic_Agent]"),
                                                          WalkKey{}, byCall, {}, 4000),
         QStringLiteral("SET NOCOUNT ON; SET XACT_ABORT ON; BEGIN TRANSACTION; DELETE TOP (4000) FROM Statistic_Agent OUTPUT "
                        "DELETED.[CallID], DELETED.[Agent]]Name] INTO [qel_backup].[audit].[Statistic_Agent] ([CallID], "
                        "[Agent]]Name]) WHERE (CallID in (SELECT CallID FROM #QelCleanupCalls)); DECLARE @moved bigint = "
                        "ROWCOUNT_BIG(); IF (SELECT COUNT(*) FROM sys.columns WHERE object_id = OBJECT_ID(N'Statistic_Agent')) "
                        "<> 2 BEGIN ROLLBACK TRANSACTION; SELECT CAST(-1 AS bigint); RETURN; END; COMMIT TRANSACTION; SELECT @moved")},
        {"in one statement", Sql::SqlServerMoveBatch(QStringLiteral("Statistic_Call"), {QStringLiteral("CallID")},
                                                     QStringLiteral("[Back]]up].[dbo].[Statistic_Call]"), WalkKey{},
                                                     QStringLiteral("Start_Time < '03/05/2024'"), {}, 0),
         QStringLiteral("SET NOCOUNT ON; SET XACT_ABORT ON; BEGIN TRANSACTION; DELETE FROM Statistic_Call OUTPUT "
                        "DELETED.[CallID] INTO [Back]]up].[dbo].[Statistic_Call] ([CallID]) WHERE (Start_Time < "
                        "'03/05/2024'); DECLARE @moved bigint = ROWCOUNT_BIG(); IF (SELECT COUNT(*) FROM sys.columns WHERE "
                        "object_id = OBJECT_ID(N'Statistic_Call')) <> 1 BEGIN ROLLBACK TRANSACTION; SELECT CAST(-1 AS "
                        "bigint); RETURN; END; COMMIT TRANSACTION; SELECT @moved")},
        {"is the backup on the source's server", SqlServerIdentityQuery(),
         QStringLiteral("SELECT CAST(SERVERPROPERTY('ServerName') AS nvarchar(256)), DB_NAME()")},
        // past 2^31 - 1 rows COUNT(*) fails with an arithmetic overflow
        {"the rows to copy, counted first",
         Sql::Count(kSqlServer, QStringLiteral("Statistic_Call"), QStringLiteral("Start_Time < '03/05/2024'")),
         QStringLiteral("SELECT COUNT_BIG(*) FROM Statistic_Call WHERE Start_Time < '03/05/2024'")},
    });
}

// A backup on another server goes through this program: each batch is
// deleted along the walk key into a table of the connection, whose rows are
// read back and saved in the backup before the source commits; its locks
// are on the rows it takes, and on no range.
TEST(SqlServerStatisticsTexts, TheLedgerRouteTakesARangeIntoAHoldingTable)
{
    const QString condition = QStringLiteral("CallID in (SELECT CallID FROM #QelCleanupCalls)");
    const WalkKey key = Key({QStringLiteral("[CallID]")}, {QStringLiteral("int")}, false);
    ExpectTexts({
        {"the holding table", Sql::SqlServerCreateMovedTable({QStringLiteral("[CallID] int NULL"), QStringLiteral("[Agent]]Name] nvarchar(100) NULL")}),
         QStringLiteral("IF OBJECT_ID(N'tempdb..#QelMoved') IS NOT NULL DROP TABLE #QelMoved; CREATE TABLE #QelMoved "
                        "([CallID] int NULL, [Agent]]Name] nvarchar(100) NULL)")},
        {"a batch taken", Sql::SqlServerTakeRange(QStringLiteral("Statistic_Agent"), {QStringLiteral("CallID"), QStringLiteral("Agent]Name")},
                                                  {QStringLiteral("[CallID]"), QStringLiteral("[Agent]]Name]")}, key, condition,
                                                  {{QStringLiteral("5")}, {QStringLiteral("4711")}}),
         QStringLiteral("SET NOCOUNT ON; DELETE FROM Statistic_Agent OUTPUT DELETED.[CallID], DELETED.[Agent]]Name] INTO "
                        "#QelMoved ([CallID], [Agent]]Name]) WHERE [CallID] > 5 AND [CallID] <= 4711 AND (CallID in "
                        "(SELECT CallID FROM #QelCleanupCalls)); SELECT COUNT(*) FROM sys.columns WHERE object_id = "
                        "OBJECT_ID(N'Statistic_Agent'); SELECT [CallID], [Agent]]Name] FROM #QelMoved")},
        {"emptied for the next", Sql::SqlServerEmptyMovedTable(), QStringLiteral("DELETE FROM #QelMoved")},
    });
}

// The ledger lives in the backup; its texts are nvarchar, so they are
// written as N'...' and keep any character of a database or table name.
TEST(SqlServerStatisticsTexts, TheLedgersOwnStatements)
{
    BackupLedger::Entry entry;
    entry.table = QStringLiteral("Statistic_Agent");
    entry.batchId = 1733000000000001;
    entry.keyColumns = {QStringLiteral("[CallID]")};
    entry.through = {QStringLiteral("4711")};
    entry.selection = QStringLiteral("CallID in (Select CallID from Statistic_Call WHERE Start_Time<'03/05/2024')");
    entry.rows = 4;
    entry.fingerprint = 0xFFFFFFFFFFFFFFFEull;
    const QString source = QStringLiteral("db01/Stat'\u00e9");
    const QString ledger = QStringLiteral("[audit].[QelCleanupLedger]");
    ExpectTexts({
        {"pending", BackupLedger::PendingQuery(kSqlServer, ledger, source, entry.table),
         QStringLiteral("SELECT BatchId, KeyColumns, KeyAfter, KeyThrough, Selection, RowsCopied, RowFingerprint FROM "
                        "[audit].[QelCleanupLedger] WHERE SourceDatabase = N'db01/Stat''\u00e9' AND TableName = "
                        "N'Statistic_Agent' ORDER BY BatchId")},
        {"record", BackupLedger::RecordStatement(kSqlServer, ledger, source, entry),
         QStringLiteral("INSERT INTO [audit].[QelCleanupLedger] (SourceDatabase, TableName, BatchId, KeyColumns, KeyAfter, "
                        "KeyThrough, Selection, RowsCopied, RowFingerprint, CopiedAt) VALUES (N'db01/Stat''\u00e9', "
                        "N'Statistic_Agent', 1733000000000001, N'[\"[CallID]\"]', N'[]', N'[\"4711\"]', N'CallID in "
                        "(Select CallID from Statistic_Call WHERE Start_Time<''03/05/2024'')', 4, -2, GETDATE())")},
        {"forget", BackupLedger::ForgetStatement(kSqlServer, ledger, source, entry),
         QStringLiteral("DELETE FROM [audit].[QelCleanupLedger] WHERE SourceDatabase = N'db01/Stat''\u00e9' AND "
                        "TableName = N'Statistic_Agent' AND BatchId = 1733000000000001")},
        {"SQLite knows no N''", BackupLedger::ForgetStatement(Dialect(Dialect::Kind::SQLite), QStringLiteral("\"QelCleanupLedger\""), source, entry),
         QStringLiteral("DELETE FROM \"QelCleanupLedger\" WHERE SourceDatabase = 'db01/Stat''\u00e9' AND "
                        "TableName = 'Statistic_Agent' AND BatchId = 1733000000000001")},
    });
}

TEST(SqlServerStatisticsTexts, AReferenceTableIsCopiedWhole)
{
    ExpectTexts({
        {"empty the backup's copy, in the schema it was found in",
         Sql::EmptyTable(CatalogStatements::SchemaQualifiedName(kSqlServer, QStringLiteral("dbo"), QStringLiteral("Agents"))),
         QStringLiteral("DELETE FROM [dbo].[Agents]")},
        {"a name with a bracket",
         Sql::EmptyTable(CatalogStatements::SchemaQualifiedName(kSqlServer, QStringLiteral("o]wn"), QStringLiteral("A]b"))),
         QStringLiteral("DELETE FROM [o]]wn].[A]]b]")},
        {"read the source", Sql::ReadTable(QStringLiteral("Agents"), {QStringLiteral("[AgentID]"), QStringLiteral("[Name]")}),
         QStringLiteral("SELECT [AgentID], [Name] FROM Agents")},
    });
}

// The backup table is given the source's columns: created whole when it is
// missing, a missing column added, a column too narrow for the source
// widened in place with its values kept; each statement names the schema,
// so that it reaches the table found whatever the login's default schema.
TEST(SqlServerSchemaTexts, TheBackupTableTakesTheSourcesColumns)
{
    using namespace CatalogStatements;
    const QString table = SchemaQualifiedName(kSqlServer, QStringLiteral("dbo"), QStringLiteral("Statistic_Call"));
    // As replication maps them for a SQL Server target: every column nullable.
    std::vector<ColumnDefinition> source;
    for (const ColumnDefinition& c :
         {Column("CallID", ColumnType::Integer, 4), Column("Start_Time", ColumnType::Date, 8),
          Column("Ended", ColumnType::DBTimeStamp, 23, 0, 7, "datetime2"), Column("Caller", ColumnType::VarWChar, 50),
          Column("Notes", ColumnType::VarChar, 9000), Column("Cost", ColumnType::Decimal, 0, 18, 4),
          Column("Done", ColumnType::Boolean, 1), Column("Memo]x", ColumnType::LongVarWChar, 1073741823)})
        source.push_back(MapColumnForTarget(c, false));

    ColumnDefinition keyColumn = Column("ID", ColumnType::BigInt, 8);
    keyColumn.nullable = false;
    const ColumnDefinition narrowBackup = Column("Caller", ColumnType::VarWChar, 20);
    const auto widened = WidenedForSource(narrowBackup, source[3]);
    const auto longer = WidenedForSource(Column("CallID", ColumnType::Integer, 4), Column("CallID", ColumnType::BigInt, 8));
    ASSERT_TRUE(widened.has_value());
    ASSERT_TRUE(longer.has_value());

    ExpectTexts({
        {"default schema", DefaultSchema(), QStringLiteral("SELECT SCHEMA_NAME()")},
        {"create", CreateTable(kSqlServer, table, source),
         QStringLiteral("CREATE TABLE [dbo].[Statistic_Call] ([CallID] int NULL, [Start_Time] datetime NULL, "
                        "[Ended] datetime2(7) NULL, [Caller] nvarchar(50) NULL, [Notes] varchar(max) NULL, "
                        "[Cost] numeric(18,4) NULL, [Done] bit NULL, [Memo]]x] nvarchar(max) NULL)")},
        {"create unless there", CreateTableIfMissing(kSqlServer, SchemaQualifiedName(kSqlServer, QStringLiteral("hist"), QStringLiteral("T'x")),
                                                     {source[0]}),
         QStringLiteral("IF OBJECT_ID(N'[hist].[T''x]', N'U') IS NULL\nCREATE TABLE [hist].[T'x] ([CallID] int NULL)")},
        {"add", AddColumn(kSqlServer, table, source[5]), QStringLiteral("ALTER TABLE [dbo].[Statistic_Call] ADD [Cost] numeric(18,4) NULL")},
        {"add not null", AddColumn(kSqlServer, table, keyColumn), QStringLiteral("ALTER TABLE [dbo].[Statistic_Call] ADD [ID] bigint NOT NULL")},
        {"widen", AlterColumn(kSqlServer, table, *widened),
         QStringLiteral("ALTER TABLE [dbo].[Statistic_Call] ALTER COLUMN [Caller] nvarchar(50) NULL")},
        {"widen a number", AlterColumn(kSqlServer, table, *longer),
         QStringLiteral("ALTER TABLE [dbo].[Statistic_Call] ALTER COLUMN [CallID] bigint NULL")},
        {"drop a column", DropColumn(kSqlServer, table, QStringLiteral("Old]Col")),
         QStringLiteral("ALTER TABLE [dbo].[Statistic_Call] DROP COLUMN [Old]]Col]")},
        {"another schema", CreateTable(kSqlServer, SchemaQualifiedName(kSqlServer, QStringLiteral("hi]st"), QStringLiteral("T")),
                                       {source[0]}),
         QStringLiteral("CREATE TABLE [hi]]st].[T] ([CallID] int NULL)")},
    });
}

// The tables are those an unqualified name reaches, as the server resolves
// it for the login: its default schema first, then dbo. A drop names the
// schema only where it is not the default one, as it always did.
TEST(SqlServerSchemaTexts, TablesAreTheOnesAnUnqualifiedNameReaches)
{
    using namespace CatalogStatements;
    ExpectTexts({
        {"the tables resolved", ResolvedTables(),
         QStringLiteral("SELECT s.name, o.name, CASE o.type WHEN 'V' THEN 'VIEW' ELSE 'TABLE' END AS kind FROM sys.objects "
                        "AS o JOIN sys.schemas AS s ON s.schema_id = o.schema_id WHERE o.type IN ('U', 'V') AND "
                        "o.is_ms_shipped = 0 AND o.object_id = OBJECT_ID(QUOTENAME(o.name)) ORDER BY kind, o.name")},
        {"a drop in the default schema", DropTable(QualifiedName(kSqlServer, QStringLiteral("sales"), QStringLiteral("ZEBList7"), QStringLiteral("sales"))),
         QStringLiteral("DROP TABLE [ZEBList7];")},
        {"a drop of dbo's table", DropTable(QualifiedName(kSqlServer, QStringLiteral("dbo"), QStringLiteral("ZEBList7"), QStringLiteral("sales"))),
         QStringLiteral("DROP TABLE [dbo].[ZEBList7];")},
    });
}

// Into a backup of the same server the rows move under the statistics
// login: the route is taken only when that login may insert into the backup
// tables there and, for one still to be created, into the schema it will be
// created in, tested in the backup database itself.
TEST(SqlServerStatisticsTexts, TheRouteWithinOneServerAsksForTheRightToInsert)
{
    ExpectTexts({
        {"tables there and one to create",
         Sql::SqlServerMayInsert(QStringLiteral("qel_backup"), QStringLiteral("dbo"),
                                 {QStringLiteral("[dbo].[Statistic_Agent]"), QStringLiteral("[own].[Statistic_Call]")}),
         QStringLiteral("EXECUTE (N'USE [qel_backup]; SELECT MIN(ISNULL(Granted, 0)) FROM (VALUES (HAS_PERMS_BY_NAME("
                        "N''dbo'', N''SCHEMA'', N''INSERT'')), (HAS_PERMS_BY_NAME(N''[dbo].[Statistic_Agent]'', N''OBJECT'', "
                        "N''INSERT'')), (HAS_PERMS_BY_NAME(N''[own].[Statistic_Call]'', N''OBJECT'', N''INSERT''))) AS "
                        "Rights (Granted)')")},
        {"every table there, odd names", Sql::SqlServerMayInsert(QStringLiteral("Back]up'1"), QString(), {QStringLiteral("[o'k].[T]")}),
         QStringLiteral("EXECUTE (N'USE [Back]]up''1]; SELECT MIN(ISNULL(Granted, 0)) FROM (VALUES (HAS_PERMS_BY_NAME("
                        "N''[o''''k].[T]'', N''OBJECT'', N''INSERT''))) AS Rights (Granted)')")},
    });
}

// Before the first delete: what in an existing backup table would refuse
// the rows, and the source columns no value of which can come through this
// program.
TEST(SqlServerStatisticsTexts, TheBackupTablesAndTheTravellingTypesAreReadOnceBeforeTheFirstDelete)
{
    const QString ids = QStringLiteral("OBJECT_ID(N'[dbo].[Statistic_Agent]'), OBJECT_ID(N'[own].[Agents]')");
    ExpectTexts({
        {"obstacles", Sql::SqlServerBackupObstacles({QStringLiteral("[dbo].[Statistic_Agent]"), QStringLiteral("[own].[Agents]")}),
         QStringLiteral("SELECT OBJECT_NAME(c.object_id), CASE WHEN c.is_identity = 1 THEN N'identity' WHEN c.is_computed = 1 "
                        "THEN N'computed' WHEN c.system_type_id = 189 THEN N'rowversion' ELSE N'rule' END, c.name, c.name "
                        "FROM sys.columns AS c WHERE c.object_id IN (%1) AND (c.is_identity = 1 OR c.is_computed = 1 OR "
                        "c.system_type_id = 189 OR c.rule_object_id <> 0) UNION ALL SELECT OBJECT_NAME(t.parent_id), CASE "
                        "WHEN t.is_instead_of_trigger = 1 THEN N'instead of' ELSE N'trigger' END, t.name, NULL FROM "
                        "sys.triggers AS t WHERE t.parent_id IN (%1) AND t.is_disabled = 0 UNION ALL SELECT "
                        "OBJECT_NAME(k.parent_object_id), N'check', k.name, COL_NAME(k.parent_object_id, "
                        "k.parent_column_id) FROM sys.check_constraints AS k WHERE k.parent_object_id IN (%1) UNION ALL "
                        "SELECT OBJECT_NAME(f.parent_object_id), N'foreign key', f.name, NULL FROM sys.foreign_keys AS f "
                        "WHERE f.parent_object_id IN (%1) UNION ALL SELECT OBJECT_NAME(f.referenced_object_id), "
                        "N'referenced', f.name, OBJECT_NAME(f.parent_object_id) FROM sys.foreign_keys AS f WHERE "
                        "f.referenced_object_id IN (%1)")
             .arg(ids)},
        {"untravelled", Sql::SqlServerUntravelledColumns({QStringLiteral("Statistic_Agent"), QStringLiteral("O'Hara")}),
         QStringLiteral("SELECT OBJECT_NAME(c.object_id), c.name, TYPE_NAME(c.user_type_id) FROM sys.columns AS c JOIN "
                        "sys.types AS t ON t.user_type_id = c.user_type_id WHERE c.object_id IN "
                        "(OBJECT_ID(N'Statistic_Agent'), OBJECT_ID(N'O''Hara')) AND (c.system_type_id = 98 OR "
                        "t.is_assembly_type = 1) ORDER BY c.object_id, c.column_id")},
    });
}

TEST(SqlServerHistoryTexts, TheCleaningHistoryAndTheSurveyList)
{
    const auto history = [](const CleanOptions& options) { return CleaningHistoryStatements(kSqlServer, 7, options).join(QStringLiteral("|")); };
    const QString insert = QStringLiteral("INSERT INTO CleaningHistory(SurveyID, StatsCleaned, SurveysCleaned, WebInterviewsCleaned, ListsCleaned)\n");
    ExpectTexts({
        {"all four", history({true, true, true, true}),
         QStringLiteral("IF EXISTS(SELECT * FROM CleaningHistory WHERE SurveyID = 7)\nBEGIN\nUPDATE CleaningHistory SET "
                        "StatsCleaned = GETDATE(),SurveysCleaned = GETDATE(),WebInterviewsCleaned = GETDATE(),ListsCleaned = GETDATE() "
                        "WHERE SurveyID = 7\nEND\nELSE\nBEGIN\n")
             + insert + QStringLiteral("VALUES(7, GETDATE(), GETDATE(), GETDATE(), GETDATE())\nEND\n")},
        {"web interviews alone", history({false, false, true, false}),
         QStringLiteral("IF EXISTS(SELECT * FROM CleaningHistory WHERE SurveyID = 7)\nBEGIN\nUPDATE CleaningHistory SET "
                        "WebInterviewsCleaned = GETDATE() WHERE SurveyID = 7\nEND\nELSE\nBEGIN\n")
             + insert + QStringLiteral("VALUES(7, NULL, NULL, GETDATE(), NULL)\nEND\n")},
        {"survey list", SurveyListSql(),
         QStringLiteral("Select Surveys.SurveyID, SurveyTitle, InterviewStorage, Deleted, StatsCleaned, SurveysCleaned, "
                        "WebInterviewsCleaned, ListsCleaned FROM Surveys Left Join CleaningHistory On Surveys.SurveyID = "
                        "CleaningHistory.SurveyID ORDER BY Surveys.SurveyID")},
    });
}
