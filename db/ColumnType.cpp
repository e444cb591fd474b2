#include "db/ColumnType.h"

#include <QRegularExpression>

namespace qel {

int FixedSizeOf(ColumnType type)
{
    switch (type) {
    case ColumnType::SmallInt: return 2;
    case ColumnType::Integer: return 4;
    case ColumnType::Single: return 4;
    case ColumnType::Double: return 8;
    case ColumnType::Currency: return 8;
    case ColumnType::Date: return 8;
    case ColumnType::Boolean: return 2;
    case ColumnType::Decimal: return 16;
    case ColumnType::TinyInt: return 1;
    case ColumnType::UnsignedTinyInt: return 1;
    case ColumnType::BigInt: return 8;
    case ColumnType::Guid: return 16;
    case ColumnType::Numeric: return 19;
    case ColumnType::DBDate: return 6;
    case ColumnType::DBTime: return 6;
    case ColumnType::DBTimeStamp: return 16;
    default: return 0;
    }
}

SQLiteAffinity AffinityOfDeclaredType(const QString& declaredType)
{
    // SQLite's own rules, in its order.
    const QString type = declaredType.toUpper();
    if (type.contains(QLatin1String("INT")))
        return SQLiteAffinity::Integer;
    if (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB")) || type.contains(QLatin1String("TEXT")))
        return SQLiteAffinity::Text;
    if (type.contains(QLatin1String("BLOB")) || type.trimmed().isEmpty())
        return SQLiteAffinity::Blob;
    if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA")) || type.contains(QLatin1String("DOUB")))
        return SQLiteAffinity::Real;
    return SQLiteAffinity::Numeric;
}

bool IsTextType(ColumnType type)
{
    return type == ColumnType::VarChar || type == ColumnType::LongVarChar || type == ColumnType::VarWChar
        || type == ColumnType::LongVarWChar;
}

namespace {

int ClampSize(long long size)
{
    if (size <= 0)
        return 0;
    return size > kLongTextSize ? kLongTextSize : static_cast<int>(size);
}

ColumnTypeInfo Fixed(ColumnType type)
{
    return {type, FixedSizeOf(type)};
}

ColumnTypeInfo Sized(ColumnType type, long long size)
{
    return {type, ClampSize(size)};
}

} // namespace

ColumnTypeInfo ColumnTypeFromOdbc(SQLSMALLINT sqlType, const QString& typeName, long long columnSize, int decimalDigits)
{
    using T = ColumnType;
    const QString name = typeName.trimmed().toLower();
    if (name == QLatin1String("money") || name == QLatin1String("smallmoney"))
        return Fixed(T::Currency);
    if (name == QLatin1String("text"))
        return {T::LongVarChar, kLongTextSize};
    if (name == QLatin1String("ntext"))
        return {T::LongVarWChar, kLongWideTextSize};
    if (name == QLatin1String("image"))
        return {T::LongVarBinary, kLongTextSize};
    switch (sqlType) {
    case SQL_CHAR: return Sized(T::Char, columnSize);
    case SQL_VARCHAR: return columnSize <= 0 ? ColumnTypeInfo{T::LongVarChar, kLongTextSize} : Sized(T::VarChar, columnSize);
    case SQL_LONGVARCHAR: return {T::LongVarChar, kLongTextSize};
    case SQL_WCHAR: return Sized(T::WChar, columnSize);
    case SQL_WVARCHAR:
        return columnSize <= 0 ? ColumnTypeInfo{T::LongVarWChar, kLongWideTextSize} : Sized(T::VarWChar, columnSize);
    case SQL_WLONGVARCHAR: return {T::LongVarWChar, kLongWideTextSize};
    case SQL_BIT: return Fixed(T::Boolean);
    case SQL_TINYINT: return Fixed(T::UnsignedTinyInt);
    case SQL_SMALLINT: return Fixed(T::SmallInt);
    case SQL_INTEGER: return Fixed(T::Integer);
    case SQL_BIGINT: return Fixed(T::BigInt);
    case SQL_REAL: return Fixed(T::Single);
    case SQL_FLOAT:
    case SQL_DOUBLE: return Fixed(T::Double);
    case SQL_NUMERIC:
    case SQL_DECIMAL: {
        ColumnTypeInfo info = Fixed(T::Numeric);
        info.precision = static_cast<int>(columnSize);
        info.scale = decimalDigits;
        return info;
    }
    case SQL_TYPE_DATE:
    case SQL_DATE: return Fixed(T::DBDate);
    case SQL_TYPE_TIME:
    case SQL_TIME: return Fixed(T::DBTime);
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: {
        ColumnTypeInfo info = Fixed(T::DBTimeStamp);
        info.scale = decimalDigits;
        return info;
    }
    case SQL_BINARY: return Sized(T::Binary, columnSize);
    case SQL_VARBINARY:
        return columnSize <= 0 ? ColumnTypeInfo{T::LongVarBinary, kLongTextSize} : Sized(T::VarBinary, columnSize);
    case SQL_LONGVARBINARY: return {T::LongVarBinary, kLongTextSize};
    case SQL_GUID: return Fixed(T::Guid);
    default: return Sized(T::VarWChar, columnSize);
    }
}

ColumnTypeInfo ColumnTypeFromAccess(const QString& typeName, long long columnSize)
{
    using T = ColumnType;
    const QString name = typeName.trimmed().toUpper();
    if (name == QLatin1String("VARCHAR") || name == QLatin1String("TEXT") || name == QLatin1String("CHAR"))
        return Sized(T::VarWChar, columnSize);
    if (name == QLatin1String("LONGCHAR") || name == QLatin1String("MEMO"))
        return {T::LongVarWChar, 0};
    if (name == QLatin1String("VARBINARY") || name == QLatin1String("BINARY"))
        return Sized(T::VarBinary, columnSize);
    if (name == QLatin1String("LONGBINARY"))
        return {T::LongVarBinary, 0};
    struct Simple {
        const char* name;
        ColumnType type;
    };
    static const Simple fixedTypes[] = {
        {"DATETIME", T::Date},     {"CURRENCY", T::Currency}, {"BIT", T::Boolean},   {"BYTE", T::UnsignedTinyInt},
        {"SMALLINT", T::SmallInt}, {"INTEGER", T::Integer},   {"COUNTER", T::Integer}, {"REAL", T::Single},
        {"DOUBLE", T::Double},     {"DECIMAL", T::Numeric},   {"NUMERIC", T::Numeric}, {"GUID", T::Guid},
    };
    for (const auto& t : fixedTypes)
        if (name == QLatin1String(t.name))
            return Fixed(t.type);
    return {};
}

ColumnTypeInfo ColumnTypeFromDeclaration(const QString& declaredType)
{
    using T = ColumnType;
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*([A-Za-z_][A-Za-z0-9_ ]*?)\s*(?:\(\s*(\d+)\s*(?:,\s*(\d+)\s*)?\))?\s*$)"));
    const QRegularExpressionMatch m = pattern.match(declaredType);
    if (!m.hasMatch())
        return {};
    const QString base = m.captured(1).simplified().toLower();
    const bool sized = !m.captured(2).isEmpty();
    const long long first = m.captured(2).toLongLong();

    struct SizedType {
        const char* name;
        ColumnType type;
        int defaultSize;
    };
    static const SizedType textTypes[] = {
        {"varchar", T::VarChar, 255},          {"nvarchar", T::VarWChar, 255},          {"char", T::Char, 1},
        {"nchar", T::WChar, 1},                {"varbinary", T::VarBinary, 255},        {"binary", T::Binary, 1},
        {"text", T::LongVarChar, kLongTextSize}, {"ntext", T::LongVarWChar, kLongWideTextSize},
        {"blob", T::LongVarBinary, kLongTextSize}, {"image", T::LongVarBinary, kLongTextSize},
    };
    for (const auto& t : textTypes)
        if (base == QLatin1String(t.name))
            return {t.type, sized ? ClampSize(first) : t.defaultSize};

    if (base == QLatin1String("numeric") || base == QLatin1String("decimal")) {
        ColumnTypeInfo info = Fixed(T::Numeric);
        info.precision = sized ? static_cast<int>(first) : 0;
        info.scale = m.captured(3).toInt();
        return info;
    }
    struct Simple {
        const char* name;
        ColumnType type;
    };
    static const Simple fixedTypes[] = {
        {"int", T::Integer},          {"integer", T::Integer},       {"smallint", T::SmallInt},
        {"tinyint", T::UnsignedTinyInt}, {"bigint", T::BigInt},       {"bit", T::Boolean},
        {"boolean", T::Boolean},      {"real", T::Single},           {"float", T::Double},
        {"double", T::Double},        {"double precision", T::Double}, {"money", T::Currency},
        {"datetime", T::DBTimeStamp}, {"timestamp", T::DBTimeStamp}, {"date", T::DBDate},
        {"time", T::DBTime},          {"oledate", T::Date},          {"uniqueidentifier", T::Guid},
    };
    for (const auto& t : fixedTypes)
        if (base == QLatin1String(t.name))
            return Fixed(t.type);
    return {};
}

} // namespace qel
