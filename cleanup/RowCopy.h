#pragma once

#include "cleanup/SchemaReplication.h"
#include "core/Feedback.h"

#include <QString>

namespace qel {

class Connection;

// How the rows of a selection travel into the backup target.
enum class CopyMethod {
    Fastest,  // inside the database engine when it can, else row by row
    RowByRow, // always through this program, as between two servers
};

// Copies the rows of one table selection from a source database into the
// table of the same name in a backup target, carrying the named fields, and
// returns the number of rows copied. The selection is the table's rows
// after an optional filter (" WHERE ..."), as the source's SELECT would
// read them.
//
// Between two SQLite files the target is attached to the source connection
// and the rows move in one INSERT ... SELECT inside the database engine.
// Elsewhere, or when that statement fails, rows are read one by one and
// saved through a prepared INSERT, committed in batches; a failure commits
// the rows saved before it and raises the DatabaseError.
//
// Progress: after each row the count is shown against the selection's
// total, the window pumped unless the count is a multiple of ten; a copy
// made inside the engine shows its count once.
long long CopyRows(Connection& source, Connection& target, const QString& table, const QString& filter,
                   const FieldNameList& fields, Feedback& feedback, int stage, CopyMethod method = CopyMethod::Fastest);

} // namespace qel
