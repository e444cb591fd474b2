// The clean-up by date on a SQL Server set up the ways administrators set
// one up: logins with another default schema or without rights in the
// backup, NOCOUNT in the session, triggers, heaps and clustered keys,
// deadlocks, backup tables changed by hand. Each case needs the server of
// QEL_TEST_SQLSERVER; those that make logins of their own also need a
// server that takes SQL Server logins and a login that may create them.
#include "cleanup/checks/BackupTarget.h"
#include "cleanup/transfer/CallSet.h"
#include "cleanup/transfer/CleanupDatabases.h"
#include "cleanup/CleanupOperations.h"
#include "cleanup/transfer/RecordTransfer.h"
#include "cleanup/checks/RunChecks.h"
#include "cleanup/transfer/StatisticsCatalogue.h"
#include "cleanup/transfer/TableMove.h"
#include "cleanup/transfer/TransferStatements.h"
#include "cleanup/transfer/WalkKey.h"
#include "db/Catalog.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Transaction.h"
#include "db/WaitHook.h"
#include "fixtures/ProductDatabases.h"
#include "fixtures/StatisticsSchema.h"
#include "tests/support/BackendTest.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/Rows.h"
#include "tests/support/SqlServerDatabases.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <thread>

using namespace qel;
using namespace qel::test;

namespace {

const QDate kCutoff(2024, 3, 5);

// How the rows of a run leave: deleted only, moved within the server, or
// through this program (the route into another server).
enum class Route { NoBackup, SameServer, ThroughThisProgram };

const char* RouteName(Route route)
{
    switch (route) {
    case Route::NoBackup: return "without a backup";
    case Route::SameServer: return "into a backup of the same server";
    case Route::ThroughThisProgram: return "through this program";
    }
    return "";
}

constexpr Route kRoutes[] = {Route::NoBackup, Route::SameServer, Route::ThroughThisProgram};

// Rows of each statistics table on either side of the cut-off.
struct Census {
    std::map<QString, long long> doomed;
    std::map<QString, long long> kept;
    long long totalDoomed() const
    {
        long long n = 0;
        for (const auto& [table, count] : doomed)
            n += count;
        return n;
    }
};

long long Rows(const QString& connection, const QString& table)
{
    return CountRows(connection, QStringLiteral("SELECT COUNT(*) FROM ") + table);
}

} // namespace

class AdministeredServer : public BackendTest {
protected:
    void SetUpProduct() override
    {
        product().CreateAll();
        product().ApplyTo(settings);
        settings.timeout = QStringLiteral("30");
        state.removalDate = kCutoff;
    }

    SqlServerDatabases& server() { return *databases().server(); }

    // The admin's connection strings of the test's databases.
    QString statistics() { return product().statistics(); }
    QString backup() { return product().backup(); }

    Census TakeCensus()
    {
        const QString cutoff = databases().DateLiteral(kCutoff);
        const QString oldCalls = QStringLiteral("SELECT CallID FROM Statistic_Call WHERE Start_Time < %1").arg(cutoff);
        Census census;
        for (const auto& t : StatisticsTables()) {
            const QString doomed = t.callColumn.isEmpty() ? QStringLiteral("%1 < %2").arg(t.dateColumn, cutoff)
                                                          : QStringLiteral("%1 IN (%2)").arg(t.callColumn, oldCalls);
            census.doomed[t.name] = CountRows(statistics(), QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(t.name, doomed));
            census.kept[t.name] = CountRows(statistics(), QStringLiteral("SELECT COUNT(*) FROM %1 WHERE NOT (%2)").arg(t.name, doomed));
        }
        return census;
    }

    // The clean-up by date as the window or the command line runs it.
    bool Run(Route route)
    {
        settings.backupType = route == Route::NoBackup ? 0 : 1;
        CleanupDatabases::Options options;
        options.rowByRow = route == Route::ThroughThisProgram;
        CleanupOperations run(settings, state, feedback);
        run.setDatabaseOptions(options);
        return run.CleanUpByDate(TargetConnection(settings, state)).completed();
    }

    // The run counted every old row, and ExpectTables.
    void ExpectExact(const Census& before, Route route)
    {
        EXPECT_EQ(feedback.messageTexts(),
                  QStringList{QStringLiteral("Clean up successful : %1 records deleted!").arg(before.totalDoomed())})
            << RouteName(route);
        ExpectTables(before, route);
    }

