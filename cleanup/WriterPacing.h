#pragma once

#include <QElapsedTimer>

namespace qel {

// Gives the product's own writers their turn during a long clean-up of a
// SQLite database. A writer that finds the file locked sleeps in its busy
// handler and tries again; batches sent back to back take the lock again
// before it wakes, so it would wait for the whole clean-up. After a slice of
// work the clean-up therefore leaves the file alone for longer than a
// waiting writer sleeps.
class WriterPacing {
public:
    // workMilliseconds: the longest stretch of batches without a pause;
    // pauseMilliseconds: how long the lock is left free.
    WriterPacing(int workMilliseconds, int pauseMilliseconds);

    // Called after each batch has committed and released its lock.
    void AfterBatch();

    // For SQLite sources: the lengths that keep a writer's wait well under
    // a quarter of a second without slowing the clean-up much.
    static WriterPacing ForSQLite();
    // Elsewhere the server queues writers fairly: no pause.
    static WriterPacing None();

private:
    int workMilliseconds_;
    int pauseMilliseconds_;
    QElapsedTimer sincePause_;
};

} // namespace qel
