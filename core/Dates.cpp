#include "core/Dates.h"

#include "core/StringTable.h"

namespace qel {

namespace {

constexpr qint64 kBaseJulianDay = 2415019; // 30 December 1899
constexpr double kMillisecondsPerDay = 86400000.0;

} // namespace

QString FormatDate(const QDate& date, const QString& pattern)
{
    if (!date.isValid())
        return QString::fromLatin1(DialogText::InvalidDateTime);
    QString out;
    for (int i = 0; i < pattern.size(); ++i) {
        if (pattern.at(i) != QLatin1Char('%') || i + 1 >= pattern.size()) {
            out.append(pattern.at(i));
            continue;
        }
        const QChar c = pattern.at(++i);
        switch (c.toLatin1()) {
        case 'Y': out += QString::number(date.year()).rightJustified(4, QLatin1Char('0')); break;
        case 'm': out += QString::number(date.month()).rightJustified(2, QLatin1Char('0')); break;
        case 'd': out += QString::number(date.day()).rightJustified(2, QLatin1Char('0')); break;
        case '%': out += QLatin1Char('%'); break;
        default: out += QLatin1Char('%'); out += c; break;
        }
    }
    return out;
}

double AutomationDayNumber(const QDate& date, qint64 millisecondsOfDay)
{
    const qint64 days = date.toJulianDay() - kBaseJulianDay;
    const double fraction = static_cast<double>(millisecondsOfDay) / kMillisecondsPerDay;
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

} // namespace qel
