#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"
#include "db/Transaction.h"
#include "db/WaitHook.h"

#include "tests/support/Rows.h"
#include "tests/support/TempDatabases.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <thread>

using namespace qel;
using namespace qel::test;

// Another connection holds the database locked; one with a command time-out
// of a second waits for it once, for that second, and then fails.
class LockWaitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        holder = Connection::Open(db);
        holder->Execute(QStringLiteral("CREATE TABLE t (x int)"));
        holder->Execute(QStringLiteral("INSERT INTO t VALUES (1)"));
    }

    // Milliseconds the action took; it must fail with "database is locked".
    qint64 MillisecondsToFail(const std::function<void()>& action)
    {
        QElapsedTimer timer;
        timer.start();
        try {
            action();
            ADD_FAILURE() << "the lock did not stop it";
        } catch (const DatabaseError& e) {
            EXPECT_EQ(e.nativeError(), 5) << e.description().toStdString();
        }
        return timer.elapsed();
    }

    TempDatabases temp;
    QString db = temp.connection(QStringLiteral("locked.db"));
    std::unique_ptr<Connection> holder;
};

TEST_F(LockWaitTest, AnExclusiveLockCostsOneTimeoutPerStatementAndNoneToConnect)
{
    holder->Execute(QStringLiteral("BEGIN EXCLUSIVE"));
    QElapsedTimer timer;
    timer.start();
    auto waiter = Connection::Open(db, 1);
    EXPECT_LT(timer.elapsed(), 500);

    for (const char* sql : {"SELECT x FROM t", "DELETE FROM t"}) {
        const qint64 ms = MillisecondsToFail([&] { waiter->Execute(QLatin1String(sql)); });
        EXPECT_GE(ms, 950) << sql;
        EXPECT_LT(ms, 1800) << sql;
    }
}

TEST_F(LockWaitTest, ALockReleasedWithinTheTimeoutIsWaitedOut)
{
    auto waiter = Connection::Open(db, 10);
    holder->Execute(QStringLiteral("BEGIN EXCLUSIVE"));
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        holder->Execute(QStringLiteral("COMMIT"));
    });
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(waiter->Execute(QStringLiteral("DELETE FROM t")), 1);
    release.join();
    EXPECT_GE(timer.elapsed(), 600);
    EXPECT_LT(timer.elapsed(), 5000);

    // A commit that meets a reader waits for it rather than failing.
    auto reader = Connection::Open(db);
    reader->Execute(QStringLiteral("BEGIN"));
    Result(*reader, QStringLiteral("SELECT COUNT(*) FROM t")).Next(); // holds the shared lock
    Transaction writing(*waiter);
    waiter->Execute(QStringLiteral("INSERT INTO t VALUES (3)"));
    std::thread endRead([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        reader->Execute(QStringLiteral("COMMIT"));
    });
    EXPECT_NO_THROW(writing.Commit());
    endRead.join();
    EXPECT_EQ(Scalar(*holder, QStringLiteral("SELECT COUNT(*) FROM t WHERE x = 3")), 1);
}

// A stop asked for while the database is waited for ends the wait within
// moments, whatever the time-out: the wait for another connection's lock,
// and a statement marked long, which is cancelled in the driver.
class StoppableWaitTest : public LockWaitTest {
protected:
    // A hook that asks to stop once `afterMs` have passed.
    WaitHook StopAfter(qint64 afterMs)
    {
        clock.start();
        return [this, afterMs] { return clock.elapsed() >= afterMs; };
    }

    // Milliseconds until the action ended with Interrupted.
    qint64 MillisecondsToInterrupt(const std::function<void()>& action)
    {
        try {
            action();
            ADD_FAILURE() << "the stop did not end it";
        } catch (const Interrupted&) {
        }
        return clock.elapsed();
    }

    QElapsedTimer clock;
    // Counts to five billion, which takes SQLite minutes.
    const QString endless = QStringLiteral(
        "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 5000000000) SELECT COUNT(*) FROM n");
};

TEST_F(StoppableWaitTest, AStopEndsAWaitForAnotherConnectionsLock)
{
    holder->Execute(QStringLiteral("BEGIN EXCLUSIVE"));
    auto waiter = Connection::Open(db, 10);
    const WaitHookScope waits(StopAfter(300));
    for (const char* sql : {"SELECT x FROM t", "DELETE FROM t"}) {
        clock.restart();
        const qint64 ms = MillisecondsToInterrupt([&] { waiter->Execute(QLatin1String(sql)); });
        EXPECT_LT(ms, 1000) << sql;
    }
    holder->Execute(QStringLiteral("ROLLBACK"));
    EXPECT_EQ(Scalar(*holder, QStringLiteral("SELECT COUNT(*) FROM t")), 1);
}

TEST_F(StoppableWaitTest, AStopCancelsALongStatementAndLeavesTheConnectionUsable)
{
    auto connection = Connection::Open(db, 600);
    {
        const WaitHookScope waits(StopAfter(300));
        const qint64 ms = MillisecondsToInterrupt([&] { Result(*connection, endless, Duration::Long).Next(); });
        EXPECT_GE(ms, 250);
        EXPECT_LT(ms, 1000);

        // Inside a transaction, the statement's work is undone with it.
        clock.restart();
        Transaction transaction(*connection);
        connection->Execute(QStringLiteral("INSERT INTO t VALUES (2)"));
        MillisecondsToInterrupt([&] {
            connection->Execute(QStringLiteral("DELETE FROM t WHERE x IN (SELECT x FROM (%1))").arg(endless), Duration::Long);
        });
    }
    EXPECT_EQ(Scalar(*connection, QStringLiteral("SELECT COUNT(*) FROM t")), 1);
    EXPECT_EQ(Scalar(*holder, QStringLiteral("SELECT COUNT(*) FROM t")), 1);
}

TEST_F(StoppableWaitTest, ALongStatementRunsToItsEndWhenNoStopIsAsked)
{
    auto connection = Connection::Open(db, 600);
    const QString counted = QStringLiteral(
        "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 300000) SELECT COUNT(*) FROM n");
    const WaitHookScope waits([] { return false; });
    Result result(*connection, counted, Duration::Long);
    ASSERT_TRUE(result.Next());
    EXPECT_EQ(result.Value(0).toInt64(), 300000);
    // A statement that ends before the first question is not made to wait.
    Result quick(*connection, QStringLiteral("SELECT 7"), Duration::Long);
    ASSERT_TRUE(quick.Next());
    EXPECT_EQ(quick.Value(0).toInt64(), 7);
}
