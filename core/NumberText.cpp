#include "core/NumberText.h"

#include <QLocale>

#include <cmath>

namespace qel {

QString CountText(long long count)
{
    // The English locale groups by thousands with commas; the C locale
    // would not group at all, the user's might with dots.
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(static_cast<qlonglong>(count));
}

QString ElapsedText(double seconds)
{
    if (!(seconds >= 0))
        seconds = 0;
    if (seconds < 59.95)
        return QStringLiteral("%1 s").arg(seconds, 0, 'f', 1);
    const auto whole = static_cast<long long>(std::llround(seconds));
    if (whole < 3600)
        return QStringLiteral("%1 min %2 s").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
    const long long minutes = (whole + 30) / 60;
    return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

} // namespace qel
