#pragma once

#include <QElapsedTimer>

#include <optional>

namespace qel {

class Connection;

// Gives the product's own writers their turn during a long clean-up of a
// SQLite database. The clean-up holds the write lock for one transaction at
// a time, each sized by time, not by rows; between two it leaves the file
// alone for a while.
//
// A writer that finds the file locked waits in SQLite's standard busy
// handler, which tries again after 1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50
// and then every 100 ms. While writers are about (another connection
// committed lately: SQLite's data_version changed), transactions are short
// and each is followed by a pause at least as long: a writer then waits at
// most about one transaction, since its tries come no more than 25 ms apart
// within the first 128 ms of its wait, and it has the file about half the
// time. While none is, transactions are long and pauses rare, so that the
// clean-up costs little more than the database's own statements would, and
// a writer that comes along is found at the next pause. While one was
// about not long ago, and may be waiting still with its longest spacing,
// these pauses are longer than that spacing.
class WriterPacing {
public:
    // `transactionMilliseconds`, when given, sizes every transaction instead.
    static WriterPacing ForSQLite(std::optional<qint64> transactionMilliseconds = std::nullopt);
    // Elsewhere the server queues writers fairly: no pause, and one batch
    // per transaction.
    static WriterPacing None();

    // How long the next transaction may hold the write lock while it takes
    // batch after batch; 0 takes one batch per transaction.
    qint64 TransactionMilliseconds() const;

    // Called before each transaction; the first call looks for writers.
    void BeforeTransaction(Connection& source);
    // Called after each transaction has committed and released its lock.
    void AfterTransaction(Connection& source);

    // Whether another connection has written lately.
    bool writersAbout() const;

private:
    WriterPacing(bool enabled, std::optional<qint64> transactionMilliseconds);
    // Notes whether another connection has committed since the last look.
    void LookForWriters(Connection& source);
    void Pause(Connection& source, unsigned long milliseconds);

    bool enabled_;
    std::optional<qint64> transactionMilliseconds_;
    long long dataVersion_ = -1;
    QElapsedTimer sinceWriterSeen_;
    QElapsedTimer sincePause_;
};

} // namespace qel
