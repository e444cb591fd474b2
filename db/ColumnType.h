#pragma once

#include "db/OdbcApi.h"

#include <QString>

#include <utility>

namespace qel {

// The data type of a column as the schema rules reason about it. The values
// are the published ADO type codes, so that a rule reads as the tool it
// replaces documented it.
enum class ColumnType {
    Empty = 0,
    SmallInt = 2,
    Integer = 3,
    Single = 4,
    Double = 5,
    Currency = 6,
    Date = 7, // an automation date: Access keeps its dates so
    Boolean = 11,
    Decimal = 14,
    TinyInt = 16,
    UnsignedTinyInt = 17,
    BigInt = 20,
    Guid = 72,
    Binary = 128,
    Char = 129,
    WChar = 130,
    Numeric = 131,
    DBDate = 133,
    DBTime = 134,
    DBTimeStamp = 135,
    VarChar = 200,
    LongVarChar = 201,
    VarWChar = 202,
    LongVarWChar = 203,
    VarBinary = 204,
    LongVarBinary = 205,
};

// Defined sizes that long text and binary columns report.
inline constexpr int kLongTextSize = 2147483647;
inline constexpr int kLongWideTextSize = 1073741823;

// A column's type with what qualifies it: the defined size of texts and
// binaries; the precision and scale of decimals and the fractional-second
// digits of time stamps.
struct ColumnTypeInfo {
    // Brace lists name only the fields they need: the rest take their
    // defaults without a missing-initializer warning.
    ColumnTypeInfo(ColumnType columnType = ColumnType::Empty, int columnDefinedSize = 0, int columnPrecision = 0,
                   int columnScale = 0, QString columnTypeName = {})
        : type(columnType), definedSize(columnDefinedSize), precision(columnPrecision), scale(columnScale),
          typeName(std::move(columnTypeName))
    {
    }

    ColumnType type = ColumnType::Empty;
    int definedSize = 0;
    int precision = 0;
    int scale = 0;
    QString typeName; // the database's own name of the type, when it was read from one
};

// From what SQLColumns reports: the ODBC SQL type, the type name, the column
// size and the decimal digits. The type name refines what the SQL type
// leaves open (money, text, ntext, image).
ColumnTypeInfo ColumnTypeFromOdbc(SQLSMALLINT sqlType, const QString& typeName, long long columnSize, int decimalDigits);

// From a column's declared type text, as SQLite keeps it ("varchar(300)",
// "numeric(12,4)", "datetime"). Empty for a type name it does not know.
ColumnTypeInfo ColumnTypeFromDeclaration(const QString& declaredType);

// From what the Access ODBC driver reports for a column of an Access file,
// as the Jet catalogue types it: dates as Date, texts as wide texts, memo
// columns as long wide texts of size 0. Empty for a name it does not know.
ColumnTypeInfo ColumnTypeFromAccess(const QString& typeName, long long columnSize);

// How SQLite keeps the values of a column, decided by its declared type
// alone: a value put into the column may change storage class to suit it
// (an integer into a TEXT column becomes text), except under Blob.
enum class SQLiteAffinity { Integer, Text, Blob, Real, Numeric };
SQLiteAffinity AffinityOfDeclaredType(const QString& declaredType);

// The fixed defined size of a non-text type (4 for Integer, ...).
int FixedSizeOf(ColumnType type);

// True for the four text types whose defined size is compared and carried.
bool IsTextType(ColumnType type);

} // namespace qel
