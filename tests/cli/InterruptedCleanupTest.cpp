// A backed-up clean-up by date that ends in the middle of a table: killed
// (SIGKILL) at chosen moments, refused by a read-only statistics file,
// locked out by another writer, or out of space for the backup, on a
// statistics database of awkward shapes. Whatever
// ended it, the files stay sound, no row is lost, and a rerun finishes the
// job with the same rows in both databases as a run never interrupted:
// every row that left the statistics database in the backup exactly once.
//
// Both routes a SQLite backup can take run here: the attached one through
// the real command line, and the row-by-row one (the route into another
// server, with the backup's ledger) through qelcleanup-test-child, which
// forces it.
#include "cleanup/transfer/BackupLedger.h"
#include "db/Connection.h"
#include "fixtures/FixtureOptions.h"
#include "fixtures/ProductDatabases.h"
#include "fixtures/StatisticsSchema.h"
#include "tests/cli/CleanupProcess.h"
#include "tests/support/AwkwardShapes.h"
#include "tests/support/Rows.h"
#include "tests/support/TableContents.h"
#include "tests/support/TempDatabases.h"

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <optional>

using namespace qel;
using namespace qel::test;

namespace {

// Attached and RowByRow are the two ways of a SQLite backup; a statistics
// file in write-ahead-log mode, which commits no two files as one, takes
// the row-by-row way through the command line itself.
enum class Route { Attached, RowByRow, WriteAheadLog };

std::string RouteName(const ::testing::TestParamInfo<Route>& info)
{
    return info.param == Route::Attached ? "Attached" : "RowByRow";
}

void PrintTo(Route route, std::ostream* os)
{
    *os << (route == Route::Attached ? "attached" : route == Route::RowByRow ? "row by row" : "write-ahead log");
}

using TableRows = std::map<QString, QStringList>;


constexpr int kBatchSize = 40;
const QString kBefore = QStringLiteral("2024-03-05");

} // namespace

class InterruptedCleanupTest : public ::testing::TestWithParam<Route> {
protected:
    void SetUp() override
    {
        FixtureOptions options;
        options.calls = 900;
        options.dateRows = 360;
        product.CreateAll(options);
        // Keys past 2^31, a column named RowID, a table WITHOUT ROWID, far
        // rowids, rows alike in every value and values of every storage
        // class: the shapes a kill must not make a rerun lose or double.
        ReshapeStatistics(product.statistics(), 100);
        if (route() == Route::WriteAheadLog)
            Connection::Open(product.statistics())->Execute(QStringLiteral("PRAGMA journal_mode = WAL"));
        for (const char* file : {"statistics.db", "callcenter.db"})
            ASSERT_TRUE(QFile::copy(product.path(QLatin1String(file)), reference.path(QLatin1String(file))));
        for (const auto& table : StatisticsTables())
            columns[table.name] = ColumnsOf(product.statistics(), table.name);
        before = Statistics(product.statistics());
    }

    virtual Route route() const { return GetParam(); }
    // Whether the backup goes row by row, with its ledger.
    bool rowByRow() const { return route() != Route::Attached; }

    std::unique_ptr<CleanupProcess> Start(const ProductDatabases& databases, int timeout = 30,
                                          const ChildLimits& limits = {})
    {
        QStringList arguments;
        const bool commandLine = route() != Route::RowByRow;
        if (commandLine)
            arguments << QStringLiteral("by-date") << QStringLiteral("--verbose");
        arguments << QStringLiteral("--before") << kBefore;
        for (const QString& setting :
             {"StatSrc=" + databases.statistics(), "CallCenterSrc=" + databases.callCenter(),
              "StatTgt=" + databases.backup(),
              QStringLiteral("BackupType=1"), QStringLiteral("BatchSize=%1").arg(kBatchSize),
              QStringLiteral("Timeout=%1").arg(timeout)})
            arguments << QStringLiteral("--set") << setting;
        const QString program = commandLine ? QStringLiteral(QELCLEANUP_BINARY) : QStringLiteral(QELCLEANUP_TEST_CHILD);
        return std::make_unique<CleanupProcess>(program, arguments, temp.path(QStringLiteral("config")), limits);
    }

