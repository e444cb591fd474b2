#include "cleanup/transfer/BackupLedger.h"
#include "cleanup/transfer/CleanupDatabases.h"
#include "cleanup/ErrorReport.h"
#include "cleanup/transfer/RecordTransfer.h"
#include "cleanup/transfer/TransferStatements.h"
#include "db/Catalog.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/Rows.h"
#include "tests/support/TempDatabases.h"

#include <gtest/gtest.h>

#include <limits>

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
    const QDate march5(2024, 3, 5);
    EXPECT_EQ(TransferStatements::QuotedDate(Dialect(Dialect::Kind::SqlServer), march5, true), QStringLiteral("'03/05/2024'"));
    EXPECT_EQ(TransferStatements::QuotedDate(Dialect(Dialect::Kind::SQLite), march5, true), QStringLiteral("'2024-03-05'"));
    EXPECT_EQ(TransferStatements::QuotedDate(Dialect(Dialect::Kind::Access), march5, false), QStringLiteral("#03/05/2024#"));
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

// A refusal and a setting that cannot be used are the program's own words,
// not a database's error: they are not dressed as one.
TEST(ErrorReportTest, RefusalsAndSettingsSpeakForThemselves)
{
    const DatabaseError refusal = DatabaseError::Refusal(QStringLiteral("The backup target x.db is the statistics database "
                                                                        "itself; choose another database for the backup."),
                                                         QStringLiteral("Database of StatTgt: the SQLite file x.db"));
    EXPECT_EQ(refusal.kind(), DatabaseError::Kind::Refusal);
    EXPECT_EQ(DatabaseErrorReport(QStringLiteral("DoSQLCleanup"), refusal),
              QStringLiteral("Refused in DoSQLCleanup: The backup target x.db is the statistics database itself; choose "
                             "another database for the backup.\nDatabase of StatTgt: the SQLite file x.db"));

    const DatabaseError setting = DatabaseError::Setting(QStringLiteral("StatSrc is empty: set it with --set StatSrc=..."));
    EXPECT_EQ(setting.kind(), DatabaseError::Kind::Setting);
    EXPECT_EQ(DatabaseErrorText(QStringLiteral("DoSQLCleanup"), setting),
              QStringLiteral("Settings error in DoSQLCleanup: StatSrc is empty: set it with --set StatSrc=..."));

    // A check of the program's own is still a database step's failure.
    const DatabaseError check = DatabaseError::Internal(QStringLiteral("The rows of a batch of t were not handed back."));
    EXPECT_EQ(check.kind(), DatabaseError::Kind::Database);
    EXPECT_EQ(DatabaseErrorText(QStringLiteral("t"), check),
              QStringLiteral("ADO error in t ('QelCleanup data access' : 'The rows of a batch of t were not handed back.')"));

    // A command time-out below zero is a setting: nothing is opened.
    try {
        Connection::Open(QStringLiteral("Driver=SQLite3;Database=:memory:"), -1);
        ADD_FAILURE() << "a negative time-out was taken";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.kind(), DatabaseError::Kind::Setting) << e.what();
    }
}

TEST(BackupLedgerKeys, ValuesRoundTripAndAnythingElseIsRefused)
{
    const QStringList values{QStringLiteral("-9223372036854775808"), QStringLiteral("CAST(X'6B007A' AS TEXT)"),
                             QStringLiteral("N'a\"b]'"), QString()};
    EXPECT_EQ(BackupLedger::DecodeValues(BackupLedger::EncodeValues(values)), values);
    EXPECT_EQ(BackupLedger::DecodeValues(BackupLedger::EncodeValues({})), QStringList());
    EXPECT_THROW(BackupLedger::DecodeValues(QStringLiteral("5:x")), DatabaseError);
    EXPECT_THROW(BackupLedger::DecodeValues(QStringLiteral("[5]")), DatabaseError);
}

