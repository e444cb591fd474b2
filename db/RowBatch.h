#pragma once

#include "db/OdbcApi.h"
#include "db/TextEncoding.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string_view>
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
    // A SQLite value of any storage class, whatever its column's declared
    // type: read as bytes whose first one names the class ('i' integer,
    // 'r' real, 't' text, 'b' blob) and whose rest is the value: the
    // digits of an integer; a real as its 21 significant digits, of which
    // the nearest double is the value; the bytes of a text or blob (a NUL
    // inside a text included).
    Stored,
};

// Rows of a result held column by column in memory, a bounded number at a
// time, so that copying a table of any size takes the same memory. A batch
// object is meant to be fetched into again and again: its buffers are kept.
class RowBatch {
public:
    struct Column {
        QString name;
        ValueForm form = ValueForm::Text;
        // How the texts of a Text column are encoded: as the source's driver
        // hands them over, so that they are copied without a conversion.
        TextEncoding encoding = TextEncoding::Utf16;
        std::vector<char> isNull;
        // The values of a Text or Binary column one after another in one
        // buffer; value i ends at ends[i] and begins where value i - 1 ends.
        std::vector<char> data;
        std::vector<std::size_t> ends;
        std::vector<std::int64_t> integers;
        std::vector<double> reals;
        std::vector<SQL_TIMESTAMP_STRUCT> stamps;

        // The encoded bytes of a Text, Binary or Stored value.
        std::string_view bytesAt(int row) const;
        QString textAt(int row) const;
        QByteArray binaryAt(int row) const;
    };

    // Reads up to maxRows rows of the statement's open result, the columns
    // in the given forms (one per result column). Answers false when the
    // result had no row left.
    bool Fetch(Statement& statement, const std::vector<ValueForm>& forms, int maxRows);

    int rowCount() const { return rows_; }
    int columnCount() const { return static_cast<int>(columns_.size()); }
    const Column& column(int index) const { return columns_[static_cast<std::size_t>(index)]; }

    // A fingerprint of one row's values from the given column on: equal
    // values give equal fingerprints, however the driver encoded the texts.
    std::uint64_t RowFingerprint(int row, int firstColumn) const;
    // The fingerprints of all rows added up: the same for the same rows in
    // any order, duplicates counted, so that a batch read again can be
    // recognised however the database orders it.
    std::uint64_t Fingerprint(int firstColumn) const;

private:
    void Clear(const std::vector<ValueForm>& forms, const std::vector<QString>& names, TextEncoding encoding);
    void ReadRow(Statement& statement);

    std::vector<Column> columns_;
    int rows_ = 0;
};

// The form in which a value of the given ODBC SQL type is read without loss.
ValueForm FormOfSqlType(SQLSMALLINT sqlType);

} // namespace qel