    CleanupProcess::Outcome RunToTheEnd(const ProductDatabases& databases)
    {
        return Start(databases)->Finish();
    }

    // Kills a run at each of several moments, each run going on from where
    // the one before ended; answers how many were killed.
    int KillAtManyMoments()
    {
        // Each kill comes a little after the first progress line of a stage
        // that copies rows: in the first table, in a table keyed by call, in
        // the calls themselves, in tables cleaned by date, and while the
        // reference tables are copied whole. The delays make the kill land at
        // different points of a batch.
        struct Moment {
            int stage;
            int delayMs;
        };
        const Moment moments[] = {{1, 0}, {3, 7}, {8, 2}, {10, 11}, {12, 1}, {17, 5}, {22, 3}, {23, 0}};
        int kills = 0;
        for (const Moment& moment : moments) {
            auto run = Start(product);
            const bool reached =
                run->WaitForLine({QStringLiteral("Stage %1/21: ").arg(moment.stage), QStringLiteral("records copied")});
            if (moment.delayMs > 0)
                QThread::msleep(static_cast<unsigned long>(moment.delayMs));
            const CleanupProcess::Outcome outcome = run->Kill();
            if (!outcome.killed) {
                EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
                continue;
            }
            EXPECT_TRUE(reached) << "stage " << moment.stage;
            ++kills;
            ExpectNothingLost("killed in stage " + std::to_string(moment.stage));
        }
        return kills;
    }