    // Every old row gone from the statistics database, every other one kept,
    // and with a backup every old row in it once; the ledger empty.
    void ExpectTables(const Census& before, Route route)
    {
        for (const auto& t : StatisticsTables()) {
            EXPECT_EQ(Rows(statistics(), t.name), before.kept.at(t.name)) << RouteName(route) << ": " << t.name.toStdString();
            if (route != Route::NoBackup) {
                EXPECT_EQ(Rows(backup(), t.name), before.doomed.at(t.name)) << RouteName(route) << ": " << t.name.toStdString();
            }
        }
        if (TableNames(backup()).contains(QStringLiteral("QelCleanupLedger"))) {
            EXPECT_EQ(Rows(backup(), QStringLiteral("QelCleanupLedger")), 0) << RouteName(route);
        }
    }

    // The standard content again, and an empty backup, for the next route.
    void Fresh()
    {
        product().CreateAll();
        auto c = Connection::Open(backup(), 30);
        for (const QString& table : TableNames(backup()))
            c->Execute(QStringLiteral("DROP TABLE %1").arg(c->dialect().QuoteIdentifier(table)));
        feedback = RecordingFeedback();
    }

    std::unique_ptr<CleanupDatabases> OpenForDateCleanup(Route route)
    {
        settings.backupType = route == Route::NoBackup ? 0 : 1;
        CleanupDatabases::Options options;
        options.commandTimeout = 30;
        options.timeoutOnTarget = true;
        options.sendDateFormatPreamble = true;
        options.rowByRow = route == Route::ThroughThisProgram;
        options.movedTables = MovedTables(DateCleanupSteps(), true);
        return CleanupDatabases::Open(settings, TargetConnection(settings, state), options);
    }

    CleanupSettings settings;
    RunState state;
    RecordingFeedback feedback;
};

using AdministeredServerOnSqlServer = OnSqlServer<AdministeredServer>;

#define QEL_NEED_LOGINS()                                                                                              \
    do {                                                                                                               \
        const QString unavailable = server().LoginsUnavailable();                                                      \
        if (!unavailable.isEmpty())                                                                                    \
            GTEST_SKIP() << unavailable.toStdString();                                                                 \
    } while (false)

// A login whose default schema is not dbo reaches the dbo tables that no
// table of its own schema hides, as the server resolves an unqualified
// name, and creates new tables in its own schema, naming it.
TEST_F(AdministeredServerOnSqlServer, TablesAreFoundAsTheServerResolvesAnUnqualifiedName)
{
    ExecuteAll(statistics(), {QStringLiteral("CREATE SCHEMA qel_own"),
                              QStringLiteral("CREATE TABLE qel_own.Statistic_Call (Shadow int NULL)"),
                              QStringLiteral("CREATE TABLE qel_own.QelOwnOnly (X int NULL)"),
                              QStringLiteral("CREATE USER qel_other WITHOUT LOGIN WITH DEFAULT_SCHEMA = qel_own"),
                              QStringLiteral("GRANT SELECT ON SCHEMA::dbo TO qel_other"),
                              QStringLiteral("GRANT SELECT, ALTER ON SCHEMA::qel_own TO qel_other"),
                              QStringLiteral("GRANT CREATE TABLE TO qel_other")});
    auto connection = Connection::Open(statistics(), 30);
    connection->Execute(QStringLiteral("EXECUTE AS USER = N'qel_other'"));
    {
        Catalog catalog(*connection);
        EXPECT_EQ(catalog.DefaultSchema(), QStringLiteral("qel_own"));
        const auto call = catalog.FindTable(QStringLiteral("Statistic_Call"));
        const auto agent = catalog.FindTable(QStringLiteral("Statistic_Agent"));
        ASSERT_TRUE(call && agent && catalog.FindTable(QStringLiteral("QelOwnOnly")));
        EXPECT_EQ(call->schema, QStringLiteral("qel_own")) << "the login's own table hides dbo's";
        EXPECT_EQ(agent->schema, QStringLiteral("dbo"));
        int calls = 0;
        for (const TableEntry& table : catalog.Tables())
            calls += table.name == QLatin1String("Statistic_Call") ? 1 : 0;
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(catalog.StatementName(QStringLiteral("Statistic_Agent")), QStringLiteral("[dbo].[Statistic_Agent]"));
        EXPECT_EQ(catalog.Columns(QStringLiteral("Statistic_Call")).size(), 1u);

        ColumnDefinition column;
        column.name = QStringLiteral("X");
        column.type = ColumnType::Integer;
        catalog.CreateTableIfMissing(QStringLiteral("QelCreated"), {column});
        EXPECT_EQ(catalog.StatementName(QStringLiteral("QelCreated")), QStringLiteral("[qel_own].[QelCreated]"));
    }
    connection->Execute(QStringLiteral("REVERT"));
    EXPECT_EQ(Scalar(*connection, QStringLiteral("SELECT COUNT(*) FROM sys.tables WHERE name = N'QelCreated' AND "
                                                 "schema_id = SCHEMA_ID(N'qel_own')")),
              1);
}

