#pragma once

#include "db/FieldValue.h"
#include "db/OdbcApi.h"

#include <QString>

#include <vector>

namespace qel {

// What a result column is: its name, ODBC SQL type, size and decimal digits.
struct ResultColumn {
    QString name;
    SQLSMALLINT sqlType = SQL_UNKNOWN_TYPE;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
};

// The columns of the current result of a statement.
std::vector<ResultColumn> DescribeResult(SQLHSTMT statement);

// Reads one column of the current row as a field value, typed by the
// column's SQL type. Long texts and binary data are read whole.
FieldValue ReadColumnValue(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT sqlType);

} // namespace qel
