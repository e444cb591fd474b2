#pragma once

#include <QDate>
#include <QString>

namespace qel {

// The date formatted with a strftime-like pattern of %Y (four digits), %m
// and %d (two digits each); "Invalid DateTime" for an invalid date.
QString FormatDate(const QDate& date, const QString& pattern);

// A wall-clock date and time as an automation day number: days counted from
// 30 December 1899, the fraction the time of day. Before the base day the
// fraction still counts forward from midnight, so -1.25 is 29 December 1899,
// 06:00. No time zone takes part.
double AutomationDayNumber(const QDate& date, qint64 millisecondsOfDay);

} // namespace qel