// The whole clean-up with a backup under such a login: the product's dbo
// tables are cleaned, the backup tables it has to create go into its own
// schema, and a backup table found only in dbo is filled there.
TEST_F(AdministeredServerOnSqlServer, ALoginWithAnotherDefaultSchemaBacksUpIntoTheTablesItResolves)
{
    QEL_NEED_LOGINS();
    const QString login = server().CreateLogin(QStringLiteral("own"));
    const QString user = QStringLiteral("[%1]").arg(login);
    ExecuteAll(statistics(), {QStringLiteral("CREATE SCHEMA qel_own"),
                              QStringLiteral("CREATE USER %1 FOR LOGIN %1 WITH DEFAULT_SCHEMA = qel_own").arg(user),
                              QStringLiteral("GRANT SELECT, DELETE ON SCHEMA::dbo TO %1").arg(user)});
    ExecuteAll(backup(), {QStringLiteral("CREATE SCHEMA qel_own"),
                          QStringLiteral("CREATE USER %1 FOR LOGIN %1 WITH DEFAULT_SCHEMA = qel_own").arg(user),
                          QStringLiteral("GRANT CREATE TABLE TO %1").arg(user),
                          QStringLiteral("GRANT ALTER, SELECT, INSERT, DELETE ON SCHEMA::qel_own TO %1").arg(user),
                          QStringLiteral("GRANT ALTER, SELECT, INSERT, DELETE ON SCHEMA::dbo TO %1").arg(user),
                          QStringLiteral("CREATE TABLE dbo.Statistic_Agent (CallID int NULL)")});
    settings.statSrc = server().AsLogin(statistics(), login);
    settings.statTgt = server().AsLogin(backup(), login);
    const Census before = TakeCensus();

    ASSERT_TRUE(Run(Route::SameServer)) << feedback.messageTexts().join('\n').toStdString();
    EXPECT_EQ(feedback.messageTexts(),
              QStringList{QStringLiteral("Clean up successful : %1 records deleted!").arg(before.totalDoomed())});
    const auto inSchema = [&](const QString& schema, const QString& table) {
        return CountRows(backup(), QStringLiteral("SELECT COUNT(*) FROM sys.tables WHERE name = N'%1' AND schema_id = "
                                                  "SCHEMA_ID(N'%2')")
                                       .arg(table, schema));
    };
    for (const auto& t : StatisticsTables()) {
        EXPECT_EQ(Rows(statistics(), t.name), before.kept.at(t.name)) << t.name.toStdString();
        const QString schema = t.name == QLatin1String("Statistic_Agent") ? QStringLiteral("dbo") : QStringLiteral("qel_own");
        const QString other = schema == QLatin1String("dbo") ? QStringLiteral("qel_own") : QStringLiteral("dbo");
        EXPECT_EQ(inSchema(other, t.name), 0) << t.name.toStdString() << " also in " << other.toStdString();
        EXPECT_EQ(Rows(backup(), QStringLiteral("[%1].[%2]").arg(schema, t.name)), before.doomed.at(t.name))
            << t.name.toStdString() << " in " << schema.toStdString();
    }
    EXPECT_EQ(Rows(backup(), QStringLiteral("[qel_own].[Agents]")), Rows(product().callCenter(), QStringLiteral("Agents")));
    EXPECT_EQ(inSchema(QStringLiteral("qel_own"), QStringLiteral("QelCleanupLedger"))
                  + inSchema(QStringLiteral("dbo"), QStringLiteral("QelCleanupLedger")),
              0)
        << "the rows moved within the server, not through this program";
}

