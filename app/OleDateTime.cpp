#include "OleDateTime.h"

#include <StringTable.h>

#include <cmath>

namespace {

// 30 December 1899, as a constant so that it is ready before any other
// static object of the program uses it.
constexpr QDate kBaseDay = QDate::fromJulianDay(2415019);

// The signed day number maps onto a continuous scale and back, so that
// subtracting days works the same on both sides of the base day.
double ToContinuous(double day)
{
    if (day >= 0)
        return day;
    const double whole = std::ceil(day);
    return whole - (day - whole);
}

double FromContinuous(double value)
{
    if (value >= 0)
        return value;
    const double whole = std::floor(value);
    return whole + (whole - value);
}

} // namespace

OleDateTime OleDateTime::Invalid()
{
    OleDateTime d;
    d.status_ = Status::Invalid;
    return d;
}

OleDateTime OleDateTime::FromDateTime(const QDateTime& value)
{
    if (!value.isValid())
        return Invalid();
    const qint64 days = kBaseDay.daysTo(value.date());
    const QTime t = value.time();
    const double fraction = (t.msecsSinceStartOfDay()) / 86400000.0;
    return OleDateTime(days >= 0 ? days + fraction : days - fraction);
}

OleDateTime OleDateTime::FromDate(int year, int month, int day, int hour, int minute, int second)
{
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return Invalid();
    return FromDateTime(QDateTime(date, time));
}

OleDateTime OleDateTime::NowLessDays(double days)
{
    QDateTime now = QDateTime::currentDateTime();
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    return FromDateTime(now).minusDays(days);
}

OleDateTime OleDateTime::minusDays(double days) const
{
    if (!isValid())
        return *this;
    return OleDateTime(FromContinuous(ToContinuous(day_) - days));
}

QDateTime OleDateTime::toDateTime() const
{
    if (!isValid())
        return {};
    const double whole = std::trunc(day_);
    double fraction = std::fabs(day_ - whole);
    qint64 ms = std::llround(fraction * 86400000.0);
    qint64 dayOffset = static_cast<qint64>(whole);
    if (ms >= 86400000) { // rounding reached the next midnight
        ms -= 86400000;
        dayOffset += 1;
    }
    return QDateTime(kBaseDay.addDays(dayOffset), QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

QString OleDateTime::format(const QString& pattern) const
{
    if (isNull())
        return {};
    if (!isValid())
        return QString::fromLatin1(DialogText::InvalidDateTime);
    const QDateTime dt = toDateTime();
    QString out;
    for (int i = 0; i < pattern.size(); ++i) {
        if (pattern.at(i) != QLatin1Char('%') || i + 1 >= pattern.size()) {
            out.append(pattern.at(i));
            continue;
        }
        const QChar c = pattern.at(++i);
        switch (c.toLatin1()) {
        case 'Y': out += QString::number(dt.date().year()).rightJustified(4, QLatin1Char('0')); break;
        case 'm': out += QString::number(dt.date().month()).rightJustified(2, QLatin1Char('0')); break;
        case 'd': out += QString::number(dt.date().day()).rightJustified(2, QLatin1Char('0')); break;
        case 'H': out += QString::number(dt.time().hour()).rightJustified(2, QLatin1Char('0')); break;
        case 'M': out += QString::number(dt.time().minute()).rightJustified(2, QLatin1Char('0')); break;
        case 'S': out += QString::number(dt.time().second()).rightJustified(2, QLatin1Char('0')); break;
        case '%': out += QLatin1Char('%'); break;
        default: out += QLatin1Char('%'); out += c; break;
        }
    }
    return out;
}
