#pragma once

#include <QDateTime>
#include <QString>

// A date and time held the way automation dates are: a day number counted
// from 30 December 1899, whose fraction is the time of day, plus a status.
// Before the base day the fraction still counts forward from midnight, so
// -1.25 is 29 December 1899, 06:00.
class OleDateTime {
public:
    enum class Status { Valid, Invalid, Null };

    OleDateTime() = default; // null
    explicit OleDateTime(double dayNumber) : day_(dayNumber), status_(Status::Valid) {}

    static OleDateTime Invalid();
    static OleDateTime FromDateTime(const QDateTime& value);
    static OleDateTime FromDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

    // The local time now, whole seconds, less the given number of days.
    static OleDateTime NowLessDays(double days);

    Status status() const { return status_; }
    bool isValid() const { return status_ == Status::Valid; }
    bool isNull() const { return status_ == Status::Null; }
    double dayNumber() const { return day_; }

    // Day arithmetic across the base day, as automation dates do it.
    OleDateTime minusDays(double days) const;

    QDateTime toDateTime() const; // invalid QDateTime unless valid

    // strftime-like formatting of the date part: %Y %m %d %H %M %S.
    // A null value gives empty text, an invalid one "Invalid DateTime".
    QString format(const QString& pattern) const;

    bool operator==(const OleDateTime& o) const { return status_ == o.status_ && day_ == o.day_; }

private:
    double day_ = 0.0;
    Status status_ = Status::Null;
};
