#pragma once

#include "db/RowBatch.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace qel {

class Connection;
class Statement;

// Inserts rows of batches into one table of a database, the named columns
// in order. SQLite takes several rows in each statement (its driver
// prepares a statement again for every row of an array of parameters);
// every other database takes the whole batch as arrays of parameters. Each
// value is handed to the driver in the form it was read in, typed as the
// target column is, so that the database converts it or refuses it: a value
// a column cannot hold fails the insert, never arrives altered.
class BatchInsert {
public:
    BatchInsert(Connection& target, const QString& table, const QStringList& columns);
    ~BatchInsert();
    BatchInsert(const BatchInsert&) = delete;
    BatchInsert& operator=(const BatchInsert&) = delete;

    // Inserts every row of the batch; columns[i] of the target takes the
    // batch's column first + i.
    void Insert(const RowBatch& rows, int firstColumn);

private:
    struct TargetColumn;
    struct Binding;

    void InsertRowsPerStatement(const RowBatch& rows, int firstColumn);
    void InsertAsArrays(const RowBatch& rows, int firstColumn);
    // Binds a parameter to the binding's cell of the given row, or, with
    // arrays of parameters, to its cells from that row on.
    void Bind(Statement& statement, SQLUSMALLINT number, const TargetColumn& column, Binding& binding, int row);
    QString InsertText(int rowsPerStatement) const;

    Connection& target_;
    QString table_;
    QStringList columns_;
    TextEncoding targetEncoding_;
    std::vector<TargetColumn> targetColumns_;
    std::unique_ptr<Statement> arrayStatement_;
    bool arraysRefused_ = false;
};

} // namespace qel
