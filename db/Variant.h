#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// A field value as the data-access layer returns it: a type tag and a value.
// The tags follow the variant kinds of the automation world, mapped from the
// ODBC SQL type of the column the value was read from.
class Variant {
public:
    enum class Type {
        Empty,   // no value at all
        Null,    // SQL NULL
        Int16,   // SQL_SMALLINT
        Int32,   // SQL_INTEGER
        Int64,   // SQL_BIGINT
        UInt8,   // SQL_TINYINT
        Float,   // SQL_REAL
        Double,  // SQL_FLOAT, SQL_DOUBLE
        Decimal, // SQL_NUMERIC, SQL_DECIMAL, held as its exact text
        Date,    // dates and times, held as an automation day number
        String,  // character data
        Bool,    // SQL_BIT
        Binary,  // binary data
    };

    Variant() = default;
    static Variant Null();
    static Variant FromInt16(std::int16_t v);
    static Variant FromInt32(std::int32_t v);
    static Variant FromInt64(std::int64_t v);
    static Variant FromUInt8(std::uint8_t v);
    static Variant FromFloat(float v);
    static Variant FromDouble(double v);
    static Variant FromDecimal(const QString& digits);
    static Variant FromDate(double dayNumber);
    static Variant FromString(const QString& v);
    static Variant FromBool(bool v);
    static Variant FromBinary(const QByteArray& v);

    Type type() const { return type_; }
    bool isNull() const { return type_ == Type::Null; }
    bool isEmpty() const { return type_ == Type::Empty; }

    std::int64_t integer() const { return integer_; } // integer kinds and Bool
    double real() const { return real_; }             // Float, Double, Date
    const QString& text() const { return text_; }     // String, Decimal
    const QByteArray& bytes() const { return bytes_; } // Binary

    // The integer value of an integer kind, a boolean, or a text holding a
    // whole number; 0 otherwise.
    std::int64_t toInt64() const;

private:
    Type type_ = Type::Empty;
    std::int64_t integer_ = 0;
    double real_ = 0.0;
    QString text_;
    QByteArray bytes_;
};

// Text of a field value: 16- and 32-bit integers in decimal, a date as its
// day number ("%.16g"), a string as itself, a boolean as "1" or "0"; every
// other kind (floating point, 64-bit integers, decimals, binary, NULL)
// gives empty text.
QString VariantToText(const Variant& value);
