#include "core/TableProgress.h"

#include "core/NumberText.h"
#include "core/SaturatingCast.h"

#include <algorithm>
#include <cmath>

namespace qel {

double TableProgress::rate() const
{
    return seconds > 0 && done > 0 ? static_cast<double>(done) / seconds : 0.0;
}

double TableProgress::secondsLeft() const
{
    const double perSecond = rate();
    if (perSecond <= 0 || total < done)
        return -1.0;
    return static_cast<double>(total - done) / perSecond;
}

long long EstimatedTotal(long long done, double share)
{
    if (!(share > 0)) // NaN too
        return done;
    return std::max(done, SaturatingCast<long long>(std::round(static_cast<double>(done) / share)));
}

namespace {

QString Duration(double seconds)
{
    // A rate near zero gives a time beyond any clock's; it shows as the
    // longest one a long long holds rather than wrapping.
    const auto whole = SaturatingCast<long long>(std::ceil(seconds));
    const long long hours = whole / 3600;
    const long long minutes = whole / 60 % 60;
    const long long rest = whole % 60;
    if (hours > 0)
        return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes, 2, 10, QLatin1Char('0')).arg(rest, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(minutes).arg(rest, 2, 10, QLatin1Char('0'));
}

} // namespace

QString ProgressDetailText(const TableProgress& progress)
{
    // A total not known (negative) is left out, and so is the time left.
    QString text = progress.total < 0
        ? QStringLiteral("%1 rows").arg(CountText(progress.done))
        : QStringLiteral("%1 of %2%3 rows")
              .arg(CountText(progress.done), progress.estimated ? QStringLiteral("about ") : QString(),
                   CountText(progress.total));
    const double perSecond = progress.rate();
    if (perSecond > 0)
        text += QStringLiteral(", %1 rows/s").arg(CountText(SaturatingCast<long long>(std::round(perSecond))));
    const double left = progress.secondsLeft();
    if (left >= 0)
        text += QStringLiteral(", %1 left").arg(Duration(left));
    return text;
}

} // namespace qel
