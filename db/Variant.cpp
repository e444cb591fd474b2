#include "Variant.h"

#include <Format.h>

Variant Variant::Null()
{
    Variant v;
    v.type_ = Type::Null;
    return v;
}

Variant Variant::FromInt16(std::int16_t x)
{
    Variant v;
    v.type_ = Type::Int16;
    v.integer_ = x;
    return v;
}

Variant Variant::FromInt32(std::int32_t x)
{
    Variant v;
    v.type_ = Type::Int32;
    v.integer_ = x;
    return v;
}

Variant Variant::FromInt64(std::int64_t x)
{
    Variant v;
    v.type_ = Type::Int64;
    v.integer_ = x;
    return v;
}

Variant Variant::FromUInt8(std::uint8_t x)
{
    Variant v;
    v.type_ = Type::UInt8;
    v.integer_ = x;
    return v;
}

Variant Variant::FromFloat(float x)
{
    Variant v;
    v.type_ = Type::Float;
    v.real_ = x;
    return v;
}

Variant Variant::FromDouble(double x)
{
    Variant v;
    v.type_ = Type::Double;
    v.real_ = x;
    return v;
}

Variant Variant::FromDecimal(const QString& digits)
{
    Variant v;
    v.type_ = Type::Decimal;
    v.text_ = digits;
    return v;
}

Variant Variant::FromDate(double dayNumber)
{
    Variant v;
    v.type_ = Type::Date;
    v.real_ = dayNumber;
    return v;
}

Variant Variant::FromString(const QString& x)
{
    Variant v;
    v.type_ = Type::String;
    v.text_ = x;
    return v;
}

Variant Variant::FromBool(bool x)
{
    Variant v;
    v.type_ = Type::Bool;
    v.integer_ = x ? 1 : 0;
    return v;
}

Variant Variant::FromBinary(const QByteArray& x)
{
    Variant v;
    v.type_ = Type::Binary;
    v.bytes_ = x;
    return v;
}

std::int64_t Variant::toInt64() const
{
    switch (type_) {
    case Type::Int16:
    case Type::Int32:
    case Type::Int64:
    case Type::UInt8:
    case Type::Bool:
        return integer_;
    case Type::String: // computed columns reach some drivers as text
    case Type::Decimal:
        return text_.trimmed().toLongLong();
    default:
        return 0;
    }
}

QString VariantToText(const Variant& value)
{
    switch (value.type()) {
    case Variant::Type::Int16:
    case Variant::Type::Int32:
        return QString::number(value.integer());
    case Variant::Type::Date:
        return Format(QStringLiteral("%.16g"), {value.real()});
    case Variant::Type::String:
        return value.text();
    case Variant::Type::Bool:
        return value.integer() != 0 ? QStringLiteral("1") : QStringLiteral("0");
    default:
        return {};
    }
}
