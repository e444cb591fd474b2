#include "db/FieldValue.h"

#include "core/Dates.h"
#include "core/Format.h"

namespace qel {

FieldValue FieldValue::Null()
{
    FieldValue v;
    v.type_ = Type::Null;
    return v;
}

FieldValue FieldValue::Integer(Type type, std::int64_t value)
{
    FieldValue v;
    v.type_ = type;
    v.integer_ = value;
    return v;
}

FieldValue FieldValue::Real(Type type, double value)
{
    FieldValue v;
    v.type_ = type;
    v.real_ = value;
    return v;
}

FieldValue FieldValue::Decimal(const QString& digits)
{
    FieldValue v;
    v.type_ = Type::Decimal;
    v.text_ = digits;
    return v;
}

FieldValue FieldValue::DateTime(const WallClock& value)
{
    FieldValue v;
    v.type_ = Type::DateTime;
    v.dateTime_ = value;
    return v;
}

FieldValue FieldValue::String(const QString& value)
{
    FieldValue v;
    v.type_ = Type::String;
    v.text_ = value;
    return v;
}

FieldValue FieldValue::Bool(bool value)
{
    FieldValue v;
    v.type_ = Type::Bool;
    v.integer_ = value ? 1 : 0;
    return v;
}

FieldValue FieldValue::Binary(const QByteArray& value)
{
    FieldValue v;
    v.type_ = Type::Binary;
    v.bytes_ = value;
    return v;
}

std::int64_t FieldValue::toInt64() const
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

QString FieldText(const FieldValue& value)
{
    switch (value.type()) {
    case FieldValue::Type::Int16:
    case FieldValue::Type::Int32:
        return QString::number(value.integer());
    case FieldValue::Type::DateTime: {
        const WallClock& t = value.dateTime();
        const double day = t.date().isValid() ? AutomationDayNumber(t.date(), t.millisecondsOfDay()) : 0.0;
        return Format(QStringLiteral("%.16g"), {day});
    }
    case FieldValue::Type::String:
        return value.text();
    case FieldValue::Type::Bool:
        return value.integer() != 0 ? QStringLiteral("1") : QStringLiteral("0");
    default:
        return {};
    }
}

} // namespace qel