// Batch numbers only grow, past every entry the backup holds; an entry
// with the largest number there is (written by hand, or damaged) stops the
// run with words of its own rather than wrapping round to a number below it.
TEST(BackupLedgerKeys, BatchNumbersGrowPastEveryEntryAndStopAtTheLargest)
{
    TempDatabases dir;
    auto target = Connection::Open(dir.connection(QStringLiteral("backup.db")));
    Catalog catalog(*target);
    BackupLedger ledger(*target, QStringLiteral("statistics"));
    ledger.EnsureTable(catalog);
    BackupLedger::Entry entry;
    entry.table = QStringLiteral("Statistic_Agent");
    entry.keyColumns = QStringList{QStringLiteral("rowid")};
    entry.through = QStringList{QStringLiteral("7")};
    entry.rows = 1;

    entry.batchId = std::numeric_limits<qint64>::max() - 1;
    ledger.Record(entry);
    ASSERT_EQ(ledger.Pending(entry.table).size(), 1u);
    EXPECT_EQ(ledger.NextBatchId(), std::numeric_limits<qint64>::max());

    ledger.Forget(entry);
    entry.batchId = std::numeric_limits<qint64>::max();
    ledger.Record(entry);
    BackupLedger again(*target, QStringLiteral("statistics"));
    again.EnsureTable(catalog);
    ASSERT_EQ(again.Pending(entry.table).size(), 1u);
    try {
        again.NextBatchId();
        ADD_FAILURE() << "a batch was numbered after the largest number there is";
    } catch (const DatabaseError& error) {
        EXPECT_TRUE(error.description().contains(QStringLiteral("9223372036854775807"))) << error.what();
    }
}

namespace {

// Every value of a table as SQLite holds it, storage class included: what
// "exactly the same rows" means for a SQLite backup.
std::vector<Row> Exact(Connection& c, const QString& table, const QString& columns, const QString& where = QStringLiteral("1=1"))
{
    QStringList quoted;
    for (const QString& column : columns.split(QLatin1Char(',')))
        quoted << QStringLiteral("quote(%1)").arg(column.trimmed());
    return ReadRows(c, QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4")
                           .arg(quoted.join(QStringLiteral(", ")), table, where, columns.split(QLatin1Char(',')).first()));
}

} // namespace

// The rows of one table leaving a SQLite source for a SQLite backup, by
// both routes: attached (one transaction of both files per batch) and
// through this program with the backup's ledger (the route a SQL Server or
// Access backup takes).
class RecordTransferTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        settings.statSrc = temp.connection(QStringLiteral("source.db"));
        settings.callCenterSrc = settings.statSrc;
        settings.statTgt = temp.connection(QStringLiteral("target.db"));
        settings.backupType = 1;
        state.accessTarget = false;
        source = Connection::Open(settings.statSrc);
        source->Execute(QStringLiteral("CREATE TABLE Statistic_Call (CallID int, TaskID int, Start_Time datetime, Note varchar(20))"));
        source->Execute(QStringLiteral("INSERT INTO Statistic_Call VALUES (1, 5, '2024-03-04 23:59:59', 'old'), "
                                       "(2, 6, '2024-03-05 00:00:00', 'cut-off day'), (3, 5, '2024-01-01 08:00:00', NULL), "
                                       "(4, 7, '2024-06-01 10:00:00', 'new')"));
        source->Execute(QStringLiteral("CREATE TABLE Statistic_TransferMC (CallID1 int, CallID int)"));
        source->Execute(QStringLiteral("INSERT INTO Statistic_TransferMC VALUES (1, 4), (4, 1), (3, 3)"));
    }

    bool rowByRow() const { return GetParam() && !attachedRerun; }
    bool attachedRerun = false; // a rerun that finds both files attachable again

    // Opens the databases as a clean-up does and runs one transfer.
    bool Run(const std::function<bool(RecordTransfer&)>& step)
    {
        CleanupDatabases::Options options;
        options.commandTimeout = CommandTimeout(settings.timeout);
        options.rowByRow = rowByRow();
        options.transactionMilliseconds = 0; // a transaction per batch, so that batches can be told apart
        databases = CleanupDatabases::Open(settings, settings.statTgt, options);
        EXPECT_EQ(databases->route, settings.backupType == 0 ? BackupRoute::None
                                    : rowByRow()             ? BackupRoute::Ledger
                                                             : BackupRoute::Attached);
        RecordTransfer transfer(settings, state, feedback, *databases);
        const bool ok = step(transfer);
        databases.reset(); // closes the connections, as the end of a clean-up does
        return ok;
    }

    std::unique_ptr<Connection> Target() { return Connection::Open(settings.statTgt); }

    TempDatabases temp;
    CleanupSettings settings;
    RunState state;
    RecordingFeedback feedback;
    std::unique_ptr<Connection> source;
    std::unique_ptr<CleanupDatabases> databases;
    const QString oldCalls = QStringLiteral("Select CallID from Statistic_Call WHERE Start_Time<'2024-03-05'");
};

