#pragma once

#include "ColumnValue.h"
#include "Variant.h"

#include <QString>

#include <memory>
#include <vector>

class Connection;

// The rows of a query, read whole into memory when it is opened, so that
// the record count is known and the connection is free for other work while
// the rows are walked. Field names are found without regard to letter case.
class Recordset {
public:
    static std::unique_ptr<Recordset> Open(Connection& connection, const QString& sql);

    // The tables schema rowset: every table and view the connection can see,
    // with the columns TABLE_CAT, TABLE_SCHEM, TABLE_NAME, TABLE_TYPE, REMARKS.
    static std::unique_ptr<Recordset> OpenTablesSchema(Connection& connection);

    // Reads the current result of a statement that has already run (a
    // catalogue function, for example).
    static std::unique_ptr<Recordset> ReadResult(SQLHSTMT statement);

    bool IsEOF() const { return position_ >= rows_.size(); }
    void MoveNext();
    long long RecordCount() const { return static_cast<long long>(rows_.size()); }

    int FieldCount() const { return static_cast<int>(columns_.size()); }

    // Throws DatabaseError at end of file or for a field that does not exist.
    const Variant& ReadField(int index) const;
    const Variant& ReadField(const QString& name) const;

private:
    Recordset() = default;
    void ReadAll(SQLHSTMT statement);

    std::vector<ResultColumn> columns_;
    std::vector<std::vector<Variant>> rows_;
    std::size_t position_ = 0;
};

std::unique_ptr<Recordset> OpenRecordset(Connection& connection, const QString& sql);
