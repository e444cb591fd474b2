#include "cleanup/transfer/ColumnUnion.h"

#include <algorithm>

namespace qel {

namespace {

enum class Family { Text, Binary, Integer, Exact, Floating, Moment, Guid, Other };

Family FamilyOf(ColumnType type)
{
    switch (type) {
    case ColumnType::Char:
    case ColumnType::VarChar:
    case ColumnType::LongVarChar:
    case ColumnType::WChar:
    case ColumnType::VarWChar:
    case ColumnType::LongVarWChar:
        return Family::Text;
    case ColumnType::Binary:
    case ColumnType::VarBinary:
    case ColumnType::LongVarBinary:
        return Family::Binary;
    case ColumnType::Boolean:
    case ColumnType::TinyInt:
    case ColumnType::UnsignedTinyInt:
    case ColumnType::SmallInt:
    case ColumnType::Integer:
    case ColumnType::BigInt:
        return Family::Integer;
    case ColumnType::Numeric:
    case ColumnType::Decimal:
    case ColumnType::Currency:
        return Family::Exact;
    case ColumnType::Single:
    case ColumnType::Double:
        return Family::Floating;
    case ColumnType::Date:
    case ColumnType::DBDate:
    case ColumnType::DBTime:
    case ColumnType::DBTimeStamp:
        return Family::Moment;
    case ColumnType::Guid:
        return Family::Guid;
    default:
        return Family::Other;
    }
}

// Decimal digits a whole number of the type may need.
int IntegerDigits(ColumnType type)
{
    switch (type) {
    case ColumnType::Boolean: return 1;
    case ColumnType::TinyInt:
    case ColumnType::UnsignedTinyInt: return 3;
    case ColumnType::SmallInt: return 5;
    case ColumnType::Integer: return 10;
    default: return 19;
    }
}

int IntegerRank(ColumnType type)
{
    switch (type) {
    case ColumnType::Boolean: return 0;
    case ColumnType::TinyInt:
    case ColumnType::UnsignedTinyInt: return 1;
    case ColumnType::SmallInt: return 2;
    case ColumnType::Integer: return 3;
    default: return 4;
    }
}

// Precision and scale of an exact number of any integer or exact type.
std::pair<int, int> ExactShape(const ColumnDefinition& c)
{
    if (FamilyOf(c.type) == Family::Integer)
        return {IntegerDigits(c.type), 0};
    if (c.type == ColumnType::Currency)
        return {19, 4};
    return {c.precision > 0 ? c.precision : 38, std::max(c.scale, 0)};
}

bool IsWide(ColumnType type)
{
    return type == ColumnType::WChar || type == ColumnType::VarWChar || type == ColumnType::LongVarWChar;
}

bool IsLong(const ColumnDefinition& c)
{
    return c.type == ColumnType::LongVarChar || c.type == ColumnType::LongVarWChar || c.type == ColumnType::LongVarBinary;
}

ColumnDefinition LongWideText(const ColumnDefinition& like)
{
    ColumnDefinition c = like;
    c.type = ColumnType::LongVarWChar;
    c.definedSize = kLongWideTextSize;
    c.precision = c.scale = 0;
    c.typeName.clear();
    return c;
}

ColumnDefinition Union(const ColumnDefinition& a, const ColumnDefinition& b)
{
    const Family fa = FamilyOf(a.type);
    const Family fb = FamilyOf(b.type);
    ColumnDefinition u = a;
    u.typeName.clear();
    if (fa == Family::Text && fb == Family::Text) {
        const bool wide = IsWide(a.type) || IsWide(b.type);
        if (IsLong(a) || IsLong(b)) {
            u.type = wide ? ColumnType::LongVarWChar : ColumnType::LongVarChar;
            u.definedSize = wide ? kLongWideTextSize : kLongTextSize;
        } else {
            u.type = wide ? ColumnType::VarWChar : ColumnType::VarChar;
            u.definedSize = std::max(a.definedSize, b.definedSize);
        }
        return u;
    }
    if (fa == Family::Binary && fb == Family::Binary) {
        u.type = IsLong(a) || IsLong(b) ? ColumnType::LongVarBinary : ColumnType::VarBinary;
        u.definedSize = IsLong(a) || IsLong(b) ? kLongTextSize : std::max(a.definedSize, b.definedSize);
        return u;
    }
    if (fa == Family::Integer && fb == Family::Integer)
        return IntegerRank(a.type) >= IntegerRank(b.type) ? a : b;
    if ((fa == Family::Integer || fa == Family::Exact) && (fb == Family::Integer || fb == Family::Exact)) {
        const auto [pa, sa] = ExactShape(a);
        const auto [pb, sb] = ExactShape(b);
        const int scale = std::max(sa, sb);
        u.type = ColumnType::Numeric;
        u.precision = std::min(38, std::max(pa - sa, pb - sb) + scale);
        u.scale = scale;
        u.definedSize = FixedSizeOf(ColumnType::Numeric);
        return u;
    }
    if (fa == Family::Floating && fb == Family::Floating)
        return a.type == ColumnType::Double ? a : b;
    // A double holds every integer of up to 32 bits exactly, no more.
    if ((fa == Family::Floating && fb == Family::Integer && IntegerRank(b.type) <= 3)
        || (fb == Family::Floating && fa == Family::Integer && IntegerRank(a.type) <= 3)) {
        u.type = ColumnType::Double;
        u.definedSize = FixedSizeOf(ColumnType::Double);
        return u;
    }
    if (fa == Family::Moment && fb == Family::Moment) {
        if (a.type != b.type) // a date and a time, or either and a time stamp, meet in a time stamp
            u.type = a.type == ColumnType::Date || b.type == ColumnType::Date ? ColumnType::Date : ColumnType::DBTimeStamp;
        u.scale = std::max(a.scale, b.scale);
        u.typeName = a.typeName.startsWith(QLatin1String("datetime2"), Qt::CaseInsensitive) ? a.typeName : b.typeName;
        u.definedSize = FixedSizeOf(u.type);
        return u;
    }
    if (fa == Family::Guid && fb == Family::Guid)
        return a;
    return LongWideText(a);
}

bool SameType(const ColumnDefinition& a, const ColumnDefinition& b)
{
    if (a.type != b.type)
        return false;
    switch (FamilyOf(a.type)) {
    case Family::Text:
    case Family::Binary:
        return a.definedSize == b.definedSize;
    case Family::Exact:
        return ExactShape(a) == ExactShape(b);
    case Family::Moment:
        return a.scale == b.scale;
    default:
        return true;
    }
}

} // namespace

std::optional<ColumnDefinition> WidenedForSource(const ColumnDefinition& backup, const ColumnDefinition& source)
{
    if (SameType(backup, source))
        return std::nullopt;
    ColumnDefinition widened = Union(backup, source);
    widened.name = backup.name;
    widened.nullable = true;
    if (SameType(widened, backup))
        return std::nullopt;
    return widened;
}

} // namespace qel
