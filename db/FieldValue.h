#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <cstdint>

namespace qel {

// A date and time as the database holds it: the wall-clock fields, with no
// time zone, so that it travels unchanged whatever the client's zone is.
struct WallClock {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::uint32_t nanoseconds = 0;

    QDate date() const { return QDate(year, month, day); }
    qint64 millisecondsOfDay() const
    {
        return ((hour * 60LL + minute) * 60 + second) * 1000 + nanoseconds / 1000000;
    }
    bool operator==(const WallClock& o) const
    {
        return year == o.year && month == o.month && day == o.day && hour == o.hour && minute == o.minute
            && second == o.second && nanoseconds == o.nanoseconds;
    }
};

// A field value as the data-access layer reads it: a type tag, set from the
// ODBC SQL type of the column it came from, and the value.
class FieldValue {
public:
    enum class Type {
        Empty,    // no value at all
        Null,     // SQL NULL
        Int16,    // SQL_SMALLINT
        Int32,    // SQL_INTEGER
        Int64,    // SQL_BIGINT
        UInt8,    // SQL_TINYINT
        Float,    // SQL_REAL
        Double,   // SQL_FLOAT, SQL_DOUBLE
        Decimal,  // SQL_NUMERIC, SQL_DECIMAL, held as its exact text
        DateTime, // dates, times and time stamps, as wall-clock fields
        String,   // character data
        Bool,     // SQL_BIT
        Binary,   // binary data
    };

    FieldValue() = default;
    static FieldValue Null();
    static FieldValue Integer(Type type, std::int64_t value); // Int16, Int32, Int64, UInt8
    static FieldValue Real(Type type, double value);          // Float, Double
    static FieldValue Decimal(const QString& digits);
    static FieldValue DateTime(const WallClock& value);
    static FieldValue String(const QString& value);
    static FieldValue Bool(bool value);
    static FieldValue Binary(const QByteArray& value);

    Type type() const { return type_; }
    bool isNull() const { return type_ == Type::Null; }

    std::int64_t integer() const { return integer_; } // integer kinds and Bool
    double real() const { return real_; }             // Float, Double
    const QString& text() const { return text_; }     // String, Decimal
    const QByteArray& bytes() const { return bytes_; } // Binary
    const WallClock& dateTime() const { return dateTime_; }

    // The integer value of an integer kind, a boolean, or a text holding a
    // whole number; 0 otherwise.
    std::int64_t toInt64() const;

private:
    Type type_ = Type::Empty;
    std::int64_t integer_ = 0;
    double real_ = 0.0;
    QString text_;
    QByteArray bytes_;
    WallClock dateTime_;
};

// Text of a field value: 16- and 32-bit integers in decimal, a date as its
// automation day number ("%.16g"), a string as itself, a boolean as "1" or
// "0"; every other kind (floating point, 64-bit integers, decimals, binary,
// NULL) gives empty text.
QString FieldText(const FieldValue& value);

} // namespace qel