INSTANTIATE_TEST_SUITE_P(Routes, RecordTransferTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& route) { return route.param ? "RowByRow" : "Attached"; });

TEST_P(RecordTransferTest, BeforeDateMovesExactlyTheOldRowsAndKeepsTheCutOffDay)
{
    const auto old = Exact(*source, QStringLiteral("Statistic_Call"), QStringLiteral("CallID, TaskID, Start_Time, Note"),
                           QStringLiteral("Start_Time < '2024-03-05'"));
    long long deleted = 10;
    ASSERT_TRUE(Run([&](RecordTransfer& t) {
        return t.BackupAndDeleteBeforeDate(QStringLiteral("Statistic_Call"), QStringLiteral("Start_Time"), QDate(2024, 3, 5), deleted);
    })) << feedback.messageTexts().join('\n').toStdString();
    EXPECT_EQ(deleted, 12);
    EXPECT_EQ(state.stage, 1);
    EXPECT_EQ(Scalar(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), 2);
    EXPECT_EQ(Scalar(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE CallID = 2")), 1);
    auto target = Target();
    EXPECT_EQ(Exact(*target, QStringLiteral("Statistic_Call"), QStringLiteral("CallID, TaskID, Start_Time, Note")), old);
    EXPECT_EQ(feedback.statuses, (QStringList{"Stage 1/21: Creating fields in target", "Stage 1/21: 2/2 records copied"}));
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(Scalar(*target, QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name = 'QelCleanupLedger'")),
              rowByRow() ? 1 : 0);
    if (rowByRow()) {
        EXPECT_EQ(Scalar(*target, QStringLiteral("SELECT COUNT(*) FROM QelCleanupLedger")), 0) << "every batch settled";
    }
}

TEST_P(RecordTransferTest, SuffixOneSelectsCallIdOne)
{
    long long deleted = 0;
    ASSERT_TRUE(Run([&](RecordTransfer& t) {
        return t.BackupAndDeleteByCall(QStringLiteral("Statistic_TransferMC"), QStringLiteral("1"), oldCalls, deleted);
    }));
    EXPECT_EQ(deleted, 2); // CallID1 1 and 3; the row with CallID 1 but CallID1 4 stays
    EXPECT_EQ(Scalar(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_TransferMC WHERE CallID1 = 4")), 1);
    EXPECT_EQ(ReadRows(settings.statTgt, QStringLiteral("SELECT group_concat(CallID1) FROM (SELECT CallID1 FROM "
                                                        "Statistic_TransferMC ORDER BY 1)"))[0][0].text(),
              QStringLiteral("1,3"));
}

TEST_P(RecordTransferTest, EmptySelectionCopiesNothingAndStillReplicates)
{
    long long deleted = 0;
    state.stage = 3;
    ASSERT_TRUE(Run([&](RecordTransfer& t) {
        return t.BackupAndDeleteBySurvey(QStringLiteral("Statistic_Call"), QStringLiteral("TaskID"), {99}, deleted);
    }));
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(feedback.statuses, (QStringList{"Stage 4/21: Creating fields in target"}));
    EXPECT_EQ(Scalar(*Target(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), 0);
}

TEST_P(RecordTransferTest, BatchesAreWholeAndAFailingBatchCopiesAndDeletesNothing)
{
    settings.batchSize = 2;
    source->Execute(QStringLiteral("CREATE TABLE Statistic_Agent (CallID int, AgentID int)"));
    source->Execute(QStringLiteral("INSERT INTO Statistic_Agent VALUES (1, 10), (3, 11), (1, 12), (3, 13), (4, 14)"));
    // The backup's own rule refuses the third row, which is in the second batch.
    auto target = Target();
    target->Execute(QStringLiteral("CREATE TABLE Statistic_Agent (CallID int, AgentID int CHECK (AgentID <> 12))"));
    target.reset();

    long long deleted = 0;
    EXPECT_FALSE(Run([&](RecordTransfer& t) {
        return t.BackupAndDeleteByCall(QStringLiteral("Statistic_Agent"), QString(), oldCalls, deleted);
    }));
    EXPECT_EQ(deleted, 0) << "a failed step adds nothing to the count";
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in Statistic_Agent ('"))) << feedback.messages[0].text.toStdString();
    // The backup refused the row, whichever connection sent it there.
    EXPECT_TRUE(feedback.messages[0].text.contains(QStringLiteral("Database of StatTgt: the SQLite file")))
        << feedback.messages[0].text.toStdString();
    EXPECT_FALSE(feedback.messages[0].text.contains(QStringLiteral("StatSrc"))) << feedback.messages[0].text.toStdString();
    // The first batch went whole: copied and deleted. The second went not at all.
    EXPECT_EQ(ReadRows(settings.statTgt, QStringLiteral("SELECT CallID, AgentID FROM Statistic_Agent ORDER BY AgentID")),
              ReadRows(temp.connection(QStringLiteral("expected.db")), QStringLiteral("SELECT 1, 10 UNION ALL SELECT 3, 11")));
    EXPECT_EQ(ReadRows(*source, QStringLiteral("SELECT CallID, AgentID FROM Statistic_Agent ORDER BY AgentID")),
              ReadRows(temp.connection(QStringLiteral("expected.db")),
                       QStringLiteral("SELECT 1, 12 UNION ALL SELECT 3, 13 UNION ALL SELECT 4, 14")));
    if (rowByRow()) {
        EXPECT_EQ(Scalar(*Target(), QStringLiteral("SELECT COUNT(*) FROM QelCleanupLedger")), 0);
    }

    // Once the backup takes the row, a rerun moves the rest, nothing twice.
    Target()->Execute(QStringLiteral("DROP TABLE Statistic_Agent"));
    Target()->Execute(QStringLiteral("CREATE TABLE Statistic_Agent (CallID int, AgentID int)"));
    Target()->Execute(QStringLiteral("INSERT INTO Statistic_Agent VALUES (1, 10), (3, 11)"));
    feedback = RecordingFeedback();
    ASSERT_TRUE(Run([&](RecordTransfer& t) {
        return t.BackupAndDeleteByCall(QStringLiteral("Statistic_Agent"), QString(), oldCalls, deleted);
    }));
    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(ReadRows(settings.statTgt, QStringLiteral("SELECT group_concat(AgentID) FROM (SELECT AgentID FROM Statistic_Agent ORDER BY 1)"))[0][0].text(),
              QStringLiteral("10,11,12,13"));
    EXPECT_EQ(Scalar(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_Agent")), 1);
}

TEST_P(RecordTransferTest, BatchesShowTheirProgressAndEndWithTheTotal)
{
    settings.batchSize = 3;
    source->Execute(QStringLiteral("CREATE TABLE Many (n int, d datetime)"));
    source->Execute(QStringLiteral("WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r WHERE i < 10) "
                                   "INSERT INTO Many SELECT i, '2020-01-01' FROM r"));
    long long deleted = 0;
    state.stage = 6;
    ASSERT_TRUE(Run([&](RecordTransfer& t) {
        return t.BackupAndDeleteBeforeDate(QStringLiteral("Many"), QStringLiteral("d"), QDate(2024, 1, 1), deleted);
    }));
    EXPECT_EQ(deleted, 10);
    EXPECT_EQ(feedback.statuses, (QStringList{"Stage 7/21: Creating fields in target", "Stage 7/21: 3/10 records copied",
                                              "Stage 7/21: 6/10 records copied", "Stage 7/21: 9/10 records copied",
                                              "Stage 7/21: 10/10 records copied"}));
    EXPECT_EQ(Scalar(*Target(), QStringLiteral("SELECT COUNT(DISTINCT n) FROM Many")), 10);
}

TEST_P(RecordTransferTest, EveryValueArrivesExactly)
{
    // Doubles of 17 digits, date texts as written (no ".000" appended), a
    // time in a skipped daylight-saving hour, a date the driver cannot read
    // as a date, NULLs of every column, texts of every script, bytes, and
    // values of another storage than the column's declared type.
    source->Execute(QStringLiteral("CREATE TABLE Mixed (s smallint, i int, b bigint, t tinyint, f bit, r real, d float, "
                                   "n numeric(12,4), dt datetime, v varchar(300), w nvarchar(20), x text, bin blob)"));
    source->Execute(QStringLiteral("INSERT INTO Mixed VALUES "
                                   "(-2, 70000, 9000000000, 200, 1, 1.5, 0.30000000000000004, 12.5, '2024-03-31 02:30:00', "
                                   "'%1', 'wide ä€ 調査', 'long', x'00ff'), "
                                   "(NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL), "
                                   "(1, 'not a number', 2.5, 3, 0, 1e300, 123456789.12345678, 1234567.8901, 'not a date', "
                                   "'a''quote', '', 'line\nbreak', x''), "
                                   "(4, 5, -9223372036854775808, 0, 1, -0.0, 2.2250738585072014e-308, -0.0001, "
                                   "'2024-03-05 14:30:00.123', 'x', 'y', 'z', x'41')")
                        .arg(QString(300, QLatin1Char('v'))));
    qputenv("TZ", "Europe/Berlin");
    long long deleted = 0;
    const QString columns = QStringLiteral("s, i, b, t, f, r, d, n, dt, v, w, x, bin");
    const auto before = Exact(*source, QStringLiteral("Mixed"), columns);
    ASSERT_TRUE(Run([&](RecordTransfer& t) {
        return t.BackupAndDeleteBySurvey(QStringLiteral("Mixed"), QStringLiteral("1"), {1}, deleted);
    })) << feedback.messageTexts().join('\n').toStdString();
    qunsetenv("TZ");
    EXPECT_EQ(deleted, 4);
    EXPECT_EQ(Exact(*Target(), QStringLiteral("Mixed"), columns), before);
}

TEST_P(RecordTransferTest, TextsArriveByteForByteWhateverTheirLength)
{
    // Texts longer than a driver hands over at once, with letters of several
    // bytes split across the pieces, and bytes that are not UTF-8 at all:
    // the backup must hold the very bytes the statistics held.
    source->Execute(QStringLiteral("CREATE TABLE Notes (n int, t text)"));
    source->Execute(QStringLiteral("INSERT INTO Notes VALUES (1, '%1'), (2, '%2' || char(128512)), "
                                   "(3, CAST(x'41C3FF42E282' AS TEXT)), (4, ''), (5, NULL)")
                        .arg(QStringLiteral("a") + QString(20000, QChar(0x20AC)),
                             QString(127, QLatin1Char('x')) + QStringLiteral("ä調")));
    const auto lengths = [](Connection& c) {
        return ReadRows(c, QStringLiteral("SELECT n, typeof(t), length(CAST(t AS BLOB)) FROM Notes ORDER BY n"));
    };
    const auto bytes = [](Connection& c) { return ReadRows(c, QStringLiteral("SELECT hex(t) FROM Notes ORDER BY n")); };
    const auto lengthsBefore = lengths(*source);
    const auto bytesBefore = bytes(*source);
    long long deleted = 0;
    ASSERT_TRUE(Run([&](RecordTransfer& t) {
        return t.BackupAndDeleteBySurvey(QStringLiteral("Notes"), QStringLiteral("1"), {1}, deleted);
    })) << feedback.messageTexts().join('\n').toStdString();
    EXPECT_EQ(deleted, 5);
    EXPECT_EQ(lengths(*Target()), lengthsBefore);
    EXPECT_TRUE(bytes(*Target()) == bytesBefore) << "the lengths agree but not the bytes";
}

TEST_P(RecordTransferTest, WholeTableCopyLeavesExactlyTheSourceRows)
{
    auto target = Target();
    target->Execute(QStringLiteral("CREATE TABLE Statistic_Call (CallID int, TaskID int, Start_Time datetime, Note varchar(20))"));
    target->Execute(QStringLiteral("INSERT INTO Statistic_Call VALUES (90, 1, NULL, 'stale'), (91, 1, NULL, 'stale')"));
    target.reset();
    ASSERT_TRUE(Run([&](RecordTransfer& t) { return t.BackupWholeTable(QStringLiteral("Statistic_Call")); }));
    const QString columns = QStringLiteral("CallID, TaskID, Start_Time, Note");
    EXPECT_EQ(Exact(*Target(), QStringLiteral("Statistic_Call"), columns), Exact(*source, QStringLiteral("Statistic_Call"), columns));
    EXPECT_EQ(Scalar(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), 4); // nothing deleted
}

TEST_P(RecordTransferTest, NoBackupTouchesNoTargetButStillAdvancesTheStage)
{
    settings.backupType = 0;
    long long deleted = 0;
    ASSERT_TRUE(Run([&](RecordTransfer& t) {
        return t.BackupWholeTable(QStringLiteral("Statistic_Call"))
            && t.BackupAndDeleteBySurvey(QStringLiteral("Statistic_Call"), QStringLiteral("TaskID"), {5}, deleted);
    }));
    EXPECT_EQ(state.stage, 2);
    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(feedback.statuses, QStringList{QStringLiteral("Stage 2/21: Deleting records")});
    EXPECT_FALSE(QFile::exists(temp.path(QStringLiteral("target.db"))));
}

// A batch whose delete could not commit: another connection reads the
// statistics file and holds it, so the delete times out after the copy of
// the batch has committed. What such a run leaves is what a run killed
// between the two commits leaves.
class InterruptedBatch : public RecordTransferTest {
protected:
    void SetUp() override
    {
        RecordTransferTest::SetUp();
        settings.timeout = QStringLiteral("1");
        reader = Connection::Open(settings.statSrc);
        reader->Execute(QStringLiteral("BEGIN"));
        reader->Execute(QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")); // holds a shared lock
    }

    bool MoveOldCalls(long long& deleted)
    {
        return Run([&](RecordTransfer& t) {
            return t.BackupAndDeleteBeforeDate(QStringLiteral("Statistic_Call"), QStringLiteral("Start_Time"),
                                               QDate(2024, 3, 5), deleted);
        });
    }

    void ReleaseTheReader()
    {
        reader->Execute(QStringLiteral("COMMIT"));
        reader.reset();
    }

    long long BackupRows() { return Scalar(*Target(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")); }
    long long LedgerEntries() { return Scalar(*Target(), QStringLiteral("SELECT COUNT(*) FROM QelCleanupLedger")); }

    std::unique_ptr<Connection> reader;
};

INSTANTIATE_TEST_SUITE_P(Routes, InterruptedBatch, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& route) { return route.param ? "RowByRow" : "Attached"; });

TEST_P(InterruptedBatch, ARerunDeletesWhatTheBackupHoldsWithoutCopyingItAgain)
{
    long long deleted = 0;
    EXPECT_FALSE(MoveOldCalls(deleted));
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.contains(QLatin1String("locked"))) << feedback.messages[0].text.toStdString();
    EXPECT_EQ(Scalar(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), 4) << "nothing left the source";
    // Attached, the batch was one transaction of both files: nothing was
    // copied. Row by row, the copy committed first and the ledger holds it.
    EXPECT_EQ(BackupRows(), rowByRow() ? 2 : 0);
    if (rowByRow()) {
        EXPECT_EQ(LedgerEntries(), 1);
    }

    ReleaseTheReader();
    feedback = RecordingFeedback();
    ASSERT_TRUE(MoveOldCalls(deleted)) << feedback.messageTexts().join('\n').toStdString();
    EXPECT_EQ(deleted, 2) << "the settled batch counts among the rows deleted";
    EXPECT_EQ(BackupRows(), 2) << "each old row is in the backup once";
    EXPECT_EQ(Scalar(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE Start_Time < '2024-03-05'")), 0);
    EXPECT_EQ(Scalar(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), 2);
    if (rowByRow()) {
        EXPECT_EQ(LedgerEntries(), 0);
    }
}

TEST_P(InterruptedBatch, AnAttachedRerunForgetsABatchWhoseDeleteHadCommitted)
{
    if (!rowByRow())
        GTEST_SKIP() << "only a row-by-row run leaves a ledger";
    long long deleted = 0;
    EXPECT_FALSE(MoveOldCalls(deleted));
    ReleaseTheReader();
    // The delete committed and the run ended before the ledger was told;
    // the rerun finds both files attachable and copies inside SQLite. The
    // source's transaction then holds the attached backup as well, so the
    // settled entry must be forgotten outside it.
    source->Execute(QStringLiteral("DELETE FROM Statistic_Call WHERE Start_Time < '2024-03-05'"));
    attachedRerun = true;
    feedback = RecordingFeedback();
    ASSERT_TRUE(MoveOldCalls(deleted)) << feedback.messageTexts().join('\n').toStdString();
    EXPECT_EQ(LedgerEntries(), 0);
    EXPECT_EQ(BackupRows(), 2) << "nothing copied twice";
    EXPECT_EQ(Scalar(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), 2);
}

TEST_P(InterruptedBatch, ABatchWhoseDeleteHadCommittedIsNotDeletedAgain)
{
    if (!rowByRow())
        GTEST_SKIP() << "an attached batch commits both files at once";
    long long deleted = 0;
    EXPECT_FALSE(MoveOldCalls(deleted));
    ReleaseTheReader();
    // As if the delete had committed and the run ended before the ledger
    // was told: the rows are gone from the source, the entry remains. A new
    // old row takes one of the freed rowids.
    source->Execute(QStringLiteral("DELETE FROM Statistic_Call WHERE Start_Time < '2024-03-05'"));
    source->Execute(QStringLiteral("INSERT INTO Statistic_Call (rowid, CallID, TaskID, Start_Time, Note) "
                                   "VALUES (1, 9, 5, '2024-02-02 10:00:00', 'late')"));
    feedback = RecordingFeedback();
    EXPECT_FALSE(MoveOldCalls(deleted)) << "the ledger names rowid 1, which now holds another row";
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.contains(QLatin1String("different rows"))) << feedback.messages[0].text.toStdString();
    EXPECT_EQ(Scalar(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE Note = 'late'")), 1) << "nothing guessed";

    // Without the late row the entry is seen to be settled.
    source->Execute(QStringLiteral("DELETE FROM Statistic_Call WHERE Note = 'late'"));
    feedback = RecordingFeedback();
    ASSERT_TRUE(MoveOldCalls(deleted));
    EXPECT_EQ(BackupRows(), 2);
    EXPECT_EQ(LedgerEntries(), 0);
    EXPECT_EQ(Scalar(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), 2);
}

// Another program adds a column, with values, while a table's rows go: the
// backup gets the column before the next batch, and no value is lost.
TEST_P(RecordTransferTest, AColumnAddedWhileTheRowsGoReachesTheBackupBeforeAnyRowCarryingIt)
{
    settings.batchSize = 3;
    source->Execute(QStringLiteral("CREATE TABLE Statistic_Agent (CallID int, AgentID int)"));
    source->Execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30) "
                                   "INSERT INTO Statistic_Agent SELECT CASE WHEN i % 2 = 0 THEN 1 ELSE 3 END, i FROM n"));
    source->Execute(QStringLiteral("INSERT INTO Statistic_Agent VALUES (4, 100)")); // of a new call: stays
    auto other = Connection::Open(settings.statSrc);
    bool added = false;
    feedback.onPump = [&] {
        if (added || Scalar(*other, QStringLiteral("SELECT COUNT(*) FROM Statistic_Agent")) == 31)
            return; // not before the first batch has gone
        other->Execute(QStringLiteral("ALTER TABLE Statistic_Agent ADD COLUMN Region text"));
        other->Execute(QStringLiteral("UPDATE Statistic_Agent SET Region = 'R' || AgentID"));
        added = true;
    };
    long long deleted = 0;
    ASSERT_TRUE(Run([&](RecordTransfer& t) {
        return t.BackupAndDeleteByCall(QStringLiteral("Statistic_Agent"), QString(), oldCalls, deleted);
    })) << feedback.messageTexts().join('\n').toStdString();
    ASSERT_TRUE(added);
    EXPECT_EQ(deleted, 30);
    auto target = Target();
    EXPECT_EQ(Scalar(*target, QStringLiteral("SELECT COUNT(*) FROM Statistic_Agent")), 30);
    EXPECT_EQ(Scalar(*target, QStringLiteral("SELECT COUNT(*) FROM Statistic_Agent WHERE Region IS NULL")), 3)
        << "the first batch went before the column was there";
    EXPECT_EQ(Scalar(*target, QStringLiteral("SELECT COUNT(*) FROM Statistic_Agent WHERE Region = 'R' || AgentID")), 27)
        << "every value of the new column arrived";
    EXPECT_EQ(Scalar(*source, QStringLiteral("SELECT COUNT(*) FROM Statistic_Agent WHERE Region = 'R100'")), 1);
}
