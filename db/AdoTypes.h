#pragma once

#include "OdbcApi.h"

#include <QString>

// Column data type codes as the schema catalogue reports them: the published
// ADO DataTypeEnum values, so that type rules read as they are documented.
enum AdoType {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adCurrency = 6,
    adDate = 7,
    adBoolean = 11,
    adDecimal = 14,
    adTinyInt = 16,
    adUnsignedTinyInt = 17,
    adBigInt = 20,
    adGUID = 72,
    adBinary = 128,
    adChar = 129,
    adWChar = 130,
    adNumeric = 131,
    adDBDate = 133,
    adDBTime = 134,
    adDBTimeStamp = 135,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adVarBinary = 204,
    adLongVarBinary = 205,
};

// Defined sizes that long text and binary columns report.
inline constexpr int kLongTextSize = 2147483647;
inline constexpr int kLongWideTextSize = 1073741823;

struct AdoColumnType {
    int type = adEmpty;
    int definedSize = 0;
};

// From what SQLColumns reports: the ODBC SQL type, the type name and the
// column size. The type name refines what the SQL type leaves open (money,
// text, ntext, image).
AdoColumnType AdoTypeFromOdbc(SQLSMALLINT sqlType, const QString& typeName, long long columnSize);

// From a column's declared type text, as SQLite keeps it ("varchar(300)",
// "datetime", "bit"). Returns adEmpty for a type name it does not know.
AdoColumnType AdoTypeFromDeclaredType(const QString& declaredType);

// From what the Access ODBC driver reports for a column of an Access file,
// as the Jet catalogue types it: dates as adDate, texts as wide texts, memo
// columns as long wide texts of size 0. adEmpty for a name it does not know.
AdoColumnType AdoTypeFromAccessType(const QString& typeName, long long columnSize);

// The fixed defined size of a non-text type (4 for adInteger, ...).
int FixedSizeOf(int adoType);

// True for the four text types whose defined size is compared and carried.
bool IsTextType(int adoType);
