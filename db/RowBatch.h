#pragma once

#include "db/OdbcApi.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace qel {

class Statement;

// The form a column's values take on their way from one database to
// another. Each keeps the value exactly: texts as they are, integers and
// doubles bit for bit, time stamps as their wall-clock fields, decimals as
// their digits.
enum class ValueForm {
    Text,      // any character data, and decimals as their digits
    Binary,    // bytes
    Integer,   // 64-bit signed
    Real,      // double
    Timestamp, // year to fraction of a second, no time zone
};

// Rows of a result held column by column in memory, a bounded number at a
// time, so that copying a table of any size takes the same memory.
class RowBatch {
public:
    struct Column {
        QString name;
        ValueForm form = ValueForm::Text;
        std::vector<char> isNull;
        std::vector<QString> texts;
        std::vector<QByteArray> bytes;
        std::vector<std::int64_t> integers;
        std::vector<double> reals;
        std::vector<SQL_TIMESTAMP_STRUCT> stamps;
    };

    // Reads up to maxRows rows of the statement's open result, the columns
    // in the given forms (one per result column). Answers false when the
    // result had no row left.
    bool Fetch(Statement& statement, const std::vector<ValueForm>& forms, int maxRows);

    int rowCount() const { return rows_; }
    int columnCount() const { return static_cast<int>(columns_.size()); }
    const Column& column(int index) const { return columns_[static_cast<std::size_t>(index)]; }

    // A fingerprint of the given columns' values, row by row: equal values
    // give equal fingerprints, so a batch read again can be recognised.
    std::uint64_t Fingerprint(int firstColumn) const;

private:
    void Clear(const std::vector<ValueForm>& forms, const std::vector<QString>& names);
    void ReadRow(Statement& statement);

    std::vector<Column> columns_;
    int rows_ = 0;
};

// The form in which a value of the given ODBC SQL type is read without loss.
ValueForm FormOfSqlType(SQLSMALLINT sqlType);

} // namespace qel
