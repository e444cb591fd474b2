#pragma once

#include <QElapsedTimer>

namespace qel {

class Connection;

// Gives the product's own writers their turn during a long clean-up of a
// SQLite database. A writer that finds the file locked sleeps in its busy
// handler and tries again; batches sent back to back take the lock again
// before it wakes, so it would wait for the whole clean-up. After a stretch
// of batches the clean-up therefore leaves the file alone for longer than a
// waiting writer sleeps. While writers are about (another connection wrote
// during one of the last pauses) the stretches are short; while none is,
// they are longer and cost the clean-up little.
class WriterPacing {
public:
    static WriterPacing ForSQLite();
    // Elsewhere the server queues writers fairly: no pause.
    static WriterPacing None();

    // How long one transaction may hold the write lock while it takes
    // batch after batch; 0 takes one batch per transaction.
    qint64 TransactionMilliseconds() const { return 0; }

    // Called after each transaction has committed and released its lock.
    void AfterTransaction(Connection& source);

private:
    WriterPacing(bool enabled);

    bool enabled_;
    QElapsedTimer sincePause_;
    QElapsedTimer sinceWriterSeen_;
};

} // namespace qel