// A statistics login without the right to insert into the backup database
// has its rows copied through this program under the backup's login, and
// the run is as exact; with the right it moves them within the server, and
// a denial on one backup table takes that right away again.
TEST_F(AdministeredServerOnSqlServer, AStatisticsLoginThatMayNotInsertIntoTheBackupGoesThroughThisProgram)
{
    QEL_NEED_LOGINS();
    const QString login = server().CreateLogin(QStringLiteral("least"));
    const QString user = QStringLiteral("[%1]").arg(login);
    ExecuteAll(statistics(), {QStringLiteral("CREATE USER %1 FOR LOGIN %1").arg(user),
                              QStringLiteral("GRANT SELECT, DELETE ON SCHEMA::dbo TO %1").arg(user)});
    settings.statSrc = server().AsLogin(statistics(), login);
    {
        const auto databases = OpenForDateCleanup(Route::SameServer);
        EXPECT_EQ(databases->route, BackupRoute::Ledger);
        EXPECT_TRUE(databases->ledgerReason.contains(QLatin1String("may not insert")))
            << databases->ledgerReason.toStdString();
    }
    const Census before = TakeCensus();
    ASSERT_TRUE(Run(Route::SameServer)) << feedback.messageTexts().join('\n').toStdString();
    ExpectExact(before, Route::SameServer);

    ExecuteAll(backup(), {QStringLiteral("CREATE USER %1 FOR LOGIN %1").arg(user),
                          QStringLiteral("GRANT INSERT ON SCHEMA::dbo TO %1").arg(user)});
    {
        const auto databases = OpenForDateCleanup(Route::SameServer);
        EXPECT_EQ(databases->route, BackupRoute::SameServer) << databases->ledgerReason.toStdString();
    }
    ExecuteAll(backup(), {QStringLiteral("DENY INSERT ON dbo.Statistic_Call TO %1").arg(user)});
    {
        const auto databases = OpenForDateCleanup(Route::SameServer);
        EXPECT_EQ(databases->route, BackupRoute::Ledger) << "a denial on one backup table";
    }
}

// NOCOUNT ON makes the server send no row counts. The server's 'user
// options' (512) would set it for every session of every program on the
// server; here it is set in the run's own sessions, which is what that
// option does to them. The counts of the run come from the statements
// themselves, so every route stays exact.
TEST_F(AdministeredServerOnSqlServer, NocountInTheSessionsLeavesEveryRouteExact)
{
    settings.batchSize = 9;
    for (const Route route : kRoutes) {
        Fresh();
        const Census before = TakeCensus();
        const auto databases = OpenForDateCleanup(route);
        if (route == Route::SameServer) {
            ASSERT_EQ(databases->route, BackupRoute::SameServer) << "the test's login may insert into its own backup";
        }
        databases->source->Execute(QStringLiteral("SET NOCOUNT ON"));
        if (databases->target) {
            databases->target->Execute(QStringLiteral("SET NOCOUNT ON"));
            databases->callCenter->Execute(QStringLiteral("SET NOCOUNT ON"));
        }
        RecordTransfer transfer(settings, state, feedback, *databases);
        StepSelection selection;
        selection.cutoff = kCutoff;
        const QString oldCalls = TransferStatements::CallsBeforeDate(
            TransferStatements::QuotedDate(databases->source->dialect(), kCutoff, true));
        transfer.setCallSelectionOrigin(TransferStatements::CallSelection(oldCalls));
        selection.callSelections = PrepareCallSelections(*databases, settings.batchSize, {oldCalls});
        long long deleted = 0;
        for (const CleanupStep& step : DateCleanupSteps())
            ASSERT_TRUE(RunCleanupStep(transfer, step, selection, deleted))
                << RouteName(route) << ": " << feedback.messageTexts().join('\n').toStdString();
        EXPECT_EQ(deleted, before.totalDoomed()) << RouteName(route);
        ExpectTables(before, route);
    }
}

