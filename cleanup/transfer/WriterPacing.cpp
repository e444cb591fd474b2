#include "cleanup/transfer/WriterPacing.h"

#include "db/Connection.h"
#include "db/Result.h"

#include <QThread>

namespace qel {

namespace {

// While writers are about: a transaction of 25 ms, then 50 ms for them. A
// waiting writer tries again at least every 25 ms during its first 128 ms,
// so one of its tries falls into the pause: it waits at most about 50 ms.
// A pause twice the transaction leaves a writer whose commits wait for the
// disk time for more than one of them, and more than half its usual pace.
constexpr qint64 kBusyTransactionMs = 25;
constexpr unsigned long kBusyPauseMs = 50;
// While none is: transactions of 100 ms, and twice a second a pause a
// little longer than a writer's early spacing, in which a newcomer that
// began to wait less than about 100 ms before is found; one that waited
// longer tries every 50 to 100 ms and is found within a few pauses.
constexpr qint64 kQuietTransactionMs = 100;
constexpr qint64 kQuietWorkMs = 500;
constexpr unsigned long kQuietPauseMs = 30;
// A writer seen within this long counts as about.
constexpr qint64 kWritersAboutMs = 2000;
// A writer seen within this long, but not lately, may be waiting still:
// one that has waited a while tries only every 100 ms, so the quiet pauses
// are then a little longer than that, to be sure to take it in.
constexpr qint64 kWritersLatelyMs = 15000;
constexpr unsigned long kLatelyPauseMs = 110;

// SQLite's count of the commits other connections made to the file.
long long DataVersion(Connection& source)
{
    Result version(source, QStringLiteral("PRAGMA data_version"));
    return version.Next() ? version.Value(0).toInt64() : 0;
}

} // namespace

WriterPacing::WriterPacing(bool enabled, std::optional<qint64> transactionMilliseconds)
    : enabled_(enabled), transactionMilliseconds_(transactionMilliseconds)
{
    sincePause_.start();
}

WriterPacing WriterPacing::ForSQLite(std::optional<qint64> transactionMilliseconds)
{
    return WriterPacing(true, transactionMilliseconds);
}

WriterPacing WriterPacing::None()
{
    return WriterPacing(false, std::nullopt);
}

bool WriterPacing::writersAbout() const
{
    return sinceWriterSeen_.isValid() && sinceWriterSeen_.elapsed() < kWritersAboutMs;
}

qint64 WriterPacing::TransactionMilliseconds() const
{
    if (!enabled_)
        return 0;
    if (transactionMilliseconds_)
        return *transactionMilliseconds_;
    return writersAbout() ? kBusyTransactionMs : kQuietTransactionMs;
}

void WriterPacing::LookForWriters(Connection& source)
{
    const long long version = DataVersion(source);
    if (dataVersion_ >= 0 && version != dataVersion_)
        sinceWriterSeen_.start();
    dataVersion_ = version;
}

void WriterPacing::BeforeTransaction(Connection& source)
{
    if (!enabled_ || dataVersion_ >= 0)
        return;
    // The first look: a pause in which a writer that was kept waiting so
    // far (by whatever ran before) gets in, and is seen, so that the walk
    // begins at the pace writers need rather than finding them later.
    LookForWriters(source);
    Pause(source, kQuietPauseMs);
}

void WriterPacing::AfterTransaction(Connection& source)
{
    if (!enabled_)
        return;
    LookForWriters(source);
    if (writersAbout()) {
        Pause(source, kBusyPauseMs);
        return;
    }
    if (sincePause_.elapsed() < kQuietWorkMs)
        return;
    const bool lately = sinceWriterSeen_.isValid() && sinceWriterSeen_.elapsed() < kWritersLatelyMs;
    Pause(source, lately ? kLatelyPauseMs : kQuietPauseMs);
}

void WriterPacing::Pause(Connection& source, unsigned long milliseconds)
{
    QThread::msleep(milliseconds);
    // What was written in the pause is seen now, not counted again later.
    LookForWriters(source);
    sincePause_.restart();
}

} // namespace qel
