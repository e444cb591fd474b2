#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"
#include "db/Transaction.h"

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