// A trigger that reports its own row counts (no SET NOCOUNT ON) on a
// clustered and on a heap statistics table: the counts the run reads are
// the deletes' own, and the trigger sees each row deleted once.
TEST_F(AdministeredServerOnSqlServer, ATriggerWithoutNocountOnAStatisticsTableLeavesCountsExact)
{
    settings.batchSize = 7;
    for (const Route route : kRoutes) {
        Fresh();
        ExecuteAll(statistics(),
                   {QStringLiteral("CREATE TABLE QelAudit (Origin varchar(20) NOT NULL)"),
                    QStringLiteral("CREATE TRIGGER QelCallAudit ON Statistic_Call AFTER DELETE AS "
                                   "INSERT INTO QelAudit (Origin) SELECT 'call' FROM deleted"),
                    QStringLiteral("CREATE TRIGGER QelAlarmAudit ON Statistic_Alarms AFTER DELETE AS "
                                   "INSERT INTO QelAudit (Origin) SELECT 'alarm' FROM deleted; "
                                   "UPDATE QelAudit SET Origin = Origin WHERE 1 = 0")});
        const Census before = TakeCensus();
        ASSERT_TRUE(Run(route)) << RouteName(route) << ": " << feedback.messageTexts().join('\n').toStdString();
        ExpectExact(before, route);
        EXPECT_EQ(CountRows(statistics(), QStringLiteral("SELECT COUNT(*) FROM QelAudit WHERE Origin = 'call'")),
                  before.doomed.at(QStringLiteral("Statistic_Call")))
            << RouteName(route);
        EXPECT_EQ(CountRows(statistics(), QStringLiteral("SELECT COUNT(*) FROM QelAudit WHERE Origin = 'alarm'")),
                  before.doomed.at(QStringLiteral("Statistic_Alarms")))
            << RouteName(route);
    }
}

// A heap (Statistic_Alarms, with rows alike in every value) is walked along
// the column its rows are chosen by, a unique clustered key (Statistic_Call)
// and one that is not unique (Statistic_KeyIn) along themselves; small
// batches on every route take each row once.
TEST_F(AdministeredServerOnSqlServer, HeapsAndClusteredKeysAreWalkedInBatchesThatTakeEachRowOnce)
{
    settings.batchSize = 5;
    for (const Route route : kRoutes) {
        Fresh();
        const QString cutoff = databases().DateLiteral(kCutoff);
        ExecuteAll(statistics(),
                   {QStringLiteral("UPDATE Statistic_KeyIn SET AgentID = 0 WHERE AgentID IS NULL"),
                    QStringLiteral("ALTER TABLE Statistic_KeyIn ALTER COLUMN AgentID int NOT NULL"),
                    QStringLiteral("CREATE CLUSTERED INDEX QelKeyInAgent ON Statistic_KeyIn (AgentID)"),
                    QStringLiteral("INSERT INTO Statistic_Alarms SELECT * FROM Statistic_Alarms WHERE Time < %1").arg(cutoff)});
        {
            auto c = Connection::Open(statistics(), 30);
            Catalog catalog(*c);
            const WalkKey heap = FindWalkKey(*c, catalog, QStringLiteral("Statistic_Alarms"), QStringLiteral("Time"));
            const WalkKey call = FindWalkKey(*c, catalog, QStringLiteral("Statistic_Call"), QStringLiteral("Start_Time"));
            const WalkKey keyIn = FindWalkKey(*c, catalog, QStringLiteral("Statistic_KeyIn"), QStringLiteral("StartTime"));
            EXPECT_EQ(heap.columns, QStringList{QStringLiteral("[Time]")});
            EXPECT_FALSE(heap.unique);
            EXPECT_EQ(call.columns, QStringList{QStringLiteral("[CallID]")});
            EXPECT_TRUE(call.unique);
            EXPECT_EQ(keyIn.columns, QStringList{QStringLiteral("[AgentID]")});
            EXPECT_FALSE(keyIn.unique);
        }
        const Census before = TakeCensus();
        ASSERT_TRUE(Run(route)) << RouteName(route) << ": " << feedback.messageTexts().join('\n').toStdString();
        ExpectExact(before, route);
    }
}

