#pragma once

#include "OdbcApi.h"
#include "Variant.h"

#include <QString>

#include <vector>

// What a result column is: its name and ODBC SQL type.
struct ResultColumn {
    QString name;
    SQLSMALLINT sqlType = SQL_UNKNOWN_TYPE;
    SQLULEN size = 0;
};

// The columns of the current result of a statement.
std::vector<ResultColumn> DescribeResult(SQLHSTMT statement);

// Reads one column of the current row as a field value, typed by the
// column's SQL type. Long texts and binary data are read whole.
Variant ReadColumnValue(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT sqlType);
