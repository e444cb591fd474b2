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
// in order. The table is named as the target's statements write it,
// quoted (and with its schema where that matters, see
// Catalog::StatementName). SQLite takes several rows in each statement (its driver
// prepares a statement again for every row of an array of parameters);
// every other database takes the whole batch as arrays of parameters where
// its values allow. Each value is handed to the driver in the form it was
// read in: on SQLite typed by its own kind, so that it keeps its storage
// class; elsewhere typed as the target column is, so that the database
// converts it or refuses it: a value a column cannot hold fails the insert,
// never arrives altered.
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
    struct Parameter;

    // Several rows per statement, each value bound where the batch holds it.
    void InsertRowsPerStatement(const RowBatch& rows, int firstColumn);
    // The whole batch as arrays of parameters, column by column.
    void InsertAsArrays(const RowBatch& rows, int firstColumn);
    // Whether the batch's values can go as arrays: of one kind per column,
    // and not so unequal in length that the cells would take too much.
    bool FitsInArrays(const RowBatch& rows, int firstColumn) const;
    void PrepareParameter(Parameter& p, const RowBatch::Column& column, int row, const TargetColumn& target);
    QString InsertText(int rowsPerStatement) const;

    Connection& target_;
    QString table_;
    QStringList columns_;
    TextEncoding targetEncoding_;
    std::vector<TargetColumn> targetColumns_;
    std::unique_ptr<Statement> arrayStatement_;
    std::vector<Binding> bindings_;
    std::vector<SQLUSMALLINT> status_;
    SQLULEN processed_ = 0;
    bool arraysRefused_ = false;
};

} // namespace qel
