#include "AdoTypes.h"

#include <QRegularExpression>

int FixedSizeOf(int adoType)
{
    switch (adoType) {
    case adSmallInt: return 2;
    case adInteger: return 4;
    case adSingle: return 4;
    case adDouble: return 8;
    case adCurrency: return 8;
    case adDate: return 8;
    case adBoolean: return 2;
    case adDecimal: return 16;
    case adTinyInt: return 1;
    case adUnsignedTinyInt: return 1;
    case adBigInt: return 8;
    case adGUID: return 16;
    case adNumeric: return 19;
    case adDBDate: return 6;
    case adDBTime: return 6;
    case adDBTimeStamp: return 16;
    default: return 0;
    }
}

bool IsTextType(int adoType)
{
    return adoType == adVarChar || adoType == adLongVarChar || adoType == adVarWChar || adoType == adLongVarWChar;
}

namespace {

int ClampSize(long long size)
{
    if (size <= 0)
        return 0;
    return size > kLongTextSize ? kLongTextSize : static_cast<int>(size);
}

AdoColumnType Fixed(int type)
{
    return {type, FixedSizeOf(type)};
}

} // namespace

AdoColumnType AdoTypeFromOdbc(SQLSMALLINT sqlType, const QString& typeName, long long columnSize)
{
    const QString name = typeName.trimmed().toLower();
    if (name == QLatin1String("money") || name == QLatin1String("smallmoney"))
        return Fixed(adCurrency);
    if (name == QLatin1String("text"))
        return {adLongVarChar, kLongTextSize};
    if (name == QLatin1String("ntext"))
        return {adLongVarWChar, kLongWideTextSize};
    if (name == QLatin1String("image"))
        return {adLongVarBinary, kLongTextSize};
    switch (sqlType) {
    case SQL_CHAR: return {adChar, ClampSize(columnSize)};
    case SQL_VARCHAR: return columnSize <= 0 ? AdoColumnType{adLongVarChar, kLongTextSize} : AdoColumnType{adVarChar, ClampSize(columnSize)};
    case SQL_LONGVARCHAR: return {adLongVarChar, kLongTextSize};
    case SQL_WCHAR: return {adWChar, ClampSize(columnSize)};
    case SQL_WVARCHAR: return columnSize <= 0 ? AdoColumnType{adLongVarWChar, kLongWideTextSize} : AdoColumnType{adVarWChar, ClampSize(columnSize)};
    case SQL_WLONGVARCHAR: return {adLongVarWChar, kLongWideTextSize};
    case SQL_BIT: return Fixed(adBoolean);
    case SQL_TINYINT: return Fixed(adUnsignedTinyInt);
    case SQL_SMALLINT: return Fixed(adSmallInt);
    case SQL_INTEGER: return Fixed(adInteger);
    case SQL_BIGINT: return Fixed(adBigInt);
    case SQL_REAL: return Fixed(adSingle);
    case SQL_FLOAT:
    case SQL_DOUBLE: return Fixed(adDouble);
    case SQL_NUMERIC:
    case SQL_DECIMAL: return Fixed(adNumeric);
    case SQL_TYPE_DATE:
    case SQL_DATE: return Fixed(adDBDate);
    case SQL_TYPE_TIME:
    case SQL_TIME: return Fixed(adDBTime);
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: return Fixed(adDBTimeStamp);
    case SQL_BINARY: return {adBinary, ClampSize(columnSize)};
    case SQL_VARBINARY: return columnSize <= 0 ? AdoColumnType{adLongVarBinary, kLongTextSize} : AdoColumnType{adVarBinary, ClampSize(columnSize)};
    case SQL_LONGVARBINARY: return {adLongVarBinary, kLongTextSize};
    case SQL_GUID: return Fixed(adGUID);
    default: return {adVarWChar, ClampSize(columnSize)};
    }
}

AdoColumnType AdoTypeFromAccessType(const QString& typeName, long long columnSize)
{
    const QString name = typeName.trimmed().toUpper();
    if (name == QLatin1String("VARCHAR") || name == QLatin1String("TEXT") || name == QLatin1String("CHAR"))
        return {adVarWChar, ClampSize(columnSize)};
    if (name == QLatin1String("LONGCHAR") || name == QLatin1String("MEMO"))
        return {adLongVarWChar, 0};
    if (name == QLatin1String("VARBINARY") || name == QLatin1String("BINARY"))
        return {adVarBinary, ClampSize(columnSize)};
    if (name == QLatin1String("LONGBINARY"))
        return {adLongVarBinary, 0};
    struct Simple { const char* name; int type; };
    static const Simple fixedTypes[] = {
        {"DATETIME", adDate},    {"CURRENCY", adCurrency}, {"BIT", adBoolean},   {"BYTE", adUnsignedTinyInt},
        {"SMALLINT", adSmallInt}, {"INTEGER", adInteger},  {"COUNTER", adInteger}, {"REAL", adSingle},
        {"DOUBLE", adDouble},    {"DECIMAL", adNumeric},   {"NUMERIC", adNumeric}, {"GUID", adGUID},
    };
    for (const auto& t : fixedTypes)
        if (name == QLatin1String(t.name))
            return Fixed(t.type);
    return {};
}

AdoColumnType AdoTypeFromDeclaredType(const QString& declaredType)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*([A-Za-z_][A-Za-z0-9_ ]*?)\s*(?:\(\s*(\d+)\s*(?:,\s*\d+\s*)?\))?\s*$)"));
    const QRegularExpressionMatch m = pattern.match(declaredType);
    if (!m.hasMatch())
        return {};
    const QString base = m.captured(1).simplified().toLower();
    const bool sized = !m.captured(2).isEmpty();
    const int size = sized ? ClampSize(m.captured(2).toLongLong()) : 0;

    struct Sized { const char* name; int type; int defaultSize; };
    static const Sized textTypes[] = {
        {"varchar", adVarChar, 255},     {"nvarchar", adVarWChar, 255}, {"char", adChar, 1},
        {"nchar", adWChar, 1},           {"varbinary", adVarBinary, 255}, {"binary", adBinary, 1},
        {"text", adLongVarChar, kLongTextSize}, {"ntext", adLongVarWChar, kLongWideTextSize},
        {"blob", adLongVarBinary, kLongTextSize}, {"image", adLongVarBinary, kLongTextSize},
    };
    for (const auto& t : textTypes)
        if (base == QLatin1String(t.name))
            return {t.type, sized ? size : t.defaultSize};

    struct Simple { const char* name; int type; };
    static const Simple fixedTypes[] = {
        {"int", adInteger},          {"integer", adInteger},        {"smallint", adSmallInt},
        {"tinyint", adUnsignedTinyInt}, {"bigint", adBigInt},       {"bit", adBoolean},
        {"boolean", adBoolean},      {"real", adSingle},            {"float", adDouble},
        {"double", adDouble},        {"double precision", adDouble}, {"money", adCurrency},
        {"numeric", adNumeric},      {"decimal", adNumeric},        {"datetime", adDBTimeStamp},
        {"timestamp", adDBTimeStamp}, {"date", adDBDate},           {"time", adDBTime},
        {"oledate", adDate},         {"uniqueidentifier", adGUID},
    };
    for (const auto& t : fixedTypes)
        if (base == QLatin1String(t.name))
            return Fixed(t.type);
    return {};
}