    // Another connection, as the product's would: it reads the statistics
    // file and keeps its read open, so that no commit of the run can go
    // until it ends. It gets in at once, however the run's transactions lie.
    std::unique_ptr<Connection> HoldTheStatisticsFile()
    {
        auto holder = Connection::Open(product.statistics());
        holder->Execute(QStringLiteral("BEGIN"));
        Scalar(*holder, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call"));
        return holder;
    }

    // Another connection reads the statistics file and holds it, so the
    // next batch's delete cannot commit: on the row-by-row route the batch
    // is then in the backup and in its ledger; on the attached route its
    // copy and delete wait to commit together. The kill comes in that wait.
    void KillWhileADeleteWaits()
    {
        auto run = Start(product);
        ASSERT_TRUE(run->WaitForLine({QStringLiteral("Stage 2/21: "), QStringLiteral("records copied")}));
        auto reader = Connection::Open(product.statistics());
        reader->Execute(QStringLiteral("BEGIN"));
        Scalar(*reader, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call"));
        if (rowByRow()) {
            // The ledger also names the batch before for a moment after its
            // delete: the run is held once the same entry stays.
            QElapsedTimer waited;
            waited.start();
            QString held;
            for (QString seen; waited.elapsed() < 10000; QThread::msleep(300)) {
                held = seen;
                seen = LedgerEntries();
                if (!seen.isEmpty() && seen == held)
                    break;
            }
        } else {
            QThread::msleep(1500);
        }
        ASSERT_TRUE(run->Kill().killed);
        if (rowByRow()) {
            EXPECT_EQ(PendingRows(), kBatchSize);
            EXPECT_EQ(ExpectNothingLost("killed while a delete waited"), kBatchSize)
                << "the batch is in both files: killed between its copy and its delete";
        }
        reader->Execute(QStringLiteral("COMMIT"));
        reader.reset();
    }

    // The uninterrupted run on the copy, once.
    bool RunTheReference()
    {
        if (!referenceRun) {
            const CleanupProcess::Outcome uninterrupted = RunToTheEnd(reference);
            EXPECT_EQ(uninterrupted.exitCode, 0) << uninterrupted.err.toStdString();
            referenceRun = uninterrupted.exitCode == 0;
        }
        return referenceRun;
    }

    // Each statistics table's rows; a table the database lacks has none.
    TableRows Statistics(const QString& connection)
    {
        TableRows rows;
        const QStringList present = TableNames(connection);
        for (const auto& table : StatisticsTables())
            rows[table.name] =
                present.contains(table.name) ? RowTexts(connection, table.name, columns[table.name]) : QStringList();
        return rows;
    }

    // The rows of a table that the backup's ledger holds as copied but not
    // yet seen deleted; of every table when none is named.
    long long PendingRows(const QString& table = QString())
    {
        if (!TableNames(product.backup()).contains(QLatin1String(BackupLedger::kTableName)))
            return 0;
        return CountRows(product.backup(),
                         QStringLiteral("SELECT COALESCE(SUM(RowsCopied), 0) FROM %1 WHERE %2")
                             .arg(QLatin1String(BackupLedger::kTableName),
                                  table.isEmpty() ? QStringLiteral("1=1") : QStringLiteral("TableName = '%1'").arg(table)));
    }

    // The ledger's entries as one text, to tell whether they change.
    QString LedgerEntries()
    {
        if (!TableNames(product.backup()).contains(QLatin1String(BackupLedger::kTableName)))
            return QString();
        const auto rows = ReadRows(product.backup(), QStringLiteral("SELECT group_concat(TableName || ':' || BatchId) FROM %1")
                                                         .arg(QLatin1String(BackupLedger::kTableName)));
        return rows.empty() ? QString() : rows[0][0].text();
    }

    // What a run that ended early may leave: both files sound, and every
    // row the statistics database had is still in it or in the backup. A
    // row in both is a batch the ledger names, whose delete a rerun
    // finishes; the attached route commits copy and delete as one and
    // leaves none.
    // Answers how many rows are in both files.
    long long ExpectNothingLost(const std::string& when)
    {
        long long inBoth = 0;
        EXPECT_EQ(IntegrityOf(product.statistics()), QStringLiteral("ok")) << when;
        EXPECT_EQ(IntegrityOf(product.backup()), QStringLiteral("ok")) << when;
        const TableRows source = Statistics(product.statistics());
        const TableRows backup = Statistics(product.backup());
        for (const auto& [table, rows] : before) {
            QStringList missing;
            QStringList doubled;
            const QStringList together = Together(source.at(table), backup.at(table));
            std::set_difference(rows.begin(), rows.end(), together.begin(), together.end(), std::back_inserter(missing));
            std::set_difference(together.begin(), together.end(), rows.begin(), rows.end(), std::back_inserter(doubled));
            EXPECT_EQ(missing.size(), 0)
                << when << ": " << table.toStdString() << " lost " << missing.mid(0, 3).join("; ").toStdString();
            EXPECT_LE(doubled.size(), rowByRow() ? PendingRows(table) : 0)
                << when << ": " << table.toStdString() << " holds twice " << doubled.mid(0, 3).join("; ").toStdString();
            inBoth += doubled.size();
        }
        return inBoth;
    }

    // After the rerun: the statistics database and the backup hold exactly
    // what an uninterrupted run leaves on a copy of the same databases, and
    // each row that left the one is in the other once.
    void ExpectTheSameAsAnUninterruptedRun()
    {
        ASSERT_TRUE(RunTheReference());
        EXPECT_EQ(IntegrityOf(product.statistics()), QStringLiteral("ok"));
        EXPECT_EQ(IntegrityOf(product.backup()), QStringLiteral("ok"));

        const TableRows source = Statistics(product.statistics());
        const TableRows backup = Statistics(product.backup());
        const TableRows expectedSource = Statistics(reference.statistics());
        long long moved = 0;
        for (const auto& [table, rows] : before) {
            const std::string name = table.toStdString();
            EXPECT_EQ(RowDifference(expectedSource.at(table), source.at(table)), QString()) << name;
            EXPECT_EQ(RowDifference(rows, Together(source.at(table), backup.at(table))), QString()) << name;
            moved += backup.at(table).size();
        }
        EXPECT_GT(moved, 2000);
        // A ledger is left in the backup, empty, by any run that used one.
        TableRows backupTables = DatabaseRows(product.backup());
        TableRows expectedBackup = DatabaseRows(reference.backup());
        for (TableRows* tables : {&backupTables, &expectedBackup}) {
            const auto ledger = tables->find(QLatin1String(BackupLedger::kTableName));
            if (ledger != tables->end()) {
                EXPECT_TRUE(ledger->second.isEmpty()) << "every batch of the ledger settled";
                tables->erase(ledger);
            }
        }
        for (const auto& [table, rows] : expectedBackup) {
            ASSERT_TRUE(backupTables.count(table)) << table.toStdString();
            EXPECT_EQ(RowDifference(rows, backupTables.at(table)), QString()) << table.toStdString();
        }
        EXPECT_EQ(backupTables.size(), expectedBackup.size());
    }

    // Every batch commits: in memory the runs take seconds, not minutes.
    TempDatabases temp{MemoryBackedTempPath()};
    ProductDatabases product{temp.path(QStringLiteral("product"))};
    ProductDatabases reference{temp.path(QStringLiteral("reference"))};
    std::map<QString, QStringList> columns;
    TableRows before;
    bool referenceRun = false;
};

INSTANTIATE_TEST_SUITE_P(Routes, InterruptedCleanupTest, ::testing::Values(Route::Attached, Route::RowByRow), RouteName);

TEST_P(InterruptedCleanupTest, KilledAtManyMomentsARerunFinishesWithEveryRowOnce)
{
    // Each run goes on from where the last was killed, so a late stage may
    // have nothing left to copy; most moments still land inside a run.
    EXPECT_GE(KillAtManyMoments(), 4) << "the moments lie inside the run";

    const CleanupProcess::Outcome rerun = RunToTheEnd(product);
    ASSERT_EQ(rerun.exitCode, 0) << rerun.err.toStdString();
    EXPECT_TRUE(rerun.out.startsWith(QStringLiteral("Clean up successful : "))) << rerun.out.toStdString();
    ExpectTheSameAsAnUninterruptedRun();
}

TEST_P(InterruptedCleanupTest, KilledAfterATimeOrOnceTheBackupHasGrownARerunFinishesTheJob)
{
    ASSERT_TRUE(RunTheReference());
    const qint64 wholeBackup = QFileInfo(reference.path(QStringLiteral("backup.db"))).size();
    const QString backup = product.path(QStringLiteral("backup.db"));
    int kills = 0;
    // A time after the start: while the databases open, in the first
    // batches, and further on, each run going on from where the last ended.
    for (const int ms : {20, 100, 250}) {
        auto run = Start(product);
        run->WaitFor([](const QString&) { return false; }, ms);
        if (!run->Kill().killed)
            continue;
        ++kills;
        ExpectNothingLost("killed after " + std::to_string(ms) + " ms");
    }
    // Once the backup file has grown past a share of what a whole run makes of it.
    for (const double share : {0.6}) {
        auto run = Start(product);
        const bool grown = run->WaitFor([&](const QString&) { return static_cast<double>(QFileInfo(backup).size()) > share * static_cast<double>(wholeBackup); });
        if (!run->Kill().killed)
            continue;
        EXPECT_TRUE(grown);
        ++kills;
        ExpectNothingLost("killed once the backup had grown past " + std::to_string(share));
    }
    EXPECT_GE(kills, 2);

    const CleanupProcess::Outcome rerun = RunToTheEnd(product);
    ASSERT_EQ(rerun.exitCode, 0) << rerun.err.toStdString();
    ExpectTheSameAsAnUninterruptedRun();
}

TEST_P(InterruptedCleanupTest, KilledWhileABatchWaitsToCommitItsDelete)
{
    KillWhileADeleteWaits();
    ExpectNothingLost("killed before a delete committed");

    const CleanupProcess::Outcome rerun = RunToTheEnd(product);
    ASSERT_EQ(rerun.exitCode, 0) << rerun.err.toStdString();
    ExpectTheSameAsAnUninterruptedRun();
}

// Failures in the middle of a table. Each ends the run with exit status 1
// and its report; a rerun once the cause is gone finishes the job.

TEST_P(InterruptedCleanupTest, AReadOnlyStatisticsFileFailsTheDeleteAndARerunCopiesNothingTwice)
{
    if (!CanDenyWrites())
        GTEST_SKIP() << "an administrator's child writes read-only files here";
    const QString file = product.path(QStringLiteral("statistics.db"));
    const QFileDevice::Permissions writable = QFileInfo(file).permissions();
    ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    ChildLimits limits;
    limits.honourFileModes = true;
    const CleanupProcess::Outcome failed = Start(product, 30, limits)->Finish();
    ASSERT_TRUE(QFile::setPermissions(file, writable));
    EXPECT_EQ(failed.exitCode, 1) << failed.err.toStdString();
    EXPECT_TRUE(failed.err.contains(QLatin1String("readonly"))) << failed.err.toStdString();
    EXPECT_FALSE(failed.out.contains(QLatin1String("Clean up successful"))) << failed.out.toStdString();
    EXPECT_TRUE(Statistics(product.statistics()) == before) << "nothing left the statistics file";
    // The copy succeeded: row by row the first batch stays in the backup,
    // named by the ledger; attached, it went back with the failed delete.
    EXPECT_EQ(PendingRows(QStringLiteral("Statistic_Agent")), rowByRow() ? kBatchSize : 0);
    ExpectNothingLost("after the read-only failure");

    const CleanupProcess::Outcome rerun = RunToTheEnd(product);
    ASSERT_EQ(rerun.exitCode, 0) << rerun.err.toStdString();
    ExpectTheSameAsAnUninterruptedRun();
}

TEST_P(InterruptedCleanupTest, AnotherConnectionHoldingTheStatisticsFileEndsTheRunAfterItsTimeout)
{
    auto run = Start(product, 1);
    ASSERT_TRUE(run->WaitForLine({QStringLiteral("Stage 2/21: "), QStringLiteral("records copied")}));
    auto holder = HoldTheStatisticsFile();
    const CleanupProcess::Outcome failed = run->Finish(20000);
    holder->Execute(QStringLiteral("ROLLBACK"));
    holder.reset();
    EXPECT_EQ(failed.exitCode, 1) << failed.err.toStdString();
    EXPECT_TRUE(failed.err.contains(QLatin1String("database is locked"))) << failed.err.toStdString();
    EXPECT_FALSE(failed.out.contains(QLatin1String("Clean up successful"))) << failed.out.toStdString();
    EXPECT_FALSE(Statistics(product.statistics()) == before) << "the run had moved rows before the other connection came";
    ExpectNothingLost("after the other connection's hold");

    const CleanupProcess::Outcome rerun = RunToTheEnd(product);
    ASSERT_EQ(rerun.exitCode, 0) << rerun.err.toStdString();
    ExpectTheSameAsAnUninterruptedRun();
}

// The same hold, but a run that would wait ten minutes for it: Ctrl-C ends
// the wait at once, with 3 and the rows that had left before, and a rerun
// carries on.
TEST_P(InterruptedCleanupTest, CtrlCEndsAWaitForAnotherConnectionsHoldAtOnce)
{
    if (rowByRow())
        GTEST_SKIP() << "the command line is the program that takes Ctrl-C";
    if (!CanInterruptChildren())
        GTEST_SKIP() << "this system cannot send a child program Ctrl-C";
    auto run = Start(product, 600);
    ASSERT_TRUE(run->WaitForLine({QStringLiteral("Stage 2/21: "), QStringLiteral("records copied")}));
    auto holder = HoldTheStatisticsFile();
    // Long enough for the run to be in the wait, not only near it.
    QThread::msleep(700);
    ASSERT_TRUE(run->running()) << "the run ended although another connection holds the file";
    QElapsedTimer answered;
    answered.start();
    ASSERT_TRUE(run->Interrupt());
    const CleanupProcess::Outcome stopped = run->Finish(30000);
    const qint64 milliseconds = answered.elapsed();
    holder->Execute(QStringLiteral("ROLLBACK"));
    holder.reset();
    EXPECT_EQ(stopped.exitCode, 3) << stopped.err.toStdString();
    EXPECT_LT(milliseconds, 2000) << "Ctrl-C waited for the other connection";
    const QRegularExpressionMatch count =
        QRegularExpression(QStringLiteral("^Stopped: (\\d+) records deleted\n$")).match(stopped.out);
    ASSERT_TRUE(count.hasMatch()) << stopped.out.toStdString();
    EXPECT_GT(count.captured(1).toLongLong(), 0);
    ExpectNothingLost("after Ctrl-C in the other connection's hold");

    const CleanupProcess::Outcome rerun = RunToTheEnd(product);
    ASSERT_EQ(rerun.exitCode, 0) << rerun.err.toStdString();
    ExpectTheSameAsAnUninterruptedRun();
}

TEST_P(InterruptedCleanupTest, AFullDiskForTheBackupEndsTheRunAndARerunFinishesIt)
{
    if (!CanLimitChildren())
        GTEST_SKIP() << "no file-size limit for a child program on this platform";
    // A write past the limit fails wherever in a file it lands, so the
    // limit lies above the statistics file, which the run rewrites in
    // place: the backup starts as large as that file and may then grow by
    // a third of what a whole run adds to it.
    ASSERT_TRUE(RunTheReference());
    const QString backup = product.path(QStringLiteral("backup.db"));
    ExecuteAll(product.backup(), {QStringLiteral("CREATE TABLE Filler (b blob)"),
                                  QStringLiteral("INSERT INTO Filler VALUES (zeroblob(%1))")
                                      .arg(QFileInfo(product.path(QStringLiteral("statistics.db"))).size())});
    const qint64 filled = QFileInfo(backup).size();
    ChildLimits limits;
    limits.maxFileBytes = filled + QFileInfo(reference.path(QStringLiteral("backup.db"))).size() / 3;
    const CleanupProcess::Outcome failed = Start(product, 30, limits)->Finish();
    EXPECT_EQ(failed.exitCode, 1) << failed.err.toStdString();
    EXPECT_TRUE(failed.err.contains(QLatin1String("ADO error in Statistic_"))) << failed.err.toStdString();
    EXPECT_FALSE(failed.out.contains(QLatin1String("Clean up successful"))) << failed.out.toStdString();
    EXPECT_FALSE(Statistics(product.statistics()) == before) << "the run had moved rows before the disk filled up";
    EXPECT_LE(QFileInfo(backup).size(), limits.maxFileBytes);
    ExpectNothingLost("after the disk filled up");

    // Space comes back, and the rerun finishes.
    ExecuteAll(product.backup(), {QStringLiteral("DROP TABLE Filler")});
    const CleanupProcess::Outcome rerun = RunToTheEnd(product);
    ASSERT_EQ(rerun.exitCode, 0) << rerun.err.toStdString();
    ExpectTheSameAsAnUninterruptedRun();
}

// The command line's own row-by-row route, killed.
class InterruptedWriteAheadLogCleanupTest : public InterruptedCleanupTest {
protected:
    Route route() const override { return Route::WriteAheadLog; }
};

TEST_F(InterruptedWriteAheadLogCleanupTest, KilledAtManyMomentsARerunFinishesWithEveryRowOnce)
{
    // Each run goes on from where the last was killed, so a late stage may
    // have nothing left to copy; most moments still land inside a run.
    EXPECT_GE(KillAtManyMoments(), 4) << "the moments lie inside the run";
    EXPECT_TRUE(TableNames(product.backup()).contains(QLatin1String(BackupLedger::kTableName))) << "the ledger's route";

    const CleanupProcess::Outcome rerun = RunToTheEnd(product);
    ASSERT_EQ(rerun.exitCode, 0) << rerun.err.toStdString();
    ExpectTheSameAsAnUninterruptedRun();
}

// The route is chosen anew by each run: a statistics file or backup that
// was in write-ahead-log mode during a run that was killed may be back in
// rollback-journal mode for the rerun, which then copies attached. The
// rerun still settles what the ledger holds before it copies anything.
class InterruptedThenAttachedCleanupTest : public InterruptedCleanupTest {
protected:
    Route route() const override { return current; }
    Route current = Route::RowByRow;
};

TEST_F(InterruptedThenAttachedCleanupTest, ARerunOnTheAttachedRouteSettlesTheLedgersBatchesFirst)
{
    KillWhileADeleteWaits();
    ASSERT_EQ(PendingRows(), kBatchSize);
    ExpectNothingLost("killed before a delete committed");

    current = Route::Attached;
    const CleanupProcess::Outcome rerun = RunToTheEnd(product);
    ASSERT_EQ(rerun.exitCode, 0) << rerun.err.toStdString();
    ExpectTheSameAsAnUninterruptedRun();
    EXPECT_EQ(CountRows(product.backup(), QStringLiteral("SELECT COUNT(*) FROM QelCleanupLedger")), 0);
}
