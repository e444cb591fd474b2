#pragma once

#include "db/FieldValue.h"
#include "db/Statement.h"
#include "db/ValueReader.h"

#include <QString>

#include <memory>
#include <vector>

namespace qel {

class Connection;

// The rows of a query, read one at a time as the caller walks them, so that
// memory does not grow with the result. Field names are found without
// regard to letter case.
//
//     for (Result rows(connection, sql); rows.Next();)
//         use(rows.Value(0));
class Result {
public:
    // Runs the query.
    Result(Connection& connection, const QString& sql, Duration duration = Duration::Short);

    // The catalogue function SQLTables: every table and view the driver
    // lists, with TABLE_CAT, TABLE_SCHEM, TABLE_NAME, TABLE_TYPE, REMARKS.
    static Result Tables(Connection& connection);

    // The catalogue function SQLColumns for one table of one schema (either
    // may hold search-pattern characters; the caller filters exact names).
    static Result Columns(Connection& connection, const QString& schema, const QString& table);


    Result(Result&&) noexcept;
    Result& operator=(Result&&) noexcept;
    ~Result();

    // Moves to the next row; false when there is none.
    bool Next();

    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    const std::vector<ResultColumn>& columns() const { return columns_; }

    // A field of the current row. Throws DatabaseError when there is no
    // current row or no such field.
    const FieldValue& Value(int index) const;
    const FieldValue& Value(const QString& name) const;

private:
    explicit Result(std::unique_ptr<Statement> statement);
    void Describe();

    std::unique_ptr<Statement> statement_;
    std::vector<ResultColumn> columns_;
    std::vector<FieldValue> row_;
    bool onRow_ = false;
};

} // namespace qel
