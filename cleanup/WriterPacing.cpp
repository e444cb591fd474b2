#include "cleanup/WriterPacing.h"

#include "db/Connection.h"
#include "db/Result.h"

#include <QThread>

namespace qel {

namespace {

// A writer waiting in the SQLite driver's busy handler tries again every
// 10 ms, so a pause a little longer always lets it in; its wait stays well
// under a quarter of a second: at most a stretch of batches and a pause.
constexpr qint64 kBusyWorkMs = 70;   // while writers are about
constexpr qint64 kQuietWorkMs = 150; // while none has written for a while
constexpr unsigned long kBusyPauseMs = 15;
constexpr unsigned long kQuietPauseMs = 12;
constexpr qint64 kWritersAboutMs = 2000;

// SQLite's count of commits other connections made to the file.
qint64 DataVersion(Connection& source)
{
    Result version(source, QStringLiteral("PRAGMA data_version"));
    return version.Next() ? version.Value(0).toInt64() : 0;
}

} // namespace

WriterPacing::WriterPacing(bool enabled) : enabled_(enabled)
{
    sincePause_.start();
}

WriterPacing WriterPacing::ForSQLite()
{
    return WriterPacing(true);
}

WriterPacing WriterPacing::None()
{
    return WriterPacing(false);
}

void WriterPacing::AfterTransaction(Connection& source)
{
    if (!enabled_)
        return;
    const bool writersAbout = sinceWriterSeen_.isValid() && sinceWriterSeen_.elapsed() < kWritersAboutMs;
    if (sincePause_.elapsed() < (writersAbout ? kBusyWorkMs : kQuietWorkMs))
        return;
    const qint64 before = DataVersion(source);
    QThread::msleep(writersAbout ? kBusyPauseMs : kQuietPauseMs);
    if (DataVersion(source) != before)
        sinceWriterSeen_.start();
    sincePause_.restart();
}

} // namespace qel