// Two connections make a deadlock: the test's holds the table a delete
// trigger writes into and then asks for a row the clean-up's batch has
// deleted, while that batch waits for the table. The server makes the batch
// the victim (the test's connection has the higher deadlock priority); the
// batch is run again once the test lets go, and every row leaves once.
TEST_F(AdministeredServerOnSqlServer, ADeadlockVictimsBatchIsRunAgainAndNothingIsLost)
{
    ExecuteAll(statistics(),
               {QStringLiteral("CREATE TABLE QelDeadlock (ID int NOT NULL PRIMARY KEY CLUSTERED, Old bit NOT NULL, "
                               "Note nvarchar(20) NULL)"),
                QStringLiteral("CREATE TABLE QelDeadlockAudit (ID int NOT NULL)"),
                QStringLiteral("CREATE TRIGGER QelDeadlockGone ON QelDeadlock AFTER DELETE AS "
                               "INSERT INTO QelDeadlockAudit (ID) SELECT ID FROM deleted"),
                QStringLiteral("INSERT INTO QelDeadlock (ID, Old) SELECT TOP (40) ROW_NUMBER() OVER (ORDER BY "
                               "object_id), 1 FROM sys.all_objects"),
                QStringLiteral("INSERT INTO QelDeadlock (ID, Old) VALUES (1000, 0)")});

    auto holder = Connection::Open(statistics(), 60);
    holder->Execute(QStringLiteral("SET DEADLOCK_PRIORITY HIGH"));
    auto hold = std::make_unique<Transaction>(*holder);
    holder->Execute(QStringLiteral("SELECT COUNT(*) FROM QelDeadlockAudit WITH (TABLOCKX, HOLDLOCK)"));

    std::optional<MoveResult> moved;
    QString failure;
    std::thread cleanup([&] {
        try {
            auto source = Connection::Open(statistics(), 60);
            Catalog catalog(*source);
            TableMove move{*source, QStringLiteral("QelDeadlock"), QStringLiteral("Old = 1"),
                           FindWalkKey(*source, catalog, QStringLiteral("QelDeadlock"), QStringLiteral("Old")),
                           100, nullptr, {}, {}, {}, {}};
            moved = DeleteRows(move);
        } catch (const DatabaseError& e) {
            failure = e.description();
        }
    });
    // The batch has deleted its rows and waits for the audit table.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    QElapsedTimer waited;
    waited.start();
    try {
        holder->Execute(QStringLiteral("UPDATE QelDeadlock SET Note = N'held' WHERE ID = 1"));
    } catch (const DatabaseError& e) {
        ADD_FAILURE() << "the test's connection, not the batch, was the deadlock's victim: " << e.description().toStdString();
    }
    const qint64 waitedMs = waited.elapsed();
    hold.reset(); // rolled back: the batch run again goes on
    cleanup.join();

    EXPECT_GT(waitedMs, 500) << "the update waited for the batch's lock: the two made a deadlock";
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    ASSERT_TRUE(moved.has_value());
    EXPECT_EQ(moved->rows, 40);
    EXPECT_EQ(Rows(statistics(), QStringLiteral("QelDeadlock")), 1);
    EXPECT_EQ(CountRows(statistics(), QStringLiteral("SELECT COUNT(DISTINCT ID) FROM QelDeadlockAudit")), 40);
    EXPECT_EQ(Rows(statistics(), QStringLiteral("QelDeadlockAudit")), 40) << "the victim's attempt left nothing";
}

