#include "db/ValueReader.h"

#include "db/DatabaseError.h"

#include <iterator>

namespace qel {

namespace {

void Check(SQLRETURN rc, SQLHSTMT statement)
{
    CheckOdbc(rc, SQL_HANDLE_STMT, statement, "SQLGetData");
}

// Reads a value of fixed size; answers whether it is NULL.
template <typename T>
bool ReadFixed(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT cType, T& value)
{
    SQLLEN indicator = 0;
    Check(SQLGetData(statement, column, cType, &value, sizeof value, &indicator), statement);
    return indicator == SQL_NULL_DATA;
}

// Reads character data in pieces until the driver has given it all.
FieldValue ReadText(SQLHSTMT statement, SQLUSMALLINT column)
{
    QString text;
    // Most values fit at once; the buffer lives on the stack because a
    // batch reads it for every text of every row.
    SQLWCHAR buffer[512];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(statement, column, SQL_C_WCHAR, buffer, static_cast<SQLLEN>(sizeof buffer), &indicator);
        if (rc == SQL_NO_DATA)
            break;
        Check(rc, statement);
        if (indicator == SQL_NULL_DATA)
            return FieldValue::Null();
        const qsizetype capacity = static_cast<qsizetype>(std::size(buffer)) - 1;
        const qsizetype got = (indicator == SQL_NO_TOTAL || indicator / static_cast<SQLLEN>(sizeof(SQLWCHAR)) > capacity)
            ? capacity
            : indicator / static_cast<qsizetype>(sizeof(SQLWCHAR));
        text.append(FromSqlWChar(buffer, got));
        if (rc == SQL_SUCCESS)
            break;
    }
    return FieldValue::String(text);
}

FieldValue ReadBinary(SQLHSTMT statement, SQLUSMALLINT column)
{
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(statement, column, SQL_C_BINARY, buffer, static_cast<SQLLEN>(sizeof buffer), &indicator);
        if (rc == SQL_NO_DATA)
            break;
        Check(rc, statement);
        if (indicator == SQL_NULL_DATA)
            return FieldValue::Null();
        const qsizetype got = (indicator == SQL_NO_TOTAL || indicator > static_cast<SQLLEN>(sizeof buffer))
            ? static_cast<qsizetype>(sizeof buffer)
            : static_cast<qsizetype>(indicator);
        bytes.append(buffer, got);
        if (rc == SQL_SUCCESS)
            break;
    }
    return FieldValue::Binary(bytes);
}

} // namespace

std::vector<ResultColumn> DescribeResult(SQLHSTMT statement)
{
    SQLSMALLINT count = 0;
    CheckOdbc(SQLNumResultCols(statement, &count), SQL_HANDLE_STMT, statement, "SQLNumResultCols");
    std::vector<ResultColumn> columns;
    columns.reserve(static_cast<std::size_t>(count));
    for (SQLUSMALLINT i = 1; i <= count; ++i) {
        SQLWCHAR name[512] = {};
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        CheckOdbc(SQLDescribeColW(statement, i, name, 512, &nameLength, &type, &size, &digits, &nullable),
                  SQL_HANDLE_STMT, statement, "SQLDescribeCol");
        columns.push_back({FromSqlWChar(name, std::min<qsizetype>(nameLength, 511)), type, size, digits});
    }
    return columns;
}

FieldValue ReadColumnValue(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT sqlType)
{
    using T = FieldValue::Type;
    switch (sqlType) {
    case SQL_SMALLINT: {
        SQLSMALLINT v = 0;
        return ReadFixed(statement, column, SQL_C_SSHORT, v) ? FieldValue::Null() : FieldValue::Integer(T::Int16, v);
    }
    case SQL_INTEGER: {
        SQLINTEGER v = 0;
        return ReadFixed(statement, column, SQL_C_SLONG, v) ? FieldValue::Null() : FieldValue::Integer(T::Int32, v);
    }
    case SQL_BIGINT: {
        SQLBIGINT v = 0;
        return ReadFixed(statement, column, SQL_C_SBIGINT, v) ? FieldValue::Null() : FieldValue::Integer(T::Int64, v);
    }
    case SQL_TINYINT: {
        SQLCHAR v = 0;
        return ReadFixed(statement, column, SQL_C_UTINYINT, v) ? FieldValue::Null() : FieldValue::Integer(T::UInt8, v);
    }
    case SQL_BIT: {
        SQLCHAR v = 0;
        return ReadFixed(statement, column, SQL_C_BIT, v) ? FieldValue::Null() : FieldValue::Bool(v != 0);
    }
    case SQL_REAL: {
        SQLREAL v = 0;
        return ReadFixed(statement, column, SQL_C_FLOAT, v) ? FieldValue::Null() : FieldValue::Real(T::Float, v);
    }
    case SQL_FLOAT:
    case SQL_DOUBLE: {
        SQLDOUBLE v = 0;
        return ReadFixed(statement, column, SQL_C_DOUBLE, v) ? FieldValue::Null() : FieldValue::Real(T::Double, v);
    }
    case SQL_TYPE_DATE:
    case SQL_DATE:
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: {
        SQL_TIMESTAMP_STRUCT v = {};
        if (ReadFixed(statement, column, SQL_C_TYPE_TIMESTAMP, v))
            return FieldValue::Null();
        WallClock t{v.year, v.month, v.day, v.hour, v.minute, v.second, v.fraction};
        if (sqlType == SQL_TYPE_TIME || sqlType == SQL_TIME) // a time of day lies on the base day
            t.year = 1899, t.month = 12, t.day = 30;
        return FieldValue::DateTime(t);
    }
    case SQL_NUMERIC:
    case SQL_DECIMAL: {
        const FieldValue text = ReadText(statement, column);
        return text.isNull() ? text : FieldValue::Decimal(text.text());
    }
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return ReadBinary(statement, column);
    default:
        return ReadText(statement, column);
    }
}

} // namespace qel
