#include "cleanup/WriterPacing.h"

#include <QThread>

namespace qel {

WriterPacing::WriterPacing(int workMilliseconds, int pauseMilliseconds)
    : workMilliseconds_(workMilliseconds), pauseMilliseconds_(pauseMilliseconds)
{
    sincePause_.start();
}

WriterPacing WriterPacing::ForSQLite()
{
    return WriterPacing(100000, 0);
}

WriterPacing WriterPacing::None()
{
    return WriterPacing(0, 0);
}

void WriterPacing::AfterBatch()
{
    if (pauseMilliseconds_ <= 0 || sincePause_.elapsed() < workMilliseconds_)
        return;
    QThread::msleep(static_cast<unsigned long>(pauseMilliseconds_));
    sincePause_.restart();
}

} // namespace qel