// Another session holds a row the clean-up's batch must delete; the batch
// waits on the server for its lock, as long as the command time-out allows.
// A stop cancels the batch within moments, the server undoes it, and no
// row has left.
TEST_F(AdministeredServerOnSqlServer, AStopCancelsABatchWaitingForAnotherSessionsLock)
{
    ExecuteAll(statistics(),
               {QStringLiteral("CREATE TABLE QelHeld (ID int NOT NULL PRIMARY KEY CLUSTERED, Old bit NOT NULL)"),
                QStringLiteral("INSERT INTO QelHeld (ID, Old) SELECT TOP (40) ROW_NUMBER() OVER (ORDER BY object_id), 1 "
                               "FROM sys.all_objects")});
    auto holder = Connection::Open(statistics(), 60);
    auto hold = std::make_unique<Transaction>(*holder);
    holder->Execute(QStringLiteral("UPDATE QelHeld SET Old = 1 WHERE ID = 5"));

    auto source = Connection::Open(statistics(), 600);
    Catalog catalog(*source);
    TableMove move{*source, QStringLiteral("QelHeld"), QStringLiteral("Old = 1"),
                   FindWalkKey(*source, catalog, QStringLiteral("QelHeld"), QStringLiteral("Old")),
                   100, nullptr, {}, {}, {}, {}};
    QElapsedTimer clock;
    clock.start();
    const WaitHookScope waits([&clock] { return clock.elapsed() > 1000; });
    bool interrupted = false;
    try {
        DeleteRows(move);
    } catch (const Interrupted&) {
        interrupted = true;
    }
    const qint64 ms = clock.elapsed();
    hold.reset();
    EXPECT_TRUE(interrupted);
    EXPECT_LT(ms, 2500);
    EXPECT_EQ(Rows(statistics(), QStringLiteral("QelHeld")), 40);
}

// Backup tables changed by hand: one with an IDENTITY column refuses every
// copied value, one with a trigger refuses the move within the server. The
// run names both before anything is deleted. Through this program the
// trigger is no obstacle.
TEST_F(AdministeredServerOnSqlServer, ABackupTableThatWouldRefuseRowsStopsTheRunBeforeTheFirstDelete)
{
    ExecuteAll(backup(), {QStringLiteral("CREATE TABLE Statistic_Alarms (Seq int IDENTITY(1,1) NOT NULL, AlarmID int NULL)"),
                          QStringLiteral("CREATE TABLE Statistic_KeyIn (AgentID int NULL)"),
                          QStringLiteral("CREATE TRIGGER QelKeyInCopied ON Statistic_KeyIn AFTER INSERT AS SET NOCOUNT ON")});
    const Census before = TakeCensus();
    EXPECT_FALSE(Run(Route::SameServer));
    const QString message = feedback.messageTexts().join('\n');
    EXPECT_TRUE(message.contains(QLatin1String("Statistic_Alarms.Seq is an IDENTITY column"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QLatin1String("Statistic_KeyIn has the enabled trigger QelKeyInCopied"))) << message.toStdString();
    for (const auto& t : StatisticsTables())
        EXPECT_EQ(Rows(statistics(), t.name), before.kept.at(t.name) + before.doomed.at(t.name)) << t.name.toStdString();

    ExecuteAll(backup(), {QStringLiteral("DROP TABLE Statistic_Alarms")});
    feedback = RecordingFeedback();
    ASSERT_TRUE(Run(Route::ThroughThisProgram)) << feedback.messageTexts().join('\n').toStdString();
    ExpectExact(before, Route::ThroughThisProgram);
}

// A sql_variant column travels within the server, but not through this
// program: there the run names it before the first delete.
TEST_F(AdministeredServerOnSqlServer, AColumnThatCannotTravelThroughThisProgramIsNamedBeforeTheFirstDelete)
{
    ExecuteAll(statistics(), {QStringLiteral("ALTER TABLE Statistic_Alarms ADD Extra sql_variant NULL"),
                              QStringLiteral("UPDATE Statistic_Alarms SET Extra = CAST(AlarmID AS sql_variant)")});
    const Census before = TakeCensus();
    EXPECT_FALSE(Run(Route::ThroughThisProgram));
    const QString message = feedback.messageTexts().join('\n');
    EXPECT_TRUE(message.contains(QLatin1String("Statistic_Alarms.Extra (sql_variant)"))) << message.toStdString();
    for (const auto& t : StatisticsTables())
        EXPECT_EQ(Rows(statistics(), t.name), before.kept.at(t.name) + before.doomed.at(t.name)) << t.name.toStdString();
    EXPECT_FALSE(TableNames(backup()).contains(QStringLiteral("Statistic_Alarms")));

    feedback = RecordingFeedback();
    ASSERT_TRUE(Run(Route::SameServer)) << feedback.messageTexts().join('\n').toStdString();
    ExpectExact(before, Route::SameServer);
    EXPECT_EQ(CountRows(backup(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Alarms WHERE Extra IS NOT NULL")),
              CountRows(backup(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Alarms WHERE AlarmID IS NOT NULL")));
}
